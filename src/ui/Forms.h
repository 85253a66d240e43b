#pragma once
// Forms, the screen and the application object.
#include <atomic>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "core/Exception.h"
#include "ui/Controls.h"

class TButton;
class TTimer;
class TMainMenu;

enum TFormBorderStyle { bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow };
enum TPosition { poDesigned, poDefault, poScreenCenter, poMainFormCenter };
enum TWindowState { wsNormal, wsMinimized, wsMaximized };

struct TMonitor {
    int Left = 0, Top = 0, Width = 0, Height = 0;
};

// A top-level window. Built in code the way a design is read: the derived constructor calls
// BeginReading(), creates its components with their design values, then EndDesign(), which
// ends the reading (Loaded of every component, then of the form) and runs OnCreate.
class TCustomForm : public TWinControl {
    SKIMBAR_CLASS(TCustomForm)
public:
    explicit TCustomForm(TComponent* owner);
    ~TCustomForm() override;
    void BeforeDestruction() override;
    TNativeKind NativeKind() const override { return TNativeKind::Form; }

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle style);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition p) { FPosition = p; }
    int ClientWidth() const override;
    int ClientHeight() const override;
    TMonitor Monitor() const;
    TWindowState WindowState() const;
    void SetWindowState(TWindowState state);

    // Topmost or not: SetWindowPos with HWND_TOPMOST / HWND_NOTOPMOST, no move, no size,
    // no activation.
    void SetTopMost(bool topMost);
    void SetWindowPos(std::intptr_t insertAfter, unsigned flags);

    void Show();
    // Whether showing the form (and bringing it to the front) activates it and takes the
    // keyboard focus. A form that shows itself unasked (the ticker bar) must not: the user may
    // be typing in another program.
    bool ActivateOnShow() const { return FActivateOnShow; }
    void SetActivateOnShow(bool v) { FActivateOnShow = v; }
    // Runs a nested message loop until ModalResult is set (timers go on firing); other forms
    // are disabled meanwhile. Returns the modal result.
    TModalResult ShowModal();
    // Asks OnCloseQuery, then OnClose: hides the form (the main form ends the application);
    // a modal form gets ModalResult mrCancel.
    void Close();
    bool CloseQuery();
    void Release();  // frees the form once the current message is done
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult r) { FModalResult = r; }
    bool Modal() const { return FModal; }
    void BringToFront();

    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* control);
    // The form's main menu (null: none); cleared when the menu is freed.
    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* menu);
    void Notification(TComponent* component, TOperation operation) override;
    // Runs the accelerator key of the form's controls (labels focus their FocusControl).
    bool DialogChar(char32_t key);
    // Enter and Escape: the default and the cancel button.
    bool DialogKey(bool enter);
    TButton* DefaultButton() const;
    TButton* CancelButton() const;

    TNotifyEvent OnCreate, OnDestroy, OnShow, OnHide, OnActivate, OnDeactivate;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;

    void EndDesign();
    virtual void DoCreate();
    virtual void DoDestroy();
    bool Created() const { return FCreated; }

    // Backend: the user asked to close (close box, Alt+F4).
    void NotifyCloseRequest();
    void NotifyActivate(bool active);

    // Docked at the top of the primary monitor as a desktop toolbar: while the form is shown
    // it reserves its band there, so that maximised windows stay below it. Hidden, undocked
    // or destroyed, it gives the space back.
    bool DockTop() const { return FDockTop; }
    void SetDockTop(bool dock);
    // Whether the shell holds the band for the form now.
    bool AppBarDocked() const { return FAppBarDocked; }
    // Full-screen applications in front (a video, a game, a presentation), watched while set:
    // a docked form hears the shell, any other asks every FullScreenPollMs.
    // OnFullScreenApp hears each change.
    void SetWatchFullScreen(bool watch);
    bool FullScreenApp() const { return FFullScreenApp; }
    std::function<void(TObject* Sender, bool inFront)> OnFullScreenApp;
    static constexpr int FullScreenPollMs = 1000;
    // Backend: the shell moved the desktop toolbars (another bar, the taskbar, the display).
    void NotifyAppBarMoved();
    // Backend: a full-screen application came to the front, or the last one went.
    void NotifyFullScreenApp(bool inFront);

protected:
    void VisibleChanged() override;
    void BoundsChanged(const TRect& old) override;
    void TextChanged() override;
    void CreateHandle() override;
    void HandleCreated() override;
    virtual void DoShow();
    virtual void DoHide();
    virtual void DoClose(TCloseAction& action);

private:
    TFormBorderStyle FBorderStyle = bsSizeable;
    TPosition FPosition = poDesigned;
    TModalResult FModalResult = mrNone;
    bool FModal = false;
    bool FActivateOnShow = true;
    bool FCreated = false;
    bool FDestroyed = false;
    TWinControl* FActiveControl = nullptr;
    TMainMenu* FMenu = nullptr;
    TWindowState FPendingState = wsNormal;
    bool FDockTop = false;
    bool FAppBarDocked = false;
    bool FDocking = false;
    bool FFullScreenApp = false;
    TTimer* FFullScreenPoll = nullptr;  // owned; runs while watching undocked
    // Docks or undocks as DockTop and visibility say.
    void UpdateDock();
    void ReleaseDock();
    void UpdateFullScreenPoll();
    TRect Insets() const;
    mutable TRect FInsets;
    mutable bool FInsetsValid = false;
};

class TForm : public TCustomForm {
    SKIMBAR_CLASS(TForm)
public:
    explicit TForm(TComponent* owner) : TCustomForm(owner) {}
};

class TScreen : public TComponent {
    SKIMBAR_CLASS(TScreen)
public:
    explicit TScreen(TComponent* owner);
    ~TScreen() override;
    int Width() const;   // primary monitor
    int Height() const;
    TMonitor MonitorFor(const TWinControl* form) const;
    // The screen cursor: crDefault lets each control show its own.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor);
    TPoint CursorPos() const;
    int FormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm* Forms(int index) const { return FForms.at(static_cast<std::size_t>(index)); }
    TCustomForm* ActiveForm() const { return FActiveForm; }
    TWinControl* ActiveControl() const;
    // Backend: the primary monitor changed from was to now. A form that spanned it is
    // stretched to the new width and keeps its top (the shell may have docked it lower).
    void NotifyDisplayChanged(const TRect& was, const TRect& now);

private:
    friend class TCustomForm;
    TCursor FCursor = crDefault;
    std::vector<TCustomForm*> FForms;
    TCustomForm* FActiveForm = nullptr;
};

using TExceptionEvent = std::function<void(TObject* Sender, Exception& E)>;

// Thrown by the headless backend when a loop has nothing left to wait for; it passes through
// every exception handler so that a test ends instead of hanging.
struct TLoopStall {
    std::string Reason;
};

class TApplication : public TComponent {
    SKIMBAR_CLASS(TApplication)
public:
    explicit TApplication(TComponent* owner);
    ~TApplication() override;
    void BeforeDestruction() override;

    void Initialize();
    const std::string& Title() const { return FTitle; }
    void SetTitle(const std::string& title) { FTitle = title; }
    bool ShowMainForm() const { return FShowMainForm; }
    void SetShowMainForm(bool v) { FShowMainForm = v; }
    TCustomForm* MainForm() const { return FMainForm; }
    // Creates a form owned by the application; the first one becomes the main form. It is the
    // main form from the start of its construction, so its OnCreate already finds it there.
    template <class T>
    void CreateForm(T*& reference) {
        FCreatingMainForm = !FMainForm;
        T* form;
        try {
            form = new T(this);
        } catch (...) {
            FCreatingMainForm = false;
            throw;
        }
        FCreatingMainForm = false;
        reference = form;
        if (!FMainForm) FMainForm = form;
    }
    void SetMainForm(TCustomForm* form) { FMainForm = form; }

    // Shows the main form (unless ShowMainForm is false) and runs the message loop until
    // Terminate (closing the main form terminates).
    void Run();
    void Terminate();
    bool Terminated() const { return FTerminated; }
    // Takes and dispatches every queued message.
    void ProcessMessages();
    // Takes one message, waiting for it, and dispatches it; exceptions go to HandleException.
    void HandleMessage();
    // OnMessage first; unless it sets Handled, the message is dispatched.
    bool ProcessMessage();

    void Restore();
    void Minimize();

    // The session ends (log-off, shut-down, restart): the process ends when this returns.
    // Runs OnEndSession once (the program ends itself as Quit does and writes what it keeps),
    // or without one closes the main form; then the message loop ends. The backend calls it
    // on WM_ENDSESSION.
    void EndSession();
    bool SessionEnded() const { return FSessionEnded; }
    TNotifyEvent OnEndSession;

    // Called inside a catch block: abort exceptions vanish, others go to OnException or,
    // without one, to ShowException. A thrown value that is not one of the program's
    // exceptions arrives as an EForeignException (class name of its type, its message).
    void HandleException(TObject* sender);
    void ShowException(const Exception& e);
    int ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags);

    TExceptionEvent OnException;
    TMessageEvent OnMessage;
    TNotifyEvent OnIdle;

    // Hints: the control under the mouse shows its hint after HintPause ms.
    int HintPause() const { return FHintPause; }
    void SetHintPause(int ms) { FHintPause = ms; }
    int HintHidePause() const { return FHintHidePause; }
    void SetHintHidePause(int ms) { FHintHidePause = ms; }
    const std::string& CurrentHint() const { return FShownHint; }
    void CancelHint();
    // Backend: the mouse is over control (null: over nothing of ours).
    void NotifyHintControl(TControl* control);
    void ControlDestroying(TControl* control);
    // Frees released forms (after each message).
    void DoReleases();

    // The hand-over from other threads. Queue may be called on any thread: fn runs on the
    // user-interface thread from the message loop (also inside modal loops), in the order
    // queued. Exceptions of fn go to HandleException. What is still queued when the
    // application goes is dropped.
    void Queue(std::function<void()> fn);
    // The backend, woken: runs what is queued now (user-interface thread).
    void RunQueued();
    // Work on other threads that will queue more (a headless loop then waits in real time
    // for it instead of only moving its virtual clock). Any thread.
    void BeginBackgroundWork() { ++FBackgroundWork; }
    void EndBackgroundWork() { --FBackgroundWork; }
    bool BackgroundWorkPending() const { return FBackgroundWork.load() > 0; }

public:
    void Notification(TComponent* component, TOperation operation) override;

private:
    void HintTimerFired();
    std::string FTitle;
    bool FShowMainForm = true;
    bool FTerminated = false;
    bool FRunning = false;
    bool FCreatingMainForm = false;
    bool FSessionEnded = false;
    TCustomForm* FMainForm = nullptr;
    int FHintPause = 500;
    int FHintHidePause = 2500;
    TTimer* FHintTimer = nullptr;
    TControl* FHintControl = nullptr;
    bool FHintShown = false;
    std::string FShownHint;
    std::vector<TCustomForm*> FReleased;
    std::mutex FQueueLock;
    std::deque<std::function<void()>> FQueued;
    bool FWakePending = false;  // a wake-up is on its way to the loop
    std::atomic<int> FBackgroundWork{0};
    friend class TCustomForm;
};

extern TApplication* Application;
extern TScreen* Screen;

namespace ui {
// Runs fn; any exception it throws goes to Application->HandleException(sender). Every
// entry from a window procedure, timer or menu into framework or program code uses it.
void SafeCall(TObject* sender, const std::function<void()>& fn);
}  // namespace ui
