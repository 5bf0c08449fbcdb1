#include <gtest/gtest.h>

#include <thread>

#include "geo/GeoDistance.h"
#include "geo/GeoUnits.h"

namespace trek {
namespace {

GeoPoint Deg(double lon, double lat) { return {DegreesToGeo(lon), DegreesToGeo(lat)}; }

class GeoDistanceTest : public ::testing::Test {
protected:
    void SetUp() override { ResetGeoDistanceMode(); }
    // At 60° north, points along the parallel: the flat and the great-circle
    // values differ by metres, so a test can tell which one was returned.
    GeoPoint origin = Deg(10.0, 60.0);
    GeoPoint at99km = Deg(10.0 + 99000.0 / (111319.49 * 0.5), 60.0);
    GeoPoint at150km = Deg(10.0 + 150000.0 / (111319.49 * 0.5), 60.0);
};

TEST_F(GeoDistanceTest, KnownDistancesOnTheSphere) {
    // One degree of the equator on the sphere of 6 378 137 m.
    EXPECT_NEAR(GreatCircleDistance(Deg(0, 0), Deg(1, 0)), 111319.49, 0.05);
    EXPECT_NEAR(FlatDistance(Deg(0, 0), Deg(0, 0.01)), 1113.19, 0.05);
    // Halfway round the world.
    EXPECT_NEAR(GreatCircleDistance(Deg(0, 0), Deg(180, 0)), 20037508.34, 0.5);
    // Flat scales longitude by the cosine of the first point's latitude.
    EXPECT_NEAR(FlatDistance(Deg(0, 60), Deg(0.01, 60)), 1113.19 * 0.5, 0.01);
}

TEST_F(GeoDistanceTest, IdenticalPointsAreZeroInBothMethods) {
    const GeoPoint p = Deg(11.576124, 48.137154);
    EXPECT_EQ(GreatCircleDistance(p, p), 0.0);  // acos of a value rounded past 1 must not be NaN
    EXPECT_EQ(FlatDistance(p, p), 0.0);
}

TEST_F(GeoDistanceTest, SwitchesBetweenFlatAndGreatCircle) {
    const double flat99 = FlatDistance(origin, at99km);
    const double round99 = GreatCircleDistance(origin, at99km);
    ASSERT_LT(round99, 100000.0);
    ASSERT_GT(std::fabs(flat99 - round99), 1.0);

    EXPECT_EQ(GeoDistance(origin, at99km), flat99);
    EXPECT_FALSE(GeoDistanceInGreatCircleMode());

    EXPECT_EQ(GeoDistance(origin, at150km), GreatCircleDistance(origin, at150km));
    EXPECT_TRUE(GeoDistanceInGreatCircleMode());
    // A second long step stays in great-circle mode.
    EXPECT_EQ(GeoDistance(at150km, origin), GreatCircleDistance(at150km, origin));
    EXPECT_TRUE(GeoDistanceInGreatCircleMode());

    // Back below 100 km: the great-circle value is computed, found short, and
    // the flat value is returned.
    EXPECT_EQ(GeoDistance(origin, at99km), flat99);
    EXPECT_FALSE(GeoDistanceInGreatCircleMode());
}

TEST_F(GeoDistanceTest, ModeIsPerThread) {
    GeoDistance(origin, at150km);
    ASSERT_TRUE(GeoDistanceInGreatCircleMode());
    bool otherThreadMode = true;
    std::thread([&] { otherThreadMode = GeoDistanceInGreatCircleMode(); }).join();
    EXPECT_FALSE(otherThreadMode);
    EXPECT_TRUE(GeoDistanceInGreatCircleMode());
}

TEST_F(GeoDistanceTest, LongitudeDifferenceAcrossTheDateLineDoesNotOverflow) {
    const GeoPoint east{geo::kHalfTurn, 0}, west{-geo::kHalfTurn, 0};
    EXPECT_NEAR(FlatDistance(east, west), 2 * 20037508.34, 1.0);
    EXPECT_NEAR(GreatCircleDistance(east, west), 0.0, 1.0);
}

struct DirectionCase {
    double destLon, destLat;  // relative to a position at (0, 0)
    uint16_t courseMrad;
    int expectedMod360;       // counter-clockwise from the right, heading up
};

TEST(DestinationVector, ArrowDirectionRelativeToHeading) {
    const DirectionCase cases[] = {
        {0.0, 0.01, 0, 90},      // heading north, target north: straight up
        {0.01, 0.0, 0, 0},       // heading north, target east: to the right
        {-0.01, 0.0, 0, 180},    // heading north, target west: to the left
        {0.0, 0.01, 1571, 180},  // heading east, target north: to the left
        {0.0, -0.01, 1571, 0},   // heading east, target south: to the right
        {0.01, 0.0, 1571, 90},   // heading east, target east: ahead
    };
    for (const DirectionCase& c : cases) {
        DestinationInput in;
        in.position = Deg(0, 0);
        in.destination = Deg(c.destLon, c.destLat);
        in.averageCourse = c.courseMrad;
        in.courseReliable = true;
        DestinationState st;
        DestinationVector(in, st);
        EXPECT_EQ(st.relativeDirection % 360, c.expectedMod360) << c.destLon << "," << c.destLat << " course "
                                                                << c.courseMrad;
        EXPECT_GE(st.relativeDirection, 0);
        EXPECT_EQ(st.distance, 1113u);
    }
}

TEST(DestinationVector, KeepsDirectionWithoutReliableCourseAndReportsHeight) {
    DestinationInput in;
    in.position = Deg(8, 47);
    in.altitude = 50000;
    in.destination = Deg(8, 47.1);
    in.destinationAltitude = 62050;
    in.courseReliable = false;
    DestinationState st;
    st.relativeDirection = 123;
    DestinationVector(in, st);
    EXPECT_EQ(st.relativeDirection, 123);
    EXPECT_EQ(st.heightDifference, 12050);
    EXPECT_NEAR(st.distance, 11131.9, 1.0);

    for (int32_t none : {0, -99999}) {
        in.destinationAltitude = none;
        DestinationVector(in, st);
        EXPECT_EQ(st.heightDifference, 2147483647);
    }
}

TEST(DestinationVector, CourseReliability) {
    EXPECT_TRUE(CourseIsReliable(true, 300, 300, 300));
    EXPECT_FALSE(CourseIsReliable(false, 500, 500, 300));
    EXPECT_FALSE(CourseIsReliable(true, 299, 500, 300));
    EXPECT_FALSE(CourseIsReliable(true, 500, 299, 300));
}

}  // namespace
}  // namespace trek
