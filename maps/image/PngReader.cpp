#include "maps/image/PngReader.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "maps/image/ImageMessages.h"
#include "maps/image/StripBudget.h"

namespace trek {

namespace {

constexpr const char* kCaption = "LIBPNG";

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};

// Where libpng's bytes come from: a file or a memory buffer.
struct ByteSource {
    FILE* file = nullptr;
    const uint8_t* data = nullptr;
    size_t size = 0;
    size_t pos = 0;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t length) {
    auto* src = static_cast<ByteSource*>(png_get_io_ptr(png));
    if (src->file) {
        if (std::fread(out, 1, length, src->file) != length) png_error(png, "Read Error");
        return;
    }
    if (src->size - src->pos < length) png_error(png, "Read Error");
    std::memcpy(out, src->data + src->pos, length);
    src->pos += length;
}

// Messages are shown only for file decodes; tile decodes stay quiet.
struct Context {
    bool quiet = false;
};

void OnError(png_structp png, png_const_charp text) {
    auto* ctx = static_cast<Context*>(png_get_error_ptr(png));
    if (ctx && !ctx->quiet) ShowMapMessage(text ? text : "", "LIBPNG error");
    png_longjmp(png, 1);
}

void OnWarning(png_structp png, png_const_charp text) {
    auto* ctx = static_cast<Context*>(png_get_error_ptr(png));
    if (ctx && !ctx->quiet) ShowMapMessage(text ? text : "", "LIBPNG warning");
}

void Report(const Context& ctx, const char* text) {
    if (!ctx.quiet) ShowMapMessage(text, kCaption);
}

// All state that must survive a longjmp lives in the caller's frame.
struct Job {
    ByteSource source;
    Context context;
    bool headerOnly = false;
    PixelRect region;
    platform::Bitmap* out = nullptr;
    StripBuffer* strip = nullptr;           // non-interlaced images
    std::vector<uint8_t>* regionRows = nullptr;  // interlaced images: the region's rows, full width
    std::vector<uint8_t>* scratch = nullptr;     // one full row
    ImageProperties info;
    ImageProperties expected;  // what the buffers were sized for
};

void SetTransforms(png_structp png, png_infop info) {
    png_set_expand(png);  // palette, low-depth grey and tRNS to 8-bit channels
    png_set_strip_16(png);
    png_byte colorType = png_get_color_type(png, info);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    png_set_strip_alpha(png);  // maps are opaque; transparent pixels show their colour
    png_set_bgr(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);  // rows become 0xAARRGGBB words
}

void CopyRow(const uint8_t* fullRow, const PixelRect& r, uint32_t* dst) {
    std::memcpy(dst, fullRow + static_cast<size_t>(r.left) * 4, static_cast<size_t>(r.width()) * 4);
}

bool Decode(Job& job) {
    Context& ctx = job.context;
    uint8_t signature[8];
    if (job.source.file) {
        if (std::fread(signature, 1, 8, job.source.file) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
            Report(ctx, "Error PNG image 1");
            return false;
        }
    } else {
        if (job.source.size < 8 || png_sig_cmp(job.source.data, 0, 8) != 0) {
            Report(ctx, "Error PNG image 1");
            return false;
        }
        job.source.pos = 8;
    }
    // The installed library's own version: a read structure made for another
    // interface version is refused by libpng.
    png_structp png = png_create_read_struct(png_get_libpng_ver(nullptr), &ctx, OnError, OnWarning);
    if (!png) {
        Report(ctx, "Error PNG image 2");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        Report(ctx, "Error PNG image 3");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        Report(ctx, "Error PNG image 4");
        return false;
    }
    png_set_read_fn(png, &job.source, ReadBytes);
    png_set_sig_bytes(png, 8);
    // Maps are big by nature; the default limit of 1,000,000 rows/columns is kept.
    png_read_info(png, info);
    png_uint_32 width = png_get_image_width(png, info), height = png_get_image_height(png, info);
    job.info.width = static_cast<int32_t>(width);
    job.info.height = static_cast<int32_t>(height);
    job.info.bitsPerPixel = 24;
    job.info.interlaced = png_get_interlace_type(png, info) != PNG_INTERLACE_NONE;
    png_uint_32 resX = 0, resY = 0;
    int unit = 0;
    if (png_get_pHYs(png, info, &resX, &resY, &unit) && unit == PNG_RESOLUTION_METER && resX > 0)
        job.info.dpi = static_cast<int>(resX * 0.0254 + 0.5);
    if (job.headerOnly) {
        png_destroy_read_struct(&png, &info, nullptr);
        return true;
    }
    SetTransforms(png, info);
    int passes = png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<size_t>(width) * 4) png_error(png, "unexpected row layout");
    // The buffers were sized from the header read at open(); a file changed
    // since then is not decoded into them.
    const bool haveBuffers = passes == 1 ? job.strip->rows() > 0 : !job.regionRows->empty();
    if (!haveBuffers || static_cast<int32_t>(width) != job.expected.width ||
        static_cast<int32_t>(height) != job.expected.height)
        png_error(png, "image changed since it was opened");

    const PixelRect& r = job.region;
    const uint32_t firstRow = static_cast<uint32_t>(TopDownRow(r.top, job.info.height));
    const uint32_t lastRow = static_cast<uint32_t>(TopDownRow(r.bottom, job.info.height));
    if (passes == 1) {
        StripBuffer& strip = *job.strip;
        uint32_t row = 0;
        while (row <= lastRow) {
            // A strip of full rows from the first row of the image; only its
            // overlap with the region is copied.
            uint32_t stripStart = row;
            int count = static_cast<int>(std::min<uint32_t>(strip.rows(), lastRow - row + 1));
            for (int i = 0; i < count; ++i) png_read_row(png, strip.row(i), nullptr);
            row += count;
            for (uint32_t y = std::max(stripStart, firstRow); y < row; ++y)
                CopyRow(strip.row(static_cast<int>(y - stripStart)), r, job.out->row(static_cast<int>(y - firstRow)));
        }
    } else {
        const size_t rowBytes = static_cast<size_t>(width) * 4;
        for (int pass = 0; pass < passes; ++pass) {
            for (uint32_t y = 0; y < height; ++y) {
                uint8_t* dst = (y >= firstRow && y <= lastRow) ? job.regionRows->data() + (y - firstRow) * rowBytes
                                                               : job.scratch->data();
                png_read_row(png, dst, nullptr);
            }
        }
        for (uint32_t y = firstRow; y <= lastRow; ++y)
            CopyRow(job.regionRows->data() + (y - firstRow) * rowBytes, r, job.out->row(static_cast<int>(y - firstRow)));
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return true;
}

bool ReadHeader(Job& job) {
    job.headerOnly = true;
    return Decode(job) && job.info.width > 0 && job.info.height > 0;
}

bool DecodeRegion(Job job, const PixelRect& region, platform::Bitmap& out) {
    ImageProperties info = job.info;
    if (!PrepareRegionTarget(info, region, out)) return false;
    const size_t rowBytes = static_cast<size_t>(info.width) * 4;
    StripBuffer strip;
    std::vector<uint8_t> regionRows, scratch;
    if (!info.interlaced && !strip.allocate(rowBytes, info.height - region.bottom)) return false;
    job.headerOnly = false;
    job.expected = info;
    job.region = region;
    job.out = &out;
    job.strip = &strip;
    job.regionRows = &regionRows;
    job.scratch = &scratch;
    // Interlaced images need their region rows across all passes; make room
    // up front so that nothing is allocated under the longjmp.
    try {
        if (info.interlaced) {
            regionRows.resize(rowBytes * static_cast<size_t>(region.height()));
            scratch.resize(rowBytes);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return Decode(job);
}

}  // namespace

ImageOpenStatus PngReader::open(const std::string& path) {
    path_ = path;
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    if (!file) {
        ShowMapMessage("Error opening PNG image", kCaption);
        return ImageOpenStatus::NotFound;
    }
    Job job;
    job.source.file = file.get();
    if (!ReadHeader(job)) return ImageOpenStatus::Unreadable;
    info_ = job.info;
    return ImageOpenStatus::Ok;
}

bool PngReader::decodeRegion(const PixelRect& region, platform::Bitmap& out) {
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path_.c_str(), "rb"));
    if (!file) {
        ShowMapMessage("Error opening PNG image", kCaption);
        return false;
    }
    Job job;
    job.source.file = file.get();
    job.info = info_;
    return DecodeRegion(job, region, out);
}

bool ReadPngInfo(const uint8_t* data, size_t size, ImageProperties& info) {
    Job job;
    job.source.data = data;
    job.source.size = size;
    job.context.quiet = true;
    if (!data || !ReadHeader(job)) return false;
    info = job.info;
    return true;
}

bool DecodePngMemory(const uint8_t* data, size_t size, platform::Bitmap& out) {
    ImageProperties info;
    if (!ReadPngInfo(data, size, info)) return false;
    Job job;
    job.source.data = data;
    job.source.size = size;
    job.context.quiet = true;
    job.info = info;
    return DecodeRegion(job, PixelRect{0, 0, info.width - 1, info.height - 1}, out);
}

}  // namespace trek
