#pragma once
// What differs between the kinds of native control: how the window is made, how a change of
// the control reaches it, and which of its messages the framework hears. One class per kind
// (Win32Controls.cpp); the backend asks NativeClass(kind) and never switches over kinds.
#include <windows.h>

#include "ui/Controls.h"

namespace ui::win32 {

class TWin32Backend;

class TNativeClass {
public:
    virtual ~TNativeClass() = default;

    // ---- creation ----
    virtual const wchar_t* ClassName() const = 0;
    // Adds the kind's styles to WS_CHILD | WS_CLIPSIBLINGS.
    virtual void Styles(TWin32Backend&, TWinControl&, DWORD& /*style*/, DWORD& /*ex*/) const {}
    virtual HWND ParentWindow(TWin32Backend&, HWND parent) const { return parent; }
    virtual bool HasChildId() const { return true; }
    // Whether the window is made with the control's Text as its caption.
    virtual bool CreatesWithText() const { return true; }
    // Whether the window is the system's class, reached through a subclass procedure.
    virtual bool Subclassed() const { return true; }
    // The window's height for the control's height (a combo box adds its list).
    virtual int WindowHeight(TWinControl&, int height) const { return height; }
    virtual bool VisibleOnCreate(TWinControl& c) const;
    virtual void Created(TWin32Backend&, TWinControl&, HWND) const {}
    virtual void Destroyed(TWin32Backend&, TWinControl&) const {}

    // ---- updates ----
    virtual void ShowText(TWinControl& c, HWND h) const;
    virtual void ShowVisible(TWinControl& c, HWND h) const;
    virtual void ShowState(TWinControl&, HWND) const {}
    // After WS_TABSTOP has been brought up to date.
    virtual void ShowStyle(TWin32Backend&, TWinControl&, HWND) const {}

    // ---- messages ----
    // A WM_COMMAND code or WM_NOTIFY header from the control, reflected by its parent.
    virtual bool Reflect(TWinControl&, HWND, UINT /*code*/, const NMHDR*, LRESULT&) const { return false; }
    // A message to the control's own window after the common handling; true when answered.
    virtual bool Message(TWin32Backend&, TWinControl&, HWND, UINT, WPARAM, LPARAM, LRESULT&) const {
        return false;
    }
};

const TNativeClass& NativeClass(TNativeKind kind);

}  // namespace ui::win32
