#pragma once
// What every importer hands on: track points, POIs and the tour's own
// description, in the order of the file. The tour-file sink writes them with
// the recorder; tests collect them. Importers know nothing of the tour file.
#include <cstdint>
#include <string>
#include <string_view>

namespace trek {

struct ImportPoint {
    int32_t lon = 0;         // geo units
    int32_t lat = 0;         // geo units
    int32_t altitude = 0;    // centimetres
    uint16_t speed = 0;      // tenths of km/h
    uint8_t satellites = 0;
    uint32_t time = 0;       // tour time (local)
    friend bool operator==(const ImportPoint&, const ImportPoint&) = default;
};

struct ImportPoi {
    std::string symbol;       // 8-bit symbol name as the tour file stores it (cut to 31 there)
    std::string name;         // UTF-8
    std::string description;  // UTF-8
    bool waypoint = true;     // the waypoint bit; the text import leaves it off
};

class ImportSink {
public:
    virtual ~ImportSink() = default;
    virtual void trackPoint(const ImportPoint& point, bool segmentStart) = 0;
    virtual void poi(const ImportPoint& point, const ImportPoi& poi) = 0;
    // A POI whose point is to be appended after the whole document (KML keeps
    // its placemarks apart from the track lines that way); the sink decides
    // where the texts wait meanwhile. flushDeferred() appends them.
    virtual void deferPoi(const ImportPoint& point, const ImportPoi& poi) = 0;
    virtual void flushDeferred() = 0;
    virtual void tourDescription(std::string_view text) = 0;
    // A new recording run begins (written by importers whose source has no times).
    virtual void runStart() {}
};

// Capacities of the text fields while a file is parsed; longer text is cut.
constexpr size_t kImportNameCapacity = 260;
constexpr size_t kImportSymbolCapacity = 260;
constexpr size_t kImportDescriptionCapacity = 46096;

// Appends UTF-8 text but never beyond `capacity` bytes, and never splits a
// multi-byte character.
void AppendBounded(std::string& out, std::string_view text, size_t capacity);

// Name, symbol and style texts ignore pieces that begin with a control
// character below U+0014 (the layout white space between elements).
void AppendTextPiece(std::string& out, std::string_view text, size_t capacity);

// Degrees to geo units, rounded to the nearest unit so that positions written
// with enough decimals read back exactly. nullopt outside ±360 degrees.
bool DegreesToImportUnits(double degrees, int32_t& units);

// A double in metres to centimetres, and km/h to tenths (kept to 16 bits).
int32_t MetresToCentimetres(double metres);
uint16_t KmhToTenths(double kmh);

}  // namespace trek
