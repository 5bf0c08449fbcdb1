#include "platform/core/Bitmap.h"

#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>

namespace trek::platform {

namespace {
constexpr size_t kMaxBytes = size_t(1) << 30;

bool SizeOk(int width, int height, size_t bytesPerPixel) {
    if (width <= 0 || height <= 0) return false;
    return static_cast<size_t>(width) * static_cast<size_t>(height) * bytesPerPixel <= kMaxBytes;
}

void SetError(std::string* error, const std::string& text) {
    if (error) *error = text;
}

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) fclose(f);
    }
};
}  // namespace

bool Bitmap::reset(int width, int height, uint32_t fillPixel) {
    if (!SizeOk(width, height, 4)) {
        width_ = height_ = 0;
        pixels_.clear();
        return false;
    }
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<size_t>(width) * height, fillPixel);
    return true;
}

void Bitmap::fill(uint32_t p) { std::fill(pixels_.begin(), pixels_.end(), p); }

void Bitmap::blit(const Bitmap& src, int dx, int dy) {
    int x0 = std::max(0, dx), y0 = std::max(0, dy);
    int x1 = std::min(width_, dx + src.width()), y1 = std::min(height_, dy + src.height());
    if (x0 >= x1 || y0 >= y1) return;
    for (int y = y0; y < y1; ++y)
        std::memcpy(row(y) + x0, src.row(y - dy) + (x0 - dx), static_cast<size_t>(x1 - x0) * 4);
}

bool Bitmap::writePng(const std::string& path, bool withAlpha, std::string* error) const {
    if (empty()) {
        SetError(error, "empty bitmap");
        return false;
    }
    std::string temp = path + ".tmp" + std::to_string(getpid());
    std::unique_ptr<FILE, FileCloser> file(fopen(temp.c_str(), "wb"));
    if (!file) {
        SetError(error, "cannot write " + temp);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        SetError(error, "out of memory");
        return false;
    }
    const int channels = withAlpha ? 4 : 3;
    std::vector<uint8_t> line(static_cast<size_t>(width_) * channels);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        file.reset();
        unlink(temp.c_str());
        SetError(error, "PNG encoding failed for " + path);
        return false;
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, width_, height_, 8, withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < height_; ++y) {
        const uint32_t* src = row(y);
        uint8_t* out = line.data();
        for (int x = 0; x < width_; ++x) {
            uint32_t p = src[x];
            *out++ = (p >> 16) & 0xFF;
            *out++ = (p >> 8) & 0xFF;
            *out++ = p & 0xFF;
            if (withAlpha) *out++ = p >> 24;
        }
        png_write_row(png, line.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (fflush(file.get()) != 0 || fsync(fileno(file.get())) != 0) {
        file.reset();
        unlink(temp.c_str());
        SetError(error, "cannot write " + path);
        return false;
    }
    file.reset();
    if (rename(temp.c_str(), path.c_str()) != 0) {
        unlink(temp.c_str());
        SetError(error, "cannot rename to " + path);
        return false;
    }
    return true;
}

bool Bitmap::readPng(const std::string& path, std::string* error) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        SetError(error, std::string("cannot read PNG ") + path + ": " + image.message);
        return false;
    }
    image.format = PNG_FORMAT_BGRA;  // little-endian 0xAARRGGBB words
    if (!SizeOk(image.width, image.height, 4)) {
        png_image_free(&image);
        SetError(error, "PNG too large: " + path);
        return false;
    }
    reset(image.width, image.height, 0);
    if (!png_image_finish_read(&image, nullptr, pixels_.data(), stride(), nullptr)) {
        SetError(error, std::string("cannot decode PNG ") + path + ": " + image.message);
        reset(0, 0);
        return false;
    }
    return true;
}

bool PalettedBitmap::reset(int width, int height) {
    if (!SizeOk(width, height, 1)) {
        width_ = height_ = 0;
        indices_.clear();
        return false;
    }
    width_ = width;
    height_ = height;
    indices_.assign(static_cast<size_t>(width) * height, 0);
    return true;
}

Bitmap PalettedBitmap::toBitmap() const {
    Bitmap out;
    if (!out.reset(width_, height_, 0xFF000000)) return out;
    for (int y = 0; y < height_; ++y) {
        const uint8_t* src = row(y);
        uint32_t* dst = out.row(y);
        for (int x = 0; x < width_; ++x) dst[x] = src[x] < palette_.size() ? palette_[src[x]] : 0xFF000000;
    }
    return out;
}

}  // namespace trek::platform
