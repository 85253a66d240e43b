// Icons and the notification area.
#include <windows.h>
#include <shellapi.h>

#include <algorithm>

#include "ui/win32/Win32BackendImpl.h"

namespace ui::win32 {

namespace {

// The picture resampled (bilinear, on premultiplied channels) to size x size.
TImageData Resized(const TImageData& in, int size) {
    TImageData out{size, size, std::vector<std::uint32_t>(static_cast<std::size_t>(size) * static_cast<std::size_t>(size))};
    auto channel = [](std::uint32_t p, int shift) { return static_cast<double>((p >> shift) & 0xFF); };
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            double fx = std::clamp((x + 0.5) * in.Width / size - 0.5, 0.0, in.Width - 1.0);
            double fy = std::clamp((y + 0.5) * in.Height / size - 0.5, 0.0, in.Height - 1.0);
            int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
            int x1 = std::min(x0 + 1, in.Width - 1), y1 = std::min(y0 + 1, in.Height - 1);
            double ax = fx - x0, ay = fy - y0;
            std::uint32_t q[4] = {in.At(x0, y0), in.At(x1, y0), in.At(x0, y1), in.At(x1, y1)};
            double w[4] = {(1 - ax) * (1 - ay), ax * (1 - ay), (1 - ax) * ay, ax * ay};
            double a = 0, c[3] = {0, 0, 0};
            for (int i = 0; i < 4; ++i) {
                double qa = channel(q[i], 24);
                a += w[i] * qa;
                for (int k = 0; k < 3; ++k) c[k] += w[i] * qa * channel(q[i], 16 - 8 * k);
            }
            std::uint32_t p = static_cast<std::uint32_t>(a + 0.5) << 24;
            for (int k = 0; k < 3; ++k) p |= static_cast<std::uint32_t>(a > 0 ? c[k] / a + 0.5 : 0) << (16 - 8 * k);
            out.Pixels[static_cast<std::size_t>(y * size + x)] = p;
        }
    return out;
}

}  // namespace

THandle TWin32Backend::CreateIcon(const TImageData& source) {
    // Small icons are drawn at 16 x 16; the system wants them larger at higher DPI.
    int size = GetSystemMetrics(SM_CXSMICON);
    bool scaled = source.Width == 16 && source.Height == 16 && size > 16 && !source.Pixels.empty();
    const TImageData& image = scaled ? Resized(source, size) : source;
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
