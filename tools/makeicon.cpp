// Writes Skimbar's program icon (16, 32 and 48 pixels, 32 bits with alpha) as an .ico file.
// The build runs it on the build machine; the pictures come from app/SkimbarArt.cpp.
#include <cstdint>
#include <cstdio>
#include <vector>

#include "app/SkimbarArt.h"

namespace {

void Put16(std::vector<unsigned char>& out, unsigned v) {
    out.push_back(static_cast<unsigned char>(v & 0xFF));
    out.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void Put32(std::vector<unsigned char>& out, std::uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// One icon image: BITMAPINFOHEADER with the doubled height, bottom-up BGRA rows, then the
// 1-bit mask (set where the picture is fully transparent), rows padded to 32 bits.
std::vector<unsigned char> IconImage(int size) {
    std::vector<std::uint32_t> pixels = art::DrawPicture(0, size);
    std::vector<unsigned char> out;
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(size));
    Put32(out, static_cast<std::uint32_t>(size * 2));
    Put16(out, 1);
    Put16(out, 32);
    for (int i = 0; i < 6; ++i) Put32(out, 0);
    for (int y = size - 1; y >= 0; --y)
        for (int x = 0; x < size; ++x) Put32(out, pixels[static_cast<std::size_t>(y * size + x)]);
    int maskRow = ((size + 31) / 32) * 4;
    for (int y = size - 1; y >= 0; --y) {
        std::vector<unsigned char> row(static_cast<std::size_t>(maskRow), 0);
        for (int x = 0; x < size; ++x)
            if ((pixels[static_cast<std::size_t>(y * size + x)] >> 24) == 0)
                row[static_cast<std::size_t>(x / 8)] |= static_cast<unsigned char>(0x80 >> (x % 8));
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: makeicon OUTPUT.ico\n");
        return 2;
    }
    const int sizes[] = {16, 32, 48};
    std::vector<std::vector<unsigned char>> images;
    for (int s : sizes) images.push_back(IconImage(s));
    std::vector<unsigned char> out;
    Put16(out, 0);
    Put16(out, 1);  // icon
    Put16(out, 3);
    std::uint32_t offset = 6 + 16 * 3;
    for (std::size_t i = 0; i < images.size(); ++i) {
        out.push_back(static_cast<unsigned char>(sizes[i]));
        out.push_back(static_cast<unsigned char>(sizes[i]));
        out.push_back(0);  // no palette
        out.push_back(0);
        Put16(out, 1);   // planes
        Put16(out, 32);  // bits per pixel
        Put32(out, static_cast<std::uint32_t>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<std::uint32_t>(images[i].size());
    }
    for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    ok = std::fclose(f) == 0 && ok;
    return ok ? 0 : 1;
}
