// Statistics of a walk and "statistics of/to this point".
#include <gtest/gtest.h>

#include "tests/tours/TourTestSupport.h"
#include "tours/PointStatistics.h"
#include "tours/TourRecorder.h"
#include "tours/TourTime.h"

namespace trek::test {
namespace {

using namespace tourfile;

constexpr int32_t kLon = 20100374;
constexpr int32_t kLat = 83980531;

TEST(WalkStatistics, AltitudeHysteresisAndSegments) {
    ScratchDir dir;
    Tour tour("s", dir.file("s.TUR"));
    {
        TourRecorder rec(tour, {});
        ASSERT_TRUE(rec.start());
        const int32_t alts[] = {10000, 12499, 12501, 11000};
        for (int i = 0; i < 4; ++i) {
            ASSERT_TRUE(rec.appendRecord(MakePoint(kLon + i * 1000, kLat, alts[i], uint16_t(10 + i)), false, 0, false));
        }
        // A second segment far away: the gap adds nothing.
        ASSERT_TRUE(rec.appendRecord(MakePoint(kLon + 900000, kLat, 11000, 5), false, kSegmentStartBit, false));
        ASSERT_TRUE(rec.appendRecord(MakePoint(kLon + 901000, kLat, 11000, 5), false, 0, false));
    }
    TourWalker w;
    ASSERT_TRUE(w.walk(&tour));
    const WalkStatistics& s = w.statistics();
    EXPECT_EQ(s.points, 6u);
    EXPECT_EQ(s.ascent, 2501);
    EXPECT_EQ(s.descent, 0);
    EXPECT_EQ(s.minAltitude, 10000);
    EXPECT_EQ(s.maxAltitude, 12501);
    EXPECT_EQ(s.minSpeed, 5u);
    EXPECT_EQ(s.maxSpeed, 13u);
    const double step = 1000 * 0.06378137 * std::cos(kLat * 1e-8);
    EXPECT_NEAR(s.distance, 4 * step, 0.01);
}

TEST(WalkStatistics, EmptyTourKeepsStartValues) {
    ScratchDir dir;
    Tour tour("e", dir.file("e.TUR"));
    {
        TourRecorder rec(tour, {});
        ASSERT_TRUE(rec.start());
    }
    TourWalker w;
    ASSERT_TRUE(w.walk(&tour));
    EXPECT_EQ(w.statistics().minAltitude, 2147483647);
    EXPECT_EQ(w.statistics().maxAltitude, -100000);
    EXPECT_EQ(w.statistics().points, 0u);
}

struct PointStatsFixture : ::testing::Test {
    ScratchDir dir;
    Tour tour{"Tour A", dir.file("a.TUR")};
    std::vector<uint32_t> offsets;
    const uint32_t t0 = TourTimeFromCalendar({2024, 7, 14, 10, 0, 0});
    void SetUp() override {
        TourRecorder rec(tour, {});
        ASSERT_TRUE(rec.start());
        // A waypoint first: the start time is taken from the first track point.
        ASSERT_TRUE(rec.appendRecord(MakePoint(kLon, kLat, 0, 0, t0 - 5000), true, kWaypointBit, true));
        ASSERT_TRUE(rec.appendAttached("Hotel"));
        for (int i = 0; i < 10; ++i) {
            ASSERT_TRUE(rec.appendRecord(MakePoint(kLon, kLat + i * 15679, 45050 - i * 100, 362, t0 + 100 * i), false,
                                         0, true));  // 1000 m per step
            offsets.push_back(rec.lastPointOffset());
        }
    }
};

TEST_F(PointStatsFixture, DistanceDurationAndAverage) {
    const auto s = ComputePointStatistics(tour, offsets[9]);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->startTime, t0);
    EXPECT_EQ(s->duration, 900u);
    // The waypoint lies at the first track point: the walk's distance covers 9 steps.
    EXPECT_NEAR(s->distance, 9000, 2);
    EXPECT_NEAR(s->averageSpeed, s->distance / 900 * 3.6, 1e-9);
    const std::string text = FormatPointStatistics(*s, UnitSystem::Metric, "48°N", "11°E");
    EXPECT_EQ(text.substr(0, 52), "Statistics of/to this point:\r\n\r\n14/07/2024  10:15:00");
    EXPECT_NE(text.find("\r\n48°N\r\n11°E\r\n32U, "), std::string::npos);
    EXPECT_NE(text.find("\r\n441.50 m (Height)\r\n36.2 km/h (Speed)\r\n0 Satellites, Fix: 3D\r\n"),
              std::string::npos);
    EXPECT_NE(text.find("(Distance)\r\n00:15:00 (Duration)\r\n"), std::string::npos);

    const std::string imperial = FormatPointStatistics(*s, UnitSystem::Imperial, "a", "b");
    EXPECT_NE(imperial.find("1471.66 ft (Height)\r\n22.4 mph (Speed)"), std::string::npos);  // 36.2 km/h x 1000/1609 = 22.49 -> 224
    const std::string nautical = FormatPointStatistics(*s, UnitSystem::Nautical, "a", "b");
    EXPECT_NE(nautical.find("19.5 knots (Speed)"), std::string::npos);
}

TEST_F(PointStatsFixture, FirstTrackPointHasNothingYet) {
    const auto s = ComputePointStatistics(tour, offsets[0]);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->distance, 0);
    EXPECT_EQ(s->duration, 0u);
    EXPECT_EQ(s->averageSpeed, 0);
    EXPECT_NE(FormatPointStatistics(*s, UnitSystem::Metric, "", "").find("00:00:00 (Duration)\r\n0.00 km/h"),
              std::string::npos);
    EXPECT_FALSE(ComputePointStatistics(tour, offsets[0] + 4));
}

TEST(PointStatisticsOldFiles, VersionSixHasNoDuration) {
    ScratchDir dir;
    WordFile f;
    f.oldHeader(1).ws({uint32_t(-5), 6});
    f.ws({0, kLon, kLat, 100, 5, 0, 0, 32});
    f.ws({1, kLon, kLat + 15679, 100, 5, 0, 0, 32});
    ASSERT_TRUE(f.save(dir.file("v6.TUR")));
    Tour tour("v6", dir.file("v6.TUR"));
    const auto s = ComputePointStatistics(tour, 68 + 8 + 32);
    ASSERT_TRUE(s);
    EXPECT_NEAR(s->distance, 1000, 1);
    EXPECT_EQ(s->duration, 0u);
    EXPECT_EQ(s->averageSpeed, 0);
}

}  // namespace
}  // namespace trek::test
