#pragma once
// Tour time: unsigned seconds since 1980-01-01 00:00:00 in the device's local
// time, and the program clock that hands it out. The clock is injectable so that
// tests and replayed GPS logs can drive recording with their own time.
#include <cstdint>
#include <functional>

namespace trek {

struct CalendarTime {
    int year = 1980;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const CalendarTime&, const CalendarTime&) = default;
};

// Gregorian leap years (2000 is one, 2100 is not). Fields out of range are
// carried over as the arithmetic gives; years before 1980 give 0.
uint32_t TourTimeFromCalendar(const CalendarTime& t);
CalendarTime CalendarFromTourTime(uint32_t tourTime);

// The program clock, in tour time. By default the local wall clock; a source set
// with SetTourClock replaces it (nullptr restores the wall clock). Thread-safe.
uint32_t TourTimeNow();
void SetTourClock(std::function<uint32_t()> source);
// The local calendar time of the program clock.
inline CalendarTime CalendarNow() { return CalendarFromTourTime(TourTimeNow()); }

// The program's local clock (with the offset the GPS time may have set) as tour time.
uint32_t WallClockTourTime();

}  // namespace trek
