#include "tours/exchange/KmlImporter.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <deque>
#include <strings.h>
#include <vector>

#include "tours/exchange/ExchangeTime.h"
#include "tours/exchange/XmlStreamReader.h"

namespace trek {

bool KmlTupleReader::flush(Tuple& tuple, bool& have) {
    have = false;
    pendingBlank_ = false;
    if (token_.empty()) return true;
    std::string_view text = token_;
    size_t pos = 0;
    bool ok = ScanDouble(text, pos, tuple.lon) && pos < text.size() && text[pos++] == ',' &&
              ScanDouble(text, pos, tuple.lat);
    if (ok && pos < text.size()) ok = text[pos++] == ',' && ScanDouble(text, pos, tuple.alt) && pos == text.size();
    token_.clear();
    if (!ok) {
        failed_ = true;
        return false;
    }
    have = true;
    return true;
}

std::string KmlStyleToSymbol(std::string_view style) {
    std::string lower(style);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("ylw-pushpin") != std::string::npos) return "ylw-pushpin";
    if (style.substr(0, 5) == "#msn_") style.remove_prefix(5);
    else if (style.substr(0, 1) == "#") style.remove_prefix(1);
    std::string name(style.substr(0, style.find('_')));
    if (name.size() > 2 && name[0] >= '1' && name[0] <= '9') name.resize(2);
    // Numbered hut styles ("H1", "H2_x") share one symbol; "Hotel" keeps its name.
    else if (name.size() >= 2 && name[0] == 'H' && name[1] >= '0' && name[1] <= '9') name.resize(1);
    return name;
}

namespace {

struct Replacement {
    std::string_view from;
    std::string_view to;
    bool ignoreCase;
};

constexpr Replacement kDescriptionReplacements[] = {
    {"<br>", "  \r\n", true},   {"<br/>", "  \r\n", true},     {"<br />", "  \r\n", true},
    {"<p>", " \r\n", true},     {"\xE2\x80\x9C", "\"", false}, {"\xE2\x80\x9E", "\"", false},
    {"\xE2\x80\xA6", ".", false}, {"\xE2\x80\x93", "-", false},
};

bool StartsWith(std::string_view text, std::string_view prefix, bool ignoreCase) {
    if (text.size() < prefix.size()) return false;
    if (!ignoreCase) return text.substr(0, prefix.size()) == prefix;
    return strncasecmp(text.data(), prefix.data(), prefix.size()) == 0;
}

}  // namespace

std::string CleanKmlDescription(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    size_t pos = 0;
    while (pos < text.size()) {
        const Replacement* hit = nullptr;
        if (text[pos] == '<' || text[pos] == '\xE2') {
            for (const Replacement& r : kDescriptionReplacements) {
                if (StartsWith(text.substr(pos), r.from, r.ignoreCase)) {
                    hit = &r;
                    break;
                }
            }
        }
        if (hit) {
            out.append(hit->to);
            pos += hit->from.size();
        } else {
            out.push_back(text[pos++]);
        }
    }
    return out;
}

namespace {

enum class Tag { Other, Placemark, Name, StyleUrl, Description, Point, Line, Coordinates, Track, When, TrackCoord };

struct TagRow {
    std::string_view name;
    Tag tag;
};

constexpr TagRow kTags[] = {
    {"coordinates", Tag::Coordinates}, {"Placemark", Tag::Placemark}, {"name", Tag::Name},
    {"styleUrl", Tag::StyleUrl},       {"description", Tag::Description}, {"Point", Tag::Point},
    {"LineString", Tag::Line},         {"Polygon", Tag::Line},        {"LinearRing", Tag::Other},
    {"gx:Track", Tag::Track},          {"when", Tag::When},           {"gx:coord", Tag::TrackCoord},
    {"Track", Tag::Track},             {"coord", Tag::TrackCoord},  // KML 2.3 took them in unprefixed
};

Tag LookUp(std::string_view name) {
    for (const TagRow& row : kTags) {
        if (row.name == name) return row.tag;
    }
    return Tag::Other;
}

enum class Field { None, Name, Style, Description, Coordinates, When, TrackCoord };

// Times of a gx:Track wait here until their coordinates arrive; bounded so that
// a track with times but no coordinates cannot grow memory without end.
constexpr size_t kMaxPendingTimes = 1 << 20;
constexpr size_t kMaxPlacemarkPoints = 64;

class KmlParse : public XmlHandler {
public:
    explicit KmlParse(ImportSink& sink) : sink_(sink) {}
    void startElement(std::string_view name, const char** attributes) override;
    void endElement(std::string_view name) override;
    void characters(std::string_view text) override;

    long trackPoints = 0;
    long waypoints = 0;

private:
    void appendTrackPoint(const KmlTupleReader::Tuple& t, uint32_t time);
    void pointTuple(const KmlTupleReader::Tuple& t);
    void endPlacemark();

    ImportSink& sink_;
    bool inPlacemark_ = false, inPoint_ = false, inLine_ = false, inTrack_ = false;
    Field field_ = Field::None;
    std::string name_, style_, description_, text_;
    KmlTupleReader tuples_;
    bool segmentPending_ = false;
    bool havePrevious_ = false;
    KmlTupleReader::Tuple previous_;
    std::vector<ImportPoint> placemarkPoints_;
    std::deque<uint32_t> times_;
};

void KmlParse::startElement(std::string_view name, const char**) {
    Tag tag = LookUp(name);
    switch (tag) {
    case Tag::Placemark:
        inPlacemark_ = true;
        name_.clear();
        style_.clear();
        description_.clear();
        placemarkPoints_.clear();
        break;
    case Tag::Name:
        field_ = Field::Name;
        name_.clear();
        break;
    case Tag::StyleUrl:
        field_ = Field::Style;
        style_.clear();
        break;
    case Tag::Description:
        field_ = Field::Description;
        description_.clear();
        break;
    case Tag::Point: inPoint_ = true; break;
    case Tag::Line:
        inLine_ = true;
        segmentPending_ = true;
        break;
    case Tag::Track:
        inTrack_ = true;
        segmentPending_ = true;
        times_.clear();
        break;
    case Tag::Coordinates:
        if (inLine_ || inPoint_) {
            field_ = Field::Coordinates;
            tuples_.reset();
        }
        break;
    case Tag::When:
        if (inTrack_) {
            field_ = Field::When;
            text_.clear();
        }
        break;
    case Tag::TrackCoord:
        if (inTrack_) {
            field_ = Field::TrackCoord;
            text_.clear();
        }
        break;
    case Tag::Other: break;
    }
}

void KmlParse::appendTrackPoint(const KmlTupleReader::Tuple& t, uint32_t time) {
    // A repeated triple adds nothing to a line; Google Earth writes closing points twice.
    if (havePrevious_ && t.lon == previous_.lon && t.lat == previous_.lat && t.alt == previous_.alt) return;
    ImportPoint p;
    if (!DegreesToImportUnits(t.lon, p.lon) || !DegreesToImportUnits(t.lat, p.lat)) return;
    p.altitude = MetresToCentimetres(t.alt);
    p.time = time;
    sink_.trackPoint(p, segmentPending_);
    segmentPending_ = false;
    previous_ = t;
    havePrevious_ = true;
    ++trackPoints;
}

void KmlParse::pointTuple(const KmlTupleReader::Tuple& t) {
    if (!inPlacemark_ || placemarkPoints_.size() >= kMaxPlacemarkPoints) return;
    ImportPoint p;
    if (!DegreesToImportUnits(t.lon, p.lon) || !DegreesToImportUnits(t.lat, p.lat)) return;
    p.altitude = MetresToCentimetres(t.alt);
    placemarkPoints_.push_back(p);
}

void KmlParse::endPlacemark() {
    inPlacemark_ = false;
    if (placemarkPoints_.empty()) return;
    ImportPoi poi{KmlStyleToSymbol(style_), name_, CleanKmlDescription(description_), true};
    for (const ImportPoint& p : placemarkPoints_) {
        sink_.deferPoi(p, poi);
        ++waypoints;
    }
    placemarkPoints_.clear();
}

void KmlParse::endElement(std::string_view name) {
    Tag tag = LookUp(name);
    switch (tag) {
    case Tag::Placemark: endPlacemark(); break;
    case Tag::Name:
    case Tag::StyleUrl: field_ = Field::None; break;
    case Tag::Description:
        field_ = Field::None;
        if (!inPlacemark_ && !description_.empty()) sink_.tourDescription(CleanKmlDescription(description_));
        break;
    case Tag::Point: inPoint_ = false; break;
    case Tag::Line: inLine_ = false; break;
    case Tag::Track: inTrack_ = false; break;
    case Tag::Coordinates:
        if (field_ == Field::Coordinates) {
            if (inPoint_) {
                tuples_.finish([&](const KmlTupleReader::Tuple& t) { pointTuple(t); });
            } else {
                tuples_.finish([&](const KmlTupleReader::Tuple& t) { appendTrackPoint(t, 0); });
            }
        }
        field_ = Field::None;
        break;
    case Tag::When:
        if (field_ == Field::When && times_.size() < kMaxPendingTimes) {
            times_.push_back(ParseXmlTimeToTourTime(text_).value_or(0));
        }
        field_ = Field::None;
        break;
    case Tag::TrackCoord:
        if (field_ == Field::TrackCoord) {
            // gx:coord separates its values by blanks: "lon lat alt".
            KmlTupleReader::Tuple t;
            std::string_view s = text_;
            size_t pos = 0;
            if (ScanDouble(s, pos, t.lon) && ScanDouble(s, pos, t.lat)) {
                ScanDouble(s, pos, t.alt);
                uint32_t time = 0;
                if (!times_.empty()) {
                    time = times_.front();
                    times_.pop_front();
                }
                appendTrackPoint(t, time);
            }
        }
        field_ = Field::None;
        break;
    default: break;
    }
}

void KmlParse::characters(std::string_view text) {
    if (text.empty()) return;
    switch (field_) {
    case Field::None: return;
    case Field::Name:
        AppendTextPiece(name_, text, kImportNameCapacity);
        return;
    case Field::Style:
        AppendTextPiece(style_, text, kImportSymbolCapacity);
        return;
    case Field::Description:
        AppendBounded(description_, text == "\n" ? std::string_view("\r\n") : text, kImportDescriptionCapacity);
        return;
    case Field::Coordinates:
        if (inPoint_) {
            tuples_.feed(text, [&](const KmlTupleReader::Tuple& t) { pointTuple(t); });
        } else {
            tuples_.feed(text, [&](const KmlTupleReader::Tuple& t) { appendTrackPoint(t, 0); });
        }
        return;
    case Field::When:
    case Field::TrackCoord: AppendBounded(text_, text, 128); return;
    }
}

}  // namespace

ImportOutcome KmlImporter::run(InputSource& input, ImportSink& sink, ProgressMeter* progress) {
    KmlParse parse(sink);
    XmlStreamReader reader;
    std::optional<XmlError> error = reader.parse(input, parse, progress);
    // Placemarks read before an error are kept, as the track points are.
    sink.flushDeferred();
    ImportOutcome outcome;
    outcome.trackPoints = parse.trackPoints;
    outcome.waypoints = parse.waypoints;
    if (error) {
        char text[256];
        std::snprintf(text, sizeof text, "Error 0x%X, line %d, byte %llu", static_cast<unsigned>(error->code),
                      error->line, static_cast<unsigned long long>(error->byteIndex));
        outcome.ok = false;
        outcome.error = text;
        outcome.errorCaption = "KML Import";
    }
    return outcome;
}

}  // namespace trek
