#pragma once
// PNG images through libpng, row by row from the first row into a strip
// buffer, stopping after the region's last row. Interlaced images go through
// the same row reader; they keep the region's rows (full width) across the
// passes instead of a strip.
#include <cstddef>
#include <cstdint>

#include "maps/image/ImageReader.h"

namespace trek {

class PngReader : public ImageReader {
public:
    ImageOpenStatus open(const std::string& path) override;
    bool decodeRegion(const PixelRect& region, platform::Bitmap& out) override;
};

// Header of PNG data in memory; false when the signature or IHDR is wrong.
bool ReadPngInfo(const uint8_t* data, size_t size, ImageProperties& info);

// Decodes a whole PNG held in memory (tiles).
bool DecodePngMemory(const uint8_t* data, size_t size, platform::Bitmap& out);

}  // namespace trek
