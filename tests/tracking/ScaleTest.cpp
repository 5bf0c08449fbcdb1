// Zoom steps, the scale bar, the UTM grid spacing and cursor scrolling.
#include <gtest/gtest.h>

#include "tests/tracking/TrackingFixtures.h"
#include "ui/views/ScaleBar.h"
#include "ui/views/ScaleList.h"
#include "ui/views/UtmGrid.h"
#include "ui/views/ViewGeometry.h"

namespace trek {
namespace {

std::vector<int32_t> Values(const ScaleList& list) {
    std::vector<int32_t> v;
    for (size_t i = 0; i < list.size(); ++i) v.push_back(list.at(i));
    return v;
}

TEST(ScaleListTest, StartsWithTheStandardStepsAt25000) {
    ScaleList list;
    EXPECT_EQ(Values(list), std::vector<int32_t>({1000, 2500, 5000, 10000, 25000, 50000, 100000, 250000, 500000,
                                                  1000000, 2500000, 5000000, 10000000, 25000000, 50000000, 100000000,
                                                  250000000, 500000000}));
    EXPECT_EQ(list.current(), 25000);
    EXPECT_EQ(list.at(list.size()), 0);  // ended by 0
}

TEST(ScaleListTest, InsertKeepsOrderAndCurrentValueAndRefusesOutsiders) {
    ScaleList list;
    EXPECT_TRUE(list.insert(3000));
    EXPECT_FALSE(list.insert(3000));       // duplicate
    EXPECT_FALSE(list.insert(99));         // below 100
    EXPECT_FALSE(list.insert(500000001));  // above the largest scale
    EXPECT_TRUE(list.insert(100));
    EXPECT_EQ(list.current(), 25000);
    EXPECT_EQ(list.at(0), 100);
    EXPECT_EQ(list.at(2), 2500);
    EXPECT_EQ(list.at(3), 3000);
    // Capacity: 64 values at most.
    for (int32_t v = 200; v < 1000; v += 10) list.insert(v);
    EXPECT_EQ(list.size(), ScaleList::kCapacity);
    EXPECT_EQ(list.current(), 25000);
}

TEST(ScaleListTest, ZoomStopsAtBothEnds) {
    ScaleList list;
    list.setIndex(list.size() - 1);
    EXPECT_EQ(list.current(), 500000000);
    EXPECT_FALSE(list.step(+1));
    EXPECT_EQ(list.current(), 500000000);
    list.setIndex(0);
    EXPECT_FALSE(list.step(-1));
    EXPECT_EQ(list.current(), 1000);
    EXPECT_TRUE(list.step(+1));
    EXPECT_EQ(list.current(), 2500);
}

TEST(ScaleListTest, MapStepsReplaceTheStandardStepsAroundTheOwnScale) {
    ScaleList list;
    list.addMapSteps(8000);
    // [8000/6, 96000] loses 2500, 5000, 10000, 25000, 50000 and gains the map's steps.
    EXPECT_EQ(Values(list), std::vector<int32_t>({1000, 2001, 4001, 6001, 8000, 12000, 16000, 32000, 64000, 100000,
                                                  250000, 500000, 1000000, 2500000, 5000000, 10000000, 25000000,
                                                  50000000, 100000000, 250000000, 500000000}));
    EXPECT_EQ(list.current(), 32000);  // nearest to the 25000 that was current
    list.removeMapSteps(8000);
    EXPECT_EQ(Values(list), Values(ScaleList()));
    EXPECT_EQ(list.current(), 25000);
}

TEST(ScaleListTest, NearestValueSearch) {
    ScaleList list;
    EXPECT_EQ(list.at(list.nearestIndex(7400)), 5000);
    EXPECT_EQ(list.at(list.nearestIndex(7600)), 10000);
    EXPECT_EQ(list.at(list.nearestIndex(2000000000)), 500000000);
}

TEST(ScaleBarTest, RoundsUpAndLabelsInEveryUnitSystem) {
    struct Case {
        double target;
        UnitSystem units;
        double metres;
        const char* label;
    } cases[] = {
        {300, UnitSystem::Metric, 400, "400m"},
        {760, UnitSystem::Metric, 1000, "1km"},
        {1500, UnitSystem::Metric, 2000, "2km"},
        {2400, UnitSystem::Metric, 2500, "2.5km"},
        {7000, UnitSystem::Metric, 7500, "7.5km"},
        {10, UnitSystem::Metric, 10, "10m"},
        {3.3, UnitSystem::Metric, 4, "4m"},
        // 100 m = 62.1 thousandths of a mile = 328 ft -> 400 ft.
        {100, UnitSystem::Imperial, 400 / 5.280 / 0.6213712, "400ft"},
        // 5000 m = 3.107 mi -> 4 mi; 2000 m = 1.243 mi -> 2 mi; 3500 m = 2.17 mi -> 2.5 mi.
        {5000, UnitSystem::Imperial, 4000 / 0.6213712, "4mi"},
        {2000, UnitSystem::Imperial, 2000 / 0.6213712, "2mi"},
        {3500, UnitSystem::Imperial, 2500 / 0.6213712, "2.5mi"},
        // 3000 m = 1.62 nm -> 2 nm; 100 m = 54 thousandths -> 328 ft -> 400 ft.
        {3000, UnitSystem::Nautical, 2000 / 0.5399568, "2nm"},
        {100, UnitSystem::Nautical, 400 / 6.07612 / 0.5399568, "400ft"},
    };
    for (const Case& c : cases) {
        const ScaleBarValue v = ScaleBarFor(c.target, c.units);
        EXPECT_EQ(v.label, c.label) << c.target;
        EXPECT_NEAR(v.metres, c.metres, 1e-6) << c.target;
    }
    EXPECT_DOUBLE_EQ(RoundScaleValue(1.0), 1.0);
    EXPECT_DOUBLE_EQ(RoundScaleValue(0.031), 0.04);
    EXPECT_DOUBLE_EQ(RoundScaleValue(0), 0);
}

TEST(UtmGridTest, SpacingFollowsTheScale) {
    EXPECT_EQ(UtmGridSpacing(100001, true), 10000);
    EXPECT_EQ(UtmGridSpacing(100000, true), 1000);
    EXPECT_EQ(UtmGridSpacing(4999999, true), 10000);
    EXPECT_EQ(UtmGridSpacing(5000000, true), 0);
    EXPECT_EQ(UtmGridSpacing(25000, false), 0);  // only over a map
}

TEST(ScrollTest, CursorStepsMoveByWholeAndHalfViews) {
    // At the equator cos = 1: a whole view east is w x scale / 279.
    const GeoPoint c{0, 0};
    EXPECT_EQ(CursorStep(c, 27900, 400, 300, 1, 0), (GeoPoint{40000, 0}));
    EXPECT_EQ(CursorStep(c, 27900, 400, 300, -2, 0), (GeoPoint{-20000, 0}));
    EXPECT_EQ(CursorStep(c, 27900, 400, 300, 0, 1), (GeoPoint{0, -30000}));  // south
    // At 60 degrees a longitude step is twice as many units.
    const int32_t lat60 = DegreesToGeo(60);
    EXPECT_EQ(CosineOfLatitude(lat60), 5000);
    EXPECT_EQ(CursorStep({0, lat60}, 27900, 400, 300, 1, 0).lon, 80000);
    // Large scales divide first and stay exact in range.
    const GeoPoint far = CursorStep({0, 0}, 279000000, 400, 300, 1, 0);
    EXPECT_EQ(far.lon, view::kLonClamp);  // 400 x 1e6 units is beyond 180 degrees
}

TEST(ScrollTest, ScrollingPastThePolesAndTheDateLineIsClamped) {
    const GeoPoint nearPole{0, DegreesToGeo(79)};
    const GeoPoint north = CursorStep(nearPole, 50000000, 400, 400, 0, -1);
    EXPECT_EQ(north.lat, view::kLatClamp);
    EXPECT_NEAR(GeoToDegrees(north.lat), 80.0, 1e-6);
    EXPECT_EQ(ClampCentre({-400000000, -200000000}), (GeoPoint{-view::kLonClamp, -view::kLatClamp}));
    EXPECT_EQ(ClampCentre({100, 200}), (GeoPoint{100, 200}));
}

TEST(ScrollTest, BackgroundConversionsInvertEachOther) {
    ViewProjection p({1000000, 2000000}, 27900, 400, 300, nullptr);
    const GeoPoint g = p.toGeo(300, 50);
    EXPECT_EQ(g, (GeoPoint{1010000, 2010000}));
    EXPECT_EQ(BackgroundLongitude(1000000, 400, 300, 27900), 1010000);
    EXPECT_EQ(BackgroundLatitude(2000000, 300, 50, 27900), 2010000);
    EXPECT_EQ(p.toScreen(g), (platform::Point{300, 50}));
    EXPECT_EQ(BackgroundLatitude(0, 300, -100000, 500000000), view::kLatLimit);
}

}  // namespace
}  // namespace trek
