// Accelerators that TqxHotkey gives, pressed as real Alt+letter keystrokes on a real dialog:
// each moves the focus to the right control or runs the right button, once.
#include <windows.h>

#include <gtest/gtest.h>

#include "localisation/qxHotkey.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/StdCtrls.h"
#include "ui/UiWin32Driver.h"
#include "ui/win32/Win32Backend.h"

namespace {

class Win32AcceleratorTest : public ::testing::Test {
protected:
    void SetUp() override { ui::StartUp(ui::win32::CreateBackend()); }
    void TearDown() override { ui::ShutDown(); }
    uitest::TWin32Driver D;
};

// Alt+key as the keyboard sends it. Returns false when the system refused the input.
bool SendAltKey(char letter) {
    INPUT in[4] = {};
    for (INPUT& i : in) i.type = INPUT_KEYBOARD;
    in[0].ki.wVk = VK_MENU;
    in[1].ki.wVk = static_cast<WORD>(letter);
    in[2].ki.wVk = static_cast<WORD>(letter);
    in[2].ki.dwFlags = KEYEVENTF_KEYUP;
    in[3].ki.wVk = VK_MENU;
    in[3].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(4, in, sizeof(INPUT)) == 4;
}

// The same keystroke as messages to the focused window, through the program's message loop.
void PostAltKey(char letter) {
    HWND target = GetFocus();
    const LPARAM altDown = 1 | (1 << 29);
    PostMessageW(target, WM_SYSKEYDOWN, static_cast<WPARAM>(letter), altDown);
    PostMessageW(target, WM_SYSCHAR, static_cast<WPARAM>(letter - 'A' + 'a'), altDown);
    PostMessageW(target, WM_SYSKEYUP, static_cast<WPARAM>(letter), altDown | (3u << 30));
}

}  // namespace

TEST_F(Win32AcceleratorTest, AltLetterFocusesTheRightControlOnce) {
    auto* form = new TForm(nullptr);
    form->SetBorderStyle(bsDialog);
    form->SetCaption("Setup");
    form->SetBounds(120, 120, 360, 220);
    auto add = [&](auto* c, const char* name, const char* caption, int top) {
        c->SetName(name);
        c->SetParent(form);
        c->SetBounds(10, top, 150, 22);
        if (caption) c->SetCaption(caption);
        return c;
    };
    auto* nameLabel = add(new TLabel(form), "NameLabel", "Name", 10);
    auto* nameEdit = add(new TEdit(form), "NameEdit", nullptr, 30);
    auto* serverLabel = add(new TLabel(form), "ServerLabel", "Server", 60);
    auto* serverEdit = add(new TEdit(form), "ServerEdit", nullptr, 80);
    auto* panel = add(new TPanel(form), "Panel", "", 110);
    panel->SetHeight(30);
    auto* stay = new TCheckBox(form);
    stay->SetName("StayCheck");
    stay->SetParent(panel);
    stay->SetBounds(5, 5, 140, 20);
    stay->SetCaption("Stay on top");
    auto* ok = add(new TButton(form), "OkButton", "OK", 150);
    auto* cancel = add(new TButton(form), "CancelButton", "Cancel", 150);
    cancel->SetLeft(180);
    nameLabel->SetFocusControl(nameEdit);
    serverLabel->SetFocusControl(serverEdit);
    int okClicks = 0, cancelClicks = 0, stayClicks = 0;
    ok->OnClick = [&](TObject*) { ++okClicks; };
    cancel->OnClick = [&](TObject*) { ++cancelClicks; };
    stay->OnClick = [&](TObject*) { ++stayClicks; };
    auto* hotkey = new TqxHotkey(form);
    hotkey->Generate();
    EXPECT_EQ(nameLabel->Caption(), "&Name");
    EXPECT_EQ(serverLabel->Caption(), "&Server");
    EXPECT_EQ(stay->Caption(), "S&tay on top");
    EXPECT_EQ(ok->Caption(), "&OK");
    EXPECT_EQ(cancel->Caption(), "&Cancel");

    form->Show();
    HWND top = reinterpret_cast<HWND>(form->Handle());
    SetForegroundWindow(top);
    D.Wait(200);
    ok->SetFocus();
    D.Wait(50);

    // Real keystrokes first; where the display does not take them, the same messages posted.
    bool realInput = SendAltKey('S') && D.WaitFor([&] { return serverEdit->Focused(); }, 1500);
    if (!realInput) {
        PostAltKey('S');
        ASSERT_TRUE(D.WaitFor([&] { return serverEdit->Focused(); }, 1500));
    }
    std::printf("[ info ] accelerators pressed as %s\n", realInput ? "keyboard input" : "posted messages");
    auto press = [&](char letter) {
        if (realInput)
            SendAltKey(letter);
        else
            PostAltKey(letter);
        D.Wait(300);
    };
    press('N');
    EXPECT_TRUE(nameEdit->Focused());
    press('T');
    EXPECT_TRUE(stay->Checked());
    EXPECT_EQ(stayClicks, 1);
    EXPECT_TRUE(stay->Focused());
    press('C');
    EXPECT_EQ(cancelClicks, 1);
    EXPECT_EQ(okClicks, 0);
    press('O');
    EXPECT_EQ(okClicks, 1);
    EXPECT_EQ(cancelClicks, 1);
    delete form;
}
