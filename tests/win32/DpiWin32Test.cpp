// The bar at the DPI of the Wine prefix (scripts/test runs these at 96 and at 144): pixel sizes
// of the design are scaled and item text lies inside the bar.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "app/MailPanel.h"
#include "app/TrayIcon.h"
#include "app/fMain.h"
#include "app/fSetup.h"
#include "support/SupportTestEnv.h"
#include "support/qxApplicationEvents.h"
#include "support/qxGeneral.h"
#include "ui/ActnList.h"
#include "ui/win32/Win32Backend.h"

namespace {

int ScreenDpi() {
    HDC dc = GetDC(nullptr);
    int dpi = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
    return dpi;
}

class DpiWin32 : public supporttest::AppFolderTest {
protected:
    void SetUp() override {
        AppFolderTest::SetUp();
        ui::StartUp(ui::win32::CreateBackend());
        WriteFile("Cfg/Skimbar.ini",
                  "[String]\r\nSetupForm.eMailqxComboBox=user\r\nSetupForm.PasswordqxEdit=secret\r\n"
                  "SetupForm.POP3qxComboBox=127.0.0.1:1\r\n[Boolean]\r\nSetupForm.AutoStartqxCheckBox=0\r\n"
                  "SetupForm.AutoShowqxCheckBox=0\r\n[Integer]\r\nSetupForm.qxUpDown1=1000\r\n");
        InitializeQxGeneral();
        RegisterTrayIconStrings();
        RegisterMailPanelStrings();
        RegisterMainFormStrings();
        Application->Initialize();
        Application->SetShowMainForm(false);
        Application->CreateForm(Form);
        ASSERT_NE(Form, nullptr);
    }
    void TearDown() override {
        ui::ShutDown();
        FinalizeQxGeneral();
        TqxApplicationEvents::ReleaseInstanceLocksForTests();
        AppFolderTest::TearDown();
    }
    static void Pump(int ms) {
        const DWORD start = GetTickCount();
        do {
            Application->ProcessMessages();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        } while (GetTickCount() - start < static_cast<DWORD>(ms));
    }
    HWND Bar() { return reinterpret_cast<HWND>(Form->Handle()); }
    RECT BarRect() {
        RECT r;
        GetWindowRect(Bar(), &r);
        return r;
    }
    // Rows of the bar's client area that hold a pixel of the given colour.
    std::pair<int, int> RowsWith(COLORREF color) {
        RECT c;
        GetClientRect(Bar(), &c);
        HDC dc = GetDC(Bar());
        int first = -1, last = -1;
        for (int y = 0; y < c.bottom; ++y)
            for (int x = 0; x < std::min<int>(c.right, 900); ++x)
                if (GetPixel(dc, x, y) == color) {
                    if (first < 0) first = y;
                    last = y;
                    break;
                }
        ReleaseDC(Bar(), dc);
        return {first, last};
    }
    TMainForm* Form = nullptr;
};

TEST_F(DpiWin32, TheBarIsScaledByTheMonitorDpiAndItsTextLiesInside) {
    const int dpi = ScreenDpi();
    std::printf("DPI %d\n", dpi);
    Form->ShowAction->Execute();
    // The welcome item scrolls in from the right; put it in view at once.
    for (TMailPanel* item : Form->Items) item->SetLeft(20);
    Pump(300);
    RECT r = BarRect();
    EXPECT_EQ(r.bottom - r.top, MulDiv(38, dpi, 96));
    EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXSCREEN));
    // The framework keeps its 96-DPI figures.
    EXPECT_EQ(Form->Height(), 38);
    auto [first, last] = RowsWith(RGB(0, 255, 0));  // the item text (lime)
    ASSERT_GE(first, 0) << "no item text on the bar";
    EXPECT_GT(first, 0);
    EXPECT_LT(last, r.bottom - r.top - 1);
    // The text is as large as the scale asks: at 144 DPI clearly taller than at 96.
    if (dpi >= 144) {
        EXPECT_GE(last - first, 14);
    }
    if (const char* dir = std::getenv("SKIMBAR_DPI_SHOT")) {
        std::printf("SHOWING bar\n");
        std::fflush(stdout);
        Pump(std::atoi(dir));
    }
}

}  // namespace
