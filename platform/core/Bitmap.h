#pragma once
// Pixel buffers. A 32-bit bitmap stores one uint32_t per pixel as 0xAARRGGBB,
// rows top-down, stride = width * 4 — the layout cairo's ARGB32/RGB24 images
// use, so a Canvas draws straight into it. An 8-bit bitmap holds palette
// indices and a palette of up to 256 entries.
#include <cstdint>
#include <string>
#include <vector>

namespace trek::platform {

// COLORREF values (0x00BBGGRR) are what drawing code passes around; these
// convert to and from the pixel layout.
inline uint32_t ColorRefToPixel(uint32_t colorref) {
    uint32_t r = colorref & 0xFF, g = (colorref >> 8) & 0xFF, b = (colorref >> 16) & 0xFF;
    return 0xFF000000u | (r << 16) | (g << 8) | b;
}
inline uint32_t PixelToColorRef(uint32_t pixel) {
    uint32_t r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
    return r | (g << 8) | (b << 16);
}
constexpr uint32_t Rgb(uint8_t r, uint8_t g, uint8_t b) { return r | (g << 8) | (uint32_t(b) << 16); }

class Bitmap {
public:
    Bitmap() = default;
    Bitmap(int width, int height, uint32_t fill = 0xFFFFFFFF) { reset(width, height, fill); }

    // Refuses (leaves the bitmap empty and returns false) sizes that are not
    // positive or would need more than 1 GiB.
    bool reset(int width, int height, uint32_t fill = 0xFFFFFFFF);

    int width() const { return width_; }
    int height() const { return height_; }
    int stride() const { return width_ * 4; }
    bool empty() const { return pixels_.empty(); }

    uint32_t* row(int y) { return pixels_.data() + static_cast<size_t>(y) * width_; }
    const uint32_t* row(int y) const { return pixels_.data() + static_cast<size_t>(y) * width_; }
    uint32_t* data() { return pixels_.data(); }
    const uint32_t* data() const { return pixels_.data(); }

    uint32_t pixel(int x, int y) const { return row(y)[x]; }
    void setPixel(int x, int y, uint32_t p) { row(y)[x] = p; }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
    void fill(uint32_t p);

    // Copies src (clipped to both bitmaps) with its top-left corner at (dx, dy).
    void blit(const Bitmap& src, int dx, int dy);

    // Writes an 8-bit RGB (or RGBA when withAlpha) PNG; atomically (temp file + rename).
    bool writePng(const std::string& path, bool withAlpha = false, std::string* error = nullptr) const;
    // Reads any PNG libpng understands, converting to 32-bit.
    bool readPng(const std::string& path, std::string* error = nullptr);

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint32_t> pixels_;
};

class PalettedBitmap {
public:
    PalettedBitmap() = default;
    PalettedBitmap(int width, int height) { reset(width, height); }
    bool reset(int width, int height);

    int width() const { return width_; }
    int height() const { return height_; }
    uint8_t* row(int y) { return indices_.data() + static_cast<size_t>(y) * width_; }
    const uint8_t* row(int y) const { return indices_.data() + static_cast<size_t>(y) * width_; }

    std::vector<uint32_t>& palette() { return palette_; }  // pixels, 0xAARRGGBB
    const std::vector<uint32_t>& palette() const { return palette_; }

    // Expands into a 32-bit bitmap; indices beyond the palette become black.
    Bitmap toBitmap() const;

private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint8_t> indices_;
    std::vector<uint32_t> palette_;
};

}  // namespace trek::platform
