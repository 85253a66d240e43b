// A form docked as a desktop toolbar through the real shell (Wine's explorer under the tests).
#include <windows.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <functional>

#include "ui/Forms.h"
#include "ui/win32/Win32Backend.h"

namespace {

class AppBarWin32 : public ::testing::Test {
protected:
    void SetUp() override {
        ui::StartUp(ui::win32::CreateBackend());
        Form = new TForm(Application);
        Form->SetBorderStyle(bsNone);
        Form->SetActivateOnShow(false);
        Form->SetBounds(0, 200, 400, 38);
    }
    void TearDown() override { ui::ShutDown(); }

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
    // Where the shell would put a new bar along the top now: below every band it holds.
    static LONG FreeTop() {
        HWND probe = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     GetModuleHandleW(nullptr), nullptr);
        APPBARDATA abd = Data(probe);
        LONG top = -1;
        if (SHAppBarMessage(ABM_NEW, &abd)) {
            abd.rc = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), 10};
            SHAppBarMessage(ABM_QUERYPOS, &abd);
            top = abd.rc.top;
            SHAppBarMessage(ABM_REMOVE, &abd);
        }
        DestroyWindow(probe);
        return top;
    }
    static APPBARDATA Data(HWND h) {
        APPBARDATA abd{};
        abd.cbSize = sizeof abd;
        abd.hWnd = h;
        abd.uCallbackMessage = WM_APP + 5;
        abd.uEdge = ABE_TOP;
        return abd;
    }
    RECT BarRect() {
        RECT r{};
        GetWindowRect(Bar(), &r);
        return r;
    }

    TForm* Form = nullptr;
};

TEST_F(AppBarWin32, TheShownFormHoldsABandAtTheTopAndGivesItBackWhenHiddenOrFreed) {
    ASSERT_EQ(FreeTop(), 0) << "another bar holds the top of this desktop";
    Form->SetDockTop(true);
    EXPECT_FALSE(Form->AppBarDocked());  // hidden: nothing reserved yet
    EXPECT_EQ(FreeTop(), 0);
    Form->Show();
    ASSERT_TRUE(Form->AppBarDocked());
    const RECT r = BarRect();
    EXPECT_EQ(r.left, 0);
    EXPECT_EQ(r.top, 0);
    EXPECT_EQ(r.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(r.bottom, 38);
    EXPECT_EQ(Form->Top(), 0);  // the framework's bounds follow the window
    EXPECT_EQ(Form->Width(), GetSystemMetrics(SM_CXSCREEN));
    EXPECT_EQ(FreeTop(), 38);
    Form->Hide();
    EXPECT_FALSE(Form->AppBarDocked());
    EXPECT_EQ(FreeTop(), 0);
    Form->Show();
    EXPECT_EQ(FreeTop(), 38);
    Form->SetDockTop(false);
    EXPECT_EQ(FreeTop(), 0);
    EXPECT_TRUE(IsWindowVisible(Bar()));  // undocked, not hidden
    Form->SetDockTop(true);
    EXPECT_EQ(FreeTop(), 38);
    delete Form;
    Form = nullptr;
    EXPECT_EQ(FreeTop(), 0);
}

TEST_F(AppBarWin32, TheFormFollowsWhenTheShellMovesTheBands) {
    HWND other = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"other bar", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
    APPBARDATA abd = Data(other);
    ASSERT_TRUE(SHAppBarMessage(ABM_NEW, &abd));
    abd.rc = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), 30};
    SHAppBarMessage(ABM_QUERYPOS, &abd);
    SHAppBarMessage(ABM_SETPOS, &abd);
    Form->SetDockTop(true);
    Form->Show();
    EXPECT_EQ(BarRect().top, 30);  // below the bar that was there first
    EXPECT_EQ(BarRect().bottom, 68);
    // That bar goes: the shell tells ours, which moves up into the space.
    SHAppBarMessage(ABM_REMOVE, &abd);
    DestroyWindow(other);
    EXPECT_TRUE(Pump([&] { return BarRect().top == 0; }, 3000)) << BarRect().top;
    EXPECT_EQ(BarRect().bottom, 38);
    EXPECT_EQ(Form->Top(), 0);
}

}  // namespace
