#pragma once
// Skimbar's pictures, drawn in code at any size: a light envelope with a dark outline, so it
// reads on the black bar and in light and dark notification areas alike, and for the busy
// frames a row of three green lights below it. Only the standard library is used, so the
// build can also run this on the build machine to write the program's icon file.
#include <cstdint>
#include <vector>

namespace art {

// Picture 0 is the idle icon (tray icon at rest, every ticker item's icon); pictures 1, 2
// and 3 are the busy frames, shown 3, 2, 1 and then 0 while the mailbox is read: frame 3
// lights one light, 2 two, 1 all three.
inline constexpr int PictureCount = 4;

// Pixels 0xAARRGGBB with straight alpha, size x size, row by row from the top.
std::vector<std::uint32_t> DrawPicture(int picture, int size);

}  // namespace art
