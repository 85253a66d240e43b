#pragma once
// What the framework asks of a window system. ui/win32 implements it with the Win32 API for
// the product; ui/headless implements it in memory for tests (virtual clock, fixed text
// metrics, scripted answers). Framework code calls only this interface.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ui/Graphics.h"
#include "ui/NotifyArea.h"
#include "ui/UiTypes.h"

class TWinControl;
class TCustomForm;
class TTimer;
class TPopupMenu;
class TMenuItem;

namespace ui {

// What changed on a control, for the backend to push into its native window.
enum class TUpdate { Bounds, Text, Visible, Enabled, Font, Color, State, TabOrder, Style };

class TBackend {
public:
    virtual ~TBackend() = default;
    virtual const char* Name() const = 0;

    // Native windows. CreateNative makes the window of a control whose parent's host (if
    // any) already has its window, and returns its handle. DestroyNative sends WmDestroy to
    // the control's WndProc and then to each native descendant's, then frees the windows
    // and calls NotifyHandleDestroyed on each.
    virtual THandle CreateNative(TWinControl& control) = 0;
    virtual void DestroyNative(TWinControl& control) = 0;
    virtual void UpdateWindow(TWinControl& control, TUpdate what) = 0;
    virtual TWinControl* ControlOf(THandle window) = 0;
    virtual void InvalidateRect(TWinControl& host, const TRect& r) = 0;  // host client coords
    // Shifts what is on screen of r (host client coords) by dx pixels, along with any part of
    // it still to be painted, and invalidates the strip the shift uncovers.
    virtual void ScrollRect(TWinControl& host, const TRect& r, int dx) = 0;
    virtual void SetFocus(TWinControl& control) = 0;
    virtual TWinControl* FocusedControl() = 0;
    // Top-level windows.
    virtual void SetWindowPos(TWinControl& form, std::intptr_t insertAfter, unsigned flags) = 0;
    virtual void BringToFront(TWinControl& form) = 0;
    virtual bool IsMinimized(TWinControl& form) = 0;
    virtual void Minimize(TWinControl& form) = 0;
    virtual void Restore(TWinControl& form) = 0;
    virtual void SetForegroundWindow(THandle window) = 0;
    // Enables or disables a top-level window natively (modal loops), leaving Enabled alone.
    virtual void EnableWindow(TWinControl& form, bool enable) = 0;
    // Non-client frame of a form (border and caption) as insets: Left, Top, Right, Bottom.
    virtual TRect FrameInsets(const TCustomForm& form) = 0;
    virtual TPoint ClientToScreen(TWinControl& native, TPoint p) = 0;
    // The area a page control's sheets fill, in its client coordinates.
    virtual TRect PageDisplayRect(TWinControl& pageControl) = 0;

    // Messages.
    virtual std::intptr_t SendMsg(THandle window, unsigned msg, std::uintptr_t wParam,
                                      std::intptr_t lParam) = 0;
    virtual bool PostMsg(THandle window, unsigned msg, std::uintptr_t wParam,
                             std::intptr_t lParam) = 0;
    virtual unsigned RegisterMsg(const std::string& name) = 0;
    // Posts to every top-level window (HWND_BROADCAST).
    virtual void BroadcastMsg(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) = 0;
    // A hidden window whose messages go to proc; the caller's proc handles exceptions.
    virtual THandle AllocateHWnd(std::function<void(TMessage&)> proc) = 0;
    virtual void DeallocateHWnd(THandle window) = 0;
    virtual std::intptr_t DefWndProc(THandle window, const TMessage& message) = 0;
    // The native default handling of a message sent to a control's window.
    virtual void CallDefault(TWinControl& control, TMessage& message) = 0;

    // The message loop.
    virtual bool Peek(TMsg& msg) = 0;  // takes one queued message, if any
    virtual void WaitMessage() = 0;           // blocks until there may be one
    virtual void Dispatch(const TMsg& msg) = 0;
    virtual void PostQuit() = 0;
    // Any thread: the loop of the user-interface thread soon calls Application->RunQueued().
    virtual void WakeUp() = 0;

    // Timers: the backend calls timer.Fire() for each tick.
    virtual void StartTimer(TTimer& timer, int intervalMs) = 0;
    virtual void StopTimer(TTimer& timer) = 0;

    // Screen, text and colours.
    virtual TSize TextExtent(const TFont& font, const std::string& text, bool prefix) = 0;
    virtual TColor ColorToRGB(TColor color) = 0;
    virtual TRect ScreenRect() = 0;                    // primary monitor
    virtual TRect MonitorRect(TWinControl* form) = 0;  // monitor the form lies on
    virtual TPoint CursorPos() = 0;
    virtual void SetScreenCursor(TCursor cursor) = 0;
    virtual void ShowHintWindow(const std::string& text, TPoint screen) = 0;
    virtual void HideHintWindow() = 0;

    // Modal dialogs; each runs a nested loop in which timers go on firing.
    virtual int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
    virtual bool ExecuteColorDialog(TColor& color) = 0;
    // Shows the menu and returns the chosen item (null when dismissed); does not run it.
    virtual TMenuItem* TrackPopupMenu(TPopupMenu& menu, TPoint screen) = 0;

    // Icons.
    virtual THandle CreateIcon(const TImageData& image) = 0;
    virtual void DestroyIcon(THandle icon) = 0;

    // Notification area (see ui/NotifyArea.h).
    virtual bool NotifyIcon(TNotifyIconAction action, const TNotifyIconData& data) = 0;
};

// Where a native control's window lies: visible when it and every windowless container
// between it and its native parent are visible; bounds in the native parent's client area.
bool NativeVisible(const TWinControl& control);
TRect NativeBounds(const TWinControl& control);
// The native control or hidden window behind a handle (null for others).
TWinControl* FindControl(THandle window);

// The installed backend. StartUp installs one and creates Application and Screen; ShutDown
// frees the forms the application owns, Application, Screen and the backend.
TBackend& Backend();
bool HasBackend();
void StartUp(std::unique_ptr<TBackend> backend);
void ShutDown();
// The backend of the build's platform (Win32 on Windows, headless elsewhere).
std::unique_ptr<TBackend> CreateDefaultBackend();

}  // namespace ui
