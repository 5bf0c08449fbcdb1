#pragma once
// Small images made by the tests themselves, written with the real libraries.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Bitmap.h"

namespace trek::test {

// A pattern whose every pixel differs from its neighbours, so that an off-by-one
// row or column shows.
platform::Bitmap Pattern(int width, int height, int seed = 0);
// Smooth pattern (JPEG-friendly) for lossy formats.
platform::Bitmap Smooth(int width, int height);

std::string TempDir();  // unique per test process

// Writers; rows of `image` are top-down.
bool WriteJpeg(const std::string& path, const platform::Bitmap& image, bool progressive, int quality = 90);
bool WritePngInterlaced(const std::string& path, const platform::Bitmap& image);
// Paletted BMP (1, 4, 8 bits: pixel value = index % 2^bits into a generated
// palette) or 24/32-bit; colorsUsed is written into the header as given.
bool WriteBmp(const std::string& path, int width, int height, int bits, uint32_t colorsUsed, bool topDown = false);
uint32_t BmpIndex(int x, int yTopDown, int bits);
uint32_t BmpPaletteColour(uint32_t index);  // 0xAARRGGBB
bool WriteTiff(const std::string& path, const platform::Bitmap& image, bool tiled, int rowsPerStripOrTile);
bool WriteGif(const std::string& path, const platform::Bitmap& indices, bool interlaced);  // pixel = index
uint32_t GifPaletteColour(uint32_t index);

// Plain full decode with libjpeg (no skipping, no cropping), the reference.
platform::Bitmap DecodeJpegWhole(const std::string& path);

// The part of `image` that a region (y upward) covers, top row first.
platform::Bitmap Crop(const platform::Bitmap& image, int left, int bottom, int right, int top);

}  // namespace trek::test
