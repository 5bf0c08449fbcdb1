// POI symbols: the sample POI folder, hotspot offsets, and where symbols land.
#include <gtest/gtest.h>

#include "tests/tracking/TrackingFixtures.h"
#include "ui/views/PoiSymbols.h"

namespace trek {
namespace {

using test::CountPixels;

TEST(PoiSymbolTest, HotspotOffsetsAreHalvedAndScaled) {
    PoiSymbol hotel{"Hotel", "", 16, 30};
    EXPECT_EQ(PoiSymbolLibrary::SymbolOrigin(hotel, {100, 100}, {1, -1}, 1), (platform::Point{92, 85}));
    EXPECT_EQ(PoiSymbolLibrary::SymbolOrigin(hotel, {100, 100}, {1, -1}, 2), (platform::Point{84, 70}));
    PoiSymbol plain{"x", "", -1, -1};
    // Without a hotspot the symbol is centred one symbol size away.
    EXPECT_EQ(PoiSymbolLibrary::SymbolOrigin(plain, {100, 100}, {1, -1}, 1), (platform::Point{116, 52}));
    EXPECT_EQ(PoiSymbolLibrary::SymbolOrigin(plain, {100, 100}, {-1, 0}, 2), (platform::Point{4, 68}));
}

TEST(PoiSymbolTest, TheSampleFolderRegistersBitmapsAndHotspots) {
    PoiSymbolLibrary library;
    std::vector<std::string> progress;
    library.scan(test::SourceDir() + "/samples/poi/", [&](const std::string& text) { progress.push_back(text); });
    ASSERT_GE(progress.size(), 2u);
    EXPECT_EQ(progress[0], "Scanning directories...");
    EXPECT_EQ(progress[1], "Scanning symbols " + test::SourceDir() + "/samples/poi/");
    const auto& symbols = library.registry().symbols();
    ASSERT_EQ(symbols.size(), 4u);
    EXPECT_EQ(symbols[0].name, " TimeStamp");
    const PoiSymbol& hotel = library.symbolFor("HOTEL");
    EXPECT_EQ(hotel.name, "Hotel");
    EXPECT_EQ(hotel.hotspotX, 32);
    EXPECT_EQ(hotel.hotspotY, 62);
    EXPECT_EQ(library.symbolFor("Summit").hotspotY, 60);
    EXPECT_EQ(library.symbolFor("camping").hotspotX, -1);
    EXPECT_EQ(library.bitmapFor(hotel).width(), 64);
    // Unknown names draw the question mark with its hotspot.
    const PoiSymbol& unknown = library.symbolFor("no such symbol");
    EXPECT_EQ(unknown.name, "QM");
    EXPECT_EQ(unknown.hotspotX, 52);
    EXPECT_EQ(unknown.hotspotY, 55);
    EXPECT_EQ(library.bitmapFor(unknown).width(), 64);
}

TEST(PoiSymbolTest, SymbolsLandOnTheirHotspotOrBesideACircle) {
    PoiSymbolLibrary library;
    library.scan(test::SourceDir() + "/samples/poi/");
    platform::Bitmap bmp(200, 200, 0xFFFFFFFF);
    {
        platform::Canvas canvas(bmp);
        library.draw(canvas, "Hotel", {60, 100}, {1, -1}, 1);
        library.draw(canvas, "camping", {140, 150}, {1, -1}, 1);
    }
    // The pin's tip (bitmap 32, 62 at half size) is the position.
    EXPECT_NE(bmp.pixel(60, 99) & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(bmp.pixel(60, 102) & 0xFFFFFF, 0xFFFFFFu);
    // Silver stays transparent: the symbol square's corner is untouched.
    EXPECT_EQ(bmp.pixel(45, 70) & 0xFFFFFF, 0xFFFFFFu);
    // Without a hotspot: the symbol sits up and right, a circle marks the position.
    EXPECT_GT(CountPixels(bmp, 0x288C28, {156, 102, 188, 134}), 100);  // the green square
    EXPECT_EQ(bmp.pixel(140, 150) & 0xFFFFFF, 0xFFFFFFu);              // the circle is hollow
    int rim = 0;
    for (int x = 132; x <= 148; ++x) rim += (bmp.pixel(x, 150) & 0xFFFFFF) != 0xFFFFFFu;
    EXPECT_GE(rim, 2);
}

TEST(PoiSymbolTest, BuiltInSymbolsAreDrawnFromTheArtwork) {
    PoiSymbolLibrary library;
    const platform::Bitmap& qm = library.bitmapFor(library.symbolFor("QM"));
    const platform::Bitmap& ts = library.bitmapFor(library.symbolFor(" TimeStamp"));
    ASSERT_EQ(qm.width(), 64);
    ASSERT_EQ(ts.width(), 64);
    // Transparent corners, something drawn in the middle.
    EXPECT_EQ(platform::PixelToColorRef(qm.pixel(0, 0)), PoiSymbolLibrary::kTransparent);
    EXPECT_NE(platform::PixelToColorRef(qm.pixel(27, 25)), PoiSymbolLibrary::kTransparent);
    EXPECT_NE(platform::PixelToColorRef(ts.pixel(32, 20)), PoiSymbolLibrary::kTransparent);
}

}  // namespace
}  // namespace trek
