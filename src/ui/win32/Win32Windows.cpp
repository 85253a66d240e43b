// Native windows of the controls and the messages they take. What differs per kind of control
// is in Win32Controls.cpp; here is what all of them share.
#include <algorithm>

#include "ui/ComCtrls.h"
#include "ui/ExtCtrls.h"
#include "ui/win32/Win32BackendImpl.h"
#include "ui/win32/Win32NativeClass.h"

namespace ui::win32 {

// ---- windows --------------------------------------------------------------------------

void TWin32Backend::FormStyle(const TCustomForm& f, DWORD& style, DWORD& ex) {
    ex = 0;
    switch (f.BorderStyle()) {
        case bsNone: style = WS_POPUP; break;
        case bsDialog:
            style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
            ex = WS_EX_DLGMODALFRAME;
            break;
        case bsSingle: style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX; break;
        case bsToolWindow:
            style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
            ex = WS_EX_TOOLWINDOW;
            break;
        default: style = WS_OVERLAPPEDWINDOW; break;
    }
    style |= WS_CLIPCHILDREN;
    ex |= WS_EX_CONTROLPARENT;
}

THandle TWin32Backend::CreateNative(TWinControl& c) {
    if (c.NativeKind() == TNativeKind::None) return 0;
    const TNativeClass& kind = NativeClass(c.NativeKind());
    HWND parent = c.Parent() ? H(c.Parent()->NativeHost()->RawHandle()) : nullptr;
    TScale scale = parent ? ScaleOf(parent) : ScreenScale();
    parent = kind.ParentWindow(*this, parent);
    RECT d = DeviceBounds(c, scale);
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS, ex = 0;
    kind.Styles(*this, c, style, ex);
    if (c.TabStop()) style |= WS_TABSTOP;
    if (!c.Enabled()) style |= WS_DISABLED;
    if (kind.VisibleOnCreate(c)) style |= WS_VISIBLE;
    HMENU id = kind.HasChildId() ? reinterpret_cast<HMENU>(static_cast<INT_PTR>(FNextId++)) : nullptr;
    std::wstring text = kind.CreatesWithText() ? W(c.Text()) : std::wstring();
    FCreating = &c;
    HWND h = CreateWindowExW(ex, kind.ClassName(), text.c_str(), style, d.left, d.top, d.right - d.left,
                             d.bottom - d.top, parent, id, GetModuleHandleW(nullptr), &c);
    FCreating = nullptr;
    if (!h) throw EOSError("Fenster kann nicht erzeugt werden (" + std::to_string(GetLastError()) + ")");
    FControls[h] = &c;
    c.SetRawHandle(T(h));  // messages sent while setting it up reach the native default
    if (kind.Subclassed()) {
        SetWindowSubclass(h, SubclassProc, kSubclassId, reinterpret_cast<DWORD_PTR>(&c));
        FSubclassed.insert(h);
    }
    SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font(c.Font(), scale.Dpi)), FALSE);
    kind.Created(*this, c, h);
    if (!c.Parent()) {
        FDpi[h] = scale.Dpi;
        // Made on a monitor of another DPI than the primary one.
        if (int dpi = WindowDpi(h, scale.Dpi); dpi != scale.Dpi) {
            ApplyDpi(h, dpi);
            UpdateBounds(c, h);
        }
    }
    return T(h);
}

void TWin32Backend::DestroyNative(TWinControl& control) {
    HWND h = H(control.RawHandle());
    if (h) ::DestroyWindow(h);
}

void TWin32Backend::UpdateWindow(TWinControl& c, TUpdate what) {
    HWND h = H(c.RawHandle());
    if (!h) return;
    const TNativeClass& kind = NativeClass(c.NativeKind());
    switch (what) {
        case TUpdate::Bounds: UpdateBounds(c, h); break;
        case TUpdate::Text: kind.ShowText(c, h); break;
        case TUpdate::Visible: kind.ShowVisible(c, h); break;
        case TUpdate::Enabled: ::EnableWindow(h, c.EffectivelyEnabled()); break;
        case TUpdate::Font: SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font(c.Font(), ScaleOf(h).Dpi)), TRUE); break;
        case TUpdate::Color: ::InvalidateRect(h, nullptr, TRUE); break;
        case TUpdate::State: kind.ShowState(c, h); break;
        case TUpdate::TabOrder: TabOrder(c); break;
        case TUpdate::Style: {
            LONG_PTR style = GetWindowLongPtrW(h, GWL_STYLE);
            style = c.TabStop() ? (style | WS_TABSTOP) : (style & ~static_cast<LONG_PTR>(WS_TABSTOP));
            SetWindowLongPtrW(h, GWL_STYLE, style);
            kind.ShowStyle(*this, c, h);
            break;
        }
    }
}

// Where the native window of c goes, in device pixels: a child relative to its native host.
RECT TWin32Backend::DeviceBounds(TWinControl& c, TScale scale) {
    TRect b = c.Parent() ? NativeBounds(c) : c.BoundsRect();
    return scale.Dev(TRect{b.Left, b.Top, b.Right, b.Top + NativeClass(c.NativeKind()).WindowHeight(c, b.Height())});
}

void TWin32Backend::UpdateBounds(TWinControl& c, HWND h) {
    if (FSyncingBounds) return;
    RECT d = DeviceBounds(c, ScaleOf(h));
    ::SetWindowPos(h, nullptr, d.left, d.top, d.right - d.left, d.bottom - d.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

TScale TWin32Backend::ScaleOf(HWND h) const {
    auto it = FDpi.find(GetAncestor(h, GA_ROOT));
    return {it == FDpi.end() ? FSystemDpi : it->second};
}

void TWin32Backend::DisplayChanged() {
    // Every top-level window hears the change; the first one passes it on.
    TRect was = FLastScreen;
    FLastScreen = ScreenRect();
    if (was == FLastScreen || !Screen) return;
    Notify(nullptr, [&] { Screen->NotifyDisplayChanged(was, FLastScreen); });
}

void TWin32Backend::ApplyDpi(HWND form, int dpi) {
    FDpi[form] = dpi;
    std::vector<std::pair<HWND, TWinControl*>> controls;
    for (auto& [h, c] : FControls)
        if (GetAncestor(h, GA_ROOT) == form) controls.emplace_back(h, c);
    for (auto& [h, c] : controls) {
        if (h != form) UpdateBounds(*c, h);
        SendMessageW(h, WM_SETFONT, reinterpret_cast<WPARAM>(Font(c->Font(), dpi)), FALSE);
    }
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

// Native tab order is the window order: walk the tab order through windowless containers and
// stack the native children in that sequence.
void TWin32Backend::TabOrder(TWinControl& c) {
    std::vector<TWinControl*> seq;
    std::function<void(TWinControl*)> walk = [&](TWinControl* p) {
        for (TWinControl* w : p->TabList()) {
            if (w->IsNative())
                seq.push_back(w);
            else
                walk(w);
        }
    };
    walk(&c);
    HWND after = HWND_TOP;
    for (TWinControl* w : seq) {
        if (!w->RawHandle()) continue;
        ::SetWindowPos(H(w->RawHandle()), after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = H(w->RawHandle());
    }
}

TWinControl* TWin32Backend::FocusedControl() {
    for (HWND h = GetFocus(); h; h = GetParent(h))
        if (TWinControl* c = Find(h)) return c;
    return nullptr;
}

void TWin32Backend::SetWindowPos(TWinControl& form, std::intptr_t insertAfter, unsigned flags) {
    ::SetWindowPos(H(form.RawHandle()), reinterpret_cast<HWND>(insertAfter), 0, 0, 0, 0, flags);
}

void TWin32Backend::BringToFront(TWinControl& form) {
    auto* f = dynamic_cast<TCustomForm*>(&form);
    UINT activate = (f && !f->ActivateOnShow()) ? SWP_NOACTIVATE : 0;
    ::SetWindowPos(H(form.RawHandle()), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | activate);
}

void TWin32Backend::Restore(TWinControl& form) {
    if (IsIconic(H(form.RawHandle()))) ShowWindow(H(form.RawHandle()), SW_RESTORE);
}

TRect TWin32Backend::FrameInsets(const TCustomForm& form) {
    DWORD style, ex;
    FormStyle(form, style, ex);
    RECT r{0, 0, 0, 0};
    AdjustWindowRectEx(&r, style, FALSE, ex);
    TScale s = ScreenScale();
    return {s.Log(-r.left), s.Log(-r.top), s.Log(r.right), s.Log(r.bottom)};
}

TPoint TWin32Backend::ClientToScreen(TWinControl& native, TPoint p) {
    TScale s = ScaleOf(H(native.RawHandle()));
    POINT pt = s.Dev(p);
    ::ClientToScreen(H(native.RawHandle()), &pt);
    return s.Log(pt);
}

TRect TWin32Backend::PageDisplayRect(TWinControl& pc) {
    RECT r{0, 0, pc.Width(), pc.Height()};
    if (pc.RawHandle()) {
        GetClientRect(H(pc.RawHandle()), &r);
        TabCtrl_AdjustRect(H(pc.RawHandle()), FALSE, &r);
        TRect l = ScaleOf(H(pc.RawHandle())).Log(r);
        r = {l.Left, l.Top, l.Right, l.Bottom};
    } else {
        r = {4, 24, pc.Width() - 4, pc.Height() - 4};
    }
    return {r.left, r.top, std::max(r.left, r.right), std::max(r.top, r.bottom)};
}

void TWin32Backend::CallDefault(TWinControl& control, TMessage& m) {
    HWND h = H(control.RawHandle());
    if (FSubclassed.count(h))
        m.Result = DefSubclassProc(h, m.Msg, m.WParam, m.LParam);
    else
        m.Result = DefWindowProcW(h, m.Msg, m.WParam, m.LParam);
}

// ---- window procedures ----------------------------------------------------------------

LRESULT CALLBACK TWin32Backend::OwnProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    TWin32Backend* self = gSelf;
    TWinControl* c = self ? self->Find(h) : nullptr;
    if (!c && msg == WM_NCCREATE && self && self->FCreating) {
        c = self->FCreating;
        self->FControls[h] = c;
    }
    if (!c) return DefWindowProcW(h, msg, w, l);
    LRESULT r = 0;
    if (self->AppBarMessage(c, h, msg, w, l, r)) return r;
    if (self->Common(c, h, msg, w, l, r)) return r;
    if (msg != WM_NCDESTROY && (self->HostMessage(c, h, msg, w, l, r) ||
                                NativeClass(c->NativeKind()).Message(*self, *c, h, msg, w, l, r)))
        return r;
    return DefWindowProcW(h, msg, w, l);
}

LRESULT CALLBACK TWin32Backend::SubclassProc(HWND h, UINT msg, WPARAM w, LPARAM l, UINT_PTR, DWORD_PTR ref) {
    TWin32Backend* self = gSelf;
    auto* c = reinterpret_cast<TWinControl*>(ref);
    if (!self || !c) return DefSubclassProc(h, msg, w, l);
    LRESULT r = 0;
    if (self->Common(c, h, msg, w, l, r)) return r;
    if (msg != WM_NCDESTROY && NativeClass(c->NativeKind()).Message(*self, *c, h, msg, w, l, r)) return r;
    return DefSubclassProc(h, msg, w, l);
}

LRESULT CALLBACK TWin32Backend::UtilProc(HWND h, UINT msg, WPARAM w, LPARAM l) {
    TWin32Backend* self = gSelf;
    if (!self) return DefWindowProcW(h, msg, w, l);
    LRESULT r = 0;
    if (h == self->FUtil && self->UtilMessage(msg, w, l, r)) return r;
    auto it = self->FHidden.find(h);
    if (it != self->FHidden.end()) {
        auto proc = it->second;  // the proc may deallocate its own window
        TMessage m{msg, w, static_cast<std::intptr_t>(l), 0};
        Notify(nullptr, [&] { proc(m); });
        return m.Result;
    }
    return DefWindowProcW(h, msg, w, l);
}

// The backend's own hidden window: add a case here for a message the backend posts to itself.
bool TWin32Backend::UtilMessage(UINT msg, WPARAM w, LPARAM, LRESULT& result) {
    switch (msg) {
        case WM_TIMER: {
            auto it = FTimers.find(w);
            if (it != FTimers.end()) {
                TTimer* t = it->second;
                Notify(t, [&] { t->Fire(); });
            }
            result = 0;
            return true;
        }
        case kWakeMsg:
            if (Application) Application->RunQueued();  // each queued call is guarded there
            result = 0;
            return true;
        // Session end: Windows ends the process once WM_ENDSESSION returns, so the program ends
        // itself inside it, as Quit would.
        case WM_QUERYENDSESSION: result = TRUE; return true;
        case WM_ENDSESSION:
            if (w && Application) Notify(nullptr, [] { Application->EndSession(); });
            result = 0;
            return true;
        default: return false;
    }
}

// ---- messages -------------------------------------------------------------------------

bool TWin32Backend::Common(TWinControl* c, HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT& result) {
    // Destruction, user messages and registered messages go through the control's WndProc.
    // Unknown ones reach the native default through DefaultHandler.
    if (msg == WM_DESTROY || msg >= WM_USER) {
        TMessage m{msg, w, static_cast<std::intptr_t>(l), 0};
        Notify(c, [&] { c->WndProc(m); });
        result = m.Result;
        return true;
    }
    if (msg == WM_NCDESTROY) {
        if (FSubclassed.count(h)) {
            RemoveWindowSubclass(h, SubclassProc, kSubclassId);
            FSubclassed.erase(h);
        }
        FControls.erase(h);
        FDpi.erase(h);
        NativeClass(c->NativeKind()).Destroyed(*this, *c);
        c->NotifyHandleDestroyed();
    }
    return false;  // the default handling still runs
}

bool TWin32Backend::HostMessage(TWinControl* c, HWND h, UINT msg, WPARAM w, LPARAM l, LRESULT& result) {
    result = 0;
    switch (msg) {
        case WM_PAINT: Paint(c, h); return true;
        case WM_ERASEBKGND: result = 1; return true;
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP: return Mouse(c, h, msg, w, l);
        case WM_MOUSELEAVE:
            if (Application) Application->NotifyHintControl(nullptr);
            return true;
        case WM_SETCURSOR:
            if (!SetCursorMessage(c, h, w, l)) return false;
            result = TRUE;
            return true;
        case WM_COMMAND: return CommandMessage(c, w, l, result);
        case WM_NOTIFY: {
            auto* hdr = reinterpret_cast<const NMHDR*>(l);
            return Reflect(hdr->hwndFrom, 0, hdr, result);
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORLISTBOX: return CtlColor(w, l, result);
        default: return false;
    }
}

bool TWin32Backend::Mouse(TWinControl* c, HWND h, UINT msg, WPARAM w, LPARAM l) {
    if (msg == WM_MOUSEMOVE) {
        TRACKMOUSEEVENT t{sizeof t, TME_LEAVE, h, 0};
        TrackMouseEvent(&t);
    }
    if (msg == WM_LBUTTONDOWN) SetCapture(h);
    if (msg == WM_LBUTTONUP && GetCapture() == h) ReleaseCapture();
    TPoint p = ScaleOf(h).Log(POINT{static_cast<short>(LOWORD(l)), static_cast<short>(HIWORD(l))});
    TShiftState shift = ((w & MK_SHIFT) ? ssShift : 0) | ((w & MK_CONTROL) ? ssCtrl : 0);
    Notify(c, [&] { c->HostMouse(msg, shift, p); });
    return true;
}

// The cursor of the control under the mouse (or of its parents), unless the screen sets one.
bool TWin32Backend::SetCursorMessage(TWinControl* c, HWND h, WPARAM w, LPARAM l) {
    if (reinterpret_cast<HWND>(w) != h || LOWORD(l) != HTCLIENT) return false;
    TCursor cur = Screen ? Screen->Cursor() : crDefault;
    if (cur == crDefault) {
        POINT pt;
        ::GetCursorPos(&pt);
        ::ScreenToClient(h, &pt);
        TControl* t = c->ControlAtPos(ScaleOf(h).Log(pt), true, true);
        for (TControl* x = t ? t : c; x && cur == crDefault; x = x == c ? nullptr : x->Parent())
            cur = x->Cursor();
    }
    if (cur == crDefault) return false;
    ::SetCursor(LoadCursorW(nullptr, CursorId(cur)));
    return true;
}

bool TWin32Backend::CommandMessage(TWinControl* c, WPARAM w, LPARAM l, LRESULT& result) {
    if (l) return Reflect(reinterpret_cast<HWND>(l), HIWORD(w), nullptr, result);
    if (LOWORD(w) != IDOK && LOWORD(w) != IDCANCEL) return false;
    TCustomForm* f = GetParentForm(c);
    if (!f) return false;
    Notify(f, [&] { f->DialogKey(LOWORD(w) == IDOK); });
    return true;
}

bool TWin32Backend::CtlColor(WPARAM w, LPARAM l, LRESULT& result) {
    TWinControl* child = Find(reinterpret_cast<HWND>(l));
    if (!child) return false;
    HDC dc = reinterpret_cast<HDC>(w);
    SetTextColor(dc, static_cast<COLORREF>(ColorToRGB(child->Font().Color())));
    SetBkColor(dc, static_cast<COLORREF>(ColorToRGB(child->Color())));
    result = reinterpret_cast<LRESULT>(Brush(child->Color()));
    return true;
}

bool TWin32Backend::Reflect(HWND child, UINT code, const NMHDR* hdr, LRESULT& result) {
    TWinControl* c = Find(child);
    return c && NativeClass(c->NativeKind()).Reflect(*c, child, code, hdr, result);
}

}  // namespace ui::win32
