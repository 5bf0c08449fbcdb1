// The import frame: dispatch by extension, the tour beside its source, the
// worker thread with its messages and event, and what a failure leaves behind.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/exchange/RecordingSink.h"
#include "tests/exchange/TourFixture.h"
#include "tours/exchange/TourImport.h"

namespace trek {
namespace {

struct Observer : ImportObserver {
    std::vector<std::pair<std::string, std::string>> messages;
    std::vector<int> progress;
    std::string started;
    std::string finishedPath;
    void importStarted(const std::string& text) override { started = text; }
    void importProgress(int percent) override { progress.push_back(percent); }
    void importMessage(const std::string& text, const std::string& caption) override {
        messages.emplace_back(text, caption);
    }
    void importFinished(const std::string& path, bool) override { finishedPath = path; }
};

TEST(ImportDispatch, ExtensionsChooseImporterKindAndText) {
    struct Case {
        const char* path;
        int kind;
        const char* text;
    } cases[] = {
        {"/a/walk.GPX", 0, "Importing GPX file..."}, {"x.kml", 0, "Importing KML file..."},
        {"x.Loc", 2, "Importing LOC file..."},       {"x.csv", 2, "Importing CSV file..."},
        {"x.OV2", 2, "Importing ov2 file..."},       {"x.txt", 1, "Importing TXT file..."},
        {"x.tab", 1, "Importing TXT file..."},       {"x.tur", 0, ""},
    };
    for (const Case& c : cases) {
        const ImportFormat* f = FindImportFormat(c.path);
        ASSERT_TRUE(f) << c.path;
        EXPECT_EQ(f->kind, c.kind) << c.path;
        EXPECT_EQ(f->progressText, c.text) << c.path;
    }
    for (const char* path : {"x.doc", "x", "dir.gpx/file", ".gpx.bak"}) EXPECT_FALSE(FindImportFormat(path)) << path;
    EXPECT_EQ(TourImport::TargetPathFor("/data/trips/walk.gpx"), "/data/trips/walk.TUR");
}

class ImportFrame : public ::testing::Test {
protected:
    std::string source(const std::string& name, const std::string& bytes) {
        std::string path = dir_.file(name);
        test::WriteFile(path, bytes);
        return path;
    }
    TourImport::Start run(const std::string& path, int kind = 1, const std::string& recording = "") {
        ImportRequest request{path, "", kind, recording};
        TourImport::Start s = import_.start(request, observer_);
        if (s == TourImport::Start::Started) {
            EXPECT_TRUE(WaitImportFinished(10000));
            import_.join();
        }
        return s;
    }
    test::TempFolder dir_;
    Observer observer_;
    TourImport import_;
    test::ScopedTimeZone tz_{"UTC0"};
};

TEST_F(ImportFrame, GpxBecomesATourBesideItsSource) {
    std::string path = source("walk.gpx", test::Fixture("garmin10.gpx"));
    ASSERT_EQ(run(path), TourImport::Start::Started);
    EXPECT_EQ(observer_.started, "Importing GPX file...");
    ASSERT_EQ(observer_.messages.size(), 1u);
    EXPECT_EQ(observer_.messages[0].first, "5 track points and 1 waypoints/POI's imported!");
    EXPECT_EQ(observer_.messages[0].second, "Tour Import");
    EXPECT_EQ(observer_.finishedPath, dir_.file("walk.TUR"));
    EXPECT_EQ(observer_.progress.back(), 100);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("walk.TUR.part")));

    auto points = test::ReadTour(dir_.file("walk.TUR"));
    ASSERT_EQ(points.size(), 6u);
    EXPECT_TRUE(points[0].poi);
    EXPECT_TRUE(points[0].point.isWaypoint());
    EXPECT_EQ(points[0].symbol, "Flag, Blue");
    EXPECT_EQ(points[0].name, "BAHNHOF");
    EXPECT_TRUE(points[1].point.isSegmentStart());
    EXPECT_TRUE(points[3].point.isSegmentStart());
    EXPECT_TRUE(points[5].point.isSegmentStart());
    EXPECT_EQ(points[5].point.alt, -250);
    Tour tour("walk", dir_.file("walk.TUR"));
    ASSERT_TRUE(tour.readHeader());
    EXPECT_EQ(tour.kind(), Tour::kTour);
    EXPECT_EQ(tour.visible(), 1);
}

TEST_F(ImportFrame, PlacemarkTextsWrittenBeforeTheirPoisStillBelongToThem) {
    std::string path = source("trip.kml", test::Fixture("earth.kml"));
    ASSERT_EQ(run(path, Tour::kSinglePoi), TourImport::Start::Started);
    auto points = test::ReadTour(dir_.file("trip.TUR"));
    ASSERT_EQ(points.size(), 8u);
    EXPECT_EQ(points[6].symbol, "Hotel");
    EXPECT_EQ(points[6].name, "Inn & Bar");
    EXPECT_EQ(points[6].description, "Nice \"beds\". open 8-22  \r\nclosed Mondays");
    EXPECT_EQ(points[7].name, "Late name");
    Tour tour("trip", dir_.file("trip.TUR"));
    ASSERT_TRUE(tour.readHeader());
    EXPECT_EQ(tour.kind(), Tour::kSinglePoi);
    EXPECT_EQ(tour.description(), "Our trip  \r\nin spring");
}

TEST_F(ImportFrame, LocIsAlwaysAPoiCollection) {
    std::string path = source("caches.loc", test::Fixture("geocaching.loc"));
    ASSERT_EQ(run(path, Tour::kTour), TourImport::Start::Started);
    Tour tour("caches", dir_.file("caches.TUR"));
    ASSERT_TRUE(tour.readHeader());
    EXPECT_EQ(tour.kind(), Tour::kSinglePoi);
}

TEST_F(ImportFrame, BrokenFileKeepsTheTourItWouldReplace) {
    std::string good = source("walk.gpx", test::Fixture("garmin10.gpx"));
    ASSERT_EQ(run(good), TourImport::Start::Started);
    const std::string before = test::ReadFile(dir_.file("walk.TUR"));
    std::string broken = test::Fixture("garmin10.gpx");
    broken.resize(broken.find("<trk>") + 40);
    source("walk.gpx", broken);
    observer_.messages.clear();
    ASSERT_EQ(run(good), TourImport::Start::Started);
    EXPECT_FALSE(import_.result().ok);
    EXPECT_FALSE(import_.result().stored);
    ASSERT_EQ(observer_.messages.size(), 2u);
    EXPECT_EQ(observer_.messages[0].first.rfind("Error GPS file!\r\nLine=", 0), 0u);
    EXPECT_EQ(observer_.messages[1].first, "2 track points and 1 waypoints/POI's imported!");
    EXPECT_EQ(test::ReadFile(dir_.file("walk.TUR")), before);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("walk.TUR.part")));
}

TEST_F(ImportFrame, BrokenFileWithoutEarlierTourKeepsThePointsBeforeTheError) {
    std::string broken = test::Fixture("garmin10.gpx");
    broken.resize(broken.find("<trk>") + 40);
    ASSERT_EQ(run(source("part.gpx", broken)), TourImport::Start::Started);
    EXPECT_TRUE(import_.result().stored);
    EXPECT_EQ(test::ReadTour(dir_.file("part.TUR")).size(), 3u);  // the waypoint and the route
}

TEST_F(ImportFrame, RefusesWhatCannotOrMustNotRun) {
    EXPECT_EQ(run(dir_.file("missing.gpx")), TourImport::Start::CannotOpen);
    EXPECT_EQ(run(source("notes.doc", "x")), TourImport::Start::UnknownExtension);
    EXPECT_EQ(run(source("old.tur", "x")), TourImport::Start::TourFile);
    std::string path = source("live.gpx", test::Fixture("garmin10.gpx"));
    // The tour being recorded is never replaced by an import.
    EXPECT_EQ(run(path, 1, dir_.path() + "/./live.TUR"), TourImport::Start::TargetIsRecording);
    EXPECT_FALSE(std::filesystem::exists(dir_.file("live.TUR")));
    EXPECT_FALSE(WaitImportFinished(0));
}

}  // namespace
}  // namespace trek
