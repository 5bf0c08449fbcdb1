// Foreign calibration files as the other programs write them, read with a
// fixed image size (the context stands in for the image on disk).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "geo/Utm.h"
#include "maps/calibration/DescriptionFile.h"
#include "maps/calibration/OsmCalibration.h"
#include "maps/calibration/ProjectedCalibration.h"
#include "maps/calibration/formats/GlopusKal.h"
#include "maps/calibration/formats/MapFileReader.h"
#include "maps/calibration/formats/OziMap.h"
#include "maps/calibration/formats/TouratechCal.h"
#include "maps/calibration/formats/WorldFile.h"

namespace trek {
namespace {

CalibrationReadContext Context(int32_t w, int32_t h, std::vector<std::string>* asked = nullptr) {
    CalibrationReadContext c;
    c.today = "2025/01/31";
    c.imageInfo = [=](const std::string& path) -> std::optional<ImageInfo> {
        if (asked) asked->push_back(path);
        if (w == 0) return std::nullopt;
        return ImageInfo{ImageFormat::Jpeg, w, h, 24};
    };
    return c;
}

ReferencePoint Ref(int32_t x, int32_t y, double lonDeg, double latDeg) {
    return {x, y, DegreesToGeo(lonDeg), DegreesToGeo(latDeg)};
}

TEST(Touratech, EdgesBecomeTheCornerPoints) {
    // "ost" before "west", as some files have it.
    const std::string text =
        "; Touratech QV\r\n"
        "name = 7 = Alpen_jpg\r\n"
        "fname = 7 = alpen map.JPG\r\n"
        "ost = 6 = 11.75\r\n"
        "west = 6 = 11.25\r\n"
        "nord=6=47.5\r\n"
        "  sued = 6 = 47.25\r\n";
    std::vector<std::string> asked;
    MapDescription map;
    auto r = TouratechCalFormat().Read(text, "/maps/alpen.cal", Context(2000, 1500, &asked), map);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(map.name, "Alpen_jpg");
    EXPECT_EQ(map.imagePath, "/maps/alpen map.JPG");
    EXPECT_EQ(asked, std::vector<std::string>{"/maps/alpen map.JPG"});
    EXPECT_EQ(map.descriptionPath, "/maps/alpen_Trekvane.CAL");
    EXPECT_EQ(map.date, "2025/01/31");
    EXPECT_TRUE(map.visible);
    EXPECT_EQ(map.calibration().kind(), CalibrationKind::Utm);
    const auto& refs = map.calibration().referencePoints();
    ASSERT_EQ(refs.size(), 2u);
    EXPECT_EQ(refs[0], Ref(0, 0, 11.25, 47.25));
    EXPECT_EQ(refs[1], Ref(1999, 1499, 11.75, 47.5));
    EXPECT_TRUE(map.calibration().Calibrate());
}

TEST(Touratech, WithoutFileNameTheMapNameNamesTheImage) {
    MapDescription map;
    auto r = TouratechCalFormat().Read("name = 7 = Harz_Nord_jpg\nwest = 6 = 10\nost = 6 = 11\nnord = 6 = 52\nsued = 6 = 51\n",
                                       "/m/h.cal", Context(0, 0), map);
    ASSERT_TRUE(r.ok);  // no image: still an entry, without sizes
    EXPECT_EQ(map.imagePath, "/m/Harz_Nord.jpg");
    EXPECT_EQ(r.image.width, 0);

    MapDescription incomplete;
    EXPECT_FALSE(TouratechCalFormat().Read("name = 7 = x\nwest = 6 = 10\n", "/m/h.cal", Context(5, 5), incomplete).ok);
    MapDescription outside;
    EXPECT_FALSE(TouratechCalFormat()
                     .Read("west = 6 = 1e300\nost = 6 = 11\nnord = 6 = 52\nsued = 6 = 51\n", "/m/h.cal", Context(5, 5), outside)
                     .ok);
}

TEST(Glopus, PointsWithRowsFromTheTop) {
    const std::string text =
        "Pixel = POINT(5, 5)\r\n"  // before any section: ignored
        "[Calibration Point 1]\r\n"
        "Name = P1\r\n"
        "Longitude = 9.5\r\n"
        "Latitude = 47.75\r\n"
        "Pixel = POINT(100,200)\r\n"
        "[Calibration Point 2]\r\n"
        "Longitude = 9.75\r\n"
        "Latitude = 47.5\r\n"
        "Pixel = POINT(1900, 1700)\r\n"
        "[Calibration Point 3]\r\n"
        "Longitude = 9.6\r\n"
        "Latitude = 47.6\r\n"
        "Pixel = POINT(700, 900)\r\n"
        "Bitmap = bodensee.png\r\n";
    MapDescription map;
    auto r = GlopusKalFormat().Read(text, "/m/Bodensee.kal", Context(2000, 1800), map);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(map.name, "Bodensee");
    EXPECT_EQ(map.imagePath, "/m/bodensee.png");
    const auto& refs = map.calibration().referencePoints();
    ASSERT_EQ(refs.size(), 3u);
    EXPECT_EQ(refs[0], Ref(100, 1600, 9.5, 47.75));  // height - y
    EXPECT_EQ(refs[1], Ref(1900, 100, 9.75, 47.5));
    EXPECT_EQ(refs[2], Ref(700, 900, 9.6, 47.6));
    EXPECT_TRUE(map.calibration().Calibrate());

    MapDescription onlyOne;
    EXPECT_FALSE(GlopusKalFormat().Read("[Calibration Point 1]\nLongitude=1\nLatitude=2\nPixel=POINT(1,2)\n", "/m/a.kal",
                                        Context(10, 10), onlyOne).ok);
}

TEST(WorldFile, OsmCalibrationFromTheSixNumbers) {
    const std::string text = "2.5\r\n0.0\r\n99\r\n-2.5\r\n11.5\r\n48.25\r\n";
    std::vector<std::string> asked;
    MapDescription map;
    auto r = WorldFileFormat().Read(text, "/m/topo.tfw", Context(1000, 800, &asked), map);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(asked, std::vector<std::string>{"/m/topo.TIF"});
    EXPECT_EQ(map.name, "topo");
    auto* osm = dynamic_cast<OsmCalibration*>(&map.calibration());
    ASSERT_NE(osm, nullptr);
    EXPECT_EQ(osm->dx(), 2.5);
    EXPECT_EQ(osm->dy(), -2.5);
    const auto& refs = map.calibration().referencePoints();
    ASSERT_EQ(refs.size(), 2u);
    EXPECT_EQ(refs[0], Ref(0, 800, 11.5, 48.25));
    EXPECT_EQ(refs[1].x, 1000);
    EXPECT_EQ(refs[1].y, 0);
    ASSERT_TRUE(map.calibration().Calibrate());
    // 1000 px of 2.5 m at the equator is 2500 m: 0.02246 degrees of longitude.
    EXPECT_NEAR(GeoToDegrees(refs[1].lon), 11.5 + 2500 / 111319.49079327358, 1e-6);
    EXPECT_LT(refs[1].lat, refs[0].lat);
    EXPECT_GT(map.calibration().ScaleMetresPerPixel(), 1.0);

    for (auto [ext, image] : {std::pair{"a.bpw", "/m/a.BMP"}, {"a.jgw", "/m/a.JPG"}, {"a.pgw", "/m/a.PNG"}}) {
        MapDescription m;
        ASSERT_TRUE(WorldFileFormat().Read(text, std::string("/m/") + ext, Context(10, 10), m).ok);
        EXPECT_EQ(m.imagePath, image);
    }
}

TEST(WorldFile, FindsTheImageWhateverTheCaseOfItsExtension) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::path(::testing::TempDir()) / ("trek_worldfile_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const std::string text = "0.0001\n0\n0\n-0.0001\n11.5\n48.2\n";
    struct Case {
        const char* worldFile;
        const char* image;  // created beside it; nullptr = none
        const char* expected;
    };
    const Case cases[] = {
        {"scan.pgw", "scan.png", "scan.png"},
        {"topo.jgw", "topo.jpeg", "topo.jpeg"},
        {"sheet.tfw", "sheet.Tif", "sheet.Tif"},
        {"alone.bpw", nullptr, "alone.BMP"},  // nothing there: the upper-case name stands
    };
    for (const Case& c : cases) {
        if (c.image) std::ofstream(dir / c.image) << "x";
        MapDescription m;
        ASSERT_TRUE(WorldFileFormat().Read(text, (dir / c.worldFile).string(), Context(10, 10), m).ok) << c.worldFile;
        EXPECT_EQ(m.imagePath, (dir / c.expected).string()) << c.worldFile;
    }
    fs::remove_all(dir);
}

TEST(WorldFile, WebMercatorMetresAndBadFiles) {
    // Corner given in EPSG:3857 metres instead of degrees.
    const double r = 6378137.0;
    char text[128];
    std::snprintf(text, sizeof text, "4.77\n0\n0\n-4.77\n%.3f\n%.3f\n", 11.5 * M_PI / 180 * r,
                  r * std::log(std::tan(M_PI / 4 + 48.2 * M_PI / 360)));
    MapDescription map;
    ASSERT_TRUE(WorldFileFormat().Read(text, "/m/w.pgw", Context(256, 256), map).ok);
    const auto p0 = map.calibration().referencePoints()[0];
    EXPECT_NEAR(GeoToDegrees(p0.lon), 11.5, 1e-6);  // the metres are written with 3 decimals
    EXPECT_NEAR(GeoToDegrees(p0.lat), 48.2, 1e-6);

    for (const char* bad : {"1\n0\n0\n-1\n11\n", "0\n0\n0\n-1\n11\n48\n", "1\nx\n0\n-1\n11\n48\n", "1\n0\n0\n-1\n1e30\n48\n"}) {
        MapDescription m;
        EXPECT_FALSE(WorldFileFormat().Read(bad, "/m/w.jgw", Context(10, 10), m).ok) << bad;
    }
}

const char* kOziHeader =
    "OziExplorer Map Data File Version 2.2\r\n"
    "Wetterstein\r\n"
    "C:\\OziExplorer\\Maps\\wetterstein.jpg\r\n"
    "1 ,Map Code,\r\n"
    "WGS 84,WGS 84,   0.0000,   0.0000,WGS 84\r\n"
    "Reserved 1\r\n"
    "Reserved 2\r\n"
    "Magnetic Variation,,,E\r\n";

TEST(OziMap, TransverseMercatorWithDegreeAndGridPoints) {
    const cUTM grid(DegreesToGeo(47.40), DegreesToGeo(11.10));
    char gridLine[200];
    std::snprintf(gridLine, sizeof gridLine,
                  "Point03,xy,  500,  400,in, deg,    ,        ,N,    ,        ,E, grid,  32, %d, %d,N\r\n",
                  int(grid.easting), int(grid.northing));
    const std::string text = std::string(kOziHeader) +
                             "Map Projection,Transverse Mercator,PolyCal,No,AutoCalOnly,No,BSBUseWPX,No\r\n"
                             "Point01,xy,  100,  200,in, deg,  47, 30.0000,N,  11, 0.0000,E, grid,   ,           ,           ,N\r\n"
                             "Point02,xy, 1900, 1300,in, deg,  47, 15.0000,N,  11, 15.0000,E, grid,   ,           ,           ,N\r\n" +
                             gridLine +
                             "Point04,xy,     ,     ,in, deg,    ,        ,N,    ,        ,E, grid,   ,           ,           ,N\r\n"
                             "Point05,xy,  12,  13, what is this\r\n"
                             "Projection Setup,     0.000000000,     9.000000000,     0.999600000,       500000.00,            0.00,,,,,\r\n"
                             "MMPNUM,4\r\n"
                             "IWH,Map Image Width/Height,2000,1500\r\n";
    MapDescription map;
    auto r = OziMapFormat().Read(text, "/maps/ozi/wetter.map", Context(0, 0), map);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(map.name, "Wetterstein");
    EXPECT_EQ(map.imagePath, "/maps/ozi/wetterstein.jpg");
    EXPECT_EQ(map.descriptionPath, "/maps/ozi/wetter.CAL");
    EXPECT_EQ(r.image.width, 2000);  // from the IWH line when the image is not there
    ASSERT_EQ(r.messages.size(), 1u);  // Point05 only; the empty slot is silent
    EXPECT_EQ(r.messages[0].text, "Unknown point format");
    EXPECT_EQ(r.messages[0].line, 14);

    auto* tm = dynamic_cast<TransverseMercatorCalibration*>(&map.calibration());
    ASSERT_NE(tm, nullptr);
    EXPECT_EQ(tm->params().lon0, DegreesToGeo(9.0));
    const auto& refs = map.calibration().referencePoints();
    ASSERT_EQ(refs.size(), 3u);
    EXPECT_EQ(refs[0], Ref(100, 1299, 11.0, 47.5));  // height - 1 - y
    EXPECT_EQ(refs[1], Ref(1900, 199, 11.25, 47.25));
    EXPECT_EQ(refs[2].y, 1099);
    EXPECT_NEAR(GeoToDegrees(refs[2].lon), 11.10, 2e-5);
    EXPECT_NEAR(GeoToDegrees(refs[2].lat), 47.40, 2e-5);
    EXPECT_TRUE(map.calibration().Calibrate());
}

TEST(OziMap, ProjectionTableAndSetupLayout) {
    struct Case {
        const char* projection;
        CalibrationKind kind;
    } cases[] = {
        {"Lambert Conformal Conic", CalibrationKind::LambertConformalConic},
        {"Lambert Azimuthual Equal Area", CalibrationKind::LambertAzimuthalEqualArea},
        {"Mercator", CalibrationKind::Mercator},
        {"Latitude/Longitude", CalibrationKind::Linear},
        {"WGS84", CalibrationKind::Linear},
        {"(UTM) Universal Transverse Mercator", CalibrationKind::Utm},
        {"OSM", CalibrationKind::Osm},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.projection);
        const std::string text = std::string(kOziHeader) + "Map Projection," + c.projection + ",PolyCal,No\r\n" +
                                 "Point01,xy,  100,  200,in, deg,  47, 30.0000,N,  11, 0.0000,E\r\n"
                                 "Point02,xy, 1900, 1300,in, deg,  47, 15.0000,S,  11, 15.0000,W\r\n"
                                 "Projection Setup, 46.5, 10.5, 1.0, 0, 0, 45.0, 49.0,,,\r\n";
        MapDescription map;
        ASSERT_TRUE(OziMapFormat().Read(text, "/m/x.map", Context(2000, 1500), map).ok);
        EXPECT_EQ(map.calibration().kind(), c.kind);
        const auto& refs = map.calibration().referencePoints();
        ASSERT_EQ(refs.size(), 2u);
        EXPECT_EQ(refs[1], Ref(1900, 199, -11.25, -47.25));
        if (auto* p = dynamic_cast<ProjectedCalibration*>(&map.calibration())) {
            EXPECT_EQ(p->params(), (ProjectionParams{DegreesToGeo(10.5), DegreesToGeo(46.5), DegreesToGeo(45.0),
                                                     DegreesToGeo(49.0)}));
        }
    }
}

TEST(MapFileReader, DispatchesByExtensionAndFirstBytes) {
    char tmpl[] = "/tmp/trek-foreign-XXXXXX";
    const std::string dir = ::mkdtemp(tmpl);
    auto write = [&](const std::string& name, const std::string& text) {
        std::ofstream(dir + "/" + name, std::ios::binary) << text;
        return dir + "/" + name;
    };
    const std::string own = write("own.CAL", "TYPE: RASTERMAP\r\nNAME: own\r\nREFERENCE_POINT: (0,0) ==> (11E,47N)\r\n"
                                             "REFERENCE_POINT: (100,100) ==> (11.1E,47.1N)\r\nPROJECTION: WGS84\r\n");
    const std::string tt = write("tt.cal", "name = 7 = tt\nwest = 6 = 10\nost = 6 = 11\nnord = 6 = 52\nsued = 6 = 51\n");
    EXPECT_EQ(MapFileKindFor(own, "TYPE: x"), MapFileKind::Description);
    EXPECT_EQ(MapFileKindFor(tt, "name"), MapFileKind::Touratech);
    EXPECT_EQ(MapFileKindFor("/a/b.KaL"), MapFileKind::Glopus);
    EXPECT_EQ(MapFileKindFor("/a/b.TFW"), MapFileKind::WorldFile);
    EXPECT_EQ(MapFileKindFor("/a/b.map"), MapFileKind::Ozi);
    EXPECT_EQ(MapFileKindFor("/a/b.jpg"), MapFileKind::Unknown);

    MapDescription a;
    auto ra = ReadMapFile(own, a, Context(100, 100));
    ASSERT_TRUE(ra.ok);
    EXPECT_EQ(ra.kind, MapFileKind::Description);
    EXPECT_TRUE(a.calibration().calibrated());
    MapDescription b;
    auto rb = ReadMapFile(tt, b, Context(100, 100));
    ASSERT_TRUE(rb.ok);
    EXPECT_EQ(rb.kind, MapFileKind::Touratech);
    EXPECT_TRUE(b.calibration().calibrated());
    MapDescription c;
    EXPECT_FALSE(ReadMapFile(dir + "/missing.map", c).ok);
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace trek
