// Misbehaving servers: how long each takes to end in its error, and the peak memory of a
// reply of one-byte lines. The client runs with the short waits of the tests (command
// deadline 1 s, per-wait time-out 3 s, name lookup 0.3 s), so the trickling and silent
// cases show the bound that ends them rather than the default minute.
//
//   ninja -C build/native hostile_servers && build/native/hostile_servers
#include <cstdio>
#include <string>

#include "../tests/mail/HostileServers.h"
#include "core/Strings.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#endif

namespace {

void Print(const char* name, const hostile::Outcome& o) {
    std::string error = o.Error.empty() ? (o.Result ? "none" : "FetchHeader false") : o.Error;
    if (o.SocketError) error += " " + std::to_string(o.SocketError);
    const std::string next = o.NextSize == -2 ? "-" : std::to_string(o.NextSize);
    std::printf("%-36s %8.3f s  %-28s connected after: %-3s next LIST: %s\n", name, o.Seconds, error.c_str(),
                o.ConnectedAfter ? "yes" : "no", next.c_str());
}

#ifndef _WIN32
// Peak resident memory of this process in KiB.
long PeakKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        long value = 0;
        if (key == "VmHWM:" && status >> value) return value;
        std::string rest;
        std::getline(status, rest);
    }
    return -1;
}

// Runs what in a child process and prints its growth of peak memory.
template <class F>
void InChild(const char* name, F what) {
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        const long before = PeakKiB();
        const std::string detail = what();
        const long after = PeakKiB();
        std::printf("%-36s peak memory +%.1f MiB  %s\n", name, (after - before) / 1024.0, detail.c_str());
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}
#endif

}  // namespace

int main() {
    std::printf("scenario                              time       error                        after\n");
    Print("1 endless empty lines (STAT)", hostile::EndlessBlankLines());
    Print("2 endless body lines (TOP)", hostile::EndlessBodyLines());
    Print("3 greeting, 1 byte / 50 ms", hostile::TricklingGreeting());
    Print("3 TOP reply, 1 byte / 50 ms", hostile::TricklingTop());
    Print("4 name server silent", hostile::SilentNameServer());
    Print("5 6,000,000 one-byte lines (TOP)", hostile::OneByteLines());
    Print("6 header processing raises", hostile::ProcessingRaises());
    Print("7 silent after USER (wait 0.5 s)", hostile::SilentDuringLogin());
#ifndef _WIN32
    InChild("5 one-byte lines, bounded reply", [] {
        const hostile::Outcome o = hostile::OneByteLines();
        return "(" + std::to_string(o.HeaderLines) + " lines kept)";
    });
    // What the same reply costs when every line is kept, as before the bound counted lines.
    InChild("5 the same lines kept unbounded", [] {
        TStringList lines;
        const std::size_t count = IdLimits::MaxCaptureSize / 3;
        for (std::size_t i = 0; i < count; ++i) lines.Add("a");
        return "(" + std::to_string(lines.Count()) + " lines: 16 MiB of 'a' CR LF)";
    });
#endif
    return 0;
}
