#pragma once
// JPEG images through libjpeg, region by region: the rows above the region are
// skipped (jpeg_skip_scanlines) and only the iMCU columns around it are decoded
// (jpeg_crop_scanline); the region's rows go through a strip buffer sized by
// StripBudget. Progressive files need all coefficients of the image in memory
// in any libjpeg; they are decoded within the memory the machine has, and the
// map layer suggests the tiled ".tvm" copy for them.
#include <cstddef>
#include <cstdint>
#include <string>

#include "maps/image/ImageReader.h"

namespace trek {

class JpegReader : public ImageReader {
public:
    ImageOpenStatus open(const std::string& path) override;
    bool decodeRegion(const PixelRect& region, platform::Bitmap& out) override;

    // libjpeg's text for the last failure, empty when none.
    const std::string& lastError() const { return error_; }

private:
    std::string error_;
};

// Reads only the header of JPEG data in memory (fuzzing, tile headers).
bool ReadJpegInfo(const uint8_t* data, size_t size, ImageProperties& info);

// Decodes a whole JPEG held in memory (tiles of containers and tile servers).
bool DecodeJpegMemory(const uint8_t* data, size_t size, platform::Bitmap& out, std::string* error = nullptr);

}  // namespace trek
