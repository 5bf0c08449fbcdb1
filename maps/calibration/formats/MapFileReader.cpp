#include "maps/calibration/formats/MapFileReader.h"

#include <fstream>

#include "maps/calibration/DescriptionFile.h"
#include "maps/calibration/TextScan.h"
#include "maps/calibration/formats/GlopusKal.h"
#include "maps/calibration/formats/OziMap.h"
#include "maps/calibration/formats/TouratechCal.h"
#include "maps/calibration/formats/WorldFile.h"

namespace trek {

namespace {

struct ExtensionRow {
    const char* extension;  // upper case, without the dot
    MapFileKind kind;
};

constexpr ExtensionRow kExtensions[] = {
    {"CAL", MapFileKind::Description}, {"KAL", MapFileKind::Glopus},    {"MAP", MapFileKind::Ozi},
    {"BPW", MapFileKind::WorldFile},   {"JGW", MapFileKind::WorldFile}, {"PGW", MapFileKind::WorldFile},
    {"TFW", MapFileKind::WorldFile},
};

}  // namespace

MapFileKind MapFileKindFor(const std::string& path, std::string_view firstBytes) {
    const std::string ext = calib::ExtensionUpper(path);
    for (const auto& row : kExtensions) {
        if (ext != row.extension) continue;
        if (row.kind == MapFileKind::Description && !IsDescriptionText(firstBytes)) return MapFileKind::Touratech;
        return row.kind;
    }
    return MapFileKind::Unknown;
}

const CalibrationFormat* FormatFor(MapFileKind kind) {
    static const TouratechCalFormat touratech;
    static const GlopusKalFormat glopus;
    static const WorldFileFormat worldFile;
    static const OziMapFormat ozi;
    switch (kind) {
    case MapFileKind::Touratech: return &touratech;
    case MapFileKind::Glopus: return &glopus;
    case MapFileKind::WorldFile: return &worldFile;
    case MapFileKind::Ozi: return &ozi;
    default: return nullptr;
    }
}

MapFileResult ReadMapFile(const std::string& path, MapDescription& map, const CalibrationReadContext& context) {
    MapFileResult result;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        result.error = "cannot open " + path;
        return result;
    }
    std::string text(kCalibrationReadLimit, '\0');
    in.read(text.data(), std::streamsize(text.size()));
    text.resize(size_t(in.gcount()));

    result.kind = MapFileKindFor(path, text);
    if (result.kind == MapFileKind::Unknown) {
        result.error = "not a calibration file (.CAL, .KAL, .MAP, .bpw, .jgw, .pgw, .tfw): " + path;
        return result;
    }
    if (result.kind == MapFileKind::Description) {
        ParseDescription(text, path, map);
        if (auto info = context.imageInfo ? context.imageInfo(map.imagePath) : std::nullopt) result.image = *info;
        result.ok = true;
    } else {
        CalibrationReadResult r = FormatFor(result.kind)->Read(text, path, context, map);
        result.ok = r.ok;
        result.image = r.image;
        result.messages = std::move(r.messages);
        if (!r.ok) result.error = result.messages.empty() ? "unreadable calibration" : result.messages.back().text;
    }
    if (result.ok) map.calibration().Calibrate();
    return result;
}

}  // namespace trek
