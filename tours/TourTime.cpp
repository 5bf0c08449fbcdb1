#include "tours/TourTime.h"

#include "platform/core/Clock.h"
#include <mutex>

namespace trek {

namespace {

bool IsLeap(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

constexpr int kDaysBeforeMonth[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};

int64_t DaysSince1980(int year, int month, int day) {
    int64_t days = 0;
    for (int y = 1980; y < year; ++y) days += IsLeap(y) ? 366 : 365;
    if (month < 1) month = 1;
    if (month > 12) month = 12;
    days += kDaysBeforeMonth[month - 1];
    if (month > 2 && IsLeap(year)) days += 1;
    return days + day - 1;
}

std::mutex& ClockMutex() {
    static std::mutex m;
    return m;
}
std::function<uint32_t()>& ClockSource() {
    static std::function<uint32_t()> source;
    return source;
}

}  // namespace

uint32_t TourTimeFromCalendar(const CalendarTime& t) {
    if (t.year < 1980) return 0;
    const int64_t seconds =
        DaysSince1980(t.year, t.month, t.day) * 86400 + int64_t(t.hour) * 3600 + int64_t(t.minute) * 60 + t.second;
    if (seconds < 0) return 0;
    return static_cast<uint32_t>(seconds);
}

CalendarTime CalendarFromTourTime(uint32_t tourTime) {
    CalendarTime t;
    uint32_t days = tourTime / 86400;
    uint32_t rest = tourTime % 86400;
    t.hour = int(rest / 3600);
    t.minute = int(rest / 60 % 60);
    t.second = int(rest % 60);
    int year = 1980;
    for (;;) {
        const uint32_t length = IsLeap(year) ? 366 : 365;
        if (days < length) break;
        days -= length;
        ++year;
    }
    t.year = year;
    int month = 12;
    while (month > 1) {
        const uint32_t start = kDaysBeforeMonth[month - 1] + (month > 2 && IsLeap(year) ? 1 : 0);
        if (days >= start) {
            days -= start;
            break;
        }
        --month;
    }
    t.month = month;
    t.day = int(days) + 1;
    return t;
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
