// The first exception with a long log beside the executable: the start (the component reads
// the log) and the first row (trimmed to MaxErrRows, saved), for logs of 16 MB and 100 MB.
// Prints figures; not a test.
//
//   ninja -C build/native exception_log && build/native/exception_log
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "BenchProgram.h"
#include "platform/Paths.h"
#include "support/qxApplicationEvents.h"
#include "support/qxGeneral.h"
#include "ui/Forms.h"
#include "ui/headless/Headless.h"

int main() {
    namespace fs = std::filesystem;
    for (const std::size_t megabytes : {16u, 100u}) {
        const fs::path root = fs::temp_directory_path() /
                              ("skimbar-bench-log-" + std::to_string(::getpid()) + "-" + std::to_string(megabytes));
        fs::remove_all(root);
        fs::create_directories(root / "Cfg");
        std::size_t rows = 0;
        {
            // Rows as the program writes them: the exception text holds a line feed.
            std::ofstream log(root / "Skimbar.ERR", std::ios::binary);
            const std::string row =
                "7.12.26 09:15 -> Anwendungsfehler : Exception EConvertError in Modul Skimbar.exe bei "
                "0001A2B4.\n'x' ist kein gültiger Integerwert.\r\n";
            for (std::size_t size = 0; size < megabytes << 20; size += row.size(), rows += 2) log << row;
        }
        platform::SetExePathForTests((root / "Skimbar.exe").string());
        ui::headless::TSession session;
        InitializeQxGeneral();
        const double t0 = bench::WallSeconds();
        auto* form = new TForm(nullptr);
        form->BeginReading();
        auto* events = new TqxApplicationEvents(form);
        events->SetName("qxApplicationEvents1");
        events->SetShowExceptionBox(false);
        form->EndDesign();
        const double t1 = bench::WallSeconds();
        events->LogException(Exception("bench"), 0);
        const double t2 = bench::WallSeconds();
        std::printf("%3zu MB log (%zu rows): start %.3f s, first exception %.3f s; rows kept %d, log now %ju bytes\n",
                    megabytes, rows, t1 - t0, t2 - t1, events->ErrRows().Count(),
                    static_cast<std::uintmax_t>(fs::file_size(root / "Skimbar.ERR")));
        delete form;
        FinalizeQxGeneral();
        platform::SetExePathForTests("");
        fs::remove_all(root);
    }
    return 0;
}
