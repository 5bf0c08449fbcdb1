#include <gtest/gtest.h>

#include <cstdio>

#include "platform/core/Bitmap.h"

using namespace trek::platform;

TEST(Bitmap, PngRoundTripKeepsEveryPixel) {
    Bitmap b(7, 5, 0xFF000000);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) b.setPixel(x, y, 0xFF000000u | (x * 37) << 16 | (y * 51) << 8 | (x ^ y));
    std::string path = testing::TempDir() + "bitmap_roundtrip.png";
    std::string error;
    ASSERT_TRUE(b.writePng(path, false, &error)) << error;
    Bitmap back;
    ASSERT_TRUE(back.readPng(path, &error)) << error;
    ASSERT_EQ(back.width(), 7);
    ASSERT_EQ(back.height(), 5);
    for (int y = 0; y < 5; ++y)
        for (int x = 0; x < 7; ++x) EXPECT_EQ(back.pixel(x, y), b.pixel(x, y)) << x << "," << y;
    std::remove(path.c_str());
}

TEST(Bitmap, RefusesImpossibleSizesAndClipsBlits) {
    Bitmap b;
    EXPECT_FALSE(b.reset(0, 10));
    EXPECT_FALSE(b.reset(100000, 100000));
    EXPECT_TRUE(b.empty());
    EXPECT_FALSE(b.writePng(testing::TempDir() + "never.png"));

    Bitmap dst(4, 4, 0);
    Bitmap src(3, 3, 0xFFFFFFFF);
    dst.blit(src, -1, 2);  // only a 2x2 corner lands
    int set = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x) set += dst.pixel(x, y) == 0xFFFFFFFF;
    EXPECT_EQ(set, 4);
    EXPECT_EQ(dst.pixel(0, 2), 0xFFFFFFFFu);
    EXPECT_EQ(dst.pixel(2, 2), 0u);
}

TEST(Bitmap, ColorRefConversionSwapsRedAndBlue) {
    EXPECT_EQ(ColorRefToPixel(Rgb(0x12, 0x34, 0x56)), 0xFF123456u);
    EXPECT_EQ(PixelToColorRef(0xFF123456u), Rgb(0x12, 0x34, 0x56));
    PalettedBitmap p(2, 1);
    p.palette() = {0xFF0000FF};
    p.row(0)[1] = 7;  // out of the palette
    Bitmap e = p.toBitmap();
    EXPECT_EQ(e.pixel(0, 0), 0xFF0000FFu);
    EXPECT_EQ(e.pixel(1, 0), 0xFF000000u);
}
