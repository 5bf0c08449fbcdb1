#include "maps/calibration/MapDescription.h"

#include <ctime>

#include "maps/calibration/UtmCalibration.h"

namespace trek {

namespace {

constexpr MapTypeEntry kMapTypes[] = {
    {"dummy", 0},   {"RASTERMAP", kMapTypeRaster}, {"VECTORMAP", kMapTypeVector},
    {"PERSON", kMapTypePerson}, {"COMPANY", kMapTypeCompany}, {"TOURMAP", kMapTypeTour},
    {"LOCATION", kMapTypeLocation}, {"WORLDMAP", kMapTypeWorld},
};

}  // namespace

const MapTypeEntry* MapTypeTable(size_t* count) {
    if (count) *count = std::size(kMapTypes);
    return kMapTypes;
}

std::optional<uint8_t> MapTypeFromText(std::string_view value) {
    std::optional<uint8_t> found;
    for (const auto& row : kMapTypes)
        if (value.starts_with(row.name)) found = row.code;
    return found;
}

const char* MapTypeName(uint8_t code) {
    // Row 0 is a placeholder; the first real row with the code names it.
    for (size_t i = 1; i < std::size(kMapTypes); ++i)
        if (kMapTypes[i].code == code) return kMapTypes[i].name;
    return nullptr;
}

MapDescription::MapDescription() : calibration_(std::make_unique<UtmCalibration>()) {}

MapDescription::~MapDescription() = default;

void MapDescription::SetVisible(bool isVisible, bool, int) { visible = isVisible; }

void MapDescription::CopyFrom(const MapDescription& other) {
    type = other.type;
    flags = other.flags;
    name = other.name;
    date = other.date;
    imagePath = other.imagePath;
    visible = other.visible;
    heightDiff = other.heightDiff;
    background = other.background;
    descriptionPath = other.descriptionPath;
    calibration_ = other.calibration_->Clone();
}

void MapDescription::SetCalibration(std::unique_ptr<MapCalibration> calibration) {
    calibration_ = calibration ? std::move(calibration) : std::make_unique<UtmCalibration>();
}

void MapDescription::SetName(std::string_view text) { name = CutUtf8(text, kMapNameMax); }
void MapDescription::SetDate(std::string_view text) { date = CutUtf8(text, kMapDateMax); }
void MapDescription::SetImagePath(std::string_view path) { imagePath = CutUtf8(path, kMapPathMax); }
void MapDescription::SetDescriptionPath(std::string_view path) { descriptionPath = CutUtf8(path, kMapPathMax); }

std::string TodayDateText() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char text[32];
    std::snprintf(text, sizeof text, "%4.4d/%2.2d/%2.2d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
    return text;
}

std::string CutUtf8(std::string_view text, size_t maxChars) {
    size_t chars = 0;
    size_t i = 0;
    while (i < text.size()) {
        if (chars == maxChars) break;
        const auto b = static_cast<unsigned char>(text[i]);
        size_t len = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 1;
        if (i + len > text.size()) len = text.size() - i;
        i += len;
        ++chars;
    }
    return std::string(text.substr(0, i));
}

}  // namespace trek
