#pragma once
// The main window's four 16 x 16 pictures (see app/SkimbarArt.h), ready for its image list.
#include "ui/Graphics.h"
#include "ui/ImgList.h"

// Picture index (0: idle, 1..3: busy frames) as image data; made once and shared.
const TImageData& SkimbarImage(int index);
// Empties the list, sets it to 16 x 16 and adds the four pictures in order.
void LoadSkimbarImages(TImageList& list);
