#pragma once
// Calendar times for the exchange formats. Tour times count seconds since
// 1980-01-01 00:00:00 in the device's local time; the XML formats carry UTC.
// The conversion between the two uses the zone rules (TZ) in force at the time
// itself, so a summer point and a winter point each get their own offset.
#include <cstdint>
#include <optional>
#include <string_view>

namespace trek {

struct ExchangeTime {
    int year = 1980;
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    static ExchangeTime fromTourTime(uint32_t tourTime);
    // nullopt when the fields lie outside what a tour time can hold.
    std::optional<uint32_t> toTourTime() const;

    // Local wall-clock time to UTC with the zone rules at that moment.
    ExchangeTime localToUtc() const;
    // UTC to local wall-clock time.
    ExchangeTime utcToLocal() const;

    friend bool operator==(const ExchangeTime&, const ExchangeTime&) = default;
};

// Reads "YYYY-MM-DDThh:mm:ss[.fff][Z|+hh:mm|-hh:mm|+hhmm]" and returns the local
// tour time. A time with "Z" or an offset is converted from UTC; a time without
// a zone designator is taken as local time, as it stands.
std::optional<uint32_t> ParseXmlTimeToTourTime(std::string_view text);

// Tour time to "YYYY-MM-DDThh:mm:ssZ" (UTC) for GPX.
void AppendUtcXmlTime(std::string& out, uint32_t tourTime);

}  // namespace trek
