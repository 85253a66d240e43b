// Scroll tick of the bar on the headless backend with 100, 1,000 and 10,000 mail items: CPU
// time per ScrollTimerTimer, the handler of every tick. Prints figures; not a test.
//
//   ninja -C build/native scroll_tick && build/native/scroll_tick
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchProgram.h"
#include "core/DateTime.h"

int main() {
    std::printf("scroll tick, headless backend (CPU time per tick; median of 5 runs)\n");
    for (const int count : {100, 1000, 10000}) {
        // A password without a server: the start-up opens no dialog and a poll does nothing.
        bench::TBenchProgram program("", "bench@example.com", "bench");
        TMainForm& form = program.Form();
        const TDateTime now = dt::Now();
        for (int i = 0; i < count; ++i)
            form.AddTickerItem("sender" + std::to_string(i) + "@example.com",
                               "Subject of mail number " + std::to_string(i), 2048 + i, now,
                               "<" + std::to_string(i) + "@bench.example.com>");
        // Enough ticks for items to leave the bar at the left and wrap behind the last one.
        const int ticks = 2000;
        for (int i = 0; i < 100; ++i) form.ScrollTimerTimer(nullptr);
        std::vector<double> perTick;
        for (int run = 0; run < 5; ++run) {
            const double start = bench::CpuSeconds();
            for (int i = 0; i < ticks; ++i) form.ScrollTimerTimer(nullptr);
            perTick.push_back((bench::CpuSeconds() - start) / ticks * 1e6);
        }
        std::sort(perTick.begin(), perTick.end());
        std::printf("  %6d items: %8.2f us per tick (min %.2f, max %.2f; %d ticks a run)\n", count,
                    perTick[2], perTick.front(), perTick.back(), ticks);
        std::fflush(stdout);
    }
    return 0;
}
