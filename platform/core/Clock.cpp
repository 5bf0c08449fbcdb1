#include "platform/core/Clock.h"

#include <sys/time.h>

#include <atomic>
#include <ctime>

namespace trek::platform {

namespace {

std::atomic<int64_t> g_offset{0};
constexpr int64_t kDays1980 = 3652;  // 1970-01-01 .. 1980-01-01

int64_t LocalSeconds(const LocalTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

LocalTime FromLocalSeconds(int64_t s, int ms) {
    int64_t days = s >= 0 ? s / 86400 : (s - 86399) / 86400;
    int64_t rem = s - days * 86400;
    LocalTime t;
    CivilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(rem / 3600);
    t.minute = static_cast<int>(rem / 60 % 60);
    t.second = static_cast<int>(rem % 60);
    t.millisecond = ms;
    t.dayOfWeek = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    return t;
}

// Seconds of the system's local calendar (time zone applied) and milliseconds.
int64_t SystemLocalSeconds(int& ms, bool utc) {
    timeval tv{};
    ::gettimeofday(&tv, nullptr);
    ms = static_cast<int>(tv.tv_usec / 1000);
    time_t secs = tv.tv_sec;
    std::tm tm{};
    if (utc)
        ::gmtime_r(&secs, &tm);
    else
        ::localtime_r(&secs, &tm);
    LocalTime t;
    t.year = tm.tm_year + 1900;
    t.month = tm.tm_mon + 1;
    t.day = tm.tm_mday;
    t.hour = tm.tm_hour;
    t.minute = tm.tm_min;
    t.second = tm.tm_sec;
    return LocalSeconds(t);
}

}  // namespace

int64_t DaysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

LocalTime LocalNow() {
    int ms;
    int64_t s = SystemLocalSeconds(ms, false) + g_offset.load();
    return FromLocalSeconds(s, ms);
}

LocalTime UtcNow() {
    int ms;
    int64_t s = SystemLocalSeconds(ms, true) + g_offset.load();
    return FromLocalSeconds(s, ms);
}

void SetLocalTime(const LocalTime& now) {
    int ms;
    int64_t system = SystemLocalSeconds(ms, false);
    g_offset.store(LocalSeconds(now) - system);
}

int64_t ClockOffsetSeconds() { return g_offset.load(); }
void SetClockOffsetSeconds(int64_t seconds) { g_offset.store(seconds); }

uint32_t ToTourTime(const LocalTime& t) {
    int64_t s = LocalSeconds(t) - kDays1980 * 86400;
    if (s < 0) return 0;
    if (s > 0xFFFFFFFFll) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(s);
}

LocalTime FromTourTime(uint32_t tourTime) {
    return FromLocalSeconds(kDays1980 * 86400 + static_cast<int64_t>(tourTime), 0);
}

uint32_t TourTimeNow() { return ToTourTime(LocalNow()); }

}  // namespace trek::platform
