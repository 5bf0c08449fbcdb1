// Tour times are local; the XML formats carry UTC. These tests pin the
// conversion in both directions, with the zone rules of the moment.
#include <gtest/gtest.h>

#include "tests/exchange/RecordingSink.h"
#include "tours/exchange/ExchangeTime.h"

namespace trek {
namespace {

// Central Europe: +1 in winter, +2 in summer; switches on the last Sundays of
// March and October. The POSIX form needs no zone database.
constexpr const char* kBerlin = "CET-1CEST,M3.5.0,M10.5.0/3";

uint32_t TourTime(int y, int mo, int d, int h, int mi, int s) {
    return *ExchangeTime{y, mo, d, h, mi, s}.toTourTime();
}

TEST(ExchangeTime, CalendarArithmeticCoversLeapYears) {
    EXPECT_EQ(ExchangeTime::fromTourTime(0), (ExchangeTime{1980, 1, 1, 0, 0, 0}));
    // 2000 is a leap year, 2100 is not.
    EXPECT_EQ(ExchangeTime::fromTourTime(TourTime(2000, 2, 29, 12, 0, 0)), (ExchangeTime{2000, 2, 29, 12, 0, 0}));
    EXPECT_EQ(TourTime(2100, 3, 1, 0, 0, 0) - TourTime(2100, 2, 28, 0, 0, 0), 86400u);
    EXPECT_EQ(ExchangeTime::fromTourTime(0xFFFFFFFFu).year, 2116);
    EXPECT_FALSE((ExchangeTime{1979, 12, 31, 23, 59, 59}.toTourTime()));
}

TEST(ExchangeTime, ZuluTimesBecomeLocalWithTheOffsetOfTheirSeason) {
    test::ScopedTimeZone tz(kBerlin);
    struct Case {
        const char* text;
        ExchangeTime local;
    } cases[] = {
        {"2010-05-12T14:33:05Z", {2010, 5, 12, 16, 33, 5}},          // summer: +2
        {"2010-01-12T14:33:05Z", {2010, 1, 12, 15, 33, 5}},          // winter: +1
        {"2010-05-12T14:33:05.750Z", {2010, 5, 12, 16, 33, 5}},      // fractions dropped
        {"2010-05-12T16:33:05+02:00", {2010, 5, 12, 16, 33, 5}},     // explicit offset
        {"2010-05-12T09:33:05-0500", {2010, 5, 12, 16, 33, 5}},
        {"2010-05-12T14:33:05", {2010, 5, 12, 14, 33, 5}},           // no zone: taken as local
        {" 2010-12-31T23:30:00Z\n", {2011, 1, 1, 0, 30, 0}},         // day and year roll over
        {"2010-03-28T00:59:59Z", {2010, 3, 28, 1, 59, 59}},          // last second of winter time
        {"2010-03-28T01:00:00Z", {2010, 3, 28, 3, 0, 0}},            // first of summer time
    };
    for (const Case& c : cases) {
        auto t = ParseXmlTimeToTourTime(c.text);
        ASSERT_TRUE(t) << c.text;
        EXPECT_EQ(ExchangeTime::fromTourTime(*t), c.local) << c.text;
    }
}

TEST(ExchangeTime, MalformedTimesAreRefused) {
    for (const char* text : {"", "yesterday", "2010-13-01T00:00:00Z", "2010-05-12T25:00:00Z", "2010-05",
                             "1970-01-01T00:00:00Z", "2010-05-12T10:00:00+99:00"}) {
        EXPECT_FALSE(ParseXmlTimeToTourTime(text)) << text;
    }
}

TEST(ExchangeTime, ExportWritesUtcAndReadsBackTheSameLocalTime) {
    test::ScopedTimeZone tz(kBerlin);
    std::string out;
    AppendUtcXmlTime(out, TourTime(2010, 5, 12, 16, 33, 5));
    EXPECT_EQ(out, "2010-05-12T14:33:05Z");
    // Every hour of a year, across both switches of summer time.
    for (uint32_t t = TourTime(2021, 1, 1, 0, 17, 3); t < TourTime(2022, 1, 1, 0, 0, 0); t += 3600) {
        ExchangeTime local = ExchangeTime::fromTourTime(t);
        if (local.month == 3 && local.day >= 25 && local.hour == 2) continue;  // does not exist locally
        std::string text;
        AppendUtcXmlTime(text, t);
        EXPECT_EQ(ParseXmlTimeToTourTime(text), t) << text;
    }
}

TEST(ExchangeTime, OtherZonesShiftTheOtherWay) {
    test::ScopedTimeZone tz("EST5EDT,M3.2.0,M11.1.0");
    auto t = ParseXmlTimeToTourTime("2015-07-04T16:00:00Z");
    ASSERT_TRUE(t);
    EXPECT_EQ(ExchangeTime::fromTourTime(*t), (ExchangeTime{2015, 7, 4, 12, 0, 0}));
}

}  // namespace
}  // namespace trek
