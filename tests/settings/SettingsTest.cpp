#include <gtest/gtest.h>

#include "platform/core/Files.h"
#include "platform/core/Registry.h"
#include "settings/RegistryBackup.h"
#include "settings/Settings.h"
#include "tests/settings/TempRoot.h"

using namespace trek;
using platform::HKey;
using platform::Registry;

namespace {

struct SettingsFixture : ::testing::Test {
    TempRoot root;
    Registry reg;

    void put(const char* name, uint32_t v) { reg.setDword(HKey::LocalMachine, kSettingsKey, name, v); }
    void put(const char* name, const char* v) { reg.setString(HKey::LocalMachine, kSettingsKey, name, v); }
    Settings& loaded(const std::string& oem = "") {
        settings_ = std::make_unique<Settings>(reg, oem);
        settings_->load();
        return *settings_;
    }
    std::unique_ptr<Settings> settings_;
};

}  // namespace

TEST_F(SettingsFixture, AnEmptyRegistryGivesExactlyTheDefaults) {
    Settings& s = loaded();
    EXPECT_EQ(s.flags.cfg1, 0xA3AF0010u);
    EXPECT_EQ(s.flags.cfg4, 0x00065800u);
    EXPECT_EQ(s.flags.cfg5, 0x00008285u);
    EXPECT_EQ(s.flags.cfg6, 0x28000284u);
    EXPECT_EQ(s.flags.cfg7, 0x0000C810u);
    EXPECT_EQ(s.flags.cfg8, 0x56001E00u);
    const uint32_t columns[6] = {0x2D1, 0x2D2, 0x1E3, 0x8C4, 0x1E5, 0};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(s.flags.cfg10_15[i], columns[i]) << i;
    EXPECT_EQ(s.port, "gpsd");
    EXPECT_EQ(s.baud, 4800u);
    EXPECT_EQ(s.gpsTimeOffset, 255.0f);
    EXPECT_EQ(s.lastSaveStamp, -1);
    EXPECT_EQ(s.languageCode, "DEU");
    EXPECT_EQ(s.selectedTour, "Tour Innenstadt");
    EXPECT_EQ(s.searchPaths, std::vector<std::string>{"\\"});
    EXPECT_EQ(s.folders[0], "\\");
    EXPECT_EQ(s.recordDistance, 100u);
    EXPECT_EQ(s.backupFile(), "\\trekvane.reg");
    MapPosition p = s.readMapPosition();
    EXPECT_EQ(p.latitude, 84014881);
    EXPECT_EQ(p.longitude, 20204016);
    EXPECT_EQ(p.scale, 8600);
    EXPECT_FALSE(s.hasSavedSettings());
    EXPECT_FALSE(s.gpsTimeOffsetSet());
    // Loading writes nothing.
    EXPECT_FALSE(reg.keyExists(HKey::LocalMachine, kSettingsKey));
}

TEST_F(SettingsFixture, StoredValuesAreRepairedAtLoad) {
    put("cfg1", 0x00040001u);      // top row only, static navigation; bits 16, 17 clear
    put("cfg6", 0xFE00FFFFu);      // limit and window out of range
    put("cfg7", 0x0002582Au);      // 300 m, manual profile 0, bit 5 set
    put("cfg8", 0x79001E20u);      // normal 9, dim 7
    put("cfg12", 0x123u);
    put("LAN", "XYZ");
    put("GPSSyncTime", "1.500000");
    put("scale", 600000000u);
    Settings& s = loaded();
    EXPECT_EQ(s.flags.cfg1, 0x00070001u);
    EXPECT_TRUE(s.gpsStaticNavigation);
    EXPECT_EQ(s.flags.courseLimit(), 20u);
    EXPECT_EQ(s.flags.courseWindow(), 4u);
    EXPECT_EQ(s.flags.cfg7, 0x0002580Au);
    EXPECT_EQ(s.recordDistance, 300u);
    EXPECT_EQ(s.flags.normalLevel(), 6u);
    EXPECT_EQ(s.flags.dimLevel(), 5u);
    EXPECT_EQ(s.flags.dimTimeout(), 30u);
    EXPECT_EQ(s.flags.cfg10_15[2], 0x123u);
    EXPECT_EQ(s.flags.cfg10_15[3], 0x8C4u);  // missing words keep their default
    EXPECT_EQ(s.flags.cfg4, 0x00065800u);
    EXPECT_EQ(s.languageCode, "DEU");
    EXPECT_FLOAT_EQ(s.gpsTimeOffset, 1.5f);
    EXPECT_TRUE(s.gpsTimeOffsetSet());
    EXPECT_EQ(s.readMapPosition().scale, 500000000);
    put("scale", 0u);
    EXPECT_EQ(s.readMapPosition().scale, 8600);
}

TEST_F(SettingsFixture, RecordingProfileDecidesTheRecordingDistance) {
    struct Case {
        uint32_t profile;
        uint32_t expected;
    } cases[] = {{0, 300}, {1, 50}, {2, 25}, {3, 300}, {4, 300}};
    for (auto c : cases) {
        put("cfg7", 300u << 9 | c.profile << 6);
        EXPECT_EQ(loaded().recordDistance, c.expected) << "profile " << c.profile;
    }
}

TEST_F(SettingsFixture, SearchPathsAreSplitCutAndBounded) {
    EXPECT_EQ(Settings::ParseSearchPaths(";;\\Maps, \\Tours"), (std::vector<std::string>{"\\Maps", "\\Tours"}));
    EXPECT_EQ(Settings::ParseSearchPaths("a;b;c;d;e;f;g;h;i;j;k;l").size(), 9u);
    EXPECT_EQ(Settings::ParseSearchPaths(std::string(200, 'x'))[0].size(), 128u);
    EXPECT_TRUE(Settings::ParseSearchPaths(" ; ,").empty());

    put("InsDir", "\\Programs\\Trekvane\\");
    EXPECT_EQ(loaded().searchPaths, std::vector<std::string>{"\\Programs\\Trekvane"});
    put("Folders", ";;\\Storage\\Maps, \\Tours");
    Settings& s = loaded();
    EXPECT_EQ(s.searchPaths, (std::vector<std::string>{"\\Storage\\Maps", "\\Tours"}));
    EXPECT_EQ(s.folders[0], "\\Storage\\Maps");
    EXPECT_EQ(s.folders[1], "\\Storage\\Maps");
}

TEST_F(SettingsFixture, ARecognisedDeviceAlwaysUsesItsBuiltInFolders) {
    put("Folders", "\\Mine");
    EXPECT_EQ(loaded("platform_oem rev 2").searchPaths,
              (std::vector<std::string>{"\\Storage Card\\Trekvane", "\\Flash-Disk\\Trekvane"}));
    EXPECT_EQ(loaded("N_HH_DASTRA").searchPaths,
              (std::vector<std::string>{"\\Dastra SD Card\\Trekvane", "\\Dastra\\Trekvane"}));
    EXPECT_EQ(loaded("N_HH_DAST").searchPaths, std::vector<std::string>{"\\Mine"});
}

TEST_F(SettingsFixture, SaveAllWritesItsValuesInOrderAndABackup) {
    Settings& s = loaded();
    s.flags.setUnitSystem(UnitSystem::Nautical);
    s.languageCode = "";
    s.saveAll(true);
    std::vector<std::string> names;
    for (auto& v : reg.values(HKey::LocalMachine, kSettingsKey)) names.push_back(v.name);
    EXPECT_EQ(names, (std::vector<std::string>{"GPSSyncTime", "cfg1", "cfg8", "cfg7", "cfg6", "cfg5", "cfg4", "cfg3",
                                               "LAN", "SelTour", "TPath", "PPath"}));
    EXPECT_EQ(reg.getString(HKey::LocalMachine, kSettingsKey, "GPSSyncTime"), "255.000000");
    EXPECT_EQ(reg.getDword(HKey::LocalMachine, kSettingsKey, "cfg3"), s.flags.cfg1);
    EXPECT_EQ(reg.getString(HKey::LocalMachine, kSettingsKey, "LAN"), "");
    EXPECT_TRUE(platform::FileExists(root.file("trekvane.reg")));
    EXPECT_EQ(loaded().flags.unitSystem(), UnitSystem::Nautical);
}

TEST_F(SettingsFixture, OtherSaveOperationsRoundTrip) {
    Settings& s = loaded();
    s.saveRecordedTour({"\\Tours\\a.tur", 12, 34, 56});
    RecordedTour t = loaded().loadRecordedTour();
    EXPECT_EQ(t.file, "\\Tours\\a.tur");
    EXPECT_EQ(t.points, 12u);
    EXPECT_EQ(t.startTime, 34u);
    EXPECT_EQ(t.distance, 56u);

    s.saveMapPosition({-1000, 2000, 50000}, "Harz");
    EXPECT_EQ(s.readMapPosition().latitude, -1000);
    EXPECT_EQ(s.readSelectedMap(), "Harz");

    s.saveRoadbookColumns({{3, 100}, {1, 50}});
    EXPECT_EQ(reg.getDword(HKey::LocalMachine, kSettingsKey, "cfg10"), 3u | 100u << 4);
    EXPECT_EQ(reg.getDword(HKey::LocalMachine, kSettingsKey, "cfg11"), 1u | 50u << 4);
    EXPECT_FALSE(reg.getDword(HKey::LocalMachine, kSettingsKey, "cfg12"));
    EXPECT_EQ(s.flags.roadbookColumn(2), 0u);

    s.port = "file:/logs/a.nmea@1";
    s.baud = 9600;
    s.saveReceiver();
    Settings& again = loaded();
    EXPECT_EQ(again.port, "file:/logs/a.nmea@1");
    EXPECT_EQ(again.baud, 9600u);

    EXPECT_FALSE(again.readDestination());
    again.saveDestination(5, -6);
    EXPECT_EQ(again.readDestination(), std::make_pair(5, -6));

    reg.setString(HKey::LocalMachine, kSettingsKey, "TPath", "\\T");
    again.readWorkingFolders();
    EXPECT_EQ(again.folders[0], "\\T");
}

TEST_F(SettingsFixture, RegistrationsOutsideTheKey) {
    Settings& s = loaded();
    s.registerTodayItem();
    const char* today = "Software\\Microsoft\\Today\\Items\\\"Trekvane\"";
    EXPECT_EQ(reg.getDword(HKey::LocalMachine, today, "Type"), 4u);
    EXPECT_EQ(reg.getDword(HKey::LocalMachine, today, "Options"), 0u);
    EXPECT_TRUE(reg.getString(HKey::LocalMachine, today, "DLL"));
    s.registerFileAssociation();
    EXPECT_EQ(reg.getString(HKey::ClassesRoot, ".tur", ""), "turfile");
    EXPECT_EQ(reg.getString(HKey::ClassesRoot, ".tur", "Content Type"), "map/tour");
    EXPECT_TRUE(reg.getDword(HKey::LocalMachine, kSettingsKey, "cfg2"));
    EXPECT_TRUE(loaded().hasSavedSettings());
}

TEST_F(SettingsFixture, MigrationOfAnOldRegistry) {
    put("cfg3", Settings::kMigrationCfg3);
    put("cfg1", 0xFFFFFFFFu);
    Settings& s = loaded();
    // No ".tur" association: display defaults, association, stamp and backup.
    EXPECT_EQ(s.flags.cfg1, (0x83EF0018u | 7u) & ~(1u << 22));
    EXPECT_TRUE(reg.keyExists(HKey::ClassesRoot, ".tur"));
    EXPECT_NE(s.lastSaveStamp, -1);
    EXPECT_TRUE(platform::FileExists(root.file("trekvane.reg")));

    // With the association only bit 22 goes.
    put("cfg3", Settings::kMigrationCfg3);
    put("cfg1", 0xFFFFFFFFu);
    EXPECT_EQ(loaded().flags.cfg1, 0xFFBFFFFFu);
}

TEST_F(SettingsFixture, LegacyTourEntriesAreReadAndCheckedForTheirFile) {
    root.write("a.tur", "x");
    std::string key = std::string(kSettingsKey) + "\\Tour";
    reg.setString(HKey::LocalMachine, key + "\\Morning", "Filename", "\\a.tur");
    reg.setDword(HKey::LocalMachine, key + "\\Morning", "Visible", 1);
    reg.setDword(HKey::LocalMachine, key + "\\Morning", "Colour", 3);
    reg.setBinary(HKey::LocalMachine, key + "\\Morning", "Date", std::vector<uint8_t>(40, 7));
    reg.setString(HKey::LocalMachine, key + "\\Gone", "Filename", "\\missing.tur");
    auto entries = loaded().legacyTourEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].name, "Morning");
    EXPECT_TRUE(entries[0].present);
    EXPECT_EQ(entries[0].visible, 1u);
    EXPECT_EQ(entries[0].colour, 3u);
    EXPECT_EQ(entries[0].date.size(), 40u);
    EXPECT_FALSE(entries[1].present);
    EXPECT_TRUE(settings_->deleteSubkey("Tour"));
    EXPECT_TRUE(settings_->legacyTourEntries().empty());
}

// The backup written at one start brings the settings back at the next
// start after the registry was lost; a damaged backup is never applied.
TEST_F(SettingsFixture, ALostRegistryIsRestoredFromTheBackupFile) {
    put("cfg1", 0x00000001u);
    put("COM Port", "tcp:gps:10110");
    put("cfg2", 1234u);
    Settings& s = loaded();
    s.saveAll(true);
    std::string backup = *platform::ReadWholeFile(root.file("trekvane.reg"));

    reg.clear();
    Settings& restored = loaded();
    EXPECT_EQ(restored.port, "tcp:gps:10110");
    EXPECT_EQ(restored.flags.cfg1, 0x00010001u);
    EXPECT_TRUE(restored.hasSavedSettings());

    std::string damaged = backup;
    damaged[damaged.size() / 2] ^= 0x01;
    for (const std::string& bad : {damaged, backup.substr(0, backup.size() - 1), std::string()}) {
        reg.clear();
        root.write("trekvane.reg", bad);
        Settings& d = loaded();
        EXPECT_EQ(d.port, "gpsd");
        EXPECT_EQ(d.flags.cfg1, 0xA3AF0010u);
        EXPECT_FALSE(reg.keyExists(HKey::LocalMachine, kSettingsKey));
    }
}

TEST_F(SettingsFixture, LanguageLoadFallsBackToBuiltInEnglish) {
    Settings& s = loaded();
    s.setLanguageFolder(TREK_BIN_DIR);
    EXPECT_TRUE(s.loadLanguage("DEU"));
    EXPECT_EQ(s.language().code, "DEU");
    EXPECT_EQ(s.eastLetter(), 'O');
    EXPECT_EQ(s.language().layoutA, 15);
    EXPECT_EQ(s.language().layoutB, 12);
    EXPECT_EQ(UiString(55), "Karte");
    EXPECT_EQ(UiString(1), "Trekvane");

    EXPECT_TRUE(s.loadLanguage(""));
    EXPECT_EQ(s.eastLetter(), 'E');
    EXPECT_EQ(s.language().layoutA, 16);
    EXPECT_EQ(UiString(55), "Map");

    s.setLanguageFolder("/nonexistent");
    EXPECT_FALSE(s.loadLanguage("SWE"));
    EXPECT_EQ(s.language().code, "");
    EXPECT_EQ(s.eastLetter(), 'E');
    EXPECT_EQ(UiString(55), "Map");
    EXPECT_FALSE(LanguageModuleLoaded());

    // The same code again does nothing, even after a failed load.
    s.setLanguageFolder(TREK_BIN_DIR);
    EXPECT_TRUE(s.loadLanguage("SWE"));
    EXPECT_EQ(UiString(55), "Map");
    EXPECT_TRUE(s.loadLanguage(""));
    EXPECT_TRUE(s.loadLanguage("SWE"));
    EXPECT_EQ(UiString(55), "Karta");
    EXPECT_FALSE(s.loadLanguage("XYZ"));
    EXPECT_EQ(UiString(55), "Map");
}

TEST(LanguageTable, CodesIndicesAndSentinel) {
    EXPECT_EQ(LanguageTable::code(0), "");
    EXPECT_EQ(LanguageTable::code(1), "DEU");
    EXPECT_EQ(LanguageTable::code(2), "SWE");
    EXPECT_EQ(LanguageTable::code(3), "ABC");
    EXPECT_EQ(LanguageTable::code(17), "ABC");
    EXPECT_EQ(LanguageTable::indexOf("SWE"), 2);
    EXPECT_EQ(LanguageTable::indexOf("ABC"), -1);
    EXPECT_EQ(BuiltinString(54), "Tour");
    EXPECT_EQ(BuiltinString(99999), "");
}
