// Raster maps: opening bare images, drawing through the calibration in cached
// and banded mode, and the ".tvm" container round trip.
#include <gtest/gtest.h>

#include "ImageFixtures.h"
#include "maps/image/ImageMessages.h"
#include "maps/image/JpegReader.h"
#include "maps/image/RasterMap.h"
#include "maps/image/TiledMap.h"
#include "maps/image/TvmWriter.h"

namespace trek {
namespace {

using platform::Bitmap;

struct MessageCapture {
    std::vector<std::pair<std::string, std::string>> shown;
    MapMessageSink old;
    MessageCapture() {
        old = SetMapMessageSink([this](const std::string& t, const std::string& c) { shown.emplace_back(t, c); });
    }
    ~MessageCapture() { SetMapMessageSink(old); }
};

// A linear calibration of one geo unit per pixel, anchored at the image corners.
void Calibrate(RasterMap& map) {
    auto cal = CreateCalibration(CalibrationKind::Linear);
    cal->SetReferencePoints({{0, 0, 1000000, 1000000},
                             {map.imageWidth() - 1, map.imageHeight() - 1, 1000000 + map.imageWidth() - 1,
                              1000000 + map.imageHeight() - 1}});
    ASSERT_TRUE(cal->Calibrate());
    map.SetCalibration(std::move(cal));
}

MapViewport ViewAt(int x, int y, int w, int h) { return MapViewport{GeoPoint{1000000 + x, 1000000 + y}, w, h}; }

std::unique_ptr<RasterMap> PngMap(int w, int h, const std::string& name) {
    std::string path = test::TempDir() + "/" + name;
    EXPECT_TRUE(test::Pattern(w, h).writePng(path));
    auto map = RasterMap::OpenImage(path);
    EXPECT_TRUE(map);
    if (map) Calibrate(*map);
    return map;
}

TEST(RasterMap, OpeningABareImage) {
    MessageCapture messages;
    auto map = PngMap(40, 30, "bare.png");
    ASSERT_TRUE(map);
    EXPECT_EQ(map->name, "bare.png");
    EXPECT_EQ(map->descriptionPath, test::TempDir() + "/bare.CAL");
    EXPECT_EQ(map->date, TodayDateText());
    EXPECT_TRUE(map->visible);
    EXPECT_TRUE(map->loaded());
    EXPECT_EQ(map->imageWidth(), 40);

    EXPECT_FALSE(RasterMap::OpenImage(test::TempDir() + "/nothing.jpg"));
    ASSERT_TRUE(test::WriteBmp(test::TempDir() + "/deep.bmp", 4, 4, 32, 0));
    EXPECT_FALSE(RasterMap::OpenImage(test::TempDir() + "/deep.bmp"));
    ASSERT_EQ(messages.shown.size(), 2u);
    EXPECT_EQ(messages.shown[0].first, "File " + test::TempDir() + "/nothing.jpg not found!");
    EXPECT_EQ(messages.shown[1].first, kTooManyBitsMessage);
    EXPECT_EQ(messages.shown[1].second, "deep.bmp");
}

TEST(RasterMap, CachedAndBandedDrawsAgreeAndClip) {
    auto map = PngMap(600, 700, "draw.png");
    ASSERT_TRUE(map);
    Bitmap whole = test::Pattern(600, 700);
    // A view hanging over the left and top edges of the image.
    MapViewport view = ViewAt(30, 650, 100, 120);
    MapPlacement placement;
    ASSERT_TRUE(map->PlacementFor(view, placement));
    EXPECT_EQ(placement.region, (PixelRect{0, 591, 79, 699}));
    EXPECT_EQ(placement.targetX, 20);
    EXPECT_EQ(placement.targetY, 11);

    Bitmap cached(100, 120, 0), banded(100, 120, 0);
    ASSERT_TRUE(map->Draw(cached, view, DrawMode::Cached));
    ASSERT_TRUE(map->Draw(banded, view, DrawMode::Banded));
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 100; ++x) {
            int ix = x - 20, iyDown = y - 11;  // image column and top-down row
            uint32_t expected = (ix >= 0 && iyDown >= 0) ? whole.pixel(ix, iyDown) : 0u;
            ASSERT_EQ(cached.pixel(x, y), expected) << x << "," << y;
            ASSERT_EQ(banded.pixel(x, y), expected) << x << "," << y;
        }
    // The same view again reuses the decoded window.
    int decodes = map->decodeCount();
    ASSERT_TRUE(map->Draw(cached, view, DrawMode::Cached));
    EXPECT_EQ(map->decodeCount(), decodes);
}

TEST(RasterMap, BandsCrossBandBordersAndStopOnTheFlag) {
    auto map = PngMap(300, 700, "bands.png");
    ASSERT_TRUE(map);
    Bitmap whole = test::Pattern(300, 700);
    MapViewport view = ViewAt(150, 350, 300, 600);  // 600 rows: three bands
    Bitmap target(300, 600, 0);
    int before = map->decodeCount();
    ASSERT_TRUE(map->Draw(target, view, DrawMode::Banded));
    EXPECT_EQ(map->decodeCount() - before, 3);
    for (int y = 0; y < 600; y += 7)
        for (int x = 0; x < 300; x += 5) ASSERT_EQ(target.pixel(x, y), whole.pixel(x, y + 49)) << x << "," << y;

    MapDrawStopFlag() = true;
    before = map->decodeCount();
    EXPECT_FALSE(map->Draw(target, view, DrawMode::Banded));
    EXPECT_EQ(map->decodeCount(), before);
    MapDrawStopFlag() = false;
}

TEST(RasterMap, AViewOutsideTheImageDecodesNothing) {
    auto map = PngMap(50, 50, "outside.png");
    ASSERT_TRUE(map);
    Bitmap target(20, 20, 0);
    int calls = 0;
    SetMapOverlayHook([&](Bitmap&, const RasterMap&, const MapPlacement&) { ++calls; });
    EXPECT_FALSE(map->Draw(target, ViewAt(500, 500, 20, 20)));
    EXPECT_EQ(map->decodeCount(), 0);
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(map->Draw(target, ViewAt(25, 25, 20, 20)));
    EXPECT_EQ(calls, 1);  // the view's markers are drawn after the map
    SetMapOverlayHook(nullptr);
    map->visible = false;
    EXPECT_FALSE(map->Draw(target, ViewAt(25, 25, 20, 20)));
}

TEST(TvmContainer, WriteThenReadGivesTheSamePixels) {
    auto source = PngMap(83, 61, "tvmsource.png");
    ASSERT_TRUE(source);
    source->SetName("Karte Süd");
    source->background = true;
    std::string path = test::TempDir() + "/round.tvm";
    std::vector<int> progress;
    TvmWriteRequest request;
    request.path = path;
    request.width = 83;
    request.height = 61;
    request.tileSize = 16;  // narrower last column and lower last row
    request.name = source->name;
    request.background = true;
    request.calibration = &source->calibration();
    request.source = [&](const PixelRect& r, Bitmap& out) { return source->DecodeRegion(r, out); };
    request.progress = [&](int p) { progress.push_back(p); };
    std::string error;
    ASSERT_TRUE(WriteTvm(request, &error)) << error;
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back(), 100);
    EXPECT_EQ(TvmProgressText(7), "  7%");

    auto tiled = TiledMap::OpenContainer(path);
    ASSERT_TRUE(tiled);
    EXPECT_EQ(tiled->name, "Karte Süd");
    EXPECT_TRUE(tiled->background);
    EXPECT_EQ(tiled->tileColumns(), 6);
    EXPECT_EQ(tiled->tileRows(), 4);
    EXPECT_EQ(tiled->calibration().kind(), CalibrationKind::Linear);
    EXPECT_EQ(tiled->calibration().referencePoints(), source->calibration().referencePoints());
    Bitmap whole = test::Pattern(83, 61);
    for (PixelRect r : {PixelRect{0, 0, 82, 60}, PixelRect{15, 14, 17, 47}, PixelRect{80, 0, 82, 2}}) {
        Bitmap out;
        ASSERT_TRUE(tiled->DecodeRegion(r, out));
        for (int y = r.top; y >= r.bottom; --y)
            for (int x = r.left; x <= r.right; ++x)
                ASSERT_EQ(out.pixel(x - r.left, r.top - y), whole.pixel(x, 60 - y)) << x << "," << y;
    }
    EXPECT_NE(tiled->InfoText().find("Number of tiles: 6 x 4\r\nTile size: 16 x 16\r\nSize: "), std::string::npos);
}

TEST(TvmContainer, DamagedFilesAreRefusedWithTheMessage) {
    MessageCapture messages;
    std::string path = test::TempDir() + "/bad.tvm";
    FILE* f = std::fopen(path.c_str(), "wb");
    const uint8_t words[] = {0xFE, 0xFF, 0xFF, 0xFF, 1, 0, 0, 0, 0xFB, 0xFF, 0xFF, 0xFF, 10, 0, 0, 0};  // -2 1 -5 10 <eof>
    std::fwrite(words, 1, sizeof words, f);
    std::fclose(f);
    EXPECT_FALSE(TiledMap::OpenContainer(path));
    ASSERT_EQ(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0], (std::pair<std::string, std::string>{"Error loading map!", path}));
    SetMapErrorMessagesEnabled(false);
    EXPECT_FALSE(TiledMap::OpenContainer(path));
    EXPECT_EQ(messages.shown.size(), 1u);
    SetMapErrorMessagesEnabled(true);
}

TEST(TvpContainer, EmptyTilesStayBlankAndOthersDecode) {
    // Header: width 40 at 18, height 20 at 22; index at 66: two tiles of 32x32
    // (one row: 40/32+1 = 2 columns), the second empty.
    std::string jpegPath = test::TempDir() + "/tile.jpg";
    Bitmap tileImage = test::Smooth(32, 32);
    ASSERT_TRUE(test::WriteJpeg(jpegPath, tileImage, false));
    std::vector<uint8_t> jpeg;
    FILE* jf = std::fopen(jpegPath.c_str(), "rb");
    int c;
    while ((c = std::fgetc(jf)) != EOF) jpeg.push_back(static_cast<uint8_t>(c));
    std::fclose(jf);
    std::vector<uint8_t> file(66 + 2 * 16, 0);
    file[0] = 'B';
    file[1] = 'M';
    file[18] = 40;
    file[22] = 20;
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = (v >> (8 * i)) & 0xFF;
    };
    put(66, 32);  // relative to 66: data right after the index
    put(70, static_cast<uint32_t>(jpeg.size()));
    put(82, 0xFFFFFFFFu);
    file.insert(file.end(), jpeg.begin(), jpeg.end());
    std::string path = test::TempDir() + "/map.tvp";
    FILE* f = std::fopen(path.c_str(), "wb");
    std::fwrite(file.data(), 1, file.size(), f);
    std::fclose(f);
    auto map = TiledMap::OpenContainer(path);
    ASSERT_TRUE(map);
    EXPECT_EQ(map->tileWidth(), 32);
    EXPECT_EQ(map->tileColumns(), 2);
    Bitmap out;
    ASSERT_TRUE(map->DecodeRegion(PixelRect{0, 0, 39, 19}, out));
    Bitmap reference;
    ASSERT_TRUE(DecodeJpegMemory(jpeg.data(), jpeg.size(), reference));
    EXPECT_EQ(out.pixel(5, 3), reference.pixel(5, 3));
    EXPECT_EQ(out.pixel(35, 3), 0xFFFFFFFFu);  // the empty tile's part stays blank
}

}  // namespace
}  // namespace trek
