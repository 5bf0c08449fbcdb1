#include <gtest/gtest.h>

#include "geo/GeoText.h"
#include "geo/GeoUnits.h"

namespace trek {
namespace {

struct ParseCase {
    const char* text;
    int32_t wide;  // ParseGeoAngle (UTF-8)
    int32_t bits;  // ParseGeoAngle8
};

// 48°30.5' = 84 663 013 units; 48° alone = 83 775 804.
const ParseCase kParseCases[] = {
    {"48\xC2\xB0" "30.5'N", 84663013, 83775804},  // UTF-8 degree sign: the 8-bit reader stops at 0xC2
    {"48\xB0" "30.5'N", 83775804, 84663013},      // byte 0xB0: only the 8-bit reader knows it
    {"48 30.5 N", 84663013, 84663013},
    {"48d30.5mN", 84663013, 83775804},            // 'm' marks minutes only in user text
    {"48D30.5M n", 84663013, 83775804},
    {"48g30.5'S", -84663013, -84663013},
    {"12.1234567dO", 21159423, 21159423},         // degrees with a mark, pattern 3
    {"-12.5", -21816615, -21816615},
    {"-12.5W", 21816615, 21816615},               // the letter negates what was parsed
    {"-12\xC2\xB0" "30'S", 20071286, -20943951},  // -12° + 30' = -11.5°, then S
    {"12.5E", 21816615, 21816615},                // E is the hemisphere, not an exponent
    {"12.5w", -21816615, -21816615},
    {"1e2", 174532925, 174532925},
    {"10NS", 17453292, 17453292},                 // only the first hemisphere letter counts
    {"\t 48.5N", 84648468, 84648468},             // white space before a number is skipped
    {"48\xC2\xB0" "30.5'", 83775804, 83775804},   // no hemisphere: only the degrees are read
    {"+.5", 872664, 872664},
    {"N", -1, -1},
    {"", -1, -1},
    {"\xC2\xB0N", -1, -1},
    {"-", -1, -1},
    {"nan", -1, -1},
    {"inf", -1, -1},
    {"1e30", -1, -1},                             // not representable in geo units
    {"1e999", -1, -1},
};

TEST(ParseGeoAngle, AcceptedFormsAndTheirValues) {
    for (const ParseCase& c : kParseCases) {
        EXPECT_EQ(ParseGeoAngle(c.text), c.wide) << "wide: " << c.text;
        EXPECT_EQ(ParseGeoAngle8(c.text), c.bits) << "8-bit: " << c.text;
    }
}

TEST(ParseGeoAngle, SecondsFormInBothEncodings) {
    EXPECT_EQ(ParseGeoAngle("12\xC2\xB0" "12'34\"O"), 21309500);
    EXPECT_EQ(ParseGeoAngle8("12\xB0" "12'34\"O"), 21309500);
    EXPECT_EQ(ParseGeoAngle("12 12 34 W"), -21309500);
    // Minutes marked with 'm' stop the 8-bit reader at pattern 5.
    EXPECT_EQ(ParseGeoAngle8("12d12m34\"O"), static_cast<int32_t>(12 * geo::kUnitsPerDegree));
}

TEST(ParseGeoAngle, PartialMatchLeavesNoMinutesBehind) {
    // Patterns 1 and 2 read 30 minutes before failing on the missing
    // hemisphere; the bare degrees of pattern 5 must not pick them up.
    EXPECT_EQ(ParseGeoAngle("10 30"), static_cast<int32_t>(10 * geo::kUnitsPerDegree));
    EXPECT_EQ(ParseGeoAngle("10 30 15"), static_cast<int32_t>(10 * geo::kUnitsPerDegree));
}

TEST(ParseGeoAngle, SurvivesTruncatedMultibyteText) {
    EXPECT_EQ(ParseGeoAngle(std::string_view("48\xC2", 3)), 83775804);
    EXPECT_EQ(ParseGeoAngle(std::string_view("4\0" "8N", 4)), 6981317);  // stops at the NUL byte
}

struct FormatCase {
    int32_t value;
    bool latitude;
    CoordinateFormat format;
    int precision;
    const char* text;
};

const FormatCase kFormatCases[] = {
    {84663013, true, CoordinateFormat::DegMin, 2, "48\xC2\xB0" "30.50'N"},
    {84663013, true, CoordinateFormat::DegMin, 3, "48\xC2\xB0" "30.500'N"},
    {84663013, true, CoordinateFormat::DegMin, 4, "48\xC2\xB0" "30.5000'N"},
    {84663013, true, CoordinateFormat::DegMin, 9, "48\xC2\xB0" "30.5000'N"},
    {84663013, true, CoordinateFormat::DegMinSec, 3, "48\xC2\xB0" "30'30\"N"},
    {84663013, true, CoordinateFormat::Degrees, 3, "48.508334\xC2\xB0N"},
    {84663013, true, CoordinateFormat::Degrees, 4, "48.5083335\xC2\xB0N"},
    {-84663013, true, CoordinateFormat::DegMin, 3, "48\xC2\xB0" "30.500'S"},
    {0, true, CoordinateFormat::DegMin, 3, "0\xC2\xB0" "00.000'N"},
    {0, false, CoordinateFormat::DegMin, 3, "0\xC2\xB0" "00.000'O"},
    {21309600, false, CoordinateFormat::DegMinSec, 0, "12\xC2\xB0" "12'34\"O"},
    // Seconds are truncated: 12°12'34" parses to just below 34" and shows 33".
    {-21309500, false, CoordinateFormat::DegMinSec, 0, "12\xC2\xB0" "12'33\"W"},
    // Past the date line: wrapped once into the western hemisphere.
    {314159266, false, CoordinateFormat::DegMin, 4, "179\xC2\xB0" "59.9999'W"},
    {-314159266, false, CoordinateFormat::DegMin, 4, "179\xC2\xB0" "59.9999'O"},
    {2147483647, false, CoordinateFormat::Degrees, 3, "870.417496\xC2\xB0O"},
    {-2147483647 - 1, true, CoordinateFormat::DegMin, 2, "1230\xC2\xB0" "25.04'S"},
};

TEST(FormatCoordinates, FormatsInEveryFormat) {
    for (const FormatCase& c : kFormatCases) {
        const std::string text = c.latitude ? FormatLatitude(c.value, c.precision, c.format)
                                            : FormatLongitude(c.value, c.precision, c.format, 'O');
        EXPECT_EQ(text, c.text) << c.value << " precision " << c.precision;
    }
}

TEST(FormatCoordinates, FormattedTextParsesBackWithinTheShownPrecision) {
    for (int32_t v : {0, 1, 84663013, -84663013, 157079632, -157079632, 12345678, -98765432}) {
        const int32_t back = ParseGeoAngle(FormatLatitude(v, 4, CoordinateFormat::DegMin));
        EXPECT_NEAR(back, v, geo::kUnitsPerMinute / 10000 + 1) << v;
        const int32_t backD = ParseGeoAngle(FormatLatitude(v, 4, CoordinateFormat::Degrees));
        EXPECT_NEAR(backD, v, geo::kUnitsPerDegree / 1e7 + 1) << v;
    }
}

TEST(FormatCoordinates, BufferFormNeverExceedsItsCapacity) {
    char buf[kGeoTextCapacity];
    for (int32_t v : {INT32_MIN, INT32_MAX, -1, 0}) {
        for (auto f : {CoordinateFormat::DegMin, CoordinateFormat::DegMinSec, CoordinateFormat::Degrees}) {
            const size_t n = FormatLongitude(buf, v, 4, f, 'E');
            EXPECT_LT(n, kGeoTextCapacity);
            EXPECT_EQ(buf[n], '\0');
        }
    }
}

}  // namespace
}  // namespace trek
