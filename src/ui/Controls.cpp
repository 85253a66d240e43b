#include "ui/Controls.h"

#include <algorithm>

#include "ui/ActnList.h"
#include "ui/Backend.h"
#include "ui/Forms.h"
#include "ui/Menus.h"
#include "ui/PropHelpers.h"

using namespace ui;

namespace {
// The control that got the left button down, until the button goes up.
TControl* gMouseCapture = nullptr;

// Invalidates only what lies inside the host: ticker items far outside the bar cost nothing.
void InvalidateInHost(TWinControl& host, const TRect& r) {
    TRect visible = r.Intersect(host.ClientRect());
    if (!visible.Empty()) Backend().InvalidateRect(host, visible);
}

bool SameCaption(const std::string& a, const std::string& b) {
    return StripAccelChars(a) == StripAccelChars(b);
}
}  // namespace

SKIMBAR_CLASS_INFO(
    TControl, TComponent,
    prop::Int<TControl>("Left", [](TControl& c) { return c.Left(); }, [](TControl& c, int v) { c.SetLeft(v); }),
    prop::Int<TControl>("Top", [](TControl& c) { return c.Top(); }, [](TControl& c, int v) { c.SetTop(v); }),
    prop::Int<TControl>("Width", [](TControl& c) { return c.Width(); }, [](TControl& c, int v) { c.SetWidth(v); }),
    prop::Int<TControl>("Height", [](TControl& c) { return c.Height(); }, [](TControl& c, int v) { c.SetHeight(v); }),
    prop::Int<TControl>("Align", [](TControl& c) { return int(c.Align()); },
                        [](TControl& c, int v) { c.SetAlign(TAlign(v)); }),
    prop::Bool<TControl>("Visible", [](TControl& c) { return c.Visible(); }, [](TControl& c, bool v) { c.SetVisible(v); }),
    prop::Bool<TControl>("Enabled", [](TControl& c) { return c.Enabled(); }, [](TControl& c, bool v) { c.SetEnabled(v); }),
    prop::Text<TControl>("Hint", [](TControl& c) { return c.Hint(); },
                         [](TControl& c, const std::string& v) { c.SetHint(v); },
                         [](TControl& c) { return c.IsHintStored(); }),
    prop::Bool<TControl>("ShowHint", [](TControl& c) { return c.ShowHint(); }, [](TControl& c, bool v) { c.SetShowHint(v); }),
    prop::Bool<TControl>("ParentShowHint", [](TControl& c) { return c.ParentShowHint(); },
                         [](TControl& c, bool v) { c.SetParentShowHint(v); }),
    prop::Int<TControl>("Cursor", [](TControl& c) { return c.Cursor(); }, [](TControl& c, int v) { c.SetCursor(v); }),
    prop::Int<TControl>("Color", [](TControl& c) { return c.Color(); }, [](TControl& c, int v) { c.SetColor(v); }),
    prop::Bool<TControl>("ParentColor", [](TControl& c) { return c.ParentColor(); },
                         [](TControl& c, bool v) { c.SetParentColor(v); }),
    prop::Bool<TControl>("ParentFont", [](TControl& c) { return c.ParentFont(); },
                         [](TControl& c, bool v) { c.SetParentFont(v); }),
    prop::Ref<TControl, TPopupMenu>("PopupMenu", [](TControl& c) { return c.PopupMenu(); },
                                    [](TControl& c, TPopupMenu* m) { c.SetPopupMenu(m); }))

SKIMBAR_CLASS_INFO(
    TWinControl, TControl,
    prop::Int<TWinControl>("TabOrder", [](TWinControl& c) { return c.TabOrder(); },
                           [](TWinControl& c, int v) { c.SetTabOrder(v); }),
    prop::Bool<TWinControl>("TabStop", [](TWinControl& c) { return c.TabStop(); },
                            [](TWinControl& c, bool v) { c.SetTabStop(v); }))
SKIMBAR_CLASS_INFO(TGraphicControl, TControl)
SKIMBAR_CLASS_INFO(TCustomControl, TWinControl)

// ---------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* owner) : TComponent(owner) {
    FFont.OnChange = [this] { FontChangedInternal(); };
}

TControl::~TControl() {
    if (gMouseCapture == this) gMouseCapture = nullptr;
    if (Application) Application->ControlDestroying(this);
    if (FParent) FParent->RemoveControl(this);
    delete FActionLink;
    FActionLink = nullptr;
}

void TControl::BeforeDestruction() {}

void TControl::SetBounds(int left, int top, int width, int height) {
    if (width < 0) width = 0;
    if (height < 0) height = 0;
    if (left == FLeft && top == FTop && width == FWidth && height == FHeight) return;
    TRect old = BoundsRect();
    FLeft = left;
    FTop = top;
    FWidth = width;
    FHeight = height;
    BoundsChanged(old);
}

void TControl::BoundsChanged(const TRect& old) {
    if (FParent && FVisible) {
        TWinControl* host = FParent->NativeHost();
        if (host && host->HandleAllocated()) {
            TPoint o = FParent->ClientOriginInHost();
            InvalidateInHost(*host, old.Offset(o.X, o.Y));
            InvalidateInHost(*host, BoundsRect().Offset(o.X, o.Y));
        }
    }
    if (FAlign != alNone && (old.Width() != FWidth || old.Height() != FHeight)) RequestAlign();
}

void TControl::SetClientWidth(int v) { SetWidth(v + (FWidth - ClientWidth())); }
void TControl::SetClientHeight(int v) { SetHeight(v + (FHeight - ClientHeight())); }

void TControl::SetAlign(TAlign align) {
    if (align == FAlign) return;
    FAlign = align;
    RequestAlign();
}

void TControl::RequestAlign() {
    if (FParent) FParent->Realign();
}

void TControl::SetParent(TWinControl* parent) {
    if (parent == FParent) return;
    if (parent == this) throw EInvalidOperation("Ein Steuerelement kann nicht sein eigenes übergeordnetes Element sein");
    for (TWinControl* p = parent; p; p = p->Parent())
        if (p == this) throw EInvalidOperation("Ein Steuerelement kann nicht in sich selbst liegen");
    if (FParent) FParent->RemoveControl(this);
    if (parent) parent->InsertControl(this);
}

bool TControl::Showing() const {
    if (!FVisible) return false;
    if (FParent) return FParent->Showing();
    return dynamic_cast<const TCustomForm*>(this) != nullptr;
}

void TControl::SetVisible(bool visible) {
    if (visible == FVisible) return;
    FVisible = visible;
    VisibleChanged();
}

void TControl::VisibleChanged() {
    if (FParent) {
        TWinControl* host = FParent->NativeHost();
        if (host && host->HandleAllocated()) {
            TPoint o = FParent->ClientOriginInHost();
            InvalidateInHost(*host, BoundsRect().Offset(o.X, o.Y));
        }
        if (FAlign != alNone) RequestAlign();
    }
}

bool TControl::EffectivelyEnabled() const {
    for (const TControl* c = this; c; c = c->FParent)
        if (!c->FEnabled) return false;
    return true;
}

void TControl::SetEnabled(bool enabled) {
    if (enabled == FEnabled) return;
    FEnabled = enabled;
    EnabledChanged();
}

void TControl::EnabledChanged() { Invalidate(); }

void TControl::SetText(const std::string& text) {
    if (text == FText) return;
    FText = text;
    TextChanged();
}

void TControl::TextChanged() { Invalidate(); }

void TControl::SetHint(const std::string& hint) { FHint = hint; }

void TControl::SetParentShowHint(bool v) {
    FParentShowHint = v;
}

bool TControl::EffectiveShowHint() const {
    const TControl* c = this;
    while (c->FParentShowHint && c->FParent) c = c->FParent;
    return c->FShowHint;
}

void TControl::SetColor(TColor color) {
    FParentColor = false;
    if (color == FColor) return;
    FColor = color;
    ColorChanged();
}

void TControl::SetParentColor(bool v) {
    FParentColor = v;
    if (v) ParentColorChanged();
}

void TControl::ColorChanged() { Invalidate(); }

void TControl::ParentColorChanged() {
    if (FParentColor && FParent && FParent->FColor != FColor) {
        FColor = FParent->FColor;
        ColorChanged();
    }
}

void TControl::SetParentFont(bool v) {
    FParentFont = v;
    if (v) ParentFontChanged();
}

void TControl::FontChangedInternal() {
    if (!FSettingParentFont) FParentFont = false;
    FontChanged();
}

void TControl::FontChanged() { Invalidate(); }

void TControl::ParentFontChanged() {
    if (FParentFont && FParent && !FParent->FFont.SameAs(FFont)) {
        FSettingParentFont = true;
        try {
            FFont.Assign(FParent->FFont);
        } catch (...) {
            FSettingParentFont = false;
            throw;
        }
        FSettingParentFont = false;
    }
}

void TControl::SetPopupMenu(TPopupMenu* menu) {
    FPopupMenu = menu;
    if (menu) FreeNotification(menu);
}

TBasicAction* TControl::Action() const { return FActionLink ? FActionLink->Action() : nullptr; }

void TControl::SetAction(TBasicAction* action) {
    if (!action) {
        delete FActionLink;
        FActionLink = nullptr;
        return;
    }
    if (!FActionLink)
        FActionLink = new TActionLink(this, [this](TBasicAction* a) { ActionChange(a, false); });
    FActionLink->SetAction(action);
    ActionChange(action, Has(csLoading));
}

void TControl::ActionChange(TBasicAction* sender, bool checkDefaults) {
    auto* a = dynamic_cast<TCustomAction*>(sender);
    if (!a) return;
    if (!checkDefaults || Caption().empty()) SetCaption(a->Caption());
    if (!checkDefaults || FEnabled) SetEnabled(a->Enabled());
    if (!checkDefaults || FHint.empty()) SetHint(a->Hint());
    if (!checkDefaults || FVisible) SetVisible(a->Visible());
}

bool TControl::IsActionLinked() const { return FActionLink && FActionLink->Action(); }

bool TControl::IsCaptionStored() const {
    auto* a = FActionLink ? dynamic_cast<TCustomAction*>(FActionLink->Action()) : nullptr;
    return !a || !SameCaption(FText, a->Caption());
}

bool TControl::IsHintStored() const {
    auto* a = FActionLink ? dynamic_cast<TCustomAction*>(FActionLink->Action()) : nullptr;
    return !a || FHint != a->Hint();
}

void TControl::Click() {
    TControlHandlerScope scope(this);
    if (!OnClick && FActionLink && FActionLink->Action()) {
        FActionLink->Execute();
    } else if (OnClick) {
        // A copy: the handler may free the control whose member it is.
        TNotifyEvent handler = OnClick;
        handler(this);
    }
}

void TControl::DblClick() {
    TControlHandlerScope scope(this);
    if (OnDblClick) {
        TNotifyEvent handler = OnDblClick;
        handler(this);
    }
}

// ---------------------------------------------------------------------------------------
// Handlers that outlive their control's freeing.

namespace {
std::vector<TControl*> gPendingFree;

bool AnyHandlerRunning(const TControl* control) {
    if (control->HandlerRunning()) return true;
    if (auto* w = dynamic_cast<const TWinControl*>(control))
        for (int i = 0; i < w->ControlCount(); ++i)
            if (AnyHandlerRunning(w->Controls(i))) return true;
    return false;
}

void FreePendingControls() {
    for (std::size_t i = 0; i < gPendingFree.size();) {
        TControl* c = gPendingFree[i];
        if (AnyHandlerRunning(c)) {
            ++i;
            continue;
        }
        gPendingFree.erase(gPendingFree.begin() + static_cast<std::ptrdiff_t>(i));
        ui::SafeCall(c, [c] { delete c; });
        i = 0;  // freeing may have changed the list
    }
}
}  // namespace

TControlHandlerScope::TControlHandlerScope(TControl* control) : FControl(control) { ++FControl->FBusy; }

TControlHandlerScope::~TControlHandlerScope() {
    if (--FControl->FBusy == 0 && !gPendingFree.empty()) FreePendingControls();
}

namespace ui {
void FreeControl(TControl* control) {
    if (!control) return;
    if (!AnyHandlerRunning(control)) {
        delete control;
        return;
    }
    if (std::find(gPendingFree.begin(), gPendingFree.end(), control) != gPendingFree.end()) return;
    control->SetVisible(false);
    control->SetParent(nullptr);
    gPendingFree.push_back(control);
}

int PendingFreeCount() { return static_cast<int>(gPendingFree.size()); }
}  // namespace ui

std::intptr_t TControl::Perform(unsigned msg, std::uintptr_t wParam, std::intptr_t lParam) {
    TMessage m{msg, wParam, lParam, 0};
    WndProc(m);
    return m.Result;
}

void TControl::WndProc(TMessage& message) { DefaultHandler(message); }

void TControl::DefaultHandler(TMessage& message) { message.Result = 0; }

void TControl::Invalidate() {
    if (!FParent && !dynamic_cast<TWinControl*>(this)) return;
    TWinControl* host = NativeHost();
    if (!host || !host->HandleAllocated() || !HasBackend()) return;
    if (host == this)
        Backend().InvalidateRect(*host, ClientRect());
    else
        InvalidateInHost(*host, BoundsInHost());
}

void TWinControl::ScrollArea(const TRect& area, int dx) {
    TWinControl* host = NativeHost();
    if (!host || !host->HandleAllocated() || !HasBackend() || dx == 0) return;
    const TPoint o = ClientOriginInHost();
    const TRect inHost = area.Intersect(ClientRect()).Offset(o.X, o.Y).Intersect(host->ClientRect());
    if (!inHost.Empty()) Backend().ScrollRect(*host, inHost, dx);
}

void TControl::InvalidateRect(const TRect& r) {
    TWinControl* host = NativeHost();
    if (!host || !host->HandleAllocated() || !HasBackend()) return;
    TPoint o = ClientOriginInHost();
    InvalidateInHost(*host, r.Offset(o.X, o.Y));
}

TWinControl* TControl::NativeHost() const {
    for (const TControl* c = this; c; c = c->FParent) {
        auto* w = dynamic_cast<const TWinControl*>(c);
        if (w && w->IsNative()) return const_cast<TWinControl*>(w);
    }
    return nullptr;
}

bool TControl::IsWindowless() const {
    auto* w = dynamic_cast<const TWinControl*>(this);
    return !w || !w->IsNative();
}

TPoint TControl::ClientOriginInHost() const {
    if (!IsWindowless()) return {0, 0};
    TPoint o = FParent ? FParent->ClientOriginInHost() : TPoint{};
    return {o.X + FLeft, o.Y + FTop};
}

TRect TControl::BoundsInHost() const {
    if (!IsWindowless()) return ClientRect();
    TPoint o = ClientOriginInHost();
    return Bounds(o.X, o.Y, FWidth, FHeight);
}

TPoint TControl::ClientToScreen(TPoint p) const {
    TWinControl* host = NativeHost();
    TPoint o = ClientOriginInHost();
    TPoint inHost{p.X + o.X, p.Y + o.Y};
    if (!host || !HasBackend()) return inHost;
    return Backend().ClientToScreen(*host, inHost);
}

TPoint TControl::ScreenToClient(TPoint p) const {
    TPoint origin = ClientToScreen({0, 0});
    return {p.X - origin.X, p.Y - origin.Y};
}

TCustomForm* TControl::ParentForm() const { return GetParentForm(this); }

TCustomForm* GetParentForm(const TControl* control) {
    const TControl* c = control;
    while (c && c->Parent()) c = c->Parent();
    return const_cast<TCustomForm*>(dynamic_cast<const TCustomForm*>(c));
}

void TControl::MouseDown(TMouseButton button, TShiftState shift, int x, int y) {
    TControlHandlerScope scope(this);
    if (button == mbLeft) {
        FMouseDownHere = true;
        gMouseCapture = this;
    }
    if (OnMouseDown) OnMouseDown(this, button, shift, x, y);
}

void TControl::MouseUp(TMouseButton button, TShiftState shift, int x, int y) {
    TControlHandlerScope scope(this);
    bool click = button == mbLeft && FMouseDownHere;
    if (button == mbLeft) {
        FMouseDownHere = false;
        if (gMouseCapture == this) gMouseCapture = nullptr;
    }
    if (OnMouseUp) OnMouseUp(this, button, shift, x, y);
    if (click && (FControlStyle & csClickEvents) && ClientRect().Contains({x, y})) Click();
}

void TControl::Loaded() {
    TComponent::Loaded();
    if (FParentFont) ParentFontChanged();
    if (FParentColor) ParentColorChanged();
}

void TControl::SetName(const std::string& name) {
    bool follow = (FControlStyle & csSetCaption) && !Has(csLoading) && Name() == FText &&
                  (!Owner() || !dynamic_cast<TControl*>(Owner()) || !Owner()->Has(csLoading));
    TComponent::SetName(name);
    if (follow) SetText(name);
}

void TControl::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == TOperation::opRemove && component == FPopupMenu) FPopupMenu = nullptr;
}

// ---------------------------------------------------------------------------------------
// TWinControl

TWinControl::TWinControl(TComponent* owner) : TControl(owner) {
    FControlStyle |= csAcceptsControls;
}

TWinControl::~TWinControl() {
    // Normally gone in BeforeDestruction; this covers objects that were not deleted.
    if (FHandle) DestroyHandle();
    // Child controls go with their parent, windowed ones last first, then the others.
    while (!FWinControls.empty()) delete FWinControls.back();
    while (!FControls.empty()) delete FControls.back();
    if (Parent()) Parent()->RemoveControl(this);
}

void TWinControl::BeforeDestruction() {
    TControl::BeforeDestruction();
    DestroyHandle();
}

TControl* TWinControl::Controls(int index) const {
    std::size_t i = static_cast<std::size_t>(index);
    if (index < 0 || i >= FControls.size() + FWinControls.size())
        throw EInvalidOperation("Listenindex überschreitet das Maximum (" + std::to_string(index) + ")");
    return i < FControls.size() ? FControls[i] : FWinControls[i - FControls.size()];
}

bool TWinControl::ContainsControl(const TControl* control) const {
    for (const TControl* c = control; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

TControl* TWinControl::ControlAtPos(TPoint p, bool allowDisabled, bool allLevels) const {
    auto hit = [&](TControl* c) {
        return c->Visible() && (allowDisabled || c->Enabled()) && c->BoundsRect().Contains(p);
    };
    for (auto it = FWinControls.rbegin(); it != FWinControls.rend(); ++it) {
        TWinControl* w = *it;
        if (!hit(w)) continue;
        if (allLevels && !w->IsNative()) {
            TControl* inner = w->ControlAtPos({p.X - w->Left(), p.Y - w->Top()}, allowDisabled, true);
            if (inner) return inner;
        }
        return w;
    }
    for (auto it = FControls.rbegin(); it != FControls.rend(); ++it)
        if (hit(*it)) return *it;
    return nullptr;
}

void TWinControl::InsertControl(TControl* control) {
    auto* w = dynamic_cast<TWinControl*>(control);
    if (w) {
        FWinControls.push_back(w);
        FTabOrder.push_back(w);
    } else {
        FControls.push_back(control);
    }
    control->FParent = this;
    control->ParentFontChanged();
    control->ParentColorChanged();
    if (w) {
        TWinControl* host = NativeHost();
        if (host && host->HandleAllocated()) {
            if (w->IsNative())
                w->CreateHandle();
            else
                w->CreateNativeDescendants();
        }
    }
    if (control->Align() != alNone) Realign();
    control->Invalidate();
}

void TWinControl::RemoveControl(TControl* control) {
    // Found by identity: during a child's destruction its dynamic type is already reduced.
    TWinControl* w = nullptr;
    for (TWinControl* x : FWinControls)
        if (static_cast<TControl*>(x) == control) w = x;
    if (w) {
        w->DestroyHandle();
        if (TCustomForm* form = GetParentForm(this)) {
            if (form->ActiveControl() && w->ContainsControl(form->ActiveControl()))
                form->SetActiveControl(nullptr);
        }
    }
    control->Invalidate();
    if (w) {
        FWinControls.erase(std::remove(FWinControls.begin(), FWinControls.end(), w), FWinControls.end());
        FTabOrder.erase(std::remove(FTabOrder.begin(), FTabOrder.end(), w), FTabOrder.end());
    } else {
        FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
    }
    control->FParent = nullptr;
    if (control->Align() != alNone && !Has(csDestroying)) Realign();
}

ui::THandle TWinControl::Handle() {
    HandleNeeded();
    if (IsNative()) return FHandle;
    TWinControl* host = NativeHost();
    return host ? host->FHandle : 0;
}

bool TWinControl::HandleAllocated() const {
    if (IsNative()) return FHandle != 0;
    TWinControl* host = NativeHost();
    return host && host->FHandle != 0;
}

void TWinControl::HandleNeeded() {
    if (IsNative()) {
        if (!FHandle) CreateHandle();
        return;
    }
    if (TWinControl* host = NativeHost()) host->HandleNeeded();
}

void TWinControl::CreateHandle() {
    if (FHandle || !IsNative() || Has(csDestroying)) return;
    if (Parent()) {
        TWinControl* host = Parent()->NativeHost();
        if (!host)
            throw EInvalidOperation("Element '" + Name() + "' hat kein übergeordnetes Fenster");
        if (!host->FHandle) {
            host->HandleNeeded();  // creates this one too
            if (FHandle) return;
        }
    }
    FHandle = Backend().CreateNative(*this);
    HandleCreated();
    CreateNativeDescendants();
    Backend().UpdateWindow(*this, TUpdate::TabOrder);
}

void TWinControl::CreateNativeDescendants() {
    std::vector<TWinControl*> children = FWinControls;
    for (TWinControl* w : children) {
        if (w->IsNative())
            w->CreateHandle();
        else
            w->CreateNativeDescendants();
    }
}

void TWinControl::DestroyHandle() {
    if (FDestroyingHandle || !HasBackend()) return;
    FDestroyingHandle = true;
    try {
        if (IsNative()) {
            if (FHandle) Backend().DestroyNative(*this);
        } else {
            std::vector<TWinControl*> children = FWinControls;
            for (TWinControl* w : children) w->DestroyHandle();
        }
    } catch (...) {
        FDestroyingHandle = false;
        throw;
    }
    FDestroyingHandle = false;
}

void TWinControl::NotifyHandleDestroyed() { FHandle = 0; }

void TWinControl::CollectNative(std::vector<TWinControl*>& out, bool includeSelf) {
    if (includeSelf && IsNative()) out.push_back(this);
    for (TWinControl* w : FWinControls) w->CollectNative(out, true);
}

void TWinControl::WndProc(TMessage& message) {
    if (message.Msg == WmDestroy) WMDestroy();
    TControl::WndProc(message);
}

void TWinControl::DefaultHandler(TMessage& message) {
    if (IsNative() && FHandle && HasBackend())
        Backend().CallDefault(*this, message);
    else
        message.Result = 0;
}

void TWinControl::WMDestroy() {}

void TWinControl::SetTabStop(bool v) {
    if (v == FTabStop) return;
    FTabStop = v;
    if (FHandle) Backend().UpdateWindow(*this, TUpdate::Style);
}

int TWinControl::TabOrder() const {
    if (!Parent()) return -1;
    auto& list = Parent()->FTabOrder;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TWinControl::SetTabOrder(int order) {
    if (!Parent()) return;
    auto& list = Parent()->FTabOrder;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    if (order < 0) order = 0;
    if (order > static_cast<int>(list.size())) order = static_cast<int>(list.size());
    list.insert(list.begin() + order, this);
    if (TWinControl* host = Parent()->NativeHost(); host && host->FHandle)
        Backend().UpdateWindow(*host, TUpdate::TabOrder);
}

std::vector<TWinControl*> TWinControl::TabList() const { return FTabOrder; }

bool TWinControl::CanFocus() const {
    if (!IsNative()) return false;
    for (const TControl* c = this; c; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return GetParentForm(this) != nullptr;
}

void TWinControl::SetFocus() {
    if (!CanFocus())
        throw EInvalidOperation("Ein deaktiviertes oder unsichtbares Fenster kann nicht den Fokus erhalten");
    HandleNeeded();
    Backend().SetFocus(*this);
}

bool TWinControl::Focused() const {
    return HasBackend() && Backend().FocusedControl() == this;
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::NotifyFocusChanged(bool focused) {
    if (Has(csDestroying)) return;
    if (focused) {
        if (TCustomForm* form = GetParentForm(this)) form->SetActiveControl(this);
        DoEnter();
    } else {
        DoExit();
    }
}

void TWinControl::Realign() {
    if (FAligning || Has(csDestroying)) return;
    FAligning = true;
    try {
        TRect r = AdjustClientRect();
        auto place = [&](TAlign which) {
            std::vector<TControl*> all(FControls.begin(), FControls.end());
            all.insert(all.end(), FWinControls.begin(), FWinControls.end());
            for (TControl* c : all) {
                if (c->Align() != which || !c->Visible()) continue;
                int w = c->Width(), h = c->Height();
                switch (which) {
                    case alTop: c->SetBounds(r.Left, r.Top, r.Width(), h); r.Top += h; break;
                    case alBottom: c->SetBounds(r.Left, r.Bottom - h, r.Width(), h); r.Bottom -= h; break;
                    case alLeft: c->SetBounds(r.Left, r.Top, w, r.Height()); r.Left += w; break;
                    case alRight: c->SetBounds(r.Right - w, r.Top, w, r.Height()); r.Right -= w; break;
                    case alClient: c->SetBounds(r.Left, r.Top, r.Width(), r.Height()); break;
                    case alNone: break;
                }
            }
        };
        place(alTop);
        place(alBottom);
        place(alLeft);
        place(alRight);
        place(alClient);
    } catch (...) {
        FAligning = false;
        throw;
    }
    FAligning = false;
}

void TWinControl::Loaded() {
    TControl::Loaded();
    Realign();
}

void TWinControl::BoundsChanged(const TRect& old) {
    if (IsNative()) {
        if (FHandle) Backend().UpdateWindow(*this, TUpdate::Bounds);
        if (Align() != alNone && (old.Width() != Width() || old.Height() != Height())) RequestAlign();
    } else {
        TControl::BoundsChanged(old);
        if (old.Left != Left() || old.Top != Top()) UpdateNativeBounds();
    }
    if (old.Width() != Width() || old.Height() != Height()) Realign();
}

void TWinControl::UpdateNativeBounds() {
    if (!HasBackend()) return;
    std::vector<TWinControl*> natives;
    for (TWinControl* w : FWinControls) w->CollectNative(natives, true);
    for (TWinControl* w : natives)
        if (w->FHandle && !w->Parent()->IsNative()) Backend().UpdateWindow(*w, TUpdate::Bounds);
}

void TWinControl::UpdateNativeShowing() {
    if (!HasBackend()) return;
    std::vector<TWinControl*> natives;
    for (TWinControl* w : FWinControls) w->CollectNative(natives, true);
    for (TWinControl* w : natives)
        if (w->FHandle) Backend().UpdateWindow(*w, TUpdate::Visible);
}

void TWinControl::VisibleChanged() {
    if (IsNative()) {
        if (FHandle) Backend().UpdateWindow(*this, TUpdate::Visible);
        if (Parent() && Align() != alNone) RequestAlign();
    } else {
        TControl::VisibleChanged();
        UpdateNativeShowing();
    }
}

void TWinControl::EnabledChanged() {
    if (IsNative() && FHandle) Backend().UpdateWindow(*this, TUpdate::Enabled);
    TControl::EnabledChanged();
    std::vector<TWinControl*> natives;
    for (TWinControl* w : FWinControls) w->CollectNative(natives, true);
    for (TWinControl* w : natives)
        if (w->FHandle) Backend().UpdateWindow(*w, TUpdate::Enabled);
    for (TControl* c : FControls) c->Invalidate();
}

void TWinControl::TextChanged() {
    if (IsNative()) {
        if (FHandle) Backend().UpdateWindow(*this, TUpdate::Text);
    } else {
        Invalidate();
    }
}

void TWinControl::FontChanged() {
    if (IsNative() && FHandle) Backend().UpdateWindow(*this, TUpdate::Font);
    Invalidate();
    std::vector<TControl*> all(FControls.begin(), FControls.end());
    all.insert(all.end(), FWinControls.begin(), FWinControls.end());
    for (TControl* c : all) c->ParentFontChanged();
}

void TWinControl::ColorChanged() {
    if (IsNative() && FHandle) Backend().UpdateWindow(*this, TUpdate::Color);
    Invalidate();
    std::vector<TControl*> all(FControls.begin(), FControls.end());
    all.insert(all.end(), FWinControls.begin(), FWinControls.end());
    for (TControl* c : all) c->ParentColorChanged();
}

void TWinControl::PaintBackground(TCanvas& canvas) {
    canvas.FillRect(ClientRect(), Color());
}

void TWinControl::PaintChildren(TCanvas& canvas) {
    auto paintOne = [&](TControl* c) {
        if (!c->Visible()) return;
        auto* w = dynamic_cast<TWinControl*>(c);
        if (w && w->IsNative()) return;
        TRect r = c->BoundsRect();
        if (!canvas.Visible(r)) return;
        TCanvas::TState state = canvas.Save();
        canvas.IntersectClip(r);
        canvas.MoveOrigin(r.Left, r.Top);
        if (w) {
            w->PaintBackground(canvas);
            w->PaintChildren(canvas);
        } else {
            c->Paint(canvas);
        }
        canvas.Restore(state);
    };
    for (TControl* c : FControls) paintOne(c);
    for (TWinControl* w : FWinControls) paintOne(w);
}

void TWinControl::PaintHost(TCanvas& canvas, const TRect& area) {
    canvas.IntersectClip(area);
    PaintBackground(canvas);
    PaintChildren(canvas);
}

void TWinControl::HostMouse(unsigned msg, TShiftState shift, TPoint p) {
    TControl* target = ControlAtPos(p, false, true);
    if (!target) target = this;
    auto local = [&](TControl* c) {
        TPoint o = c->ClientOriginInHost();
        return TPoint{p.X - o.X, p.Y - o.Y};
    };
    switch (msg) {
        case WmMouseMove:
            if (Application) Application->NotifyHintControl(target);
            break;
        case WmLButtonDown: {
            if (Application) Application->CancelHint();
            TPoint l = local(target);
            target->MouseDown(mbLeft, shift, l.X, l.Y);
            break;
        }
        case WmLButtonUp: {
            TControl* t = gMouseCapture ? gMouseCapture : target;
            TPoint l = local(t);
            t->MouseUp(mbLeft, shift, l.X, l.Y);
            break;
        }
        case WmLButtonDblClk:
            target->DblClick();
            break;
        case WmRButtonDown: {
            TPoint l = local(target);
            target->MouseDown(mbRight, shift, l.X, l.Y);
            break;
        }
        case WmRButtonUp: {
            TPoint l = local(target);
            target->MouseUp(mbRight, shift, l.X, l.Y);
            for (TControl* c = target; c; c = c->Parent()) {
                if (TPopupMenu* menu = c->PopupMenu()) {
                    TPoint s = target->ClientToScreen(l);
                    menu->SetPopupComponent(c);
                    menu->Popup(s.X, s.Y);
                    break;
                }
            }
            break;
        }
        default:
            break;
    }
}

// ---------------------------------------------------------------------------------------

namespace ui {

bool NativeVisible(const TWinControl& control) {
    if (!control.Visible()) return false;
    for (TWinControl* p = control.Parent(); p && !p->IsNative(); p = p->Parent())
        if (!p->Visible()) return false;
    return true;
}

TRect NativeBounds(const TWinControl& control) {
    TPoint o = control.Parent() ? control.Parent()->ClientOriginInHost() : TPoint{};
    return control.BoundsRect().Offset(o.X, o.Y);
}

}  // namespace ui
