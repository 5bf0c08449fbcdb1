#include "ImageFixtures.h"

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

namespace trek::test {

platform::Bitmap Pattern(int width, int height, int seed) {
    platform::Bitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.setPixel(x, y, 0xFF000000u | (uint32_t((x * 7 + seed) & 0xFF) << 16) | (uint32_t((y * 13) & 0xFF) << 8) |
                                 uint32_t((x + y * 3 + seed) & 0xFF));
    return b;
}

platform::Bitmap Smooth(int width, int height) {
    platform::Bitmap b(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            b.setPixel(x, y, 0xFF000000u | (uint32_t(x * 255 / width) << 16) | (uint32_t(y * 255 / height) << 8) |
                                 uint32_t(((x / 8 + y / 8) & 1) * 160));
    return b;
}

std::string TempDir() {
    static std::string dir = [] {
        std::string d = std::filesystem::temp_directory_path().string() + "/trek_image_" + std::to_string(getpid());
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

bool WriteJpeg(const std::string& path, const platform::Bitmap& image, bool progressive, int quality) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = image.width();
    c.image_height = image.height();
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, quality, TRUE);
    if (progressive) jpeg_simple_progression(&c);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(static_cast<size_t>(image.width()) * 3);
    while (c.next_scanline < c.image_height) {
        const uint32_t* src = image.row(static_cast<int>(c.next_scanline));
        for (int x = 0; x < image.width(); ++x) {
            row[x * 3] = (src[x] >> 16) & 0xFF;
            row[x * 3 + 1] = (src[x] >> 8) & 0xFF;
            row[x * 3 + 2] = src[x] & 0xFF;
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
    return true;
}

platform::Bitmap DecodeJpegWhole(const std::string& path) {
    platform::Bitmap out;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return out;
    jpeg_decompress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_decompress(&c);
    jpeg_stdio_src(&c, f);
    jpeg_read_header(&c, TRUE);
    c.out_color_space = JCS_RGB;
    jpeg_start_decompress(&c);
    out.reset(c.output_width, c.output_height);
    std::vector<uint8_t> row(c.output_width * 3);
    while (c.output_scanline < c.output_height) {
        int y = c.output_scanline;
        JSAMPROW r = row.data();
        jpeg_read_scanlines(&c, &r, 1);
        for (unsigned x = 0; x < c.output_width; ++x)
            out.setPixel(x, y, 0xFF000000u | (row[x * 3] << 16) | (row[x * 3 + 1] << 8) | row[x * 3 + 2]);
    }
    jpeg_finish_decompress(&c);
    jpeg_destroy_decompress(&c);
    std::fclose(f);
    return out;
}

bool WritePngInterlaced(const std::string& path, const platform::Bitmap& image) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_set_IHDR(png, info, image.width(), image.height(), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_ADAM7,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    std::vector<std::vector<uint8_t>> rows(image.height(), std::vector<uint8_t>(image.width() * 3));
    std::vector<png_bytep> ptrs;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            uint32_t p = image.pixel(x, y);
            rows[y][x * 3] = (p >> 16) & 0xFF;
            rows[y][x * 3 + 1] = (p >> 8) & 0xFF;
            rows[y][x * 3 + 2] = p & 0xFF;
        }
        ptrs.push_back(rows[y].data());
    }
    png_set_rows(png, info, ptrs.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    std::fclose(f);
    return true;
}

uint32_t BmpIndex(int x, int yTopDown, int bits) { return static_cast<uint32_t>(x * 3 + yTopDown * 5) % (1u << std::min(bits, 8)); }
uint32_t BmpPaletteColour(uint32_t i) { return 0xFF000000u | ((i * 37) & 0xFF) << 16 | ((i * 91) & 0xFF) << 8 | ((255 - i) & 0xFF); }

static void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
    for (int i = 0; i < 4; ++i) v[at + i] = (x >> (8 * i)) & 0xFF;
}

bool WriteBmp(const std::string& path, int width, int height, int bits, uint32_t colorsUsed, bool topDown) {
    uint32_t paletteEntries = bits <= 8 ? (colorsUsed ? colorsUsed : (1u << bits)) : 0;
    size_t rowBytes = (static_cast<size_t>(width) * bits + 31) / 32 * 4;
    size_t dataOffset = 14 + 40 + paletteEntries * 4;
    std::vector<uint8_t> f(dataOffset + rowBytes * height, 0);
    f[0] = 'B';
    f[1] = 'M';
    Put32(f, 2, static_cast<uint32_t>(f.size()));
    Put32(f, 10, static_cast<uint32_t>(dataOffset));
    Put32(f, 14, 40);
    Put32(f, 18, width);
    Put32(f, 22, static_cast<uint32_t>(topDown ? -height : height));
    f[26] = 1;
    f[28] = static_cast<uint8_t>(bits);
    Put32(f, 38, 3780);  // 96 dpi
    Put32(f, 46, colorsUsed);
    for (uint32_t i = 0; i < paletteEntries; ++i) {
        uint32_t c = BmpPaletteColour(i);
        f[54 + i * 4] = c & 0xFF;
        f[54 + i * 4 + 1] = (c >> 8) & 0xFF;
        f[54 + i * 4 + 2] = (c >> 16) & 0xFF;
    }
    for (int yd = 0; yd < height; ++yd) {
        int fileRow = topDown ? yd : height - 1 - yd;
        uint8_t* row = &f[dataOffset + fileRow * rowBytes];
        for (int x = 0; x < width; ++x) {
            if (bits >= 24) {
                uint32_t c = BmpPaletteColour(BmpIndex(x, yd, 8));
                uint8_t* p = row + x * (bits / 8);
                p[0] = c & 0xFF;
                p[1] = (c >> 8) & 0xFF;
                p[2] = (c >> 16) & 0xFF;
            } else {
                uint32_t idx = BmpIndex(x, yd, bits);
                size_t bit = static_cast<size_t>(x) * bits;
                row[bit / 8] |= static_cast<uint8_t>(idx << (8 - bits - bit % 8));
            }
        }
    }
    FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return false;
    bool ok = std::fwrite(f.data(), 1, f.size(), out) == f.size();
    std::fclose(out);
    return ok;
}

bool WriteTiff(const std::string& path, const platform::Bitmap& image, bool tiled, int n) {
    TIFF* t = TIFFOpen(path.c_str(), "w");
    if (!t) return false;
    const uint32_t w = image.width(), h = image.height();
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, w);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, h);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, 3);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, COMPRESSION_LZW);
    auto rgb = [&](uint32_t x, uint32_t y, uint8_t* p) {
        uint32_t v = image.pixel(x, y);
        p[0] = (v >> 16) & 0xFF;
        p[1] = (v >> 8) & 0xFF;
        p[2] = v & 0xFF;
    };
    bool ok = true;
    if (tiled) {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, n);
        TIFFSetField(t, TIFFTAG_TILELENGTH, n);
        std::vector<uint8_t> tile(static_cast<size_t>(n) * n * 3);
        for (uint32_t ty = 0; ty < h; ty += n)
            for (uint32_t tx = 0; tx < w; tx += n) {
                std::fill(tile.begin(), tile.end(), 0);
                for (int y = 0; y < n && ty + y < h; ++y)
                    for (int x = 0; x < n && tx + x < w; ++x) rgb(tx + x, ty + y, &tile[(y * n + x) * 3]);
                ok &= TIFFWriteTile(t, tile.data(), tx, ty, 0, 0) >= 0;
            }
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, n);
        std::vector<uint8_t> row(w * 3);
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; ++x) rgb(x, y, &row[x * 3]);
            ok &= TIFFWriteScanline(t, row.data(), y, 0) >= 0;
        }
    }
    TIFFClose(t);
    return ok;
}

uint32_t GifPaletteColour(uint32_t i) { return 0xFF000000u | ((i * 53) & 0xFF) << 16 | ((i * 11) & 0xFF) << 8 | (i & 0xFF); }

bool WriteGif(const std::string& path, const platform::Bitmap& indices, bool interlaced) {
    int error = 0;
    GifFileType* g = EGifOpenFileName(path.c_str(), false, &error);
    if (!g) return false;
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i) {
        uint32_t c = GifPaletteColour(i);
        colours[i] = {static_cast<GifByteType>((c >> 16) & 0xFF), static_cast<GifByteType>((c >> 8) & 0xFF),
                      static_cast<GifByteType>(c & 0xFF)};
    }
    ColorMapObject* map = GifMakeMapObject(256, colours);
    const int w = indices.width(), h = indices.height();
    bool ok = EGifPutScreenDesc(g, w, h, 8, 0, map) != GIF_ERROR &&
              EGifPutImageDesc(g, 0, 0, w, h, interlaced, nullptr) != GIF_ERROR;
    std::vector<GifPixelType> line(w);
    auto put = [&](int y) {
        for (int x = 0; x < w; ++x) line[x] = indices.pixel(x, y) & 0xFF;
        ok = ok && EGifPutLine(g, line.data(), w) != GIF_ERROR;
    };
    if (interlaced) {
        const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
        for (int p = 0; p < 4; ++p)
            for (int y = start[p]; y < h; y += step[p]) put(y);
    } else {
        for (int y = 0; y < h; ++y) put(y);
    }
    GifFreeMapObject(map);
    EGifCloseFile(g, &error);
    return ok;
}

platform::Bitmap Crop(const platform::Bitmap& image, int left, int bottom, int right, int top) {
    platform::Bitmap out(right - left + 1, top - bottom + 1);
    for (int y = top; y >= bottom; --y)
        for (int x = left; x <= right; ++x) out.setPixel(x - left, top - y, image.pixel(x, image.height() - 1 - y));
    return out;
}

}  // namespace trek::test
