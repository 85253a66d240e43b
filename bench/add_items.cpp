// What adding ticker items costs the user-interface thread with the build's own backend
// (headless natively, Win32 in the Windows build, run under Wine): 10,000 mails added as a
// poll adds them, in wall and CPU time per item. Prints figures; not a test.
//
//   ninja -C build/native add_items && build/native/add_items
#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchProgram.h"
#include "core/DateTime.h"

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    // A password without a server: the start-up opens no dialog and a poll does nothing.
    bench::TBenchProgram program("", "bench@example.com", "bench", ui::CreateDefaultBackend());
    TMainForm& form = program.Form();
    const TDateTime now = dt::Now();
    const double wall = bench::WallSeconds(), cpu = bench::CpuSeconds();
    for (int i = 0; i < count; ++i)
        form.AddTickerItem("sender" + std::to_string(i) + "@example.com", "Subject of mail number " + std::to_string(i),
                           2048 + i, now - i / 24.0, "<" + std::to_string(i) + "@bench.example.com>");
    const double w = bench::WallSeconds() - wall, c = bench::CpuSeconds() - cpu;
    std::printf("%d items added, %s backend: %.1f us wall and %.1f us CPU per item (%.0f ms in all)\n", count,
                ui::Backend().Name(), w * 1e6 / count, c * 1e6 / count, w * 1e3);
    return 0;
}
