#pragma once
// The shared record of every map the program can show: scanned raster images,
// tile containers, online tile sources, tour maps and the world map. Raster
// maps keep it in a description file beside the image (DescriptionFile.h);
// foreign calibration files are converted into it (formats/).
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "maps/calibration/MapCalibration.h"

namespace trek {

// Map type codes. Code 2 is never produced by the type-name table; the
// catalogue uses it for the lists that are neither raster maps nor tours.
enum MapTypeCode : uint8_t {
    kMapTypeRaster = 0,
    kMapTypeTour = 1,
    kMapTypeOther = 2,
    kMapTypeVector = 3,
    kMapTypePerson = 4,
    kMapTypeCompany = 5,
    kMapTypeLocation = 6,
    kMapTypeWorld = 7,
};

struct MapTypeEntry {
    const char* name;
    uint8_t code;
};

// The eight rows of the "TYPE:" table, in table order (row 0 is a placeholder).
const MapTypeEntry* MapTypeTable(size_t* count);

// Looks a "TYPE:" value up: each table name is compared as a prefix of the
// value and the last row that matches wins. No match: std::nullopt.
std::optional<uint8_t> MapTypeFromText(std::string_view value);

// The name written for a type code ("RASTERMAP" for 0); nullptr for code 2.
const char* MapTypeName(uint8_t code);

// Bounds of the stored text fields, in characters.
constexpr size_t kMapNameMax = 260;
constexpr size_t kMapDateMax = 20;
constexpr size_t kMapPathMax = 260;

// Flag bits of MapDescription::flags.
constexpr uint8_t kMapFlagTileMap = 16;  // online tile map; with bit 0 also set: offline tile map
constexpr uint8_t kMapFlagOffline = 1;

class MapDescription {
public:
    MapDescription();
    virtual ~MapDescription();
    MapDescription(const MapDescription&) = delete;
    MapDescription& operator=(const MapDescription&) = delete;

    // First virtual operation of every map kind. The reader passes (flag, true, 0);
    // map kinds that keep a loaded image may react to it.
    virtual void SetVisible(bool visible, bool fromReader = true, int reserved = 0);

    // Copies every field except the catalogue links; the calibration is cloned.
    void CopyFrom(const MapDescription& other);

    // Replaces the owned calibration (the old object is destroyed). A null
    // argument installs a fresh UtmCalibration: a description always has one.
    void SetCalibration(std::unique_ptr<MapCalibration> calibration);
    MapCalibration& calibration() { return *calibration_; }
    const MapCalibration& calibration() const { return *calibration_; }

    // Text setters cut at the field bounds above (counted in UTF-8 characters).
    void SetName(std::string_view name);
    void SetDate(std::string_view date);
    void SetImagePath(std::string_view path);
    void SetDescriptionPath(std::string_view path);

    bool IsTileMap() const { return (flags & kMapFlagTileMap) != 0; }

    uint8_t type = kMapTypeRaster;
    uint8_t flags = 0;
    std::string name;             // "NAME:"
    std::string date;             // "DATE:" or today as "YYYY/MM/DD"
    std::string imagePath;        // folder of the description file + "FILENAME:"
    bool visible = false;
    int32_t heightDiff = 0;       // written as "HEIGHTDIFF:", never read back
    bool background = false;      // "BACKGROUND: YES"
    std::string descriptionPath;  // where the writer writes

    // Catalogue list links; owned and maintained by the catalogue, never by this class.
    MapDescription* next = nullptr;
    MapDescription* prev = nullptr;

private:
    std::unique_ptr<MapCalibration> calibration_;
};

// Today's local date as the readers store it: "%4.4d/%2.2d/%2.2d".
std::string TodayDateText();

// Cuts text to at most maxChars UTF-8 characters without splitting a character.
std::string CutUtf8(std::string_view text, size_t maxChars);

}  // namespace trek
