#include "maps/image/TiffReader.h"

#include <tiffio.h>
#include <unistd.h>

#include <memory>

namespace trek {

namespace {

struct TiffCloser {
    void operator()(TIFF* t) const {
        if (t) TIFFClose(t);
    }
};

// libtiff prints to stderr by default; a map that cannot be read just is not drawn.
void Silent(const char*, const char*, va_list) {}

std::unique_ptr<TIFF, TiffCloser> OpenTiff(const std::string& path) {
    static const bool silenced = [] {
        TIFFSetErrorHandler(Silent);
        TIFFSetWarningHandler(Silent);
        return true;
    }();
    (void)silenced;
    return std::unique_ptr<TIFF, TiffCloser>(TIFFOpen(path.c_str(), "r"));
}

uint32_t ToPixel(uint32_t abgr) {
    return 0xFF000000u | (TIFFGetR(abgr) << 16) | (TIFFGetG(abgr) << 8) | TIFFGetB(abgr);
}

}  // namespace

ImageOpenStatus TiffReader::open(const std::string& path) {
    path_ = path;
    if (::access(path.c_str(), R_OK) != 0) return ImageOpenStatus::NotFound;
    auto tif = OpenTiff(path);
    if (!tif) return ImageOpenStatus::Unreadable;
    uint32_t width = 0, height = 0;
    uint16_t bits = 8, samples = 1, unit = RESUNIT_INCH;
    float xres = 0;
    if (!TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width) || !TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height))
        return ImageOpenStatus::Unreadable;
    char message[1024];
    if (!TIFFRGBAImageOK(tif.get(), message)) return ImageOpenStatus::Unreadable;
    if (width == 0 || height == 0 || width > INT32_MAX || height > INT32_MAX) return ImageOpenStatus::Unreadable;
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetFieldDefaulted(tif.get(), TIFFTAG_SAMPLESPERPIXEL, &samples);
    info_.width = static_cast<int32_t>(width);
    info_.height = static_cast<int32_t>(height);
    info_.bitsPerPixel = bits * samples;
    info_.dpi = 96;
    if (TIFFGetField(tif.get(), TIFFTAG_XRESOLUTION, &xres) && xres > 0) {
        TIFFGetFieldDefaulted(tif.get(), TIFFTAG_RESOLUTIONUNIT, &unit);
        if (unit == RESUNIT_INCH) info_.dpi = static_cast<int>(xres + 0.5f);
        if (unit == RESUNIT_CENTIMETER) info_.dpi = static_cast<int>(xres * 2.54f + 0.5f);
    }
    return ImageOpenStatus::Ok;
}

bool TiffReader::decodeRegion(const PixelRect& region, platform::Bitmap& out) {
    if (!PrepareRegionTarget(info_, region, out)) return false;
    auto tif = OpenTiff(path_);
    if (!tif) return false;
    uint32_t width = 0, height = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &height);
    if (static_cast<int32_t>(width) != info_.width || static_cast<int32_t>(height) != info_.height) return false;
    char message[1024];
    TIFFRGBAImage img;
    if (!TIFFRGBAImageBegin(&img, tif.get(), 0, message)) return false;
    img.req_orientation = ORIENTATION_TOPLEFT;
    img.row_offset = TopDownRow(region.top, info_.height);
    img.col_offset = region.left;
    // libtiff writes ABGR words straight into the target, then they are turned
    // into our pixel layout in place.
    int ok = TIFFRGBAImageGet(&img, out.data(), static_cast<uint32_t>(region.width()),
                              static_cast<uint32_t>(region.height()));
    TIFFRGBAImageEnd(&img);
    if (!ok) return false;
    uint32_t* p = out.data();
    const size_t count = static_cast<size_t>(out.width()) * out.height();
    for (size_t i = 0; i < count; ++i) p[i] = ToPixel(p[i]);
    return true;
}

}  // namespace trek
