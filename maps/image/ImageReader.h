#pragma once
// The one small interface every image kind implements: open a file and learn
// its size, then decode any region of it into a 32-bit bitmap without ever
// holding the whole image. Readers are chosen by extension (ImageKinds.h).
#include <cstdint>
#include <memory>
#include <string>

#include "maps/image/PixelRect.h"
#include "platform/core/Bitmap.h"

namespace trek {

struct ImageProperties {
    int32_t width = 0;
    int32_t height = 0;
    int bitsPerPixel = 0;
    int dpi = 96;              // 96 when the file gives none
    bool progressive = false;  // JPEG: needs the whole image's coefficients to decode
    bool interlaced = false;   // PNG: rows arrive in passes
};

enum class ImageOpenStatus {
    Ok,
    NotFound,     // the file cannot be opened
    TooManyBits,  // a bitmap file whose depth cannot be read by region
    Unreadable,   // not an image of this kind, or damaged
};

class ImageReader {
public:
    virtual ~ImageReader() = default;

    // Reads the header. Decoders keep nothing open between calls.
    virtual ImageOpenStatus open(const std::string& path) = 0;

    // Decodes region (image pixels, y upward, clipped to the image by the
    // caller) into out, which becomes region-sized with its first row being
    // the region's top row. false: nothing usable was decoded.
    virtual bool decodeRegion(const PixelRect& region, platform::Bitmap& out) = 0;

    const ImageProperties& info() const { return info_; }
    const std::string& path() const { return path_; }

protected:
    ImageProperties info_;
    std::string path_;
};

// Region checked against the opened image and made region-sized in out.
bool PrepareRegionTarget(const ImageProperties& info, const PixelRect& region, platform::Bitmap& out);

}  // namespace trek
