// The system's dialogs (message box, colour) and the hint window.
#include <windows.h>
#include <commdlg.h>

#include "ui/win32/Win32BackendImpl.h"

namespace ui::win32 {

int TWin32Backend::ShowMessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    return MessageBoxW(ActiveOwner(), W(text).c_str(), W(caption).c_str(), flags);
}

bool TWin32Backend::ExecuteColorDialog(TColor& color) {
    CHOOSECOLORW cc{};
    cc.lStructSize = sizeof cc;
    cc.hwndOwner = ActiveOwner();
    cc.rgbResult = static_cast<COLORREF>(ColorToRGB(color));
    cc.lpCustColors = FCustomColors;
    cc.Flags = CC_RGBINIT | CC_FULLOPEN;
    if (!ChooseColorW(&cc)) return false;
    color = static_cast<TColor>(cc.rgbResult);
    return true;
}

void TWin32Backend::ShowHintWindow(const std::string& text, TPoint screen) {
    if (!FTip) {
        FTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, FUtil, nullptr,
                               GetModuleHandleW(nullptr), nullptr);
        FTipInfo.cbSize = TTTOOLINFOW_V1_SIZE;
        FTipInfo.uFlags = TTF_TRACK | TTF_ABSOLUTE;
        FTipInfo.hwnd = FUtil;
        FTipInfo.uId = 1;
        FTipInfo.lpszText = const_cast<wchar_t*>(L"");
        SendMessageW(FTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&FTipInfo));
        SendMessageW(FTip, TTM_SETMAXTIPWIDTH, 0, 400);
    }
    FTipText = W(text);
    FTipInfo.lpszText = FTipText.data();
    SendMessageW(FTip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&FTipInfo));
    POINT at = ScreenScale().Dev(screen);
    SendMessageW(FTip, TTM_TRACKPOSITION, 0, MAKELPARAM(at.x, at.y));
    SendMessageW(FTip, TTM_TRACKACTIVATE, TRUE, reinterpret_cast<LPARAM>(&FTipInfo));
}

void TWin32Backend::HideHintWindow() {
    if (FTip) SendMessageW(FTip, TTM_TRACKACTIVATE, FALSE, reinterpret_cast<LPARAM>(&FTipInfo));
}

}  // namespace ui::win32
