#pragma once
// A rectangle of image pixels, inclusive on all sides, with y counted upward
// from the bottom row (the order bitmap files store their rows in), so
// top >= bottom for a non-empty rectangle.
#include <algorithm>
#include <cstdint>

namespace trek {

struct PixelRect {
    int32_t left = 0;
    int32_t bottom = 0;
    int32_t right = -1;
    int32_t top = -1;

    bool empty() const { return right < left || top < bottom; }
    int32_t width() const { return empty() ? 0 : right - left + 1; }
    int32_t height() const { return empty() ? 0 : top - bottom + 1; }
    bool contains(const PixelRect& r) const {
        return !r.empty() && r.left >= left && r.right <= right && r.bottom >= bottom && r.top <= top;
    }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The rectangle cut to an image of the given size; empty when nothing is left.
inline PixelRect ClipToImage(const PixelRect& r, int32_t imageWidth, int32_t imageHeight) {
    PixelRect c{std::max<int32_t>(r.left, 0), std::max<int32_t>(r.bottom, 0),
                std::min<int32_t>(r.right, imageWidth - 1), std::min<int32_t>(r.top, imageHeight - 1)};
    if (c.empty()) return PixelRect{};
    return c;
}

// Row index counted from the top of the image, as decoders deliver rows.
inline int32_t TopDownRow(int32_t y, int32_t imageHeight) { return imageHeight - 1 - y; }

}  // namespace trek
