// The recording filter of every mode, kilometre marks, time marks, pause and
// continuing after a restart.
#include <gtest/gtest.h>

#include "settings/Settings.h"
#include "tests/tours/TourTestSupport.h"
#include "tours/TourMessages.h"
#include "tours/TourRecording.h"
#include "tours/TourTime.h"

namespace trek::test {
namespace {

using namespace tourfile;

constexpr int32_t kLon = 20100374;
constexpr int32_t kLat = 83980531;

// Speeds in cm/s that give these tenths of km/h (x 36 / 100).
constexpr uint32_t k4Kmh = 112;     // 40
constexpr uint32_t k1_5Kmh = 42;    // 15
constexpr uint32_t k10Kmh = 278;    // 100
constexpr uint32_t k200Kmh = 5556;  // 2000

struct RecordingFixture : ::testing::Test {
    ScratchDir dir;
    FakeClock clock{TourTimeFromCalendar({2024, 6, 1, 8, 0, 0})};
    FlagWords savedFlags = Settings::instance().flags;
    GpsFix fix;
    std::shared_ptr<Tour> tour = std::make_shared<Tour>("rec", dir.file("rec.TUR"));
    std::unique_ptr<TourRecording> recording;

    void SetUp() override {
        TourRecorder::ResetLastTimeMark();
        FlagWords& f = Settings::instance().flags;
        f.set_fltOn(0);
        f.set_recordingPaused(0);
        fix.position.fixMode = 3;
        fix.position.satellitesUsed = 7;
    }
    void TearDown() override { Settings::instance().flags = savedFlags; }

    void start(FilterMode mode, uint32_t manual = 100) {
        FlagWords& f = Settings::instance().flags;
        f.set_recordingProfile(uint32_t(mode));
        f.set_fltDistSel(manual);
        recording = std::make_unique<TourRecording>(tour, &fix);
        ASSERT_TRUE(recording->startNew(2));
    }
    bool offer(int32_t lon, int32_t lat, uint32_t speed, uint16_t course = 0, int32_t alt = 0) {
        fix.position.lon = lon;
        fix.position.lat = lat;
        fix.position.speed = speed;
        fix.position.course = course;
        fix.position.altitude = alt;
        clock.now += 1;
        return recording->onPosition();
    }
    std::vector<TourPoint> walkPoints(RecordingWalker* out = nullptr) {
        RecordingWalker w;
        EXPECT_TRUE(w.walk(tour.get()));
        if (out) *out = w;
        return w.points();
    }
};

TEST_F(RecordingFixture, StandingStillRecordsNothing) {
    start(FilterMode::Motorised);
    for (int i = 0; i < 20; ++i) EXPECT_FALSE(offer(kLon + (i % 3) * 40, kLat - (i % 2) * 30, 0));
    EXPECT_FALSE(offer(0, 0, k10Kmh));  // no position
    EXPECT_TRUE(walkPoints().empty());
}

TEST_F(RecordingFixture, MotorisedThresholdGrowsWithSpeedUpTo120) {
    struct Row {
        uint32_t speed;
        int32_t below, above;  // northward steps in geo units
    };
    // d^2 > 2 x vcap^2: 141.4 units at 10 km/h; 1697.1 units from 120 km/h on.
    const Row rows[] = {{k10Kmh, 141, 142}, {k200Kmh, 1697, 1698}};
    start(FilterMode::Motorised);
    int32_t lat = kLat;
    ASSERT_TRUE(offer(kLon, lat, k10Kmh));
    for (const Row& r : rows) {
        EXPECT_FALSE(offer(kLon, lat + r.below, r.speed)) << r.speed;
        EXPECT_TRUE(offer(kLon, lat + r.above, r.speed)) << r.speed;
        lat += r.above;
    }
    const auto points = walkPoints();
    ASSERT_EQ(points.size(), 3u);
    EXPECT_EQ(points[1].speed, 100);
    EXPECT_EQ(points[2].speed, 2000);
    EXPECT_EQ(points[2].fix, 3);
    EXPECT_EQ(points[2].sats, 7);
}

TEST_F(RecordingFixture, MotorisedRecordsAClimbWithoutMovement) {
    start(FilterMode::Motorised);
    ASSERT_TRUE(offer(kLon, kLat, k4Kmh, 0, 10000));
    EXPECT_FALSE(offer(kLon, kLat, k4Kmh, 0, 10499));
    EXPECT_TRUE(offer(kLon, kLat, k4Kmh, 0, 10500));
}

TEST_F(RecordingFixture, OnFootRecordsBendsAtWalkingSpeedOnly) {
    start(FilterMode::OnFoot);
    EXPECT_EQ(recording->minimumDistance(), 25);
    ASSERT_TRUE(offer(kLon, kLat, k4Kmh, 0));
    EXPECT_FALSE(offer(kLon, kLat + 20, k4Kmh, 0));     // about 1.3 m, straight on
    EXPECT_TRUE(offer(kLon + 20, kLat + 20, k4Kmh, 1571));  // turned to 90 degrees
    // At 1.5 km/h the course is not sampled and the bend is not recorded.
    EXPECT_FALSE(offer(kLon + 40, kLat + 20, k1_5Kmh, 3142));
    // 25 m is recorded whatever the course: 25 / 0.06378137 = 392 units north.
    EXPECT_FALSE(offer(kLon + 20, kLat + 20 + 390, k4Kmh, 1571));
    EXPECT_TRUE(offer(kLon + 20, kLat + 20 + 393, k4Kmh, 1571));
}

TEST_F(RecordingFixture, CrossingNorthIsNoBend) {
    start(FilterMode::OnFoot);
    ASSERT_TRUE(offer(kLon, kLat, k4Kmh, 6266));        // 359 degrees
    EXPECT_FALSE(offer(kLon, kLat + 20, k4Kmh, 18));    // 1 degree
    EXPECT_FALSE(offer(kLon, kLat + 40, k4Kmh, 6266));
    EXPECT_EQ(walkPoints().size(), 1u);
}

TEST(CourseAverager, UnwrapsAroundNorth) {
    CourseAverager a;
    a.add(350);
    a.add(355);
    a.markRecorded();
    a.add(5);
    EXPECT_EQ(a.average(), (-10 - 5 + 5) / 3);
    EXPECT_EQ(a.recordedAverage(), 352 - 360);
    for (int i = 0; i < 20; ++i) a.add(10);
    EXPECT_EQ(a.count(), 10);
    EXPECT_EQ(a.average(), 10);
}

TEST(RecordingMinimumDistance, PerModeAndSource) {
    struct Row {
        FilterMode mode;
        bool dialog;
        int32_t expected;
    };
    const Row rows[] = {{FilterMode::BikeShip, false, 50}, {FilterMode::OnFoot, true, 25},
                        {FilterMode::Flying, false, 300},  {FilterMode::Flying, true, 2500},
                        {FilterMode::ManualDistance, true, 300}, {FilterMode::Motorised, false, 0}};
    for (const Row& r : rows) EXPECT_EQ(RecordingMinimumDistance(r.mode, 300, r.dialog), r.expected);
}

TEST_F(RecordingFixture, ManualDistanceMode) {
    start(FilterMode::ManualDistance, 10);
    ASSERT_TRUE(offer(kLon, kLat, k10Kmh));
    EXPECT_FALSE(offer(kLon, kLat + 150, k10Kmh));  // 9.6 m
    EXPECT_TRUE(offer(kLon, kLat + 157, k10Kmh));   // 10.01 m
}

TEST_F(RecordingFixture, KilometreMarksStartAtZeroAndFollowEvery1000m) {
    start(FilterMode::ManualDistance, 100);
    std::string told;
    SetTourMessageSink([&](const std::string& t, const std::string&) { told = t; });
    recording->setKilometreMarks(true);
    SetTourMessageSink(nullptr);
    EXPECT_EQ(told, "Es wird alle 1000m ein Zeitstempel aufgezeichnet.");
    // 200 m steps north: 3136 units.
    for (int i = 0; i <= 12; ++i) ASSERT_TRUE(offer(kLon, kLat + i * 3136, k10Kmh));
    RecordingWalker w;
    const auto points = walkPoints(&w);
    std::vector<uint32_t> markedAt;
    for (size_t i = 0; i < points.size(); ++i) {
        if (points[i].hasAttached()) markedAt.push_back(uint32_t(i));
    }
    // Marks at 0 m and after 1000 m and 2000 m of recorded distance (just
    // above 1000 m: the steps are 200.02 m).
    const std::vector<uint32_t> expected = {1, 8, 14};
    EXPECT_EQ(markedAt, expected);
    int stamps = 0;
    for (const Event& e : w.events) stamps += e.kind == "attached" && e.attached.isTimeStamp();
    EXPECT_EQ(stamps, 3);
    EXPECT_NEAR(recording->distance(), 2400, 1);
}

TEST_F(RecordingFixture, TimeMarksFixInfoAndRunEnd) {
    start(FilterMode::Motorised);
    const uint32_t begin = clock.now;
    ASSERT_TRUE(offer(kLon, kLat, k10Kmh));
    clock.now += 300;
    ASSERT_TRUE(offer(kLon, kLat + 1000, k10Kmh));
    clock.now += 400;
    ASSERT_TRUE(offer(kLon, kLat + 2000, k10Kmh));
    ASSERT_TRUE(recording->close());
    RecordingWalker w;
    walkPoints(&w);
    std::vector<std::string> kinds;
    for (const Event& e : w.events) {
        if (e.kind == "point" || e.kind == "mark" || e.kind == "fix" || e.kind == "end") kinds.push_back(e.kind);
    }
    const std::vector<std::string> expected = {"point", "mark", "fix", "point", "point", "mark", "point", "end"};
    EXPECT_EQ(kinds, expected);
    const Event& end = w.events.back();
    ASSERT_EQ(end.kind, "end");
    EXPECT_NEAR(double(end.values[0]), 2000 * 0.06378137, 1.0);
    EXPECT_EQ(end.values[2], clock.now);
    EXPECT_EQ(end.values[1], clock.now - begin);
    EXPECT_FALSE(TourStats::Load().active);
}

TEST_F(RecordingFixture, PauseStopsTheFilterAndTheLastPoint) {
    start(FilterMode::Motorised);
    ASSERT_TRUE(offer(kLon, kLat, k10Kmh));
    TourRecording::TogglePause();
    EXPECT_FALSE(offer(kLon, kLat + 5000, k10Kmh));
    ASSERT_TRUE(recording->close());
    EXPECT_EQ(walkPoints().size(), 1u);
}

TEST_F(RecordingFixture, ContinuesAfterARestart) {
    start(FilterMode::Motorised);
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(offer(kLon, kLat + i * 1000, k10Kmh));
    const double before = recording->distance();
    recording->recorder().flush();
    recording.reset();  // the program ends without closing the run

    const TourStats saved = TourStats::Load();
    EXPECT_TRUE(saved.active);
    EXPECT_EQ(saved.path, tour->path());
    EXPECT_GE(saved.points, 26u);  // saved every 25 points

    auto again = std::make_shared<Tour>("rec", saved.path);
    TourRecording resumed(again, &fix);
    ASSERT_TRUE(resumed.resume());
    // The distance continues from the last save (every 25 points).
    EXPECT_EQ(resumed.distance(), double(saved.distance));
    EXPECT_LE(saved.distance, before);
    EXPECT_GT(saved.distance, 0u);
    fix.position.lat = kLat + 40000;
    clock.now += 5;
    ASSERT_TRUE(resumed.onPosition());
    ASSERT_TRUE(resumed.close());
    EXPECT_FALSE(TourStats::Load().active);

    tour = again;
    RecordingWalker w;
    const auto points = walkPoints(&w);
    EXPECT_EQ(points.size(), 30u + 2u);  // the new point and the closing point
    int runStarts = 0;
    for (const Event& e : w.events) runStarts += e.kind == "start";
    EXPECT_EQ(runStarts, 2);
    TourRecording third(std::make_shared<Tour>("rec", saved.path), &fix);
    EXPECT_FALSE(third.resume());
}

}  // namespace
}  // namespace trek::test
