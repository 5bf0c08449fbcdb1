#pragma once
// Bitmap files read region by region straight from the file: only the rows
// and bytes of the region are read, nothing else is held. Uncompressed 1, 4
// and 8 bits with a palette and 24 bits; other depths are refused with
// ImageOpenStatus::TooManyBits.
#include <cstdint>
#include <vector>

#include "maps/image/ImageReader.h"

namespace trek {

// What the file header and the 40-byte info header say.
struct BmpHeader {
    uint32_t dataOffset = 0;
    uint32_t infoSize = 0;
    int32_t width = 0;
    int32_t height = 0;  // positive; see topDown
    bool topDown = false;
    uint16_t bitCount = 0;
    uint32_t compression = 0;
    uint32_t colorsUsed = 0;
    int32_t pixelsPerMetre = 0;
    uint32_t rowBytes = 0;  // file rows are padded to 4 bytes
};

enum class BmpParse { Ok, NotBitmap, UnsupportedDepth };

// Parses the first bytes of a file (at least 54). Palette entries follow at
// 14 + infoSize. Safe for any bytes.
BmpParse ParseBmpHeader(const uint8_t* data, size_t size, BmpHeader& header);

// Number of palette entries the file carries: the used-colours count, or
// 2^bits when that count is 0; never more than 2^bits.
uint32_t BmpPaletteEntries(const BmpHeader& header);

class BmpReader : public ImageReader {
public:
    ImageOpenStatus open(const std::string& path) override;
    bool decodeRegion(const PixelRect& region, platform::Bitmap& out) override;

    const BmpHeader& header() const { return header_; }
    const std::vector<uint32_t>& palette() const { return palette_; }  // 0xAARRGGBB

private:
    BmpHeader header_;
    std::vector<uint32_t> palette_;
};

}  // namespace trek
