// trektool geo ...: coordinate text, UTM, distances and map projections from
// the command line, one value at a time or a stream of them with --stdin.
#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geo/GeoDistance.h"
#include "geo/GeoText.h"
#include "geo/GeoUnits.h"
#include "geo/Projection.h"
#include "geo/Utm.h"
#include "settings/Settings.h"
#include "tools/trektool/Command.h"

namespace trek::tool {
namespace {

constexpr double kDeg = 0.017453292519943295;

// Options shared by the geo subcommands; each subcommand reads the ones it knows.
struct GeoOptions {
    bool eightBit = false;
    bool latitude = false, longitude = false;
    std::optional<CoordinateFormat> format;
    int precision = 3;
    int zone = utm::kAutoZone;
    bool text = false;
    bool batch = false;
};

template <typename T>
bool ParseNumber(std::string_view s, T& out) {
    if (!s.empty() && s.front() == '+') s.remove_prefix(1);
    auto res = std::from_chars(s.data(), s.data() + s.size(), out);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size()) return false;
    if constexpr (std::is_floating_point_v<T>) return std::isfinite(out);
    return true;
}

// A subcommand takes its positional words and writes one result line, or
// returns an error message.
using Handler = std::optional<std::string> (*)(const std::vector<std::string_view>& args, const GeoOptions& opts,
                                               std::string& out);

std::string Json(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string Json(const char* fmt, ...) {
    char buf[256];
    va_list ap;
    va_start(ap, fmt);
    const int n = std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    return std::string(buf, n > 0 ? std::min<size_t>(static_cast<size_t>(n), sizeof buf - 1) : 0);
}

std::optional<std::string> RunParse(const std::vector<std::string_view>& args, const GeoOptions& opts,
                                    std::string& out) {
    const int32_t v = opts.eightBit ? ParseGeoAngle8(args[0]) : ParseGeoAngle(args[0]);
    out = std::to_string(v);
    return std::nullopt;
}

std::optional<std::string> RunFormat(const std::vector<std::string_view>& args, const GeoOptions& opts,
                                     std::string& out) {
    int32_t value;
    if (!ParseNumber(args[0], value)) return "VALUE must be a geo-unit integer";
    const Settings& s = Settings::instance();
    const CoordinateFormat f = opts.format.value_or(s.flags.coordinateFormat());
    out = opts.latitude ? FormatLatitude(value, opts.precision, f)
                        : FormatLongitude(value, opts.precision, f, s.eastLetter());
    return std::nullopt;
}

std::optional<std::string> RunUtm(const std::vector<std::string_view>& args, const GeoOptions& opts,
                                  std::string& out) {
    double lat, lon;
    if (!ParseNumber(args[0], lat) || !ParseNumber(args[1], lon)) return "LAT and LON must be degrees";
    if (lat < -90 || lat > 90) return "LAT must lie within -90..90";
    cUTM u;
    u.SetLatLon(lat, lon, opts.zone);
    if (opts.text) {
        out = u.InfoText();
    } else {
        // The object keeps +0.5 m so that truncating rounds; the JSON gives the
        // position itself so that "geo latlon" reads it back.
        const char band[2] = {u.band, 0};
        out = Json("{\"zone\":%d,\"band\":\"%s\",\"easting\":%.17g,\"northing\":%.17g}", u.zone, band,
                   u.easting - 0.5, u.northing - 0.5);
    }
    return std::nullopt;
}

std::optional<std::string> RunLatLon(const std::vector<std::string_view>& args, const GeoOptions&,
                                     std::string& out) {
    int zone;
    double easting, northing;
    if (!ParseNumber(args[0], zone) || zone < 1 || zone > 60) return "ZONE must be 1..60";
    if (args[1].size() != 1) return "BAND must be one letter";
    if (!ParseNumber(args[2], easting) || !ParseNumber(args[3], northing)) return "EASTING and NORTHING must be metres";
    cUTM u;
    u.SetUtm(zone, args[1][0], easting, northing);
    const char band[2] = {u.band, 0};
    out = Json("{\"lat\":%.17g,\"lon\":%.17g,\"band\":\"%s\"}", u.latitude, u.longitude, band);
    return std::nullopt;
}

std::optional<std::string> RunDist(const std::vector<std::string_view>& args, const GeoOptions&, std::string& out) {
    GeoPoint a, b;
    if (!ParseNumber(args[0], a.lon) || !ParseNumber(args[1], a.lat) || !ParseNumber(args[2], b.lon) ||
        !ParseNumber(args[3], b.lat))
        return "positions must be geo-unit integers";
    out = Json("%.3f", GeoDistance(a, b));
    return std::nullopt;
}

std::optional<std::string> RunProj(const std::vector<std::string_view>& args, const GeoOptions&, std::string& out) {
    const ProjectionKindInfo* kind = FindProjectionKind(args[0]);
    if (!kind) return "KIND must be mercator, tm, laea or lcc";
    double angles[4];
    size_t count = 0;
    for (std::string_view rest = args[1]; !rest.empty();) {
        const size_t comma = rest.find(',');
        const std::string_view word = rest.substr(0, comma);
        if (count == 4 || !ParseNumber(word, angles[count])) return "parameters must be 2 or 4 degrees, comma-separated";
        angles[count++] *= kDeg;
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
    }
    const auto proj = Projection::Make(kind->kind, angles, count);
    if (!proj) return std::string(kind->name) + " takes " + std::to_string(kind->angleCount) + " usable parameters";
    double a, b;
    if (!ParseNumber(args[3], a) || !ParseNumber(args[4], b)) return "coordinates must be numbers";
    if (args[2] == "fwd") {
        double x, y;
        if (!proj->Forward(a * kDeg, b * kDeg, x, y)) return "the position has no image in this projection";
        out = Json("%.17g %.17g", x, y);
    } else if (args[2] == "inv") {
        double lambda, phi;
        if (!proj->Inverse(a, b, lambda, phi)) return "the coordinates have no position in this projection";
        out = Json("%.17g %.17g", lambda / kDeg, phi / kDeg);
    } else {
        return "direction must be fwd or inv";
    }
    return std::nullopt;
}

struct Subcommand {
    std::string_view name;
    size_t argCount;
    bool wholeLine;  // --stdin: the line is one argument (it may contain spaces)
    Handler run;
};

constexpr Subcommand kSubcommands[] = {
    {"parse", 1, true, RunParse},  {"format", 1, false, RunFormat}, {"utm", 2, false, RunUtm},
    {"latlon", 4, false, RunLatLon}, {"dist", 4, false, RunDist},   {"proj", 5, false, RunProj},
};

std::optional<CoordinateFormat> FormatByName(std::string_view name) {
    if (name == "dm") return CoordinateFormat::DegMin;
    if (name == "dms") return CoordinateFormat::DegMinSec;
    if (name == "d") return CoordinateFormat::Degrees;
    return std::nullopt;
}

// Splits options from positional words. Words starting with "--" are options;
// a single '-' starts a negative number.
std::optional<std::string> ParseOptions(const std::vector<std::string>& args, size_t first, GeoOptions& o,
                                        std::vector<std::string_view>& positional) {
    for (size_t i = first; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&]() -> const std::string* { return i + 1 < args.size() ? &args[++i] : nullptr; };
        if (a.rfind("--", 0) != 0) {
            positional.push_back(a);
        } else if (a == "--8bit") {
            o.eightBit = true;
        } else if (a == "--lat") {
            o.latitude = true;
        } else if (a == "--lon") {
            o.longitude = true;
        } else if (a == "--text") {
            o.text = true;
        } else if (a == "--stdin") {
            o.batch = true;
        } else if (a == "--format") {
            const std::string* v = value();
            if (!v || !(o.format = FormatByName(*v))) return "--format takes dm, dms or d";
        } else if (a == "--precision") {
            const std::string* v = value();
            if (!v || !ParseNumber(std::string_view(*v), o.precision)) return "--precision takes a number";
        } else if (a == "--zone") {
            const std::string* v = value();
            if (!v || !ParseNumber(std::string_view(*v), o.zone) || o.zone < 1 || o.zone > 60)
                return "--zone takes 1..60";
        } else {
            return "unknown option " + a;
        }
    }
    return std::nullopt;
}

std::vector<std::string_view> SplitWords(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// One result line per input line; a line that fails prints "error: ..." so
// that outputs stay aligned with inputs. Returns the number of failed lines.
size_t RunBatch(const Subcommand& sub, const GeoOptions& opts, const std::vector<std::string_view>& fixed) {
    size_t failed = 0;
    char* line = nullptr;
    size_t cap = 0;
    ssize_t len;
    std::vector<std::string_view> args;
    std::string out;
    while ((len = getline(&line, &cap, stdin)) >= 0) {
        std::string_view text(line, static_cast<size_t>(len));
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.remove_suffix(1);
        args = fixed;
        if (sub.wholeLine) {
            args.push_back(text);
        } else {
            for (std::string_view w : SplitWords(text)) args.push_back(w);
        }
        std::optional<std::string> err;
        if (args.size() != sub.argCount) err = "expected " + std::to_string(sub.argCount) + " arguments";
        else err = sub.run(args, opts, out);
        if (err) {
            ++failed;
            std::fprintf(stdout, "error: %s\n", err->c_str());
        } else {
            std::fwrite(out.data(), 1, out.size(), stdout);
            std::fputc('\n', stdout);
        }
    }
    std::free(line);
    return failed;
}

int RunGeo(const std::vector<std::string>& argv) {
    if (argv.empty()) return UsageError("geo needs a subcommand (parse, format, utm, latlon, dist, proj)");
    const Subcommand* sub = nullptr;
    for (const Subcommand& s : kSubcommands)
        if (s.name == argv[0]) sub = &s;
    if (!sub) return UsageError("unknown geo subcommand '" + argv[0] + "'");

    GeoOptions opts;
    std::vector<std::string_view> positional;
    if (auto err = ParseOptions(argv, 1, opts, positional)) return UsageError(*err);
    if (sub->name == "format" && opts.latitude == opts.longitude) return UsageError("geo format needs --lat or --lon");

    if (opts.batch) {
        if (positional.size() >= sub->argCount) return UsageError("with --stdin the last arguments come from the lines");
        const size_t failed = RunBatch(*sub, opts, positional);
        if (failed) return Failure(std::to_string(failed) + " line(s) could not be converted");
        return 0;
    }
    if (positional.size() != sub->argCount)
        return UsageError("geo " + std::string(sub->name) + " takes " + std::to_string(sub->argCount) +
                          " arguments (see --help)");
    std::string out;
    if (auto err = sub->run(positional, opts, out)) return Failure(*err);
    std::printf("%s\n", out.c_str());
    return 0;
}

}  // namespace

TREKTOOL_COMMAND("geo",
                 "geo parse TEXT [--8bit]            coordinate text -> geo units (-1: not read)\n"
                 "geo format VALUE (--lat|--lon) [--format dm|dms|d] [--precision N]   (default: settings, 3)\n"
                 "geo utm LAT LON [--zone Z] [--text]   degrees -> {zone, band, easting, northing}\n"
                 "geo latlon ZONE BAND EASTING NORTHING  -> {lat, lon, band} in degrees\n"
                 "geo dist LON1 LAT1 LON2 LAT2       geo units -> metres\n"
                 "geo proj KIND P1,P2[,P3,P4] fwd LON LAT | inv X Y   KIND: mercator, tm, laea, lcc; degrees\n"
                 "geo ... --stdin                    the missing arguments come one set a line from stdin",
                 RunGeo);

}  // namespace trek::tool
