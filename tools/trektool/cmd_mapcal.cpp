// trektool map info | px2geo | geo2px | write: calibration files of raster maps.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "maps/calibration/DescriptionFile.h"
#include "maps/calibration/MapDescription.h"
#include "maps/calibration/formats/MapFileReader.h"
#include "settings/Settings.h"
#include "tools/trektool/Command.h"
#include "tools/trektool/Json.h"
#include "tools/trektool/Numbers.h"

namespace trek::tool {

namespace {

// Reads a calibration file of any kind; prints its warnings; false with a message on failure.
bool LoadMap(const std::string& path, MapDescription& map, MapFileResult& result, std::string& error) {
    result = ReadMapFile(path, map);
    for (const auto& m : result.messages)
        std::fprintf(stderr, "trektool: %s:%d: %s\n", path.c_str(), m.line, m.text.c_str());
    if (!result.ok) error = result.error;
    return result.ok;
}

// Splits "FILE A B [--stdin]" into the file, the two numbers (or stdin mode).
bool SplitPointArgs(std::vector<std::string> args, std::string& file, std::vector<std::string>& numbers,
                    bool& fromStdin) {
    fromStdin = false;
    std::vector<std::string> rest;
    for (auto& a : args) {
        if (a == "--stdin")
            fromStdin = true;
        else
            rest.push_back(a);
    }
    if (rest.empty()) return false;
    file = rest[0];
    numbers.assign(rest.begin() + 1, rest.end());
    return fromStdin ? numbers.empty() : numbers.size() == 2;
}

int RunInfo(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError("usage: map info FILE");
    MapDescription map;
    MapFileResult r;
    std::string error;
    if (!LoadMap(args[0], map, r, error)) return Failure(error);
    const MapCalibration& cal = map.calibration();
    const char* typeName = MapTypeName(map.type);
    const char* refName = ReferenceTypeName(cal.ReferenceType());
    std::ostringstream out;
    out.precision(10);
    out << "{\"type\": " << (typeName ? JsonString(typeName) : std::to_string(map.type))
        << ", \"name\": " << JsonString(map.name) << ", \"date\": " << JsonString(map.date)
        << ", \"image\": " << JsonString(map.imagePath) << ", \"visible\": " << (map.visible ? "true" : "false")
        << ", \"background\": " << (map.background ? "true" : "false") << ", \"kind\": " << JsonString(cal.kindName())
        << ", \"reftype\": " << JsonString(refName ? refName : "") << ", \"refs\": [";
    const auto& points = cal.referencePoints();
    for (size_t i = 0; i < points.size(); ++i)
        out << (i ? ", " : "") << "[" << points[i].x << ", " << points[i].y << ", " << points[i].lon << ", "
            << points[i].lat << "]";
    out << "], \"calibrated\": " << (cal.calibrated() ? "true" : "false")
        << ", \"scale_m_per_px\": " << (cal.calibrated() ? cal.ScaleMetresPerPixel() : 0.0)
        << ", \"width\": " << r.image.width << ", \"height\": " << r.image.height << "}";
    std::printf("%s\n", out.str().c_str());
    return 0;
}

int RunPixelToGeo(const std::vector<std::string>& args) {
    std::string file;
    std::vector<std::string> nums;
    bool fromStdin;
    if (!SplitPointArgs(args, file, nums, fromStdin)) return UsageError("usage: map px2geo FILE X Y | FILE --stdin");
    MapDescription map;
    MapFileResult r;
    std::string error;
    if (!LoadMap(file, map, r, error)) return Failure(error);
    if (!map.calibration().calibrated()) return Failure("the map is not calibrated: " + map.calibration().calibrationError());
    auto convert = [&](const std::string& xs, const std::string& ys) {
        int32_t x, y;
        if (!ParseInt32(xs, x) || !ParseInt32(ys, y)) return false;
        const CalibrationPosition p = map.calibration().PixelToGeo(x, y);
        std::printf("%d %d %.9f %.9f\n", p.geo.lon, p.geo.lat, GeoToDegrees(p.geo.lon), GeoToDegrees(p.geo.lat));
        return true;
    };
    if (!fromStdin) return convert(nums[0], nums[1]) ? 0 : UsageError("X and Y are whole pixels");
    std::string line;
    int lineNo = 0;
    while (std::getline(std::cin, line)) {
        ++lineNo;
        std::istringstream in(line);
        std::string xs, ys;
        if (!(in >> xs >> ys)) continue;
        if (!convert(xs, ys)) return Failure("line " + std::to_string(lineNo) + ": X and Y are whole pixels");
    }
    return 0;
}

int RunGeoToPixel(const std::vector<std::string>& args) {
    std::string file;
    std::vector<std::string> nums;
    bool fromStdin;
    if (!SplitPointArgs(args, file, nums, fromStdin)) return UsageError("usage: map geo2px FILE LON LAT | FILE --stdin");
    MapDescription map;
    MapFileResult r;
    std::string error;
    if (!LoadMap(file, map, r, error)) return Failure(error);
    if (!map.calibration().calibrated()) return Failure("the map is not calibrated: " + map.calibration().calibrationError());
    auto convert = [&](const std::string& lons, const std::string& lats) {
        double lon, lat;
        if (!ParseDouble(lons, lon) || !ParseDouble(lats, lat) || std::fabs(lon) > 180 || std::fabs(lat) > 90)
            return false;
        const PixelPoint p = map.calibration().GeoToPixel(GeoPoint{DegreesToGeo(lon), DegreesToGeo(lat)});
        std::printf("%d %d\n", p.x, p.y);
        return true;
    };
    if (!fromStdin) return convert(nums[0], nums[1]) ? 0 : UsageError("LON and LAT are degrees (-180..180, -90..90)");
    std::string line;
    int lineNo = 0;
    while (std::getline(std::cin, line)) {
        ++lineNo;
        std::istringstream in(line);
        std::string a, b;
        if (!(in >> a >> b)) continue;
        if (!convert(a, b)) return Failure("line " + std::to_string(lineNo) + ": LON and LAT are degrees");
    }
    return 0;
}

int RunWrite(const std::vector<std::string>& args) {
    if (args.size() != 2) return UsageError("usage: map write FILE OUT.CAL");
    MapDescription map;
    MapFileResult r;
    std::string error;
    if (!LoadMap(args[0], map, r, error)) return Failure(error);
    if (!WriteDescriptionFileTo(map, args[1], Settings::instance().eastLetter(), &error)) return Failure(error);
    return 0;
}

}  // namespace

TREKTOOL_COMMAND("map info",
                 "map info FILE             calibration of a map (.CAL, .KAL, .MAP, .bpw/.jgw/.pgw/.tfw) as JSON",
                 RunInfo);
TREKTOOL_COMMAND("map px2geo",
                 "map px2geo FILE X Y       pixel (y up from the bottom row) -> \"lon lat\" in geo units and degrees\n"
                 "map px2geo FILE --stdin   the same for \"X Y\" lines on stdin",
                 RunPixelToGeo);
TREKTOOL_COMMAND("map geo2px",
                 "map geo2px FILE LON LAT   degrees -> pixel \"x y\"\n"
                 "map geo2px FILE --stdin   the same for \"LON LAT\" lines on stdin",
                 RunGeoToPixel);
TREKTOOL_COMMAND("map write", "map write FILE OUT.CAL    writes our own description file of any readable calibration",
                 RunWrite);

}  // namespace trek::tool
