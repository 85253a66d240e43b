#pragma once
// Controls: the visual component tree. A TControl has a parent (a TWinControl) and bounds in
// the parent's client coordinates. Whether a TWinControl has a native window is the class's
// NativeKind: edits, combo boxes, check boxes, up-downs, buttons, page controls, tab sheets
// and forms have one; labels, images and panels are painted by their nearest native
// ancestor (the "host"), double-buffered.
#include <functional>
#include <string>
#include <vector>

#include "core/Component.h"
#include "core/Exception.h"
#include "ui/Graphics.h"
#include "ui/UiTypes.h"

class TWinControl;
class TCustomForm;
class TPopupMenu;
class TBasicAction;
class TActionLink;

// Misuse of a control ("Ein deaktiviertes oder unsichtbares Fenster kann nicht den Fokus erhalten").
SKIMBAR_EXCEPTION(EInvalidOperation, Exception);
SKIMBAR_EXCEPTION(EMenuError, Exception);

enum TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };

// Kinds of native windows a backend creates.
enum class TNativeKind { None, Form, Host, Edit, ComboBox, CheckBox, Button, UpDown, PageControl };

enum TControlStyleFlag : unsigned {
    csAcceptsControls = 1u << 0,
    csSetCaption = 1u << 1,   // the caption follows the name while they are equal
    csOpaque = 1u << 2,       // paints its whole rectangle
    csClickEvents = 1u << 3,  // mouse clicks on it call Click
};
using TControlStyle = unsigned;

class TControl : public TComponent {
    SKIMBAR_CLASS(TControl)
public:
    explicit TControl(TComponent* owner);
    ~TControl() override;
    void BeforeDestruction() override;

    // Geometry, in the parent's client coordinates.
    int Left() const { return FLeft; }
    int Top() const { return FTop; }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetLeft(int v) { SetBounds(v, FTop, FWidth, FHeight); }
    void SetTop(int v) { SetBounds(FLeft, v, FWidth, FHeight); }
    void SetWidth(int v) { SetBounds(FLeft, FTop, v, FHeight); }
    void SetHeight(int v) { SetBounds(FLeft, FTop, FWidth, v); }
    virtual void SetBounds(int left, int top, int width, int height);
    // Moves a control whose pixels need no repainting, which the caller knows: it lies wholly
    // outside the visible part of its parent before and after the move, or the parent shifts
    // the area it is in by the same amount (TWinControl::ScrollArea). Only the position
    // changes, without repainting or notifications. A control with native windows inside it
    // moves as SetLeft does. For strips of thousands of items of which a few are in view.
    void SetLeftUnseen(int left) {
        if (CanMoveUnseen())
            FLeft = left;
        else
            SetLeft(left);
    }
    // Whether SetLeftUnseen moves the control without notifications.
    bool MovesUnseen() const { return CanMoveUnseen(); }
    TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
    virtual int ClientWidth() const { return FWidth; }
    virtual int ClientHeight() const { return FHeight; }
    void SetClientWidth(int v);
    void SetClientHeight(int v);
    TRect ClientRect() const { return {0, 0, ClientWidth(), ClientHeight()}; }
    TAlign Align() const { return FAlign; }
    void SetAlign(TAlign align);

    TWinControl* Parent() const { return FParent; }
    virtual void SetParent(TWinControl* parent);

    bool Visible() const { return FVisible; }
    void SetVisible(bool visible);
    void Show() { SetVisible(true); }
    void Hide() { SetVisible(false); }
    // Visible, and so is every parent up to a visible form.
    bool Showing() const;
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool enabled);
    // Enabled, and so is every parent.
    bool EffectivelyEnabled() const;

    // Caption and Text are one value (published under the name each class uses).
    const std::string& Caption() const { return FText; }
    void SetCaption(const std::string& caption) { SetText(caption); }
    const std::string& Text() const { return FText; }
    void SetText(const std::string& text);

    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& hint);
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool v) { FShowHint = v; FParentShowHint = false; }
    bool ParentShowHint() const { return FParentShowHint; }
    void SetParentShowHint(bool v);
    bool EffectiveShowHint() const;
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor cursor) { FCursor = cursor; }
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    bool ParentColor() const { return FParentColor; }
    void SetParentColor(bool v);
    TFont& Font() { return FFont; }
    const TFont& Font() const { return FFont; }
    void SetFont(const TFont& font) { FFont.Assign(font); }
    bool ParentFont() const { return FParentFont; }
    void SetParentFont(bool v);
    TPopupMenu* PopupMenu() const { return FPopupMenu; }
    void SetPopupMenu(TPopupMenu* menu);
    TBasicAction* Action() const;
    void SetAction(TBasicAction* action);
    bool IsActionLinked() const;
    // Stored predicates: false while a linked action supplies the value.
    bool IsCaptionStored() const;
    bool IsHintStored() const;
    TControlStyle ControlStyle() const { return FControlStyle; }
    void SetControlStyle(TControlStyle s) { FControlStyle = s; }

    TNotifyEvent OnClick;
    TNotifyEvent OnDblClick;
    TMouseEvent OnMouseDown;
    TMouseEvent OnMouseUp;
    // Runs the click: the linked action's Execute, or OnClick.
    virtual void Click();
    virtual void DblClick();
    // A handler of this control is running (see ui::FreeControl).
    bool HandlerRunning() const { return FBusy > 0; }

    // Message dispatch: Perform sends a message straight to WndProc.
    std::intptr_t Perform(unsigned msg, std::uintptr_t wParam = 0, std::intptr_t lParam = 0);
    virtual void WndProc(TMessage& message);
    virtual void DefaultHandler(TMessage& message);

    // Painting of windowless controls: the host calls Paint with the origin at the control's
    // top-left corner and the clip at its bounds.
    virtual void Paint(TCanvas& canvas) {}
    void Invalidate();
    void Repaint() { Invalidate(); }

    // Coordinates.
    TPoint ClientToScreen(TPoint p) const;
    TPoint ScreenToClient(TPoint p) const;
    // The nearest TWinControl, self included, that has a native window; null when the chain
    // ends without one.
    TWinControl* NativeHost() const;
    // This control's rectangle in its host's client coordinates.
    TRect BoundsInHost() const;
    // Position of this control's client origin in the host's client coordinates.
    TPoint ClientOriginInHost() const;
    TCustomForm* ParentForm() const;
    bool IsWindowless() const;

    // Backend: mouse events on a windowless control (coordinates in its client area).
    void MouseDown(TMouseButton button, TShiftState shift, int x, int y);
    void MouseUp(TMouseButton button, TShiftState shift, int x, int y);

    void Loaded() override;
    void SetName(const std::string& name) override;
    void Notification(TComponent* component, TOperation operation) override;

protected:
    // Whether SetLeftUnseen may skip the notifications.
    virtual bool CanMoveUnseen() const { return FAlign == alNone; }
    // Hooks.
    virtual void TextChanged();
    virtual void BoundsChanged(const TRect& old);
    virtual void VisibleChanged();
    virtual void EnabledChanged();
    virtual void FontChanged();
    virtual void ColorChanged();
    virtual void ParentFontChanged();
    virtual void ParentColorChanged();
    // The linked action changed (or was just linked): take over its values.
    virtual void ActionChange(TBasicAction* sender, bool checkDefaults);
    virtual void RequestAlign();
    void InvalidateRect(const TRect& r);  // in own client coordinates

    TControlStyle FControlStyle = csClickEvents;
    bool FVisible = true;
    bool FParentColor = false;

private:
    friend class TWinControl;
    friend class TControlHandlerScope;
    void FontChangedInternal();
    int FBusy = 0;
    int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
    TAlign FAlign = alNone;
    TWinControl* FParent = nullptr;
    bool FEnabled = true;
    std::string FText;
    std::string FHint;
    bool FShowHint = false;
    bool FParentShowHint = true;
    TCursor FCursor = crDefault;
    TColor FColor = clBtnFace;
    TFont FFont;
    bool FParentFont = true;
    bool FSettingParentFont = false;
    TPopupMenu* FPopupMenu = nullptr;
    TActionLink* FActionLink = nullptr;
    bool FMouseDownHere = false;
};

class TWinControl : public TControl {
    SKIMBAR_CLASS(TWinControl)
public:
    explicit TWinControl(TComponent* owner);
    ~TWinControl() override;
    void BeforeDestruction() override;

    // Children: windowless ones first, then windowed ones, each group in insertion order.
    int ControlCount() const { return static_cast<int>(FControls.size() + FWinControls.size()); }
    TControl* Controls(int index) const;
    bool ContainsControl(const TControl* control) const;  // any depth
    // Child (any depth when allLevels) at a point in client coordinates; topmost first.
    TControl* ControlAtPos(TPoint p, bool allowDisabled, bool allLevels = false) const;

    virtual TNativeKind NativeKind() const { return TNativeKind::Host; }
    bool IsNative() const { return NativeKind() != TNativeKind::None; }

    // The native window. A windowless control answers with its host's window.
    ui::THandle Handle();
    bool HandleAllocated() const;
    void HandleNeeded();
    // Destroys the native windows of this control and its descendants; each gets WMDestroy
    // (parents before children) while it still exists.
    void DestroyHandle();

    // Shifts the pixels of an area of the client (client coordinates) by dx instead of
    // painting it again, and paints only the strip that this uncovers. The caller has moved
    // every windowless child in the area by dx with SetLeftUnseen.
    void ScrollArea(const TRect& area, int dx);

    bool TabStop() const { return FTabStop; }
    void SetTabStop(bool v);
    int TabOrder() const;
    void SetTabOrder(int order);
    // Windowed children sorted by tab order.
    std::vector<TWinControl*> TabList() const;

    bool CanFocus() const;
    virtual void SetFocus();
    bool Focused() const;

    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    virtual void DoEnter();
    virtual void DoExit();
    // Called when the control's native window is being destroyed, before the standard
    // handling of the destruction.
    virtual void WMDestroy();

    void WndProc(TMessage& message) override;
    void DefaultHandler(TMessage& message) override;

    // Places aligned children.
    void Realign();
    virtual TRect AdjustClientRect() const { return ClientRect(); }

    // Backend: window events.
    void NotifyHandleDestroyed();  // the native window is gone (after WMDestroy)
    void NotifyFocusChanged(bool focused);
    // Backend: a native host's client area needs painting (rectangle in host coordinates).
    void PaintHost(TCanvas& canvas, const TRect& area);
    // Backend: mouse input in a native host's client area.
    void HostMouse(unsigned msg, TShiftState shift, TPoint p);
    // Backend: native state the user changed.
    virtual void NotifyNativeCommand(int code) {}

    // Native windows of this control's descendants, in order (for backends).
    void CollectNative(std::vector<TWinControl*>& out, bool includeSelf);
    ui::THandle RawHandle() const { return FHandle; }
    void SetRawHandle(ui::THandle h) { FHandle = h; }

    void Loaded() override;

protected:
    void BoundsChanged(const TRect& old) override;
    void VisibleChanged() override;
    void EnabledChanged() override;
    void TextChanged() override;
    void FontChanged() override;
    void ColorChanged() override;
    bool CanMoveUnseen() const override { return !IsNative() && FWinControls.empty() && TControl::CanMoveUnseen(); }
    virtual void CreateHandle();
    // After the native window exists: the class pushes its state (items, checks, ...).
    virtual void HandleCreated() {}
    // Paints this container's own background and frame (windowless and hosts).
    virtual void PaintBackground(TCanvas& canvas);
    void PaintChildren(TCanvas& canvas);
    void InsertControl(TControl* control);
    void RemoveControl(TControl* control);
    void UpdateNativeShowing();  // after visibility of a windowless container changed
    void UpdateNativeBounds();   // after a windowless container moved
    void CreateNativeDescendants();

    bool FTabStop = false;

private:
    friend class TControl;
    std::vector<TControl*> FControls;     // windowless children
    std::vector<TWinControl*> FWinControls;  // windowed children
    std::vector<TWinControl*> FTabOrder;  // windowed children in tab order
    ui::THandle FHandle = 0;
    bool FAligning = false;
    bool FDestroyingHandle = false;
};

// A windowless control without children (labels, images).
class TGraphicControl : public TControl {
    SKIMBAR_CLASS(TGraphicControl)
public:
    explicit TGraphicControl(TComponent* owner) : TControl(owner) {}
};

// A container that paints itself (panels, frames): windowless by default.
class TCustomControl : public TWinControl {
    SKIMBAR_CLASS(TCustomControl)
public:
    explicit TCustomControl(TComponent* owner) : TWinControl(owner) {}
    TNativeKind NativeKind() const override { return TNativeKind::None; }
};

// The form a control sits on (null when it is on none).
TCustomForm* GetParentForm(const TControl* control);

// Marks a control as running one of its handlers for the lifetime of the scope. Every mouse
// and click entry into a control's handlers holds one, so ui::FreeControl knows not to free
// the control under it; when the last scope of a control whose freeing was deferred ends, the
// control is freed. Nothing of the control is touched after its handler returns.
class TControlHandlerScope {
public:
    explicit TControlHandlerScope(TControl* control);
    ~TControlHandlerScope();
    TControlHandlerScope(const TControlHandlerScope&) = delete;
    TControlHandlerScope& operator=(const TControlHandlerScope&) = delete;

private:
    TControl* FControl;
};

namespace ui {
// Frees a control now, or, while a handler of it or of a control inside it runs (a click that
// opened a message box whose nested loop reaches the code freeing it), hides it, takes it off
// its parent at once and frees it when that handler has returned.
void FreeControl(TControl* control);
// Controls whose freeing waits for a running handler.
int PendingFreeCount();
}  // namespace ui
