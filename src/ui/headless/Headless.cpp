#include "ui/headless/Headless.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <stdexcept>

#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/StdCtrls.h"

namespace ui::headless {

int CharWidth(const TFont& font) { return (std::abs(font.Height()) + 1) / 2 + 1; }
int LineHeight(const TFont& font) { return std::abs(font.Height()) + 2; }

namespace {

std::size_t CodePoints(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

bool IsTopLevel(const TWinControl* c) { return c && !c->Parent(); }

class TRecordingCanvas : public TCanvas {
public:
    explicit TRecordingCanvas(THeadless& backend) : FBackend(backend) {}
    std::vector<TPaintOp> Ops;

protected:
    void DoFillRect(const TRect& r, TColor color) override {
        Ops.push_back({TPaintOp::Fill, r, FBackend.ColorToRGB(color), {}});
    }
    void DoTextAt(int x, int y, const std::string& text, const TFont& font, bool prefix,
                   const TRect& clip) override {
        std::string shown = prefix ? StripAccelChars(text) : text;
        TSize s = FBackend.TextExtent(font, text, prefix);
        TRect r = Bounds(x, y, s.cx, s.cy).Intersect(clip);
        if (r.Empty()) return;
        Ops.push_back({TPaintOp::Text, r, FBackend.ColorToRGB(font.Color()), shown});
    }
    void DoDraw(int x, int y, const TImageData& image, const TRect& clip) override {
        TRect r = Bounds(x, y, image.Width, image.Height).Intersect(clip);
        if (!r.Empty()) Ops.push_back({TPaintOp::Image, r, 0, {}});
    }

private:
    THeadless& FBackend;
};

}  // namespace

THeadless::THeadless() { FTimerWindow = FNextHandle++; }

THeadless::~THeadless() = default;

void THeadless::CheckUiThread(const char* what) const {
    if (std::this_thread::get_id() != FUiThread)
        throw TWrongThread(std::string(what) + " called off the user-interface thread");
}

void THeadless::WakeUp() {
    {
        std::lock_guard<std::mutex> guard(FWakeLock);
        FWoken = true;
    }
    FWakeCv.notify_all();
}

THeadless& Headless() {
    auto* h = dynamic_cast<THeadless*>(&Backend());
    if (!h) throw std::logic_error("the installed backend is not the headless one");
    return *h;
}

TSession::TSession() : FBackend(new THeadless) { StartUp(std::unique_ptr<TBackend>(FBackend)); }
TSession::~TSession() { ShutDown(); }

// ---- clock --------------------------------------------------------------------------

THeadless::TTimerEntry* THeadless::NextTimer() {
    TTimerEntry* best = nullptr;
    for (TTimerEntry& t : FTimers)
        if (!best || t.Due < best->Due || (t.Due == best->Due && t.Order < best->Order)) best = &t;
    return best;
}

bool THeadless::FireNextTimer(std::int64_t limit) {
    TTimerEntry* t = NextTimer();
    if (!t || t->Due > limit) return false;
    if (t->Due > FNow) FNow = t->Due;
    t->Due = FNow + t->Interval;
    // As on Win32, the tick is a queued message that the message event sees.
    FQueue.push_back({FTimerWindow, WmTimer, static_cast<std::uintptr_t>(t->Order), 0});
    return true;
}

void THeadless::Flush() {
    if (Application)
        Application->ProcessMessages();
    else
        FQueue.clear();
}

void THeadless::advance(std::int64_t ms) {
    std::int64_t target = FNow + (ms < 0 ? 0 : ms);
    FWaitStart = -1;
    Flush();
    while (FireNextTimer(target)) Flush();
    FNow = target;
    Flush();
}

void THeadless::ModalWait(std::int64_t afterMs) {
    ++FModalDepth;
    try {
        advance(afterMs);
    } catch (...) {
        --FModalDepth;
        throw;
    }
    --FModalDepth;
}

// ---- windows ------------------------------------------------------------------------

THeadless::TWindow* THeadless::Find(THandle h) {
    auto it = FWindows.find(h);
    return it == FWindows.end() ? nullptr : &it->second;
}

const THeadless::TWindow* THeadless::Find(THandle h) const {
    auto it = FWindows.find(h);
    return it == FWindows.end() ? nullptr : &it->second;
}

THandle THeadless::CreateNative(TWinControl& control) {
    CheckUiThread("CreateNative");
    THandle h = FNextHandle++;
    TWindow w;
    w.Control = &control;
    w.Visible = NativeVisible(control);
    w.Enabled = control.Enabled();
    FWindows[h] = w;
    return h;
}

void THeadless::DestroyNative(TWinControl& control) {
    CheckUiThread("DestroyNative");
    std::vector<TWinControl*> natives;
    control.CollectNative(natives, true);
    natives.erase(std::remove_if(natives.begin(), natives.end(), [](TWinControl* n) { return !n->RawHandle(); }),
                  natives.end());
    for (TWinControl* n : natives) {
        TMessage m{WmDestroy, 0, 0, 0};
        SafeCall(n, [&] { n->WndProc(m); });
    }
    for (auto it = natives.rbegin(); it != natives.rend(); ++it) {
        TWinControl* n = *it;
        // The shell forgets a bar whose window is gone.
        if (auto* form = dynamic_cast<TCustomForm*>(n); form && FAppBars.erase(form))
            FAppBarCalls.push_back({TAppBarCall::Undock, form, {}});
        FWindows.erase(n->RawHandle());
        if (FFocused == n) FFocused = nullptr;
        n->NotifyHandleDestroyed();
    }
}

void THeadless::UpdateWindow(TWinControl& control, TUpdate what) {
    CheckUiThread("UpdateWindow");
    TWindow* w = Find(control.RawHandle());
    if (!w) return;
    if (what == TUpdate::Visible) {
        const bool was = w->Visible;
        w->Visible = NativeVisible(control);
        auto* form = dynamic_cast<TCustomForm*>(&control);
        if (form && !was && w->Visible && form->ActivateOnShow()) FActivations.push_back(form);
        if (!w->Visible && FFocused && control.ContainsControl(FFocused)) FFocused = nullptr;
    }
    if (what == TUpdate::Enabled) w->Enabled = control.Enabled();
}

TWinControl* THeadless::ControlOf(THandle window) {
    TWindow* w = Find(window);
    return w ? w->Control : nullptr;
}

void THeadless::InvalidateRect(TWinControl& host, const TRect& r) {
    CheckUiThread("InvalidateRect");
    TWindow* w = Find(host.RawHandle());
    if (!w) return;
    TRect clipped = r.Intersect(host.ClientRect());
    if (!clipped.Empty()) w->Invalid = w->Invalid.Union(clipped);
}

void THeadless::ScrollRect(TWinControl& host, const TRect& r, int dx) {
    CheckUiThread("ScrollRect");
    TWindow* w = Find(host.RawHandle());
    if (!w) return;
    const TRect area = r.Intersect(host.ClientRect());
    if (area.Empty() || dx == 0) return;
    FScrolls.push_back({&host, area, dx});
    // What was still to be painted inside the area moves with its pixels; the invalid area is
    // one rectangle here, so it grows to cover both places.
    const TRect pending = w->Invalid.Intersect(area);
    if (!pending.Empty()) w->Invalid = w->Invalid.Union(pending.Offset(dx, 0).Intersect(area));
    TRect uncovered = area;
    if (dx < 0)
        uncovered.Left = std::max(area.Left, area.Right + dx);
    else
        uncovered.Right = std::min(area.Right, area.Left + dx);
    w->Invalid = w->Invalid.Empty() ? uncovered : w->Invalid.Union(uncovered);
}

TRect THeadless::InvalidArea(TWinControl& host) const {
    const TWindow* w = Find(host.RawHandle());
    return w ? w->Invalid : TRect{};
}

std::vector<TPaintOp> THeadless::Paint(TWinControl& host) {
    TRecordingCanvas canvas(*this);
    host.PaintHost(canvas, host.ClientRect());
    if (TWindow* w = Find(host.RawHandle())) w->Invalid = {};
    return canvas.Ops;
}

void THeadless::SetFocus(TWinControl& control) {
    if (FFocused == &control) return;
    TWinControl* previous = FFocused;
    FFocused = &control;
    if (previous) SafeCall(previous, [&] { previous->NotifyFocusChanged(false); });
    if (FFocused == &control) SafeCall(&control, [&] { control.NotifyFocusChanged(true); });
}

void THeadless::SetWindowPos(TWinControl& form, std::intptr_t insertAfter, unsigned flags) {
    FWindowPos.push_back({&form, insertAfter, flags});
}

void THeadless::BringToFront(TWinControl& control) {
    auto* form = dynamic_cast<TCustomForm*>(&control);
    if (form && form->ActivateOnShow()) FActivations.push_back(form);
}

bool THeadless::IsMinimized(TWinControl& form) {
    TWindow* w = Find(form.RawHandle());
    return w && w->Minimized;
}

void THeadless::Minimize(TWinControl& form) {
    if (TWindow* w = Find(form.RawHandle())) w->Minimized = true;
}

void THeadless::Restore(TWinControl& form) {
    ++FRestores;
    if (TWindow* w = Find(form.RawHandle())) w->Minimized = false;
}

void THeadless::EnableWindow(TWinControl& form, bool enable) {
    if (TWindow* w = Find(form.RawHandle())) w->Enabled = enable;
}

bool THeadless::WindowEnabled(THandle h) const {
    const TWindow* w = Find(h);
    return w && w->Enabled;
}

bool THeadless::WindowVisible(THandle h) const {
    const TWindow* w = Find(h);
    return w && w->Visible;
}

TRect THeadless::FrameInsets(const TCustomForm& form) {
    switch (form.BorderStyle()) {
        case bsNone: return {0, 0, 0, 0};
        case bsToolWindow: return {3, 19, 3, 3};
        default: return {3, 22, 3, 3};
    }
}

TPoint THeadless::ClientToScreen(TWinControl& native, TPoint p) {
    TPoint origin;
    for (TWinControl* c = &native; c; ) {
        if (!c->Parent()) {
            TRect f = c->InheritsFrom("TCustomForm") ? FrameInsets(static_cast<TCustomForm&>(*c)) : TRect{};
            origin.X += c->Left() + f.Left;
            origin.Y += c->Top() + f.Top;
            break;
        }
        TRect b = NativeBounds(*c);
        origin.X += b.Left;
        origin.Y += b.Top;
        c = c->Parent()->NativeHost();
    }
    return {origin.X + p.X, origin.Y + p.Y};
}

TRect THeadless::PageDisplayRect(TWinControl& pageControl) {
    return {2, 22, std::max(2, pageControl.Width() - 2), std::max(22, pageControl.Height() - 2)};
}

// ---- messages -----------------------------------------------------------------------

std::intptr_t THeadless::SendMsg(THandle window, unsigned msg, std::uintptr_t wParam,
                                     std::intptr_t lParam) {
    CheckUiThread("SendMsg");
    TMessage m{msg, wParam, lParam, 0};
    if (auto it = FHidden.find(window); it != FHidden.end()) {
        auto proc = it->second;
        proc(m);
        return m.Result;
    }
    if (TWindow* w = Find(window)) {
        TWinControl* c = w->Control;
        SafeCall(c, [&] { c->WndProc(m); });
        return m.Result;
    }
    return 0;
}

bool THeadless::PostMsg(THandle window, unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    CheckUiThread("PostMsg");
    if (window && !FHidden.count(window) && !Find(window) && window != FTimerWindow) return false;
    FQueue.push_back({window, msg, wParam, lParam});
    return true;
}

unsigned THeadless::RegisterMsg(const std::string& name) {
    std::string key;
    for (char c : name) key += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    auto it = FRegistered.find(key);
    if (it != FRegistered.end()) return it->second;
    unsigned id = 0xC000 + static_cast<unsigned>(FRegistered.size());
    FRegistered[key] = id;
    return id;
}

void THeadless::BroadcastMsg(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    for (auto& [h, w] : FWindows)
        if (IsTopLevel(w.Control)) FQueue.push_back({h, msg, wParam, lParam});
    for (auto& [h, proc] : FHidden) FQueue.push_back({h, msg, wParam, lParam});
}

THandle THeadless::AllocateHWnd(std::function<void(TMessage&)> proc) {
    THandle h = FNextHandle++;
    FHidden[h] = std::move(proc);
    return h;
}

void THeadless::DeallocateHWnd(THandle window) { FHidden.erase(window); }

std::intptr_t THeadless::DefWndProc(THandle, const TMessage&) { return 0; }

void THeadless::CallDefault(TWinControl&, TMessage& message) { message.Result = 0; }

bool THeadless::Peek(TMsg& msg) {
    {
        std::lock_guard<std::mutex> guard(FWakeLock);
        if (FWoken) {
            FWoken = false;
            FQueue.push_back({0, WmApp, 0, 0});
        }
    }
    if (FQueue.empty()) return false;
    msg = FQueue.front();
    FQueue.pop_front();
    return true;
}

void THeadless::WaitMessage() {
    if (!FQueue.empty()) return;
    if (Application && Application->BackgroundWorkPending()) {
        // Real time passes for the work on other threads; the virtual clock follows it.
        using Clock = std::chrono::steady_clock;
        const auto now = Clock::now();
        if (!FRealTime) {
            FRealTime = true;
            FRealAnchor = now;
            FVirtualAnchor = FNow;
        }
        const std::int64_t real =
            FVirtualAnchor + std::chrono::duration_cast<std::chrono::milliseconds>(now - FRealAnchor).count();
        if (real > FNow) FNow = real;
        FWaitStart = -1;
        TTimerEntry* t = NextTimer();
        if (t && t->Due <= FNow) {
            FireNextTimer(t->Due);
            return;
        }
        const std::int64_t wait = t ? t->Due - FNow : 1000;
        std::unique_lock<std::mutex> lock(FWakeLock);
        FWakeCv.wait_for(lock, std::chrono::milliseconds(wait), [this] { return FWoken; });
        return;
    }
    FRealTime = false;
    if (!FScript.empty()) {
        auto step = std::move(FScript.front());
        FScript.pop_front();
        FWaitStart = -1;
        step();
        return;
    }
    if (FWaitStart < 0) FWaitStart = FNow;
    TTimerEntry* t = NextTimer();
    if (!t) throw TLoopStall{"a loop waits, but nothing is scripted and no timer runs"};
    if (t->Due - FWaitStart > FStallLimit) throw TLoopStall{"a loop waited past the stall limit"};
    FireNextTimer(t->Due);
}

void THeadless::Dispatch(const TMsg& msg) {
    if (msg.Wnd == 0 && msg.Message == WmApp) {
        if (Application) Application->RunQueued();
        return;
    }
    if (msg.Wnd == FTimerWindow && msg.Message == WmTimer) {
        auto it = FTimerIds.find(msg.WParam);
        if (it != FTimerIds.end()) it->second->Fire();
        return;
    }
    if (auto it = FHidden.find(msg.Wnd); it != FHidden.end()) {
        auto proc = it->second;
        TMessage m{msg.Message, msg.WParam, msg.LParam, 0};
        proc(m);
        return;
    }
    if (TWindow* w = Find(msg.Wnd)) {
        TWinControl* c = w->Control;
        TMessage m{msg.Message, msg.WParam, msg.LParam, 0};
        SafeCall(c, [&] { c->WndProc(m); });
    }
}

void THeadless::PostQuit() { FQueue.push_back({0, WmQuit, 0, 0}); }

void THeadless::StartTimer(TTimer& timer, int intervalMs) {
    CheckUiThread("StartTimer");
    ++FTimerStarts;
    StopTimer(timer);
    std::uint64_t order = ++FTimerOrder;
    FTimers.push_back({&timer, intervalMs, FNow + intervalMs, order});
    FTimerIds[static_cast<std::uintptr_t>(order)] = &timer;
}

void THeadless::StopTimer(TTimer& timer) {
    CheckUiThread("StopTimer");
    for (auto it = FTimers.begin(); it != FTimers.end();) {
        if (it->Timer == &timer) {
            auto id = static_cast<std::uintptr_t>(it->Order);
            FTimerIds.erase(id);
            FQueue.erase(std::remove_if(FQueue.begin(), FQueue.end(),
                                        [&](const TMsg& m) {
                                            return m.Wnd == FTimerWindow && m.Message == WmTimer && m.WParam == id;
                                        }),
                         FQueue.end());
            it = FTimers.erase(it);
        } else {
            ++it;
        }
    }
}

// ---- screen, text, dialogs ----------------------------------------------------------

TSize THeadless::TextExtent(const TFont& font, const std::string& text, bool prefix) {
    std::string shown = prefix ? StripAccelChars(text) : text;
    return {static_cast<int>(CodePoints(shown)) * CharWidth(font), LineHeight(font)};
}

TColor THeadless::ColorToRGB(TColor color) {
    if (!IsSystemColor(color)) return color & 0xFFFFFF;
    switch (color & 0xFF) {
        case 5: case 14: case 20: return 0xFFFFFF;               // window, highlight text, highlight
        case 8: case 18: case 23: return 0x000000;               // window text, button text, info text
        case 13: return 0x800000;                                // highlight
        case 15: case 22: return 0xC0C0C0;                       // button face, 3D light
        case 16: case 17: return 0x808080;                       // shadow, grey text
        case 21: return 0x404040;                                // 3D dark shadow
        case 24: return 0xE1FFFF;                                // info background
        default: return 0x000000;
    }
}

int THeadless::ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    TMessageBoxCall call{text, caption, flags, 0};
    if (!FBoxAnswers.empty()) {
        TAnswer a = FBoxAnswers.front();
        FBoxAnswers.pop_front();
        ModalWait(a.AfterMs);
        call.Answer = a.Value;
    } else {
        ++FUnscripted;
        unsigned buttons = flags & 0xF;
        call.Answer = (buttons == MbYesNo || buttons == MbYesNoCancel) ? IdYes : IdOk;
    }
    FMessageBoxes.push_back(call);
    return call.Answer;
}

bool THeadless::ExecuteColorDialog(TColor& color) {
    TColorDialogCall call{color, false, color};
    if (!FColorAnswers.empty()) {
        TAnswer a = FColorAnswers.front();
        FColorAnswers.pop_front();
        ModalWait(a.AfterMs);
        call.Ok = a.Ok;
        if (a.Ok) color = a.Color;
    }
    call.Chosen = color;
    FColorDialogs.push_back(call);
    return call.Ok;
}

TMenuItem* THeadless::TrackPopupMenu(TPopupMenu& menu, TPoint screen) {
    TPopupCall call;
    call.At = screen;
    std::function<void(TMenuItem*, const std::string&)> list = [&](TMenuItem* parent, const std::string& indent) {
        for (int i = 0; i < parent->Count(); ++i) {
            TMenuItem* item = parent->Items(i);
            if (!item->Visible()) continue;
            call.Captions.push_back(indent + item->Caption());
            list(item, indent + "  ");
        }
    };
    list(menu.Items(), "");
    TMenuItem* chosen = nullptr;
    if (!FPopupAnswers.empty()) {
        TAnswer a = FPopupAnswers.front();
        FPopupAnswers.pop_front();
        ModalWait(a.AfterMs);
        call.Chosen = a.Path;
        TMenuItem* level = menu.Items();
        std::string rest = a.Path;
        while (!rest.empty() && level) {
            std::size_t slash = rest.find('/');
            std::string part = rest.substr(0, slash);
            rest = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
            TMenuItem* found = nullptr;
            for (int i = 0; i < level->Count() && !found; ++i) {
                TMenuItem* item = level->Items(i);
                if (item->Visible() && (StripAccelChars(item->Caption()) == part || item->Name() == part))
                    found = item;
            }
            if (!found) throw std::logic_error("scripted popup choice not in the menu: " + a.Path);
            level = found;
        }
        chosen = level != menu.Items() ? level : nullptr;
        if (chosen && (!chosen->Enabled() || chosen->IsLine() || chosen->Count() > 0)) chosen = nullptr;
    }
    FPopups.push_back(call);
    return chosen;
}

THandle THeadless::CreateIcon(const TImageData&) {
    THandle h = FNextIcon++;
    FIcons.insert(h);
    return h;
}

void THeadless::DestroyIcon(THandle icon) { FIcons.erase(icon); }

// ---- notification area ----------------------------------------------------------------

bool THeadless::NotifyIcon(TNotifyIconAction action, const TNotifyIconData& data) {
    CheckUiThread("NotifyIcon");
    auto it = std::find_if(FNotifyIcons.begin(), FNotifyIcons.end(), [&](const TNotifyIconData& d) {
        return d.Window == data.Window && d.Id == data.Id;
    });
    bool ok = FNotifyAvailable;
    if (ok) {
        switch (action) {
            case TNotifyIconAction::Add:
                ok = it == FNotifyIcons.end();
                if (ok) FNotifyIcons.push_back(data);
                break;
            case TNotifyIconAction::Modify:
                ok = it != FNotifyIcons.end();
                if (ok) *it = data;
                break;
            case TNotifyIconAction::Delete:
                ok = it != FNotifyIcons.end();
                if (ok) FNotifyIcons.erase(it);
                break;
        }
    }
    FNotifyCalls.push_back({action, data, ok});
    return ok;
}

const TNotifyIconData* THeadless::FindNotifyIcon(THandle window, unsigned id) const {
    for (const TNotifyIconData& d : FNotifyIcons)
        if (d.Window == window && d.Id == id) return &d;
    return nullptr;
}

bool THeadless::NotifyIconMouse(THandle window, unsigned id, unsigned mouseMsg) {
    const TNotifyIconData* d = FindNotifyIcon(window, id);
    if (!d) return false;
    PostMsg(d->Window, d->CallbackMessage, d->Id, static_cast<std::intptr_t>(mouseMsg));
    Flush();
    return true;
}

void THeadless::SetNotifyAreaAvailable(bool available) {
    FNotifyAvailable = available;
    if (!available) FNotifyIcons.clear();
}

void THeadless::RecreateNotifyArea() {
    FNotifyIcons.clear();
    FNotifyAvailable = true;
    BroadcastMsg(RegisterMsg(TaskbarCreatedMessageName), 0, 0);
}

// ---- desktop toolbars ---------------------------------------------------------------

bool THeadless::DockAppBar(TCustomForm& form) {
    CheckUiThread("DockAppBar");
    if (!Find(form.RawHandle())) return false;
    // As the shell does: the band spans the primary monitor below the bars already there.
    const TRect band{FScreen.Left, FScreen.Top + FTopReserved, FScreen.Right, FScreen.Top + FTopReserved + form.Height()};
    FAppBars[&form] = band;
    FAppBarCalls.push_back({TAppBarCall::Dock, &form, band});
    form.SetBounds(band.Left, band.Top, band.Width(), band.Height());
    return true;
}

void THeadless::UndockAppBar(TCustomForm& form) {
    CheckUiThread("UndockAppBar");
    if (FAppBars.erase(&form)) FAppBarCalls.push_back({TAppBarCall::Undock, &form, {}});
}

const TRect* THeadless::AppBarBand(const TCustomForm& form) const {
    auto it = FAppBars.find(&form);
    return it == FAppBars.end() ? nullptr : &it->second;
}

void THeadless::ShellMovedAppBars() {
    std::vector<const TCustomForm*> forms;
    for (const auto& [form, band] : FAppBars) forms.push_back(form);
    for (const TCustomForm* form : forms) {
        auto* f = const_cast<TCustomForm*>(form);
        if (FAppBars.count(form)) SafeCall(f, [&] { f->NotifyAppBarMoved(); });
    }
}

void THeadless::SetFullScreenApp(bool inFront) {
    FFullScreen = inFront;
    std::vector<const TCustomForm*> forms;
    for (const auto& [form, band] : FAppBars) forms.push_back(form);
    for (const TCustomForm* form : forms) {
        auto* f = const_cast<TCustomForm*>(form);
        if (FAppBars.count(form)) SafeCall(f, [&] { f->NotifyFullScreenApp(inFront); });
    }
}

void THeadless::ChangeDisplay(int width, int height) {
    TRect was = FScreen;
    FScreen = {0, 0, width, height};
    if (Screen) SafeCall(nullptr, [&] { Screen->NotifyDisplayChanged(was, FScreen); });
}

// ---- scripted answers ---------------------------------------------------------------

void THeadless::AnswerMessageBox(int answer, std::int64_t afterMs) {
    TAnswer a;
    a.Value = answer;
    a.AfterMs = afterMs;
    FBoxAnswers.push_back(a);
}

void THeadless::AnswerColorDialog(bool ok, TColor color, std::int64_t afterMs) {
    TAnswer a;
    a.Ok = ok;
    a.Color = color;
    a.AfterMs = afterMs;
    FColorAnswers.push_back(a);
}

void THeadless::AnswerPopup(std::string path, std::int64_t afterMs) {
    TAnswer a;
    a.Path = std::move(path);
    a.AfterMs = afterMs;
    FPopupAnswers.push_back(a);
}

// ---- simulated input ----------------------------------------------------------------

namespace {
void RequireEnabledWindow(THeadless& h, TControl& control) {
    TCustomForm* form = GetParentForm(&control);
    if (!form || !form->RawHandle() || !h.WindowEnabled(form->RawHandle()) || !h.WindowVisible(form->RawHandle()))
        throw std::logic_error("input to a control whose window is hidden, disabled or missing");
    if (!control.Showing() || !control.EffectivelyEnabled())
        throw std::logic_error("input to a hidden or disabled control");
}
}  // namespace

void THeadless::ClickAt(TWinControl& host, TPoint p, bool right) {
    SafeCall(&host, [&] { host.HostMouse(right ? WmRButtonDown : WmLButtonDown, 0, p); });
    SafeCall(&host, [&] { host.HostMouse(right ? WmRButtonUp : WmLButtonUp, 0, p); });
}

void THeadless::EndSession() {
    if (Application) SafeCall(Application, [] { Application->EndSession(); });
}

void THeadless::Click(TControl& control) {
    RequireEnabledWindow(*this, control);
    auto* w = dynamic_cast<TWinControl*>(&control);
    if (w && w->IsNative()) {
        switch (w->NativeKind()) {
            case TNativeKind::Button:
            case TNativeKind::CheckBox:
                if (w->CanFocus()) SetFocus(*w);
                SafeCall(w, [&] { w->NotifyNativeCommand(0); });
                return;
            case TNativeKind::Edit:
            case TNativeKind::ComboBox:
                if (w->CanFocus()) SetFocus(*w);
                return;
            case TNativeKind::Form:
            case TNativeKind::Host:
                ClickAt(*w, {w->ClientWidth() / 2, w->ClientHeight() / 2}, false);
                return;
            default:
                return;
        }
    }
    TWinControl* host = control.NativeHost();
    if (!host) return;
    TRect r = control.BoundsInHost();
    ClickAt(*host, {r.Left + r.Width() / 2, r.Top + r.Height() / 2}, false);
}

void THeadless::RightClick(TControl& control) {
    RequireEnabledWindow(*this, control);
    TWinControl* host = control.NativeHost();
    if (!host) return;
    auto* w = dynamic_cast<TWinControl*>(&control);
    if (w && w->IsNative() && w->NativeKind() != TNativeKind::Form && w->NativeKind() != TNativeKind::Host) {
        for (TControl* c = &control; c; c = c->Parent())
            if (TPopupMenu* menu = c->PopupMenu()) {
                TPoint s = control.ClientToScreen({control.Width() / 2, control.Height() / 2});
                menu->SetPopupComponent(c);
                SafeCall(menu, [&] { menu->Popup(s.X, s.Y); });
                return;
            }
        return;
    }
    TRect r = host == &control ? control.ClientRect() : control.BoundsInHost();
    ClickAt(*host, {r.Left + r.Width() / 2, r.Top + r.Height() / 2}, true);
}

void THeadless::MouseMove(TControl& control) {
    TWinControl* host = control.NativeHost();
    if (!host) return;
    TRect r = host == &control ? control.ClientRect() : control.BoundsInHost();
    TPoint p{r.Left + r.Width() / 2, r.Top + r.Height() / 2};
    FCursorPos = host->ClientToScreen(p);
    SafeCall(host, [&] { host->HostMouse(WmMouseMove, 0, p); });
}

void THeadless::MouseLeave() {
    if (Application) Application->NotifyHintControl(nullptr);
}

void THeadless::TypeText(TWinControl& control, const std::string& text) {
    RequireEnabledWindow(*this, control);
    if (control.CanFocus()) SetFocus(control);
    if (auto* e = dynamic_cast<TCustomEdit*>(&control)) {
        if (e->ReadOnly()) return;
        SafeCall(e, [&] { e->NotifyUserText(text); });
    } else if (auto* c = dynamic_cast<TCustomComboBox*>(&control)) {
        SafeCall(c, [&] { c->NotifyUserText(text); });
    } else {
        throw std::logic_error("TypeText into a control without an edit field");
    }
}

void THeadless::SelectItem(TCustomComboBox& combo, int index) {
    RequireEnabledWindow(*this, combo);
    if (combo.CanFocus()) SetFocus(combo);
    combo.SyncItems();
    SafeCall(&combo, [&] { combo.NotifyUserSelect(index); });
}

void THeadless::PressArrow(TCustomUpDown& upDown, bool up) {
    RequireEnabledWindow(*this, upDown);
    SafeCall(&upDown, [&] { upDown.NotifyArrow(up ? btNext : btPrev); });
}

void THeadless::SelectTab(TPageControl& pageControl, int tabIndex) {
    RequireEnabledWindow(*this, pageControl);
    SafeCall(&pageControl, [&] { pageControl.NotifyUserTab(tabIndex); });
}

void THeadless::Focus(TWinControl& control) {
    RequireEnabledWindow(*this, control);
    if (!control.CanFocus()) throw std::logic_error("the control cannot take the focus");
    control.HandleNeeded();
    SetFocus(control);
}

void THeadless::CloseByUser(TCustomForm& form) {
    if (!form.RawHandle() || !WindowEnabled(form.RawHandle()))
        throw std::logic_error("closing a disabled or missing window");
    form.NotifyCloseRequest();
}

void THeadless::PressKey(TCustomForm& form, bool enter) {
    RequireEnabledWindow(*this, form);
    SafeCall(&form, [&] { form.DialogKey(enter); });
}

void THeadless::PressAccelerator(TCustomForm& form, char32_t key) {
    RequireEnabledWindow(*this, form);
    SafeCall(&form, [&] { form.DialogChar(key); });
}

}  // namespace ui::headless
