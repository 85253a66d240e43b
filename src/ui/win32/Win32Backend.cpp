// Set-up of the Win32 backend, its message queue, hidden windows, timers and screen facts.
#include "ui/win32/Win32Backend.h"

#include "ui/ExtCtrls.h"
#include "ui/win32/Win32BackendImpl.h"
#include "ui/win32/Win32NativeClass.h"

namespace ui::win32 {

TWin32Backend* gSelf = nullptr;

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

namespace {

void RegisterClasses(HINSTANCE inst) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = TWin32Backend::OwnProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hIcon = LoadIconW(inst, MAKEINTRESOURCEW(1));
    if (!wc.hIcon) wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    wc.lpszClassName = kFormClass;
    RegisterClassExW(&wc);
    wc.hIcon = nullptr;
    wc.lpszClassName = kHostClass;
    RegisterClassExW(&wc);
    wc.lpfnWndProc = TWin32Backend::UtilProc;
    wc.lpszClassName = kUtilClass;
    RegisterClassExW(&wc);
}

HWND CreateUtilWindow(const wchar_t* title) {
    return CreateWindowExW(WS_EX_TOOLWINDOW, kUtilClass, title, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

TWin32Backend::TWin32Backend() {
    gSelf = this;
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES |
                                             ICC_BAR_CLASSES | ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterClasses(GetModuleHandleW(nullptr));
    FUtil = CreateUtilWindow(L"");
    // Clear wherever it shows: under a tray menu, to hold the keyboard for it (Win32Menus.cpp).
    SetWindowLongPtrW(FUtil, GWL_EXSTYLE, GetWindowLongPtrW(FUtil, GWL_EXSTYLE) | WS_EX_LAYERED);
    SetLayeredWindowAttributes(FUtil, 0, 0, LWA_ALPHA);
    FOwnerWindow = CreateUtilWindow(L"Skimbar");
    FMeasureDc.Reset(CreateCompatibleDC(nullptr));
    FSystemDpi = SystemDpi();
    FLastScreen = ScreenRect();
}

TWin32Backend::~TWin32Backend() {
    for (auto& [id, t] : FTimers) KillTimer(FUtil, id);
    if (FTip) ::DestroyWindow(FTip);
    for (auto& [h, proc] : FHidden) ::DestroyWindow(h);
    ::DestroyWindow(FUtil);
    ::DestroyWindow(FOwnerWindow);
    FImages.clear();
    if (gSelf == this) gSelf = nullptr;
}

// ---- messages and hidden windows ------------------------------------------------------

std::intptr_t TWin32Backend::SendMsg(THandle window, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    return SendMessageW(H(window), msg, wParam, lParam);
}

bool TWin32Backend::PostMsg(THandle window, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    return PostMessageW(H(window), msg, wParam, lParam) != 0;
}

unsigned TWin32Backend::RegisterMsg(const std::string& name) { return RegisterWindowMessageW(W(name).c_str()); }

void TWin32Backend::BroadcastMsg(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    PostMessageW(HWND_BROADCAST, msg, wParam, lParam);
}

THandle TWin32Backend::AllocateHWnd(std::function<void(TMessage&)> proc) {
    HWND h = CreateUtilWindow(L"");
    FHidden[h] = std::move(proc);
    return T(h);
}

void TWin32Backend::DeallocateHWnd(THandle window) {
    FHidden.erase(H(window));
    ::DestroyWindow(H(window));
}

std::intptr_t TWin32Backend::DefWndProc(THandle window, const TMessage& m) {
    return DefWindowProcW(H(window), m.Msg, m.WParam, m.LParam);
}

bool TWin32Backend::Peek(TMsg& msg) {
    MSG m;
    if (!PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) return false;
    FLast = m;
    msg = {T(m.hwnd), m.message == WM_QUIT ? WmQuit : m.message, m.wParam, m.lParam};
    return true;
}

void TWin32Backend::WaitMessage() {
    SyncCombos();
    ::WaitMessage();
}

void TWin32Backend::SyncCombos() {
    std::vector<TCustomComboBox*> combos(FCombos.begin(), FCombos.end());
    for (TCustomComboBox* c : combos) Notify(c, [&] { c->SyncItems(); });
}

// The combo box's native list catches up with its items before the user works it.
void TWin32Backend::SyncComboUnder(HWND h) {
    for (HWND x = h; x; x = GetParent(x))
        if (TWinControl* c = Find(x); c && c->NativeKind() == TNativeKind::ComboBox) {
            Notify(c, [&] { static_cast<TCustomComboBox*>(c)->SyncItems(); });
            return;
        }
}

void TWin32Backend::Dispatch(const TMsg& msg) {
    MSG m = FLast;
    m.hwnd = H(msg.Wnd);
    m.message = msg.Message;
    m.wParam = msg.WParam;
    m.lParam = msg.LParam;
    if ((m.message >= WM_KEYFIRST && m.message <= WM_KEYLAST) || (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST)) {
        SyncComboUnder(m.hwnd);
        HWND top = m.hwnd ? GetAncestor(m.hwnd, GA_ROOT) : nullptr;
        auto* form = top ? dynamic_cast<TCustomForm*>(Find(top)) : nullptr;
        if (form) {
            if (m.message == WM_SYSCHAR) {
                bool done = false;
                Notify(form, [&] { done = form->DialogChar(static_cast<char32_t>(m.wParam)); });
                if (done) return;
            }
            if (IsDialogMessageW(top, &m)) return;
        }
    }
    TranslateMessage(&m);
    DispatchMessageW(&m);
}

// ---- timers ---------------------------------------------------------------------------

void TWin32Backend::StartTimer(TTimer& timer, int intervalMs) {
    StopTimer(timer);
    UINT_PTR id = ++FTimerId;
    FTimers[id] = &timer;
    FTimerIds[&timer] = id;
    SetTimer(FUtil, id, static_cast<UINT>(intervalMs), nullptr);
}

void TWin32Backend::StopTimer(TTimer& timer) {
    auto it = FTimerIds.find(&timer);
    if (it == FTimerIds.end()) return;
    KillTimer(FUtil, it->second);
    FTimers.erase(it->second);
    FTimerIds.erase(it);
}

// ---- screen ---------------------------------------------------------------------------

int SystemDpi() {
    TWindowDc screen(nullptr);
    int dpi = screen.Get() ? GetDeviceCaps(screen.Get(), LOGPIXELSY) : kBaseDpi;
    return dpi > 0 ? dpi : kBaseDpi;
}

int WindowDpi(HWND h, int fallback) {
    // Windows 10 1607 and later; older systems scale every window by the system DPI.
    using TGetDpiForWindow = UINT(WINAPI*)(HWND);
    static const auto get = reinterpret_cast<TGetDpiForWindow>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    UINT dpi = get && h ? get(h) : 0;
    return dpi > 0 ? static_cast<int>(dpi) : fallback;
}

TRect TWin32Backend::ScreenRect() {
    return ScreenScale().Log(RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
}

TRect TWin32Backend::MonitorRect(TWinControl* form) {
    HWND h = form ? H(form->RawHandle()) : nullptr;
    HMONITOR m = h ? MonitorFromWindow(h, MONITOR_DEFAULTTONEAREST) : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (!GetMonitorInfoW(m, &mi)) return ScreenRect();
    return (h ? ScaleOf(h) : ScreenScale()).Log(mi.rcMonitor);
}

TPoint TWin32Backend::CursorPos() {
    POINT p{0, 0};
    ::GetCursorPos(&p);
    return ScreenScale().Log(p);
}

std::unique_ptr<TBackend> CreateBackend() { return std::make_unique<TWin32Backend>(); }

}  // namespace ui::win32
