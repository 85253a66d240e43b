// The bar with real windows: its place, size and topmost state, the tray menu, a click that
// starts the registered mail program, and showing it while another program has the focus.
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "app/MailPanel.h"
#include "app/TrayIcon.h"
#include "app/fMain.h"
#include "app/fSetup.h"
#include "platform/Registry.h"
#include "support/SupportTestEnv.h"
#include "support/qxApplicationEvents.h"
#include "support/qxCheckBox.h"
#include "support/qxGeneral.h"
#include "ui/ActnList.h"
#include "ui/Menus.h"
#include "ui/win32/Win32Backend.h"

namespace {

class MainFormWin32 : public supporttest::AppFolderTest {
protected:
    void SetUp() override {
        AppFolderTest::SetUp();
        ui::StartUp(ui::win32::CreateBackend());
    }
    void TearDown() override {
        if (FStarted) {
            ui::ShutDown();
            FinalizeQxGeneral();
        } else {
            ui::ShutDown();
        }
        TqxApplicationEvents::ReleaseInstanceLocksForTests();
        platform::TRegistry reg(platform::RootKey::CurrentUser);
        reg.DeleteKey("\\Software\\Clients\\Mail\\SkimbarWineTest");
        if (reg.OpenKey("\\Software\\Clients\\Mail", false) && reg.ReadString("") == "SkimbarWineTest")
            reg.DeleteValue("");
        AppFolderTest::TearDown();
    }
    void Start(bool stayOnTop = true) {
        WriteFile("Cfg/Skimbar.ini",
                  std::string("[String]\r\nSetupForm.eMailqxComboBox=user\r\nSetupForm.PasswordqxEdit=secret\r\n"
                              "SetupForm.POP3qxComboBox=127.0.0.1:1\r\n[Boolean]\r\nSetupForm.AutoStartqxCheckBox=0\r\n"
                              "SetupForm.AutoShowqxCheckBox=0\r\nSetupForm.StayOnTopqxCheckBox=") +
                      (stayOnTop ? "1" : "0") + "\r\n[Integer]\r\nSetupForm.qxUpDown1=1000\r\n");
        InitializeQxGeneral();
        FStarted = true;
        RegisterTrayIconStrings();
        RegisterMailPanelStrings();
        RegisterMainFormStrings();
        Application->Initialize();
        Application->SetShowMainForm(false);
        Application->SetTitle("Skimbar");
        Application->CreateForm(Form);
        ASSERT_NE(Form, nullptr);
    }
    // Runs the message loop until done() holds or maxMs passed.
    static bool Pump(const std::function<bool()>& done, int maxMs) {
        const DWORD start = GetTickCount();
        while (!done()) {
            Application->ProcessMessages();
            if (GetTickCount() - start > static_cast<DWORD>(maxMs)) return done();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        }
        return true;
    }
    HWND Bar() { return reinterpret_cast<HWND>(Form->Handle()); }
    bool TopMost() { return (GetWindowLongPtrW(Bar(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }

    TMainForm* Form = nullptr;
    bool FStarted = false;
};

TEST_F(MainFormWin32, TheBarLiesAcrossTheTopAndGoesTopmostAfterShowing) {
    Start(true);
    EXPECT_FALSE(IsWindowVisible(Bar()));
    Form->ShowAction->Execute();
    ASSERT_TRUE(IsWindowVisible(Bar()));
    RECT r;
    GetWindowRect(Bar(), &r);
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXSCREEN));
    HDC screen = GetDC(nullptr);
    EXPECT_EQ(r.bottom - r.top, MulDiv(38, GetDeviceCaps(screen, LOGPIXELSY), 96));
    ReleaseDC(nullptr, screen);
    EXPECT_TRUE(Pump([&] { return TopMost(); }, 3000));
    // Unchecked: it leaves the topmost state when it is next shown.
    SetupForm->StayOnTopqxCheckBox->SetChecked(false);
    Form->HideAction->Execute();
    Form->ShowAction->Execute();
    EXPECT_TRUE(Pump([&] { return !TopMost(); }, 3000));
}

// Scaled by the monitor's DPI (scripts/test runs this at 96 and 144): the framework keeps its
// 96-DPI figures, the item text lies inside the bar and grows with the scale.
TEST_F(MainFormWin32, TheItemTextIsScaledAndLiesInsideTheBar) {
    Start();
    Form->ShowAction->Execute();
    for (TMailPanel* item : Form->Items) item->SetLeft(20);  // the welcome item, in view at once
    Pump([] { return false; }, 300);
    EXPECT_EQ(Form->Height(), 38);
    RECT c;
    GetClientRect(Bar(), &c);
    HDC dc = GetDC(Bar());
    const int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    int first = -1, last = -1;  // rows holding the item text (lime)
    for (int y = 0; y < c.bottom; ++y)
        for (int x = 0; x < std::min<int>(c.right, 900); ++x)
            if (GetPixel(dc, x, y) == RGB(0, 255, 0)) {
                if (first < 0) first = y;
                last = y;
                break;
            }
    ReleaseDC(Bar(), dc);
    ASSERT_GT(first, 0) << "no item text on the bar, or at its very edge";
    EXPECT_LT(last, c.bottom - 1);
    if (dpi >= 144) {
        EXPECT_GE(last - first, 14);  // at 96 DPI the two lines span about 10 rows
    }
}

// The shell's notice to its bars while a full-screen window is in front, and when it went.
TEST_F(MainFormWin32, AFullScreenApplicationSendsTheBarBelowAndPausesTheTicker) {
    Start(true);
    Form->ShowAction->Execute();
    ASSERT_TRUE(Pump([&] { return TopMost(); }, 3000));
    ASSERT_TRUE(Form->AppBarDocked());
    // Sent as the shell sends it: Wine's shell does not tell its bars of full-screen windows.
    constexpr UINT kAppBarMsg = WM_APP + 0x3E;
    SendMessageW(Bar(), kAppBarMsg, ABN_FULLSCREENAPP, TRUE);
    EXPECT_FALSE(TopMost());
    EXPECT_FALSE(Form->ScrollTimer->Enabled());
    const int left = Form->Items.front()->Left();
    Pump([] { return false; }, 300);
    EXPECT_EQ(Form->Items.front()->Left(), left);
    SendMessageW(Bar(), kAppBarMsg, ABN_FULLSCREENAPP, FALSE);
    EXPECT_TRUE(TopMost());
    EXPECT_TRUE(Pump([&] { return Form->Items.front()->Left() < left; }, 2000));
}

TEST_F(MainFormWin32, ShowingTheBarLeavesTheFocusWithTheUsersWindow) {
    Start(true);
    HWND other = CreateWindowExW(0, L"STATIC", L"typing here", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 200, 200, 300, 200,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_NE(other, nullptr);
    SetForegroundWindow(other);
    SetActiveWindow(other);
    Pump([&] { return GetForegroundWindow() == other; }, 2000);
    ASSERT_EQ(GetForegroundWindow(), other);
    Form->ShowAction->Execute();
    Pump([] { return false; }, 400);  // the stay-on-top step included
    EXPECT_TRUE(IsWindowVisible(Bar()));
    EXPECT_EQ(GetForegroundWindow(), other);
    EXPECT_NE(GetActiveWindow(), Bar());
    DestroyWindow(other);
}

TEST_F(MainFormWin32, TheTrayMenuRunsTheChosenCommand) {
    Start(true);
    ASSERT_FALSE(Form->Visible());
    // The notification area reports a right click: the menu opens at the cursor; "Show" is
    // chosen by its accelerator, as a user would.
    bool sent = false;
    int ticks = 0;
    auto* timer = new TTimer(Form);
    timer->SetInterval(100);
    timer->OnTimer = [&](TObject*) {
        ++ticks;
        HWND m = FindWindowW(L"#32768", nullptr);
        if (m && !sent && ticks >= 3) {
            sent = true;
            PostMessageW(m, WM_KEYDOWN, 'S', 0);
            PostMessageW(m, WM_CHAR, 's', 0);
        }
        if (ticks > 60) EndMenu();
    };
    SendMessageW(reinterpret_cast<HWND>(Form->TrayIcon->WindowHandle()), TTrayIcon::WM_TRAYNOTIFY, 0, WM_RBUTTONUP);
    delete timer;
    EXPECT_TRUE(sent);
    EXPECT_TRUE(Form->Visible());
    EXPECT_EQ(StripAccelChars(Form->PopupMenu->Items()->Items(0)->Caption()), "Show");
}

TEST_F(MainFormWin32, AClickStartsTheRegisteredMailClientAndHidesTheBar) {
    // A batch file standing in for the mail program: it leaves a mark beside itself.
    const std::filesystem::path mark = At("started.txt");
    WriteFile("mail client.bat", "@echo started %*> \"%~dp0started.txt\"\r\n");
    const std::string bat = AtUtf8("mail client.bat");
    platform::TRegistry reg(platform::RootKey::CurrentUser);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Clients\\Mail", true));
    reg.WriteString("", "SkimbarWineTest");
    platform::TRegistry cmd(platform::RootKey::CurrentUser);
    ASSERT_TRUE(cmd.OpenKey("\\Software\\Clients\\Mail\\SkimbarWineTest\\shell\\open\\command", true));
    cmd.WriteString("", "\"" + bat + "\" /compose \"%1\"");
    Start(true);
    Form->ShowAction->Execute();
    ASSERT_EQ(Form->Items.size(), 1u);
    SendMessageW(Bar(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageW(Bar(), WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_FALSE(IsWindowVisible(Bar()));
    EXPECT_FALSE(Form->Items.front()->Alive());
    ASSERT_TRUE(Pump([&] { return std::filesystem::exists(mark) && std::filesystem::file_size(mark) > 0; }, 10000));
    // Started with the arguments it was registered with.
    std::ifstream in(mark);
    std::string line;
    std::getline(in, line);
    EXPECT_NE(line.find("started /compose"), std::string::npos) << line;
}

// The session ends as Windows ends it: WM_QUERYENDSESSION, then WM_ENDSESSION, to every
// top-level window of the program. Before the last one returns, the program has ended itself
// as Quit does and written its settings. (tests/e2e/run ends a real Wine session.)
TEST_F(MainFormWin32, TheSessionEndWritesTheSettingsBeforeTheProcessIsEnded) {
    Start(true);
    Form->SlowerAction->Execute();
    std::vector<HWND> windows;
    struct Collect {
        static BOOL CALLBACK Window(HWND h, LPARAM l) {
            reinterpret_cast<std::vector<HWND>*>(l)->push_back(h);
            return TRUE;
        }
    };
    EnumThreadWindows(GetCurrentThreadId(), Collect::Window, reinterpret_cast<LPARAM>(&windows));
    ASSERT_FALSE(windows.empty());
    for (HWND h : windows) EXPECT_TRUE(SendMessageW(h, WM_QUERYENDSESSION, 0, 0)) << h;
    for (HWND h : windows)
        if (IsWindow(h)) SendMessageW(h, WM_ENDSESSION, TRUE, 0);
    EXPECT_TRUE(Application->SessionEnded());
    EXPECT_TRUE(Application->Terminated());
    EXPECT_FALSE(Form->ScrollTimer->Enabled());
    const std::string ini = ReadFile("Cfg/Skimbar.ini");
    EXPECT_NE(ini.find("ScrollSpeed=40"), std::string::npos) << ini;
}

}  // namespace
