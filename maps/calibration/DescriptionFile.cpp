#include "maps/calibration/DescriptionFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "geo/GeoText.h"
#include "maps/calibration/OsmCalibration.h"
#include "maps/calibration/ProjectedCalibration.h"
#include "maps/calibration/TextScan.h"
#include "maps/calibration/UtmCalibration.h"
#include "maps/calibration/LinearCalibration.h"

namespace trek {

namespace {

using calib::LineScan;

constexpr const char* kOsmLicenceLine =
    "# OpenStreetMap License    (http://wiki.openstreetmap.org/wiki/OpenStreetMap_License)\r\n";
constexpr const char* kCcLicenceLine = "# Creative Commons         (http://creativecommons.org/licenses/by-sa/2.0/)\r\n";

// The parameters of the projection kinds do not fit the classic keywords; this
// line carries them (degrees: origin longitude, origin latitude, standard
// parallels 1 and 2). Readers that do not know it skip it as an unknown line.
constexpr const char* kProjectionParamsKeyword = "PROJECTION_PARAMS:";

// State of one read: the map being filled and the DX/DY values waiting for an OSM projection.
struct ReadState {
    MapDescription& map;
    const std::string& path;
    double dx = 0.0;
    double dy = 0.0;
};

using LineHandler = void (*)(ReadState&, LineScan&);

void Ignore(ReadState&, LineScan&) {}

void ReadType(ReadState& st, LineScan& s) {
    if (auto code = MapTypeFromText(s.skipBlanks().rest())) st.map.type = *code;
}

void ReadName(ReadState& st, LineScan& s) {
    std::string_view v;
    if (s.skipBlanks().runExcept("\r\n", &v)) st.map.SetName(calib::EightBitToUtf8(v));
}

void ReadDate(ReadState& st, LineScan& s) {
    std::string_view v;
    if (s.skipBlanks().runExcept(" \t\r\n", &v)) st.map.SetDate(calib::EightBitToUtf8(v));
}

bool IsYes(LineScan& s) { return s.skipBlanks().rest().starts_with("YES"); }

void ReadVisible(ReadState& st, LineScan& s) { st.map.SetVisible(IsYes(s), true, 0); }

void ReadBackground(ReadState& st, LineScan& s) { st.map.background = IsYes(s); }

void ReadReferencePoint(ReadState& st, LineScan& s) {
    // "(x,y) ==> (longitude,latitude)"
    ReferencePoint p;
    std::string_view lon, lat;
    s.skipBlanks();
    if (!(s.run(" (") && s.integer(p.x) && s.run(" ,") && s.integer(p.y) && s.run(" )=>(") && s.runExcept(",", &lon) &&
          s.run(" ,") && s.runExcept(")", &lat)))
        return;
    p.lon = ParseGeoAngle8(lon);
    p.lat = ParseGeoAngle8(lat);
    st.map.calibration().mutableReferencePoints().push_back(p);
}

void ReadReferenceType(ReadState& st, LineScan& s) {
    if (auto index = ReferenceTypeFromText(s.skipBlanks().rest())) st.map.calibration().SetReferenceType(*index);
}

void ReadFileName(ReadState& st, LineScan& s) {
    std::string_view v;
    if (s.skipBlanks().runExcept("\t\r\n", &v))
        st.map.SetImagePath(calib::FolderOf(st.path) + calib::NativeRelative(calib::EightBitToUtf8(v)));
}

void ReadProjection(ReadState& st, LineScan& s) {
    s.skipBlanks();
    const size_t start = s.pos();
    std::vector<ReferencePoint> points = st.map.calibration().referencePoints();
    std::unique_ptr<MapCalibration> next;
    if (s.literalNoCase("OSM")) {
        next = std::make_unique<OsmCalibration>(st.dx, st.dy);
    } else if (s.reset(start), s.literalNoCase("WGS84")) {
        next = std::make_unique<LinearCalibration>();
    } else if (s.reset(start), s.literalNoCase("Mercator")) {
        ProjectionParams params;
        if (!points.empty()) {
            params.lon0 = points[0].lon;
            params.lat0 = points[0].lat;
        }
        next = std::make_unique<MercatorCalibration>(params);
    } else {
        // The other projection kinds are only told apart by their full names.
        s.reset(start);
        const std::string_view value = calib::TrimBlanks(s.rest());
        const auto kind = CalibrationKindFromName(value);
        if (kind == CalibrationKind::TransverseMercator || kind == CalibrationKind::LambertConformalConic ||
            kind == CalibrationKind::LambertAzimuthalEqualArea)
            next = CreateCalibration(*kind);
    }
    if (!next) return;  // any other value keeps the current calibration
    next->SetReferencePoints(std::move(points));
    st.map.SetCalibration(std::move(next));
}

void ReadProjectionParams(ReadState& st, LineScan& s) {
    auto* projected = dynamic_cast<ProjectedCalibration*>(&st.map.calibration());
    if (!projected) return;
    double v[4] = {0, 0, 0, 0};
    if (!s.number(v[0])) return;
    for (int i = 1; i < 4; ++i)
        if (!(s.run(" ,") && s.number(v[i]))) return;
    for (double d : v)
        if (std::fabs(d) > 360.0) return;
    projected->SetParams({DegreesToGeo(v[0]), DegreesToGeo(v[1]), DegreesToGeo(v[2]), DegreesToGeo(v[3])});
}

void ReadDx(ReadState& st, LineScan& s) {
    double v;
    if (!s.number(v)) return;
    st.dx = v;
    if (auto* osm = dynamic_cast<OsmCalibration*>(&st.map.calibration())) osm->SetDx(v);
}

void ReadDy(ReadState& st, LineScan& s) {
    double v;
    if (!s.number(v)) return;
    st.dy = v;
    if (auto* osm = dynamic_cast<OsmCalibration*>(&st.map.calibration())) osm->SetDy(v);
}

struct Keyword {
    const char* word;
    LineHandler handler;
};

// In table order; the first keyword that begins the line is taken.
constexpr Keyword kKeywords[] = {
    {"#", Ignore},
    {"TYPE:", ReadType},
    {"NAME:", ReadName},
    {"DATE:", ReadDate},
    {"VISIBLE:", ReadVisible},
    {"SCALE:", Ignore},
    {"DPI:", Ignore},
    {"COVERED_AREA:", Ignore},
    {"REFERENCE_POINT:", ReadReferencePoint},
    {"REFERENCE_SCALE:", Ignore},
    {"REFERENCE_TYPE:", ReadReferenceType},
    {"UTM_REF:", Ignore},
    {"FILENAME:", ReadFileName},
    {"PROJECTION:", ReadProjection},
    {"ELLIPSOID:", Ignore},
    {"DX:", ReadDx},
    {"DY:", ReadDy},
    {"BACKGROUND:", ReadBackground},
    {kProjectionParamsKeyword, ReadProjectionParams},
};

std::string FormatCoordinate(int32_t value, char letter) {
    const double a = std::fabs(double(value)) + 0.5;
    char text[48];
    std::snprintf(text, sizeof text, "%.7f\xB0%c", a * geo::kDegreesPerUnit, letter);
    return text;
}

// Text fields go out in the 8-bit code page; a line end inside one would start a new keyword line.
std::string FieldText(std::string_view utf8) {
    std::string out = calib::Utf8ToEightBit(utf8);
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

void AppendLine(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void AppendLine(std::string& out, const char* format, ...) {
    char line[1024];
    va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(line, sizeof line, format, args);
    va_end(args);
    if (n > 0) out.append(line, std::min<size_t>(size_t(n), sizeof line - 1));
}

}  // namespace

bool IsDescriptionText(std::string_view bytes) { return bytes.starts_with("TYPE:"); }

bool IsDescriptionFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    char head[5] = {};
    return in && in.read(head, 5) && IsDescriptionText(std::string_view(head, 5));
}

void ParseDescription(std::string_view text, const std::string& path, MapDescription& map) {
    if (text.size() > kDescriptionReadLimit) text = text.substr(0, kDescriptionReadLimit);
    map.type = kMapTypeRaster;
    map.SetVisible(false, true, 0);
    map.background = false;
    map.SetCalibration(nullptr);
    map.SetDescriptionPath(path);
    ReadState st{map, path};
    calib::LineReader lines(text);
    std::string_view line;
    while (lines.next(line)) {
        LineScan s(line);
        s.skipBlanks();
        for (const auto& kw : kKeywords) {
            if (s.literal(kw.word)) {
                kw.handler(st, s);
                break;
            }
        }
    }
}

bool ReadDescriptionFile(const std::string& path, MapDescription& map) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string text(kDescriptionReadLimit, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(size_t(in.gcount()));
    ParseDescription(text, path, map);
    return true;
}

std::string FormatDescriptionLatitude(int32_t lat) { return FormatCoordinate(lat, lat < 0 ? 'S' : 'N'); }

std::string FormatDescriptionLongitude(int32_t lon, char eastLetter) {
    return FormatCoordinate(lon, lon < 0 ? 'W' : eastLetter);
}

std::string FormatDescription(const MapDescription& map, char eastLetter) {
    const MapCalibration& cal = map.calibration();
    const auto* osm = dynamic_cast<const OsmCalibration*>(&cal);
    const auto* projected = dynamic_cast<const ProjectedCalibration*>(&cal);
    std::string out;
    out += "TYPE:      RASTERMAP\r\n";
    AppendLine(out, "NAME:      %s\r\n", FieldText(map.name).c_str());
    AppendLine(out, "DATE:      %s\r\n", FieldText(map.date).c_str());
    out += map.visible ? "VISIBLE:    YES\r\n" : "VISIBLE:    NO\r\n";
    if (map.background) out += "BACKGROUND: YES\r\n";
    for (const auto& p : cal.referencePoints())
        AppendLine(out, "REFERENCE_POINT: (%d,%d) ==> (%s,%s)\r\n", p.x, p.y,
                   FormatDescriptionLongitude(p.lon, eastLetter).c_str(), FormatDescriptionLatitude(p.lat).c_str());
    if (osm) {
        AppendLine(out, "DX:        %f\r\n", osm->dx());
        AppendLine(out, "DY:        %f\r\n", osm->dy());
    }
    AppendLine(out, "HEIGHTDIFF:\t    %d\r\n", map.heightDiff);
    AppendLine(out, "PROJECTION:\t    %s\r\n", cal.kindName());
    if (projected && cal.kind() != CalibrationKind::Mercator) {
        const ProjectionParams& p = projected->params();
        AppendLine(out, "%s %.9f,%.9f,%.9f,%.9f\r\n", kProjectionParamsKeyword, GeoToDegrees(p.lon0),
                   GeoToDegrees(p.lat0), GeoToDegrees(p.lat1), GeoToDegrees(p.lat2));
    }
    out += "ELLIPSOID:\t    WGS84\r\n";
    AppendLine(out, "FILENAME:  %s\r\n", FieldText(calib::FileNameOf(map.imagePath)).c_str());
    if (osm) {
        out += kOsmLicenceLine;
        out += kCcLicenceLine;
    }
    return out;
}

std::string DescriptionTargetPath(const MapDescription& map) {
    const std::string& base = map.descriptionPath.empty() ? map.imagePath : map.descriptionPath;
    if (base.empty()) return {};
    return calib::WithoutExtension(base) + ".CAL";
}

std::string OwnDescriptionPathFor(const std::string& foreignPath) {
    return calib::WithoutExtension(foreignPath) + kOwnDescriptionSuffix;
}

bool WriteDescriptionFile(const MapDescription& map, char eastLetter, std::string* error) {
    const std::string target = DescriptionTargetPath(map);
    if (target.empty()) {
        if (error) *error = "the map has no description path";
        return false;
    }
    return WriteDescriptionFileTo(map, target, eastLetter, error);
}

bool WriteDescriptionFileTo(const MapDescription& map, const std::string& target, char eastLetter,
                            std::string* error) {
    auto fail = [&](std::string why) {
        if (error) *error = std::move(why);
        return false;
    };
    if (map.IsTileMap()) return fail("tile maps have no description file");
    if (calib::ExtensionUpper(map.imagePath) == "TVM") return fail("the map is a .tvm container");
    if (target.empty()) return fail("no file name");
    const std::string text = FormatDescription(map, eastLetter);

    // Written beside the target and renamed over it, so that a crash never leaves half a file.
    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) return fail(std::string(kCalWriteErrorMessage) + " (" + std::strerror(errno) + ")");
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    const bool written = done == text.size() && ::fsync(fd) == 0;
    const int savedErrno = errno;
    ::close(fd);
    if (!written || ::rename(temp.c_str(), target.c_str()) != 0) {
        const int why = written ? errno : savedErrno;
        ::unlink(temp.c_str());
        return fail(std::string(kCalWriteErrorMessage) + " (" + std::strerror(why) + ")");
    }
    ::chmod(target.c_str(), 0644);
    return true;
}

}  // namespace trek
