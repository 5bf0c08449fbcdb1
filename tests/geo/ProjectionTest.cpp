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

// The formulas exactly as the table of projections writes them, with one
// libm call per function: the fast forms must give the same numbers.
void TextbookForward(const Projection& p, double lambda, double phi, double& x, double& y) {
    const double dl = lambda - p.lambda0, t = std::tan(M_PI / 4 + phi / 2);
    switch (p.kind) {
    case ProjectionKind::Mercator: x = dl; y = std::log(t); break;
    case ProjectionKind::TransverseMercator: {
        const double B = std::cos(phi) * std::sin(dl);
        x = 0.5 * std::log((1 + B) / (1 - B));
        y = std::atan(std::tan(phi) / std::cos(dl)) - p.phi0;
        break;
    }
    case ProjectionKind::LambertAzimuthalEqualArea: {
        const double k = std::sqrt(2 / (1 + std::sin(p.phi1) * std::sin(phi) +
                                        std::cos(p.phi1) * std::cos(phi) * std::cos(dl)));
        x = k * std::cos(phi) * std::sin(dl);
        y = k * (std::cos(p.phi1) * std::sin(phi) - std::sin(p.phi1) * std::cos(phi) * std::cos(dl));
        break;
    }
    case ProjectionKind::LambertConformalConic: {
        const double rho = p.F * std::pow(1 / t, p.n), theta = p.n * dl;
        x = rho * std::sin(theta);
        y = p.rho0 - rho * std::cos(theta);
        break;
    }
    }
}

void TextbookInverse(const Projection& p, double x, double y, double& lambda, double& phi) {
    switch (p.kind) {
    case ProjectionKind::Mercator: phi = std::atan(std::sinh(y)); lambda = p.lambda0 + x; break;
    case ProjectionKind::TransverseMercator: {
        const double D = y + p.phi0;
        phi = std::asin(std::sin(D) / std::cosh(x));
        lambda = p.lambda0 + std::atan(std::sinh(x) / std::cos(D));
        break;
    }
    case ProjectionKind::LambertAzimuthalEqualArea: {
        const double rho = std::sqrt(x * x + y * y), c = 2 * std::asin(rho / 2);
        const double s1 = std::sin(p.phi1), c1 = std::cos(p.phi1);
        phi = std::asin(std::cos(c) * s1 + y * std::sin(c) * c1 / rho);
        lambda = p.lambda0 + std::atan(x * std::sin(c) / (rho * c1 * std::cos(c) - y * s1 * std::sin(c)));
        break;
    }
    case ProjectionKind::LambertConformalConic: {
        const double rho = std::sqrt((p.rho0 - y) * (p.rho0 - y) + x * x);
        phi = 2 * std::atan(std::pow(p.F / rho, 1 / p.n)) - M_PI / 2;
        lambda = std::atan(x / (p.rho0 - y)) / p.n + p.lambda0;
        break;
    }
    }
}

// Over a wide area (far beyond a map sheet, both hemispheres, longitude
// differences past the +-1.6 rad where the fast sine hands over to libm).
TEST(Projection, FormulasMatchTheTextbookForms) {
    const Projection kinds[] = {
        Make(ProjectionKind::Mercator, {10, 0}),
        Make(ProjectionKind::TransverseMercator, {15, 40}),
        Make(ProjectionKind::LambertAzimuthalEqualArea, {10, 52}),
        Make(ProjectionKind::LambertAzimuthalEqualArea, {-70, -45}),
        Make(ProjectionKind::LambertConformalConic, {10, 52, 35, 65}),
        Make(ProjectionKind::LambertConformalConic, {-60, -30, -20, -40}),
    };
    for (const Projection& p : kinds) {
        const char* name = ProjectionKindOf(p.kind).name.data();
        for (double lat = -85; lat <= 85; lat += 5) {
            for (double dlon = -120; dlon <= 120; dlon += 7.5) {
                // TM and LAEA fold over beyond 90 degrees from the centre; keep to where they are one-to-one.
                if (p.kind == ProjectionKind::TransverseMercator && std::fabs(dlon) > 80) continue;
                // LAEA: also leave out the centre (the textbook form divides by rho = 0 there) and
                // 90 degrees of longitude, where its one-argument atan flips between +-pi/2.
                if (p.kind == ProjectionKind::LambertAzimuthalEqualArea &&
                    (std::cos(lat * kDeg) * std::cos(dlon * kDeg) * std::cos(p.phi1) + std::sin(lat * kDeg) * std::sin(p.phi1) < 0.1 ||
                     std::fabs(dlon) == 90 || (dlon == 0 && lat * kDeg == p.phi1)))
                    continue;
                const double lambda = p.lambda0 + dlon * kDeg, phi = lat * kDeg;
                double x, y, rx = 0, ry = 0;
                ASSERT_TRUE(p.Forward(lambda, phi, x, y));
                TextbookForward(p, lambda, phi, rx, ry);
                EXPECT_NEAR(x, rx, 1e-13 * (1 + std::fabs(rx))) << name << " " << lat << "," << dlon;
                EXPECT_NEAR(y, ry, 1e-13 * (1 + std::fabs(ry))) << name << " " << lat << "," << dlon;
                double l, f, rl = 0, rf = 0;
                ASSERT_TRUE(p.Inverse(rx, ry, l, f));
                TextbookInverse(p, rx, ry, rl, rf);
                EXPECT_NEAR(l, rl, 1e-13) << name << " " << lat << "," << dlon;
                EXPECT_NEAR(f, rf, 1e-13) << name << " " << lat << "," << dlon;
            }
        }
    }
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
