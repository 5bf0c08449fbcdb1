#pragma once
// Coordinate text: reading what the user (or a map description file) wrote, and
// the latitude/longitude forms shown on screen.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/FlagWords.h"

namespace trek {

// Reads one latitude or longitude and returns it in geo units, or -1 when no
// number could be read. Accepted forms, tried in this order (first complete
// match wins; separators are any run of the listed characters):
//   1. D <deg-mark> M <min-mark> H       degrees, decimal minutes, hemisphere
//   2. D <deg-mark> M <min-mark> S <sec-mark> H
//   3. D <deg-mark> H                     decimal degrees with a degree mark
//   4. D H                                decimal degrees, hemisphere
//   5. D                                  a bare number of degrees (sign kept)
// deg-mark: space, degree sign, d D g G. min-mark: space, ' and (text from the
// user only) m M. sec-mark: space, ". Hemisphere letters E O N keep the value,
// W S negate it (either case; only the first letter counts). Leading white
// space before a number is skipped. The minus sign belongs to the degrees only:
// "-12°30'S" is -12° + 30' = -11.5°, negated by S.
// This variant reads UTF-8 (degree sign U+00B0).
int32_t ParseGeoAngle(std::string_view utf8);
// The same for 8-bit text from map description files: the degree sign is the
// single byte 0xB0 and only space and ' mark minutes.
int32_t ParseGeoAngle8(std::string_view bytes);

// Longest text FormatLatitude/FormatLongitude produce, with the terminating NUL.
constexpr size_t kGeoTextCapacity = 32;

// Formats a geo-unit latitude ("48°30.500'N") or longitude in the given format.
// precision: dm -> minute decimals (2, 3, otherwise 4); d -> 6 decimals below 4,
// 7 from 4 on; dms ignores it. The degree sign is written as UTF-8.
// These write into `out` (at least kGeoTextCapacity bytes, NUL-terminated) and
// return the length, so that drawing code needs no allocation.
size_t FormatLatitude(char* out, int32_t value, int precision, CoordinateFormat format);
size_t FormatLongitude(char* out, int32_t value, int precision, CoordinateFormat format, char eastLetter);

std::string FormatLatitude(int32_t value, int precision, CoordinateFormat format);
std::string FormatLongitude(int32_t value, int precision, CoordinateFormat format, char eastLetter);

// Forms using the current settings (coordinate format, east letter of the UI
// language), read at each call so that a change shows at the next redraw.
std::string FormatLatitude(int32_t value, int precision);
std::string FormatLongitude(int32_t value, int precision);

}  // namespace trek
