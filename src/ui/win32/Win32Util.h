#pragma once
// Small helpers every file of the Win32 backend uses: UTF-8 <-> UTF-16, handle casts, the
// exception guard around calls into the framework, and owners for GDI and USER objects.
#include <windows.h>

#include <string>
#include <utility>

#include "core/Text.h"
#include "ui/Forms.h"
#include "ui/UiTypes.h"

namespace ui::win32 {

inline std::wstring W(const std::string& s) {
    std::u16string u = text::Utf8ToUtf16(s);
    return std::wstring(u.begin(), u.end());
}

inline std::string U(const wchar_t* s, std::size_t n) {
    return text::Utf16ToUtf8(std::u16string_view(reinterpret_cast<const char16_t*>(s), n));
}

inline std::string WindowText(HWND h) {
    int n = GetWindowTextLengthW(h);
    std::wstring buf(static_cast<std::size_t>(n) + 1, L'\0');
    int got = GetWindowTextW(h, buf.data(), n + 1);
    return U(buf.data(), static_cast<std::size_t>(got < 0 ? 0 : got));
}

inline HWND H(THandle h) { return reinterpret_cast<HWND>(h); }
inline THandle T(HWND h) { return reinterpret_cast<THandle>(h); }

// Runs f; an exception goes to the application's exception handling instead of unwinding
// into the system's frames.
template <class F>
LRESULT Guard(TObject* sender, F&& f) {
    try {
        return f();
    } catch (...) {
        try {
            if (Application) Application->HandleException(sender);
        } catch (...) {
        }
        return 0;
    }
}

// Guard for a call that returns nothing.
template <class F>
void Notify(TObject* sender, F&& f) {
    Guard(sender, [&] {
        f();
        return LRESULT(0);
    });
}

// Owns one handle and frees it with Free; movable, not copyable.
template <class Handle, class Free>
class TOwned {
public:
    TOwned() = default;
    explicit TOwned(Handle h) : FHandle(h) {}
    TOwned(TOwned&& o) noexcept : FHandle(std::exchange(o.FHandle, Handle{})) {}
    TOwned& operator=(TOwned&& o) noexcept {
        if (this != &o) Reset(std::exchange(o.FHandle, Handle{}));
        return *this;
    }
    TOwned(const TOwned&) = delete;
    TOwned& operator=(const TOwned&) = delete;
    ~TOwned() { Reset(); }
    Handle Get() const { return FHandle; }
    Handle Release() { return std::exchange(FHandle, Handle{}); }
    void Reset(Handle h = Handle{}) {
        if (FHandle) Free{}(FHandle);
        FHandle = h;
    }
    explicit operator bool() const { return FHandle != Handle{}; }

private:
    Handle FHandle{};
};

struct TDeleteObject {
    void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct TDeleteDc {
    void operator()(HDC h) const { DeleteDC(h); }
};
struct TDestroyIcon {
    void operator()(HICON h) const { ::DestroyIcon(h); }
};
struct TDestroyMenu {
    void operator()(HMENU h) const { DestroyMenu(h); }
};

using TFontOwner = TOwned<HFONT, TDeleteObject>;
using TBrushOwner = TOwned<HBRUSH, TDeleteObject>;
using TBitmapOwner = TOwned<HBITMAP, TDeleteObject>;
using TRegionOwner = TOwned<HRGN, TDeleteObject>;
using TMemoryDc = TOwned<HDC, TDeleteDc>;  // from CreateCompatibleDC
using TIconOwner = TOwned<HICON, TDestroyIcon>;
using TMenuOwner = TOwned<HMENU, TDestroyMenu>;  // destroys its sub-menus with it

// A window's DC from GetDC, released on scope exit.
class TWindowDc {
public:
    explicit TWindowDc(HWND h) : FWnd(h), FDc(GetDC(h)) {}
    TWindowDc(const TWindowDc&) = delete;
    TWindowDc& operator=(const TWindowDc&) = delete;
    ~TWindowDc() {
        if (FDc) ReleaseDC(FWnd, FDc);
    }
    HDC Get() const { return FDc; }

private:
    HWND FWnd;
    HDC FDc;
};

// BeginPaint ... EndPaint.
class TPaintDc {
public:
    explicit TPaintDc(HWND h) : FWnd(h), FDc(BeginPaint(h, &FPs)) {}
    TPaintDc(const TPaintDc&) = delete;
    TPaintDc& operator=(const TPaintDc&) = delete;
    ~TPaintDc() { EndPaint(FWnd, &FPs); }
    HDC Get() const { return FDc; }
    const RECT& Area() const { return FPs.rcPaint; }

private:
    HWND FWnd;
    PAINTSTRUCT FPs{};
    HDC FDc;
};

// An object selected into a DC, the previous one selected back on scope exit (or on move).
class TSelection {
public:
    TSelection() = default;
    TSelection(HDC dc, HGDIOBJ obj) : FDc(dc), FOld(SelectObject(dc, obj)) {}
    TSelection(TSelection&& o) noexcept : FDc(std::exchange(o.FDc, nullptr)), FOld(std::exchange(o.FOld, nullptr)) {}
    TSelection& operator=(TSelection&& o) noexcept {
        if (this != &o) {
            Restore();
            FDc = std::exchange(o.FDc, nullptr);
            FOld = std::exchange(o.FOld, nullptr);
        }
        return *this;
    }
    TSelection(const TSelection&) = delete;
    TSelection& operator=(const TSelection&) = delete;
    ~TSelection() { Restore(); }

private:
    void Restore() {
        if (FDc && FOld) SelectObject(FDc, FOld);
        FDc = nullptr;
    }
    HDC FDc = nullptr;
    HGDIOBJ FOld = nullptr;
};

// SaveDC ... RestoreDC, for clipping and selections made inside.
class TSavedDc {
public:
    explicit TSavedDc(HDC dc) : FDc(dc), FSaved(SaveDC(dc)) {}
    TSavedDc(const TSavedDc&) = delete;
    TSavedDc& operator=(const TSavedDc&) = delete;
    ~TSavedDc() { RestoreDC(FDc, FSaved); }

private:
    HDC FDc;
    int FSaved;
};

}  // namespace ui::win32
