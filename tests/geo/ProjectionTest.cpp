#include <gtest/gtest.h>

#include <cmath>

#include "geo/GeoUnits.h"
#include "geo/Projection.h"

namespace trek {
namespace {

constexpr double kDeg = 0.017453292519943295;

Projection Make(ProjectionKind kind, std::initializer_list<double> degrees) {
    double rad[4];
    size_t n = 0;
    for (double d : degrees) rad[n++] = d * kDeg;
    auto p = Projection::Make(kind, rad, n);
    EXPECT_TRUE(p.has_value());
    return p.value_or(Projection{});
}

TEST(Projection, KindsByNameAndShortName) {
    ASSERT_EQ(ProjectionKinds().size(), 4u);
    EXPECT_EQ(FindProjectionKind("Lambert Azimuthual Equal Area")->kind, ProjectionKind::LambertAzimuthalEqualArea);
    EXPECT_EQ(FindProjectionKind("Transverse Mercator")->kind, ProjectionKind::TransverseMercator);
    EXPECT_EQ(FindProjectionKind("lcc")->angleCount, 4);
    EXPECT_EQ(FindProjectionKind("mercator")->name, "Mercator");
    EXPECT_EQ(FindProjectionKind("OSM"), nullptr);  // a calibration kind of its own
    EXPECT_EQ(FindProjectionKind("transverse mercator"), nullptr);
}

TEST(Projection, ParameterSetsAreChecked) {
    const double two[2] = {0.1, 0.2}, four[4] = {0.1, 0.5, 0.6, 0.8};
    EXPECT_FALSE(Projection::Make(ProjectionKind::Mercator, four, 4));
    EXPECT_FALSE(Projection::Make(ProjectionKind::LambertConformalConic, two, 2));
    const double symmetric[4] = {0, 0, 0.5, -0.5};  // no cone: n = 0
    EXPECT_FALSE(Projection::Make(ProjectionKind::LambertConformalConic, symmetric, 4));
    const double notFinite[2] = {NAN, 0};
    EXPECT_FALSE(Projection::Make(ProjectionKind::TransverseMercator, notFinite, 2));
}

TEST(Projection, MercatorValues) {
    const Projection p = Make(ProjectionKind::Mercator, {10, 50});
    double x, y;
    ASSERT_TRUE(p.ForwardGeo({DegreesToGeo(10.0), 78539816}, x, y));
    EXPECT_NEAR(y, 0.8813735870, 1e-8);  // ln(tan 67.5°); the geo units fall 3e-9 rad short
    EXPECT_NEAR(x, 0.0, 1e-8);
    GeoPoint g;
    ASSERT_TRUE(p.InverseGeo(0.0, 0.0, g));
    EXPECT_EQ(g.lat, 0);
    EXPECT_EQ(g.lon, 17453292);
}

TEST(Projection, CentreValues) {
    double x, y;
    const Projection tm = Make(ProjectionKind::TransverseMercator, {9, 0});
    ASSERT_TRUE(tm.Forward(9 * kDeg, 47 * kDeg, x, y));
    EXPECT_NEAR(x, 0.0, 1e-15);
    EXPECT_NEAR(y, 47 * kDeg, 1e-15);

    const Projection laea = Make(ProjectionKind::LambertAzimuthalEqualArea, {10, 52});
    ASSERT_TRUE(laea.Forward(10 * kDeg, 52 * kDeg, x, y));
    EXPECT_NEAR(x, 0.0, 1e-15);
    EXPECT_NEAR(y, 0.0, 1e-15);
    double lon, lat;
    ASSERT_TRUE(laea.Inverse(0.0, 0.0, lon, lat));  // the centre itself inverts too
    EXPECT_DOUBLE_EQ(lon, 10 * kDeg);
    EXPECT_DOUBLE_EQ(lat, 52 * kDeg);

    // Equal area: a small square near the centre keeps its area on the unit sphere.
    double x1, y1, x2, y2;
    laea.Forward(10 * kDeg, 52 * kDeg, x1, y1);
    laea.Forward(10.01 * kDeg, 52.01 * kDeg, x2, y2);
    const double area = (x2 - x1) * (y2 - y1);
    EXPECT_NEAR(area / (0.01 * kDeg * 0.01 * kDeg * std::cos(52.005 * kDeg)), 1.0, 1e-3);
}

TEST(Projection, ConicConstantsAndReferenceParallel) {
    const Projection p = Make(ProjectionKind::LambertConformalConic, {10, 52, 35, 65});
    const auto t = [](double deg) { return std::tan(M_PI / 4 + deg * kDeg / 2); };
    EXPECT_NEAR(p.n, std::log(std::cos(35 * kDeg) / std::cos(65 * kDeg)) / std::log(t(65) / t(35)), 1e-15);
    EXPECT_NEAR(p.F, std::cos(35 * kDeg) / std::pow(t(35), p.n), 1e-15);
    double x, y;
    ASSERT_TRUE(p.Forward(10 * kDeg, 52 * kDeg, x, y));  // origin of the grid
    EXPECT_NEAR(x, 0.0, 1e-15);
    EXPECT_NEAR(y, 0.0, 1e-15);

    // A tangent cone (one standard parallel) is the limit n = sin(phi1), not 0/0.
    const Projection tangent = Make(ProjectionKind::LambertConformalConic, {0, 45, 45, 45});
    EXPECT_NEAR(tangent.n, std::sin(45 * kDeg), 1e-15);
}

// Every kind inverts its own forward projection over a map-sized area.
TEST(Projection, ForwardThenInverseRestoresThePosition) {
    const Projection kinds[] = {
        Make(ProjectionKind::Mercator, {10, 0}),
        Make(ProjectionKind::TransverseMercator, {15, 40}),
        Make(ProjectionKind::LambertAzimuthalEqualArea, {10, 52}),
        Make(ProjectionKind::LambertConformalConic, {10, 52, 35, 65}),
        Make(ProjectionKind::LambertConformalConic, {-60, -30, -20, -40}),  // southern cone
    };
    for (const Projection& p : kinds) {
        const double lon0 = p.lambda0 / kDeg;
        const double lat0 = p.kind == ProjectionKind::LambertAzimuthalEqualArea ? p.phi1 / kDeg : p.phi0 / kDeg;
        for (double dlat = -8; dlat <= 8; dlat += 2) {
            for (double dlon = -8; dlon <= 8; dlon += 2) {
                const GeoPoint g{DegreesToGeo(lon0 + dlon), DegreesToGeo(lat0 + dlat)};
                double x, y;
                ASSERT_TRUE(p.ForwardGeo(g, x, y));
                GeoPoint back;
                ASSERT_TRUE(p.InverseGeo(x, y, back));
                EXPECT_NEAR(back.lon, g.lon, 2) << ProjectionKindOf(p.kind).name << " " << dlon << "," << dlat;
                EXPECT_NEAR(back.lat, g.lat, 2) << ProjectionKindOf(p.kind).name << " " << dlon << "," << dlat;
            }
        }
    }
}

TEST(Projection, InverseRefusesResultsOutsideGeoUnits) {
    const Projection p = Make(ProjectionKind::Mercator, {0, 0});
    GeoPoint g;
    EXPECT_FALSE(p.InverseGeo(1e6, 0.0, g));
    EXPECT_FALSE(p.InverseGeo(NAN, 0.0, g));
}

}  // namespace
}  // namespace trek
