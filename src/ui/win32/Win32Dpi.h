#pragma once
// The framework lays out at 96 DPI; the backend turns its figures into the pixels of the
// monitor a window is on and back.
#include <windows.h>

#include "ui/UiTypes.h"

namespace ui::win32 {

constexpr int kBaseDpi = 96;

struct TScale {
    int Dpi = kBaseDpi;

    // Whole multiples keep a one-pixel shift a whole number of device pixels.
    bool Whole() const { return Dpi % kBaseDpi == 0; }
    int Dev(int v) const { return MulDiv(v, Dpi, kBaseDpi); }
    int Log(int v) const { return MulDiv(v, kBaseDpi, Dpi); }
    RECT Dev(const TRect& r) const { return {Dev(r.Left), Dev(r.Top), Dev(r.Right), Dev(r.Bottom)}; }
    TRect Log(const RECT& r) const { return {Log(r.left), Log(r.top), Log(r.right), Log(r.bottom)}; }
    POINT Dev(TPoint p) const { return {Dev(p.X), Dev(p.Y)}; }
    TPoint Log(POINT p) const { return {Log(p.x), Log(p.y)}; }
    // The smallest 96-DPI rectangle that covers a device rectangle.
    TRect Covering(const RECT& r) const {
        auto down = [&](int v) { return v >= 0 ? v * kBaseDpi / Dpi : -((-v * kBaseDpi + Dpi - 1) / Dpi); };
        auto up = [&](int v) { return -down(-v); };
        return {down(r.left), down(r.top), up(r.right), up(r.bottom)};
    }
};

// The DPI of the screen as a whole (the primary monitor's).
int SystemDpi();
// The DPI of the monitor a window is on (its system's notion; the system DPI before Windows 10).
int WindowDpi(HWND h, int fallback);

}  // namespace ui::win32
