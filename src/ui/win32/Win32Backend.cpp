#include "ui/win32/Win32Backend.h"

#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
#include <shellapi.h>

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "core/Text.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace ui::win32 {
namespace {

std::wstring W(const std::string& s) {
    std::u16string u = text::Utf8ToUtf16(s);
    return std::wstring(u.begin(), u.end());
}

std::string U(const wchar_t* s, std::size_t n) {
    return text::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(s), n));
}

std::string WindowText(HWND h) {
    int n = GetWindowTextLengthW(h);
    std::wstring buf(static_cast<std::size_t>(n) + 1, L'\0');
    int got = GetWindowTextW(h, buf.data(), n + 1);
    return U(buf.data(), static_cast<std::size_t>(got < 0 ? 0 : got));
}

HWND H(THandle h) { return reinterpret_cast<HWND>(h); }
THandle T(HWND h) { return reinterpret_cast<THandle>(h); }

const wchar_t* const kFormClass = L"SkimbarForm";
const wchar_t* const kHostClass = L"SkimbarHost";
const wchar_t* const kUtilClass = L"SkimbarUtil";
// Posted to the utility window when another thread queued work for the application.
constexpr UINT kWakeMsg = WM_APP + 0x3F;
constexpr UINT_PTR kSubclassId = 1;

class TWin32Backend;
TWin32Backend* gSelf = nullptr;

// Runs f; an exception goes to the application's exception handling instead of unwinding
// into the system's frames.
template <class F>
LRESULT Guard(TObject* sender, F&& f) {
    try {
        return f();
    } catch (...) {
        try {
            if (Application) Application->HandleException(sender);
        } catch (...) {
        }
        return 0;
    }
}

LPCWSTR CursorId(TCursor c) {
    switch (c) {
        case crHandPoint: return IDC_HAND;
        case crHourGlass: return IDC_WAIT;
        case crIBeam: return IDC_IBEAM;
        case crCross: return IDC_CROSS;
        case crSizeAll: return IDC_SIZEALL;
        case crSizeNESW: return IDC_SIZENESW;
        case crSizeNS: return IDC_SIZENS;
        case crSizeNWSE: return IDC_SIZENWSE;
        case crSizeWE: return IDC_SIZEWE;
        case crUpArrow: return IDC_UPARROW;
        case crNo: return IDC_NO;
        case crAppStart: return IDC_APPSTARTING;
        case crHelp: return IDC_HELP;
        default: return IDC_ARROW;
    }
}

struct TGdiCanvas : TCanvas {
    HDC Dc;
    TWin32Backend& Backend;
    TGdiCanvas(HDC dc, TWin32Backend& b) : Dc(dc), Backend(b) {}
    void DoFillRect(const TRect& r, TColor color) override;
    void DoTextAt(int x, int y, const std::string& text, const TFont& font, bool prefix,
                   const TRect& clip) override;
    void DoDraw(int x, int y, const TImageData& image, const TRect& clip) override;
};

class TWin32Backend : public TBackend {
public:
    TWin32Backend();
    ~TWin32Backend() override;
    const char* Name() const override { return "win32"; }

    HFONT Font(const TFont& f) {
        auto key = std::make_tuple(f.Name(), f.Height(), f.Style() | (unsigned(f.Pitch()) << 8));
        auto it = FFonts.find(key);
        if (it != FFonts.end()) return it->second;
        // The pitch and family steer the font mapper when the named font is missing.
        BYTE pitch = f.Pitch() == fpFixed      ? FIXED_PITCH | FF_MODERN
                     : f.Pitch() == fpVariable ? VARIABLE_PITCH | FF_DONTCARE
                                               : DEFAULT_PITCH | FF_DONTCARE;
        HFONT h = CreateFontW(f.Height(), 0, 0, 0, (f.Style() & fsBold) ? FW_BOLD : FW_NORMAL,
                              (f.Style() & fsItalic) != 0, (f.Style() & fsUnderline) != 0,
                              (f.Style() & fsStrikeOut) != 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                              CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitch, W(f.Name()).c_str());
        FFonts[key] = h;
        return h;
    }
    HBRUSH Brush(TColor c) {
        COLORREF rgb = static_cast<COLORREF>(ColorToRGB(c));
        auto it = FBrushes.find(rgb);
        if (it != FBrushes.end()) return it->second;
        HBRUSH b = CreateSolidBrush(rgb);
        FBrushes[rgb] = b;
        return b;
    }
    TWinControl* Find(HWND h) {
        auto it = FControls.find(h);
        return it == FControls.end() ? nullptr : it->second;
    }

    // ---- TBackend ----
    THandle CreateNative(TWinControl& control) override;
    void DestroyNative(TWinControl& control) override;
    void UpdateWindow(TWinControl& control, TUpdate what) override;
    TWinControl* ControlOf(THandle window) override { return Find(H(window)); }
    void InvalidateRect(TWinControl& host, const TRect& r) override {
        RECT rc{r.Left, r.Top, r.Right, r.Bottom};
        ::InvalidateRect(H(host.RawHandle()), &rc, FALSE);
    }
    void ScrollRect(TWinControl& host, const TRect& r, int dx) override;
    void SetFocus(TWinControl& control) override { ::SetFocus(H(control.RawHandle())); }
    TWinControl* FocusedControl() override {
        for (HWND h = GetFocus(); h; h = GetParent(h))
            if (TWinControl* c = Find(h)) return c;
        return nullptr;
    }
    void SetWindowPos(TWinControl& form, std::intptr_t insertAfter, unsigned flags) override {
        ::SetWindowPos(H(form.RawHandle()), reinterpret_cast<HWND>(insertAfter), 0, 0, 0, 0, flags);
    }
    void BringToFront(TWinControl& form) override {
        auto* f = dynamic_cast<TCustomForm*>(&form);
        UINT activate = (f && !f->ActivateOnShow()) ? SWP_NOACTIVATE : 0;
        ::SetWindowPos(H(form.RawHandle()), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | activate);
    }
    bool IsMinimized(TWinControl& form) override { return IsIconic(H(form.RawHandle())) != 0; }
    void Minimize(TWinControl& form) override { ShowWindow(H(form.RawHandle()), SW_MINIMIZE); }
    void Restore(TWinControl& form) override {
        if (IsIconic(H(form.RawHandle()))) ShowWindow(H(form.RawHandle()), SW_RESTORE);
    }
    void SetForegroundWindow(THandle window) override { ::SetForegroundWindow(H(window)); }
    void EnableWindow(TWinControl& form, bool enable) override { ::EnableWindow(H(form.RawHandle()), enable); }
    TRect FrameInsets(const TCustomForm& form) override {
        DWORD style, ex;
        FormStyle(form, style, ex);
        RECT r{0, 0, 0, 0};
        AdjustWindowRectEx(&r, style, FALSE, ex);
        return {-r.left, -r.top, r.right, r.bottom};
    }
    TPoint ClientToScreen(TWinControl& native, TPoint p) override {
        POINT pt{p.X, p.Y};
        ::ClientToScreen(H(native.RawHandle()), &pt);
        return {pt.x, pt.y};
    }
    TRect PageDisplayRect(TWinControl& pc) override {
        RECT r{0, 0, pc.Width(), pc.Height()};
        if (pc.RawHandle()) {
            GetClientRect(H(pc.RawHandle()), &r);
            TabCtrl_AdjustRect(H(pc.RawHandle()), FALSE, &r);
        } else {
            r = {4, 24, pc.Width() - 4, pc.Height() - 4};
        }
        return {r.left, r.top, std::max(r.left, r.right), std::max(r.top, r.bottom)};
    }
    std::intptr_t SendMsg(THandle window, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override {
        return SendMessageW(H(window), msg, wParam, lParam);
    }
    bool PostMsg(THandle window, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override {
        return PostMessageW(H(window), msg, wParam, lParam) != 0;
    }
    unsigned RegisterMsg(const std::string& name) override {
        return RegisterWindowMessageW(W(name).c_str());
    }
    void BroadcastMsg(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override {
        PostMessageW(HWND_BROADCAST, msg, wParam, lParam);
    }
    THandle AllocateHWnd(std::function<void(TMessage&)> proc) override {
        HWND h = CreateWindowExW(WS_EX_TOOLWINDOW, kUtilClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
        FHidden[h] = std::move(proc);
        return T(h);
    }
    void DeallocateHWnd(THandle window) override {
        FHidden.erase(H(window));
        ::DestroyWindow(H(window));
    }
    std::intptr_t DefWndProc(THandle window, const TMessage& m) override {
        return DefWindowProcW(H(window), m.Msg, m.WParam, m.LParam);
    }
    void CallDefault(TWinControl& control, TMessage& m) override {
        HWND h = H(control.RawHandle());
        if (FSubclassed.count(h))
            m.Result = DefSubclassProc(h, m.Msg, m.WParam, m.LParam);
        else
            m.Result = DefWindowProcW(h, m.Msg, m.WParam, m.LParam);
    }
    bool Peek(TMsg& msg) override {
        MSG m;
        if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) return false;
        FLast = m;
        msg = {T(m.hwnd), m.message == WM_QUIT ? WmQuit : m.message, m.wParam, m.lParam};
        return true;
    }
    void WaitMessage() override {
        SyncCombos();
        ::WaitMessage();
    }
    void Dispatch(const TMsg& msg) override;
    void PostQuit() override { PostQuitMessage(0); }
    // Any thread: the utility window's procedure runs the application's queue.
    void WakeUp() override { PostMessageW(FUtil, kWakeMsg, 0, 0); }
    void StartTimer(TTimer& timer, int intervalMs) override {
        StopTimer(timer);
        UINT_PTR id = ++FTimerId;
        FTimers[id] = &timer;
        FTimerIds[&timer] = id;
        SetTimer(FUtil, id, static_cast<UINT>(intervalMs), nullptr);
    }
    void StopTimer(TTimer& timer) override {
        auto it = FTimerIds.find(&timer);
        if (it == FTimerIds.end()) return;
        KillTimer(FUtil, it->second);
        FTimers.erase(it->second);
        FTimerIds.erase(it);
    }
    TSize TextExtent(const TFont& font, const std::string& s, bool prefix) override {
        HGDIOBJ old = SelectObject(FMeasureDc, Font(font));
        std::wstring w = W(s);
        RECT r{0, 0, 0, 0};
        DrawTextW(FMeasureDc, w.c_str(), static_cast<int>(w.size()), &r,
                  DT_CALCRECT | DT_SINGLELINE | (prefix ? 0 : DT_NOPREFIX));
        SelectObject(FMeasureDc, old);
        return {r.right - r.left, r.bottom - r.top};
    }
    TColor ColorToRGB(TColor c) override {
        if (IsSystemColor(c)) return static_cast<TColor>(GetSysColor(c & 0xFF));
        return c & 0xFFFFFF;
    }
    TRect ScreenRect() override {
        return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    }
    TRect MonitorRect(TWinControl* form) override {
        HMONITOR m = form && form->RawHandle() ? MonitorFromWindow(H(form->RawHandle()), MONITOR_DEFAULTTONEAREST)
                                               : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
        MONITORINFO mi{};
        mi.cbSize = sizeof mi;
        if (!GetMonitorInfoW(m, &mi)) return ScreenRect();
        return {mi.rcMonitor.left, mi.rcMonitor.top, mi.rcMonitor.right, mi.rcMonitor.bottom};
    }
    TPoint CursorPos() override {
        POINT p{0, 0};
        ::GetCursorPos(&p);
        return {p.x, p.y};
    }
    void SetScreenCursor(TCursor cursor) override { ::SetCursor(LoadCursorW(nullptr, CursorId(cursor))); }
    void ShowHintWindow(const std::string& text, TPoint screen) override;
    void HideHintWindow() override {
        if (FTip) SendMessageW(FTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&FTipInfo));
    }
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override {
        return MessageBoxW(ActiveOwner(), W(text).c_str(), W(caption).c_str(), flags);
    }
    bool ExecuteColorDialog(TColor& color) override {
        CHOOSECOLORW cc{};
        cc.lStructSize = sizeof cc;
        cc.hwndOwner = ActiveOwner();
        cc.rgbResult = static_cast<COLORREF>(ColorToRGB(color));
        cc.lpCustColors = FCustomColors;
        cc.Flags = CC_RGBINIT | CC_FULLOPEN;
        if (!ChooseColorW(&cc)) return false;
        color = static_cast<TColor>(cc.rgbResult);
        return true;
    }
    TMenuItem* TrackPopupMenu(TPopupMenu& menu, TPoint screen) override;
    THandle CreateIcon(const TImageData& image) override;
    void DestroyIcon(THandle icon) override { ::DestroyIcon(reinterpret_cast<HICON>(icon)); }
    bool NotifyIcon(TNotifyIconAction action, const TNotifyIconData& data) override;
    // A memory DC holding the picture premultiplied, for AlphaBlend.
    HDC ImageDc(const TImageData& image);

    // ---- window procedures ----
    static LRESULT CALLBACK OwnProc(HWND h, UINT msg, WPARAM w, LPARAM l);
    static LRESULT CALLBACK UtilProc(HWND h, UINT msg, WPARAM w, LPARAM l);
    static LRESULT CALLBACK SubclassProc(HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR);
    LRESULT Common(TWinControl* c, HWND h, UINT msg, WPARAM w, LPARAM l, bool& handled);
    LRESULT HostMessage(TWinControl* c, HWND h, UINT msg, WPARAM w, LPARAM l, bool& handled);
    void Reflect(HWND child, UINT code, bool& handled, LRESULT& result, const NMHDR* hdr);
    void Paint(TWinControl* c, HWND h);
    // Draws the area (client coordinates) of a host into dc through an off-screen buffer.
    void PaintArea(TWinControl* c, HDC dc, const RECT& r);
    void FormStyle(const TCustomForm& f, DWORD& style, DWORD& ex);
    HWND ActiveOwner() {
        HWND a = GetActiveWindow();
        return a && Find(a) ? a : nullptr;
    }
    void SyncCombos() {
        std::vector<TCustomComboBox*> combos(FCombos.begin(), FCombos.end());
        for (TCustomComboBox* c : combos) Guard(c, [&] { c->SyncItems(); return LRESULT(0); });
    }

    std::unordered_map<HWND, TWinControl*> FControls;
    std::set<HWND> FSubclassed;
    std::set<TCustomComboBox*> FCombos;
    std::map<HWND, std::function<void(TMessage&)>> FHidden;
    std::map<UINT_PTR, TTimer*> FTimers;
    std::map<TTimer*, UINT_PTR> FTimerIds;
    UINT_PTR FTimerId = 0;
    std::map<std::tuple<std::string, int, unsigned>, HFONT> FFonts;
    std::map<COLORREF, HBRUSH> FBrushes;
    struct TCachedImage {
        TImageData Image;
        HDC Dc;
        HBITMAP Bitmap;
        HGDIOBJ Old;
    };
    static constexpr std::size_t kImageCacheSize = 16;
    std::vector<TCachedImage> FImages;
    void FreeImage(TCachedImage& c);
    HWND FUtil = nullptr;
    HWND FOwnerWindow = nullptr;
    HDC FMeasureDc = nullptr;
    HWND FTip = nullptr;
    TOOLINFOW FTipInfo{};
    std::wstring FTipText;
    COLORREF FCustomColors[16]{};
    MSG FLast{};
    bool FSyncingBounds = false;
    TWinControl* FCreating = nullptr;
    int FNextId = 100;
};

// ---------------------------------------------------------------------------------------

TWin32Backend::TWin32Backend() {
    gSelf = this;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES | ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = OwnProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(inst, MAKEINTRESOURCEW(1));
    if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.lpszClassName = kFormClass;
    RegisterClassExW(&wc);
    wc.hIcon = nullptr;
    wc.lpszClassName = kHostClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = UtilProc;
    wc.lpszClassName = kUtilClass;
    RegisterClassExW(&wc);
    FUtil = CreateWindowExW(WS_EX_TOOLWINDOW, kUtilClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, inst, nullptr);
    FOwnerWindow = CreateWindowExW(WS_EX_TOOLWINDOW, kUtilClass, L"Skimbar", WS_POPUP, 0, 0, 0, 0, nullptr,
                                   nullptr, inst, nullptr);
    FMeasureDc = CreateCompatibleDC(nullptr);
}

TWin32Backend::~TWin32Backend() {
    for (auto& [id, t] : FTimers) KillTimer(FUtil, id);
    if (FTip) ::DestroyWindow(FTip);
    for (auto& [h, proc] : FHidden) ::DestroyWindow(h);
    ::DestroyWindow(FUtil);
    ::DestroyWindow(FOwnerWindow);
    for (TCachedImage& c : FImages) FreeImage(c);
    DeleteDC(FMeasureDc);
    for (auto& [k, f] : FFonts) DeleteObject(f);
    for (auto& [k, b] : FBrushes) DeleteObject(b);
    if (gSelf == this) gSelf = nullptr;
}

void TWin32Backend::FormStyle(const TCustomForm& f, DWORD& style, DWORD& ex) {
    ex = 0;
    switch (f.BorderStyle()) {
        case bsNone: style = WS_POPUP; break;
        case bsDialog:
            style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
            ex = WS_EX_DLGMODALFRAME;
            break;
        case bsSingle: style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX; break;
        case bsToolWindow:
            style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
            ex = WS_EX_TOOLWINDOW;
            break;
        default: style = WS_OVERLAPPEDWINDOW; break;
    }
    style |= WS_CLIPCHILDREN;
    ex |= WS_EX_CONTROLPARENT;
}

THandle TWin32Backend::CreateNative(TWinControl& c) {
    HINSTANCE inst = GetModuleHandleW(nullptr);
    HWND parent = nullptr;
    if (c.Parent()) parent = H(c.Parent()->NativeHost()->RawHandle());
    TRect b = c.Parent() ? NativeBounds(c) : c.BoundsRect();
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS, ex = 0;
    const wchar_t* cls = kHostClass;
    std::wstring text = W(c.Text());
    int height = b.Height();
    bool subclass = true;
    switch (c.NativeKind()) {
        case TNativeKind::Form: {
            auto& f = static_cast<TCustomForm&>(c);
            FormStyle(f, style, ex);
            cls = kFormClass;
            parent = FOwnerWindow;
            subclass = false;
            break;
        }
        case TNativeKind::Host:
            style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
            ex |= WS_EX_CONTROLPARENT;
            subclass = false;
            text.clear();
            break;
        case TNativeKind::Edit: {
            auto& e = static_cast<TCustomEdit&>(c);
            cls = L"EDIT";
            style |= ES_AUTOHSCROLL;
            if (e.PasswordChar()) style |= ES_PASSWORD;
            if (e.ReadOnly()) style |= ES_READONLY;
            ex |= WS_EX_CLIENTEDGE;
            break;
        }
        case TNativeKind::ComboBox: {
            auto& cb = static_cast<TCustomComboBox&>(c);
            cls = L"COMBOBOX";
            style |= WS_VSCROLL | CBS_AUTOHSCROLL |
                     (cb.Style() == csDropDownList ? CBS_DROPDOWNLIST : cb.Style() == csSimple ? CBS_SIMPLE : CBS_DROPDOWN);
            height = b.Height() + std::max(1, cb.DropDownCount()) * 16;
            text.clear();
            break;
        }
        case TNativeKind::CheckBox: cls = L"BUTTON"; style |= BS_CHECKBOX; break;
        case TNativeKind::Button: {
            auto& bt = static_cast<TButton&>(c);
            cls = L"BUTTON";
            style |= bt.Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            break;
        }
        case TNativeKind::UpDown:
            cls = UPDOWN_CLASSW;
            style |= UDS_ARROWKEYS;
            text.clear();
            break;
        case TNativeKind::PageControl:
            cls = WC_TABCONTROLW;
            style |= WS_CLIPCHILDREN;
            text.clear();
            break;
        case TNativeKind::None: return 0;
    }
    if (c.TabStop()) style |= WS_TABSTOP;
    if (!c.Enabled()) style |= WS_DISABLED;
    if (c.NativeKind() != TNativeKind::Form && NativeVisible(c)) style |= WS_VISIBLE;
    HMENU id = c.NativeKind() == TNativeKind::Form ? nullptr : reinterpret_cast<HMENU>(static_cast<INT_PTR>(FNextId++));
    FCreating = &c;
    HWND h = CreateWindowExW(ex, cls, text.c_str(), style, b.Left, b.Top, b.Width(), height, parent, id, inst, &c);
    FCreating = nullptr;
    if (!h) throw EOSError("Fenster kann nicht erzeugt werden (" + std::to_string(GetLastError()) + ")");
    FControls[h] = &c;
    c.SetRawHandle(T(h));  // messages sent while setting it up reach the native default
    if (subclass) {
        SetWindowSubclass(h, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(&c));
        FSubclassed.insert(h);
    }
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font(c.Font())), FALSE);
    switch (c.NativeKind()) {
        case TNativeKind::Edit: {
            auto& e = static_cast<TCustomEdit&>(c);
            if (e.PasswordChar()) SendMessageW(h, EM_SETPASSWORDCHAR, static_cast<unsigned char>(e.PasswordChar()), 0);
            if (e.MaxLength()) SendMessageW(h, EM_LIMITTEXT, static_cast<WPARAM>(e.MaxLength()), 0);
            break;
        }
        case TNativeKind::ComboBox: FCombos.insert(static_cast<TCustomComboBox*>(&c)); break;
        case TNativeKind::CheckBox:
            SendMessageW(h, BM_SETCHECK, static_cast<TCustomCheckBox&>(c).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case TNativeKind::UpDown:
            // The framework keeps the position; the native arrows only report their presses.
            SendMessageW(h, UDM_SETRANGE32, 0, 100);
            SendMessageW(h, UDM_SETPOS32, 0, 50);
            break;
        default: break;
    }
    return T(h);
}

void TWin32Backend::DestroyNative(TWinControl& control) {
    HWND h = H(control.RawHandle());
    if (h) ::DestroyWindow(h);
}

void TWin32Backend::UpdateWindow(TWinControl& c, TUpdate what) {
    HWND h = H(c.RawHandle());
    if (!h) return;
    switch (what) {
        case TUpdate::Bounds: {
            if (FSyncingBounds) return;
            TRect b = c.Parent() ? NativeBounds(c) : c.BoundsRect();
            int height = b.Height();
            if (c.NativeKind() == TNativeKind::ComboBox)
                height += std::max(1, static_cast<TCustomComboBox&>(c).DropDownCount()) * 16;
            ::SetWindowPos(h, nullptr, b.Left, b.Top, b.Width(), height, SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        }
        case TUpdate::Text:
            if (c.NativeKind() == TNativeKind::Host || c.NativeKind() == TNativeKind::PageControl ||
                c.NativeKind() == TNativeKind::UpDown)
                return;
            if (WindowText(h) != c.Text()) SetWindowTextW(h, W(c.Text()).c_str());
            break;
        case TUpdate::Visible:
            if (c.NativeKind() == TNativeKind::Form)
                ShowWindow(h, !c.Visible()                                          ? SW_HIDE
                              : static_cast<TCustomForm&>(c).ActivateOnShow() ? SW_SHOW
                                                                               : SW_SHOWNOACTIVATE);
            else
                ShowWindow(h, NativeVisible(c) ? SW_SHOWNA : SW_HIDE);
            break;
        case TUpdate::Enabled: ::EnableWindow(h, c.EffectivelyEnabled()); break;
        case TUpdate::Font:
            SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font(c.Font())), TRUE);
            break;
        case TUpdate::Color: ::InvalidateRect(h, nullptr, TRUE); break;
        case TUpdate::State:
            switch (c.NativeKind()) {
                case TNativeKind::CheckBox:
                    SendMessageW(h, BM_SETCHECK, static_cast<TCustomCheckBox&>(c).Checked() ? BST_CHECKED : BST_UNCHECKED, 0);
                    break;
                case TNativeKind::ComboBox: {
                    auto& cb = static_cast<TCustomComboBox&>(c);
                    const auto& items = cb.NativeItems();
                    int n = static_cast<int>(SendMessageW(h, CB_GETCOUNT, 0, 0));
                    bool same = n == static_cast<int>(items.size());
                    for (int i = 0; same && i < n; ++i) {
                        int len = static_cast<int>(SendMessageW(h, CB_GETLBTEXTLEN, i, 0));
                        std::wstring buf(static_cast<std::size_t>(len) + 1, L'\0');
                        SendMessageW(h, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buf.data()));
                        same = U(buf.data(), static_cast<std::size_t>(len)) == items[static_cast<std::size_t>(i)];
                    }
                    if (!same) {
                        SendMessageW(h, CB_RESETCONTENT, 0, 0);
                        for (const std::string& s : items)
                            SendMessageW(h, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(W(s).c_str()));
                    }
                    if (SendMessageW(h, CB_GETCURSEL, 0, 0) != cb.ItemIndex())
                        SendMessageW(h, CB_SETCURSEL, static_cast<WPARAM>(cb.ItemIndex()), 0);
                    if (WindowText(h) != cb.Text()) SetWindowTextW(h, W(cb.Text()).c_str());
                    break;
                }
                case TNativeKind::PageControl: {
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
                    break;
                }
                default: break;
            }
            break;
        case TUpdate::TabOrder: {
            // Native tab order is the window order: walk the tab order through windowless
            // containers and stack the native children in that sequence.
            std::vector<TWinControl*> seq;
            std::function<void(TWinControl*)> walk = [&](TWinControl* p) {
                for (TWinControl* w : p->TabList()) {
                    if (w->IsNative())
                        seq.push_back(w);
                    else
                        walk(w);
                }
            };
            walk(&c);
            HWND after = HWND_TOP;
            for (TWinControl* w : seq) {
                if (!w->RawHandle()) continue;
                ::SetWindowPos(H(w->RawHandle()), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
                after = H(w->RawHandle());
            }
            break;
        }
        case TUpdate::Style: {
            LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
            style = c.TabStop() ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
            SetWindowLongPtrW(h, GWL_STYLE, style);
            if (c.NativeKind() == TNativeKind::Edit) {
                auto& e = static_cast<TCustomEdit&>(c);
                SendMessageW(h, EM_SETPASSWORDCHAR, static_cast<unsigned char>(e.PasswordChar()), 0);
                SendMessageW(h, EM_SETREADONLY, e.ReadOnly(), 0);
                SendMessageW(h, EM_LIMITTEXT, static_cast<WPARAM>(e.MaxLength()), 0);
                ::InvalidateRect(h, nullptr, TRUE);
            } else if (c.NativeKind() == TNativeKind::Button) {
                SendMessageW(h, BM_SETSTYLE, static_cast<TButton&>(c).Default() ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
            } else if (c.NativeKind() == TNativeKind::Form) {
                DWORD s, ex;
                FormStyle(static_cast<TCustomForm&>(c), s, ex);
                if (c.Visible()) s |= WS_VISIBLE;
                SetWindowLongPtrW(h, GWL_STYLE, static_cast<LONG_PTR>(s));
                SetWindowLongPtrW(h, GWL_EXSTYLE, static_cast<LONG_PTR>(ex));
                ::SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED | SWP_NOACTIVATE);
            }
            break;
        }
    }
}

// ---- painting -------------------------------------------------------------------------

void TGdiCanvas::DoFillRect(const TRect& r, TColor color) {
    RECT rc{r.Left, r.Top, r.Right, r.Bottom};
    SetDCBrushColor(Dc, static_cast<COLORREF>(Backend.ColorToRGB(color)));
    ::FillRect(Dc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void TGdiCanvas::DoTextAt(int x, int y, const std::string& s, const TFont& font, bool prefix, const TRect& clip) {
    std::wstring w = W(s);
    int saved = SaveDC(Dc);
    IntersectClipRect(Dc, clip.Left, clip.Top, clip.Right, clip.Bottom);
    SelectObject(Dc, Backend.Font(font));
    SetTextColor(Dc, static_cast<COLORREF>(Backend.ColorToRGB(font.Color())));
    SetBkMode(Dc, TRANSPARENT);
    RECT rc{x, y, x + 100000, y + 10000};
    DrawTextW(Dc, w.c_str(), static_cast<int>(w.size()), &rc, DT_SINGLELINE | DT_NOCLIP | (prefix ? 0 : DT_NOPREFIX));
    RestoreDC(Dc, saved);
}

void TGdiCanvas::DoDraw(int x, int y, const TImageData& image, const TRect& clip) {
    HDC src = Backend.ImageDc(image);
    if (!src) return;
    int saved = SaveDC(Dc);
    IntersectClipRect(Dc, clip.Left, clip.Top, clip.Right, clip.Bottom);
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(Dc, x, y, image.Width, image.Height, src, 0, 0, image.Width, image.Height, bf);
    RestoreDC(Dc, saved);
}

HDC TWin32Backend::ImageDc(const TImageData& image) {
    // Thousands of ticker items show the same few pictures: each is converted once and kept,
    // the most recently drawn last.
    for (std::size_t i = FImages.size(); i-- > 0;) {
        TCachedImage& c = FImages[i];
        if (c.Image.Width == image.Width && c.Image.Height == image.Height && c.Image.Pixels == image.Pixels) {
            if (i + 1 != FImages.size()) std::rotate(FImages.begin() + static_cast<std::ptrdiff_t>(i),
                                                     FImages.begin() + static_cast<std::ptrdiff_t>(i) + 1, FImages.end());
            return FImages.back().Dc;
        }
    }
    if (FImages.size() >= kImageCacheSize) {
        FreeImage(FImages.front());
        FImages.erase(FImages.begin());
    }
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = image.Width;
    bi.bmiHeader.biHeight = -image.Height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(FMeasureDc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!dib) return nullptr;
    auto* out = static_cast<std::uint32_t*>(bits);
    for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
        std::uint32_t p = image.Pixels[i];
        std::uint32_t a = p >> 24;
        std::uint32_t r = ((p >> 16) & 0xFF) * a / 255, g = ((p >> 8) & 0xFF) * a / 255, b = (p & 0xFF) * a / 255;
        out[i] = (a << 24) | (r << 16) | (g << 8) | b;  // premultiplied BGRA
    }
    HDC dc = CreateCompatibleDC(FMeasureDc);
    HGDIOBJ old = SelectObject(dc, dib);
    FImages.push_back({image, dc, dib, old});
    return dc;
}

void TWin32Backend::FreeImage(TCachedImage& c) {
    SelectObject(c.Dc, c.Old);
    DeleteDC(c.Dc);
    DeleteObject(c.Bitmap);
}

void TWin32Backend::Paint(TWinControl* c, HWND h) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(h, &ps);
    PaintArea(c, dc, ps.rcPaint);
    EndPaint(h, &ps);
}

void TWin32Backend::ScrollRect(TWinControl& host, const TRect& r, int dx) {
    HWND h = H(host.RawHandle());
    RECT rc{r.Left, r.Top, r.Right, r.Bottom};
    // With nothing waiting to be painted, the pixels are shifted and the uncovered strip drawn
    // right here: no paint message, which a ticker pays for on every tick. What could not be
    // shifted (a part another window hid) comes back in the region and is drawn as well.
    if (!IsWindowVisible(h) || GetUpdateRect(h, nullptr, FALSE)) {
        ::ScrollWindowEx(h, dx, 0, &rc, &rc, nullptr, nullptr, SW_INVALIDATE);
        return;
    }
    HDC dc = GetDC(h);
    if (!dc) {
        ::ScrollWindowEx(h, dx, 0, &rc, &rc, nullptr, nullptr, SW_INVALIDATE);
        return;
    }
    HRGN uncovered = CreateRectRgn(0, 0, 0, 0);
    RECT box{};
    if (ScrollDC(dc, dx, 0, &rc, &rc, uncovered, nullptr) && GetRgnBox(uncovered, &box) != NULLREGION) {
        IntersectRect(&box, &box, &rc);
        PaintArea(&host, dc, box);
    }
    DeleteObject(uncovered);
    ReleaseDC(h, dc);
}

void TWin32Backend::PaintArea(TWinControl* c, HDC dc, const RECT& r) {
    int w = r.right - r.left, hgt = r.bottom - r.top;
    if (w > 0 && hgt > 0) {
        // Double buffer: the area is drawn off screen and copied in one go.
        HDC mem = CreateCompatibleDC(dc);
        HBITMAP bmp = CreateCompatibleBitmap(dc, w, hgt);
        HGDIOBJ old = SelectObject(mem, bmp);
        {
            TGdiCanvas canvas(mem, *this);
            canvas.MoveOrigin(-r.left, -r.top);
            Guard(c, [&] {
                c->PaintHost(canvas, {r.left, r.top, r.right, r.bottom});
                return LRESULT(0);
            });
        }
        BitBlt(dc, r.left, r.top, w, hgt, mem, 0, 0, SRCCOPY);
        SelectObject(mem, old);
        DeleteObject(bmp);
        DeleteDC(mem);
    }
}

// ---- messages -------------------------------------------------------------------------

void TWin32Backend::Reflect(HWND child, UINT code, bool& handled, LRESULT& result, const NMHDR* hdr) {
    TWinControl* c = Find(child);
    if (!c) return;
    switch (c->NativeKind()) {
        case TNativeKind::Button:
        case TNativeKind::CheckBox:
            if (code == BN_CLICKED) {
                handled = true;
                Guard(c, [&] { c->NotifyNativeCommand(BN_CLICKED); return LRESULT(0); });
            }
            break;
        case TNativeKind::Edit:
            if (code == EN_CHANGE) {
                handled = true;
                auto* e = static_cast<TCustomEdit*>(c);
                std::string t = WindowText(child);
                Guard(c, [&] { e->NotifyUserText(t); return LRESULT(0); });
            }
            break;
        case TNativeKind::ComboBox: {
            auto* cb = static_cast<TCustomComboBox*>(c);
            handled = true;
            Guard(c, [&] {
                switch (code) {
                    case CBN_EDITCHANGE: cb->NotifyUserText(WindowText(child)); break;
                    case CBN_SELCHANGE: cb->NotifyUserSelect(static_cast<int>(SendMessageW(child, CB_GETCURSEL, 0, 0))); break;
                    case CBN_SETFOCUS: cb->NotifyFocusChanged(true); break;
                    case CBN_KILLFOCUS: cb->NotifyFocusChanged(false); break;
                    case CBN_DROPDOWN: cb->SyncItems(); break;
                    default: break;
                }
                return LRESULT(0);
            });
            break;
        }
        case TNativeKind::PageControl:
            if (hdr && hdr->code == static_cast<UINT>(TCN_SELCHANGE)) {
                handled = true;
                auto* pc = static_cast<TPageControl*>(c);
                int sel = static_cast<int>(SendMessageW(child, TCM_GETCURSEL, 0, 0));
                Guard(c, [&] { pc->NotifyUserTab(sel); return LRESULT(0); });
            }
            break;
        case TNativeKind::UpDown:
            if (hdr && hdr->code == static_cast<UINT>(UDN_DELTAPOS)) {
                handled = true;
                auto* ud = static_cast<TCustomUpDown*>(c);
                int delta = reinterpret_cast<const NMUPDOWN*>(hdr)->iDelta;
                Guard(c, [&] { ud->NotifyArrow(delta > 0 ? btNext : btPrev); return LRESULT(0); });
                result = 1;  // the native position stays where it is
            }
            break;
        default: break;
    }
}

LRESULT TWin32Backend::Common(TWinControl* c, HWND h, UINT msg, WPARAM w, LPARAM l, bool& handled) {
    // Destruction, user messages and registered messages go through the control's WndProc.
    // Unknown ones reach the native default through DefaultHandler.
    if (msg == WM_DESTROY || msg >= WM_USER) {
        handled = true;
        TMessage m{msg, w, static_cast<std::intptr_t>(l), 0};
        Guard(c, [&] {
            c->WndProc(m);
            return LRESULT(0);
        });
        return m.Result;
    }
    if (msg == WM_NCDESTROY) {
        if (FSubclassed.count(h)) {
            RemoveWindowSubclass(h, SubclassProc, kSubclassId);
            FSubclassed.erase(h);
        }
        FControls.erase(h);
        if (c->NativeKind() == TNativeKind::ComboBox) FCombos.erase(static_cast<TCustomComboBox*>(c));
        c->NotifyHandleDestroyed();
        return 0;  // handled = false: the default handling still runs
    }
    return 0;
}

LRESULT TWin32Backend::HostMessage(TWinControl* c, HWND h, UINT msg, WPARAM w, LPARAM l, bool& handled) {
    handled = true;
    switch (msg) {
        case WM_PAINT: Paint(c, h); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_MOUSEMOVE: {
            TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, h, 0};
            TrackMouseEvent(&t);
            [[fallthrough]];
        }
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP: {
            if (msg == WM_LBUTTONDOWN) SetCapture(h);
            if (msg == WM_LBUTTONUP && GetCapture() == h) ReleaseCapture();
            TPoint p{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))};
            TShiftState shift = ((w & MK_SHIFT) ? ssShift : 0) | ((w & MK_CONTROL) ? ssCtrl : 0);
            return Guard(c, [&] {
                c->HostMouse(msg, shift, p);
                return LRESULT(0);
            });
        }
        case WM_MOUSELEAVE:
            if (Application) Application->NotifyHintControl(nullptr);
            return 0;
        case WM_SETCURSOR:
            if (reinterpret_cast<HWND>(w) == h && LOWORD(l) == HTCLIENT) {
                TCursor cur = Screen ? Screen->Cursor() : crDefault;
                if (cur == crDefault) {
                    POINT pt;
                    ::GetCursorPos(&pt);
                    ::ScreenToClient(h, &pt);
                    TControl* t = c->ControlAtPos({pt.x, pt.y}, true, true);
                    for (TControl* x = t ? t : c; x && cur == crDefault; x = x == c ? nullptr : x->Parent())
                        cur = x->Cursor();
                }
                if (cur != crDefault) {
                    ::SetCursor(LoadCursorW(nullptr, CursorId(cur)));
                    return TRUE;
                }
            }
            break;
        case WM_COMMAND:
            if (l) {
                bool done = false;
                LRESULT r = 0;
                Reflect(reinterpret_cast<HWND>(l), HIWORD(w), done, r, nullptr);
                if (done) return r;
            } else if (LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
                if (TCustomForm* f = GetParentForm(c)) {
                    Guard(f, [&] { f->DialogKey(LOWORD(w) == IDOK); return LRESULT(0); });
                    return 0;
                }
            }
            break;
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<const NMHDR*>(l);
            bool done = false;
            LRESULT r = 0;
            Reflect(hdr->hwndFrom, 0, done, r, hdr);
            if (done) return r;
            break;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX: {
            TWinControl* child = Find(reinterpret_cast<HWND>(l));
            if (!child) break;
            HDC dc = reinterpret_cast<HDC>(w);
            SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(child->Font().Color())));
            SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(child->Color())));
            return reinterpret_cast<LRESULT>(Brush(child->Color()));
        }
        case WM_CLOSE:
            if (auto* f = dynamic_cast<TCustomForm*>(c)) {
                f->NotifyCloseRequest();
                return 0;
            }
            break;
        case WM_ACTIVATE:
            if (auto* f = dynamic_cast<TCustomForm*>(c)) f->NotifyActivate(LOWORD(w) != WA_INACTIVE);
            break;
        case WM_WINDOWPOSCHANGED:
            if (auto* f = dynamic_cast<TCustomForm*>(c)) {
                auto* wp = reinterpret_cast<const WINDOWPOS*>(l);
                if (!(wp->flags & SWP_NOSIZE) || !(wp->flags & SWP_NOMOVE)) {
                    RECT r;
                    GetWindowRect(h, &r);
                    if (TRect{r.left, r.top, r.right, r.bottom} != f->BoundsRect()) {
                        FSyncingBounds = true;
                        Guard(f, [&] {
                            f->SetBounds(r.left, r.top, r.right - r.left, r.bottom - r.top);
                            return LRESULT(0);
                        });
                        FSyncingBounds = false;
                    }
                }
            }
            break;
        default: break;
    }
    handled = false;
    return 0;
}

LRESULT CALLBACK TWin32Backend::OwnProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    TWin32Backend* self = gSelf;
    TWinControl* c = self ? self->Find(h) : nullptr;
    if (!c && msg == WM_NCCREATE && self && self->FCreating) {
        c = self->FCreating;
        self->FControls[h] = c;
    }
    if (!c) return DefWindowProcW(h, msg, w, l);
    bool handled = false;
    LRESULT r = self->Common(c, h, msg, w, l, handled);
    if (handled) return r;
    if (msg != WM_NCDESTROY) {
        r = self->HostMessage(c, h, msg, w, l, handled);
        if (handled) return r;
    }
    return DefWindowProcW(h, msg, w, l);
}

LRESULT CALLBACK TWin32Backend::SubclassProc(HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR ref) {
    TWin32Backend* self = gSelf;
    auto* c = reinterpret_cast<TWinControl*>(ref);
    if (!self || !c) return DefSubclassProc(h, msg, w, l);
    bool handled = false;
    LRESULT r = self->Common(c, h, msg, w, l, handled);
    if (handled) return r;
    if (msg == WM_NCDESTROY) return DefSubclassProc(h, msg, w, l);
    if (c->NativeKind() != TNativeKind::ComboBox && (msg == WM_SETFOCUS || msg == WM_KILLFOCUS)) {
        r = DefSubclassProc(h, msg, w, l);
        Guard(c, [&] {
            c->NotifyFocusChanged(msg == WM_SETFOCUS);
            return LRESULT(0);
        });
        return r;
    }
    if (c->NativeKind() == TNativeKind::PageControl) {
        // The tab control is the parent of the sheets' windows and hears their notifications.
        if (msg == WM_COMMAND || msg == WM_NOTIFY || msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORBTN ||
            msg == WM_CTLCOLOREDIT) {
            r = self->HostMessage(c, h, msg, w, l, handled);
            if (handled) return r;
        }
    }
    return DefSubclassProc(h, msg, w, l);
}

LRESULT CALLBACK TWin32Backend::UtilProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    TWin32Backend* self = gSelf;
    if (!self) return DefWindowProcW(h, msg, w, l);
    if (h == self->FUtil && msg == kWakeMsg) {
        if (Application) Application->RunQueued();  // each queued call is guarded there
        return 0;
    }
    if (h == self->FUtil && msg == WM_TIMER) {
        auto it = self->FTimers.find(w);
        if (it != self->FTimers.end()) {
            TTimer* t = it->second;
            Guard(t, [&] {
                t->Fire();
                return LRESULT(0);
            });
        }
        return 0;
    }
    auto it = self->FHidden.find(h);
    if (it != self->FHidden.end()) {
        auto proc = it->second;  // the proc may deallocate its own window
        TMessage m{msg, w, static_cast<std::intptr_t>(l), 0};
        Guard(nullptr, [&] {
            proc(m);
            return LRESULT(0);
        });
        return m.Result;
    }
    return DefWindowProcW(h, msg, w, l);
}

void TWin32Backend::Dispatch(const TMsg& msg) {
    MSG m = FLast;
    m.hwnd = H(msg.Wnd);
    m.message = msg.Message;
    m.wParam = msg.WParam;
    m.lParam = msg.LParam;
    if ((m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) || (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST)) {
        // The combo box's native list catches up with its items before the user works it.
        for (HWND x = m.hwnd; x; x = GetParent(x))
            if (TWinControl* c = Find(x); c && c->NativeKind() == TNativeKind::ComboBox) {
                Guard(c, [&] { static_cast<TCustomComboBox*>(c)->SyncItems(); return LRESULT(0); });
                break;
            }
        HWND top = m.hwnd ? GetAncestor(m.hwnd, GA_ROOT) : nullptr;
        auto* form = top ? dynamic_cast<TCustomForm*>(Find(top)) : nullptr;
        if (form) {
            if (m.message == WM_SYSCHAR) {
                bool done = false;
                Guard(form, [&] {
                    done = form->DialogChar(static_cast<char32_t>(m.wParam));
                    return LRESULT(0);
                });
                if (done) return;
            }
            if (IsDialogMessageW(top, &m)) return;
        }
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
}

void TWin32Backend::ShowHintWindow(const std::string& text, TPoint screen) {
    if (!FTip) {
        FTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, FUtil, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        FTipInfo.cbSize = TTTOOLINFOW_V1_SIZE;
        FTipInfo.uFlags = TTF_TRACK | TTF_ABSOLUTE;
        FTipInfo.hwnd = FUtil;
        FTipInfo.uId = 1;
        FTipInfo.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(FTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&FTipInfo));
        SendMessageW(FTip, TTM_SETMAXTIPWIDTH, 0, 400);
    }
    FTipText = W(text);
    FTipInfo.lpszText = FTipText.data();
    SendMessageW(FTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&FTipInfo));
    SendMessageW(FTip, TTM_TRACKPOSITION, 0, MAKELPARAM(screen.X, screen.Y));
    SendMessageW(FTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&FTipInfo));
}

TMenuItem* TWin32Backend::TrackPopupMenu(TPopupMenu& menu, TPoint screen) {
    std::vector<TMenuItem*> items;
    std::vector<HMENU> menus;
    std::function<HMENU(TMenuItem*)> build = [&](TMenuItem* parent) {
        HMENU hm = CreatePopupMenu();
        menus.push_back(hm);
        for (int i = 0; i < parent->Count(); ++i) {
            TMenuItem* it = parent->Items(i);
            if (!it->Visible()) continue;
            std::wstring caption = W(it->Caption());
            MENUITEMINFOW mi{};
            mi.cbSize = sizeof mi;
            if (it->IsLine()) {
                mi.fMask = MIIM_FTYPE;
                mi.fType = MFT_SEPARATOR;
            } else {
                mi.fMask = MIIM_FTYPE | MIIM_STRING | MIIM_STATE | MIIM_ID;
                mi.fType = it->RadioItem() ? MFT_RADIOCHECK : 0;
                mi.fState = (it->Checked() ? MFS_CHECKED : 0) | (it->Enabled() ? 0 : MFS_GRAYED);
                mi.dwTypeData = caption.data();
                items.push_back(it);
                mi.wID = static_cast<UINT>(items.size());
                if (it->Count() > 0) {
                    mi.fMask |= MIIM_SUBMENU;
                    mi.hSubMenu = build(it);
                }
            }
            InsertMenuItemW(hm, static_cast<UINT>(GetMenuItemCount(hm)), TRUE, &mi);
        }
        return hm;
    };
    HMENU root = build(menu.Items());
    HWND owner = GetForegroundWindow();
    if (!owner || !Find(owner)) {
        owner = FUtil;
        ::SetForegroundWindow(owner);
    }
    UINT cmd = static_cast<UINT>(TrackPopupMenuEx(root, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, screen.X,
                                                  screen.Y, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    DestroyMenu(root);  // destroys the sub-menus with it
    if (cmd == 0 || cmd > items.size()) return nullptr;
    return items[cmd - 1];
}

THandle TWin32Backend::CreateIcon(const TImageData& image) {
    BITMAPV5HEADER bi{};
    bi.bV5Size = sizeof bi;
    bi.bV5Width = image.Width;
    bi.bV5Height = -image.Height;
    bi.bV5Planes = 1;
    bi.bV5BitCount = 32;
    bi.bV5Compression = BI_BITFIELDS;
    bi.bV5RedMask = 0x00FF0000;
    bi.bV5GreenMask = 0x0000FF00;
    bi.bV5BlueMask = 0x000000FF;
    bi.bV5AlphaMask = 0xFF000000;
    HDC dc = GetDC(nullptr);
    void* bits = nullptr;
    HBITMAP color = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0);
    ReleaseDC(nullptr, dc);
    if (!color) return 0;
    std::copy(image.Pixels.begin(), image.Pixels.end(), static_cast<std::uint32_t*>(bits));
    HBITMAP mask = CreateBitmap(image.Width, image.Height, 1, 1, nullptr);
    ICONINFO ii{TRUE, 0, 0, mask, color};
    HICON icon = CreateIconIndirect(&ii);
    DeleteObject(mask);
    DeleteObject(color);
    return reinterpret_cast<THandle>(icon);
}

bool TWin32Backend::NotifyIcon(TNotifyIconAction action, const TNotifyIconData& data) {
    // The W form takes tooltips in any language; its second size holds 127 UTF-16 units.
    NOTIFYICONDATAW nid{};
    nid.cbSize = NOTIFYICONDATAW_V2_SIZE;
    nid.hWnd = H(data.Window);
    nid.uID = data.Id;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = data.CallbackMessage;
    nid.hIcon = reinterpret_cast<HICON>(data.Icon);
    std::wstring tip = W(data.Tip);
    std::size_t n = std::min<std::size_t>(tip.size(), std::size(nid.szTip) - 1);
    if (n > 0 && n < tip.size() && tip[n - 1] >= 0xD800 && tip[n - 1] <= 0xDBFF) --n;  // no half pair
    std::copy(tip.begin(), tip.begin() + static_cast<std::ptrdiff_t>(n), nid.szTip);
    nid.szTip[n] = L'\0';
    DWORD message = action == TNotifyIconAction::Add      ? NIM_ADD
                    : action == TNotifyIconAction::Modify ? NIM_MODIFY
                                                          : NIM_DELETE;
    return Shell_NotifyIconW(message, &nid) != FALSE;
}

}  // namespace

std::unique_ptr<TBackend> CreateBackend() { return std::make_unique<TWin32Backend>(); }

}  // namespace ui::win32
