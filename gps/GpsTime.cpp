#include "gps/GpsTime.h"

namespace trek {
namespace {

bool IsLeapYear(unsigned y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

// Days before the first of each month in a common year.
constexpr unsigned kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

}  // namespace

uint32_t GpsSecondsSince1980(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                             unsigned second) {
    if (year < 1980 || year > 2115 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 ||
        minute > 59 || second > 60)
        return 0;
    uint32_t days = 0;
    for (unsigned y = 1980; y < year; ++y) days += IsLeapYear(y) ? 366 : 365;
    days += kDaysBeforeMonth[month - 1];
    if (month > 2 && IsLeapYear(year)) ++days;
    days += day - 1;
    return days * 86400u + hour * 3600u + minute * 60u + second;
}

}  // namespace trek
