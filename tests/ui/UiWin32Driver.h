#pragma once
// Drives the Win32 backend with real windows and messages: clicks are mouse or button
// messages to the native windows, typing sets an edit's text (as the user's typing does,
// with the change notification), and message boxes are answered by a hook.
#include <windows.h>
#include <commctrl.h>

#include "core/Text.h"
#include "ui/UiTestDriver.h"

namespace uitest {

class TWin32Driver : public TDriver {
public:
    TWin32Driver() { gAnswered = 0; }
    ~TWin32Driver() override {
        if (gHook) UnhookWindowsHookEx(gHook);
        gHook = nullptr;
    }
    std::string Name() const override { return "win32"; }
    bool VirtualClock() const override { return false; }
    void Wait(int ms) override {
        WaitFor([] { return false; }, ms);
    }
    bool WaitFor(const std::function<bool()>& done, int maxMs) override {
        DWORD start = GetTickCount();
        while (true) {
            Application->ProcessMessages();
            if (done()) return true;
            DWORD spent = GetTickCount() - start;
            if (spent >= static_cast<DWORD>(maxMs)) return done();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, std::min<DWORD>(20, maxMs - spent), QS_ALLINPUT);
        }
    }
    static HWND Hwnd(TWinControl& c) { return reinterpret_cast<HWND>(c.Handle()); }
    void Click(TControl& control) override {
        auto* w = dynamic_cast<TWinControl*>(&control);
        if (w && w->IsNative()) {
            switch (w->NativeKind()) {
                case TNativeKind::Button:
                case TNativeKind::CheckBox: SendMessageW(Hwnd(*w), BM_CLICK, 0, 0); return;
                case TNativeKind::Edit:
                case TNativeKind::ComboBox: Focus(*w); return;
                case TNativeKind::Form:
                case TNativeKind::Host: {
                    LPARAM p = MAKELPARAM(w->ClientWidth() / 2, w->ClientHeight() / 2);
                    SendMessageW(Hwnd(*w), WM_LBUTTONDOWN, MK_LBUTTON, p);
                    SendMessageW(Hwnd(*w), WM_LBUTTONUP, 0, p);
                    return;
                }
                default: return;
            }
        }
        TWinControl* host = control.NativeHost();
        TRect r = control.BoundsInHost();
        LPARAM p = MAKELPARAM(r.Left + r.Width() / 2, r.Top + r.Height() / 2);
        SendMessageW(Hwnd(*host), WM_LBUTTONDOWN, MK_LBUTTON, p);
        SendMessageW(Hwnd(*host), WM_LBUTTONUP, 0, p);
    }
    void TypeText(TWinControl& c, const std::string& t) override {
        Focus(c);
        std::u16string u = text::Utf8ToUtf16(t);
        std::wstring w(u.begin(), u.end());
        HWND target = Hwnd(c);
        if (c.NativeKind() == TNativeKind::ComboBox) {
            // Keystrokes into the combo box's edit field: select all, type over it.
            COMBOBOXINFO info{};
            info.cbSize = sizeof info;
            GetComboBoxInfo(target, &info);
            SendMessageW(info.hwndItem, EM_SETSEL, 0, -1);
            for (wchar_t ch : w) SendMessageW(info.hwndItem, WM_CHAR, ch, 1);
            return;
        }
        SetWindowTextW(target, w.c_str());
    }
    void Focus(TWinControl& c) override { SetFocus(Hwnd(c)); }
    void SelectItem(TCustomComboBox& c, int index) override {
        Focus(c);
        c.SyncItems();
        HWND h = Hwnd(c);
        SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageW(GetParent(h), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(h), CBN_SELCHANGE), reinterpret_cast<LPARAM>(h));
    }
    void PressArrow(TCustomUpDown& u, bool up) override {
        HWND h = Hwnd(u);
        RECT r;
        GetClientRect(h, &r);
        LPARAM p = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
        SendMessageW(h, WM_LBUTTONDOWN, MK_LBUTTON, p);
        SendMessageW(h, WM_LBUTTONUP, 0, p);
    }
    void AnswerMessageBox(int answer) override {
        gAnswer = answer;
        if (!gHook) gHook = SetWindowsHookExW(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
    }
    int MessageBoxCount() const override { return gAnswered; }

private:
    static LRESULT CALLBACK CbtProc(int code, WPARAM w, LPARAM l) {
        if (code == HCBT_ACTIVATE) {
            wchar_t cls[32] = {};
            GetClassNameW(reinterpret_cast<HWND>(w), cls, 32);
            if (std::wstring(cls) == L"#32770") {
                ++gAnswered;
                PostMessageW(reinterpret_cast<HWND>(w), WM_COMMAND, static_cast<WPARAM>(gAnswer), 0);
            }
        }
        return CallNextHookEx(gHook, code, w, l);
    }
    static inline HHOOK gHook = nullptr;
    static inline int gAnswer = IDOK;
    static inline int gAnswered = 0;
};

}  // namespace uitest
