#pragma once
// The program's clock: local time of the system plus an in-process offset that
// the GPS may set (the system clock itself is never changed), and the tour
// time, unsigned seconds since 1980-01-01 00:00:00 local time (Gregorian).
#include <cstdint>

namespace trek::platform {

struct LocalTime {
    int year = 1980;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int dayOfWeek = 0;  // 0 = Sunday; filled by LocalNow/FromTourTime
};

// Local time (offset applied) and UTC (offset applied).
LocalTime LocalNow();
LocalTime UtcNow();

// Sets the offset so that LocalNow() continues from `now`.
void SetLocalTime(const LocalTime& now);
int64_t ClockOffsetSeconds();
void SetClockOffsetSeconds(int64_t seconds);

// Calendar arithmetic only; no time zone is involved. Dates before 1980 give 0,
// dates past 2116-02-07 06:28:15 give 0xFFFFFFFF.
uint32_t ToTourTime(const LocalTime& t);
LocalTime FromTourTime(uint32_t tourTime);
uint32_t TourTimeNow();

// Days since 1970-01-01 of a Gregorian date (negative before), and back.
int64_t DaysFromCivil(int year, int month, int day);
void CivilFromDays(int64_t days, int& year, int& month, int& day);

}  // namespace trek::platform
