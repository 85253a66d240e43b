#pragma once
// A list of same-sized pictures (16 x 16 by default), handed out as icons.
#include <vector>

#include "ui/Graphics.h"

class TImageList : public TComponent {
    SKIMBAR_CLASS(TImageList)
public:
    explicit TImageList(TComponent* owner) : TComponent(owner) {}
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    // Changing the size empties the list.
    void SetSize(int width, int height);
    int Count() const { return static_cast<int>(FImages.size()); }
    // Adds a picture, scaled to the list's size when it differs; returns its index.
    int Add(const TImageData& image);
    int AddIcon(const TIcon& icon);
    void Replace(int index, const TImageData& image);
    void Delete(int index);
    void Clear() { FImages.clear(); }
    // Copies image index into the icon (raises for an index outside the list).
    void GetIcon(int index, TIcon& icon) const;
    const TImageData& Image(int index) const;

private:
    int FWidth = 16, FHeight = 16;
    std::vector<TImageData> FImages;
};
