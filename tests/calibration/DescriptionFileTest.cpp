// The map description file: what the writer produces byte for byte, that
// reading gives back what was written for every kind, and the reader's rules.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "maps/calibration/DescriptionFile.h"
#include "maps/calibration/LinearCalibration.h"
#include "maps/calibration/OsmCalibration.h"
#include "maps/calibration/ProjectedCalibration.h"
#include "maps/calibration/UtmCalibration.h"

namespace trek {
namespace {

namespace fs = std::filesystem;

class TempDir {
public:
    TempDir() {
        char tmpl[] = "/tmp/trek-calib-XXXXXX";
        path_ = ::mkdtemp(tmpl);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

ReferencePoint Ref(int32_t x, int32_t y, double lonDeg, double latDeg) {
    return {x, y, DegreesToGeoRounded(lonDeg), DegreesToGeoRounded(latDeg)};
}

void Fill(MapDescription& map, std::unique_ptr<MapCalibration> cal) {
    map.SetName("Karwendel Süd");
    map.SetDate("2024/05/17");
    map.SetImagePath("/maps/karwendel.jpg");
    map.SetDescriptionPath("/maps/karwendel.CAL");
    map.visible = true;
    map.background = true;
    map.heightDiff = 42;
    cal->SetReferencePoints({Ref(12, 34, 11.4123456, 47.3987654), Ref(3950, 2901, -0.25, -33.5)});
    cal->SetReferenceType(kRefTypeWgs84Utm);
    map.SetCalibration(std::move(cal));
}

TEST(DescriptionFile, WriterProducesTheDocumentedLines) {
    // Coordinates are written as (|units| + 0.5) in degrees with seven decimals.
    MapDescription map;
    Fill(map, std::make_unique<OsmCalibration>(4.77, -4.77));
    const std::string text = FormatDescription(map, 'O');
    const std::string expected =
        "TYPE:      RASTERMAP\r\n"
        "NAME:      Karwendel S\xFC" "d\r\n"
        "DATE:      2024/05/17\r\n"
        "VISIBLE:    YES\r\n"
        "BACKGROUND: YES\r\n"
        "REFERENCE_POINT: (12,34) ==> (11.4123461\xB0O,47.3987658\xB0N)\r\n"
        "REFERENCE_POINT: (3950,2901) ==> (0.2500001\xB0W,33.5000003\xB0S)\r\n"
        "DX:        4.770000\r\n"
        "DY:        -4.770000\r\n"
        "HEIGHTDIFF:\t    42\r\n"
        "PROJECTION:\t    OSM\r\n"
        "ELLIPSOID:\t    WGS84\r\n"
        "FILENAME:  karwendel.jpg\r\n"
        "# OpenStreetMap License    (http://wiki.openstreetmap.org/wiki/OpenStreetMap_License)\r\n"
        "# Creative Commons         (http://creativecommons.org/licenses/by-sa/2.0/)\r\n";
    EXPECT_EQ(text, expected);

    map.visible = false;
    map.background = false;
    map.SetCalibration(std::make_unique<UtmCalibration>());
    const std::string plain = FormatDescription(map, 'E');
    EXPECT_NE(plain.find("VISIBLE:    NO\r\n"), std::string::npos);
    EXPECT_EQ(plain.find("BACKGROUND"), std::string::npos);
    EXPECT_EQ(plain.find("DX:"), std::string::npos);
    EXPECT_EQ(plain.find("# OpenStreetMap"), std::string::npos);
    EXPECT_NE(plain.find("PROJECTION:\t    UTM\r\n"), std::string::npos);
}

TEST(DescriptionFile, WriteThenReadGivesTheMapBackForEveryKind) {
    TempDir dir;
    const ProjectionParams lcc{DegreesToGeo(10), DegreesToGeo(47), DegreesToGeo(45), DegreesToGeo(50)};
    struct Case {
        std::unique_ptr<MapCalibration> cal;
        const char* kindBack;
    };
    std::vector<Case> cases;
    cases.push_back({std::make_unique<UtmCalibration>(), "UTM"});
    cases.push_back({std::make_unique<LinearCalibration>(), "WGS84"});
    cases.push_back({std::make_unique<OsmCalibration>(2.385, -2.385), "OSM"});
    cases.push_back({std::make_unique<MercatorCalibration>(), "Mercator"});
    cases.push_back({std::make_unique<TransverseMercatorCalibration>(lcc), "Transverse Mercator"});
    cases.push_back({std::make_unique<LambertConformalConicCalibration>(lcc), "Lambert Conformal Conic"});
    cases.push_back({std::make_unique<LambertAzimuthalCalibration>(lcc), "Lambert Azimuthual Equal Area"});
    for (auto& c : cases) {
        SCOPED_TRACE(c.kindBack);
        MapDescription map;
        Fill(map, std::move(c.cal));
        map.SetDescriptionPath(dir.file("k.CAL"));
        map.SetImagePath(dir.file("karwendel.jpg"));
        std::string error;
        ASSERT_TRUE(WriteDescriptionFile(map, 'E', &error)) << error;

        MapDescription back;
        ASSERT_TRUE(ReadDescriptionFile(dir.file("k.CAL"), back));
        EXPECT_EQ(back.name, "Karwendel Süd");
        EXPECT_EQ(back.date, "2024/05/17");
        EXPECT_TRUE(back.visible);
        EXPECT_TRUE(back.background);
        EXPECT_EQ(back.heightDiff, 0);  // never read back
        EXPECT_EQ(back.imagePath, dir.file("karwendel.jpg"));
        EXPECT_STREQ(back.calibration().kindName(), c.kindBack);
        const auto& in = map.calibration().referencePoints();
        const auto& out = back.calibration().referencePoints();
        ASSERT_EQ(out.size(), in.size());
        for (size_t i = 0; i < in.size(); ++i) {
            EXPECT_EQ(out[i].x, in[i].x);
            EXPECT_EQ(out[i].y, in[i].y);
            EXPECT_NEAR(out[i].lon, in[i].lon, 2);  // 1e-7 degree is 0.17 geo units
            EXPECT_NEAR(out[i].lat, in[i].lat, 2);
        }
        if (auto* osm = dynamic_cast<OsmCalibration*>(&back.calibration())) {
            EXPECT_DOUBLE_EQ(osm->dx(), 2.385);
            EXPECT_DOUBLE_EQ(osm->dy(), -2.385);
        }
        if (auto* p = dynamic_cast<ProjectedCalibration*>(&back.calibration())) {
            if (p->kind() == CalibrationKind::Mercator) {
                EXPECT_EQ(p->params().lon0, out[0].lon);  // origin taken from P0
                EXPECT_EQ(p->params().lat0, out[0].lat);
            } else {
                EXPECT_NEAR(p->params().lat1, lcc.lat1, 2);
                EXPECT_NEAR(p->params().lat2, lcc.lat2, 2);
                EXPECT_NEAR(p->params().lon0, lcc.lon0, 2);
            }
        }
    }
}

TEST(DescriptionFile, ReaderRules) {
    struct Case {
        const char* label;
        std::string text;
        std::function<void(const MapDescription&)> check;
    };
    const std::string head = "TYPE: RASTERMAP\r\nNAME: n\r\n";
    std::vector<Case> cases = {
        {"lower-case visible", head + "VISIBLE: yes\r\n", [](auto& m) { EXPECT_FALSE(m.visible); }},
        {"empty visible", head + "VISIBLE:\r\n", [](auto& m) { EXPECT_FALSE(m.visible); }},
        {"YES with more", head + "VISIBLE: YESSIR\r\n", [](auto& m) { EXPECT_TRUE(m.visible); }},
        {"type table, last match", "TYPE: TOURMAP\nNAME: t\n", [](auto& m) { EXPECT_EQ(m.type, kMapTypeTour); }},
        {"unknown type keeps 0", "TYPE: SOMETHING\n", [](auto& m) { EXPECT_EQ(m.type, kMapTypeRaster); }},
        {"keywords are case-sensitive", "TYPE: WORLDMAP\nname: x\nNAME:   Real Name  \n",
         [](auto& m) {
             EXPECT_EQ(m.type, kMapTypeWorld);
             EXPECT_EQ(m.name, "Real Name  ");
         }},
        {"date stops at a blank", head + "DATE:   2020/01/02 later\r\n", [](auto& m) { EXPECT_EQ(m.date, "2020/01/02"); }},
        {"lone CR ends lines", "TYPE: RASTERMAP\rNAME: crname\rVISIBLE: YES\r",
         [](auto& m) {
             EXPECT_EQ(m.name, "crname");
             EXPECT_TRUE(m.visible);
         }},
        {"coordinate forms", head + "REFERENCE_POINT: (1,2) ==> (8.5E,47 30 N)\r\n"
                                    "  REFERENCE_POINT:(3, 4)==>(8.5 W, 47.5)\r\n",
         [](auto& m) {
             const auto& r = m.calibration().referencePoints();
             ASSERT_EQ(r.size(), 2u);
             EXPECT_EQ(r[0], (ReferencePoint{1, 2, DegreesToGeo(8.5), DegreesToGeo(47.5)}));
             EXPECT_EQ(r[1], (ReferencePoint{3, 4, -DegreesToGeo(8.5), DegreesToGeo(47.5)}));
         }},
        {"reference type after projection survives", head + "PROJECTION: WGS84\nREFERENCE_TYPE: LINEAR_COSINUS\n",
         [](auto& m) { EXPECT_EQ(m.calibration().ReferenceType(), kRefTypeLinearCosinus); }},
        {"reference type before projection is lost", head + "REFERENCE_TYPE: LINEAR_COSINUS\nPROJECTION: WGS84\n",
         [](auto& m) {
             EXPECT_EQ(m.calibration().kind(), CalibrationKind::Linear);
             EXPECT_EQ(m.calibration().ReferenceType(), kRefTypeDummy);
         }},
        {"reference type kept when the projection keeps the object",
         head + "REFERENCE_TYPE: WGS84_UTM\nPROJECTION: UTM\n",
         [](auto& m) {
             EXPECT_EQ(m.calibration().kind(), CalibrationKind::Utm);
             EXPECT_EQ(m.calibration().ReferenceType(), kRefTypeWgs84Utm);
         }},
        {"projection case-insensitive", head + "PROJECTION: osm\nDX: 3\n",
         [](auto& m) {
             auto* osm = dynamic_cast<const OsmCalibration*>(&m.calibration());
             ASSERT_NE(osm, nullptr);
             EXPECT_EQ(osm->dx(), 3.0);
         }},
        {"unknown projection is UTM", head + "PROJECTION: Gauss-Krueger\n",
         [](auto& m) { EXPECT_EQ(m.calibration().kind(), CalibrationKind::Utm); }},
        {"mercator before points has no origin",
         head + "PROJECTION: Mercator\nREFERENCE_POINT: (1,2) ==> (8.5E,47.5N)\n",
         [](auto& m) {
             auto* p = dynamic_cast<const MercatorCalibration*>(&m.calibration());
             ASSERT_NE(p, nullptr);
             EXPECT_EQ(p->params().lon0, 0);
             EXPECT_EQ(m.calibration().referencePoints().size(), 1u);
         }},
        {"filename with spaces and backslash", head + "FILENAME:  sub\\my map.jpg\tjunk\r\n",
         [](auto& m) { EXPECT_EQ(m.imagePath, "/data/maps/sub/my map.jpg"); }},
        {"8-bit name becomes UTF-8", "NAME: M\xFCnchen\r\n", [](auto& m) { EXPECT_EQ(m.name, "München"); }},
        {"garbage point skipped", head + "REFERENCE_POINT: nonsense\n",
         [](auto& m) { EXPECT_TRUE(m.calibration().referencePoints().empty()); }},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.label);
        MapDescription map;
        ParseDescription(c.text, "/data/maps/x.CAL", map);
        c.check(map);
    }
}

TEST(DescriptionFile, OnlyTheFirst4096BytesCount) {
    std::string text = "TYPE: RASTERMAP\r\nNAME: early\r\n";
    text += "# " + std::string(4096 - text.size() - 4, 'x') + "\r\n";
    ASSERT_EQ(text.size(), 4096u);
    MapDescription map;
    ParseDescription(text + "NAME: late\r\nVISIBLE: YES\r\n", "/m/x.CAL", map);
    EXPECT_EQ(map.name, "early");
    EXPECT_FALSE(map.visible);
}

TEST(DescriptionFile, FieldsAreBoundedAndLineEndsCannotBeInjected) {
    MapDescription map;
    ParseDescription("NAME: " + std::string(1000, 'n') + "\nDATE: " + std::string(100, '9') + "\n", "/m/x.CAL", map);
    EXPECT_EQ(map.name.size(), kMapNameMax);
    EXPECT_EQ(map.date.size(), kMapDateMax);

    map.name = "evil\r\nVISIBLE: YES";
    map.visible = false;
    MapDescription back;
    ParseDescription(FormatDescription(map, 'E'), "/m/x.CAL", back);
    EXPECT_FALSE(back.visible);
}

TEST(DescriptionFile, WriterNamingAndRefusals) {
    TempDir dir;
    EXPECT_EQ(OwnDescriptionPathFor("/maps/alps.cal"), "/maps/alps_Trekvane.CAL");

    MapDescription map;
    map.SetName("m");
    map.SetImagePath(dir.file("m.jpg"));
    map.SetDescriptionPath(dir.file("m.kal"));
    EXPECT_EQ(DescriptionTargetPath(map), dir.file("m.CAL"));
    ASSERT_TRUE(WriteDescriptionFile(map, 'E'));
    EXPECT_TRUE(IsDescriptionFile(dir.file("m.CAL")));
    // Nothing else is left behind in the folder (no temp file).
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.file("")), fs::directory_iterator()), 1);

    std::string error;
    MapDescription tvm;
    tvm.SetImagePath(dir.file("t.tvm"));
    tvm.SetDescriptionPath(dir.file("t.CAL"));
    EXPECT_FALSE(WriteDescriptionFile(tvm, 'E', &error));
    MapDescription tiles;
    tiles.flags = kMapFlagTileMap;
    tiles.SetDescriptionPath(dir.file("o.CAL"));
    EXPECT_FALSE(WriteDescriptionFile(tiles, 'E', &error));
    EXPECT_FALSE(fs::exists(dir.file("t.CAL")));
    EXPECT_FALSE(fs::exists(dir.file("o.CAL")));

    // An unwritable target fails with the program's message and leaves no file.
    EXPECT_FALSE(WriteDescriptionFileTo(map, dir.file("no/such/dir/x.CAL"), 'E', &error));
    EXPECT_NE(error.find("Error while opening .CAL file!"), std::string::npos);
    EXPECT_FALSE(ReadDescriptionFile(dir.file("missing.CAL"), map));
}

TEST(DescriptionFile, WritingAgainReplacesTheFile) {
    TempDir dir;
    MapDescription map;
    map.SetName("first");
    map.SetDescriptionPath(dir.file("a.CAL"));
    ASSERT_TRUE(WriteDescriptionFile(map, 'E'));
    map.SetName("second");
    ASSERT_TRUE(WriteDescriptionFile(map, 'E'));
    MapDescription back;
    ASSERT_TRUE(ReadDescriptionFile(dir.file("a.CAL"), back));
    EXPECT_EQ(back.name, "second");
}

}  // namespace
}  // namespace trek
