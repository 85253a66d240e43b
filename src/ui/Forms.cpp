#include "ui/Forms.h"

#include <algorithm>

#include "core/ForeignException.h"
#include "ui/Accel.h"
#include "ui/Backend.h"
#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Menus.h"
#include "ui/PropHelpers.h"
#include "ui/StdCtrls.h"
#include "ui/Tabs.h"

using namespace ui;

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

SKIMBAR_CLASS_INFO(
    TCustomForm, TWinControl,
    prop::Text<TCustomForm>("Caption", [](TCustomForm& f) { return f.Caption(); },
                            [](TCustomForm& f, const std::string& v) { f.SetCaption(v); },
                            [](TCustomForm& f) { return f.IsCaptionStored(); }),
    prop::Int<TCustomForm>("BorderStyle", [](TCustomForm& f) { return int(f.BorderStyle()); },
                           [](TCustomForm& f, int v) { f.SetBorderStyle(TFormBorderStyle(v)); }),
    prop::Int<TCustomForm>("Position", [](TCustomForm& f) { return int(f.Position()); },
                           [](TCustomForm& f, int v) { f.SetPosition(TPosition(v)); }),
    prop::Int<TCustomForm>("ClientWidth", [](TCustomForm& f) { return f.ClientWidth(); },
                           [](TCustomForm& f, int v) { f.SetClientWidth(v); }),
    prop::Int<TCustomForm>("ClientHeight", [](TCustomForm& f) { return f.ClientHeight(); },
                           [](TCustomForm& f, int v) { f.SetClientHeight(v); }),
    prop::Ref<TCustomForm, TMainMenu>("Menu", [](TCustomForm& f) { return f.Menu(); },
                                      [](TCustomForm& f, TMainMenu* m) { f.SetMenu(m); }))
SKIMBAR_CLASS_INFO(TForm, TCustomForm)
SKIMBAR_CLASS_INFO(TScreen, TComponent)
SKIMBAR_CLASS_INFO(TApplication, TComponent,
                   prop::Text<TApplication>("Title", [](TApplication& a) { return a.Title(); },
                                            [](TApplication& a, const std::string& v) { a.SetTitle(v); }))

namespace {
// Visits the controls below parent, each before its children; f returning false stops the
// whole walk, at every level. Returns false when stopped.
template <class F>
bool ForEachControl(TWinControl* parent, F&& f) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (!f(c)) return false;
        if (auto* w = dynamic_cast<TWinControl*>(c))
            if (!ForEachControl(w, f)) return false;
    }
    return true;
}
}  // namespace

// ---------------------------------------------------------------------------------------
// TCustomForm

TCustomForm::TCustomForm(TComponent* owner) : TWinControl(owner) {
    if (Application && owner == Application && Application->FCreatingMainForm && !Application->FMainForm) {
        Application->FMainForm = this;
        Application->FCreatingMainForm = false;
    }
    FVisible = false;
    SetBounds(0, 0, 320, 240);
    SetParentFont(false);
    if (Screen) Screen->FForms.push_back(this);
}

TCustomForm::~TCustomForm() {
    if (Screen) {
        auto& f = Screen->FForms;
        f.erase(std::remove(f.begin(), f.end(), this), f.end());
        if (Screen->FActiveForm == this) Screen->FActiveForm = nullptr;
    }
    if (Application && Application->MainForm() == this) Application->SetMainForm(nullptr);
    delete FFullScreenPoll;
}

void TCustomForm::BeforeDestruction() {
    if (!FDestroyed) {
        FDestroyed = true;
        ReleaseDock();
        SetWatchFullScreen(false);
        if (FVisible) {
            FVisible = false;
            if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::Visible);
            DoHide();
        }
        DoDestroy();
    }
    TWinControl::BeforeDestruction();
}

void TCustomForm::SetBorderStyle(TFormBorderStyle style) {
    if (style == FBorderStyle) return;
    FBorderStyle = style;
    FInsetsValid = false;
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::Style);
    Realign();
}

TRect TCustomForm::Insets() const {
    // Asked on every invalidation of the form's area, so kept until the border changes.
    if (!FInsetsValid && HasBackend()) {
        FInsets = Backend().FrameInsets(*this);
        FInsetsValid = true;
    }
    return FInsets;
}

int TCustomForm::ClientWidth() const {
    TRect f = Insets();
    return std::max(0, Width() - f.Left - f.Right);
}

int TCustomForm::ClientHeight() const {
    TRect f = Insets();
    return std::max(0, Height() - f.Top - f.Bottom);
}

TMonitor TCustomForm::Monitor() const {
    TRect r = Backend().MonitorRect(const_cast<TCustomForm*>(this));
    return {r.Left, r.Top, r.Width(), r.Height()};
}

TWindowState TCustomForm::WindowState() const {
    if (!RawHandle()) return FPendingState;
    return Backend().IsMinimized(const_cast<TCustomForm&>(*this)) ? wsMinimized : wsNormal;
}

void TCustomForm::SetWindowState(TWindowState state) {
    FPendingState = state;
    if (!RawHandle()) return;
    if (state == wsMinimized)
        Backend().Minimize(*this);
    else
        Backend().Restore(*this);
}

void TCustomForm::SetTopMost(bool topMost) {
    SetWindowPos(topMost ? HwndTopMost : HwndNoTopMost, SwpNoMove | SwpNoSize | SwpNoActivate);
}

void TCustomForm::SetWindowPos(std::intptr_t insertAfter, unsigned flags) {
    HandleNeeded();
    Backend().SetWindowPos(*this, insertAfter, flags);
}

void TCustomForm::Show() {
    SetVisible(true);
    BringToFront();
}

void TCustomForm::BringToFront() {
    if (RawHandle() && FVisible) Backend().BringToFront(*this);
}

void TCustomForm::VisibleChanged() {
    if (FVisible) {
        HandleNeeded();
        DoShow();
        if (FVisible && RawHandle()) {
            UpdateDock();  // in its band before it appears
            Backend().UpdateWindow(*this, TUpdate::Visible);
        }
    } else {
        if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::Visible);
        UpdateDock();
        DoHide();
    }
}

void TCustomForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide) OnHide(this);
}

void TCustomForm::TextChanged() {
    if (RawHandle()) Backend().UpdateWindow(*this, TUpdate::Text);
}

void TCustomForm::CreateHandle() {
    if (FPosition == poScreenCenter || (FPosition == poMainFormCenter && !Application->MainForm())) {
        TRect s = Backend().ScreenRect();
        SetBounds(s.Left + (s.Width() - Width()) / 2, s.Top + (s.Height() - Height()) / 2, Width(), Height());
    } else if (FPosition == poMainFormCenter && Application->MainForm() != this) {
        TCustomForm* m = Application->MainForm();
        SetBounds(m->Left() + (m->Width() - Width()) / 2, m->Top() + (m->Height() - Height()) / 2, Width(), Height());
    }
    TWinControl::CreateHandle();
}

void TCustomForm::HandleCreated() {
    if (FPendingState == wsMinimized) Backend().Minimize(*this);
}

TModalResult TCustomForm::ShowModal() {
    if (FVisible || !Enabled() || FModal)
        throw EInvalidOperation("Ein sichtbares Fenster kann nicht modal gemacht werden");
    // Other windows are disabled while the modal form is up.
    std::vector<TCustomForm*> disabled;
    if (Screen)
        for (TCustomForm* f : Screen->FForms)
            if (f != this && f->Visible() && f->RawHandle()) disabled.push_back(f);
    TCustomForm* previous = Screen ? Screen->FActiveForm : nullptr;
    for (TCustomForm* f : disabled) Backend().EnableWindow(*f, false);
    auto restore = [&] {
        FModal = false;
        if (Screen)
            for (TCustomForm* f : disabled)
                if (std::find(Screen->FForms.begin(), Screen->FForms.end(), f) != Screen->FForms.end())
                    Backend().EnableWindow(*f, true);
        if (previous && Screen &&
            std::find(Screen->FForms.begin(), Screen->FForms.end(), previous) != Screen->FForms.end())
            previous->BringToFront();
    };
    FModal = true;
    FModalResult = mrNone;
    try {
        Show();
        while (true) {
            Application->HandleMessage();
            if (Application->Terminated()) {
                FModalResult = mrCancel;
                break;
            }
            if (FModalResult != mrNone) {
                TCloseAction action = caHide;
                if (!CloseQuery())
                    action = caNone;
                else
                    DoClose(action);
                if (action == caNone)
                    FModalResult = mrNone;
                else
                    break;
            }
        }
        Hide();
    } catch (...) {
        restore();
        throw;
    }
    restore();
    return FModalResult;
}

bool TCustomForm::CloseQuery() {
    bool can = true;
    if (OnCloseQuery) OnCloseQuery(this, can);
    return can;
}

void TCustomForm::DoClose(TCloseAction& action) {
    if (OnClose) OnClose(this, action);
}

void TCustomForm::Close() {
    if (FModal) {
        FModalResult = mrCancel;
        return;
    }
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application && Application->MainForm() == this) {
        Application->Terminate();
    } else if (action == caHide) {
        Hide();
    } else if (action == caMinimize) {
        SetWindowState(wsMinimized);
    } else {
        Release();
    }
}

void TCustomForm::Release() {
    if (!Application) return;
    auto& r = Application->FReleased;
    if (std::find(r.begin(), r.end(), this) == r.end()) r.push_back(this);
}

void TCustomForm::SetActiveControl(TWinControl* control) { FActiveControl = control; }

TButton* TCustomForm::DefaultButton() const {
    TButton* found = nullptr;
    ForEachControl(const_cast<TCustomForm*>(this), [&](TControl* c) {
        auto* b = dynamic_cast<TButton*>(c);
        if (b && b->Default()) found = b;
        return !found;
    });
    return found;
}

TButton* TCustomForm::CancelButton() const {
    TButton* found = nullptr;
    ForEachControl(const_cast<TCustomForm*>(this), [&](TControl* c) {
        auto* b = dynamic_cast<TButton*>(c);
        if (b && b->Cancel()) found = b;
        return !found;
    });
    return found;
}

void TCustomForm::SetMenu(TMainMenu* menu) {
    if (menu == FMenu) return;
    FMenu = menu;
    if (menu) FreeNotification(menu);
}

void TCustomForm::Notification(TComponent* component, TOperation operation) {
    TWinControl::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FMenu) FMenu = nullptr;
}

bool TCustomForm::DialogKey(bool enter) {
    TButton* b = enter ? DefaultButton() : CancelButton();
    if (!b || !b->Showing() || !b->EffectivelyEnabled()) return false;
    b->Click();
    return true;
}

bool TCustomForm::DialogChar(char32_t key) {
    bool done = false;
    ForEachControl(this, [&](TControl* c) {
        if (!c->Showing() || !c->EffectivelyEnabled()) return true;
        if (!accel::Matches(c->Caption(), key)) return true;
        if (auto* label = dynamic_cast<TCustomLabel*>(c)) {
            if (!label->ShowAccelChar() || !label->FocusControl() || !label->FocusControl()->CanFocus()) return true;
            label->FocusControl()->SetFocus();
        } else if (auto* check = dynamic_cast<TCustomCheckBox*>(c)) {
            if (check->CanFocus()) check->SetFocus();
            check->Toggle();
        } else if (auto* button = dynamic_cast<TButton*>(c)) {
            if (button->CanFocus()) button->SetFocus();
            button->Click();
        } else {
            return true;
        }
        done = true;
        return false;
    });
    if (done) return true;
    // Tabs of page controls, tabbed notebooks and tab sets (their pages are hidden unless
    // active, so look at them apart).
    ForEachControl(this, [&](TControl* c) {
        if (!c->Showing() || !c->EffectivelyEnabled()) return true;
        if (auto* pc = dynamic_cast<TPageControl*>(c)) {
            std::vector<TTabSheet*> tabs = pc->VisibleTabs();
            for (std::size_t i = 0; i < tabs.size(); ++i)
                if (accel::Matches(tabs[i]->Caption(), key)) {
                    pc->NotifyUserTab(static_cast<int>(i));
                    done = true;
                    return false;
                }
        } else if (auto* book = dynamic_cast<TTabbedNotebook*>(c)) {
            for (int i = 0; i < book->Pages().Count(); ++i)
                if (accel::Matches(book->Pages()[i], key)) {
                    book->SetPageIndex(i);
                    done = true;
                    return false;
                }
        } else if (auto* tabSet = dynamic_cast<TTabSet*>(c)) {
            for (int i = 0; i < tabSet->Tabs().Count(); ++i)
                if (accel::Matches(tabSet->Tabs()[i], key)) {
                    tabSet->SetTabIndex(i);
                    done = true;
                    return false;
                }
        }
        return true;
    });
    return done;
}

void TCustomForm::EndDesign() {
    EndReading();
    DoCreate();
}

void TCustomForm::DoCreate() {
    FCreated = true;
    SafeCall(this, [this] {
        if (OnCreate) OnCreate(this);
    });
}

void TCustomForm::DoDestroy() {
    SafeCall(this, [this] {
        if (OnDestroy) OnDestroy(this);
    });
}

void TCustomForm::NotifyCloseRequest() {
    SafeCall(this, [this] { Close(); });
}

void TCustomForm::NotifyActivate(bool active) {
    if (Screen) {
        if (active)
            Screen->FActiveForm = this;
        else if (Screen->FActiveForm == this)
            Screen->FActiveForm = nullptr;
    }
    SafeCall(this, [&] {
        if (active && OnActivate) OnActivate(this);
        if (!active && OnDeactivate) OnDeactivate(this);
    });
}

// ---------------------------------------------------------------------------------------
// TScreen

TScreen::TScreen(TComponent* owner) : TComponent(owner) {}
TScreen::~TScreen() = default;

void TScreen::NotifyDisplayChanged(const TRect& was, const TRect& now) {
    if (was == now) return;
    std::vector<TCustomForm*> forms = FForms;  // a form's handler may create or free forms
    for (TCustomForm* f : forms) {
        if (std::find(FForms.begin(), FForms.end(), f) == FForms.end() || f->Parent()) continue;
        TRect b = f->BoundsRect();
        if (b.Left == was.Left && b.Width() == was.Width()) f->SetBounds(now.Left, b.Top, now.Width(), b.Height());
    }
}

int TScreen::Width() const { return Backend().ScreenRect().Width(); }
int TScreen::Height() const { return Backend().ScreenRect().Height(); }

TMonitor TScreen::MonitorFor(const TWinControl* form) const {
    TRect r = Backend().MonitorRect(const_cast<TWinControl*>(form));
    return {r.Left, r.Top, r.Width(), r.Height()};
}

void TScreen::SetCursor(TCursor cursor) {
    FCursor = cursor;
    Backend().SetScreenCursor(cursor);
}

TPoint TScreen::CursorPos() const { return Backend().CursorPos(); }

TWinControl* TScreen::ActiveControl() const { return Backend().FocusedControl(); }

// ---------------------------------------------------------------------------------------
// TApplication

TApplication::TApplication(TComponent* owner) : TComponent(owner) {
    FHintTimer = new TTimer(nullptr);
    FHintTimer->SetEnabled(false);
    FHintTimer->OnTimer = [this](TObject*) { HintTimerFired(); };
}

TApplication::~TApplication() {
    delete FHintTimer;
    FHintTimer = nullptr;
}

void TApplication::BeforeDestruction() {
    // The forms go while the application object is whole: their handlers may raise.
    FHintControl = nullptr;
    FReleased.clear();
    while (ComponentCount() > 0) delete Components(ComponentCount() - 1);
    TComponent::BeforeDestruction();
}

void TApplication::Initialize() { FTerminated = false; }

void TApplication::Run() {
    FRunning = true;
    if (FMainForm && FShowMainForm) FMainForm->Show();
    if (FMainForm) {
        while (!FTerminated) HandleMessage();
    }
    FRunning = false;
}

void TApplication::EndSession() {
    if (FSessionEnded) return;
    FSessionEnded = true;
    try {
        if (OnEndSession)
            OnEndSession(this);
        else if (FMainForm)
            FMainForm->Close();
    } catch (...) {
        Terminate();
        throw;
    }
    Terminate();
}

void TApplication::Terminate() {
    FTerminated = true;
    if (HasBackend()) Backend().PostQuit();
}

bool TApplication::ProcessMessage() {
    TMsg msg;
    if (!Backend().Peek(msg)) return false;
    if (msg.Message == WmQuit) {
        FTerminated = true;
        return true;
    }
    bool handled = false;
    if (OnMessage) OnMessage(msg, handled);
    if (!handled) Backend().Dispatch(msg);
    return true;
}

void TApplication::ProcessMessages() {
    try {
        while (ProcessMessage()) DoReleases();
    } catch (const TLoopStall&) {
        throw;
    } catch (...) {
        HandleException(this);
    }
    DoReleases();
}

void TApplication::HandleMessage() {
    try {
        if (!ProcessMessage()) {
            DoReleases();
            if (OnIdle) OnIdle(this);
            Backend().WaitMessage();
        }
    } catch (const TLoopStall&) {
        throw;
    } catch (...) {
        HandleException(this);
    }
    DoReleases();
}

void TApplication::Queue(std::function<void()> fn) {
    bool wake = false;
    {
        std::lock_guard<std::mutex> guard(FQueueLock);
        FQueued.push_back(std::move(fn));
        // One wake-up at a time: a flood of posted messages would keep timers and painting
        // (which come only when nothing is posted) away from the loop.
        wake = !FWakePending;
        FWakePending = true;
    }
    if (wake) Backend().WakeUp();
}

void TApplication::RunQueued() {
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard<std::mutex> guard(FQueueLock);
        batch.swap(FQueued);
        FWakePending = false;
    }
    for (auto& fn : batch) ui::SafeCall(this, fn);
}

void TApplication::DoReleases() {
    while (!FReleased.empty()) {
        TCustomForm* f = FReleased.front();
        FReleased.erase(FReleased.begin());
        delete f;
    }
}

void TApplication::Restore() {
    if (FMainForm && FMainForm->RawHandle()) Backend().Restore(*FMainForm);
}

void TApplication::Minimize() {
    if (FMainForm && FMainForm->RawHandle()) Backend().Minimize(*FMainForm);
}

void TApplication::HandleException(TObject* sender) {
    std::exception_ptr current = std::current_exception();
    if (!current) return;
    try {
        std::rethrow_exception(current);
    } catch (const TLoopStall&) {
        throw;
    } catch (const EAbort&) {
        // The silent exception.
        return;
    } catch (...) {
    }
    // Whatever was thrown reaches the exception event as one of ours, so a standard-library
    // exception is logged like any other instead of slipping past it.
    try {
        std::rethrow_exception(AsProgramException(current));
    } catch (Exception& e) {
        if (OnException) {
            try {
                OnException(sender, e);
            } catch (const TLoopStall&) {
                throw;
            } catch (...) {
                // The event itself failed: the standard box tells of its error.
                try {
                    std::rethrow_exception(AsProgramException(std::current_exception()));
                } catch (const EAbort&) {
                } catch (Exception& inner) {
                    ShowException(inner);
                }
            }
        } else {
            ShowException(e);
        }
    }
}

void TApplication::ShowException(const Exception& e) {
    std::string msg = e.Message();
    if (!msg.empty() && msg.back() != '.') msg += '.';
    ShowMessageBox(msg, FTitle, MbOk | MbIconStop);
}

int TApplication::ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    return Backend().ShowMessageBox(text, caption, flags);
}

void TApplication::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FMainForm) FMainForm = nullptr;
}

void TApplication::CancelHint() {
    if (FHintTimer) FHintTimer->SetEnabled(false);
    if (FHintShown && HasBackend()) Backend().HideHintWindow();
    FHintShown = false;
    FShownHint.clear();
}

void TApplication::NotifyHintControl(TControl* control) {
    // The hint is that of the nearest control, from the one under the mouse up, that shows
    // hints and has one (a label without a hint of its own shows its panel's).
    TControl* c = control;
    while (c && (!c->EffectiveShowHint() || c->Hint().empty())) c = c->Parent();
    if (c == FHintControl) return;
    CancelHint();
    FHintControl = c;
    if (c && FHintTimer) {
        FHintTimer->SetInterval(FHintPause);
        FHintTimer->SetEnabled(true);
    }
}

void TApplication::ControlDestroying(TControl* control) {
    if (control == FHintControl) {
        CancelHint();
        FHintControl = nullptr;
    }
}

void TApplication::HintTimerFired() {
    if (!FHintControl) {
        CancelHint();
        return;
    }
    if (!FHintShown) {
        FShownHint = FHintControl->Hint();
        TPoint p = Backend().CursorPos();
        Backend().ShowHintWindow(FShownHint, {p.X, p.Y + 20});
        FHintShown = true;
        FHintTimer->SetInterval(FHintHidePause);
    } else {
        CancelHint();
    }
}
