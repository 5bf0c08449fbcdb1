#include "geo/Units.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

#include "settings/Settings.h"

namespace trek {

namespace {

// One row per unit system; looked up by the stored value.
struct UnitRow {
    std::string_view distance;
    std::string_view distanceDelta;
    std::string_view speed;
    std::string_view altitude;
    double perMetre;       // distance unit per metre
    double halfMetre;      // half a metre in that unit, added before printing
    double speedPerKmh;    // speed unit per km/h
    bool feet;
};

constexpr UnitRow kUnits[] = {
    {"km", "\xCE\x94km", "km/h", "m", 0.001, 0.0005, 1.0, false},
    {"mi", "\xCE\x94mi", "mph", "ft", 0.0006213711944996513, 0.00031068559724982566, 1000 * 0.00062150403, true},
    {"nm", "\xCE\x94nm", "kn", "ft", 0.0005399568034557236, 0.0002699784017278618, 1000 * 0.0005399568, true},
};

const UnitRow& Row(UnitSystem u) {
    const auto i = static_cast<size_t>(u);
    return kUnits[i < std::size(kUnits) ? i : 2];
}

UnitSystem Current() { return Settings::instance().flags.unitSystem(); }

// Prints `value` through a caller's printf-style format. Only the first
// floating conversion (%f %e %g, optionally with l) takes the value; its
// flags, width and precision are kept within sane bounds. Everything else is
// copied as text, so the format can never make printf read a missing argument.
std::string PrintOne(std::string_view format, double value) {
    std::string out;
    out.reserve(format.size() + 16);
    bool used = false;
    size_t i = 0;
    while (i < format.size()) {
        const char c = format[i];
        if (c != '%') {
            out += c;
            ++i;
            continue;
        }
        if (i + 1 < format.size() && format[i + 1] == '%') {
            out += '%';
            i += 2;
            continue;
        }
        // Try to read "%[flags][width][.precision][l|L]conv".
        size_t p = i + 1;
        char spec[32] = "%";
        size_t n = 1;
        while (p < format.size() && std::string_view("-+ #0").find(format[p]) != std::string_view::npos) {
            if (n < 8) spec[n++] = format[p];
            ++p;
        }
        int width = 0, precision = -1;
        while (p < format.size() && format[p] >= '0' && format[p] <= '9') width = std::min(width * 10 + (format[p++] - '0'), 99);
        if (p < format.size() && format[p] == '.') {
            ++p;
            precision = 0;
            while (p < format.size() && format[p] >= '0' && format[p] <= '9')
                precision = std::min(precision * 10 + (format[p++] - '0'), 20);
        }
        if (p < format.size() && (format[p] == 'l' || format[p] == 'L')) ++p;
        const char conv = p < format.size() ? format[p] : 0;
        if (used || std::string_view("fFeEgG").find(conv) == std::string_view::npos || conv == 0) {
            out += c;  // not a conversion we print: keep the text as it stands
            ++i;
            continue;
        }
        n += static_cast<size_t>(std::snprintf(spec + n, sizeof spec - n, "%d", width));
        if (precision >= 0) n += static_cast<size_t>(std::snprintf(spec + n, sizeof spec - n, ".%d", precision));
        spec[n++] = conv;
        spec[n] = '\0';
        char buf[160];
        const int len = std::snprintf(buf, sizeof buf, spec, value);
        if (len > 0) out.append(buf, std::min<size_t>(static_cast<size_t>(len), sizeof buf - 1));
        used = true;
        i = p + 1;
    }
    return out;
}

}  // namespace

std::string_view DistanceUnitLabel(UnitSystem u) { return Row(u).distance; }
std::string_view DistanceDeltaUnitLabel(UnitSystem u) { return Row(u).distanceDelta; }
std::string_view SpeedUnitLabel(UnitSystem u) { return Row(u).speed; }
std::string_view AltitudeUnitLabel(UnitSystem u) { return Row(u).altitude; }

std::string_view DistanceUnitLabel() { return DistanceUnitLabel(Current()); }
std::string_view DistanceDeltaUnitLabel() { return DistanceDeltaUnitLabel(Current()); }
std::string_view SpeedUnitLabel() { return SpeedUnitLabel(Current()); }
std::string_view AltitudeUnitLabel() { return AltitudeUnitLabel(Current()); }

double DistanceInUnit(double metres, UnitSystem u) {
    const UnitRow& r = Row(u);
    return metres * r.perMetre + r.halfMetre;
}

double SpeedInUnit(int32_t tenthsKmh, UnitSystem u) { return tenthsKmh / 10.0 * Row(u).speedPerKmh; }

int32_t AltitudeInUnit(int32_t metres, UnitSystem u) {
    if (!Row(u).feet) return metres;
    const int64_t feet = static_cast<int64_t>(metres) * 100 / 30;
    return static_cast<int32_t>(std::clamp<int64_t>(feet, INT32_MIN, INT32_MAX));
}

std::string FormatDistance(std::string_view format, double metres, UnitSystem u) {
    std::string f(format);
    const size_t at = f.find("uu");
    if (at != std::string::npos) f.replace(at, 2, DistanceUnitLabel(u));
    return PrintOne(f, DistanceInUnit(metres, u));
}

std::string FormatDistance(std::string_view format, double metres) { return FormatDistance(format, metres, Current()); }

std::string FormatSpeed(std::string_view format, int32_t tenthsKmh, UnitSystem u) {
    std::string f(format);
    const size_t at = f.find('u');
    if (at != std::string::npos) f.replace(at, 1, SpeedUnitLabel(u));
    return PrintOne(f, SpeedInUnit(tenthsKmh, u));
}

std::string FormatSpeed(std::string_view format, int32_t tenthsKmh) { return FormatSpeed(format, tenthsKmh, Current()); }

std::string FormatAltitude(int32_t metres, UnitSystem u) {
    char buf[24];
    const int len = std::snprintf(buf, sizeof buf, "%d%s", AltitudeInUnit(metres, u), Row(u).feet ? "ft" : "m");
    return std::string(buf, static_cast<size_t>(len));
}

std::string FormatAltitude(int32_t metres) { return FormatAltitude(metres, Current()); }

}  // namespace trek
