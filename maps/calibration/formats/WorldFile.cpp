#include "maps/calibration/formats/WorldFile.h"

#include <cctype>
#include <cmath>
#include <filesystem>
#include <string_view>

#include "maps/calibration/OsmCalibration.h"
#include "maps/calibration/TextScan.h"
#include "maps/calibration/formats/ReaderSupport.h"

namespace trek {

namespace {

struct WorldFileRow {
    const char* extension;  // of the world file, upper case
    const char* image;      // of the image it describes
    const char* alternate;  // a longer spelling of the image extension
};

constexpr WorldFileRow kWorldFiles[] = {
    {"BPW", ".BMP", ".BMP"},
    {"JGW", ".JPG", ".JPEG"},
    {"PGW", ".PNG", ".PNG"},
    {"TFW", ".TIF", ".TIFF"},
};

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// Linux file names keep their case: "scan.pgw" describes "scan.png", not
// "scan.PNG". The image beside the world file is looked up ignoring the case
// of its extension; when none exists the upper-case name stands.
std::string ImageBeside(const std::string& base, const WorldFileRow& row) {
    namespace fs = std::filesystem;
    const fs::path basePath(base);
    const std::string stem = basePath.filename().string();
    std::error_code ec;
    fs::path dir = basePath.parent_path();
    if (dir.empty()) dir = ".";
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.size() <= stem.size() || name.compare(0, stem.size(), stem) != 0) continue;
        std::string_view ext = std::string_view(name).substr(stem.size());
        if (SameIgnoringCase(ext, row.image) || SameIgnoringCase(ext, row.alternate)) return it->path().string();
    }
    return base + row.image;
}

// Line 5/6 values: degrees as the format is meant here; values beyond the
// globe can only be web-Mercator metres, which are converted rather than
// overflowing the geo units.
bool Coordinate(double x, double y, ReferencePoint& p) {
    if (std::fabs(x) <= 180.0 && std::fabs(y) <= 90.0) {
        p.lon = DegreesToGeo(x);
        p.lat = DegreesToGeo(y);
        return true;
    }
    constexpr double kLimit = OsmCalibration::kRadius * M_PI;
    if (!(std::fabs(x) <= kLimit && std::fabs(y) <= kLimit)) return false;
    p.lon = RadiansToGeo(x / OsmCalibration::kRadius);
    p.lat = RadiansToGeo(std::atan(std::sinh(y / OsmCalibration::kRadius)));
    return true;
}

}  // namespace

const char* WorldFileFormat::name() const { return "OSM (World File)"; }

CalibrationReadResult WorldFileFormat::Read(std::string_view text, const std::string& path,
                                            const CalibrationReadContext& context, MapDescription& map) const {
    const std::string ext = calib::ExtensionUpper(path);
    const WorldFileRow* row = nullptr;
    for (const auto& r : kWorldFiles)
        if (ext == r.extension) row = &r;
    if (!row) return calib::Failed("not a world file extension (.bpw, .jgw, .pgw, .tfw)");

    double v[6];
    int count = 0;
    calib::LineReader lines(calib::CutToReadLimit(text));
    std::string_view line;
    while (count < 6 && lines.next(line)) {
        calib::LineScan s(line);
        s.skipBlanks();
        if (s.atEnd() || s.rest().starts_with(";")) continue;
        if (!s.number(v[count])) return calib::Failed("line " + std::to_string(lines.lineNumber()) + " holds no number", lines.lineNumber());
        ++count;
    }
    if (count < 6) return calib::Failed("a world file holds six numbers, this one " + std::to_string(count));
    const double dx = v[0], dy = v[3];
    if (dx == 0 || dy == 0) return calib::Failed("the pixel size is zero");
    ReferencePoint p0;
    if (!Coordinate(v[4], v[5], p0)) return calib::Failed("the upper-left corner lies outside the globe");

    CalibrationReadResult result;
    calib::InitForeignMap(map, context);
    const std::string base = calib::WithoutExtension(path);
    map.SetName(calib::FileNameOf(base));
    map.SetImagePath(ImageBeside(base, *row));
    map.SetDescriptionPath(base + ".CAL");
    result.image = calib::ProbeImage(context, map.imagePath);

    // P0 is the upper-left corner (y = height is the top edge of the top row).
    p0.x = 0;
    p0.y = result.image.height;
    auto cal = std::make_unique<OsmCalibration>(dx, dy);
    cal->SetReferencePoints({p0});
    cal->Calibrate();
    // P1 is the lower-right corner, placed by the calibration itself so that it
    // carries a real position (and the map a real scale).
    ReferencePoint p1;
    p1.x = result.image.width;
    p1.y = 0;
    const CalibrationPosition g = cal->PixelToGeo(p1.x, p1.y);
    p1.lon = g.geo.lon;
    p1.lat = g.geo.lat;
    cal->SetReferencePoints({p0, p1});
    map.SetCalibration(std::move(cal));
    result.ok = true;
    return result;
}

}  // namespace trek
