// Tours written to GPX or TXT by the export and read back by the import keep
// every point: position to the precision of the format, altitude, speed,
// time, segments, and waypoints with symbol, name and description.
#include <gtest/gtest.h>

#include "tests/exchange/RecordingSink.h"
#include "tests/exchange/TourFixture.h"
#include "tours/exchange/ExchangeTime.h"
#include "tours/exchange/TourExport.h"
#include "tours/exchange/TourImport.h"

namespace trek {
namespace {

using test::PoiSpec;
using test::ReadPoint;

struct QuietObserver : ImportObserver {
    std::vector<std::string> messages;
    void importMessage(const std::string& text, const std::string&) override { messages.push_back(text); }
};

uint32_t Local(int y, int mo, int d, int h, int mi, int s) { return *ExchangeTime{y, mo, d, h, mi, s}.toTourTime(); }

TourPoint Point(double lat, double lon, int32_t alt, uint16_t speed, uint32_t time) {
    TourPoint p;
    p.lat = DegreesToGeoRounded(lat);
    p.lon = DegreesToGeoRounded(lon);
    p.alt = alt;
    p.speed = speed;
    p.time = time;
    return p;
}

class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override {
        Tour tour("walk", dir_.file("walk.TUR"));
        TourRecorder::Options options;
        options.timeMarks = false;
        TourRecorder recorder(tour, options);
        ASSERT_TRUE(recorder.start());
        const PoiSpec hut{"Hut", "Alte H\xC3\xBCtte & 'Bar'", "Open <daily>\r\nBeds: 20"};
        const PoiSpec flag{"Summit", "Start", ""};
        using test::AppendPoint;
        // Winter and summer times, both sides of the equator and of Greenwich,
        // negative altitudes above and below one metre, a second segment.
        AppendPoint(recorder, tour, Point(47.3769, 8.5417, 40850, 123, Local(2021, 1, 10, 8, 0, 0)), tourfile::kSegmentStartBit);
        AppendPoint(recorder, tour, Point(47.3770, 8.5418, -50, 0, Local(2021, 1, 10, 8, 0, 5)), 0);
        AppendPoint(recorder, tour, Point(47.3771, 8.5419, -250, 655, Local(2021, 1, 10, 8, 0, 9)), 0);
        AppendPoint(recorder, tour, Point(47.40, 8.60, 50000, 10, Local(2021, 7, 1, 12, 0, 0)), 0, &hut);
        AppendPoint(recorder, tour, Point(-33.8568, -151.2153, 1, 5, Local(2021, 7, 1, 12, 30, 0)), tourfile::kSegmentStartBit);
        AppendPoint(recorder, tour, Point(-33.8569, -151.2154, 99, 6, Local(2021, 10, 31, 1, 59, 59)), 0);
        AppendPoint(recorder, tour, Point(0.0001, -0.0001, 0, 0, Local(2021, 10, 31, 3, 0, 0)), 0);
        AppendPoint(recorder, tour, Point(52.5, 13.4, 3400, 0, Local(2021, 8, 1, 9, 0, 0)), tourfile::kWaypointBit, &flag);
    }

    std::vector<ReadPoint> ExportAndImport(ExportOptions options, const char* extension) {
        Tour tour("walk", dir_.file("walk.TUR"));
        EXPECT_TRUE(tour.readHeader());
        auto reports = ExportTour(tour, dir_.path(), options);
        EXPECT_EQ(reports.size(), 1u);
        EXPECT_TRUE(reports[0].written);
        EXPECT_EQ(reports[0].path, dir_.file(std::string("walk") + extension));
        QuietObserver observer;
        TourImport import;
        ImportRequest request{reports[0].path, dir_.file("back.TUR"), 1, ""};
        EXPECT_EQ(import.start(request, observer), TourImport::Start::Started);
        import.join();
        EXPECT_TRUE(import.result().ok) << import.result().error;
        return test::ReadTour(dir_.file("back.TUR"));
    }

    static void ExpectSamePoint(const ReadPoint& a, const ReadPoint& b) {
        EXPECT_EQ(a.point.lon, b.point.lon);
        EXPECT_EQ(a.point.lat, b.point.lat);
        EXPECT_EQ(a.point.alt, b.point.alt);
        EXPECT_EQ(a.point.time, b.point.time);
        EXPECT_EQ(a.poi, b.poi);
        EXPECT_EQ(a.symbol, b.symbol);
        EXPECT_EQ(a.name, b.name);
        EXPECT_EQ(a.description, b.description);
    }

    test::TempFolder dir_;
    test::ScopedTimeZone tz_{"CET-1CEST,M3.5.0,M10.5.0/3"};
};

std::vector<ReadPoint> Select(const std::vector<ReadPoint>& all, bool waypoints) {
    std::vector<ReadPoint> out;
    for (const ReadPoint& p : all) {
        if (p.point.isWaypoint() == waypoints) out.push_back(p);
    }
    return out;
}

TEST_F(RoundTrip, GpxKeepsTrackAndWaypoints) {
    auto original = test::ReadTour(dir_.file("walk.TUR"));
    ASSERT_EQ(original.size(), 8u);
    auto back = ExportAndImport(ExportOptions{}, ".GPX");
    // GPX holds the POIs apart from the track, as waypoints: a POI on a track
    // point comes back as that track point plus a waypoint.
    auto tracks = Select(original, false), backTracks = Select(back, false);
    ASSERT_EQ(backTracks.size(), tracks.size());
    for (size_t i = 0; i < tracks.size(); ++i) {
        SCOPED_TRACE("track point " + std::to_string(i));
        EXPECT_EQ(backTracks[i].point.lon, tracks[i].point.lon);
        EXPECT_EQ(backTracks[i].point.lat, tracks[i].point.lat);
        EXPECT_EQ(backTracks[i].point.alt, tracks[i].point.alt);
        EXPECT_EQ(backTracks[i].point.time, tracks[i].point.time);
        EXPECT_EQ(backTracks[i].point.speed, tracks[i].point.speed);
        EXPECT_EQ(backTracks[i].point.isSegmentStart(), tracks[i].point.isSegmentStart());
    }
    std::vector<ReadPoint> pois;
    for (const ReadPoint& p : original) {
        if (p.poi) pois.push_back(p);
    }
    auto backWaypoints = Select(back, true);
    ASSERT_EQ(pois.size(), 2u);
    ASSERT_EQ(backWaypoints.size(), pois.size());
    for (size_t i = 0; i < pois.size(); ++i) {
        SCOPED_TRACE("waypoint " + std::to_string(i));
        ExpectSamePoint(pois[i], backWaypoints[i]);
    }
}

TEST_F(RoundTrip, GpxWithoutSpeedExtensionLosesOnlySpeed) {
    ExportOptions options;
    options.speedExtension = false;
    options.gpxVersion = '0';
    auto back = Select(ExportAndImport(options, ".GPX"), false);
    ASSERT_EQ(back.size(), 7u);
    for (const ReadPoint& p : back) EXPECT_EQ(p.point.speed, 0);
}

TEST_F(RoundTrip, TxtKeepsEveryPointInOrder) {
    auto original = test::ReadTour(dir_.file("walk.TUR"));
    ExportOptions options;
    options.gpx = false;
    options.txt = true;
    auto back = ExportAndImport(options, ".TXT");
    ASSERT_EQ(back.size(), original.size());
    for (size_t i = 0; i < original.size(); ++i) {
        SCOPED_TRACE("point " + std::to_string(i));
        // TXT writes 7 decimals: within a tenth of a geo unit, so exact after
        // rounding. A line per point: line breaks in texts become blanks.
        ReadPoint expected = original[i];
        for (char& c : expected.description) {
            if (c == '\r' || c == '\n') c = ' ';
        }
        ExpectSamePoint(expected, back[i]);
        EXPECT_EQ(back[i].point.speed, original[i].point.speed);
        EXPECT_EQ(back[i].point.isSegmentStart(), original[i].point.isSegmentStart());
    }
}

}  // namespace
}  // namespace trek
