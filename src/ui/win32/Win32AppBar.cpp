// Forms docked as desktop toolbars (SHAppBarMessage), and what is in front of them.
#include <windows.h>
#include <shellapi.h>

#include "ui/win32/Win32BackendImpl.h"

namespace ui::win32 {

namespace {

APPBARDATA BarData(HWND h) {
    APPBARDATA abd{};
    abd.cbSize = sizeof abd;
    abd.hWnd = h;
    abd.uCallbackMessage = kAppBarMsg;
    abd.uEdge = ABE_TOP;
    return abd;
}

RECT PrimaryMonitor() {
    MONITORINFO mi{};
    mi.cbSize = sizeof mi;
    if (GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &mi)) return mi.rcMonitor;
    return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

// Systems before Vista do not have it, so it is looked up rather than linked.
using TQueryNotificationState = HRESULT(WINAPI*)(QUERY_USER_NOTIFICATION_STATE*);

TQueryNotificationState QueryNotificationState() {
    static const TQueryNotificationState query = [] {
        HMODULE shell = GetModuleHandleW(L"shell32.dll");
        if (!shell) shell = LoadLibraryW(L"shell32.dll");
        return shell ? reinterpret_cast<TQueryNotificationState>(
                           reinterpret_cast<void*>(GetProcAddress(shell, "SHQueryUserNotificationState")))
                     : nullptr;
    }();
    return query;
}

}  // namespace

bool TWin32Backend::DockAppBar(TCustomForm& form) {
    HWND h = H(form.RawHandle());
    if (!h) return false;
    APPBARDATA abd = BarData(h);
    if (!FAppBars.count(h)) {
        if (!SHAppBarMessage(ABM_NEW, &abd)) return false;
        FAppBars.insert(h);
    }
    RECT now;
    GetWindowRect(h, &now);
    const LONG height = now.bottom - now.top;
    const RECT monitor = PrimaryMonitor();
    // The shell moves the proposed band below the bars that are there already.
    abd.rc = RECT{monitor.left, monitor.top, monitor.right, monitor.top + height};
    SHAppBarMessage(ABM_QUERYPOS, &abd);
    abd.rc.bottom = abd.rc.top + height;
    SHAppBarMessage(ABM_SETPOS, &abd);
    const RECT& band = abd.rc;
    ::SetWindowPos(h, nullptr, band.left, band.top, band.right - band.left, height, SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

void TWin32Backend::UndockAppBar(TCustomForm& form) {
    HWND h = H(form.RawHandle());
    if (!FAppBars.erase(h)) return;
    APPBARDATA abd = BarData(h);
    SHAppBarMessage(ABM_REMOVE, &abd);
}

bool TWin32Backend::FullScreenAppInFront() {
    QUERY_USER_NOTIFICATION_STATE state{};
    TQueryNotificationState query = QueryNotificationState();
    if (!query || FAILED(query(&state))) return false;
    return state == QUNS_BUSY || state == QUNS_RUNNING_D3D_FULL_SCREEN || state == QUNS_PRESENTATION_MODE;
}

bool TWin32Backend::AppBarMessage(TWinControl* c, HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT& result) {
    if (FAppBars.empty() || !FAppBars.count(h)) return false;
    auto* form = dynamic_cast<TCustomForm*>(c);
    APPBARDATA abd = BarData(h);
    switch (msg) {
        case kAppBarMsg:
            result = 0;
            if (!form) return true;
            if (w == ABN_POSCHANGED || w == ABN_STATECHANGE)
                Notify(form, [&] { form->NotifyAppBarMoved(); });
            else if (w == ABN_FULLSCREENAPP)
                Notify(form, [&] { form->NotifyFullScreenApp(l != 0); });
            return true;
        // The shell keeps its bars in step with their windows' activation and place.
        case WM_ACTIVATE: SHAppBarMessage(ABM_ACTIVATE, &abd); return false;
        case WM_WINDOWPOSCHANGED: SHAppBarMessage(ABM_WINDOWPOSCHANGED, &abd); return false;
        // A window that goes unannounced gives its band back all the same.
        case WM_DESTROY:
            SHAppBarMessage(ABM_REMOVE, &abd);
            FAppBars.erase(h);
            return false;
        default: return false;
    }
}

}  // namespace ui::win32
