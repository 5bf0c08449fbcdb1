#include <gtest/gtest.h>

#include <cmath>

#include "geo/GeoUnits.h"
#include "geo/Utm.h"
#include "tests/geo/KruegerTm.h"

namespace trek {
namespace {

constexpr double kDeg = 0.017453292519943295;

struct UtmCase {
    double lat, lon;
    int zone;
    char band;
    int32_t easting, northing;
};

TEST(Utm, KnownPositions) {
    const UtmCase cases[] = {
        {48.0, 11.0, 32, 'U', 649188, 5318236},
        {-33.9, 18.4, 34, 'H', 259583, 6245888},  // false northing in the south
        {0.0, 3.0, 31, 'N', 500000, 0},           // central meridian on the equator
    };
    for (const UtmCase& c : cases) {
        cUTM u;
        u.SetLatLon(c.lat, c.lon);
        EXPECT_EQ(u.zone, c.zone) << c.lat << "," << c.lon;
        EXPECT_EQ(u.band, c.band);
        EXPECT_EQ(static_cast<int32_t>(u.easting), c.easting);
        EXPECT_EQ(static_cast<int32_t>(u.northing), c.northing);
    }
}

TEST(Utm, FromGeoUnitsAndInfoText) {
    // 48° is a band edge, and geo units truncate just below it: band T.
    const cUTM edge(DegreesToGeo(48.0), DegreesToGeo(11.0));
    EXPECT_NEAR(edge.latitude, 48.0, 1e-6);
    EXPECT_EQ(edge.InfoText(), "32T, 649188, 5318236");
    const cUTM u(DegreesToGeo(48.1), DegreesToGeo(11.0));
    char buf[utm::kInfoTextCapacity];
    EXPECT_EQ(u.InfoText(buf), 20u);
    EXPECT_STREQ(buf, "32U, 648899, 5329350");

    cUTM garbage;
    garbage.zone = 60;
    garbage.band = 'X';
    garbage.easting = 1e300;
    garbage.northing = -std::nan("");
    EXPECT_EQ(garbage.InfoText(), "60X, 2147483647, 0");
}

TEST(Utm, LatitudeBands) {
    const std::pair<double, char> cases[] = {
        {85.0, '*'}, {84.0, '*'}, {83.9, 'X'}, {75.0, 'X'}, {72.0, 'X'}, {71.9, 'W'}, {48.0, 'U'},
        {0.0, 'N'},  {-0.1, 'M'}, {-79.9, 'C'}, {-80.0, 'C'}, {-80.1, '*'}, {std::nan(""), '*'},
    };
    for (auto [lat, band] : cases) EXPECT_EQ(cUTM::LatitudeBand(lat), band) << lat;
}

TEST(Utm, ZoneChoiceAtTheEdges) {
    const std::pair<double, int> cases[] = {
        {0.0, 31}, {5.999, 31}, {6.0, 32}, {-0.001, 30}, {-6.0, 29}, {-179.0, 1}, {-180.0, 1}, {179.9, 60},
    };
    for (auto [lon, zone] : cases) {
        cUTM u;
        u.SetLatLon(10.0, lon);
        EXPECT_EQ(u.zone, zone) << lon;
    }
    // 180° is the western edge of zone 1, and 540° is the same meridian.
    for (double lon : {180.0, 540.0 - 360.0, -180.0}) {
        cUTM u;
        u.SetLatLon(10.0, lon);
        EXPECT_EQ(u.zone, 1);
        cUTM ref;
        ref.SetLatLon(10.0, -180.0);
        EXPECT_NEAR(u.easting, ref.easting, 1e-6);
    }
}

TEST(Utm, ForcedZoneAndRoundTrip) {
    cUTM u;
    u.SetLatLon(48.0, 11.99, 33);  // just west of the zone 33 edge
    EXPECT_EQ(u.zone, 33);
    EXPECT_LT(u.easting, 500000.0 - 200000.0);
    const cUTM back = cUTM::FromUtm(static_cast<int32_t>(u.easting), u.zone, static_cast<int32_t>(u.northing), u.band);
    EXPECT_NEAR(back.latitude, 48.0, 2e-5);
    EXPECT_NEAR(back.longitude, 11.99, 2e-5);
    EXPECT_EQ(back.band, 'U');
}

TEST(Utm, SouthernBandLettersInEitherCase) {
    cUTM u;
    u.SetLatLon(-33.9, 18.4);
    for (char band : {'H', 'h'}) {
        cUTM v;
        v.SetUtm(u.zone, band, u.easting - 0.5, u.northing - 0.5);
        EXPECT_NEAR(v.latitude, -33.9, 1e-7) << band;
        EXPECT_EQ(v.band, 'H');
    }
    // A northern letter reads the same numbers as a northern position.
    cUTM n;
    n.SetUtm(u.zone, 'N', u.easting, u.northing);
    EXPECT_GT(n.latitude, 0.0);
}

TEST(Utm, NorthingIsCappedBelowTenMillion) {
    cUTM u;
    u.SetLatLon(-0.0000001, 3.0);  // just south of the equator: false northing applied
    EXPECT_EQ(u.northing, 9999999.0);
}

TEST(Utm, MeridianArc) {
    cUTM u;
    EXPECT_EQ(u.MeridianArc(0.0), 0.0);
    EXPECT_NEAR(u.MeridianArc(90 * kDeg), 10001965.729, 0.001);  // quarter meridian of WGS84
    EXPECT_NEAR(u.MeridianArc(-45 * kDeg), -u.MeridianArc(45 * kDeg), 1e-9);
}

TEST(Utm, EllipsoidWgs84) {
    const Ellipsoid& e = Ellipsoid::Wgs84();
    EXPECT_EQ(e.SemiMajorAxis(), 6378137.0);
    EXPECT_NEAR(e.SemiMinorAxis(), 6356752.314245, 1e-6);
    EXPECT_NEAR(e.EccentricitySquared(), 0.00669437999014, 1e-14);
    EXPECT_NEAR(e.SecondEccentricitySquared(), 0.00673949674228, 1e-14);
}

// The inverse written out step by step as the classic method states it: five
// Newton steps on the meridian arc from M'/(a(1-e2)), then the series with
// nu and rho. The fast inverse must land on the same point.
void TextbookInverse(double easting, double northing, bool south, int zone, double& latDeg, double& lonDeg) {
    const double a = 6378137.0, f = 0.0033528106647474805, b = (1 / f - 1) * f * a;
    const double e2 = (a * a - b * b) / (a * a), ep2 = (a * a - b * b) / (b * b);
    const double n = (a - b) / (a + b), n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n;
    const double A0 = a * (1 - n + 5.0 / 4 * (n2 - n3) + 81.0 / 64 * (n4 - n5));
    const double A2 = 3.0 / 2 * a * (n - n2 + 7.0 / 8 * (n3 - n4) + 55.0 / 64 * n5);
    const double A4 = 15.0 / 16 * a * (n2 - n3 + 3.0 / 4 * (n4 - n5));
    const double A6 = 35.0 / 48 * a * (n3 - n4 + 11.0 / 16 * n5);
    const double A8 = 315.0 / 512 * a * (n4 - n5);
    auto arc = [&](double p) {
        return A0 * p - A2 * std::sin(2 * p) + A4 * std::sin(4 * p) - A6 * std::sin(6 * p) + A8 * std::sin(8 * p);
    };
    auto nu = [&](double p) { return a / std::sqrt(1 - e2 * std::sin(p) * std::sin(p)); };
    auto rho = [&](double p) { return a * (1 - e2) / std::pow(std::sqrt(1 - e2 * std::sin(p) * std::sin(p)), 3); };
    const double k0 = 0.9996;
    const double m = (south ? northing - 10000000.0 : northing) / k0;
    double phi = m / (a * (1 - e2));
    for (int i = 0; i < 5; ++i) phi += (m - arc(phi)) / rho(phi);
    const double t = std::tan(phi), T = t * t, C = ep2 * std::pow(std::cos(phi), 2);
    const double v = nu(phi), r = rho(phi), x = easting - 500000.0;
    const double lat = phi - t * x * x / (2 * k0 * k0 * r * v) +
                       t * (5 + 3 * T + C - 4 * C * C - 9 * T * C) * std::pow(x, 4) / (24 * std::pow(k0, 4) * r * std::pow(v, 3));
    const double lon = x / (k0 * v * std::cos(phi)) -
                       (1 + 2 * T + C) * std::pow(x, 3) / (6 * std::pow(k0, 3) * std::pow(v, 3) * std::cos(phi)) +
                       (6.0 * zone - 183.0) * kDeg;
    latDeg = lat / kDeg;
    lonDeg = lon / kDeg;
}

TEST(UtmAccuracy, InverseLandsOnTheTextbookSteps) {
    double worst = 0;
    // Whole zone, its neighbours' overlap (forced zones reach +-9 deg), both hemispheres.
    for (double lat = -80.0; lat <= 84.0; lat += 0.5) {
        for (double dl = -9.0; dl <= 9.0; dl += 0.75) {
            cUTM u;
            u.SetLatLon(lat, 9.0 + dl, 32);
            cUTM v;
            v.SetUtm(32, u.band, u.easting, u.northing);
            double refLat, refLon;
            TextbookInverse(u.easting, u.northing, lat < 0, 32, refLat, refLon);
            const double m = 6378137.0 * kDeg;
            const double d = std::hypot((v.latitude - refLat) * m, (v.longitude - refLon) * m * std::cos(lat * kDeg));
            worst = std::max(worst, d);
            ASSERT_LT(d, 1e-7) << lat << ", " << dl;
            EXPECT_EQ(v.band, cUTM::LatitudeBand(refLat)) << lat << ", " << dl;
        }
    }
    // Up to the largest northing a northern position can have, near the pole.
    for (double northing : {9300000.0, 9800000.0, 9990000.0, 9999999.0}) {
        cUTM v;
        v.SetUtm(32, 'X', 500000.0, northing);
        double refLat, refLon;
        TextbookInverse(500000.0, northing, false, 32, refLat, refLon);
        EXPECT_NEAR(v.latitude, refLat, 1e-12) << northing;
        EXPECT_NEAR(v.longitude, refLon, 1e-12) << northing;
    }
    std::printf("cUTM inverse vs textbook steps: worst %.3g m\n", worst);
}

// Against the independent Krueger series over a whole zone from 80° S to 84° N.
TEST(UtmAccuracy, ForwardWithinQuarterMetreAndInverseWithinHalfMetre) {
    const testing::KruegerTm ref;
    double worstForward = 0, worstInverse = 0;
    for (double lat = -80.0; lat <= 84.0; lat += 0.25) {
        for (double dl = -3.0; dl <= 3.0; dl += 0.125) {
            const double lon = 9.0 + dl;  // zone 32
            cUTM u;
            u.SetLatLon(lat, lon, 32);
            double x, y;
            ref.Forward(lat * kDeg, dl * kDeg, x, y);
            const double falseNorthing = lat < 0 ? 10000000.0 : 0.0;
            const double dE = u.easting - 0.5 - 500000.0 - x;
            const double dN = u.northing - 0.5 - falseNorthing - y;
            worstForward = std::max(worstForward, std::hypot(dE, dN));

            // Inverse: exact easting/northing in, compare positions in metres.
            cUTM v;
            v.SetUtm(32, lat < 0 ? 'C' : 'N', x + 500000.0, y + falseNorthing);
            const double nu = 6378137.0 / std::sqrt(1 - 0.00669437999014 * std::pow(std::sin(lat * kDeg), 2));
            const double dNorth = (v.latitude - lat) * kDeg * nu;
            const double dEast = (v.longitude - lon) * kDeg * nu * std::cos(lat * kDeg);
            worstInverse = std::max(worstInverse, std::hypot(dNorth, dEast));
        }
    }
    EXPECT_LT(worstForward, 0.25);
    EXPECT_LT(worstInverse, 0.5);
    RecordProperty("worst_forward_m", std::to_string(worstForward));
    RecordProperty("worst_inverse_m", std::to_string(worstInverse));
    std::printf("cUTM vs Krueger: worst forward %.4f m, worst inverse %.4f m\n", worstForward, worstInverse);
}

}  // namespace
}  // namespace trek
