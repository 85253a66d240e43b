// One full poll with a detected change against the server of scripts/dovecot (account in
// SKIMBAR_POP3_*): greeting to "Quit", STAT, TOP 1 0, then TOP n 0 and LIST n for every
// message. Then the same sequence from Python's poplib (pop3_poll.py beside this file).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "mail/IdPOP3.h"

namespace {
std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}
}  // namespace

int main() {
    if (Env("SKIMBAR_POP3_HOST").empty() || Env("SKIMBAR_POP3_PORT").empty()) {
        std::fprintf(stderr, "pop3_poll: set SKIMBAR_POP3_* (scripts/dovecot start auto --generate 1000 STATE; "
                             "set -a; . STATE/env; set +a)\n");
        return 2;
    }
    constexpr int kRounds = 5;
    std::vector<double> times;
    int count = 0;
    long long bytes = 0;
    for (int round = 0; round < kRounds; ++round) {
        TIdPOP3 pop(nullptr);
        pop.SetHost(Env("SKIMBAR_POP3_HOST"));
        pop.SetPort(std::atoi(Env("SKIMBAR_POP3_PORT").c_str()));
        pop.SetUserId(Env("SKIMBAR_POP3_USER"));
        pop.SetPassword(Env("SKIMBAR_POP3_PASS"));
        TIdMessage m(nullptr);
        const auto start = std::chrono::steady_clock::now();
        pop.Connect();
        count = pop.CountMessages();
        m.Clear();
        pop.FetchHeader(1, m);
        bytes = 0;
        for (int i = 1; i <= count; ++i) {
            m.Clear();
            if (!pop.FetchHeader(i, m)) std::fprintf(stderr, "TOP %d failed\n", i);
            const int size = pop.FetchMessageSize(i);
            if (size < 0) std::fprintf(stderr, "LIST %d failed\n", i);
            bytes += size;
        }
        pop.Disconnect();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    std::printf("Skimbar TIdPOP3: full poll of %d messages (%lld bytes listed): median %.1f ms (min %.1f, max %.1f)\n",
                count, bytes, times[kRounds / 2] * 1e3, times.front() * 1e3, times.back() * 1e3);
    std::fflush(stdout);
    std::string script = __FILE__;
    script = script.substr(0, script.find_last_of("/\\") + 1) + "pop3_poll.py";
    const std::string command = "python3 '" + script + "' " + std::to_string(kRounds);
    return std::system(command.c_str()) == 0 ? 0 : 1;
}
