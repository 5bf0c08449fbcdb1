#include "maps/calibration/formats/TouratechCal.h"

#include <optional>

#include "maps/calibration/DescriptionFile.h"
#include "maps/calibration/TextScan.h"
#include "maps/calibration/formats/ReaderSupport.h"

namespace trek {

namespace {

using calib::LineScan;

// "key = type = value": the key, a run of blanks and '=', the type number, another run, the value.
bool TextField(LineScan& s, std::string_view key, std::string_view& value) {
    const size_t start = s.pos();
    if (s.literal(key) && s.run(" =") && s.run(" 0123456789") && s.run(" =") && s.runExcept("\t\r\n", &value))
        return true;
    s.reset(start);
    return false;
}

// "key = 6 = number": the map edges are type 6 (a double).
bool EdgeField(LineScan& s, std::string_view key, double& value) {
    const size_t start = s.pos();
    if (s.literal(key) && s.skipSpace().literal("=") && s.skipSpace().literal("6") && s.run(" =") && s.number(value))
        return true;
    s.reset(start);
    return false;
}

}  // namespace

const char* TouratechCalFormat::name() const { return "Touratech (.CAL)"; }

CalibrationReadResult TouratechCalFormat::Read(std::string_view text, const std::string& path,
                                               const CalibrationReadContext& context, MapDescription& map) const {
    std::string mapName, imageName;
    std::optional<double> west, east, north, south;
    calib::LineReader lines(calib::CutToReadLimit(text));
    std::string_view line;
    while (lines.next(line)) {
        LineScan s(line);
        s.skipBlanks();
        if (s.rest().starts_with(";")) continue;
        std::string_view v;
        double d;
        if (TextField(s, "name", v))
            mapName = calib::EightBitToUtf8(v);
        else if (TextField(s, "fname", v) || TextField(s, "bitmapfile", v))
            imageName = calib::NativeRelative(calib::EightBitToUtf8(v));
        else if (EdgeField(s, "west", d))
            west = d;
        else if (EdgeField(s, "ost", d))
            east = d;
        else if (EdgeField(s, "nord", d))
            north = d;
        else if (EdgeField(s, "sued", d))
            south = d;
    }
    ReferencePoint p0, p1;
    if (!west || !east || !north || !south) return calib::Failed("the map edges west, ost, nord and sued are not all given");
    if (!calib::LongitudeDegrees(*west, p0.lon) || !calib::LongitudeDegrees(*east, p1.lon) ||
        !calib::LatitudeDegrees(*south, p0.lat) || !calib::LatitudeDegrees(*north, p1.lat))
        return calib::Failed("a map edge lies outside the globe");

    if (imageName.empty()) {
        // Without a file name the map name names the image, its last "_" standing for the dot.
        imageName = mapName;
        const size_t underscore = imageName.find_last_of('_');
        if (underscore != std::string::npos) imageName[underscore] = '.';
    }
    CalibrationReadResult result;
    calib::InitForeignMap(map, context);
    map.SetName(mapName);
    map.SetImagePath(calib::FolderOf(path) + imageName);
    map.SetDescriptionPath(OwnDescriptionPathFor(path));
    result.image = calib::ProbeImage(context, map.imagePath);
    // P0 is the bottom-left corner, P1 the top-right one.
    p0.x = 0;
    p0.y = 0;
    p1.x = result.image.width - 1;
    p1.y = result.image.height - 1;
    map.calibration().SetReferencePoints({p0, p1});
    result.ok = true;
    return result;
}

}  // namespace trek
