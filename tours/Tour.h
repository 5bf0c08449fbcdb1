#pragma once
// The tour: one ".TUR" file of track points, time marks, run records and POIs,
// and the shared records that every reader and writer of that file uses.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "geo/GeoUnits.h"
#include "tours/TourFile.h"
#include "tours/TourFormat.h"

namespace trek {

// ---------------------------------------------------------------------------
// Colours

// Index into the seven fixed colours, or kCustom with a COLORREF beside it.
struct TourColour {
    static constexpr int kCount = 7;
    static constexpr int kCustom = -3;
    // COLORREF values (0x00BBGGRR): red, black, yellow, green, cyan, magenta, blue.
    static constexpr uint32_t kTable[kCount] = {0x0000FF, 0x000000, 0x00FFFF, 0x00FF00,
                                                0xFFFF00, 0xFF00FF, 0xFF0000};

    int index = 0;
    uint32_t custom = 0;  // used when index == kCustom

    uint32_t colorRef() const;
    // The next fixed colour (6 wraps to 0); a custom colour stays.
    void advance();
    // A stored value: a table colour becomes its index, anything else custom.
    static TourColour FromColorRef(uint32_t value);
    friend bool operator==(const TourColour&, const TourColour&) = default;
};

// ---------------------------------------------------------------------------
// Bounding boxes and block cells

struct TourBounds {
    int32_t west = tourfile::kEmptyBoxLow;
    int32_t north = tourfile::kEmptyBoxHigh;
    int32_t east = tourfile::kEmptyBoxHigh;
    int32_t south = tourfile::kEmptyBoxLow;

    bool empty() const { return west > east || south > north; }
    void widen(const TourBounds& other);
    bool contains(int32_t lon, int32_t lat) const {
        return lon >= west && lon <= east && lat >= south && lat <= north;
    }
    bool intersects(const TourBounds& other) const {
        return !empty() && !other.empty() && west <= other.east && other.west <= east &&
               south <= other.north && other.south <= north;
    }
    friend bool operator==(const TourBounds&, const TourBounds&) = default;
};

// The grid cell (block area) of a position: floor division by the cell size, so
// negative coordinates fall into the cell below zero.
TourBounds TourCell(int32_t lon, int32_t lat);

// ---------------------------------------------------------------------------
// Points

// One point record: nine 32-bit words from version 7 on (eight words before 7,
// five before 5; missing words read as 0, the time as kNoTime). Altitude and
// speed are in the file's units: cm and 0.1 km/h from version 7, m and km/h before.
struct TourPoint {
    uint32_t head = 0;     // word 0: flags | run point number; -9 for a relocated copy
    int32_t lon = 0;       // geo units
    int32_t lat = 0;
    int32_t alt = 0;       // cm
    uint16_t speed = 0;    // 0.1 km/h
    uint8_t fix = 0;       // 0/1 none, 2 = 2D, 3 = 3D
    uint8_t sats = 0;      // satellites used
    int32_t easting = 0;   // UTM, whole metres
    int32_t northing = 0;
    uint32_t word7 = 0;    // bits 0-7 zone, 16-23 band letter; relocation distance when relocated
    uint32_t time = tourfile::kNoTime;

    uint32_t number() const { return head & tourfile::kPointNumberMask; }
    bool isRelocatedCopy() const { return static_cast<int32_t>(head) == tourfile::kRelocatedCopy; }
    bool isWaypoint() const { return head & tourfile::kWaypointBit; }
    bool isSegmentStart() const { return head & tourfile::kSegmentStartBit; }
    bool isRelocated() const { return head & tourfile::kRelocatedBit; }
    bool hasExtraWord() const { return head & tourfile::kExtraWordBit; }
    bool hasAttached() const { return head & tourfile::kAttachedBit; }
    uint8_t zone() const { return uint8_t(word7); }
    char band() const { return char(int8_t(word7 >> 16)); }
    uint32_t word4() const { return speed | uint32_t(fix) << 16 | uint32_t(sats) << 24; }

    // Fills easting, northing and word 7 from the position (automatic zone,
    // rounded toward zero to whole metres).
    void computeUtm();

    void toWords(uint32_t words[tourfile::kPointWords]) const;
    // Reads `count` words (9, 8 or 5).
    static TourPoint FromWords(const uint32_t* words, size_t count);
    friend bool operator==(const TourPoint&, const TourPoint&) = default;
};

// ---------------------------------------------------------------------------
// Attached records

// The record behind a point with bit 30: a named POI, a timestamp mark or a
// category code.
struct AttachedRecord {
    uint32_t codeWord = 0;
    uint32_t words[tourfile::kNamedPoiWords] = {};  // the record as stored (up to 12 words)
    size_t length = 0;                               // words, AttachedRecordWords()

    uint32_t code() const { return codeWord & tourfile::kAttachedCodeMask; }
    bool removed() const { return codeWord & tourfile::kAttachedRemovedBit; }
    bool isNamedPoi() const { return code() == tourfile::kNamedPoiCode; }
    bool isTimeStamp() const { return code() == tourfile::kTimeStampCode; }
};

// Code 4095: texts (offsets relative to the owning point record, 0 = none), link
// word and the 8-bit symbol name (at most 31 characters).
struct NamedPoiRecord {
    uint32_t nameOffset = 0;
    uint32_t descOffset = 0;
    uint32_t link = 0;
    std::string symbol;

    void toWords(uint32_t words[tourfile::kNamedPoiWords]) const;
    static std::optional<NamedPoiRecord> From(const AttachedRecord& record);
};

// Code 535: a timestamp mark.
struct TimeStampRecord {
    uint32_t value = 0;  // caller-supplied, 0 from the recorder
    uint32_t time = 0;

    void toWords(uint32_t words[tourfile::kTimeStampWords]) const;
    static std::optional<TimeStampRecord> From(const AttachedRecord& record);
};

// A POI as the program handles it: its point, symbol, texts and link word.
struct Poi {
    TourPoint point;
    uint32_t offset = 0;  // byte offset of the owning point record
    std::string symbol;   // 8-bit symbol name, or " TimeStamp"
    std::string name;     // UTF-8
    std::string description;
    uint32_t link = 0;
};

// ---------------------------------------------------------------------------
// Text records (-7, -8): UTF-16LE with NUL, padded to whole words.

// Payload of a text record; its length is (2 x characters + 5) & ~3.
std::string EncodeTourText(const std::string& utf8);
// Text from a record payload: up to the first NUL; unpaired surrogates become U+FFFD.
std::string DecodeTourText(const uint8_t* data, size_t size);

// ---------------------------------------------------------------------------
// The tour

class Tour {
public:
    enum Kind : int { kTour = 1, kSinglePoi = 2 };

    // Kind 1, visible, colour 0, version 9, empty box, no description, no open handle.
    Tour(std::string displayName, std::string path);
    ~Tour();
    Tour(const Tour&) = delete;
    Tour& operator=(const Tour&) = delete;

    const std::string& path() const { return path_; }
    const std::string& displayName() const { return displayName_; }
    void setDisplayName(std::string name) { displayName_ = std::move(name); }
    void setPath(std::string path) { path_ = std::move(path); }
    const std::string& dateText() const { return date_; }  // "YYYY/MM/DD" for new tours
    void setDateText(std::string date);                     // cut to 20 UTF-16 units
    int kind() const { return kind_; }
    void setKind(int kind) { kind_ = kind; }
    uint8_t visible() const { return visible_; }
    void setVisible(uint8_t visible) { visible_ = visible; }
    const TourColour& colour() const { return colour_; }
    void setColour(TourColour colour) { colour_ = colour; }
    uint32_t version() const { return version_; }
    void setVersion(uint32_t version) { version_ = version; }
    const TourBounds& bounds() const { return bounds_; }
    void setBounds(const TourBounds& b) { bounds_ = b; }
    uint32_t descriptionOffset() const { return descriptionOffset_; }

    // Reads colour, flags, date, bounding box and description offset from the
    // file. False when it cannot be opened or has no -7 record at offset 8.
    bool readHeader();
    // Writes the -7/48 header at 8 and, when `full`, the box record at 68 and the
    // description-offset record at 96. Uses the open handle, else opens the file.
    bool writeHeader(bool full);
    // The 120 bytes of a new version-9 file: run start (createdTime), header
    // records and the version record.
    void encodeNewFile(uint8_t out[tourfile::kNewTourBytes], uint32_t createdTime) const;
    // Rewrites only the bounding box at 80 (version 8 and later).
    bool writeBounds();
    // Appends a -7 text record and points the header's description offset at it.
    bool setDescription(const std::string& utf8);
    // The description text, or nullopt when there is none.
    std::optional<std::string> description();
    // The text of the -7/-8 record at an absolute offset; nullopt when none is there.
    std::optional<std::string> readText(uint32_t offset);

    // "File: %s\r\nDate: %s\r\nSize: %d bytes".
    std::string infoText();

    // Every read-modify-write of the file happens under this lock. Recursive so
    // that a walk's handlers may read texts or edit the file.
    std::recursive_mutex& mutex() { return mutex_; }

    // The handle the recorder keeps open while recording (nullptr otherwise).
    TourFile* handle() { return handle_.get(); }
    bool openHandle(TourFile::Mode mode);
    void closeHandle();

    // A recorder with buffered points registers how to write them out, so that
    // an edit appending to the same file keeps the records in order.
    void setPendingFlush(std::function<bool()> flush) { pendingFlush_ = std::move(flush); }
    bool flushPending() { return pendingFlush_ ? pendingFlush_() : true; }

private:
    // Runs fn on the open handle or on a file opened for the call.
    template <class Fn>
    bool withFile(TourFile::Mode mode, Fn&& fn);

    std::string path_;
    std::string displayName_;
    std::string date_;
    int kind_ = kTour;
    uint8_t visible_ = 1;
    TourColour colour_;
    uint32_t version_ = tourfile::kCurrentVersion;
    TourBounds bounds_;
    uint32_t descriptionOffset_ = 0;
    std::unique_ptr<TourFile> handle_;
    std::function<bool()> pendingFlush_;
    std::recursive_mutex mutex_;
};

}  // namespace trek
