#include "tours/exchange/ExchangeTime.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

#include "platform/core/Clock.h"

namespace trek {

namespace {

using platform::CivilFromDays;
using platform::DaysFromCivil;

const int64_t kTourEpochDays = DaysFromCivil(1980, 1, 1);

int64_t SecondsSince1970(const ExchangeTime& t) {
    return DaysFromCivil(t.year, t.month, t.day) * 86400 + t.hour * 3600 + t.minute * 60 + t.second;
}

ExchangeTime FromSeconds1970(int64_t s) {
    ExchangeTime t;
    int64_t days = s >= 0 ? s / 86400 : -((-s + 86399) / 86400);
    int64_t rest = s - days * 86400;
    CivilFromDays(days, t.year, t.month, t.day);
    t.hour = static_cast<int>(rest / 3600);
    t.minute = static_cast<int>(rest / 60 % 60);
    t.second = static_cast<int>(rest % 60);
    return t;
}

ExchangeTime FromTm(const std::tm& tm) {
    return ExchangeTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

// Reads up to `width` digits at the cursor; false when there is none.
bool ReadNumber(std::string_view text, size_t& pos, int width, int& value) {
    size_t start = pos;
    value = 0;
    while (pos < text.size() && pos - start < static_cast<size_t>(width) && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        ++pos;
    }
    return pos > start;
}

bool Expect(std::string_view text, size_t& pos, char c) {
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

}  // namespace

ExchangeTime ExchangeTime::fromTourTime(uint32_t tourTime) {
    return FromSeconds1970(kTourEpochDays * 86400 + tourTime);
}

std::optional<uint32_t> ExchangeTime::toTourTime() const {
    int64_t s = SecondsSince1970(*this) - kTourEpochDays * 86400;
    if (s < 0 || s > 0xFFFFFFFFLL) return std::nullopt;
    return static_cast<uint32_t>(s);
}

// The zone offset changes only at transitions, which fall on quarter hours:
// one look-up per quarter hour is enough, and mktime (which re-reads the zone
// settings on every call) would otherwise dominate an export.
constexpr int64_t kOffsetBucket = 900;

struct OffsetCache {
    int64_t bucket = INT64_MIN;
    int64_t offset = 0;
    std::string zone;  // TZ at the time of the look-up; another zone starts afresh

    bool holds(int64_t b) {
        const char* tz = std::getenv("TZ");
        std::string_view now = tz ? tz : "";
        if (now != zone) {
            zone.assign(now);
            bucket = INT64_MIN;
        }
        return b == bucket;
    }
};

int64_t FloorBucket(int64_t s) { return (s >= 0 ? s : s - kOffsetBucket + 1) / kOffsetBucket; }

ExchangeTime ExchangeTime::localToUtc() const {
    thread_local OffsetCache cache;
    const int64_t local = SecondsSince1970(*this);
    if (!cache.holds(FloorBucket(local))) {
        const ExchangeTime start = FromSeconds1970(FloorBucket(local) * kOffsetBucket);
        std::tm tm{};
        tm.tm_year = start.year - 1900;
        tm.tm_mon = start.month - 1;
        tm.tm_mday = start.day;
        tm.tm_hour = start.hour;
        tm.tm_min = start.minute;
        tm.tm_sec = start.second;
        tm.tm_isdst = -1;  // let the zone rules decide whether summer time applies
        std::time_t t = std::mktime(&tm);
        if (t == static_cast<std::time_t>(-1)) return *this;
        cache.bucket = FloorBucket(local);
        cache.offset = SecondsSince1970(start) - static_cast<int64_t>(t);
    }
    return FromSeconds1970(local - cache.offset);
}

ExchangeTime ExchangeTime::utcToLocal() const {
    thread_local OffsetCache cache;
    const int64_t utc = SecondsSince1970(*this);
    if (!cache.holds(FloorBucket(utc))) {
        std::time_t t = static_cast<std::time_t>(FloorBucket(utc) * kOffsetBucket);
        std::tm local{};
        if (!localtime_r(&t, &local)) return *this;
        cache.bucket = FloorBucket(utc);
        cache.offset = SecondsSince1970(FromTm(local)) - static_cast<int64_t>(t);
    }
    return FromSeconds1970(utc + cache.offset);
}

std::optional<uint32_t> ParseXmlTimeToTourTime(std::string_view text) {
    size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r' || text[pos] == '\n')) ++pos;
    ExchangeTime t;
    if (!ReadNumber(text, pos, 4, t.year) || !Expect(text, pos, '-') || !ReadNumber(text, pos, 2, t.month) ||
        !Expect(text, pos, '-') || !ReadNumber(text, pos, 2, t.day))
        return std::nullopt;
    if (Expect(text, pos, 'T') || Expect(text, pos, ' ')) {
        if (!ReadNumber(text, pos, 2, t.hour) || !Expect(text, pos, ':') || !ReadNumber(text, pos, 2, t.minute))
            return std::nullopt;
        if (Expect(text, pos, ':') && !ReadNumber(text, pos, 2, t.second)) return std::nullopt;
        if (Expect(text, pos, '.') || Expect(text, pos, ',')) {
            while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;  // fractions are dropped
        }
    }
    if (t.month < 1 || t.month > 12 || t.day < 1 || t.day > 31 || t.hour > 24 || t.minute > 59 || t.second > 60)
        return std::nullopt;

    bool utc = false;
    int64_t offset = 0;
    if (Expect(text, pos, 'Z') || Expect(text, pos, 'z')) {
        utc = true;
    } else if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        int sign = text[pos] == '-' ? -1 : 1;
        ++pos;
        int hh = 0, mm = 0;
        if (!ReadNumber(text, pos, 2, hh)) return std::nullopt;
        Expect(text, pos, ':');
        ReadNumber(text, pos, 2, mm);
        if (hh > 23 || mm > 59) return std::nullopt;
        utc = true;
        offset = sign * (hh * 3600 + mm * 60);
    }
    if (utc) t = FromSeconds1970(SecondsSince1970(t) - offset).utcToLocal();
    return t.toTourTime();
}

void AppendUtcXmlTime(std::string& out, uint32_t tourTime) {
    ExchangeTime u = ExchangeTime::fromTourTime(tourTime).localToUtc();
    char text[48];
    int n = std::snprintf(text, sizeof text, "%d-%2.2d-%2.2dT%2.2d:%2.2d:%2.2dZ", u.year, u.month, u.day, u.hour,
                          u.minute, u.second);
    out.append(text, static_cast<size_t>(n));
}

}  // namespace trek
