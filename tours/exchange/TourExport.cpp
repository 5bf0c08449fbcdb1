#include "tours/exchange/TourExport.h"

#include <cstdio>

#include "tours/PoiSymbols.h"
#include "platform/core/Text.h"
#include "tours/exchange/ExchangeTime.h"

namespace trek {

ExportOptions& RunExportOptions() {
    static ExportOptions options;
    return options;
}

std::string ExportPath(const Tour& tour, const std::string& folder, const std::string& extension) {
    const std::string& path = tour.path();
    size_t slash = path.find_last_of("/\\");
    std::string base = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0) base.resize(dot);
    std::string out = folder;
    if (!out.empty() && out.back() != '/') out += '/';
    return out + base + extension;
}

ExportWriter::PoiFields ExportWriter::readPoi(const AttachedRecord& record) {
    PoiFields f;
    if (auto stamp = TimeStampRecord::From(record)) {
        f.timeStamp = true;
        f.time = stamp->time;
        return f;
    }
    // Offsets are relative to the owning point and may point backwards (texts
    // written before their POI), hence the wrapping 32-bit sum.
    const uint32_t owner = ownerOffset();
    if ((record.codeWord & tourfile::kAttachedOffsetB) && record.length > 1 && record.words[1] != 0) {
        f.hasName = true;
        f.name = tour_.readText(owner + record.words[1]).value_or("");
    }
    if ((record.codeWord & tourfile::kAttachedOffsetA) && record.length > 2 && record.words[2] != 0) {
        f.hasDescription = true;
        f.description = tour_.readText(owner + record.words[2]).value_or("");
    }
    if (auto named = NamedPoiRecord::From(record)) {
        f.symbol = named->symbol;
    } else {
        f.symbol = std::string(NameForCode(record.code()));
    }
    return f;
}

namespace {

// Waypoints brought in by an import stand apart from the track: they would
// draw a line from the track to every cache of a pocket query.
bool IsTrackPoint(const TourPoint& p) { return !p.isWaypoint(); }

void AppendLonLatAlt(std::string& out, const TourPoint& p) {
    // KML tuples carry no blanks: "lon,lat,alt".
    AppendDegrees(out, p.lon, 14);
    out += ',';
    AppendDegrees(out, p.lat, 14);
    out += ',';
    AppendAltitude(out, p.alt);
}

std::string Symbol8BitToUtf8(const std::string& symbol) { return platform::Decode8BitText(symbol); }

// TXT is one line per point: texts lose their line breaks there.
std::string OneLine8Bit(const std::string& utf8) {
    std::string s = platform::Utf8ToCp1252(utf8);
    for (char& c : s) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return s;
}

constexpr ExportPoiTags kGpxPoiTags = {"\t\t<name>", "</name>\r\n", "\t\t<desc>", "</desc>\r\n",
                                       "\t\t<sym>", "</sym>\r\n"};
constexpr ExportPoiTags kKmlPoiTags = {"\t\t\t<name>", "</name>\r\n", "\t\t\t<description>", "</description>\r\n",
                                       "\t\t\t<styleUrl>", "</styleUrl>\r\n"};
constexpr ExportPoiTags kLocPoiTags = {"\t\t<name id=\"\">", "</name>\r\n", "\t\t<link text =\"Cache Details\">",
                                       "</link>\r\n", "\t\t<type>", "</type>\r\n"};

}  // namespace

void ExportWriter::AppendPoiTexts(std::string& t, const PoiFields& f, const ExportPoiTags& tags) {
    const auto element = [&t](const char* open, std::string_view text, const char* close) {
        t += open;
        AppendXmlEscaped(t, text);
        t += close;
    };
    if (f.hasName) element(tags.nameOpen, f.name, tags.nameClose);
    if (f.hasDescription) element(tags.descriptionOpen, f.description, tags.descriptionClose);
    if (!f.symbol.empty()) element(tags.symbolOpen, Symbol8BitToUtf8(f.symbol), tags.symbolClose);
}

// ---------------------------------------------------------------------- GPX

long GpxWriter::write() {
    const char v = options_.gpxVersion == '0' ? '0' : '1';
    std::string& t = text();
    t += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n";
    AppendFormat(t,
                 "<gpx version=\"1.%c\" creator=\"%s %s\" xmlns=\"http://www.topografix.com/GPX/1/%c\" "
                 "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
                 "xsi:schemaLocation=\"http://www.topografix.com/GPX/1/%c http://www.topografix.com/GPX/1/%c/gpx.xsd\">\r\n",
                 v, kProductName, kMakerAddress, v, v, v);
    t += "\t<name>";
    AppendXmlEscaped(t, tour_.displayName());
    t += "</name>\r\n\t<desc>";
    std::string description = tour_.description().value_or("");
    if (description.size() > 4096 * 3) description.resize(4096 * 3);
    AppendXmlEscaped(t, description);
    t += "</desc>\r\n";

    trackPass_ = false;
    walk(&tour_);
    text() += "\t<trk>\r\n\t\t<name>";
    AppendXmlEscaped(text(), tour_.displayName());
    AppendFormat(text(), "</name>\r\n\t\t<src>%s %s</src>\r\n\t\t<trkseg>\r\n", kProductName, kMakerAddress);
    trackPass_ = true;
    firstTrackPoint_ = true;
    count_ = 0;
    walk(&tour_);
    text() += "\t\t</trkseg>\r\n\t</trk>\r\n</gpx>\r\n";
    return count_;
}

void GpxWriter::onPoint(const TourPoint& p) {
    last_ = p;
    if (!trackPass_ || !IsTrackPoint(p)) return;
    std::string& t = text();
    // A new segment of the tour is a new trkseg, so that other programs draw no
    // line across the gap.
    if (p.isSegmentStart() && !firstTrackPoint_) t += "\t\t</trkseg>\r\n\t\t<trkseg>\r\n";
    firstTrackPoint_ = false;
    t += "\t\t\t<trkpt lat=\"";
    AppendDegrees(t, p.lat, 14);
    t += "\" lon=\"";
    AppendDegrees(t, p.lon, 14);
    t += "\">\r\n\t\t\t\t<ele>";
    AppendAltitude(t, p.alt);
    t += "</ele>\r\n";
    // Points without a time (0 from imports, none in old files) get no <time>
    // rather than a made-up 1980 date.
    if (p.time != tourfile::kNoTime && p.time != 0) {
        t += "\t\t\t\t<time>";
        AppendUtcXmlTime(t, p.time);
        t += "</time>\r\n";
    }
    if (p.fix < 2) t += "\t\t\t\t<fix>none</fix>\r\n";
    else AppendFormat(t, "\t\t\t\t<fix>%dd</fix>\r\n", p.fix);
    AppendFormat(t, "\t\t\t\t<sat>%d</sat>\r\n", p.sats);
    if (options_.speedExtension) {
        t += "\t\t\t\t<extensions><speed>";
        AppendSpeed(t, p.speed);
        t += "</speed></extensions>\r\n";
    }
    t += "\t\t\t</trkpt>\r\n";
    ++count_;
    flushMaybe();
}

void GpxWriter::onAttachedRecord(const AttachedRecord& record) {
    if (trackPass_ || !usable(record)) return;
    PoiFields f = readPoi(record);
    std::string& t = text();
    t += "\t<wpt lat=\"";
    AppendDegrees(t, last_.lat, 14);
    t += "\" lon=\"";
    AppendDegrees(t, last_.lon, 14);
    t += "\">\r\n\t\t<ele>";
    AppendAltitude(t, last_.alt);
    t += "</ele>\r\n";
    if (f.timeStamp) {
        t += "\t\t<time>";
        AppendUtcXmlTime(t, f.time);
        t += "</time>\r\n\t\t<sym>TimeStamp</sym>\r\n";
    } else if (last_.time != tourfile::kNoTime && last_.time != 0) {
        // The waypoint's own time, so that it survives a round trip.
        t += "\t\t<time>";
        AppendUtcXmlTime(t, last_.time);
        t += "</time>\r\n";
    }
    AppendPoiTexts(t, f, kGpxPoiTags);
    t += "\t</wpt>\r\n";
    ++count_;
    flushMaybe();
}

// ---------------------------------------------------------------------- KML

namespace {
const char* const kKmlStyles[] = {
    "\t<Style id=\"khStyle6482009246512\">\r\n",
    "\t\t<IconStyle id=\"khIconStyle650\">\r\n",
    "\t\t\t<Border id=\"khBorder651\">\r\n",
    "\t\t\t</Border>\r\n",
    "\t\t\t<Icon>\r\n",
    "\t\t\t</Icon>\r\n",
    "\t\t</IconStyle>\r\n",
    "\t\t<LineStyle id=\"khLineStyle653\">\r\n",
    "\t\t\t<antialias>0</antialias>\r\n",
    "\t\t</LineStyle>\r\n",
    "\t\t<PolyStyle id=\"khPolyStyle654\">\r\n",
    "\t\t\t<fill>0</fill>\r\n",
    "\t\t\t<outline>0</outline>\r\n",
    "\t\t</PolyStyle>\r\n",
    "\t</Style>\r\n",
    "\t<Style id=\"tour20960457\">\r\n",
    "\t\t<IconStyle>\r\n",
    "\t\t\t<Icon>\r\n",
    "\t\t\t</Icon>\r\n",
    "\t\t</IconStyle>\r\n",
    "\t</Style>\r\n",
    "\t<Style id=\"tutorial20960456\">\r\n",
    "\t\t<IconStyle>\r\n",
    "\t\t\t<Icon>\r\n",
    "\t\t\t</Icon>\r\n",
    "\t\t</IconStyle>\r\n",
    "\t</Style>\r\n",
};
}  // namespace

long KmlWriter::write() {
    std::string& t = text();
    t += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<kml xmlns=\"http://earth.google.com/kml/2.1\">\r\n<Document>\r\n";
    AppendFormat(t, "\t<name>%s</name>\r\n\t<description>%s</description>\r\n", kProductName, kMakerAddress);
    for (const char* line : kKmlStyles) t += line;
    t += "\t<Folder>\r\n\t\t<name>";
    AppendXmlEscaped(t, tour_.displayName());
    t += "</name>\r\n\t\t<description>";
    AppendXmlEscaped(t, tour_.description().value_or(""));
    t += "</description>\r\n\t\t<visibility>0</visibility>\r\n";
    t += "\t\t<Placemark>\r\n\t\t<name>Track: ";
    AppendXmlEscaped(t, tour_.displayName());
    t += "</name>\r\n\t\t<description>";
    AppendXmlEscaped(t, tour_.dateText());
    t += "</description>\r\n\t\t\t<Style>\r\n\t\t\t\t<LineStyle>\r\n";
    AppendFormat(t, "\t\t\t\t\t<color>ff%6.6x</color>\r\n", tour_.colour().colorRef() & 0xFFFFFF);
    t += "\t\t\t\t\t<width>3</width>\r\n\t\t\t\t</LineStyle>\r\n\t\t\t</Style>\r\n\t\t\t<LineString>\r\n"
         "\t\t\t\t<coordinates>\r\n";
    placemarkPass_ = false;
    walk(&tour_);
    text() += "\t\t\t\t</coordinates>\r\n\t\t\t</LineString>\r\n\t\t</Placemark>\r\n";
    placemarkPass_ = true;
    count_ = 0;
    walk(&tour_);
    text() += "\t</Folder>\r\n</Document>\r\n</kml>\r\n";
    return count_;
}

void KmlWriter::onPoint(const TourPoint& p) {
    last_ = p;
    if (placemarkPass_) {
        ++count_;
        return;
    }
    if (!IsTrackPoint(p)) return;
    std::string& t = text();
    t += "\t\t\t\t";
    AppendLonLatAlt(t, p);
    t += "\r\n";
    ++count_;
    flushMaybe();
}

void KmlWriter::onAttachedRecord(const AttachedRecord& record) {
    if (!placemarkPass_ || !usable(record)) return;
    PoiFields f = readPoi(record);
    std::string& t = text();
    t += "\t\t<Placemark>\r\n";
    if (f.timeStamp) {
        ExchangeTime c = ExchangeTime::fromTourTime(f.time);
        AppendFormat(t, "\t\t\t<name>TimeStamp: %d:%2.2d %d/%d/%d</name>\r\n", c.hour, c.minute, c.day, c.month,
                     c.year);
    }
    AppendPoiTexts(t, f, kKmlPoiTags);
    t += "\t\t\t<Point>\r\n\t\t\t\t<coordinates>\r\n\t\t\t\t";
    AppendLonLatAlt(t, last_);
    t += "\r\n\t\t\t\t</coordinates>\r\n\t\t\t</Point>\r\n\t\t</Placemark>\r\n";
    flushMaybe();
}

// ---------------------------------------------------------------------- LOC

long LocWriter::write() {
    AppendFormat(text(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?><loc version=\"1.0\" src=\"%s\">\r\n",
                 kMakerDomain);
    walk(&tour_);
    text() += "</loc>\r\n";
    return count_;
}

void LocWriter::onPoint(const TourPoint& p) {
    last_ = p;
    ++count_;
}

void LocWriter::onAttachedRecord(const AttachedRecord& record) {
    if (!usable(record)) return;
    PoiFields f = readPoi(record);
    std::string& t = text();
    t += "\t<waypoint>\r\n\t\t<coord lat=\"";
    AppendDegrees(t, last_.lat, 14);
    t += "\" lon=\"";
    AppendDegrees(t, last_.lon, 14);
    t += "\"/>\r\n";
    AppendPoiTexts(t, f, kLocPoiTags);
    t += "\t</waypoint>\r\n";
    flushMaybe();
}

// ---------------------------------------------------------------------- TXT

long TxtWriter::write() {
    std::string& t = text();
    t += "# Exported Tour\r\n# Name: ";
    t += OneLine8Bit(tour_.displayName());
    t += "\r\n# Date: ";
    t += OneLine8Bit(tour_.dateText());
    t += "\r\n\r\n";
    walk(&tour_);
    text() += "\r\n";
    return count_;
}

void TxtWriter::onPoint(const TourPoint& p) {
    last_ = p;
    std::string& t = text();
    // Readers skip lines that begin with '#'; ours takes this one as a segment start.
    if (p.isSegmentStart()) t += "\r\n# segment";
    t += "\r\n";
    AppendDegrees(t, p.lat, 7);
    t += ", ";
    AppendDegrees(t, p.lon, 7);
    t += ", ";
    AppendAltitude(t, p.alt);
    t += ", ";
    AppendSpeed(t, p.speed);
    if (p.time != tourfile::kNoTime) {
        ExchangeTime c = ExchangeTime::fromTourTime(p.time);
        AppendFormat(t, ", %4.4d/%2.2d/%2.2d, %2.2d:%2.2d:%2.2d", c.year, c.month, c.day, c.hour, c.minute, c.second);
    }
    ++count_;
    flushMaybe();
}

void TxtWriter::onAttachedRecord(const AttachedRecord& record) {
    if (!usable(record)) return;
    PoiFields f = readPoi(record);
    std::string& t = text();
    t += ", ";
    t += OneLine8Bit(Symbol8BitToUtf8(f.symbol));
    t += ", ";
    t += OneLine8Bit(f.name);
    t += ", ";
    t += OneLine8Bit(f.description);
}

// ------------------------------------------------------------------- export

std::vector<ExportReport> ExportTour(Tour& tour, const std::string& folder, const ExportOptions& options,
                                     const ExportMessage& message) {
    struct Row {
        bool selected;
        const char* extension;
        std::function<std::unique_ptr<ExportWriter>(const std::string&)> make;
    };
    const Row rows[] = {
        {options.gpx, ".GPX", [&](const std::string& p) { return std::make_unique<GpxWriter>(tour, p, options); }},
        {options.kml, ".KML", [&](const std::string& p) { return std::make_unique<KmlWriter>(tour, p); }},
        {options.loc, ".LOC", [&](const std::string& p) { return std::make_unique<LocWriter>(tour, p); }},
        {options.txt, ".TXT", [&](const std::string& p) { return std::make_unique<TxtWriter>(tour, p); }},
    };
    std::vector<ExportReport> reports;
    for (const Row& row : rows) {
        if (!row.selected) continue;
        ExportReport report;
        report.path = ExportPath(tour, folder, row.extension);
        std::unique_ptr<ExportWriter> writer = row.make(report.path);
        report.points = writer->write();
        report.written = writer->commit();
        if (message) {
            char text[1024];
            std::snprintf(text, sizeof text, "%ld points exported to %s!", report.points, report.path.c_str());
            message(text, "Tour Export");
        }
        reports.push_back(report);
    }
    return reports;
}

}  // namespace trek
