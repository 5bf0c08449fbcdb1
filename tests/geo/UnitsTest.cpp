#include <gtest/gtest.h>

#include "geo/Units.h"
#include "settings/Settings.h"

namespace trek {
namespace {

struct DistanceCase {
    UnitSystem units;
    const char* format;
    double metres;
    const char* text;
};

TEST(Units, FormatDistanceInEachSystem) {
    const DistanceCase cases[] = {
        {UnitSystem::Metric, " %.3fuu ", 1234.2, " 1.235km "},
        {UnitSystem::Metric, "%.3lfuu", 12.4, "0.013km"},  // half a metre is added before printing
        {UnitSystem::Metric, " %.3f uu ", 2000.2, " 2.001 km "},
        {UnitSystem::Imperial, "%.3lfuu", 1609.344, "1.000mi"},
        {UnitSystem::Imperial, " %.3f uu ", 16093.44 * 2, " 20.000 mi "},
        {UnitSystem::Nautical, "%.3lfuu", 1852.0 * 3, "3.000nm"},
        {UnitSystem::Metric, "%.1f", 15300.0, "15.3"},  // no label pair in the format
        {UnitSystem::Metric, "%8.2fuu", 1000.0, "    1.00km"},
    };
    for (const DistanceCase& c : cases)
        EXPECT_EQ(FormatDistance(c.format, c.metres, c.units), c.text) << c.format << " " << c.metres;
}

TEST(Units, FormatTakesOneNumberAndPrintsOtherConversionsAsText) {
    EXPECT_EQ(FormatDistance("%s %.1f %n %.1f", 1000.0, UnitSystem::Metric), "%s 1.0 %n %.1f");
    EXPECT_EQ(FormatDistance("100%% %.1f", 1000.0, UnitSystem::Metric), "100% 1.0");
    EXPECT_EQ(FormatDistance("%", 1.0, UnitSystem::Metric), "%");
    EXPECT_EQ(FormatDistance("%999999.999999f", 1.0, UnitSystem::Metric).size(), 99u);  // bounded width
}

TEST(Units, FormatSpeedInsertsTheLabel) {
    EXPECT_EQ(FormatSpeed("u %.1f,", 125, UnitSystem::Metric), "km/h 12.5,");
    EXPECT_EQ(FormatSpeed("u %.1f,", 125, UnitSystem::Imperial), "mph 7.8,");
    EXPECT_EQ(FormatSpeed("u %.1f,", 125, UnitSystem::Nautical), "kn 6.7,");
    EXPECT_EQ(FormatSpeed("%.1f,", 1000, UnitSystem::Imperial), "62.2,");
    EXPECT_EQ(FormatSpeed("%.1f", 0, UnitSystem::Nautical), "0.0");
}

TEST(Units, AltitudeUsesFeetOfThirtyCentimetres) {
    EXPECT_EQ(FormatAltitude(100, UnitSystem::Metric), "100m");
    EXPECT_EQ(FormatAltitude(100, UnitSystem::Imperial), "333ft");
    EXPECT_EQ(FormatAltitude(100, UnitSystem::Nautical), "333ft");
    EXPECT_EQ(FormatAltitude(-100, UnitSystem::Imperial), "-333ft");  // truncated toward zero
    EXPECT_EQ(FormatAltitude(2147483647, UnitSystem::Imperial), "2147483647ft");  // saturates
}

TEST(Units, Labels) {
    EXPECT_EQ(DistanceUnitLabel(UnitSystem::Metric), "km");
    EXPECT_EQ(DistanceUnitLabel(UnitSystem::Imperial), "mi");
    EXPECT_EQ(DistanceUnitLabel(UnitSystem::Nautical), "nm");
    EXPECT_EQ(DistanceDeltaUnitLabel(UnitSystem::Nautical), "\xCE\x94nm");
    EXPECT_EQ(AltitudeUnitLabel(UnitSystem::Metric), "m");
    EXPECT_EQ(AltitudeUnitLabel(UnitSystem::Nautical), "ft");
    EXPECT_EQ(SpeedUnitLabel(UnitSystem::Imperial), "mph");
}

TEST(Units, CurrentSettingsAreReadAtEachCall) {
    FlagWords& flags = Settings::instance().flags;
    const FlagWords saved = flags;
    flags.set_unitSystemRaw(3);  // 3 is stored for nautical as well
    EXPECT_EQ(DistanceUnitLabel(), "nm");
    EXPECT_EQ(FormatAltitude(30), "100ft");
    flags.setUnitSystem(UnitSystem::Metric);
    EXPECT_EQ(FormatDistance("%.3fuu", 1500.2), "1.501km");
    EXPECT_EQ(FormatSpeed("%.1fu", 36), "3.6km/h");
    flags = saved;
}

}  // namespace
}  // namespace trek
