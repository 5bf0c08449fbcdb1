#include "tours/exchange/TextImporters.h"

#include <cstring>

#include "platform/core/Text.h"
#include "tours/exchange/ExchangeTime.h"

namespace trek {

namespace {

// "%[set]": one or more characters of `set` (no blanks skipped).
bool ScanSet(std::string_view text, size_t& pos, std::string_view set, std::string* out = nullptr) {
    size_t start = pos;
    while (pos < text.size() && set.find(text[pos]) != std::string_view::npos) ++pos;
    if (out) out->assign(text.substr(start, pos - start));
    return pos > start;
}

// "%[^set]": one or more characters not in `set`.
bool ScanNotSet(std::string_view text, size_t& pos, std::string_view set, std::string* out = nullptr) {
    size_t start = pos;
    while (pos < text.size() && set.find(text[pos]) == std::string_view::npos) ++pos;
    if (out) out->assign(text.substr(start, pos - start));
    return pos > start;
}

constexpr std::string_view kSeparators = ",;:/ ";

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// Cut to `capacity` bytes between two characters.
std::string Bounded(std::string_view text, size_t capacity) {
    std::string out;
    AppendBounded(out, text, capacity);
    return out;
}

void ReportLines(ProgressMeter* progress, const LineReader& lines, const InputSource& input) {
    if (progress) progress->update(lines.consumed(), input.size());
}

}  // namespace

void SplitCsvName(std::string_view text, std::string& name, std::string& description) {
    text = Trim(text);
    description.clear();
    if (text.size() >= 2 && text.front() == '[') {
        size_t close = text.find(']');
        if (close != std::string_view::npos) {
            description.append(text.substr(1, close - 1)).append("\r\n");
            text = Trim(text.substr(close + 1));
        }
    }
    if (text.size() >= 2 && text.back() == ']') {
        size_t open = text.rfind('[');
        if (open != std::string_view::npos) {
            description.append(text.substr(open + 1, text.size() - open - 2)).append("\r\n");
            text = Trim(text.substr(0, open));
        }
    }
    size_t cut = std::min(text.find("  "), text.find("; "));
    if (cut != std::string_view::npos) {
        description.append(Trim(text.substr(cut)));
        text = text.substr(0, cut);
    }
    name.assign(Trim(text));
}

ImportOutcome CsvImporter::run(InputSource& input, ImportSink& sink, ProgressMeter* progress) {
    ImportOutcome outcome;
    LineReader lines(input);
    std::string raw;
    while (lines.next(raw)) {
        ReportLines(progress, lines, input);
        if (!raw.empty() && raw[0] == '#') continue;
        std::string line = platform::Decode8BitText(raw);
        std::string_view text = line;
        size_t pos = 0;
        double lon = 0, lat = 0;
        if (!ScanDouble(text, pos, lon) || !ScanSet(text, pos, kSeparators) || !ScanDouble(text, pos, lat)) continue;
        ImportPoint point;
        if (!DegreesToImportUnits(lon, point.lon) || !DegreesToImportUnits(lat, point.lat)) continue;
        std::string nameText;
        if (ScanSet(text, pos, ",;:/ \"")) ScanNotSet(text, pos, ",;:/\"", &nameText);
        ImportPoi poi;
        poi.symbol = symbol_;
        SplitCsvName(nameText, poi.name, poi.description);
        poi.name = Bounded(poi.name, kImportNameCapacity);
        poi.description = Bounded(poi.description, kImportDescriptionCapacity);
        sink.poi(point, poi);
        ++outcome.waypoints;
    }
    return outcome;
}

namespace {

// Forward reading of a binary input with a small buffer.
class ByteReader {
public:
    explicit ByteReader(InputSource& input) : input_(input) {}
    bool byte(uint8_t& b) {
        if (pos_ == end_ && !fill()) return false;
        b = static_cast<uint8_t>(buffer_[pos_++]);
        ++offset_;
        return true;
    }
    bool word(uint32_t& w) {
        uint8_t b[4];
        for (uint8_t& x : b) {
            if (!byte(x)) return false;
        }
        w = b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
        return true;
    }
    bool skip(uint64_t n) {
        while (n > 0) {
            if (pos_ == end_ && !fill()) return false;
            size_t take = static_cast<size_t>(std::min<uint64_t>(n, end_ - pos_));
            pos_ += take;
            offset_ += take;
            n -= take;
        }
        return true;
    }
    uint64_t offset() const { return offset_; }

private:
    bool fill() {
        long got = input_.read(buffer_, sizeof buffer_);
        if (got <= 0) return false;
        pos_ = 0;
        end_ = static_cast<size_t>(got);
        return true;
    }
    InputSource& input_;
    char buffer_[65536];
    size_t pos_ = 0, end_ = 0;
    uint64_t offset_ = 0;
};

}  // namespace

ImportOutcome Ov2Importer::run(InputSource& input, ImportSink& sink, ProgressMeter* progress) {
    ImportOutcome outcome;
    ByteReader in(input);
    sink.runStart();
    uint8_t type = 0;
    while (in.byte(type)) {
        if (progress) progress->update(in.offset(), input.size());
        uint32_t length = 0;
        if (type == 0) {
            // Deleted record: its length counts the type byte and the length word.
            if (!in.word(length) || length < 5 || !in.skip(length - 5)) break;
        } else if (type == 1) {
            if (!in.skip(20)) break;
        } else if (type == 2 || type == 3) {
            uint32_t lon = 0, lat = 0;
            if (!in.word(length) || !in.word(lon) || !in.word(lat) || length < 13) break;
            std::string name;
            uint32_t left = length - 13;
            uint8_t b = 0;
            bool complete = true;
            while (left > 0) {
                if (!in.byte(b)) {
                    complete = false;
                    break;
                }
                --left;
                if (b == 0) break;
                if (name.size() < kImportNameCapacity) name.push_back(static_cast<char>(b));
            }
            if (!complete || !in.skip(left)) break;
            ImportPoint point;
            if (!DegreesToImportUnits(static_cast<int32_t>(lon) * 1e-5, point.lon) ||
                !DegreesToImportUnits(static_cast<int32_t>(lat) * 1e-5, point.lat))
                continue;
            point.time = now_;
            // The decoded text may be longer than the bytes: bound it after decoding.
            ImportPoi poi{symbol_, Bounded(platform::Decode8BitText(name), kImportNameCapacity), "", true};
            sink.poi(point, poi);
            ++outcome.waypoints;
        }
        // Any other byte is not a record start; the next byte is read as a type.
    }
    return outcome;
}

TxtLine ParseTxtLine(std::string_view text) {
    TxtLine line;
    double values[4] = {0, 0, 0, 0};
    long date[6] = {0, 0, 0, 0, 0, 0};
    size_t pos = 0;
    int& n = line.fields;
    // Each numeric field is followed by a separator, and both count, as with scanf.
    auto field = [&](auto scan) {
        if (!scan()) return false;
        ++n;
        if (!ScanSet(text, pos, kSeparators)) return false;
        ++n;
        return true;
    };
    bool more = true;
    for (int i = 0; i < 4 && more; ++i) more = field([&] { return ScanDouble(text, pos, values[i]); });
    for (int i = 0; i < 6 && more; ++i) more = field([&] { return ScanInt(text, pos, date[i]); });
    // After the seconds: symbol, name, and the rest of the line as description.
    std::string symbol, name;
    if (more && ScanNotSet(text, pos, ",;:/", &symbol)) {
        ++n;
        if (ScanSet(text, pos, kSeparators)) {
            ++n;
            if (ScanNotSet(text, pos, ",;:/", &name)) {
                ++n;
                if (ScanSet(text, pos, kSeparators)) line.poi.description.assign(text.substr(pos));
            }
        }
    }
    if (n == 0) return line;
    bool ok = DegreesToImportUnits(values[0], line.point.lat);
    ok = ok && DegreesToImportUnits(values[1], line.point.lon);
    if (!ok) {
        line.fields = 0;
        return line;
    }
    line.point.altitude = MetresToCentimetres(values[2]);
    line.point.speed = KmhToTenths(values[3]);
    if (n >= 19) {
        ExchangeTime t{static_cast<int>(date[0]), static_cast<int>(date[1]), static_cast<int>(date[2]),
                       static_cast<int>(date[3]), static_cast<int>(date[4]), static_cast<int>(date[5])};
        line.point.time = t.toTourTime().value_or(0);
    }
    line.poi.symbol = Bounded(symbol, kImportSymbolCapacity);
    line.poi.name = name;
    line.poi.waypoint = false;
    return line;
}

ImportOutcome TxtImporter::run(InputSource& input, ImportSink& sink, ProgressMeter* progress) {
    ImportOutcome outcome;
    LineReader lines(input);
    std::string raw;
    bool segmentPending = false;
    while (lines.next(raw)) {
        ReportLines(progress, lines, input);
        if (!raw.empty() && raw[0] == '#') {
            // Our export marks the start of each further track segment this way;
            // readers that skip comment lines simply see one segment.
            if (raw == "# segment") segmentPending = true;
            continue;
        }
        TxtLine line = ParseTxtLine(platform::Decode8BitText(raw));
        if (line.fields == 0) continue;
        if (line.fields > 19) {
            if (line.fields < 22) line.poi.name.clear();
            line.poi.name = Bounded(line.poi.name, kImportNameCapacity);
            line.poi.description = Bounded(line.poi.description, kImportDescriptionCapacity);
            sink.poi(line.point, line.poi);
            ++outcome.waypoints;
        } else {
            sink.trackPoint(line.point, segmentPending);
            segmentPending = false;
            ++outcome.trackPoints;
        }
    }
    return outcome;
}

ImportOutcome TabImporter::run(InputSource& input, ImportSink& sink, ProgressMeter* progress) {
    ImportOutcome outcome;
    LineReader lines(input);
    std::string raw;
    while (lines.next(raw)) {
        ReportLines(progress, lines, input);
        if (raw.empty() || raw[0] == '#') continue;
        std::string line = platform::Decode8BitText(raw);
        std::string_view rest = line;
        ImportPoi poi;
        poi.symbol = "Hut";
        double coordinates[2];
        int found = 0;
        bool first = true;
        while (true) {
            size_t tab = rest.find('\t');
            std::string_view field = Trim(rest.substr(0, tab));
            size_t pos = 0;
            double value = 0;
            if (first) {
                AppendBounded(poi.name, field, kImportNameCapacity);
            } else if (found < 2 && ScanDouble(field, pos, value) && pos == field.size()) {
                coordinates[found++] = value;
            } else if (!field.empty()) {
                if (!poi.description.empty()) AppendBounded(poi.description, "\r\n", kImportDescriptionCapacity);
                AppendBounded(poi.description, field, kImportDescriptionCapacity);
            }
            first = false;
            if (tab == std::string_view::npos) break;
            rest.remove_prefix(tab + 1);
        }
        ImportPoint point;
        if (found < 2 || !DegreesToImportUnits(coordinates[0], point.lat) ||
            !DegreesToImportUnits(coordinates[1], point.lon))
            continue;
        sink.poi(point, poi);
        ++outcome.waypoints;
    }
    return outcome;
}

}  // namespace trek
