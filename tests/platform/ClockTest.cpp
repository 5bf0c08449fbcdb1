#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/core/Clock.h"

using namespace trek::platform;

TEST(Clock, TourTimeCountsSecondsFrom1980) {
    struct Case {
        LocalTime t;
        uint32_t tour;
    } cases[] = {
        {{1980, 1, 1, 0, 0, 0}, 0},
        {{1980, 1, 2, 0, 0, 1}, 86401},
        {{1980, 3, 1, 0, 0, 0}, 60 * 86400},             // 1980 is a leap year
        {{2000, 3, 1, 12, 0, 0}, 636379200},             // 2000 is one too
        {{2024, 7, 15, 8, 30, 5}, 1405499405},
        {{1979, 12, 31, 23, 59, 59}, 0},                 // before the epoch
        {{2200, 1, 1, 0, 0, 0}, 0xFFFFFFFFu},
    };
    for (auto& c : cases) {
        EXPECT_EQ(ToTourTime(c.t), c.tour) << c.t.year << "-" << c.t.month << "-" << c.t.day;
        if (c.tour != 0 && c.tour != 0xFFFFFFFFu) {
            LocalTime back = FromTourTime(c.tour);
            EXPECT_EQ(back.year, c.t.year);
            EXPECT_EQ(back.month, c.t.month);
            EXPECT_EQ(back.day, c.t.day);
            EXPECT_EQ(back.second, c.t.second);
        }
    }
    EXPECT_EQ(FromTourTime(0).dayOfWeek, 2);  // 1980-01-01 was a Tuesday
}

TEST(Clock, TheOffsetMovesOnlyTheProgramsClock) {
    LocalTime target{2031, 5, 17, 10, 0, 0};
    SetLocalTime(target);
    uint32_t now = TourTimeNow();
    EXPECT_LE(now - ToTourTime(target), 2u);
    EXPECT_NE(ClockOffsetSeconds(), 0);
    SetClockOffsetSeconds(0);
    EXPECT_LT(TourTimeNow(), ToTourTime(target));
}
