// Every image kind decodes any region to the same pixels as the whole image,
// across strip borders, and refuses what it cannot read.
#include <gtest/gtest.h>

#include <functional>

#include "ImageFixtures.h"
#include "maps/image/BmpReader.h"
#include "maps/image/ImageKinds.h"
#include "maps/image/ImageMessages.h"
#include "maps/image/JpegReader.h"
#include "maps/image/PngReader.h"
#include "maps/image/StripBudget.h"

namespace trek {
namespace {

using test::Crop;
using platform::Bitmap;

::testing::AssertionResult SamePixels(const Bitmap& a, const Bitmap& b) {
    if (a.width() != b.width() || a.height() != b.height())
        return ::testing::AssertionFailure() << "size " << a.width() << "x" << a.height() << " vs " << b.width() << "x"
                                             << b.height();
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                return ::testing::AssertionFailure() << "pixel (" << x << "," << y << ") " << std::hex << a.pixel(x, y)
                                                     << " vs " << b.pixel(x, y);
    return ::testing::AssertionSuccess();
}

// Regions chosen to cross strip, MCU and tile borders and to touch every edge.
const PixelRect kRegions[] = {
    {0, 0, 0, 0},       {0, 0, 122, 88},  {5, 3, 60, 40},   {17, 31, 17, 80}, {100, 0, 122, 10},
    {0, 70, 30, 88},    {33, 9, 96, 71},  {121, 87, 122, 88},
};

struct KindCase {
    const char* name;
    const char* file;
    std::function<bool(const std::string&, const Bitmap&)> write;
    bool lossy;
    // Pretended free memory: small enough that regions cross strip borders;
    // a progressive JPEG needs its coefficients besides.
    size_t memory = 123 * 4 * 5 * 4 / 3;
};

class RegionDecode : public ::testing::TestWithParam<KindCase> {};

TEST_P(RegionDecode, RegionsMatchTheWholeImage) {
    const KindCase& k = GetParam();
    Bitmap source = k.lossy ? test::Smooth(123, 89) : test::Pattern(123, 89);
    std::string path = test::TempDir() + "/" + k.file;
    ASSERT_TRUE(k.write(path, source));
    Bitmap whole = k.lossy ? test::DecodeJpegWhole(path) : source;
    ASSERT_EQ(whole.width(), 123);

    auto reader = CreateImageReaderFor(path);
    ASSERT_TRUE(reader);
    ASSERT_EQ(reader->open(path), ImageOpenStatus::Ok);
    EXPECT_EQ(reader->info().width, 123);
    EXPECT_EQ(reader->info().height, 89);
    // A tiny strip budget makes every region span several strips.
    SetAvailableMemoryOverride(k.memory);
    for (const PixelRect& r : kRegions) {
        Bitmap out;
        ASSERT_TRUE(reader->decodeRegion(r, out)) << k.name << " region " << r.left << "," << r.bottom << " "
                                                   << (dynamic_cast<JpegReader*>(reader.get()) ? dynamic_cast<JpegReader*>(reader.get())->lastError() : "");
        EXPECT_TRUE(SamePixels(out, Crop(whole, r.left, r.bottom, r.right, r.top)))
            << k.name << " region " << r.left << "," << r.bottom << "," << r.right << "," << r.top;
    }
    SetAvailableMemoryOverride(0);
    Bitmap out;
    EXPECT_FALSE(reader->decodeRegion(PixelRect{200, 0, 300, 10}, out)) << "outside the image";
    EXPECT_FALSE(reader->decodeRegion(PixelRect{-5, 0, 10, 10}, out)) << "not clipped";
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, RegionDecode,
    ::testing::Values(
        KindCase{"png", "a.png", [](const std::string& p, const Bitmap& b) { return b.writePng(p); }, false},
        KindCase{"png_interlaced", "i.png", test::WritePngInterlaced, false},
        KindCase{"jpeg", "a.jpg", [](const std::string& p, const Bitmap& b) { return test::WriteJpeg(p, b, false); },
                 true},
        KindCase{"jpeg_progressive", "p.jpeg",
                 [](const std::string& p, const Bitmap& b) { return test::WriteJpeg(p, b, true); }, true, 400 << 10},
        KindCase{"tiff_strips", "s.tif", [](const std::string& p, const Bitmap& b) { return test::WriteTiff(p, b, false, 7); },
                 false},
        KindCase{"tiff_tiles", "t.tiff", [](const std::string& p, const Bitmap& b) { return test::WriteTiff(p, b, true, 16); },
                 false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(JpegReader, ProgressiveBeyondMemoryFailsCleanly) {
    std::string path = test::TempDir() + "/big_progressive.jpg";
    ASSERT_TRUE(test::WriteJpeg(path, test::Smooth(800, 600), true));
    JpegReader reader;
    ASSERT_EQ(reader.open(path), ImageOpenStatus::Ok);
    EXPECT_TRUE(reader.info().progressive);
    SetAvailableMemoryOverride(300 << 10);  // far less than the coefficients need
    Bitmap out;
    EXPECT_FALSE(reader.decodeRegion(PixelRect{0, 500, 99, 599}, out));
    EXPECT_FALSE(reader.lastError().empty());
    SetAvailableMemoryOverride(0);
    EXPECT_TRUE(reader.decodeRegion(PixelRect{0, 500, 99, 599}, out));
}

TEST(BmpReader, PalettedDepthsReadRegionsFromTheFile) {
    struct Case {
        int bits;
        uint32_t colorsUsed;
        bool topDown;
    };
    for (Case c : {Case{1, 0, false}, Case{4, 0, false}, Case{4, 16, true}, Case{8, 0, false}, Case{8, 200, false},
                   Case{24, 0, false}}) {
        std::string path = test::TempDir() + "/p" + std::to_string(c.bits) + ".bmp";
        ASSERT_TRUE(test::WriteBmp(path, 37, 21, c.bits, c.colorsUsed, c.topDown));
        BmpReader reader;
        ASSERT_EQ(reader.open(path), ImageOpenStatus::Ok) << c.bits;
        EXPECT_EQ(reader.info().dpi, 96);
        if (c.bits <= 8) {
            EXPECT_EQ(reader.palette().size(), c.colorsUsed ? c.colorsUsed : (1u << c.bits));
        }
        for (PixelRect r : {PixelRect{0, 0, 36, 20}, PixelRect{3, 2, 11, 19}, PixelRect{9, 20, 36, 20}}) {
            Bitmap out;
            ASSERT_TRUE(reader.decodeRegion(r, out));
            for (int y = r.top; y >= r.bottom; --y)
                for (int x = r.left; x <= r.right; ++x) {
                    uint32_t index = test::BmpIndex(x, 20 - y, c.bits <= 8 ? c.bits : 8);
                    uint32_t expected = c.bits <= 8 && index >= reader.palette().size() ? 0xFF000000u
                                                                                        : test::BmpPaletteColour(index);
                    ASSERT_EQ(out.pixel(x - r.left, r.top - y), expected) << c.bits << " bits at " << x << "," << y;
                }
        }
    }
}

TEST(BmpReader, RefusesDepthsItCannotReadByRegion) {
    std::string path = test::TempDir() + "/p32.bmp";
    ASSERT_TRUE(test::WriteBmp(path, 8, 8, 32, 0));
    BmpReader reader;
    EXPECT_EQ(reader.open(path), ImageOpenStatus::TooManyBits);
    EXPECT_EQ(reader.info().bitsPerPixel, 32);
    EXPECT_EQ(reader.open(test::TempDir() + "/missing.bmp"), ImageOpenStatus::NotFound);
}

TEST(BmpHeader, SurvivesDamagedHeaders) {
    uint8_t head[54] = {'B', 'M'};
    BmpHeader h;
    EXPECT_EQ(ParseBmpHeader(head, sizeof head, h), BmpParse::NotBitmap);  // info size 0
    head[14] = 40;
    head[18] = 1;           // width 1
    head[22] = 0xFF;        // height -1 ... as bytes ff 00 00 00 = 255, fine
    head[26] = 1;
    head[28] = 8;
    head[46] = 0xFF;        // colours used far beyond 256
    head[47] = 0xFF;
    ASSERT_EQ(ParseBmpHeader(head, sizeof head, h), BmpParse::Ok);
    EXPECT_EQ(BmpPaletteEntries(h), 256u);
}

TEST(GifReader, PlainAndInterlacedRegions) {
    Bitmap indices(61, 43);
    for (int y = 0; y < 43; ++y)
        for (int x = 0; x < 61; ++x) indices.setPixel(x, y, static_cast<uint32_t>(x * 5 + y * 3) & 0xFF);
    for (bool interlaced : {false, true}) {
        std::string path = test::TempDir() + (interlaced ? "/i.gif" : "/p.gif");
        ASSERT_TRUE(test::WriteGif(path, indices, interlaced));
        auto reader = CreateImageReaderFor(path);
        ASSERT_EQ(reader->open(path), ImageOpenStatus::Ok);
        for (PixelRect r : {PixelRect{0, 0, 60, 42}, PixelRect{7, 5, 30, 33}, PixelRect{60, 42, 60, 42}}) {
            Bitmap out;
            ASSERT_TRUE(reader->decodeRegion(r, out));
            for (int y = r.top; y >= r.bottom; --y)
                for (int x = r.left; x <= r.right; ++x)
                    ASSERT_EQ(out.pixel(x - r.left, r.top - y), test::GifPaletteColour(indices.pixel(x, 42 - y)))
                        << interlaced << " at " << x << "," << y;
        }
    }
}

TEST(PngReader, ReportsTheNamedFailures) {
    std::vector<std::pair<std::string, std::string>> shown;
    auto old = SetMapMessageSink([&](const std::string& t, const std::string& c) { shown.emplace_back(t, c); });
    std::string bad = test::TempDir() + "/bad.png";
    FILE* f = std::fopen(bad.c_str(), "wb");
    std::fputs("not a png at all", f);
    std::fclose(f);
    PngReader reader;
    EXPECT_EQ(reader.open(bad), ImageOpenStatus::Unreadable);
    EXPECT_EQ(reader.open(test::TempDir() + "/none.png"), ImageOpenStatus::NotFound);
    // A valid signature followed by garbage fails inside libpng.
    f = std::fopen(bad.c_str(), "wb");
    std::fwrite("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDRxxxx", 1, 21, f);
    std::fclose(f);
    EXPECT_EQ(reader.open(bad), ImageOpenStatus::Unreadable);
    SetMapMessageSink(old);
    ASSERT_GE(shown.size(), 3u);
    EXPECT_EQ(shown[0], (std::pair<std::string, std::string>{"Error PNG image 1", "LIBPNG"}));
    EXPECT_EQ(shown[1], (std::pair<std::string, std::string>{"Error opening PNG image", "LIBPNG"}));
    EXPECT_EQ(shown.back(), (std::pair<std::string, std::string>{"Error PNG image 4", "LIBPNG"}));
    EXPECT_EQ(shown[shown.size() - 2].second, "LIBPNG error");
}

TEST(StripBudget, CapsTheStripAndHalvesOnEachAttempt) {
    SetAvailableMemoryOverride(size_t(64) << 30);  // a desktop with 64 GiB free
    EXPECT_EQ(StripRows(1 << 20, 0, 1 << 30), 32);  // capped at 32 MiB, not 48 GiB
    EXPECT_EQ(StripRows(1 << 20, 1, 1 << 30), 16);
    EXPECT_EQ(StripRows(1 << 20, 2, 1 << 30), 8);
    SetAvailableMemoryOverride(4 << 20);  // 3 MiB usable
    EXPECT_EQ(StripRows(1 << 20, 0, 100), 3);
    EXPECT_EQ(StripRows(1 << 20, 2, 100), 0);  // too little: the region is given up
    StripBuffer strip;
    EXPECT_FALSE(strip.allocate(size_t(8) << 20, 10));
    SetAvailableMemoryOverride(0);
}

TEST(ImageKinds, ChosenByExtensionThenBySignature) {
    EXPECT_EQ(ImageKindFromExtension("/a/B.JpEg"), ImageKind::Jpeg);
    EXPECT_EQ(ImageKindFromExtension("/a.b/noext"), ImageKind::None);
    EXPECT_EQ(ImageKindFromExtension("x.tif"), ImageKind::Tiff);
    const uint8_t gif[] = {'G', 'I', 'F', '8', '9', 'a'};
    EXPECT_EQ(ImageKindFromSignature(gif, sizeof gif), ImageKind::Gif);
    EXPECT_EQ(ImageKindFromSignature(gif, 2), ImageKind::None);
}

}  // namespace
}  // namespace trek
