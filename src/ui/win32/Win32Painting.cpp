// Painting: the GDI canvas, cached fonts, brushes and pictures, double-buffered paint and the
// ticker's pixel scroll.
#include <algorithm>

#include "ui/win32/Win32BackendImpl.h"

namespace ui::win32 {

namespace {

// Takes the framework's 96-DPI coordinates and draws at the window's scale into a buffer whose
// top-left corner is the device point (Dx, Dy).
struct TGdiCanvas : TCanvas {
    HDC Dc;
    TWin32Backend& Backend;
    TScale Scale;
    int Dx, Dy;
    TGdiCanvas(HDC dc, TWin32Backend& b, TScale s, int dx, int dy) : Dc(dc), Backend(b), Scale(s), Dx(dx), Dy(dy) {}
    RECT Device(const TRect& r) const {
        RECT d = Scale.Dev(r);
        OffsetRect(&d, -Dx, -Dy);
        return d;
    }
    void Clip(const TRect& r) const {
        RECT d = Device(r);
        IntersectClipRect(Dc, d.left, d.top, d.right, d.bottom);
    }
    void DoFillRect(const TRect& r, TColor color) override;
    void DoTextAt(int x, int y, const std::string& text, const TFont& font, bool prefix, const TRect& clip) override;
    void DoDraw(int x, int y, const TImageData& image, const TRect& clip) override;
};

void TGdiCanvas::DoFillRect(const TRect& r, TColor color) {
    RECT rc = Device(r);
    SetDCBrushColor(Dc, static_cast<COLORREF>(Backend.ColorToRGB(color)));
    ::FillRect(Dc, &rc, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
}

void TGdiCanvas::DoTextAt(int x, int y, const std::string& s, const TFont& font, bool prefix, const TRect& clip) {
    std::wstring w = W(s);
    TSavedDc saved(Dc);
    Clip(clip);
    SelectObject(Dc, Backend.Font(font, Scale.Dpi));
    SetTextColor(Dc, static_cast<COLORREF>(Backend.ColorToRGB(font.Color())));
    SetBkMode(Dc, TRANSPARENT);
    RECT rc = Device(TRect{x, y, x, y});
    rc.right += 100000;
    rc.bottom += 10000;
    DrawTextW(Dc, w.c_str(), static_cast<int>(w.size()), &rc, DT_SINGLELINE | DT_NOCLIP | (prefix ? 0 : DT_NOPREFIX));
}

void TGdiCanvas::DoDraw(int x, int y, const TImageData& image, const TRect& clip) {
    HDC src = Backend.ImageDc(image);
    if (!src) return;
    TSavedDc saved(Dc);
    Clip(clip);
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    RECT d = Device(TRect{x, y, x + image.Width, y + image.Height});
    AlphaBlend(Dc, d.left, d.top, d.right - d.left, d.bottom - d.top, src, 0, 0, image.Width, image.Height, bf);
}

// A 32-bit top-down DIB section of the picture's size.
HBITMAP CreateDib(HDC dc, int width, int height, void** bits) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(dc, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}

void CopyPremultiplied(const TImageData& image, std::uint32_t* out) {
    for (std::size_t i = 0; i < image.Pixels.size(); ++i) {
        std::uint32_t p = image.Pixels[i];
        std::uint32_t a = p >> 24;
        std::uint32_t r = ((p >> 16) & 0xFF) * a / 255, g = ((p >> 8) & 0xFF) * a / 255, b = (p & 0xFF) * a / 255;
        out[i] = (a << 24) | (r << 16) | (g << 8) | b;  // premultiplied BGRA
    }
}

}  // namespace

HFONT TWin32Backend::Font(const TFont& f, int dpi) {
    int height = MulDiv(f.Height(), dpi, kBaseDpi);
    auto key = std::make_tuple(f.Name(), height, f.Style() | (unsigned(f.Pitch()) << 8));
    auto it = FFonts.find(key);
    if (it != FFonts.end()) return it->second.Get();
    // The pitch and family steer the font mapper when the named font is missing.
    BYTE pitch = f.Pitch() == fpFixed      ? FIXED_PITCH | FF_MODERN
                 : f.Pitch() == fpVariable ? VARIABLE_PITCH | FF_DONTCARE
                                           : DEFAULT_PITCH | FF_DONTCARE;
    HFONT h = CreateFontW(height, 0, 0, 0, (f.Style() & fsBold) ? FW_BOLD : FW_NORMAL, (f.Style() & fsItalic) != 0,
                          (f.Style() & fsUnderline) != 0, (f.Style() & fsStrikeOut) != 0, DEFAULT_CHARSET,
                          OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, pitch, W(f.Name()).c_str());
    FFonts.emplace(key, TFontOwner(h));
    return h;
}

HBRUSH TWin32Backend::Brush(TColor c) {
    COLORREF rgb = static_cast<COLORREF>(ColorToRGB(c));
    auto it = FBrushes.find(rgb);
    if (it != FBrushes.end()) return it->second.Get();
    HBRUSH b = CreateSolidBrush(rgb);
    FBrushes.emplace(rgb, TBrushOwner(b));
    return b;
}

TColor TWin32Backend::ColorToRGB(TColor c) {
    if (IsSystemColor(c)) return static_cast<TColor>(GetSysColor(c & 0xFF));
    return c & 0xFFFFFF;
}

TSize TWin32Backend::TextExtent(const TFont& font, const std::string& s, bool prefix) {
    // Measured at the screen's DPI, answered at 96 DPI, rounded up so the text fits.
    TSelection selected(FMeasureDc.Get(), Font(font, FSystemDpi));
    std::wstring w = W(s);
    RECT r{0, 0, 0, 0};
    DrawTextW(FMeasureDc.Get(), w.c_str(), static_cast<int>(w.size()), &r,
              DT_CALCRECT | DT_SINGLELINE | (prefix ? 0 : DT_NOPREFIX));
    TRect l = ScreenScale().Covering(RECT{0, 0, r.right - r.left, r.bottom - r.top});
    return {l.Right, l.Bottom};
}

HDC TWin32Backend::ImageDc(const TImageData& image) {
    // Thousands of ticker items show the same few pictures: each is converted once and kept,
    // the most recently drawn last.
    for (std::size_t i = FImages.size(); i-- > 0;) {
        const TImageData& c = FImages[i]->Image;
        if (c.Width == image.Width && c.Height == image.Height && c.Pixels == image.Pixels) {
            auto at = FImages.begin() + static_cast<std::ptrdiff_t>(i);
            std::rotate(at, at + 1, FImages.end());
            return FImages.back()->Dc.Get();
        }
    }
    if (FImages.size() >= kImageCacheSize) FImages.erase(FImages.begin());
    void* bits = nullptr;
    TBitmapOwner dib(CreateDib(FMeasureDc.Get(), image.Width, image.Height, &bits));
    if (!dib) return nullptr;
    CopyPremultiplied(image, static_cast<std::uint32_t*>(bits));
    auto cached = std::make_unique<TCachedImage>();
    cached->Image = image;
    cached->Bitmap = std::move(dib);
    cached->Dc.Reset(CreateCompatibleDC(FMeasureDc.Get()));
    cached->Selected = TSelection(cached->Dc.Get(), cached->Bitmap.Get());
    FImages.push_back(std::move(cached));
    return FImages.back()->Dc.Get();
}

void TWin32Backend::InvalidateRect(TWinControl& host, const TRect& r) {
    RECT rc = ScaleOf(H(host.RawHandle())).Dev(r);
    ::InvalidateRect(H(host.RawHandle()), &rc, FALSE);
}

void TWin32Backend::Paint(TWinControl* c, HWND h) {
    TPaintDc dc(h);
    PaintArea(c, dc.Get(), dc.Area());
}

void TWin32Backend::ScrollRect(TWinControl& host, const TRect& r, int dx) {
    HWND h = H(host.RawHandle());
    TScale scale = ScaleOf(h);
    RECT rc = scale.Dev(r);
    // At 150 % a one-pixel step moves items by one or two device pixels, depending on where
    // they are: no single shift matches, so the area is drawn anew (off screen, no flicker).
    auto later = [&] {
        if (scale.Whole())
            ::ScrollWindowEx(h, scale.Dev(dx), 0, &rc, &rc, nullptr, nullptr, SW_INVALIDATE);
        else
            ::InvalidateRect(h, &rc, FALSE);
    };
    // With nothing waiting to be painted, the pixels are shifted and the uncovered strip drawn
    // right here: no paint message, which a ticker pays for on every tick. What could not be
    // shifted (a part another window hid) comes back in the region and is drawn as well.
    if (!IsWindowVisible(h) || GetUpdateRect(h, nullptr, FALSE)) return later();
    TWindowDc dc(h);
    if (!dc.Get()) return later();
    if (!scale.Whole()) return PaintArea(&host, dc.Get(), rc);
    TRegionOwner uncovered(CreateRectRgn(0, 0, 0, 0));
    RECT box{};
    if (ScrollDC(dc.Get(), scale.Dev(dx), 0, &rc, &rc, uncovered.Get(), nullptr) &&
        GetRgnBox(uncovered.Get(), &box) != NULLREGION) {
        IntersectRect(&box, &box, &rc);
        PaintArea(&host, dc.Get(), box);
    }
}

void TWin32Backend::PaintArea(TWinControl* c, HDC dc, const RECT& r) {
    int w = r.right - r.left, hgt = r.bottom - r.top;
    if (w <= 0 || hgt <= 0) return;
    // Double buffer: the area is drawn off screen and copied in one go.
    TMemoryDc mem(CreateCompatibleDC(dc));
    TBitmapOwner bmp(CreateCompatibleBitmap(dc, w, hgt));
    TSelection selected(mem.Get(), bmp.Get());
    {
        TScale scale = ScaleOf(H(c->RawHandle()));
        TGdiCanvas canvas(mem.Get(), *this, scale, r.left, r.top);
        Notify(c, [&] { c->PaintHost(canvas, scale.Covering(r)); });
    }
    BitBlt(dc, r.left, r.top, w, hgt, mem.Get(), 0, 0, SRCCOPY);
}

}  // namespace ui::win32
