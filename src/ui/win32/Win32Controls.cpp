// Each kind of native control: its window class and styles, how the framework's changes reach
// it, and which of its notifications the framework hears.
#include <algorithm>

#include "ui/ComCtrls.h"
#include "ui/win32/Win32BackendImpl.h"
#include "ui/win32/Win32NativeClass.h"

namespace ui::win32 {

bool TNativeClass::VisibleOnCreate(TWinControl& c) const { return NativeVisible(c); }

void TNativeClass::ShowText(TWinControl& c, HWND h) const {
    if (WindowText(h) != c.Text()) SetWindowTextW(h, W(c.Text()).c_str());
}

void TNativeClass::ShowVisible(TWinControl& c, HWND h) const { ShowWindow(h, NativeVisible(c) ? SW_SHOWNA : SW_HIDE); }

namespace {

void SetCheck(TWinControl& c, HWND h) {
    SendMessageW(h, BM_SETCHECK, static_cast<TCustomCheckBox&>(c).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
}

// A top-level form: the framework paints it and hears its frame's messages.
class TFormClass : public TNativeClass {
public:
    const wchar_t* ClassName() const override { return kFormClass; }
    void Styles(TWin32Backend& b, TWinControl& c, DWORD& style, DWORD& ex) const override {
        b.FormStyle(static_cast<TCustomForm&>(c), style, ex);
    }
    // Owned by the backend's hidden window, so the forms stay off the taskbar.
    HWND ParentWindow(TWin32Backend& b, HWND) const override { return b.FOwnerWindow; }
    bool HasChildId() const override { return false; }
    bool Subclassed() const override { return false; }
    bool VisibleOnCreate(TWinControl&) const override { return false; }
    void ShowVisible(TWinControl& c, HWND h) const override {
        ShowWindow(h, !c.Visible()                                   ? SW_HIDE
                      : static_cast<TCustomForm&>(c).ActivateOnShow() ? SW_SHOW
                                                                      : SW_SHOWNOACTIVATE);
    }
    void ShowStyle(TWin32Backend& b, TWinControl& c, HWND h) const override {
        DWORD s, ex;
        b.FormStyle(static_cast<TCustomForm&>(c), s, ex);
        if (c.Visible()) s |= WS_VISIBLE;
        SetWindowLongPtrW(h, GWL_STYLE, static_cast<LONG_PTR>(s));
        SetWindowLongPtrW(h, GWL_EXSTYLE, static_cast<LONG_PTR>(ex));
        ::SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
    }
    // The form's own messages, after those of every painted window: add a case here for
    // another message a top-level window hears.
    bool Message(TWin32Backend& b, TWinControl& c, HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT& r) const override {
        auto& f = static_cast<TCustomForm&>(c);
        switch (msg) {
            case WM_CLOSE:
                f.NotifyCloseRequest();
                r = 0;
                return true;
            case WM_ACTIVATE: f.NotifyActivate(LOWORD(w) != WA_INACTIVE); return false;
            case WM_WINDOWPOSCHANGED: PositionChanged(b, f, h, reinterpret_cast<const WINDOWPOS*>(l)); return false;
            case WM_DISPLAYCHANGE: b.DisplayChanged(); return false;
            case WM_DPICHANGED: {
                // The system suggests where the window goes at the new DPI; the form's 96-DPI
                // bounds follow through WM_WINDOWPOSCHANGED.
                b.ApplyDpi(h, HIWORD(w));
                auto* to = reinterpret_cast<const RECT*>(l);
                ::SetWindowPos(h, nullptr, to->left, to->top, to->right - to->left, to->bottom - to->top,
                               SWP_NOZORDER | SWP_NOACTIVATE);
                r = 0;
                return true;
            }
            default: return false;
        }
    }

private:
    // The user or the system moved the window: the form's bounds follow.
    static void PositionChanged(TWin32Backend& b, TCustomForm& f, HWND h, const WINDOWPOS* wp) {
        if ((wp->flags & SWP_NOSIZE) && (wp->flags & SWP_NOMOVE)) return;
        RECT d;
        GetWindowRect(h, &d);
        TRect r = b.ScaleOf(h).Log(d);
        if (r == f.BoundsRect()) return;
        b.FSyncingBounds = true;
        Notify(&f, [&] { f.SetBounds(r.Left, r.Top, r.Width(), r.Height()); });
        b.FSyncingBounds = false;
    }
};

// A windowed container the framework paints (tab sheets and the like).
class THostClass : public TNativeClass {
public:
    const wchar_t* ClassName() const override { return kHostClass; }
    void Styles(TWin32Backend&, TWinControl&, DWORD& style, DWORD& ex) const override {
        style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
        ex |= WS_EX_CONTROLPARENT;
    }
    bool CreatesWithText() const override { return false; }
    void ShowText(TWinControl&, HWND) const override {}
    bool Subclassed() const override { return false; }
};

// A system control that tells the framework when it gains or loses the focus.
class TFocusReporting : public TNativeClass {
public:
    bool Message(TWin32Backend&, TWinControl& c, HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT& r) const override {
        if (msg != WM_SETFOCUS && msg != WM_KILLFOCUS) return false;
        r = DefSubclassProc(h, msg, w, l);
        Notify(&c, [&] { c.NotifyFocusChanged(msg == WM_SETFOCUS); });
        return true;
    }
};

class TEditClass : public TFocusReporting {
public:
    const wchar_t* ClassName() const override { return L"EDIT"; }
    void Styles(TWin32Backend&, TWinControl& c, DWORD& style, DWORD& ex) const override {
        auto& e = static_cast<TCustomEdit&>(c);
        style |= ES_AUTOHSCROLL;
        if (e.PasswordChar()) style |= ES_PASSWORD;
        if (e.ReadOnly()) style |= ES_READONLY;
        ex |= WS_EX_CLIENTEDGE;
    }
    void Created(TWin32Backend&, TWinControl& c, HWND h) const override {
        auto& e = static_cast<TCustomEdit&>(c);
        if (e.PasswordChar()) SendMessageW(h, EM_SETPASSWORDCHAR, static_cast<unsigned char>(e.PasswordChar()), 0);
        if (e.MaxLength()) SendMessageW(h, EM_LIMITTEXT, static_cast<WPARAM>(e.MaxLength()), 0);
    }
    void ShowStyle(TWin32Backend&, TWinControl& c, HWND h) const override {
        auto& e = static_cast<TCustomEdit&>(c);
        SendMessageW(h, EM_SETPASSWORDCHAR, static_cast<unsigned char>(e.PasswordChar()), 0);
        SendMessageW(h, EM_SETREADONLY, e.ReadOnly(), 0);
        SendMessageW(h, EM_LIMITTEXT, static_cast<WPARAM>(e.MaxLength()), 0);
        ::InvalidateRect(h, nullptr, TRUE);
    }
    bool Reflect(TWinControl& c, HWND h, UINT code, const NMHDR* hdr, LRESULT&) const override {
        if (hdr || code != EN_CHANGE) return false;
        std::string t = WindowText(h);
        Notify(&c, [&] { static_cast<TCustomEdit&>(c).NotifyUserText(t); });
        return true;
    }
};

// The combo box reports focus through its notifications, not through its own window.
class TComboBoxClass : public TNativeClass {
public:
    const wchar_t* ClassName() const override { return L"COMBOBOX"; }
    void Styles(TWin32Backend&, TWinControl& c, DWORD& style, DWORD&) const override {
        auto& cb = static_cast<TCustomComboBox&>(c);
        style |= WS_VSCROLL | CBS_AUTOHSCROLL |
                 (cb.Style() == csDropDownList ? CBS_DROPDOWNLIST : cb.Style() == csSimple ? CBS_SIMPLE : CBS_DROPDOWN);
    }
    bool CreatesWithText() const override { return false; }
    int WindowHeight(TWinControl& c, int height) const override {
        return height + std::max(1, static_cast<TCustomComboBox&>(c).DropDownCount()) * 16;
    }
    void Created(TWin32Backend& b, TWinControl& c, HWND) const override {
        b.FCombos.insert(static_cast<TCustomComboBox*>(&c));
    }
    void Destroyed(TWin32Backend& b, TWinControl& c) const override { b.FCombos.erase(static_cast<TCustomComboBox*>(&c)); }
    void ShowState(TWinControl& c, HWND h) const override {
        auto& cb = static_cast<TCustomComboBox&>(c);
        if (!SameItems(h, cb.NativeItems())) {
            SendMessageW(h, CB_RESETCONTENT, 0, 0);
            for (const std::string& s : cb.NativeItems())
                SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(s).c_str()));
        }
        if (SendMessageW(h, CB_GETCURSEL, 0, 0) != cb.ItemIndex())
            SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(cb.ItemIndex()), 0);
        ShowText(c, h);
    }
    bool Reflect(TWinControl& c, HWND h, UINT code, const NMHDR* hdr, LRESULT&) const override {
        if (hdr) return false;
        auto& cb = static_cast<TCustomComboBox&>(c);
        Notify(&c, [&] {
            switch (code) {
                case CBN_EDITCHANGE: cb.NotifyUserText(WindowText(h)); break;
                case CBN_SELCHANGE: cb.NotifyUserSelect(static_cast<int>(SendMessageW(h, CB_GETCURSEL, 0, 0))); break;
                case CBN_SETFOCUS: cb.NotifyFocusChanged(true); break;
                case CBN_KILLFOCUS: cb.NotifyFocusChanged(false); break;
                case CBN_DROPDOWN: cb.SyncItems(); break;
                default: break;
            }
        });
        return true;
    }

private:
    static bool SameItems(HWND h, const std::vector<std::string>& items) {
        int n = static_cast<int>(SendMessageW(h, CB_GETCOUNT, 0, 0));
        if (n != static_cast<int>(items.size())) return false;
        for (int i = 0; i < n; ++i) {
            int len = static_cast<int>(SendMessageW(h, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0));
            std::wstring buf(static_cast<std::size_t>(std::max(len, 0)) + 1, L'\0');
            SendMessageW(h, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buf.data()));
            if (U(buf.data(), static_cast<std::size_t>(std::max(len, 0))) != items[static_cast<std::size_t>(i)]) return false;
        }
        return true;
    }
};

// Buttons and check boxes report their clicks.
class TClickReporting : public TFocusReporting {
public:
    const wchar_t* ClassName() const override { return L"BUTTON"; }
    bool Reflect(TWinControl& c, HWND, UINT code, const NMHDR* hdr, LRESULT&) const override {
        // A notification (a themed button's custom draw) is not a command: BN_CLICKED is 0.
        if (hdr || code != BN_CLICKED) return false;
        Notify(&c, [&] { c.NotifyNativeCommand(BN_CLICKED); });
        return true;
    }
};

class TCheckBoxClass : public TClickReporting {
public:
    void Styles(TWin32Backend&, TWinControl&, DWORD& style, DWORD&) const override { style |= BS_CHECKBOX; }
    void Created(TWin32Backend&, TWinControl& c, HWND h) const override { SetCheck(c, h); }
    void ShowState(TWinControl& c, HWND h) const override { SetCheck(c, h); }
};

class TButtonClass : public TClickReporting {
public:
    void Styles(TWin32Backend&, TWinControl& c, DWORD& style, DWORD&) const override { style |= Kind(c); }
    void ShowStyle(TWin32Backend&, TWinControl& c, HWND h) const override { SendMessageW(h, BM_SETSTYLE, Kind(c), TRUE); }

private:
    static DWORD Kind(TWinControl& c) { return static_cast<TButton&>(c).Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON; }
};

class TUpDownClass : public TFocusReporting {
public:
    const wchar_t* ClassName() const override { return UPDOWN_CLASSW; }
    void Styles(TWin32Backend&, TWinControl&, DWORD& style, DWORD&) const override { style |= UDS_ARROWKEYS; }
    bool CreatesWithText() const override { return false; }
    void ShowText(TWinControl&, HWND) const override {}
    void Created(TWin32Backend&, TWinControl&, HWND h) const override {
        // The framework keeps the position; the native arrows only report their presses.
        SendMessageW(h, UDM_SETRANGE32, 0, 100);
        SendMessageW(h, UDM_SETPOS32, 0, 50);
    }
    bool Reflect(TWinControl& c, HWND, UINT, const NMHDR* hdr, LRESULT& result) const override {
        if (!hdr || hdr->code != static_cast<UINT>(UDN_DELTAPOS)) return false;
        int delta = reinterpret_cast<const NMUPDOWN*>(hdr)->iDelta;
        Notify(&c, [&] { static_cast<TCustomUpDown&>(c).NotifyArrow(delta > 0 ? btNext : btPrev); });
        result = 1;  // the native position stays where it is
        return true;
    }
};

class TPageControlClass : public TFocusReporting {
public:
    const wchar_t* ClassName() const override { return WC_TABCONTROLW; }
    void Styles(TWin32Backend&, TWinControl&, DWORD& style, DWORD&) const override { style |= WS_CLIPCHILDREN; }
    bool CreatesWithText() const override { return false; }
    void ShowText(TWinControl&, HWND) const override {}
    void ShowState(TWinControl& c, HWND h) const override {
        auto& pc = static_cast<TPageControl&>(c);
        SendMessageW(h, TCM_DELETEALLITEMS, 0, 0);
        std::vector<TTabSheet*> tabs = pc.VisibleTabs();
        int active = -1;
        for (std::size_t i = 0; i < tabs.size(); ++i) {
            std::wstring t = W(tabs[i]->Caption());
            TCITEMW item{};
            item.mask = TCIF_TEXT;
            item.pszText = t.data();
            SendMessageW(h, TCM_INSERTITEMW, i, reinterpret_cast<LPARAM>(&item));
            if (tabs[i] == pc.ActivePage()) active = static_cast<int>(i);
        }
        SendMessageW(h, TCM_SETCURSEL, static_cast<WPARAM>(active), 0);
    }
    // The tab control is the parent of the sheets' windows and hears their notifications.
    bool Message(TWin32Backend& b, TWinControl& c, HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT& r) const override {
        if (TFocusReporting::Message(b, c, h, msg, w, l, r)) return true;
        bool forwarded = msg == WM_COMMAND || msg == WM_NOTIFY || msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN ||
                         msg == WM_CTLCOLOREDIT;
        return forwarded && b.HostMessage(&c, h, msg, w, l, r);
    }
    bool Reflect(TWinControl& c, HWND h, UINT, const NMHDR* hdr, LRESULT&) const override {
        if (!hdr || hdr->code != static_cast<UINT>(TCN_SELCHANGE)) return false;
        int sel = static_cast<int>(SendMessageW(h, TCM_GETCURSEL, 0, 0));
        Notify(&c, [&] { static_cast<TPageControl&>(c).NotifyUserTab(sel); });
        return true;
    }
};

}  // namespace

const TNativeClass& NativeClass(TNativeKind kind) {
    static const TFormClass form;
    static const THostClass host;
    static const TEditClass edit;
    static const TComboBoxClass combo;
    static const TCheckBoxClass check;
    static const TButtonClass button;
    static const TUpDownClass upDown;
    static const TPageControlClass pages;
    // In the order of TNativeKind; a windowless control (None) never reaches the backend.
    static const TNativeClass* const classes[] = {&host, &form, &host, &edit, &combo, &check, &button, &upDown, &pages};
    return *classes[static_cast<std::size_t>(kind)];
}

}  // namespace ui::win32
