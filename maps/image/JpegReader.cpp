#include "maps/image/JpegReader.h"

#include <csetjmp>
#include <cstdio>
// clang-format off
#include <jpeglib.h>
// clang-format on

#include <algorithm>
#include <memory>

#include "maps/image/StripBudget.h"

namespace trek {

namespace {

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

void OnError(j_common_ptr cinfo) {
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    cinfo->err->format_message(cinfo, err->message);
    longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr, int) {}  // corrupt-data warnings are not worth a message box

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};

constexpr int32_t kCropMargin = 32;

// Everything a decode needs that must outlive a longjmp; no destructors run
// between setjmp and longjmp in Decode().
struct Job {
    FILE* file = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    bool headerOnly = false;
    PixelRect region;     // y upward; ignored for headerOnly
    platform::Bitmap* out = nullptr;
    StripBuffer* strip = nullptr;
    ImageProperties info;
    std::string error;
};

uint32_t ToPixel(const uint8_t* p, int components) {
    if (components == 4) {  // Adobe CMYK is stored inverted
        uint32_t k = p[3];
        uint32_t r = p[0] * k / 255, g = p[1] * k / 255, b = p[2] * k / 255;
        return 0xFF000000u | (r << 16) | (g << 8) | b;
    }
    return 0xFF000000u | (uint32_t(p[0]) << 16) | (uint32_t(p[1]) << 8) | p[2];
}

void FillInfo(const jpeg_decompress_struct& c, ImageProperties& info) {
    info.width = static_cast<int32_t>(c.image_width);
    info.height = static_cast<int32_t>(c.image_height);
    info.bitsPerPixel = 24;
    info.progressive = c.progressive_mode;
    info.dpi = 96;
    if (c.density_unit == 1 && c.X_density > 0) info.dpi = c.X_density;
    if (c.density_unit == 2 && c.X_density > 0) info.dpi = static_cast<int>(c.X_density * 2.54 + 0.5);
}

bool Decode(Job& job) {
    jpeg_decompress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.emit_message = OnMessage;
    err.message[0] = 0;
    if (setjmp(err.jump)) {
        job.error = err.message;
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    if (job.file)
        jpeg_stdio_src(&cinfo, job.file);
    else
        jpeg_mem_src(&cinfo, job.data, static_cast<unsigned long>(job.size));
    jpeg_read_header(&cinfo, TRUE);
    FillInfo(cinfo, job.info);
    if (job.headerOnly) {
        jpeg_destroy_decompress(&cinfo);
        return true;
    }
    const bool cmyk = cinfo.jpeg_color_space == JCS_CMYK || cinfo.jpeg_color_space == JCS_YCCK;
    cinfo.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    // Progressive files buffer the whole image's coefficients: allow what the
    // machine can give and let libjpeg fail cleanly beyond that.
    size_t available = AvailablePhysicalMemory();
    if (available) cinfo.mem->max_memory_to_use = static_cast<long>(std::min<size_t>(available / 4 * 3, LONG_MAX));
    jpeg_start_decompress(&cinfo);

    const PixelRect& r = job.region;
    const int32_t height = static_cast<int32_t>(cinfo.output_height);
    const JDIMENSION firstRow = static_cast<JDIMENSION>(TopDownRow(r.top, height));
    const JDIMENSION lastRow = static_cast<JDIMENSION>(TopDownRow(r.bottom, height));
    // Fancy upsampling treats the crop's edges like image edges; a margin of
    // one iMCU keeps the wanted columns interior, so they come out exactly as
    // a full decode gives them.
    const int32_t left = std::max<int32_t>(0, r.left - kCropMargin);
    const int32_t right = std::min<int32_t>(static_cast<int32_t>(cinfo.output_width) - 1, r.right + kCropMargin);
    JDIMENSION xOffset = static_cast<JDIMENSION>(left);
    JDIMENSION cropWidth = static_cast<JDIMENSION>(right - left + 1);
    if (cropWidth < cinfo.output_width) jpeg_crop_scanline(&cinfo, &xOffset, &cropWidth);
    else xOffset = 0;
    if (firstRow > 0) jpeg_skip_scanlines(&cinfo, firstRow);

    const int components = cinfo.output_components;
    StripBuffer& strip = *job.strip;
    if (static_cast<size_t>(cinfo.output_width) * components > strip.rowBytes()) {
        std::snprintf(err.message, sizeof err.message, "strip narrower than the decoded row");
        longjmp(err.jump, 1);
    }
    JSAMPROW rows[64];
    while (cinfo.output_scanline <= lastRow) {
        const JDIMENSION stripStart = cinfo.output_scanline;
        const int want = static_cast<int>(std::min<JDIMENSION>(strip.rows(), lastRow - stripStart + 1));
        int filled = 0;
        while (filled < want) {
            int n = std::min(want - filled, 64);
            for (int i = 0; i < n; ++i) rows[i] = strip.row(filled + i);
            JDIMENSION got = jpeg_read_scanlines(&cinfo, rows, static_cast<JDIMENSION>(n));
            if (got == 0) break;
            filled += static_cast<int>(got);
        }
        if (filled == 0) break;
        for (int i = 0; i < filled; ++i) {
            const uint8_t* src = strip.row(i) + static_cast<size_t>(r.left - static_cast<int32_t>(xOffset)) * components;
            uint32_t* dst = job.out->row(static_cast<int>(stripStart - firstRow) + i);
            for (int32_t x = 0; x < r.width(); ++x) dst[x] = ToPixel(src + static_cast<size_t>(x) * components, components);
        }
    }
    jpeg_abort_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

}  // namespace

ImageOpenStatus JpegReader::open(const std::string& path) {
    path_ = path;
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) return ImageOpenStatus::NotFound;
    Job job;
    job.file = file.get();
    job.headerOnly = true;
    if (!Decode(job)) {
        error_ = job.error;
        return ImageOpenStatus::Unreadable;
    }
    info_ = job.info;
    if (info_.width <= 0 || info_.height <= 0) return ImageOpenStatus::Unreadable;
    return ImageOpenStatus::Ok;
}

bool JpegReader::decodeRegion(const PixelRect& region, platform::Bitmap& out) {
    error_.clear();
    if (!PrepareRegionTarget(info_, region, out)) return false;
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path_.c_str(), "rb"));
    if (!file) return false;
    // The cropped row: the region, the margin and at most one iMCU more on each side.
    StripBuffer strip;
    size_t rowBytes = (static_cast<size_t>(std::min(info_.width, region.width() + 4 * kCropMargin))) * 4;
    if (!strip.allocate(rowBytes, region.height())) return false;
    Job job;
    job.file = file.get();
    job.region = region;
    job.out = &out;
    job.strip = &strip;
    bool ok = Decode(job);
    error_ = job.error;
    return ok;
}

bool ReadJpegInfo(const uint8_t* data, size_t size, ImageProperties& info) {
    if (!data || size == 0) return false;
    Job job;
    job.data = data;
    job.size = size;
    job.headerOnly = true;
    if (!Decode(job)) return false;
    info = job.info;
    return info.width > 0 && info.height > 0;
}

bool DecodeJpegMemory(const uint8_t* data, size_t size, platform::Bitmap& out, std::string* error) {
    ImageProperties info;
    if (!ReadJpegInfo(data, size, info)) {
        if (error) *error = "not a JPEG image";
        return false;
    }
    PixelRect all{0, 0, info.width - 1, info.height - 1};
    if (!PrepareRegionTarget(info, all, out)) return false;
    StripBuffer strip;
    if (!strip.allocate(static_cast<size_t>(info.width) * 4, info.height)) return false;
    Job job;
    job.data = data;
    job.size = size;
    job.region = all;
    job.out = &out;
    job.strip = &strip;
    bool ok = Decode(job);
    if (!ok && error) *error = job.error;
    return ok;
}

}  // namespace trek
