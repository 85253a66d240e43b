// The real popup menu: shown with its automatic accelerators, a key chooses an item, and
// Popup returns after the item's command has run; timers go on firing meanwhile.
#include <windows.h>

#include <gtest/gtest.h>

#include "ui/ActnList.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/win32/Win32Backend.h"

namespace {

class Win32MenuTest : public ::testing::Test {
protected:
    void SetUp() override { ui::StartUp(ui::win32::CreateBackend()); }
    void TearDown() override { ui::ShutDown(); }
};

}  // namespace

TEST_F(Win32MenuTest, AcceleratorKeyChoosesTheItemAndPopupReturnsAfterItsCommand) {
    auto* form = new TForm(nullptr);
    form->SetBounds(100, 100, 300, 200);
    form->Show();
    auto* menu = new TPopupMenu(form);
    std::vector<std::string> ran;
    for (const char* c : {"Show", "Hide", "-", "Quit"}) {
        auto* action = new TAction(form);
        action->SetCaption(c);
        action->OnExecute = [&ran, c](TObject*) { ran.push_back(c); };
        auto* item = new TMenuItem(form);
        if (std::string(c) == "-")
            item->SetCaption("-");
        else
            item->SetAction(action);
        menu->Items()->Add(item);
    }
    int ticks = 0;
    bool sent = false;
    auto* timer = new TTimer(form);
    timer->SetInterval(100);
    timer->OnTimer = [&](TObject*) {
        ++ticks;
        HWND m = FindWindowW(L"#32768", nullptr);
        if (m && !sent && ticks >= 3) {
            sent = true;
            PostMessageW(m, WM_KEYDOWN, 'Q', 0);
            PostMessageW(m, WM_CHAR, 'q', 0);
        }
        if (ticks > 60) {  // bounded: close the menu if the key did not
            if (HWND x = FindWindowW(L"#32768", nullptr)) PostMessageW(x, WM_KEYDOWN, VK_ESCAPE, 0);
            EndMenu();
        }
    };
    SetForegroundWindow(reinterpret_cast<HWND>(form->Handle()));
    menu->Popup(150, 150);
    EXPECT_TRUE(sent);
    EXPECT_GE(ticks, 3);
    EXPECT_EQ(ran, (std::vector<std::string>{"Quit"}));
    EXPECT_EQ(menu->Items()->Items(3)->Caption(), "&Quit");
    EXPECT_EQ(menu->Items()->Items(0)->Caption(), "&Show");
    delete form;
}
