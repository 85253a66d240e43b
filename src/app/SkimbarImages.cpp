#include "app/SkimbarImages.h"

#include <array>
#include <stdexcept>

#include "app/SkimbarArt.h"

const TImageData& SkimbarImage(int index) {
    static const std::array<TImageData, art::PictureCount> images = [] {
        std::array<TImageData, art::PictureCount> all;
        for (int i = 0; i < art::PictureCount; ++i) {
            all[static_cast<std::size_t>(i)].Width = 16;
            all[static_cast<std::size_t>(i)].Height = 16;
            all[static_cast<std::size_t>(i)].Pixels = art::DrawPicture(i, 16);
        }
        return all;
    }();
    if (index < 0 || index >= art::PictureCount) throw std::out_of_range("Skimbar picture index");
    return images[static_cast<std::size_t>(index)];
}

void LoadSkimbarImages(TImageList& list) {
    list.SetSize(16, 16);
    list.Clear();
    for (int i = 0; i < art::PictureCount; ++i) list.Add(SkimbarImage(i));
}
