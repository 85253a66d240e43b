#include "app/SkimbarArt.h"

#include <algorithm>
#include <cmath>

namespace art {
namespace {

// Shapes in a 16-unit square, drawn in order (later ones on top) with 4 x 4 samples per
// pixel, so edges on whole units stay sharp at 16 px and every size is smooth.
struct TColorF {
    double A, R, G, B;  // premultiplied
};

constexpr std::uint32_t kOutline = 0xFF1C1C1C;  // dark edge: reads on light backgrounds
constexpr std::uint32_t kPaper = 0xFFF6F6EE;    // light body: reads on dark backgrounds
constexpr std::uint32_t kFold = 0xFF505050;
constexpr std::uint32_t kLit = 0xFF22E622;      // the bar's green
constexpr std::uint32_t kUnlit = 0xFF5E5E5E;

struct TRectU {
    double L, T, R, B;
    bool In(double x, double y) const { return x >= L && x < R && y >= T && y < B; }
};

double SegmentDistance(double px, double py, double ax, double ay, double bx, double by) {
    double dx = bx - ax, dy = by - ay;
    double t = ((px - ax) * dx + (py - ay) * dy) / (dx * dx + dy * dy);
    t = std::clamp(t, 0.0, 1.0);
    double qx = ax + t * dx - px, qy = ay + t * dy - py;
    return std::sqrt(qx * qx + qy * qy);
}

// Colour of one sample point (units), 0 for transparent.
std::uint32_t Sample(int picture, double x, double y) {
    std::uint32_t c = 0;
    const TRectU body{0, 1, 16, 13}, paper{1, 2, 15, 12};
    if (body.In(x, y)) c = kOutline;
    if (paper.In(x, y)) {
        c = kPaper;
        // The flap: a V from the upper corners to the middle.
        double d = std::min(SegmentDistance(x, y, 1, 2, 8, 8.5), SegmentDistance(x, y, 8, 8.5, 15, 2));
        if (d <= 0.55) c = kFold;
    }
    if (picture >= 1 && picture <= 3) {
        int lit = 4 - picture;  // frame 3: one light, 2: two, 1: three
        for (int i = 0; i < 3; ++i) {
            double left = 1 + 5 * i;
            const TRectU frame{left, 12, left + 4, 16}, core{left + 1, 13, left + 3, 15};
            if (frame.In(x, y)) c = kOutline;
            if (core.In(x, y)) c = i < lit ? kLit : kUnlit;
        }
    }
    return c;
}

}  // namespace

std::vector<std::uint32_t> DrawPicture(int picture, int size) {
    std::vector<std::uint32_t> out;
    if (size <= 0) return out;
    out.resize(static_cast<std::size_t>(size) * static_cast<std::size_t>(size));
    constexpr int kSub = 4;
    const double unit = 16.0 / size;
    for (int py = 0; py < size; ++py) {
        for (int px = 0; px < size; ++px) {
            TColorF sum{0, 0, 0, 0};
            for (int sy = 0; sy < kSub; ++sy) {
                for (int sx = 0; sx < kSub; ++sx) {
                    double x = (px + (sx + 0.5) / kSub) * unit, y = (py + (sy + 0.5) / kSub) * unit;
                    std::uint32_t c = Sample(picture, x, y);
                    double a = (c >> 24) / 255.0;
                    sum.A += a;
                    sum.R += a * ((c >> 16) & 0xFF);
                    sum.G += a * ((c >> 8) & 0xFF);
                    sum.B += a * (c & 0xFF);
                }
            }
            std::uint32_t pixel = 0;
            if (sum.A > 0) {
                auto channel = [&](double v) {
                    return static_cast<std::uint32_t>(std::lround(std::clamp(v / sum.A, 0.0, 255.0)));
                };
                auto alpha = static_cast<std::uint32_t>(std::lround(sum.A * 255.0 / (kSub * kSub)));
                pixel = (alpha << 24) | (channel(sum.R) << 16) | (channel(sum.G) << 8) | channel(sum.B);
            }
            out[static_cast<std::size_t>(py * size + px)] = pixel;
        }
    }
    return out;
}

}  // namespace art
