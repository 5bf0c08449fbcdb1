// Image sizes from headers only, for each format, and refusal of damaged headers.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "maps/calibration/ImageHeader.h"

namespace trek {
namespace {

using Bytes = std::vector<uint8_t>;

void Le16(Bytes& b, uint16_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)}); }
void Le32(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)}); }
void Be16(Bytes& b, uint16_t v) { b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)}); }
void Be32(Bytes& b, uint32_t v) { b.insert(b.end(), {uint8_t(v >> 24), uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v)}); }

Bytes Png(uint32_t w, uint32_t h, uint8_t depth, uint8_t colour) {
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    Be32(b, 13);
    b.insert(b.end(), {'I', 'H', 'D', 'R'});
    Be32(b, w);
    Be32(b, h);
    b.insert(b.end(), {depth, colour, 0, 0, 0});
    return b;
}

Bytes Jpeg(uint16_t w, uint16_t h, uint8_t components) {
    Bytes b = {0xFF, 0xD8};
    // An APP1 segment (as EXIF writes) before the frame, and a fill byte.
    b.insert(b.end(), {0xFF, 0xE1});
    Be16(b, 8);
    b.insert(b.end(), {'E', 'x', 'i', 'f', 0, 0});
    b.insert(b.end(), {0xFF, 0xFF, 0xC2});  // progressive frame
    Be16(b, uint16_t(8 + 3 * components));
    b.push_back(8);
    Be16(b, h);
    Be16(b, w);
    b.push_back(components);
    for (int i = 0; i < components; ++i) b.insert(b.end(), {uint8_t(i + 1), 0x11, 0});
    return b;
}

Bytes Bmp(int32_t w, int32_t h, uint16_t bits) {
    Bytes b = {'B', 'M'};
    Le32(b, 0);
    Le32(b, 0);
    Le32(b, 54);
    Le32(b, 40);
    Le32(b, uint32_t(w));
    Le32(b, uint32_t(h));
    Le16(b, 1);
    Le16(b, bits);
    return b;
}

Bytes Gif(uint16_t w, uint16_t h, uint8_t packed) {
    Bytes b = {'G', 'I', 'F', '8', '9', 'a'};
    Le16(b, w);
    Le16(b, h);
    b.insert(b.end(), {packed, 0, 0});
    return b;
}

Bytes TiffLe(uint32_t w, uint16_t h, uint16_t samples) {
    Bytes b = {'I', 'I', 42, 0};
    Le32(b, 8);
    Le16(b, 4);
    auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
        Le16(b, tag);
        Le16(b, type);
        Le32(b, count);
        if (type == 3 && count == 1) {
            Le16(b, uint16_t(value));
            Le16(b, 0);
        } else {
            Le32(b, value);
        }
    };
    entry(256, 4, 1, w);
    entry(257, 3, 1, h);
    entry(258, 3, samples, samples <= 2 ? 8 | (samples == 2 ? 8u << 16 : 0) : 8 + 2 + 12 * 4 + 4);
    entry(277, 3, 1, samples);
    Le32(b, 0);
    for (int i = 0; i < samples; ++i) Le16(b, 8);  // BitsPerSample array after the IFD
    return b;
}

Bytes TiffBe(uint16_t w, uint16_t h) {
    Bytes b = {'M', 'M', 0, 42};
    Be32(b, 8);
    Be16(b, 2);
    for (auto [tag, v] : {std::pair<uint16_t, uint16_t>{256, w}, {257, h}}) {
        Be16(b, tag);
        Be16(b, 3);
        Be32(b, 1);
        Be16(b, v);
        Be16(b, 0);
    }
    Be32(b, 0);
    return b;
}

TEST(ImageHeader, ReadsTheSizeOfEachFormat) {
    struct Case {
        const char* label;
        Bytes bytes;
        ImageInfo want;
    } cases[] = {
        {"png rgb", Png(4000, 3000, 8, 2), {ImageFormat::Png, 4000, 3000, 24}},
        {"png palette", Png(17, 5, 4, 3), {ImageFormat::Png, 17, 5, 4}},
        {"png rgba", Png(1, 1, 8, 6), {ImageFormat::Png, 1, 1, 32}},
        {"jpeg colour", Jpeg(6000, 4500, 3), {ImageFormat::Jpeg, 6000, 4500, 24}},
        {"jpeg grey", Jpeg(640, 480, 1), {ImageFormat::Jpeg, 640, 480, 8}},
        {"bmp", Bmp(1024, 768, 8), {ImageFormat::Bmp, 1024, 768, 8}},
        {"bmp top-down", Bmp(1024, -768, 4), {ImageFormat::Bmp, 1024, 768, 4}},
        {"gif", Gif(320, 200, 0xF7), {ImageFormat::Gif, 320, 200, 8}},
        {"gif 2 colours", Gif(3, 2, 0x80), {ImageFormat::Gif, 3, 2, 1}},
        {"tiff le rgb", TiffLe(70000, 5000, 3), {ImageFormat::Tiff, 70000, 5000, 24}},
        {"tiff le grey", TiffLe(100, 50, 1), {ImageFormat::Tiff, 100, 50, 8}},
        {"tiff be", TiffBe(300, 200), {ImageFormat::Tiff, 300, 200, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        auto info = ReadImageInfo(c.bytes.data(), c.bytes.size());
        ASSERT_TRUE(info);
        EXPECT_EQ(info->format, c.want.format);
        EXPECT_EQ(info->width, c.want.width);
        EXPECT_EQ(info->height, c.want.height);
        EXPECT_EQ(info->bitsPerPixel, c.want.bitsPerPixel);
        // Every shorter prefix is refused rather than read past its end.
        for (size_t n = 0; n + 1 < c.bytes.size(); ++n) {
            if (auto cut = ReadImageInfo(c.bytes.data(), n)) {
                EXPECT_EQ(cut->width, c.want.width) << n;
            }
        }
    }
}

TEST(ImageHeader, RefusesDamagedHeaders) {
    Bytes zeroPng = Png(0, 10, 8, 2);
    Bytes badColour = Png(10, 10, 8, 5);
    Bytes jpegNoFrame = {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02};
    Bytes jpegBadLength = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x01};
    Bytes tiffLoop = {'I', 'I', 42, 0, 0xFF, 0xFF, 0xFF, 0x7F};
    Bytes text = {'h', 'e', 'l', 'l', 'o'};
    for (const Bytes* b : {&zeroPng, &badColour, &jpegNoFrame, &jpegBadLength, &tiffLoop, &text})
        EXPECT_FALSE(ReadImageInfo(b->data(), b->size()));
    EXPECT_FALSE(ReadImageInfoFile("/nonexistent/image.jpg"));
}

}  // namespace
}  // namespace trek
