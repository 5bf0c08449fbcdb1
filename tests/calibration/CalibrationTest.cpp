// The calibration kinds: reference points map back onto themselves, the
// projection kinds follow their formulas, and unusable points are refused.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "geo/Utm.h"
#include "maps/calibration/GridSolver.h"
#include "maps/calibration/LinearCalibration.h"
#include "maps/calibration/OsmCalibration.h"
#include "maps/calibration/ProjectedCalibration.h"
#include "maps/calibration/UtmCalibration.h"

namespace trek {
namespace {

ReferencePoint Ref(int32_t x, int32_t y, double lonDeg, double latDeg) {
    return {x, y, DegreesToGeo(lonDeg), DegreesToGeo(latDeg)};
}

struct KindCase {
    const char* label;
    CalibrationKind kind;
    ProjectionParams params;
};

ProjectionParams Params(double lon0, double lat0, double lat1 = 0, double lat2 = 0) {
    return {DegreesToGeo(lon0), DegreesToGeo(lat0), DegreesToGeo(lat1), DegreesToGeo(lat2)};
}

std::unique_ptr<MapCalibration> Make(const KindCase& c, std::vector<ReferencePoint> points) {
    // The OSM kind needs its pixel size; 2.5 m at the equator, rows growing north.
    auto cal = CreateCalibration(c.kind, c.params, 2.5, -2.5);
    cal->SetReferencePoints(std::move(points));
    return cal;
}

const KindCase kAllKinds[] = {
    {"UTM", CalibrationKind::Utm, {}},
    {"WGS84", CalibrationKind::Linear, {}},
    {"OSM", CalibrationKind::Osm, {}},
    {"Mercator", CalibrationKind::Mercator, Params(11, 48)},
    {"TM", CalibrationKind::TransverseMercator, Params(9, 0)},
    {"LCC", CalibrationKind::LambertConformalConic, Params(10, 47, 45, 50)},
    {"LAEA", CalibrationKind::LambertAzimuthalEqualArea, Params(10, 52)},
};

// A 4000 x 3000 map around Munich, north up, P0 bottom-left and P1 top-right.
std::vector<ReferencePoint> MunichPoints() { return {Ref(100, 200, 11.40, 48.05), Ref(3900, 2800, 11.75, 48.25)}; }

TEST(Calibration, TwoPointsMapBackOntoTheirPixelsForEveryKind) {
    for (const auto& c : kAllKinds) {
        SCOPED_TRACE(c.label);
        auto points = MunichPoints();
        if (c.kind == CalibrationKind::Osm) {
            // OSM takes only P0 and the pixel size; put P1 where that pixel size says.
            OsmCalibration probe(2.5, -2.5);
            probe.SetReferencePoints({points[0]});
            ASSERT_TRUE(probe.Calibrate());
            const auto g = probe.PixelToGeo(points[1].x, points[1].y);
            points[1].lon = g.geo.lon;
            points[1].lat = g.geo.lat;
        }
        auto cal = Make(c, points);
        ASSERT_TRUE(cal->Calibrate()) << cal->calibrationError();
        EXPECT_TRUE(cal->calibrated());
        for (const auto& p : points) {
            EXPECT_EQ(cal->GeoToPixel(GeoPoint{p.lon, p.lat}), (PixelPoint{p.x, p.y}));
            const auto g = cal->PixelToGeo(p.x, p.y);
            // Within a few geo units (centimetres).
            EXPECT_NEAR(g.geo.lon, p.lon, 3);
            EXPECT_NEAR(g.geo.lat, p.lat, 3);
        }
        // Interior pixels survive pixel -> geo -> pixel, also in hundredths.
        for (auto [x, y] : {std::pair{2000, 1500}, {0, 0}, {3999, 2999}, {1234, 2876}}) {
            const auto g = cal->PixelToGeo(x, y);
            EXPECT_EQ(cal->GeoToPixel(g), (PixelPoint{x, y})) << x << "," << y;
            const auto fine = cal->PixelToGeo(x * 100 + 50, y * 100 + 50, true);
            const PixelPoint back = cal->GeoToPixel(fine, true);
            EXPECT_NEAR(back.x, x * 100 + 50, 2);
            EXPECT_NEAR(back.y, y * 100 + 50, 2);
        }
        EXPECT_GT(cal->ScaleMetresPerPixel(), 1.0);
        EXPECT_LT(cal->ScaleMetresPerPixel(), 20.0);
        // A copy converts the same way.
        auto copy = cal->Clone();
        EXPECT_EQ(copy->kind(), c.kind);
        EXPECT_EQ(copy->GeoToPixel(GeoPoint{DegreesToGeo(11.6), DegreesToGeo(48.1)}),
                  cal->GeoToPixel(GeoPoint{DegreesToGeo(11.6), DegreesToGeo(48.1)}));
    }
}

TEST(Calibration, UtmKindFollowsTheUtmGrid) {
    // Pixels laid exactly on the UTM grid of zone 32 at 5 m a pixel: P1 is 10 km east, 5 km north.
    const cUTM a(DegreesToGeo(48.0), DegreesToGeo(11.0));
    const cUTM b = cUTM::FromUtm(int32_t(a.easting) + 10000, a.zone, int32_t(a.northing) + 5000, a.band);
    const cUTM mid = cUTM::FromUtm(int32_t(a.easting) + 2500, a.zone, int32_t(a.northing) + 4000, a.band);
    const cUTM a0 = cUTM::FromUtm(int32_t(a.easting), a.zone, int32_t(a.northing), a.band);
    UtmCalibration cal;
    cal.SetReferencePoints({Ref(10, 20, a0.longitude, a0.latitude), Ref(2010, 1020, b.longitude, b.latitude)});
    ASSERT_TRUE(cal.Calibrate());
    EXPECT_NEAR(cal.ScaleMetresPerPixel(), 5.0, 1e-3);
    EXPECT_NEAR(cal.Rotation(), 0.0, 1e-5);
    const PixelPoint p = cal.GeoToPixel(GeoPoint{DegreesToGeo(mid.longitude), DegreesToGeo(mid.latitude)});
    EXPECT_EQ(p, (PixelPoint{510, 820}));
    const auto g = cal.PixelToGeo(510, 820);
    EXPECT_EQ(g.utm.zone, 32);
    EXPECT_NEAR(g.utm.easting, a.easting + 2500 - (a.easting - int32_t(a.easting)), 1.0);
    // A cached UTM position in the map's zone is used as it stands.
    CalibrationPosition cached{{0, 0}, {mid.easting, mid.northing, mid.zone, mid.band}};
    EXPECT_EQ(cal.GeoToPixel(cached), (PixelPoint{510, 820}));
}

TEST(Calibration, UtmKindWorksSouthOfTheEquator) {
    UtmCalibration cal;
    cal.SetReferencePoints({Ref(0, 0, 18.30, -34.00), Ref(2000, 3000, 18.50, -33.80)});
    ASSERT_TRUE(cal.Calibrate());
    const auto g = cal.PixelToGeo(1000, 1500);
    EXPECT_LT(g.geo.lat, 0);
    EXPECT_EQ(cal.GeoToPixel(g), (PixelPoint{1000, 1500}));
    // Straddling the equator stays continuous.
    UtmCalibration across;
    across.SetReferencePoints({Ref(0, 0, 33.0, -0.1), Ref(1000, 1000, 33.1, 0.1)});
    ASSERT_TRUE(across.Calibrate());
    EXPECT_EQ(across.GeoToPixel(across.PixelToGeo(500, 500)), (PixelPoint{500, 500}));
    EXPECT_NEAR(GeoToDegrees(across.PixelToGeo(0, 0).geo.lat), -0.1, 2e-6);  // the UTM series: ~0.1 m
}

TEST(Calibration, UnusablePointsAreRefused) {
    struct Case {
        const char* label;
        std::vector<ReferencePoint> points;
        bool utm, linear, osm;
    } cases[] = {
        {"same pixel x", {Ref(100, 100, 11.0, 48.0), Ref(100, 900, 11.2, 48.2)}, false, false, true},
        // On the central meridian the same longitude is the same easting.
        {"same longitude", {Ref(100, 100, 9.0, 48.0), Ref(900, 900, 9.0, 48.2)}, false, false, true},
        {"same pixel y", {Ref(100, 100, 11.0, 48.0), Ref(900, 100, 11.2, 48.2)}, false, false, true},
        {"two zones apart", {Ref(0, 0, 5.0, 48.0), Ref(900, 900, 17.0, 48.2)}, false, true, true},
        {"one point", {Ref(0, 0, 5.0, 48.0)}, false, false, true},
        {"no point", {}, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        UtmCalibration utm;
        utm.SetReferencePoints(c.points);
        EXPECT_EQ(utm.Calibrate(), c.utm);
        LinearCalibration linear;
        linear.SetReferencePoints(c.points);
        EXPECT_EQ(linear.Calibrate(), c.linear);
        OsmCalibration osm(2.0, -2.0);
        osm.SetReferencePoints(c.points);
        EXPECT_EQ(osm.Calibrate(), c.osm);
        EXPECT_EQ(osm.calibrated(), c.osm);
    }
    OsmCalibration noSize;
    noSize.SetReferencePoints({Ref(0, 0, 5.0, 48.0)});
    EXPECT_FALSE(noSize.Calibrate());
}

TEST(Calibration, LinearKindWithoutCalibrationAnswersTheFixedPixel) {
    LinearCalibration cal;
    EXPECT_EQ(cal.GeoToPixel(GeoPoint{1, 1}), (PixelPoint{100, 100}));
}

TEST(Calibration, OsmKindMatchesTheWebMercatorTileGrid) {
    // One zoom-12 tile as a map: P0 its top-left corner at pixel (0, 256).
    const int z = 12, tx = 2180, ty = 1420;
    const double n = std::pow(2.0, z);
    const double metresPerPixel = 2 * M_PI * 6378137.0 / (256 * n);
    auto lonOf = [&](double x) { return x / n * 360.0 - 180.0; };
    auto latOf = [&](double y) { return std::atan(std::sinh(M_PI * (1 - 2 * y / n))) * 180 / M_PI; };
    OsmCalibration cal(metresPerPixel, -metresPerPixel);
    cal.SetReferencePoints({Ref(0, 256, lonOf(tx), latOf(ty))});
    ASSERT_TRUE(cal.Calibrate());
    EXPECT_EQ(cal.GeoToPixel(GeoPoint{DegreesToGeo(lonOf(tx + 1)), DegreesToGeo(latOf(ty + 1))}), (PixelPoint{256, 0}));
    EXPECT_EQ(cal.GeoToPixel(GeoPoint{DegreesToGeo(lonOf(tx + 0.5)), DegreesToGeo(latOf(ty + 0.25))}),
              (PixelPoint{128, 192}));
    const auto g = cal.PixelToGeo(256, 0);
    EXPECT_NEAR(GeoToDegrees(g.geo.lon), lonOf(tx + 1), 1e-6);
    EXPECT_NEAR(GeoToDegrees(g.geo.lat), latOf(ty + 1), 1e-6);
}

TEST(Calibration, ProjectionKindsFollowTheirFormulas) {
    // Three points: the pixel of the third must be the linear fit of the
    // formula's value through the first two, computed here independently.
    const double d2r = M_PI / 180;
    struct Case {
        KindCase kind;
        std::function<void(double lon, double lat, double& x, double& y)> formula;
    } cases[] = {
        {{"Mercator", CalibrationKind::Mercator, Params(11, 48)},
         [&](double lon, double lat, double& x, double& y) {
             x = (lon - 11) * d2r;
             y = std::log(std::tan(lat * d2r / 2 + M_PI / 4));
         }},
        {{"TM", CalibrationKind::TransverseMercator, Params(9, 0)},
         [&](double lon, double lat, double& x, double& y) {
             const double b = std::cos(lat * d2r) * std::sin((lon - 9) * d2r);
             x = 0.5 * std::log((1 + b) / (1 - b));
             y = std::atan(std::tan(lat * d2r) / std::cos((lon - 9) * d2r));
         }},
        {{"LAEA", CalibrationKind::LambertAzimuthalEqualArea, Params(10, 52)},
         [&](double lon, double lat, double& x, double& y) {
             const double p1 = 52 * d2r, p = lat * d2r, dl = (lon - 10) * d2r;
             const double k = std::sqrt(2 / (1 + std::sin(p1) * std::sin(p) + std::cos(p1) * std::cos(p) * std::cos(dl)));
             x = k * std::cos(p) * std::sin(dl);
             y = k * (std::cos(p1) * std::sin(p) - std::sin(p1) * std::cos(p) * std::cos(dl));
         }},
        {{"LCC", CalibrationKind::LambertConformalConic, Params(10, 47, 45, 50)},
         [&](double lon, double lat, double& x, double& y) {
             auto t = [&](double phi) { return std::tan(M_PI / 4 + phi / 2); };
             const double f1 = 45 * d2r, f2 = 50 * d2r, f0 = 47 * d2r;
             const double nn = std::log(std::cos(f1) / std::cos(f2)) / std::log(t(f2) / t(f1));
             const double F = std::cos(f1) / std::pow(t(f1), nn);
             const double rho0 = F * std::pow(1 / t(f0), nn);
             const double rho = F * std::pow(1 / t(lat * d2r), nn);
             x = rho * std::sin(nn * (lon - 10) * d2r);
             y = rho0 - rho * std::cos(nn * (lon - 10) * d2r);
         }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind.label);
        auto cal = Make(c.kind, MunichPoints());
        ASSERT_TRUE(cal->Calibrate());
        const auto pts = MunichPoints();
        double x0, y0, x1, y1, x2, y2;
        c.formula(GeoToDegrees(pts[0].lon), GeoToDegrees(pts[0].lat), x0, y0);
        c.formula(GeoToDegrees(pts[1].lon), GeoToDegrees(pts[1].lat), x1, y1);
        const double lon = GeoToDegrees(DegreesToGeo(11.61)), lat = GeoToDegrees(DegreesToGeo(48.13));
        c.formula(lon, lat, x2, y2);
        const double px = pts[0].x + (x2 - x0) / (x1 - x0) * (pts[1].x - pts[0].x);
        const double py = pts[0].y + (y2 - y0) / (y1 - y0) * (pts[1].y - pts[0].y);
        const PixelPoint got = cal->GeoToPixel(GeoPoint{DegreesToGeo(lon), DegreesToGeo(lat)}, true);
        EXPECT_NEAR(got.x, px * 100, 1.0);
        EXPECT_NEAR(got.y, py * 100, 1.0);
    }
}

TEST(Calibration, MercatorOffersItsOriginAndOthersTheDefaultPair) {
    MercatorCalibration m(Params(11, 48));
    EXPECT_NEAR(m.AuxiliaryPair()[0], 11.0, 1e-6);
    EXPECT_NEAR(m.AuxiliaryPair()[1], 48.0, 1e-6);
    UtmCalibration u;
    EXPECT_EQ(u.AuxiliaryPair()[0], 100.0);
    EXPECT_EQ(u.AuxiliaryPair()[1], 100.0);
}

TEST(GridSolver, RefusesPointsSharingARowOrColumn) {
    for (auto pts : {std::vector<GridSample>{{0, 0, 0, 0}, {0, 10, 1, 1}},
                     std::vector<GridSample>{{0, 0, 0, 0}, {10, 0, 1, 1}},
                     std::vector<GridSample>{{0, 0, 0, 0}, {10, 10, 1, 1}, {20, 10, 2, 2}},
                     std::vector<GridSample>{{0, 0, 0, 0}}}) {
        EXPECT_FALSE(SolveGrid(pts).has_value());
    }
    // Differing pixels but the same projected value cannot carry a line either.
    EXPECT_FALSE(SolveGrid({{0, 0, 5, 0}, {10, 10, 5, 1}}).has_value());

    auto cal = Make({"Mercator", CalibrationKind::Mercator, Params(11, 48)},
                    {Ref(100, 100, 11.0, 48.0), Ref(100, 900, 11.2, 48.2)});
    EXPECT_FALSE(cal->Calibrate());
    EXPECT_EQ(cal->calibrationError(), "Reference points are located badly!\r\nx(m)=x(n) or y(m)=y(n)");
}

TEST(GridSolver, FitsAllPointsByLeastSquaresPerAxis) {
    // Three points on x = 2 X + 5, y = -3 Y + 7 are fitted exactly.
    auto fit = SolveGrid({{5, 7, 0, 0}, {25, -23, 10, 10}, {13, -2, 4, 3}});
    ASSERT_TRUE(fit);
    EXPECT_NEAR(fit->ax, 2, 1e-12);
    EXPECT_NEAR(fit->bx, 5, 1e-12);
    EXPECT_NEAR(fit->ay, -3, 1e-12);
    EXPECT_NEAR(fit->by, 7, 1e-12);
    // With one point off by +3 px in x, the line splits the error (sum of residuals 0).
    fit = SolveGrid({{0, 0, 0, 0}, {10, 10, 10, 10}, {23, 20, 20, 20}});
    ASSERT_TRUE(fit);
    double sum = 0;
    for (auto [g, p] : {std::pair{0.0, 0.0}, {10.0, 10.0}, {20.0, 23.0}}) sum += p - fit->PixelX(g);
    EXPECT_NEAR(sum, 0, 1e-9);
    EXPECT_NEAR(fit->ax, 1.15, 1e-12);
    EXPECT_NEAR(fit->PixelY(15), 15, 1e-12);
}

}  // namespace
}  // namespace trek
