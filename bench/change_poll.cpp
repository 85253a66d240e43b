// A change poll of the main window against the server of scripts/dovecot (account in
// SKIMBAR_POP3_*; made for 10,000 mails): one poll that finds a change, fetches every header
// and size on its worker and adds an item per mail, from the timer tick to the last item in
// the strip, timed beside the same POP3 exchange on its own, which is the time of the network
// and the server. With the build's own backend (Win32 in the Windows build, run under Wine by
// bench/wine_change_poll). Prints figures; not a test.
//
//   scripts/dovecot start auto --generate 10000 STATE; set -a; . STATE/env; set +a
//   ninja -C build/native change_poll && build/native/change_poll
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchProgram.h"
#include "mail/IdPOP3.h"

namespace {

// STAT, TOP 1 0, then TOP n 0 and LIST n for every message: what a cycle with a change asks,
// announced ahead as the cycle does, so that a pipelining server gets them the same way.
double BareExchange(const std::string& host, int port, int& count, bool announce) {
    TIdPOP3 pop(nullptr);
    pop.SetHost(host);
    pop.SetPort(port);
    pop.SetUserId(bench::Env("SKIMBAR_POP3_USER"));
    pop.SetPassword(bench::Env("SKIMBAR_POP3_PASS"));
    TIdMessage m(nullptr);
    const double start = bench::WallSeconds();
    pop.Connect();
    count = pop.CountMessages();
    m.Clear();
    pop.FetchHeader(1, m);
    if (announce) pop.AnnounceHeaderAndSizeRange(1, count);
    for (int i = 1; i <= count; ++i) {
        m.Clear();
        pop.FetchHeader(i, m);
        pop.FetchMessageSize(i);
    }
    pop.Disconnect();
    return bench::WallSeconds() - start;
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

}  // namespace

int main() {
    const std::string host = bench::Env("SKIMBAR_POP3_HOST");
    const std::string port = bench::Env("SKIMBAR_POP3_PORT");
    if (host.empty() || port.empty()) {
        std::fprintf(stderr, "change_poll: set SKIMBAR_POP3_* (scripts/dovecot start auto --generate 10000 STATE; "
                             "set -a; . STATE/env; set +a)\n");
        return 2;
    }
    constexpr int kRounds = 3;
    std::vector<double> bare, lockstep, cycleWall, cycleCpu, quietWall;
    int count = 0;
    size_t items = 0;
    std::string backendName;
    for (int round = 0; round < kRounds; ++round) {
        bare.push_back(BareExchange(host, std::stoi(port), count, true));
        lockstep.push_back(BareExchange(host, std::stoi(port), count, false));

        // A fresh program each round: no id is known, so the first cycle sees a change.
        bench::TBenchProgram program(host + ":" + port, bench::Env("SKIMBAR_POP3_USER"),
                                     bench::Env("SKIMBAR_POP3_PASS"), ui::CreateDefaultBackend());
        TMainForm& form = program.Form();
        backendName = ui::Backend().Name();
        const double cpu = bench::CpuSeconds();
        cycleWall.push_back(program.RunPoll());
        cycleCpu.push_back(bench::CpuSeconds() - cpu);
        items = form.Items.size();

        // The next cycle finds no change and fetches only the first and the last header.
        quietWall.push_back(program.RunPoll());
    }
    const double b = Median(bare), w = Median(cycleWall), c = Median(cycleCpu);
    std::printf("change poll of %d mails from Dovecot on %s:%s, %s backend (median of %d rounds)\n", count,
                host.c_str(), port.c_str(), backendName.c_str(), kRounds);
    std::printf("  poll cycle with a change:   %8.1f ms wall, %8.1f ms CPU of this process, %zu items in the bar\n",
                w * 1e3, c * 1e3, items);
    std::printf("  the same POP3 exchange alone (network and server): %8.1f ms\n", b * 1e3);
    std::printf("    (one command at a time, without pipelining:      %8.1f ms)\n", Median(lockstep) * 1e3);
    std::printf("  the cycle's own time (cycle - exchange):           %8.1f ms (%.1f us per mail)\n",
                (w - b) * 1e3, count ? (w - b) * 1e6 / count : 0.0);
    std::printf("  poll cycle without a change: %8.1f ms wall\n", Median(quietWall) * 1e3);
    return 0;
}
