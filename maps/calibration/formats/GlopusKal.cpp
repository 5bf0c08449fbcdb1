#include "maps/calibration/formats/GlopusKal.h"

#include <map>

#include "maps/calibration/TextScan.h"
#include "maps/calibration/formats/ReaderSupport.h"

namespace trek {

namespace {

using calib::LineScan;

struct KalPoint {
    double lon = 0, lat = 0;
    int32_t x = 0, y = 0;
    bool hasLon = false, hasLat = false, hasPixel = false;
    bool complete() const { return hasLon && hasLat && hasPixel; }
};

}  // namespace

const char* GlopusKalFormat::name() const { return "Glopus (.KAL)"; }

CalibrationReadResult GlopusKalFormat::Read(std::string_view text, const std::string& path,
                                            const CalibrationReadContext& context, MapDescription& map) const {
    std::map<int32_t, KalPoint> points;
    KalPoint* current = nullptr;
    std::string imageName;
    calib::LineReader lines(calib::CutToReadLimit(text));
    std::string_view line;
    while (lines.next(line)) {
        LineScan s(line);
        s.skipBlanks();
        const size_t start = s.pos();
        int32_t number;
        double d;
        int32_t x, y;
        std::string_view v;
        if (s.literal("[Calibration Point") && s.run(" ") && s.integer(number)) {
            current = &points[number];
        } else if (s.reset(start), s.literal("Longitude") && s.run(" =") && s.number(d)) {
            if (current) current->lon = d, current->hasLon = true;
        } else if (s.reset(start), s.literal("Latitude") && s.run(" =") && s.number(d)) {
            if (current) current->lat = d, current->hasLat = true;
        } else if (s.reset(start), s.literal("Pixel") && s.run(" =") && s.literal("POINT") && s.run(" (") &&
                                       s.integer(x) && s.run(" ,") && s.integer(y)) {
            if (current) current->x = x, current->y = y, current->hasPixel = true;
        } else if (s.reset(start), s.literal("Bitmap") && s.run(" =") && s.runExcept("\r\n", &v)) {
            imageName = calib::NativeRelative(calib::EightBitToUtf8(v));
        }
    }
    for (int32_t needed : {1, 2}) {
        auto it = points.find(needed);
        if (it == points.end() || !it->second.complete())
            return calib::Failed("calibration point " + std::to_string(needed) + " is missing or incomplete");
    }
    CalibrationReadResult result;
    calib::InitForeignMap(map, context);
    map.SetName(calib::FileNameOf(calib::WithoutExtension(path)));
    map.SetImagePath(calib::FolderOf(path) + imageName);
    map.SetDescriptionPath(calib::WithoutExtension(path) + ".CAL");
    result.image = calib::ProbeImage(context, map.imagePath);

    // Points 1 and 2 first (P0, P1), any further complete points after them.
    std::vector<ReferencePoint> refs;
    auto add = [&](const KalPoint& k) {
        ReferencePoint p;
        if (!calib::LongitudeDegrees(k.lon, p.lon) || !calib::LatitudeDegrees(k.lat, p.lat)) return false;
        p.x = k.x;
        p.y = int32_t(int64_t(result.image.height) - k.y);  // rows counted from the top in the file
        refs.push_back(p);
        return true;
    };
    if (!add(points[1]) || !add(points[2])) return calib::Failed("a calibration point lies outside the globe");
    for (const auto& [number, k] : points)
        if (number != 1 && number != 2 && k.complete()) add(k);
    map.calibration().SetReferencePoints(std::move(refs));
    result.ok = true;
    return result;
}

}  // namespace trek
