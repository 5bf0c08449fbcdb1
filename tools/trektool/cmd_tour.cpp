// trektool tour / record / poi: inspect, edit and convert tour files, record a
// tour from a GPS source, and create single POIs.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "geo/GeoText.h"
#include "gps/GpsMessages.h"
#include "gps/GpsReceiver.h"
#include "platform/core/MessageLoop.h"
#include "platform/core/Paths.h"
#include "settings/Settings.h"
#include "tools/trektool/Command.h"
#include "tools/trektool/Json.h"
#include "tours/PoiSymbols.h"
#include "tours/PointStatistics.h"
#include "tours/TourRecorder.h"
#include "tours/TourRecording.h"
#include "tours/TourTime.h"
#include "tours/TourWalker.h"

namespace trek::tool {
namespace {

using namespace tourfile;

std::optional<uint32_t> ParseOffset(const std::string& text) {
    if (text.empty() || text[0] == '-') return std::nullopt;
    char* end = nullptr;
    errno = 0;
    const unsigned long long v = std::strtoull(text.c_str(), &end, 0);
    if (*end != '\0' || errno != 0 || v > UINT32_MAX) return std::nullopt;
    return uint32_t(v);
}

std::optional<double> ParseDouble(const std::string& text) {
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    if (text.empty() || *end != '\0' || !std::isfinite(v)) return std::nullopt;
    return v;
}

std::string BaseName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    std::string base = path.substr(slash == std::string::npos ? 0 : slash + 1);
    const size_t dot = base.rfind('.');
    return dot == std::string::npos || dot == 0 ? base : base.substr(0, dot);
}

// A tour whose header has been read; a file without one still walks.
// Null (errno set) when the file cannot be read at all.
std::unique_ptr<Tour> OpenTour(const std::string& path) {
    if (::access(path.c_str(), R_OK) != 0) return nullptr;
    auto tour = std::make_unique<Tour>(BaseName(path), path);
    tour->readHeader();
    return tour;
}

// ---- tour info

struct InfoWalker : TourWalker {
    uint32_t waypoints = 0;
    std::optional<uint32_t> start, end;
    void onPoint(const TourPoint& p) override {
        TourWalker::onPoint(p);
        if (p.head & (kWaypointBit | kAttachedBit)) {
            ++waypoints;
            return;
        }
        if (p.time == kNoTime) return;
        if (!start) start = p.time;
        end = p.time;
    }
};

std::string OptionalNumber(const std::optional<int64_t>& v) { return v ? std::to_string(*v) : "null"; }

int RunTourInfo(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError("tour info FILE");
    auto tour = OpenTour(args[0]);
    if (!tour) return Failure("cannot open " + args[0] + ": " + std::strerror(errno));
    InfoWalker w;
    if (!w.walk(tour.get())) return Failure("not a tour file: " + args[0]);
    const WalkStatistics& s = w.statistics();
    const bool any = s.points > 0;
    const TourBounds& b = tour->bounds();
    const auto desc = tour->description();
    auto opt = [&](int64_t v) { return any ? std::optional<int64_t>(v) : std::nullopt; };
    std::printf(
        "{\"name\": %s, \"date\": %s, \"kind\": %d, \"visible\": %d, \"colour\": %u, \"version\": %u, "
        "\"bbox\": [%d, %d, %d, %d], \"points\": %u, \"waypoints\": %u, \"distance_m\": %.3f, \"ascent\": %d, "
        "\"descent\": %d, \"min_alt\": %s, \"max_alt\": %s, \"min_speed\": %s, \"max_speed\": %s, "
        "\"start_time\": %s, \"end_time\": %s, \"description\": %s}\n",
        JsonString(tour->displayName()).c_str(), JsonString(tour->dateText()).c_str(), tour->kind(), tour->visible(),
        tour->colour().colorRef(), w.version(), b.west, b.north, b.east, b.south, s.points, w.waypoints, s.distance,
        s.ascent, s.descent, OptionalNumber(opt(s.minAltitude)).c_str(), OptionalNumber(opt(s.maxAltitude)).c_str(),
        OptionalNumber(opt(s.minSpeed)).c_str(), OptionalNumber(opt(s.maxSpeed)).c_str(),
        OptionalNumber(w.start ? std::optional<int64_t>(*w.start) : std::nullopt).c_str(),
        OptionalNumber(w.end ? std::optional<int64_t>(*w.end) : std::nullopt).c_str(),
        desc ? JsonString(*desc).c_str() : "null");
    return 0;
}

// ---- tour points

struct PointsWalker : TourWalker {
    std::string line;  // the point waiting for its attached record
    void print() {
        if (!line.empty()) std::printf("%s}\n", line.c_str());
        line.clear();
    }
    void onPoint(const TourPoint& p) override {
        print();
        char text[512];
        std::snprintf(text, sizeof text,
                      "{\"offset\": %u, \"flags\": %u, \"lon\": %d, \"lat\": %d, \"alt\": %d, \"speed\": %u, "
                      "\"fix\": %u, \"sats\": %u, \"easting\": %d, \"northing\": %d, \"zone\": %u, \"time\": %u",
                      pointOffset(), p.head, p.lon, p.lat, p.alt, p.speed, p.fix, p.sats, p.easting, p.northing,
                      p.zone(), p.time);
        line = text;
    }
    void onAttachedRecord(const AttachedRecord& r) override {
        if (line.empty()) return;
        if (const auto stamp = TimeStampRecord::From(r)) {
            line += ", \"timestamp\": " + std::to_string(stamp->time);
        } else if (const auto named = NamedPoiRecord::From(r)) {
            const uint32_t owner = ownerOffset();
            auto textAt = [&](uint32_t rel) -> std::string {
                if (rel == 0) return "null";
                const auto t = tour()->readText(owner + rel);
                return t ? JsonString(*t) : "null";
            };
            line += ", \"symbol\": " + JsonString(named->symbol) + ", \"name\": " + textAt(named->nameOffset) +
                    ", \"desc\": " + textAt(named->descOffset);
        } else {
            line += ", \"symbol\": " + JsonString(std::string(NameForCode(r.code()))) + ", \"name\": null, \"desc\": null";
        }
        print();
    }
};

int RunTourPoints(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError("tour points FILE");
    auto tour = OpenTour(args[0]);
    if (!tour) return Failure("cannot open " + args[0] + ": " + std::strerror(errno));
    PointsWalker w;
    if (!w.walk(tour.get())) return Failure("not a tour file: " + args[0]);
    w.print();
    return 0;
}

// ---- tour stats / convert / delete / attach

int RunTourStats(const std::vector<std::string>& args) {
    if (args.size() != 2) return UsageError("tour stats FILE OFFSET");
    const auto offset = ParseOffset(args[1]);
    if (!offset) return UsageError("bad offset: " + args[1]);
    auto tour = OpenTour(args[0]);
    if (!tour) return Failure("cannot open " + args[0] + ": " + std::strerror(errno));
    const auto s = ComputePointStatistics(*tour, *offset);
    if (!s) return Failure("no point at offset " + args[1] + " in " + args[0]);
    const std::string text = FormatPointStatistics(*s, Settings::instance().flags.unitSystem(),
                                                   FormatLatitude(s->point.lat, 3), FormatLongitude(s->point.lon, 3));
    std::printf("%s\n", text.c_str());
    return 0;
}

int RunTourConvert(const std::vector<std::string>& args) {
    if (args.size() != 1) return UsageError("tour convert FILE");
    struct stat st;
    if (::stat((args[0] + "_old").c_str(), &st) == 0) return Failure(args[0] + "_old exists; not converting again");
    if (!TourRecorder::Convert(args[0])) return Failure("cannot convert " + args[0]);
    return 0;
}

int RunTourDelete(const std::vector<std::string>& args) {
    if (args.size() != 2) return UsageError("tour delete FILE OFFSET");
    const auto offset = ParseOffset(args[1]);
    if (!offset) return UsageError("bad offset: " + args[1]);
    auto tour = OpenTour(args[0]);
    if (!tour) return Failure("cannot open " + args[0] + ": " + std::strerror(errno));
    if (!TourRecorder::DeletePoint(*tour, *offset)) return Failure("no point to delete at offset " + args[1]);
    return 0;
}

int RunTourAttach(const std::vector<std::string>& args) {
    if (args.size() != 3) return UsageError("tour attach FILE OFFSET SYMBOL");
    const auto offset = ParseOffset(args[1]);
    if (!offset) return UsageError("bad offset: " + args[1]);
    auto tour = OpenTour(args[0]);
    if (!tour) return Failure("cannot open " + args[0] + ": " + std::strerror(errno));
    if (!TourRecorder::AttachPoiToPoint(*tour, *offset, args[2])) {
        return Failure("cannot attach a POI at offset " + args[1] + " (no track point there, or it has one)");
    }
    return 0;
}

// ---- poi new

int RunPoiNew(const std::vector<std::string>& args) {
    std::vector<std::string> pos;
    std::string desc;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--desc") {
            if (i + 1 >= args.size()) return UsageError("--desc needs a text");
            desc = args[++i];
        } else {
            pos.push_back(args[i]);
        }
    }
    if (pos.size() != 4) return UsageError("poi new NAME SYMBOL LAT LON [--desc TEXT]");
    const int32_t lat = ParseGeoAngle(pos[2]);
    const int32_t lon = ParseGeoAngle(pos[3]);
    if ((lat == -1 && pos[2].find_first_of("0123456789") == std::string::npos) ||
        (lon == -1 && pos[3].find_first_of("0123456789") == std::string::npos)) {
        return UsageError("bad coordinates: " + pos[2] + " " + pos[3]);
    }
    if (std::abs(int64_t(lat)) > geo::kQuarterTurn || std::abs(int64_t(lon)) > geo::kHalfTurn) {
        return UsageError("coordinates out of range: " + pos[2] + " " + pos[3]);
    }
    TourPoint p;
    p.lon = lon;
    p.lat = lat;
    const auto path = TourRecorder::CreateSinglePoi(platform::DataFolder(), pos[0], pos[1], desc, p);
    if (!path) return Failure("cannot create the POI " + pos[0]);
    std::printf("%s\n", path->c_str());
    return 0;
}

// ---- record

struct ModeName {
    const char* name;
    FilterMode mode;
};
constexpr ModeName kModeNames[] = {{"motor", FilterMode::Motorised},
                                   {"bike", FilterMode::BikeShip},
                                   {"hike", FilterMode::OnFoot},
                                   {"fly", FilterMode::Flying},
                                   {"dist", FilterMode::ManualDistance}};

std::string SourceName(const std::string& arg) {
    struct stat st;
    if (arg.rfind("file:", 0) == 0) return arg.find('@') == std::string::npos ? arg + "@0" : arg;
    if (::stat(arg.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return "file:" + arg + "@0";
    return arg;
}

int RunRecord(const std::vector<std::string>& args) {
    std::vector<std::string> pos;
    std::optional<FilterMode> mode;
    std::optional<double> dist;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--mode") {
            if (i + 1 >= args.size()) return UsageError("--mode needs motor, bike, hike, fly or dist");
            const std::string name = args[++i];
            for (const ModeName& m : kModeNames) {
                if (name == m.name) mode = m.mode;
            }
            if (!mode) return UsageError("unknown mode " + name + " (motor, bike, hike, fly, dist)");
        } else if (a == "--dist") {
            if (i + 1 >= args.size()) return UsageError("--dist needs metres");
            dist = ParseDouble(args[++i]);
            if (!dist || *dist < 1 || *dist > 8000000) return UsageError("bad distance: " + args[i]);
        } else if (a.rfind("--", 0) == 0) {
            return UsageError("unknown option " + a);
        } else {
            pos.push_back(a);
        }
    }
    if (pos.size() != 2) return UsageError("record SOURCE OUT.TUR [--mode motor|bike|hike|fly|dist] [--dist M]");
    struct stat st;
    if (::stat(pos[1].c_str(), &st) == 0) return Failure(pos[1] + " exists; choose a new file");

    FlagWords& flags = Settings::instance().flags;
    if (mode) flags.set_recordingProfile(uint32_t(*mode));
    if (dist) {
        flags.set_fltDistSel(uint32_t(*dist));
        if (!mode) flags.set_recordingProfile(uint32_t(FilterMode::ManualDistance));
    }
    flags.set_recordingPaused(0);

    // The program clock follows the GPS time of the fixes.
    uint32_t gpsNow = 0;
    SetTourClock([&gpsNow] { return gpsNow; });

    platform::MessageLoop& loop = platform::MessageLoop::main();
    loop.bindToCurrentThread();
    GpsReceiverOptions options = GpsReceiverOptions::FromSettings();
    options.loop = &loop;
    options.attachSnapshots = true;  // every position, as the main window would have seen it
    options.maxPending = 8192;
    GpsReceiver receiver(SourceName(pos[0]), 1, nullptr, 4800, options);
    if (!receiver.waitOpened()) {
        SetTourClock(nullptr);
        return Failure("cannot open " + pos[0] + ": " + receiver.openError());
    }

    GpsFix fix;
    auto tour = std::make_shared<Tour>(BaseName(pos[1]), pos[1]);
    gpsNow = 0;
    std::unique_ptr<TourRecording> recording;
    uint64_t positions = 0, recorded = 0;
    platform::Message m;
    for (;;) {
        const bool got = loop.getFor(m, 50);
        if (got && m.message == UM_POSITION) {
            ++positions;
            if (m.payload) {
                fix = *static_cast<const GpsFix*>(m.payload.get());
            } else {
                receiver.snapshotFix(fix);
            }
            // Until the receiver reports a valid time there is no clock to stamp points with.
            if (fix.gpsTime == 0) continue;
            gpsNow = fix.gpsTime;
            if (!recording) {
                recording = std::make_unique<TourRecording>(tour, &fix);
                if (!recording->startNew(int(flags.tourDefColourNew()))) {
                    receiver.close();
                    SetTourClock(nullptr);
                    return Failure("cannot write " + pos[1]);
                }
            }
            recorded += recording->onPosition() ? 1 : 0;
            continue;
        }
        if (got) continue;
        if (loop.quitting()) break;
        if (receiver.sourceEnded() && loop.pending() == 0) break;
    }
    receiver.close();
    int result = 0;
    if (recording) {
        recording->close();
        std::printf("{\"positions\": %llu, \"recorded\": %llu, \"distance_m\": %.1f}\n",
                    static_cast<unsigned long long>(positions), static_cast<unsigned long long>(recorded),
                    recording->distance());
    } else {
        result = Failure("no position with a valid GPS time in " + pos[0]);
    }
    SetTourClock(nullptr);
    return result;
}

}  // namespace

TREKTOOL_COMMAND("tour info", "tour info FILE                 one JSON object: header, statistics, times", RunTourInfo);
TREKTOOL_COMMAND("tour points", "tour points FILE               one JSON line per point (POIs with symbol, name, desc)",
                 RunTourPoints);
TREKTOOL_COMMAND("tour stats", "tour stats FILE OFFSET         statistics of/to the point at OFFSET", RunTourStats);
TREKTOOL_COMMAND("tour convert", "tour convert FILE              rewrite an older tour file as version 9 (keeps FILE_old)",
                 RunTourConvert);
TREKTOOL_COMMAND("tour delete", "tour delete FILE OFFSET        mark the point at OFFSET deleted", RunTourDelete);
TREKTOOL_COMMAND("tour attach", "tour attach FILE OFFSET SYMBOL attach a POI to the track point at OFFSET",
                 RunTourAttach);
TREKTOOL_COMMAND("poi new", "poi new NAME SYMBOL LAT LON [--desc TEXT]   create DATA/POIs/NAME.TUR", RunPoiNew);
TREKTOOL_COMMAND("record",
                 "record SOURCE OUT.TUR [--mode motor|bike|hike|fly|dist] [--dist M]\n"
                 "                               record a tour from a GPS source (a log replays at once;\n"
                 "                               the clock follows the GPS time of each fix)",
                 RunRecord);

}  // namespace trek::tool
