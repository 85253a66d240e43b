#pragma once
// The Win32 backend's class, shared by its files: Win32Backend.cpp (set-up, queue, timers),
// Win32Windows.cpp (windows and their messages), Win32Controls.cpp (each kind of control),
// Win32Painting.cpp, Win32Menus.cpp, Win32NotifyArea.cpp and Win32Dialogs.cpp.
#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <unordered_map>
#include <vector>

#include "ui/Backend.h"
#include "ui/StdCtrls.h"
#include "ui/win32/Win32Dpi.h"
#include "ui/win32/Win32Util.h"

namespace ui::win32 {

inline const wchar_t* const kFormClass = L"SkimbarForm";
inline const wchar_t* const kHostClass = L"SkimbarHost";
inline const wchar_t* const kUtilClass = L"SkimbarUtil";
// Posted to the utility window when another thread queued work for the application.
inline constexpr UINT kWakeMsg = WM_APP + 0x3F;
// The shell's notices to a form docked as a desktop toolbar.
inline constexpr UINT kAppBarMsg = WM_APP + 0x3E;
constexpr UINT_PTR kSubclassId = 1;

class TWin32Backend;
extern TWin32Backend* gSelf;

LPCWSTR CursorId(TCursor c);

class TWin32Backend : public TBackend {
public:
    TWin32Backend();
    ~TWin32Backend() override;
    const char* Name() const override { return "win32"; }

    // ---- windows (Win32Windows.cpp) ----
    THandle CreateNative(TWinControl& control) override;
    void DestroyNative(TWinControl& control) override;
    void UpdateWindow(TWinControl& control, TUpdate what) override;
    TWinControl* ControlOf(THandle window) override { return Find(H(window)); }
    void SetFocus(TWinControl& control) override { ::SetFocus(H(control.RawHandle())); }
    TWinControl* FocusedControl() override;
    void SetWindowPos(TWinControl& form, std::intptr_t insertAfter, unsigned flags) override;
    void BringToFront(TWinControl& form) override;
    bool IsMinimized(TWinControl& form) override { return IsIconic(H(form.RawHandle())) != 0; }
    void Minimize(TWinControl& form) override { ShowWindow(H(form.RawHandle()), SW_MINIMIZE); }
    void Restore(TWinControl& form) override;
    void SetForegroundWindow(THandle window) override { ::SetForegroundWindow(H(window)); }
    void EnableWindow(TWinControl& form, bool enable) override { ::EnableWindow(H(form.RawHandle()), enable); }
    TRect FrameInsets(const TCustomForm& form) override;
    TPoint ClientToScreen(TWinControl& native, TPoint p) override;
    TRect PageDisplayRect(TWinControl& pc) override;
    void CallDefault(TWinControl& control, TMessage& m) override;

    // ---- queue, hidden windows, timers, screen (Win32Backend.cpp) ----
    std::intptr_t SendMsg(THandle window, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override;
    bool PostMsg(THandle window, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override;
    unsigned RegisterMsg(const std::string& name) override;
    void BroadcastMsg(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override;
    THandle AllocateHWnd(std::function<void(TMessage&)> proc) override;
    void DeallocateHWnd(THandle window) override;
    std::intptr_t DefWndProc(THandle window, const TMessage& m) override;
    bool Peek(TMsg& msg) override;
    void WaitMessage() override;
    void Dispatch(const TMsg& msg) override;
    void PostQuit() override { PostQuitMessage(0); }
    // Any thread: the utility window's procedure runs the application's queue.
    void WakeUp() override { PostMessageW(FUtil, kWakeMsg, 0, 0); }
    void StartTimer(TTimer& timer, int intervalMs) override;
    void StopTimer(TTimer& timer) override;
    TRect ScreenRect() override;
    TRect MonitorRect(TWinControl* form) override;
    TPoint CursorPos() override;
    void SetScreenCursor(TCursor cursor) override { ::SetCursor(LoadCursorW(nullptr, CursorId(cursor))); }

    // ---- painting (Win32Painting.cpp) ----
    void InvalidateRect(TWinControl& host, const TRect& r) override;
    void ScrollRect(TWinControl& host, const TRect& r, int dx) override;
    TSize TextExtent(const TFont& font, const std::string& s, bool prefix) override;
    TColor ColorToRGB(TColor c) override;
    // The font at a DPI (the framework's heights are at 96 DPI).
    HFONT Font(const TFont& f, int dpi);
    HBRUSH Brush(TColor c);
    // A memory DC holding the picture premultiplied, for AlphaBlend.
    HDC ImageDc(const TImageData& image);
    void Paint(TWinControl* c, HWND h);
    // Draws the area (client coordinates) of a host into dc through an off-screen buffer.
    void PaintArea(TWinControl* c, HDC dc, const RECT& r);

    // ---- dialogs and hints (Win32Dialogs.cpp) ----
    void ShowHintWindow(const std::string& text, TPoint screen) override;
    void HideHintWindow() override;
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    bool ExecuteColorDialog(TColor& color) override;

    // ---- menus (Win32Menus.cpp) ----
    TMenuItem* TrackPopupMenu(TPopupMenu& menu, TPoint screen) override;

    // ---- notification area (Win32NotifyArea.cpp) ----
    THandle CreateIcon(const TImageData& image) override;
    void DestroyIcon(THandle icon) override { ::DestroyIcon(reinterpret_cast<HICON>(icon)); }
    bool NotifyIcon(TNotifyIconAction action, const TNotifyIconData& data) override;

    // ---- desktop toolbars (Win32AppBar.cpp) ----
    bool DockAppBar(TCustomForm& form) override;
    void UndockAppBar(TCustomForm& form) override;
    bool FullScreenAppInFront() override;
    // The shell's notices to a docked form, and what the shell must hear of it; true when
    // answered.
    bool AppBarMessage(TWinControl* c, HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT& result);
    std::set<HWND> FAppBars;

    // ---- window procedures (Win32Windows.cpp) ----
    static LRESULT CALLBACK OwnProc(HWND h, UINT msg, WPARAM w, LPARAM l);
    static LRESULT CALLBACK UtilProc(HWND h, UINT msg, WPARAM w, LPARAM l);
    static LRESULT CALLBACK SubclassProc(HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR);
    // Messages every control's window takes the same way; true when answered.
    bool Common(TWinControl* c, HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT& result);
    // Messages a window the framework paints (forms, hosts) takes; true when answered.
    bool HostMessage(TWinControl* c, HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT& result);
    // Messages of the hidden utility window (timers); true when answered.
    bool UtilMessage(UINT msg, WPARAM w, LPARAM l, LRESULT& result);
    void FormStyle(const TCustomForm& f, DWORD& style, DWORD& ex);

    // ---- DPI (Win32Windows.cpp) ----
    // The scale of any window: its top-level window's.
    TScale ScaleOf(HWND h) const;
    TScale ScreenScale() const { return {FSystemDpi}; }
    // A top-level window moved to a monitor of another DPI: its controls and fonts follow.
    void ApplyDpi(HWND form, int dpi);
    // The resolution or the monitors changed: a form that spanned the primary monitor's width
    // is stretched to its new width.
    void DisplayChanged();
    void UpdateBounds(TWinControl& c, HWND h);
    RECT DeviceBounds(TWinControl& c, TScale scale);

    TWinControl* Find(HWND h) {
        auto it = FControls.find(h);
        return it == FControls.end() ? nullptr : it->second;
    }
    HWND ActiveOwner() {
        HWND a = GetActiveWindow();
        return a && Find(a) ? a : nullptr;
    }
    void SyncCombos();

    std::unordered_map<HWND, TWinControl*> FControls;
    std::set<HWND> FSubclassed;
    std::set<TCustomComboBox*> FCombos;
    std::map<HWND, std::function<void(TMessage&)>> FHidden;
    std::map<UINT_PTR, TTimer*> FTimers;
    std::map<TTimer*, UINT_PTR> FTimerIds;
    UINT_PTR FTimerId = 0;
    std::map<std::tuple<std::string, int, unsigned>, TFontOwner> FFonts;  // by pixel height
    int FSystemDpi = kBaseDpi;
    std::unordered_map<HWND, int> FDpi;  // top-level windows
    // The primary monitor as last seen (96 DPI), to tell which forms spanned its width.
    TRect FLastScreen;
    std::map<COLORREF, TBrushOwner> FBrushes;
    struct TCachedImage {
        TImageData Image;
        TBitmapOwner Bitmap;  // declared first: freed after the DC let go of it
        TMemoryDc Dc;
        TSelection Selected;
    };
    static constexpr std::size_t kImageCacheSize = 16;
    std::vector<std::unique_ptr<TCachedImage>> FImages;
    HWND FUtil = nullptr;
    HWND FOwnerWindow = nullptr;
    TMemoryDc FMeasureDc;
    HWND FTip = nullptr;
    TOOLINFOW FTipInfo{};
    std::wstring FTipText;
    COLORREF FCustomColors[16]{};
    MSG FLast{};
    bool FSyncingBounds = false;
    TWinControl* FCreating = nullptr;
    int FNextId = 100;

private:
    bool Mouse(TWinControl* c, HWND h, UINT msg, WPARAM w, LPARAM l);
    bool SetCursorMessage(TWinControl* c, HWND h, WPARAM w, LPARAM l);
    bool CommandMessage(TWinControl* c, WPARAM w, LPARAM l, LRESULT& result);
    bool CtlColor(WPARAM w, LPARAM l, LRESULT& result);
    bool Reflect(HWND child, UINT code, const NMHDR* hdr, LRESULT& result);
    void TabOrder(TWinControl& c);
    void SyncComboUnder(HWND h);
};

}  // namespace ui::win32
