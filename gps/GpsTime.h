#pragma once
// GPS time: seconds since 1980-01-01 00:00:00 UTC, with the day count the
// program's time stamps use (Gregorian leap years).
#include <cstdint>

namespace trek {

// 0 for dates before 1980 or fields out of range.
uint32_t GpsSecondsSince1980(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                             unsigned second);

}  // namespace trek
