// One full poll with a detected change against the server of scripts/dovecot (account in
// SKIMBAR_POP3_*): greeting to "Quit", STAT, TOP 1 0, then TOP n 0 and LIST n for every
// message; once one command at a time, once with the commands sent ahead (CAPA
// PIPELINING). Then the same sequence from Python's poplib (pop3_poll.py beside this file)
// and the ratio of the pipelined poll to it.
//
//   scripts/dovecot start auto --generate 10000 STATE; set -a; . STATE/env; set +a
//   ninja -C build/native pop3_poll && build/native/pop3_poll [ROUNDS]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "mail/IdPOP3.h"

namespace {
std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

struct Figure {
    double Median = 0, Min = 0, Max = 0;
    int Count = 0;
    long long Bytes = 0;
    int Failures = 0;
};

Figure Run(bool pipelined, int rounds) {
    std::vector<double> times;
    Figure f;
    for (int round = 0; round < rounds; ++round) {
        TIdPOP3 pop(nullptr);
        pop.SetHost(Env("SKIMBAR_POP3_HOST"));
        pop.SetPort(std::atoi(Env("SKIMBAR_POP3_PORT").c_str()));
        pop.SetUserId(Env("SKIMBAR_POP3_USER"));
        pop.SetPassword(Env("SKIMBAR_POP3_PASS"));
        TIdMessage m(nullptr);
        const auto start = std::chrono::steady_clock::now();
        pop.Connect();
        f.Count = pop.CountMessages();
        m.Clear();
        pop.FetchHeader(1, m);
        if (pipelined) pop.AnnounceHeaderAndSizeRange(1, f.Count);
        f.Bytes = 0;
        for (int i = 1; i <= f.Count; ++i) {
            m.Clear();
            if (!pop.FetchHeader(i, m)) ++f.Failures;
            const int size = pop.FetchMessageSize(i);
            if (size < 0) ++f.Failures;
            f.Bytes += size;
        }
        pop.Disconnect();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    f.Median = times[times.size() / 2];
    f.Min = times.front();
    f.Max = times.back();
    return f;
}

void Print(const char* name, const Figure& f) {
    std::printf("%-28s full poll of %d messages (%lld bytes listed, %d failures): median %.1f ms (min %.1f, max %.1f)\n",
                name, f.Count, f.Bytes, f.Failures, f.Median * 1e3, f.Min * 1e3, f.Max * 1e3);
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char** argv) {
    if (Env("SKIMBAR_POP3_HOST").empty() || Env("SKIMBAR_POP3_PORT").empty()) {
        std::fprintf(stderr, "pop3_poll: set SKIMBAR_POP3_* (scripts/dovecot start auto --generate 1000 STATE; "
                             "set -a; . STATE/env; set +a)\n");
        return 2;
    }
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    Print("Skimbar TIdPOP3 sequential:", Run(false, rounds));
    const Figure piped = Run(true, rounds);
    Print("Skimbar TIdPOP3 pipelined:", piped);
    // __FILE__ may be relative to the build folder, which is where this program lives.
    std::string script = __FILE__;
    script = script.substr(0, script.find_last_of("/\\") + 1) + "pop3_poll.py";
    if (script[0] != '/') {
        const std::string self = argv[0];
        const std::size_t slash = self.find_last_of('/');
        script = (slash == std::string::npos ? std::string(".") : self.substr(0, slash)) + "/" + script;
    }
    const std::string command = "python3 '" + script + "' " + std::to_string(rounds);
    FILE* python = popen(command.c_str(), "r");
    if (!python) return 1;
    char line[512];
    double poplibMs = 0;
    while (std::fgets(line, sizeof line, python)) {
        std::fputs(line, stdout);
        const char* median = std::strstr(line, "median ");
        if (median) poplibMs = std::atof(median + 7);
    }
    if (pclose(python) != 0 || poplibMs <= 0) return 1;
    std::printf("pipelined / poplib: %.2f\n", piped.Median * 1e3 / poplibMs);
    return 0;
}
