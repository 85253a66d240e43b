// Icons and the notification area.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "ui/win32/Win32BackendImpl.h"

namespace ui::win32 {

THandle TWin32Backend::CreateIcon(const TImageData& image) {
    BITMAPV5HEADER bi{};
    bi.bV5Size = sizeof bi;
    bi.bV5Width = image.Width;
    bi.bV5Height = -image.Height;
    bi.bV5Planes = 1;
    bi.bV5BitCount = 32;
    bi.bV5Compression = BI_BITFIELDS;
    bi.bV5RedMask = 0x00FF0000;
    bi.bV5GreenMask = 0x0000FF00;
    bi.bV5BlueMask = 0x000000FF;
    bi.bV5AlphaMask = 0xFF000000;
    void* bits = nullptr;
    TBitmapOwner color;
    {
        TWindowDc screen(nullptr);
        color.Reset(CreateDIBSection(screen.Get(), reinterpret_cast<BITMAPINFO*>(&bi), DIB_RGB_COLORS, &bits, nullptr, 0));
    }
    if (!color) return 0;
    std::copy(image.Pixels.begin(), image.Pixels.end(), static_cast<std::uint32_t*>(bits));
    TBitmapOwner mask(CreateBitmap(image.Width, image.Height, 1, 1, nullptr));
    ICONINFO ii{TRUE, 0, 0, mask.Get(), color.Get()};
    return reinterpret_cast<THandle>(CreateIconIndirect(&ii));  // the icon holds copies of both
}

bool TWin32Backend::NotifyIcon(TNotifyIconAction action, const TNotifyIconData& data) {
    // The W form takes tooltips in any language; its second size holds 127 UTF-16 units.
    NOTIFYICONDATAW nid{};
    nid.cbSize = NOTIFYICONDATAW_V2_SIZE;
    nid.hWnd = H(data.Window);
    nid.uID = data.Id;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = data.CallbackMessage;
    nid.hIcon = reinterpret_cast<HICON>(data.Icon);
    std::wstring tip = W(data.Tip);
    std::size_t n = std::min<std::size_t>(tip.size(), std::size(nid.szTip) - 1);
    if (n > 0 && n < tip.size() && tip[n - 1] >= 0xD800 && tip[n - 1] <= 0xDBFF) --n;  // no half pair
    std::copy(tip.begin(), tip.begin() + static_cast<std::ptrdiff_t>(n), nid.szTip);
    nid.szTip[n] = L'\0';
    DWORD message = action == TNotifyIconAction::Add      ? NIM_ADD
                    : action == TNotifyIconAction::Modify ? NIM_MODIFY
                                                          : NIM_DELETE;
    return Shell_NotifyIconW(message, &nid) != FALSE;
}

}  // namespace ui::win32
