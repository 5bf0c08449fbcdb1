#include "tours/exchange/GpxImporter.h"

#include <cstdio>

#include "tours/exchange/ExchangeTime.h"
#include "tours/exchange/XmlStreamReader.h"

namespace trek {

namespace {

enum class Tag {
    Other, Gpx, Wpt, Trk, Trkseg, Trkpt, Rte, Rtept, Name, Sym, Desc, Time, Sat, Ele, Speed, Extensions,
    Cache, CacheName, ShortDescription, LongDescription, Hints
};

struct TagRow {
    std::string_view name;
    Tag tag;
};

// Names are compared exactly, namespace prefix included.
constexpr TagRow kTags[] = {
    {"trkpt", Tag::Trkpt},
    {"ele", Tag::Ele},
    {"time", Tag::Time},
    {"speed", Tag::Speed},
    {"sat", Tag::Sat},
    {"extensions", Tag::Extensions},
    {"trkseg", Tag::Trkseg},
    {"trk", Tag::Trk},
    {"rtept", Tag::Rtept},
    {"rte", Tag::Rte},
    {"wpt", Tag::Wpt},
    {"name", Tag::Name},
    {"sym", Tag::Sym},
    {"desc", Tag::Desc},
    {"gpx", Tag::Gpx},
    {"groundspeak:cache", Tag::Cache},
    {"groundspeak:name", Tag::CacheName},
    {"groundspeak:short_description", Tag::ShortDescription},
    {"groundspeak:long_description", Tag::LongDescription},
    {"groundspeak:encoded_hints", Tag::Hints},
};

Tag LookUp(std::string_view name) {
    for (const TagRow& row : kTags) {
        if (row.name == name) return row.tag;
    }
    return Tag::Other;
}

// What the character data currently goes into.
enum class Field { None, Name, Symbol, Description, Hint, Number };

class GpxParse : public XmlHandler {
public:
    explicit GpxParse(ImportSink& sink) : sink_(sink) {}

    void startElement(std::string_view name, const char** attributes) override;
    void endElement(std::string_view name) override;
    void characters(std::string_view text) override;

    long trackPoints = 0;
    long waypoints = 0;

private:
    void beginPoint(const char** attributes);
    void endTrackPoint();
    void endWaypoint();
    void collectNumber(Tag tag) {
        field_ = Field::Number;
        numberTag_ = tag;
        number_.clear();
    }
    void takeNumber();
    void resetPoint();

    ImportSink& sink_;
    bool inGpx_ = false, inTrk_ = false, inSeg_ = false, inRte_ = false, inWpt_ = false, inCache_ = false;
    bool inPoint_ = false;
    int extensionsDepth_ = 0;
    Field field_ = Field::None;
    Tag numberTag_ = Tag::Other;
    std::string number_;

    bool segmentPending_ = false;
    bool pointValid_ = false;
    ImportPoint point_;
    bool hintStarted_ = false;
    bool cacheDescriptionStarted_ = false;
    std::string name_;
    std::string symbol_ = "!";
    std::string description_;
};

void GpxParse::resetPoint() {
    point_ = ImportPoint{};
    pointValid_ = false;
}

void GpxParse::beginPoint(const char** attributes) {
    // Values seen outside this point (metadata time, track name) must not leak into it.
    resetPoint();
    name_.clear();
    description_.clear();
    symbol_ = "!";
    cacheDescriptionStarted_ = false;
    inPoint_ = true;
    const char* lat = FindXmlAttribute(attributes, "lat");
    const char* lon = FindXmlAttribute(attributes, "lon");
    if (!lat || !lon) return;
    double latDeg = 0, lonDeg = 0;
    size_t p = 0, q = 0;
    if (!ScanDouble(lat, p, latDeg) || !ScanDouble(lon, q, lonDeg)) return;
    pointValid_ = DegreesToImportUnits(latDeg, point_.lat) && DegreesToImportUnits(lonDeg, point_.lon);
}

void GpxParse::startElement(std::string_view name, const char** attributes) {
    switch (LookUp(name)) {
    case Tag::Gpx: inGpx_ = true; break;
    case Tag::Wpt:
        inWpt_ = true;
        beginPoint(attributes);
        break;
    case Tag::Trk:
        if (inGpx_) inTrk_ = true;
        break;
    case Tag::Trkseg:
        if (inTrk_) {
            inSeg_ = true;
            segmentPending_ = true;
        }
        break;
    case Tag::Rte:
        inRte_ = true;
        segmentPending_ = true;
        break;
    case Tag::Trkpt:
        if (inSeg_) beginPoint(attributes);
        break;
    case Tag::Rtept: beginPoint(attributes); break;
    case Tag::Name:
        field_ = Field::Name;
        name_.clear();
        break;
    case Tag::Sym:
        field_ = Field::Symbol;
        symbol_.clear();
        break;
    case Tag::Desc:
        field_ = Field::Description;
        description_.clear();
        break;
    case Tag::Cache: inCache_ = true; break;
    case Tag::CacheName:
        if (inCache_) {
            field_ = Field::Name;
            name_.clear();
        }
        break;
    case Tag::ShortDescription:
    case Tag::LongDescription:
        if (inCache_) {
            // The cache's own descriptions replace the waypoint's one-line summary.
            if (!cacheDescriptionStarted_) description_.clear();
            else if (!description_.empty()) AppendBounded(description_, "\r\n", kImportDescriptionCapacity);
            cacheDescriptionStarted_ = true;
            field_ = Field::Description;
        }
        break;
    case Tag::Hints:
        if (inCache_) {
            field_ = Field::Hint;
            hintStarted_ = false;
        }
        break;
    case Tag::Time:
    case Tag::Sat: collectNumber(LookUp(name)); break;
    case Tag::Ele:
    case Tag::Speed:
        if (inGpx_) collectNumber(LookUp(name));
        break;
    case Tag::Extensions: ++extensionsDepth_; break;
    case Tag::Other: break;
    }
}

void GpxParse::takeNumber() {
    field_ = Field::None;
    if (!inPoint_) return;
    std::string_view text = number_;
    size_t pos = 0;
    double value = 0;
    long whole = 0;
    switch (numberTag_) {
    case Tag::Time:
        if (auto t = ParseXmlTimeToTourTime(text)) point_.time = *t;
        break;
    case Tag::Sat:
        if (ScanInt(text, pos, whole)) point_.satellites = static_cast<uint8_t>(whole & 0xFF);
        break;
    case Tag::Ele:
        if (ScanDouble(text, pos, value)) point_.altitude = MetresToCentimetres(value);
        break;
    case Tag::Speed:
        // GPX 1.0 puts <speed> into the point itself, in metres per second; our
        // own export puts it into <extensions>, in km/h.
        if (ScanDouble(text, pos, value)) point_.speed = KmhToTenths(extensionsDepth_ > 0 ? value : value * 3.6);
        break;
    default: break;
    }
}

void GpxParse::endTrackPoint() {
    if (!inPoint_) return;
    inPoint_ = false;
    if (pointValid_) {
        sink_.trackPoint(point_, segmentPending_);
        segmentPending_ = false;
        ++trackPoints;
    }
    resetPoint();
}

void GpxParse::endWaypoint() {
    inWpt_ = false;
    inPoint_ = false;
    if (pointValid_) {
        ImportPoi poi{symbol_.empty() ? "!" : symbol_, name_, description_, true};
        sink_.poi(point_, poi);
        ++waypoints;
    }
    symbol_ = "!";
    name_.clear();
    description_.clear();
    resetPoint();
}

void GpxParse::endElement(std::string_view name) {
    Tag tag = LookUp(name);
    if (field_ == Field::Number && tag == numberTag_) {
        takeNumber();
        return;
    }
    switch (tag) {
    case Tag::Gpx: inGpx_ = false; break;
    case Tag::Trk: inTrk_ = false; break;
    case Tag::Trkseg: inSeg_ = false; break;
    case Tag::Rte: inRte_ = false; break;
    case Tag::Trkpt:
    case Tag::Rtept: endTrackPoint(); break;
    case Tag::Wpt: endWaypoint(); break;
    case Tag::Desc:
        field_ = Field::None;
        if (!inWpt_ && !inRte_ && !inTrk_ && !description_.empty()) {
            sink_.tourDescription(description_);
            description_.clear();
        }
        break;
    case Tag::Cache: inCache_ = false; break;
    case Tag::Extensions:
        if (extensionsDepth_ > 0) --extensionsDepth_;
        break;
    case Tag::Name:
    case Tag::Sym:
    case Tag::CacheName:
    case Tag::ShortDescription:
    case Tag::LongDescription:
    case Tag::Hints: field_ = Field::None; break;
    default: break;
    }
}

void GpxParse::characters(std::string_view text) {
    if (text.empty()) return;
    switch (field_) {
    case Field::None: return;
    case Field::Name:
        AppendTextPiece(name_, text, kImportNameCapacity);
        return;
    case Field::Symbol:
        AppendTextPiece(symbol_, text, kImportSymbolCapacity);
        return;
    case Field::Hint:
        if (!hintStarted_) {
            AppendBounded(description_, "\r\n\r\nHINT: ", kImportDescriptionCapacity);
            hintStarted_ = true;
        }
        [[fallthrough]];
    case Field::Description:
        AppendBounded(description_, text == "\n" ? std::string_view("\r\n") : text, kImportDescriptionCapacity);
        return;
    case Field::Number: AppendBounded(number_, text, 64); return;
    }
}

}  // namespace

ImportOutcome GpxImporter::run(InputSource& input, ImportSink& sink, ProgressMeter* progress) {
    GpxParse parse(sink);
    XmlStreamReader reader;
    std::optional<XmlError> error = reader.parse(input, parse, progress);
    ImportOutcome outcome;
    outcome.trackPoints = parse.trackPoints;
    outcome.waypoints = parse.waypoints;
    if (error) {
        outcome.ok = false;
        outcome.error = XmlErrorMessage("Error GPS file!", *error);
        outcome.errorCaption = "Tour Import";
    }
    return outcome;
}

}  // namespace trek
