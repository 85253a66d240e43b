#pragma once
// Basic types of the widget framework: geometry, colours, cursors, modal results, messages
// and the event signatures. Message and box constants carry the Win32 values so that both
// backends deliver the same numbers.
#include <cstdint>
#include <functional>
#include <string>

class TObject;

using TColor = std::int32_t;  // 0x00BBGGRR, or a system colour (high bit set)
constexpr TColor clBlack = 0x000000, clMaroon = 0x000080, clGreen = 0x008000,
                 clOlive = 0x008080, clNavy = 0x800000, clPurple = 0x800080,
                 clTeal = 0x808000, clGray = 0x808080, clSilver = 0xC0C0C0,
                 clRed = 0x0000FF, clLime = 0x00FF00, clYellow = 0x00FFFF,
                 clBlue = 0xFF0000, clFuchsia = 0xFF00FF, clAqua = 0xFFFF00,
                 clWhite = 0xFFFFFF;
constexpr TColor SystemColor(int index) {
    return static_cast<TColor>(0x80000000u | static_cast<unsigned>(index));
}
constexpr TColor clScrollBar = SystemColor(0), clBackground = SystemColor(1),
                 clWindow = SystemColor(5), clWindowFrame = SystemColor(6),
                 clWindowText = SystemColor(8), clHighlight = SystemColor(13),
                 clHighlightText = SystemColor(14), clBtnFace = SystemColor(15),
                 clBtnShadow = SystemColor(16), clGrayText = SystemColor(17),
                 clBtnText = SystemColor(18), clInfoText = SystemColor(23),
                 clInfoBk = SystemColor(24), clBtnHighlight = SystemColor(20),
                 cl3DDkShadow = SystemColor(21), cl3DLight = SystemColor(22);
constexpr TColor clNone = 0x1FFFFFFF, clDefault = 0x20000000;
inline bool IsSystemColor(TColor c) { return (static_cast<std::uint32_t>(c) & 0x80000000u) != 0; }

using TCursor = int;
constexpr TCursor crDefault = 0, crNone = -1, crArrow = -2, crCross = -3, crIBeam = -4,
                  crSizeAll = -22, crSizeNESW = -6, crSizeNS = -7, crSizeNWSE = -8,
                  crSizeWE = -9, crUpArrow = -10, crHourGlass = -11, crNo = -18,
                  crAppStart = -19, crHelp = -20, crHandPoint = -21;

using TModalResult = int;
constexpr TModalResult mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4,
                       mrIgnore = 5, mrYes = 6, mrNo = 7;

struct TPoint {
    int X = 0, Y = 0;
    bool operator==(const TPoint&) const = default;
};
struct TSize {
    int cx = 0, cy = 0;
    bool operator==(const TSize&) const = default;
};
struct TRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    bool Empty() const { return Right <= Left || Bottom <= Top; }
    bool Contains(TPoint p) const { return p.X >= Left && p.X < Right && p.Y >= Top && p.Y < Bottom; }
    bool Intersects(const TRect& r) const {
        return Left < r.Right && r.Left < Right && Top < r.Bottom && r.Top < Bottom;
    }
    TRect Intersect(const TRect& r) const;
    TRect Union(const TRect& r) const;
    TRect Offset(int dx, int dy) const { return {Left + dx, Top + dy, Right + dx, Bottom + dy}; }
    TRect Inflate(int dx, int dy) const { return {Left - dx, Top - dy, Right + dx, Bottom + dy}; }
    bool operator==(const TRect&) const = default;
};
inline TRect Bounds(int left, int top, int width, int height) {
    return {left, top, left + width, top + height};
}

namespace ui {
// A native window of a backend (an HWND on Win32); 0 is none.
using THandle = std::uintptr_t;
}  // namespace ui

// One message to a window, as a window procedure sees it.
struct TMessage {
    unsigned Msg = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;
    std::intptr_t Result = 0;
};
// One queued message, as the application's message event sees it before dispatch.
struct TMsg {
    ui::THandle Wnd = 0;
    unsigned Message = 0;
    std::uintptr_t WParam = 0;
    std::intptr_t LParam = 0;
};

namespace ui {
// Message numbers (Win32 values).
constexpr unsigned WmNull = 0x0000, WmCreate = 0x0001, WmDestroy = 0x0002, WmClose = 0x0010,
                   WmQuit = 0x0012, WmCommand = 0x0111, WmTimer = 0x0113,
                   WmMouseMove = 0x0200, WmLButtonDown = 0x0201, WmLButtonUp = 0x0202,
                   WmLButtonDblClk = 0x0203, WmRButtonDown = 0x0204, WmRButtonUp = 0x0205,
                   WmUser = 0x0400, WmApp = 0x8000;
// Message boxes (Win32 values).
constexpr unsigned MbOk = 0x0, MbOkCancel = 0x1, MbYesNo = 0x4, MbYesNoCancel = 0x3,
                   MbIconError = 0x10, MbIconStop = 0x10, MbIconQuestion = 0x20,
                   MbIconWarning = 0x30, MbIconInformation = 0x40, MbTaskModal = 0x2000;
constexpr int IdOk = 1, IdCancel = 2, IdAbort = 3, IdRetry = 4, IdIgnore = 5, IdYes = 6,
              IdNo = 7;
// Window order for SetWindowPos (Win32 values).
constexpr std::intptr_t HwndTop = 0, HwndBottom = 1, HwndTopMost = -1, HwndNoTopMost = -2;
constexpr unsigned SwpNoSize = 0x1, SwpNoMove = 0x2, SwpNoActivate = 0x10;
}  // namespace ui

using TNotifyEvent = std::function<void(TObject* Sender)>;
enum TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;
using TCloseQueryEvent = std::function<void(TObject* Sender, bool& CanClose)>;
enum TMouseButton { mbLeft, mbRight, mbMiddle };
using TShiftState = unsigned;  // ssShift | ssAlt | ssCtrl | ssLeft | ssRight | ssMiddle
constexpr TShiftState ssShift = 1, ssAlt = 2, ssCtrl = 4, ssLeft = 8, ssRight = 16, ssMiddle = 32;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift,
                                       int X, int Y)>;
using TMessageEvent = std::function<void(TMsg& Msg, bool& Handled)>;
