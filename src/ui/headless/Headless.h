#pragma once
// In-memory backend for tests. It runs the same framework code as the product: a virtual
// clock fires timers (advance), text has fixed metrics, message boxes, the colour dialog and
// popup menus are answered from queues the test fills, and user input is simulated through
// the same entry points the Win32 backend uses. Exceptions take the same route.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ui/Backend.h"

class TControl;
class TCustomEdit;
class TCustomComboBox;
class TCustomUpDown;
class TPageControl;

namespace ui::headless {

// Fixed text metrics: a font of pixel height h = |Font.Height| draws each character
// (h + 1) / 2 + 1 pixels wide, and a line h + 2 pixels high.
int CharWidth(const TFont& font);
int LineHeight(const TFont& font);

// One painting operation, as recorded by PaintHost.
struct TPaintOp {
    enum Kind { Fill, Text, Image } What;
    TRect Rect;          // device (host) coordinates, clipped
    TColor Color = 0;    // fill colour or text colour
    std::string Shown;   // text shown
};

struct TMessageBoxCall {
    std::string Text, Caption;
    unsigned Flags = 0;
    int Answer = 0;
};
struct TColorDialogCall {
    TColor Initial = 0;
    bool Ok = false;
    TColor Chosen = 0;
};
struct TPopupCall {
    TPoint At;
    std::vector<std::string> Captions;  // item captions as shown, sub-items indented by "  "
    std::string Chosen;
};
struct TNotifyIconCall {
    TNotifyIconAction Action;
    TNotifyIconData Data;
    bool Result = false;
};
struct TScrollCall {
    TWinControl* Host;
    TRect Area;  // host client coordinates, clipped to the client area
    int Dx;
};

struct TWindowPosCall {
    TWinControl* Form;
    std::intptr_t InsertAfter;
    unsigned Flags;
};

struct TAppBarCall {
    enum Kind { Dock, Undock } What;
    TCustomForm* Form;
    TRect Band;  // what a dock reserved; empty for an undock
};

// A window, timer or icon call from a thread other than the user-interface thread.
class TWrongThread : public std::logic_error {
public:
    using std::logic_error::logic_error;
};

class THeadless : public TBackend {
public:
    THeadless();
    ~THeadless() override;

    // ---- virtual clock ----
    std::int64_t Now() const { return FNow; }
    // Moves the clock forward by ms, firing due timers in order of due time (ties in the
    // order they were started) and delivering posted messages before each.
    void advance(std::int64_t ms);
    void Advance(std::int64_t ms) { advance(ms); }
    // Delivers the queued messages without moving the clock.
    void Flush();
    // A loop (Run, ShowModal, message box) waiting with nothing queued first runs the next
    // scripted step, then moves the clock to the next timer; with neither it throws
    // TLoopStall, as it does past StallLimit ms of virtual time in one wait chain.
    void Script(std::function<void()> step) { FScript.push_back(std::move(step)); }
    void SetStallLimit(std::int64_t ms) { FStallLimit = ms; }
    // While Application has background work pending, a waiting loop follows the real clock:
    // it sleeps until the next timer is due or the work queues something.

    // ---- scripted answers ----
    // Message boxes take the next answer (IdOk, IdYes, ...) after afterMs of virtual time
    // (timers fire meanwhile); without one they answer with their first button.
    void AnswerMessageBox(int answer, std::int64_t afterMs = 0);
    const std::vector<TMessageBoxCall>& MessageBoxes() const { return FMessageBoxes; }
    int UnscriptedMessageBoxes() const { return FUnscripted; }
    // The colour dialog: confirm with a colour, or cancel. Without an answer it cancels.
    void AnswerColorDialog(bool ok, TColor color = 0, std::int64_t afterMs = 0);
    const std::vector<TColorDialogCall>& ColorDialogs() const { return FColorDialogs; }
    // Popup menus: the item to choose as a path of captions without accelerator markers
    // or names joined by "/" (names where a caption holds a "/"), "" to dismiss. Without an
    // answer the menu is dismissed.
    void AnswerPopup(std::string path, std::int64_t afterMs = 0);
    const std::vector<TPopupCall>& Popups() const { return FPopups; }

    // ---- simulated user input ----
    void Click(TControl& control);        // a left click at the control's centre
    void RightClick(TControl& control);   // context menu of the control
    void MouseMove(TControl& control);    // mouse over the control's centre
    void MouseLeave();
    // The session ends, as Windows announces it with WM_ENDSESSION to the hidden window.
    void EndSession();
    void TypeText(TWinControl& control, const std::string& text);  // replaces the text
    void SelectItem(TCustomComboBox& combo, int index);
    void PressArrow(TCustomUpDown& upDown, bool up);
    void SelectTab(TPageControl& pageControl, int tabIndex);
    void Focus(TWinControl& control);     // as the user clicking into it or tabbing
    void CloseByUser(TCustomForm& form);  // the close box
    void PressKey(TCustomForm& form, bool enter);  // Enter or Escape
    void PressAccelerator(TCustomForm& form, char32_t key);  // Alt + key

    // ---- what the program did ----
    const std::vector<TWindowPosCall>& WindowPosCalls() const { return FWindowPos; }
    // Areas whose pixels were shifted instead of painted again, in order.
    const std::vector<TScrollCall>& ScrollCalls() const { return FScrolls; }
    // How often a timer was started (or restarted) in the backend.
    int TimerStarts() const { return FTimerStarts; }
    int RestoreCount() const { return FRestores; }
    // Forms that showing or bringing to the front activated, in order.
    const std::vector<TWinControl*>& Activations() const { return FActivations; }
    const std::vector<TCursor>& CursorHistory() const { return FCursors; }
    TCursor ScreenCursor() const { return FCursors.empty() ? crDefault : FCursors.back(); }
    const std::vector<THandle>& ForegroundCalls() const { return FForeground; }
    const std::string& HintWindowText() const { return FHintText; }
    int WindowCount() const { return static_cast<int>(FWindows.size()); }
    int IconCount() const { return static_cast<int>(FIcons.size()); }
    bool WindowExists(THandle h) const { return FWindows.count(h) || FHidden.count(h); }
    bool WindowEnabled(THandle h) const;
    bool WindowVisible(THandle h) const;
    // Paints a host's whole client area and returns what was drawn.
    std::vector<TPaintOp> Paint(TWinControl& host);
    // Invalidated area of a host since the last Paint (empty when none).
    TRect InvalidArea(TWinControl& host) const;

    // ---- notification area ----
    // Every add, modify and delete, in order, with what it passed and what it returned.
    const std::vector<TNotifyIconCall>& NotifyIconCalls() const { return FNotifyCalls; }
    // The icons shown now, in the order they were added.
    const std::vector<TNotifyIconData>& NotifyIcons() const { return FNotifyIcons; }
    const TNotifyIconData* FindNotifyIcon(THandle window, unsigned id) const;
    // The user's mouse on a shown icon: posts its callback message with mouseMsg (WmLButtonUp,
    // ...) as lParam and delivers the queue, as the shell does. False when no such icon is shown.
    bool NotifyIconMouse(THandle window, unsigned id, unsigned mouseMsg);
    // Without a notification area (shell not running) every call fails and nothing is shown.
    void SetNotifyAreaAvailable(bool available);
    // The shell restarts: every icon is gone, and "TaskbarCreated" is broadcast (delivered by
    // the next Flush or advance).
    void RecreateNotifyArea();

    // ---- desktop toolbars ----
    // Every dock and undock that reached the shell, in order.
    const std::vector<TAppBarCall>& AppBarCalls() const { return FAppBarCalls; }
    // The band a registered form reserves now; null when it is not registered.
    const TRect* AppBarBand(const TCustomForm& form) const;
    // Other programs' bars along the top of the screen: a band is granted below them.
    void SetTopReserved(int pixels) { FTopReserved = pixels; }
    // The shell moved the bars (another bar, the display): each registered form hears it.
    void ShellMovedAppBars();
    // A full-screen application comes to the front or goes: FullScreenAppInFront answers it
    // from now on, and registered forms hear it at once.
    void SetFullScreenApp(bool inFront);

    // ---- environment ----
    void SetScreenSize(int width, int height) { FScreen = {0, 0, width, height}; }
    // The primary monitor changes size, as after a display change: forms hear it.
    void ChangeDisplay(int width, int height);
    void SetCursorPos(TPoint p) { FCursorPos = p; }

    // ---- TBackend ----
    const char* Name() const override { return "headless"; }
    THandle CreateNative(TWinControl& control) override;
    void DestroyNative(TWinControl& control) override;
    void UpdateWindow(TWinControl& control, TUpdate what) override;
    TWinControl* ControlOf(THandle window) override;
    void InvalidateRect(TWinControl& host, const TRect& r) override;
    void ScrollRect(TWinControl& host, const TRect& r, int dx) override;
    void SetFocus(TWinControl& control) override;
    TWinControl* FocusedControl() override { return FFocused; }
    void SetWindowPos(TWinControl& form, std::intptr_t insertAfter, unsigned flags) override;
    void BringToFront(TWinControl& form) override;
    bool IsMinimized(TWinControl& form) override;
    void Minimize(TWinControl& form) override;
    void Restore(TWinControl& form) override;
    void SetForegroundWindow(THandle window) override { FForeground.push_back(window); }
    void EnableWindow(TWinControl& form, bool enable) override;
    TRect FrameInsets(const TCustomForm& form) override;
    TPoint ClientToScreen(TWinControl& native, TPoint p) override;
    TRect PageDisplayRect(TWinControl& pageControl) override;
    std::intptr_t SendMsg(THandle window, unsigned msg, std::uintptr_t wParam,
                              std::intptr_t lParam) override;
    bool PostMsg(THandle window, unsigned msg, std::uintptr_t wParam,
                     std::intptr_t lParam) override;
    unsigned RegisterMsg(const std::string& name) override;
    void BroadcastMsg(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) override;
    THandle AllocateHWnd(std::function<void(TMessage&)> proc) override;
    void DeallocateHWnd(THandle window) override;
    std::intptr_t DefWndProc(THandle window, const TMessage& message) override;
    void CallDefault(TWinControl& control, TMessage& message) override;
    bool Peek(TMsg& msg) override;
    void WaitMessage() override;
    void Dispatch(const TMsg& msg) override;
    void PostQuit() override;
    void WakeUp() override;
    void StartTimer(TTimer& timer, int intervalMs) override;
    void StopTimer(TTimer& timer) override;
    TSize TextExtent(const TFont& font, const std::string& text, bool prefix) override;
    TColor ColorToRGB(TColor color) override;
    TRect ScreenRect() override { return FScreen; }
    TRect MonitorRect(TWinControl* form) override { return FScreen; }
    TPoint CursorPos() override { return FCursorPos; }
    void SetScreenCursor(TCursor cursor) override { FCursors.push_back(cursor); }
    void ShowHintWindow(const std::string& text, TPoint screen) override { FHintText = text; }
    void HideHintWindow() override { FHintText.clear(); }
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    bool ExecuteColorDialog(TColor& color) override;
    TMenuItem* TrackPopupMenu(TPopupMenu& menu, TPoint screen) override;
    THandle CreateIcon(const TImageData& image) override;
    void DestroyIcon(THandle icon) override;
    bool NotifyIcon(TNotifyIconAction action, const TNotifyIconData& data) override;
    bool DockAppBar(TCustomForm& form) override;
    void UndockAppBar(TCustomForm& form) override;
    bool FullScreenAppInFront() override { return FFullScreen; }

private:
    // Throws TWrongThread off the thread that created the backend.
    void CheckUiThread(const char* what) const;
    struct TWindow {
        TWinControl* Control = nullptr;
        bool Visible = false;
        bool Enabled = true;
        bool Minimized = false;
        TRect Invalid;
    };
    struct TTimerEntry {
        TTimer* Timer;
        int Interval;
        std::int64_t Due;
        std::uint64_t Order;
    };
    struct TAnswer {
        int Value = 0;
        bool Ok = false;
        TColor Color = 0;
        std::string Path;
        std::int64_t AfterMs = 0;
    };
    // Waits afterMs of virtual time inside a modal box, firing timers.
    void ModalWait(std::int64_t afterMs);
    bool FireNextTimer(std::int64_t limit);
    void DeliverTimer(TTimer* timer);
    TTimerEntry* NextTimer();
    void ClickAt(TWinControl& host, TPoint p, bool right);
    TWindow* Find(THandle h);
    const TWindow* Find(THandle h) const;

    std::int64_t FNow = 0;
    std::int64_t FStallLimit = 3600 * 1000;
    std::int64_t FWaitStart = -1;
    THandle FNextHandle = 0x1000;
    std::map<THandle, TWindow> FWindows;
    std::map<THandle, std::function<void(TMessage&)>> FHidden;
    THandle FTimerWindow = 0;
    std::map<std::uintptr_t, TTimer*> FTimerIds;
    std::vector<TTimerEntry> FTimers;
    std::uint64_t FTimerOrder = 0;
    std::deque<TMsg> FQueue;
    std::deque<std::function<void()>> FScript;
    std::map<std::string, unsigned> FRegistered;
    TWinControl* FFocused = nullptr;
    std::deque<TAnswer> FBoxAnswers, FColorAnswers, FPopupAnswers;
    std::vector<TMessageBoxCall> FMessageBoxes;
    std::vector<TColorDialogCall> FColorDialogs;
    std::vector<TPopupCall> FPopups;
    int FUnscripted = 0;
    std::vector<TWindowPosCall> FWindowPos;
    std::vector<TScrollCall> FScrolls;
    int FTimerStarts = 0;
    int FRestores = 0;
    std::vector<TWinControl*> FActivations;
    std::vector<TCursor> FCursors;
    std::vector<THandle> FForeground;
    std::string FHintText;
    std::set<THandle> FIcons;
    THandle FNextIcon = 0x10000;
    TRect FScreen{0, 0, 1280, 800};
    TPoint FCursorPos{100, 100};
    int FModalDepth = 0;
    std::vector<TNotifyIconCall> FNotifyCalls;
    std::vector<TNotifyIconData> FNotifyIcons;
    bool FNotifyAvailable = true;
    std::vector<TAppBarCall> FAppBarCalls;
    std::map<const TCustomForm*, TRect> FAppBars;
    int FTopReserved = 0;
    bool FFullScreen = false;
    std::thread::id FUiThread = std::this_thread::get_id();
    std::mutex FWakeLock;
    std::condition_variable FWakeCv;
    bool FWoken = false;
    // While background work is pending: the real time that FVirtualAnchor corresponds to.
    bool FRealTime = false;
    std::chrono::steady_clock::time_point FRealAnchor;
    std::int64_t FVirtualAnchor = 0;
};

// The installed headless backend (the test's session must have installed one).
THeadless& Headless();

// A test's framework session: installs a headless backend with Application and Screen and
// removes them again at the end.
class TSession {
public:
    TSession();
    ~TSession();
    TSession(const TSession&) = delete;
    TSession& operator=(const TSession&) = delete;
    THeadless& Backend() { return *FBackend; }

private:
    THeadless* FBackend;
};

}  // namespace ui::headless
