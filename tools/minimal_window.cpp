// The smallest Win32 program with a window like the bar: a borderless strip across the top,
// painted black. Start-up benchmarks set Skimbar beside it.
#include <windows.h>

namespace {
LRESULT CALLBACK Proc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    switch (msg) {
        case WM_PAINT: {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(h, &ps);
            FillRect(dc, &ps.rcPaint, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
            EndPaint(h, &ps);
            return 0;
        }
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcW(h, msg, w, l);
    }
}
}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = inst;
    wc.lpszClassName = L"MinimalBar";
    RegisterClassW(&wc);
    HWND h = CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, L"MinimalBar", L"MinimalBar", WS_POPUP, 0, 0,
                             GetSystemMetrics(SM_CXSCREEN), 38, nullptr, nullptr, inst, nullptr);
    ShowWindow(h, SW_SHOWNOACTIVATE);
    UpdateWindow(h);
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}
