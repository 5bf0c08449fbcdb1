#include "tours/TourTime.h"

#include <algorithm>
#include <mutex>

#include "platform/core/Clock.h"

namespace trek {

namespace {

std::mutex& ClockMutex() {
    static std::mutex m;
    return m;
}
std::function<uint32_t()>& ClockSource() {
    static std::function<uint32_t()> source;
    return source;
}

}  // namespace

// The calendar arithmetic is the platform clock's; this keeps the tour
// file's own rules on top of it: nothing before 1980, months cut to 1..12.
uint32_t TourTimeFromCalendar(const CalendarTime& t) {
    if (t.year < 1980) return 0;
    platform::LocalTime local;
    local.year = t.year;
    local.month = std::clamp(t.month, 1, 12);
    local.day = t.day;
    local.hour = t.hour;
    local.minute = t.minute;
    local.second = t.second;
    return platform::ToTourTime(local);
}

CalendarTime CalendarFromTourTime(uint32_t tourTime) {
    const platform::LocalTime local = platform::FromTourTime(tourTime);
    return CalendarTime{local.year, local.month, local.day, local.hour, local.minute, local.second};
}

// The platform clock carries the offset that the GPS time may have set.
uint32_t WallClockTourTime() { return platform::TourTimeNow(); }

uint32_t TourTimeNow() {
    std::function<uint32_t()> source;
    {
        std::lock_guard<std::mutex> lock(ClockMutex());
        source = ClockSource();
    }
    return source ? source() : WallClockTourTime();
}

void SetTourClock(std::function<uint32_t()> source) {
    std::lock_guard<std::mutex> lock(ClockMutex());
    ClockSource() = std::move(source);
}

}  // namespace trek
