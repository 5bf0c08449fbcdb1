#pragma once
// Distances, speeds and altitudes in the user's unit system, with their labels.
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/FlagWords.h"

namespace trek {

// Unit labels. The delta label is U+0394 followed by the distance label.
std::string_view DistanceUnitLabel(UnitSystem units);       // "km", "mi", "nm"
std::string_view DistanceDeltaUnitLabel(UnitSystem units);  // "Δkm", "Δmi", "Δnm"
std::string_view SpeedUnitLabel(UnitSystem units);          // "km/h", "mph", "kn"
std::string_view AltitudeUnitLabel(UnitSystem units);       // "m", "ft"

// The same for the current settings.
std::string_view DistanceUnitLabel();
std::string_view DistanceDeltaUnitLabel();
std::string_view SpeedUnitLabel();
std::string_view AltitudeUnitLabel();

// Metres -> km / mi / nm, plus half a metre in that unit (so that "%.3f"
// rounds to the metre).
double DistanceInUnit(double metres, UnitSystem units);
// Tenths of km/h -> km/h, mph or kn.
double SpeedInUnit(int32_t tenthsKmh, UnitSystem units);
// Metres -> metres, or feet of exactly 30 cm (truncated toward zero).
int32_t AltitudeInUnit(int32_t metres, UnitSystem units);

// Formats a distance in metres. `format` is a printf-style format with exactly
// one floating conversion (for example " %.3fuu ", "%.3lfuu", " %.3f uu ",
// "%.1f"); where it contains "uu" that pair is replaced by the two-letter
// distance label. Any other conversion in the format is printed literally, so
// a bad format cannot read beyond its argument.
std::string FormatDistance(std::string_view format, double metres, UnitSystem units);
std::string FormatDistance(std::string_view format, double metres);

// Formats a speed given in tenths of km/h with one floating conversion; the
// first 'u' of the format becomes the speed label ("u %.1f," -> "km/h 12.5,").
std::string FormatSpeed(std::string_view format, int32_t tenthsKmh, UnitSystem units);
std::string FormatSpeed(std::string_view format, int32_t tenthsKmh);

// "%dm" when metric, "%dft" otherwise.
std::string FormatAltitude(int32_t metres, UnitSystem units);
std::string FormatAltitude(int32_t metres);

}  // namespace trek
