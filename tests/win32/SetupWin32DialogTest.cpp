// The dialog with real windows and the system's fonts, in both shipped languages: every
// control inside the sheet, none on top of another, no caption cut. With the environment
// variable SKIMBAR_SETUP_SHOW_MS set, each language stays on screen that long after the line
// "SHOWING <language>" (for a screenshot).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "app/SetupTestEnv.h"
#include "localisation/qxHotkey.h"
#include "support/qxCheckBox.h"
#include "support/qxComboBox.h"
#include "support/qxEdit.h"
#include "support/qxLabel.h"
#include "support/qxPanel.h"
#include "support/qxUpDown.h"
#include "ui/Backend.h"
#include "ui/ComCtrls.h"
#include "ui/StdCtrls.h"
#include "ui/win32/Win32Backend.h"

namespace {

class SetupWin32DialogTest : public supporttest::AppFolderTest {
protected:
    void SetUp() override {
        AppFolderTest::SetUp();
        const std::string saved = platform::ExePath();
        platform::SetExePathForTests("");
        const std::filesystem::path shipped = std::filesystem::u8path(platform::ExeDir()) / "Language";
        platform::SetExePathForTests(saved);
        std::filesystem::create_directories(At("Language"));
        for (const char* name : {"english.ini", "german.ini"})
            std::filesystem::copy_file(shipped / name, At(std::string("Language/") + name),
                                       std::filesystem::copy_options::overwrite_existing);
        ui::StartUp(ui::win32::CreateBackend());
        Application->OnException = [this](TObject*, Exception& e) { Logged.push_back(e.Message()); };
        InitializeQxGeneral();
    }
    void TearDown() override {
        delete SetupForm;
        FinalizeQxGeneral();
        ui::ShutDown();
        AppFolderTest::TearDown();
    }
    static void Pump(int ms) {
        const DWORD start = GetTickCount();
        do {
            Application->ProcessMessages();
            Sleep(10);
        } while (GetTickCount() - start < static_cast<DWORD>(ms));
    }
    // The native children of the sheet, as the window manager has them.
    static std::vector<std::string> NativeFaults(TSetupForm& form) {
        std::vector<std::string> faults;
        HWND sheet = reinterpret_cast<HWND>(form.TabSheet1->Handle());
        RECT area;
        GetClientRect(sheet, &area);
        MapWindowPoints(sheet, nullptr, reinterpret_cast<POINT*>(&area), 2);
        std::vector<std::pair<TWinControl*, RECT>> windows;
        for (int i = 0; i < form.TabSheet1->ControlCount(); ++i) {
            auto* w = dynamic_cast<TWinControl*>(form.TabSheet1->Controls(i));
            if (!w || !w->IsNative()) continue;
            RECT r;
            GetWindowRect(reinterpret_cast<HWND>(w->Handle()), &r);
            if (r.left < area.left || r.top < area.top || r.right > area.right || r.bottom > area.bottom)
                faults.push_back(w->Name() + " leaves the sheet");
            for (const auto& [other, o] : windows) {
                RECT both;
                if (IntersectRect(&both, &r, &o)) faults.push_back(w->Name() + " overlaps " + other->Name());
            }
            windows.push_back({w, r});
        }
        return faults;
    }
    std::vector<std::string> Logged;
};

TEST_F(SetupWin32DialogTest, BothLanguagesFitWithTheSystemFont) {
    new TSetupForm(nullptr, nullptr);
    LoadRemanentControls();
    SetupForm->Show();
    const char* show = std::getenv("SKIMBAR_SETUP_SHOW_MS");
    for (const char* language : {"english", "german"}) {
        SCOPED_TRACE(language);
        SetLanguage(language);
        Pump(100);
        EXPECT_EQ(setuptest::LayoutFaults(*SetupForm), std::vector<std::string>{});
        EXPECT_EQ(NativeFaults(*SetupForm), std::vector<std::string>{});
        // Alt + the password label's key reaches the password edit through the real window.
        const char32_t key = TqxHotkey::ExistingHotkey(SetupForm->qxLabel2->Caption());
        ASSERT_NE(key, 0u);
        SetFocus(reinterpret_cast<HWND>(SetupForm->BitBtn1->Handle()));
        // Through the message loop, as a real key press arrives.
        const HWND target = reinterpret_cast<HWND>(SetupForm->BitBtn1->Handle());
        const WPARAM upper = key >= 'a' && key <= 'z' ? key - 'a' + 'A' : key;
        const WPARAM lower = key >= 'A' && key <= 'Z' ? key - 'A' + 'a' : key;
        PostMessageW(target, WM_SYSKEYDOWN, upper, 1 << 29);
        PostMessageW(target, WM_SYSCHAR, lower, 1 << 29);
        PostMessageW(target, WM_SYSKEYUP, upper, (1 << 29) | (3u << 30));
        Pump(50);
        EXPECT_EQ(GetFocus(), reinterpret_cast<HWND>(SetupForm->PasswordqxEdit->Handle()));
        if (show) {
            // Underlined accelerators, as after pressing Alt.
            SendMessageW(reinterpret_cast<HWND>(SetupForm->Handle()), WM_CHANGEUISTATE,
                         MAKEWPARAM(UIS_CLEAR, UISF_HIDEACCEL | UISF_HIDEFOCUS), 0);
            std::printf("SHOWING %s\n", language);
            std::fflush(stdout);
            Pump(std::atoi(show));
        }
    }
    EXPECT_TRUE(Logged.empty());
}

}  // namespace
