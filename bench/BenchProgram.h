#pragma once
// The program on the headless backend for the benchmarks: the executable path points into a
// fresh temporary folder whose settings hold an account (so the start-up opens no modal
// dialog), the support unit and the backend start as the entry starts them, and the main
// window is created. The headless clock stands still until a benchmark moves it, so no timer
// fires behind its back; benchmarks call the handlers themselves.
#include <time.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "app/MailPanel.h"
#include "app/TrayIcon.h"
#include "app/fMain.h"
#include "platform/Locale.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/Registry.h"
#include "support/qxApplicationEvents.h"
#include "support/qxGeneral.h"
#include "ui/Backend.h"
#include "ui/Forms.h"
#include "ui/headless/Headless.h"

namespace bench {

inline std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

// CPU time of the process in seconds.
inline double CpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

inline double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

class TBenchProgram {
public:
    // server "host:port"; an empty one gives an account whose polls do nothing.
    // The backend is the headless one unless given (ui::CreateDefaultBackend() for the build's own).
    // extraSettings: more sections for the settings file ("[Security]\r\nMode=tls\r\n").
    TBenchProgram(const std::string& server, const std::string& user, const std::string& password,
                  std::unique_ptr<ui::TBackend> backend = nullptr, const std::string& extraSettings = std::string()) {
        static int counter = 0;
        FRoot = std::filesystem::temp_directory_path() /
                ("skimbar-bench-" + std::to_string(::getpid()) + "-" + std::to_string(++counter));
        std::filesystem::remove_all(FRoot);
        std::filesystem::create_directories(FRoot / "Cfg");
        std::filesystem::create_directories(FRoot / "Language");
        {
            std::ofstream ini(FRoot / "Cfg" / "Skimbar.ini", std::ios::binary);
            ini << "[String]\r\nSetupForm.eMailqxComboBox=" << user << "\r\nSetupForm.PasswordqxEdit="
                << password << "\r\nSetupForm.POP3qxComboBox=" << server
                << "\r\n[Boolean]\r\nSetupForm.AutoStartqxCheckBox=0\r\n"
                << extraSettings;
        }
        platform::SetExePathForTests((FRoot / "Skimbar.exe").string());
        // The autostart entry goes to a registry of the folder, not the user's.
        platform::SetRegistryFolderForTests((FRoot / "registry").string());
        platform::SetCommandLineForTests("Skimbar.exe");
        platform::SetLocaleForTests(9, "hh:nn");
        // As the entry does it, without the message loop.
        ui::StartUp(backend ? std::move(backend) : std::make_unique<ui::headless::THeadless>());
        InitializeQxGeneral();
        RegisterTrayIconStrings();
        RegisterMailPanelStrings();
        RegisterMainFormStrings();
        Application->Initialize();
        Application->SetShowMainForm(false);
        Application->SetTitle(ProgramName);
        Application->CreateForm(MainForm);
    }
    ~TBenchProgram() {
        ui::ShutDown();
        FinalizeQxGeneral();
        // The next program of this process is a first instance again.
        TqxApplicationEvents::ReleaseInstanceLocksForTests();
        platform::SetRegistryFolderForTests("");
        platform::SetExePathForTests("");
        platform::SetCommandLineForTests("");
        platform::SetLocaleForTests(-1, "");
        std::error_code ec;
        std::filesystem::remove_all(FRoot, ec);
    }
    TMainForm& Form() { return *MainForm; }
    // Starts a poll as the timer does and runs the message loop until it has ended (at most
    // maxSeconds). Returns the wall time it took.
    double RunPoll(double maxSeconds = 600) {
        const double start = WallSeconds();
        MainForm->PollMailTimerTimer(MainForm->PollMailTimer);
        while (MainForm->PollRunning() && WallSeconds() - start < maxSeconds) Application->HandleMessage();
        return WallSeconds() - start;
    }

private:
    std::filesystem::path FRoot;
};

}  // namespace bench
