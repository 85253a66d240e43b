#include "ui/Graphics.h"

#include "ui/Accel.h"

#include <algorithm>

#include "ui/Backend.h"

SKIMBAR_CLASS_INFO(TFont, TObject)
SKIMBAR_CLASS_INFO(TIcon, TObject)

TRect TRect::Intersect(const TRect& r) const {
    TRect x{std::max(Left, r.Left), std::max(Top, r.Top), std::min(Right, r.Right),
            std::min(Bottom, r.Bottom)};
    if (x.Right < x.Left) x.Right = x.Left;
    if (x.Bottom < x.Top) x.Bottom = x.Top;
    return x;
}

TRect TRect::Union(const TRect& r) const {
    if (Empty()) return r;
    if (r.Empty()) return *this;
    return {std::min(Left, r.Left), std::min(Top, r.Top), std::max(Right, r.Right),
            std::max(Bottom, r.Bottom)};
}

TFont& TFont::operator=(const TFont& other) {
    FName = other.FName;
    FHeight = other.FHeight;
    FColor = other.FColor;
    FStyle = other.FStyle;
    FPitch = other.FPitch;
    return *this;
}

void TFont::SetName(const std::string& name) {
    if (name == FName) return;
    FName = name;
    Changed();
}

int TFont::Size() const {
    // Points from the character height, rounded as the platform's MulDiv does.
    int h = -FHeight;
    int points = (h * 72 + PixelsPerInch / 2) / PixelsPerInch;
    return FHeight < 0 ? points : -points;
}

void TFont::SetSize(int points) {
    SetHeight(-((points * PixelsPerInch + 36) / 72));
}

void TFont::SetHeight(int height) {
    if (height == FHeight) return;
    FHeight = height;
    Changed();
}

void TFont::SetColor(TColor color) {
    if (color == FColor) return;
    FColor = color;
    Changed();
}

void TFont::SetStyle(TFontStyles style) {
    if (style == FStyle) return;
    FStyle = style;
    Changed();
}

void TFont::SetPitch(TFontPitch pitch) {
    if (pitch == FPitch) return;
    FPitch = pitch;
    Changed();
}

bool TFont::SameAs(const TFont& o) const {
    return FName == o.FName && FHeight == o.FHeight && FColor == o.FColor && FStyle == o.FStyle &&
           FPitch == o.FPitch;
}

TIcon::~TIcon() { ReleaseHandle(); }

void TIcon::Assign(const TIcon* source) {
    if (source == this) return;
    ReleaseHandle();
    FImage = source ? source->FImage : nullptr;
    if (OnChange) OnChange();
}

void TIcon::SetImage(TImageData image) {
    ReleaseHandle();
    FImage = std::make_shared<const TImageData>(std::move(image));
    if (OnChange) OnChange();
}

ui::THandle TIcon::Handle() const {
    if (!FHandle && !Empty() && ui::HasBackend()) FHandle = ui::Backend().CreateIcon(*FImage);
    return FHandle;
}

void TIcon::ReleaseHandle() const {
    if (FHandle && ui::HasBackend()) ui::Backend().DestroyIcon(FHandle);
    FHandle = 0;
}

void TCanvas::FillRect(const TRect& r, TColor color) {
    TRect d = r.Offset(FOrigin.X, FOrigin.Y).Intersect(FClip);
    if (!d.Empty()) DoFillRect(d, color);
}

void TCanvas::Frame3D(const TRect& r, TColor topLeft, TColor bottomRight, int width) {
    TRect f = r;
    for (int i = 0; i < width && !f.Empty(); ++i) {
        FillRect({f.Left, f.Top, f.Right, f.Top + 1}, topLeft);
        FillRect({f.Left, f.Top, f.Left + 1, f.Bottom}, topLeft);
        FillRect({f.Left, f.Bottom - 1, f.Right, f.Bottom}, bottomRight);
        FillRect({f.Right - 1, f.Top, f.Right, f.Bottom}, bottomRight);
        f = f.Inflate(-1, -1);
    }
}

void TCanvas::TextAt(int x, int y, const std::string& text, const TFont& font, bool prefix) {
    if (text.empty() || FClip.Empty()) return;
    DoTextAt(x + FOrigin.X, y + FOrigin.Y, text, font, prefix, FClip);
}

void TCanvas::Draw(int x, int y, const TImageData& image) {
    TRect d = Bounds(x + FOrigin.X, y + FOrigin.Y, image.Width, image.Height);
    if (d.Intersects(FClip)) DoDraw(d.Left, d.Top, image, FClip);
}

TSize TCanvas::TextExtent(const std::string& text, const TFont& font, bool prefix) {
    return ui::Backend().TextExtent(font, text, prefix);
}

void TCanvas::IntersectClip(const TRect& r) {
    FClip = FClip.Intersect(r.Offset(FOrigin.X, FOrigin.Y));
}

std::string StripAccelChars(const std::string& caption) { return ui::accel::Shown(caption); }
