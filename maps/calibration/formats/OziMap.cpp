#include "maps/calibration/formats/OziMap.h"

#include <cmath>

#include "geo/Utm.h"
#include "maps/calibration/OsmCalibration.h"
#include "maps/calibration/TextScan.h"
#include "maps/calibration/formats/ReaderSupport.h"

namespace trek {

namespace {

using calib::LineScan;

struct ProjectionRow {
    const char* prefix;  // compared with the start of the "Map Projection" name
    CalibrationKind kind;
};

// In this order; the first prefix that matches wins, anything else is UTM.
constexpr ProjectionRow kProjections[] = {
    {"OSM", CalibrationKind::Osm},
    {"Lambert Azimuthual Equal Area", CalibrationKind::LambertAzimuthalEqualArea},
    {"Lambert Conformal Conic", CalibrationKind::LambertConformalConic},
    {"WGS84", CalibrationKind::Linear},
    {"Transverse Mercator", CalibrationKind::TransverseMercator},
    {"Mercator", CalibrationKind::Mercator},
    // A plain latitude/longitude grid is exactly what the linear kind describes.
    {"Latitude/Longitude", CalibrationKind::Linear},
};

CalibrationKind KindForProjection(std::string_view name) {
    for (const auto& row : kProjections)
        if (name.starts_with(row.prefix)) return row.kind;
    return CalibrationKind::Utm;
}

// "Projection Setup," as OziExplorer writes it: latitude origin, longitude
// origin, scale factor, false easting, false northing, standard parallels 1 and 2.
struct ProjectionSetup {
    double value[7] = {0, 0, 0, 0, 0, 0, 0};
    bool given = false;
    double latOrigin() const { return value[0]; }
    double lonOrigin() const { return value[1]; }
    double parallel1() const { return value[5]; }
    double parallel2() const { return value[6]; }
};

ProjectionSetup ReadSetup(std::string_view rest) {
    ProjectionSetup setup;
    setup.given = true;
    for (int field = 0; field < 7 && !rest.empty(); ++field) {
        const size_t comma = rest.find(',');
        const std::string_view item = calib::TrimBlanks(rest.substr(0, comma));
        LineScan s(item);
        double v;
        if (s.number(v)) setup.value[field] = v;  // empty fields stay 0
        if (comma == std::string_view::npos) break;
        rest.remove_prefix(comma + 1);
    }
    return setup;
}

// One "Point" line in one of its layouts.
struct OziPoint {
    enum Kind { Empty, Geographic, Grid, Unknown } kind = Unknown;
    int32_t x = 0, y = 0;
    double lat = 0, lon = 0;  // degrees, Geographic
    int32_t zone = 0, easting = 0, northing = 0;
    bool south = false;
    bool hasZone = false;
};

bool IsNegativeLetter(char c) { return c == 'S' || c == 's' || c == 'W' || c == 'w'; }

OziPoint ReadPoint(LineScan& s) {
    OziPoint p;
    int32_t number;
    if (!(s.literal("Point") && s.integer(number) && s.run(" ,xy"))) return p;
    const size_t afterXy = s.pos();
    if (!s.integer(p.x)) {
        // Slots without pixel values are how OziExplorer writes unused points.
        p.kind = OziPoint::Empty;
        return p;
    }
    if (!(s.run(" ,") && s.integer(p.y))) return p;
    const size_t afterPixel = s.pos();

    double latDeg, latMin, lonDeg, lonMin;
    char latH, lonH;
    if (s.run(" ,indeg") && s.number(latDeg) && s.run(" ,") && s.number(latMin) && s.run(" ,") && s.character(latH) &&
        s.run(" ,") && s.number(lonDeg) && s.run(" ,") && s.number(lonMin) && s.run(" ,") && s.character(lonH)) {
        p.lat = latDeg + latMin / 60.0;
        p.lon = lonDeg + lonMin / 60.0;
        if (IsNegativeLetter(latH)) p.lat = -p.lat;
        if (IsNegativeLetter(lonH)) p.lon = -p.lon;
        p.kind = OziPoint::Geographic;
        return p;
    }
    constexpr std::string_view kGridLead = " ,indegrNSWEOswo";
    char h;
    s.reset(afterPixel);
    if (s.run(kGridLead) && s.integer(p.zone) && s.run(" ,") && s.integer(p.easting) && s.run(" ,") &&
        s.integer(p.northing) && s.run(" ,") && s.character(h)) {
        p.hasZone = true;
        p.south = h == 'S' || h == 's';
        p.kind = OziPoint::Grid;
        return p;
    }
    s.reset(afterPixel);
    if (s.run(kGridLead) && s.integer(p.easting) && s.run(" ,") && s.integer(p.northing) && s.run(" ,") &&
        s.character(h)) {
        p.south = h == 'S' || h == 's';
        p.kind = OziPoint::Grid;
        return p;
    }
    (void)afterXy;
    p.kind = OziPoint::Unknown;
    return p;
}

}  // namespace

const char* OziMapFormat::name() const { return "OZI Explorer (.MAP)"; }

CalibrationReadResult OziMapFormat::Read(std::string_view text, const std::string& path,
                                         const CalibrationReadContext& context, MapDescription& map) const {
    CalibrationReadResult result;
    std::string title, imageField, projectionName;
    ProjectionSetup setup;
    std::vector<std::pair<OziPoint, int>> points;  // with their line numbers
    int32_t iwhWidth = 0, iwhHeight = 0;

    calib::LineReader lines(calib::CutToReadLimit(text));
    std::string_view line;
    int textLine = 0;  // title and image name: the first lines after the optional header
    bool headerSeen = false;
    while (lines.next(line)) {
        LineScan s(line);
        s.skipBlanks();
        const std::string_view rest = s.rest();
        if (lines.lineNumber() == 1 && rest.starts_with("OziExplorer Map Data File")) {
            headerSeen = true;
            continue;
        }
        if (textLine < 2 && lines.lineNumber() <= (headerSeen ? 3 : 2)) {
            (textLine == 0 ? title : imageField) = calib::EightBitToUtf8(calib::TrimBlanks(rest));
            ++textLine;
            continue;
        }
        if (rest.starts_with(";")) continue;
        if (s.literal("Map Projection")) {
            s.run(" ,");
            std::string_view name;
            if (s.runExcept(",", &name)) projectionName = std::string(calib::TrimBlanks(name));
        } else if (s.literal("Projection Setup,")) {
            setup = ReadSetup(s.rest());
        } else if (rest.starts_with("Point")) {
            points.push_back({ReadPoint(s), lines.lineNumber()});
        } else if (s.literal("IWH,")) {
            s.runExcept(",");  // "Map Image Width/Height"
            int32_t w, h;
            if (s.run(",") && s.integer(w) && s.run(" ,") && s.integer(h)) iwhWidth = w, iwhHeight = h;
        }
    }
    if (imageField.empty()) return calib::Failed("the image file name is missing");

    calib::InitForeignMap(map, context);
    map.SetName(title);
    // Image names are usually full Windows paths; the image is looked for beside the .MAP file.
    map.SetImagePath(calib::FolderOf(path) + std::string(calib::FileNameOf(imageField)));
    map.SetDescriptionPath(calib::WithoutExtension(path) + ".CAL");
    result.image = calib::ProbeImage(context, map.imagePath);
    if (result.image.width <= 0 && iwhWidth > 0 && iwhHeight > 0) {
        result.image.width = iwhWidth;
        result.image.height = iwhHeight;
    }
    const int64_t height = result.image.height;

    const CalibrationKind kind = KindForProjection(projectionName);
    std::vector<ReferencePoint> refs;
    for (const auto& [p, lineNo] : points) {
        ReferencePoint r;
        r.x = p.x;
        r.y = int32_t(height - 1 - int64_t(p.y));  // rows counted from the top in the file
        if (p.kind == OziPoint::Empty) continue;
        if (p.kind == OziPoint::Unknown) {
            result.messages.push_back({lineNo, 0, "Unknown point format"});
            continue;
        }
        if (p.kind == OziPoint::Geographic) {
            if (!calib::LongitudeDegrees(p.lon, r.lon) || !calib::LatitudeDegrees(p.lat, r.lat)) {
                result.messages.push_back({lineNo, 0, "point outside the globe"});
                continue;
            }
        } else {
            int32_t zone = p.zone;
            if (!p.hasZone && kind == CalibrationKind::TransverseMercator && setup.given)
                zone = int32_t(std::floor((setup.lonOrigin() + 180.0) / 6.0)) + 1;  // the zone of the central meridian
            if (zone < 1 || zone > 60) {
                result.messages.push_back({lineNo, 0, "grid point without a UTM zone"});
                continue;
            }
            const cUTM u = cUTM::FromUtm(p.easting, zone, p.northing, p.south ? 'M' : 'N');
            if (!calib::LongitudeDegrees(u.longitude, r.lon) || !calib::LatitudeDegrees(u.latitude, r.lat)) {
                result.messages.push_back({lineNo, 0, "grid point outside the globe"});
                continue;
            }
        }
        refs.push_back(r);
    }

    ProjectionParams params;
    if (setup.given) {
        params.lat0 = DegreesToGeo(std::clamp(setup.latOrigin(), -90.0, 90.0));
        params.lon0 = DegreesToGeo(std::clamp(setup.lonOrigin(), -180.0, 180.0));
        params.lat1 = DegreesToGeo(std::clamp(setup.parallel1(), -90.0, 90.0));
        params.lat2 = DegreesToGeo(std::clamp(setup.parallel2(), -90.0, 90.0));
    }
    double osmDx = 0, osmDy = 0;
    if (kind == CalibrationKind::Osm && refs.size() >= 2 && refs[0].x != refs[1].x && refs[0].y != refs[1].y) {
        // A .MAP carries no pixel size; the first two points give it.
        auto mercY = [](int32_t lat) { return std::log(std::tan(M_PI / 4 + lat * 0.5e-8)); };
        osmDx = (double(refs[1].lon) - refs[0].lon) * OsmCalibration::kMetresPerGeoUnit / (refs[1].x - refs[0].x);
        osmDy = (mercY(refs[0].lat) - mercY(refs[1].lat)) * OsmCalibration::kRadius / (refs[1].y - refs[0].y);
    }
    auto cal = CreateCalibration(kind, params, osmDx, osmDy);
    cal->SetReferencePoints(std::move(refs));
    map.SetCalibration(std::move(cal));
    result.ok = true;
    return result;
}

}  // namespace trek
