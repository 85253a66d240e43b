#include "ui/ImgList.h"

#include "core/Exception.h"

SKIMBAR_CLASS_INFO(TImageList, TComponent)

namespace {
TImageData Scaled(const TImageData& image, int width, int height) {
    if (image.Width == width && image.Height == height) return image;
    TImageData out;
    out.Width = width;
    out.Height = height;
    out.Pixels.assign(static_cast<std::size_t>(width * height), 0);
    if (image.Width <= 0 || image.Height <= 0) return out;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            out.Pixels[static_cast<std::size_t>(y * width + x)] =
                image.At(x * image.Width / width, y * image.Height / height);
    return out;
}
}  // namespace

void TImageList::SetSize(int width, int height) {
    if (width == FWidth && height == FHeight) return;
    FWidth = width;
    FHeight = height;
    FImages.clear();
}

int TImageList::Add(const TImageData& image) {
    if (static_cast<int>(image.Pixels.size()) != image.Width * image.Height)
        throw Exception("Ungültiges Bild");
    FImages.push_back(Scaled(image, FWidth, FHeight));
    return Count() - 1;
}

int TImageList::AddIcon(const TIcon& icon) {
    auto image = icon.Image();
    if (!image) throw Exception("Ungültiges Bild");
    return Add(*image);
}

const TImageData& TImageList::Image(int index) const {
    if (index < 0 || index >= Count()) throw Exception("Ungültiger Bildlistenindex");
    return FImages[static_cast<std::size_t>(index)];
}

void TImageList::Replace(int index, const TImageData& image) {
    Image(index);
    FImages[static_cast<std::size_t>(index)] = Scaled(image, FWidth, FHeight);
}

void TImageList::Delete(int index) {
    Image(index);
    FImages.erase(FImages.begin() + index);
}

void TImageList::GetIcon(int index, TIcon& icon) const { icon.SetImage(Image(index)); }
