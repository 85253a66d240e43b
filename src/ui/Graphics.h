#pragma once
// Fonts, pictures and the canvas that windowless controls paint on.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/Component.h"
#include "ui/UiTypes.h"

enum TFontStyle : unsigned { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = unsigned;
// What to fall back to when the named font is missing: fpFixed picks a fixed-pitch font.
enum TFontPitch { fpDefault, fpVariable, fpFixed };

// Font description; the backend turns it into a native font (cached per description).
class TFont : public TObject {
    SKIMBAR_CLASS(TFont)
public:
    TFont() = default;
    TFont(const TFont& other) { *this = other; }
    TFont& operator=(const TFont& other);  // copies the description, not OnChange
    void Assign(const TFont& other) { *this = other; Changed(); }

    const std::string& Name() const { return FName; }
    void SetName(const std::string& name);
    // Points; Height is the pixel height as a negative number (character height) at 96 dpi.
    int Size() const;
    void SetSize(int points);
    int Height() const { return FHeight; }
    void SetHeight(int height);
    TColor Color() const { return FColor; }
    void SetColor(TColor color);
    TFontStyles Style() const { return FStyle; }
    void SetStyle(TFontStyles style);
    TFontPitch Pitch() const { return FPitch; }
    void SetPitch(TFontPitch pitch);
    bool SameAs(const TFont& other) const;

    std::function<void()> OnChange;
    static constexpr int PixelsPerInch = 96;

private:
    void Changed() { if (OnChange) OnChange(); }
    std::string FName = "MS Sans Serif";
    int FHeight = -11;  // 8 points
    TColor FColor = clWindowText;
    TFontStyles FStyle = 0;
    TFontPitch FPitch = fpDefault;
};

// Pixels of a picture, 0xAARRGGBB with straight alpha, row by row from the top.
struct TImageData {
    int Width = 0, Height = 0;
    std::vector<std::uint32_t> Pixels;
    std::uint32_t At(int x, int y) const { return Pixels[static_cast<std::size_t>(y * Width + x)]; }
    bool operator==(const TImageData&) const = default;
};

// An icon: a picture with a native handle made on demand (HICON on Win32). Copies share the
// picture, so thousands of ticker items cost no native objects until a handle is asked for.
class TIcon : public TObject {
    SKIMBAR_CLASS(TIcon)
public:
    TIcon() = default;
    ~TIcon() override;
    TIcon(const TIcon&) = delete;
    TIcon& operator=(const TIcon&) = delete;

    void Assign(const TIcon* source);  // null empties
    bool Empty() const { return !FImage || FImage->Pixels.empty(); }
    int Width() const { return FImage ? FImage->Width : 0; }
    int Height() const { return FImage ? FImage->Height : 0; }
    void SetImage(TImageData image);
    std::shared_ptr<const TImageData> Image() const { return FImage; }
    // Native icon handle, created when first asked for; 0 for an empty icon. It stays valid
    // until the picture changes or the icon is freed.
    ui::THandle Handle() const;
    void ReleaseHandle() const;
    std::function<void()> OnChange;

private:
    std::shared_ptr<const TImageData> FImage;
    mutable ui::THandle FHandle = 0;
};

// Where windowless controls paint. Coordinates are relative to the current origin and
// everything is clipped to the current clip rectangle; the backend provides the primitives.
class TCanvas {
public:
    virtual ~TCanvas() = default;

    void FillRect(const TRect& r, TColor color);
    // Bevel frame of the given width: top and left in one colour, bottom and right in the other.
    void Frame3D(const TRect& r, TColor topLeft, TColor bottomRight, int width);
    // Text with a transparent background. With prefix, "&x" underlines x and "&&" shows "&".
    void TextAt(int x, int y, const std::string& text, const TFont& font, bool prefix);
    void Draw(int x, int y, const TImageData& image);
    TSize TextExtent(const std::string& text, const TFont& font, bool prefix);

    // Nested painting: shift the origin and narrow the clip (both in current coordinates).
    struct TState { TPoint Origin; TRect Clip; };
    TState Save() const { return {FOrigin, FClip}; }
    void Restore(const TState& s) { FOrigin = s.Origin; FClip = s.Clip; }
    void MoveOrigin(int dx, int dy) { FOrigin.X += dx; FOrigin.Y += dy; }
    void IntersectClip(const TRect& r);  // r in current coordinates
    TRect ClipRect() const { return FClip.Offset(-FOrigin.X, -FOrigin.Y); }  // current coords
    bool Visible(const TRect& r) const { return FClip.Intersects(r.Offset(FOrigin.X, FOrigin.Y)); }

protected:
    // Device coordinates, already clipped where a rectangle is given.
    virtual void DoFillRect(const TRect& r, TColor color) = 0;
    virtual void DoTextAt(int x, int y, const std::string& text, const TFont& font, bool prefix,
                           const TRect& clip) = 0;
    virtual void DoDraw(int x, int y, const TImageData& image, const TRect& clip) = 0;
    TPoint FOrigin;
    TRect FClip{-1000000, -1000000, 1000000, 1000000};
};

// Text shown without its accelerator markers ("&&" stays one "&").
std::string StripAccelChars(const std::string& caption);
