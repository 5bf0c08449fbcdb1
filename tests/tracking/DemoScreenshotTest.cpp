// The demo samples end to end: the sample map found by a catalogue scan, the
// walk replayed through the NMEA decoder into a 480 x 640 view that follows
// it while a tour is recorded, and screenshots checked for the essentials.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "gps/GpsDecoder.h"
#include "gps/GpsFix.h"
#include "tests/tracking/TrackingFixtures.h"
#include "tours/TourRecorder.h"
#include "ui/views/PoiSymbols.h"

namespace trek {
namespace {

using test::CountPixels;

class DemoTest : public ::testing::Test {
protected:
    void SetUp() override {
        f.flags.set_scalebar(1);
        f.flags.set_mapName(1);
        f.flags.set_zoomButtons(1);
        f.flags.set_northArrow(1);
        f.flags.set_utmGrid(1);
        f.flags.set_tourPoi(1);
        f.flags.set_tourPoiSym(1);
        f.catalogue.ScanMaps(test::SourceDir() + "/samples/map/");
        symbols.scan(test::SourceDir() + "/samples/poi/");
        TrackingView::Environment env;
        env.flags = &f.flags;
        env.catalogue = &f.catalogue;
        env.symbols = &symbols;
        env.displayScale = [] { return 1; };
        env.dpi = [] { return 96; };
        env.split = [] { return false; };
        view = std::make_unique<TrackingView>(ViewKind::TrackingA, nullptr, env);
        view->setSize(480, 640);
        view->setScale(MapPosition{}.scale);  // the scale of a first start
        view->setMode(ViewMode::Follow);
        shots = std::string(TREK_BIN_DIR) + "/../tracking-shots";
        ::mkdir(shots.c_str(), 0755);
    }

    // Checks a picture for the map, the track and the arrow, and keeps it.
    void CheckShot(const std::string& name, int minTrackPixels) {
        const platform::Bitmap& bmp = view->render();
        ASSERT_EQ(bmp.width(), 480);
        bmp.writePng(shots + "/" + name + ".png");
        const int background = CountPixels(bmp, TrackingView::kBackground);
        EXPECT_LT(background, 480 * 640 * 3 / 4) << name << ": the map covers a good part of the view";
        EXPECT_GE(CountPixels(bmp, 0x0000FF), minTrackPixels) << name << ": track in red";
        const platform::Point at = view->projection().toScreen(view->gpsPosition());
        EXPECT_EQ(platform::PixelToColorRef(bmp.pixel(at.x, at.y)), 0x0000FFu) << name << ": arrow at the position";
        EXPECT_GT(CountPixels(bmp, 0x000000, {at.x - 20, at.y - 20, at.x + 21, at.y + 21}), 10) << name << ": arrow rim";
        EXPECT_TRUE(at.x >= 0 && at.y >= 0 && at.x < 480 && at.y < 640);
    }

    test::ViewFixture f{480, 640};
    PoiSymbolLibrary symbols;
    std::unique_ptr<TrackingView> view;
    std::string shots;
};

TEST_F(DemoTest, TheWalkIsFollowedOnTheSampleMapAndRecorded) {
    ASSERT_EQ(f.catalogue.list(kMapTypeRaster).count, 1);
    test::ScratchDir dir;
    Tour tour("walk", dir.file("walk.TUR"));
    TourRecorder::Options options;
    options.timeMarks = false;
    options.periodicSync = false;
    TourRecorder recorder(tour, options);
    ASSERT_TRUE(recorder.start());
    view->setExtraTours({&tour});

    std::ifstream log(test::SourceDir() + "/samples/map/walk.nmea");
    ASSERT_TRUE(log);
    GpsDecoder decoder;
    GpsFix fix;
    std::string line;
    int fixes = 0, mapRedraws = 0;
    const std::map<int, std::string> moments = {{60, "walk-start"}, {250, "walk-middle"}, {501, "walk-end"}};
    while (std::getline(log, line)) {
        decoder.parseLine(line.c_str());
        if (line.compare(3, 3, "RMC") != 0) continue;
        decoder.snapshot(fix);
        ++fixes;
        TourPoint point;
        point.lon = fix.position.lon;
        point.lat = fix.position.lat;
        point.time = 1000000 + fixes;
        if (fixes % 5 == 0) {
            recorder.appendRecord(point, fixes == 150, 0, true);
            if (fixes == 150) recorder.appendAttached("Hotel");
            recorder.flush();
        }
        const int before = view->renderCount();
        view->onPosition(fix);
        view->render();
        mapRedraws += view->renderCount() != before;
        if (auto it = moments.find(fixes); it != moments.end()) CheckShot(it->second, 30 + fixes / 10);
    }
    EXPECT_EQ(fixes, 502);
    ASSERT_NE(view->currentMap(), nullptr);
    EXPECT_EQ(view->currentMap()->name, "Trekvane demo hills");
    EXPECT_EQ(view->scale(), 8600);  // the map (own scale 8748) accepts it
    // Most positions only moved the arrow.
    EXPECT_LT(mapRedraws, fixes / 4);
    EXPECT_GT(view->spriteMoves(), fixes / 2);
}

}  // namespace
}  // namespace trek
