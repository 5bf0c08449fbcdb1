#pragma once
// GIF images through giflib, line by line: the first image of the file is
// decoded from its first line and only the region's lines are kept. Pixels of
// the logical screen outside that image show the background colour.
#include "maps/image/ImageReader.h"

namespace trek {

class GifReader : public ImageReader {
public:
    ImageOpenStatus open(const std::string& path) override;
    bool decodeRegion(const PixelRect& region, platform::Bitmap& out) override;
};

}  // namespace trek
