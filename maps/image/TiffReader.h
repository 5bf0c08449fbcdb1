#pragma once
// TIFF images through libtiff's RGBA interface with a row and column offset:
// libtiff reads only the strips or tiles that the region touches, one at a
// time, so the whole image is never in memory.
#include "maps/image/ImageReader.h"

namespace trek {

class TiffReader : public ImageReader {
public:
    ImageOpenStatus open(const std::string& path) override;
    bool decodeRegion(const PixelRect& region, platform::Bitmap& out) override;
};

}  // namespace trek
