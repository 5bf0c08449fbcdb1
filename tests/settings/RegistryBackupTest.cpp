#include <gtest/gtest.h>

#include "platform/core/Files.h"
#include "settings/RegistryBackup.h"
#include "settings/SettingsKeys.h"
#include "tests/settings/TempRoot.h"

using namespace trek;
using platform::HKey;
using platform::Registry;

TEST(RegistryText, GeneratesTheKeyDepthFirst) {
    Registry reg;
    const std::string key = kSettingsKey;
    reg.setDword(HKey::LocalMachine, key, "cfg1", 255);
    reg.setBinary(HKey::LocalMachine, key, "Blob", {1, 2, 255});
    reg.setString(HKey::LocalMachine, key, "SelTour", "Tour Innenstadt");
    reg.setString(HKey::LocalMachine, key + "\\Tour\\A", "Filename", "\\a.tur");
    reg.setString(HKey::LocalMachine, key, "Huge", std::string(3000, 'x'));  // beyond the value bound
    EXPECT_EQ(GenerateRegistryText(reg, HKey::LocalMachine, key),
              "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrafen\\Trekvane]\r\n"
              "\"cfg1\"=dword:000000ff\r\n"
              "\"Blob\"=hex:01,02,ff\r\n"
              "\"SelTour\"=\"Tour Innenstadt\"\r\n"
              "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrafen\\Trekvane\\Tour]\r\n"
              "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrafen\\Trekvane\\Tour\\A]\r\n"
              "\"Filename\"=\"\\a.tur\"\r\n");
    EXPECT_EQ(GenerateRegistryText(reg, HKey::LocalMachine, "SOFTWARE\\Missing"), "");
}

TEST(RegistryText, ParserReadsEveryLineFormAndSkipsTheRest) {
    Registry reg;
    ApplyRegistryText(reg,
                      "\"before\"=\"any key\"\n"
                      "[HKEY_LOCAL_MACHINE\\S\\K]\n\r"
                      "\"cfg1\"=dword:000000ff\r\n"
                      "\"Blob\"=hex:01,02,ff\r\n"
                      "\"NoBytes\"=hex:\r\n"
                      "\"Empty\"=\"\"\r\n"
                      "\"Name\"=\"a text\"\r\n"
                      "@=\"default\"\r\n"
                      "no equals sign\r\n"
                      "\"bad\"=dword:zz\r\n"
                      "\r\r\n\n"
                      "[HKEY_CLASSES_ROOT\\.tur]\r"
                      "\"Content Type\"=\"map/tour\"\r\n"
                      "[HKEY_SOMEWHERE\\X]\r\n"
                      "\"lost\"=\"x\"\r\n"
                      "[HKEY_CURRENT_USER\\U]\r\n"
                      "\"Latin1\"=\"Stra\xDF" "e\"");
    EXPECT_EQ(reg.getDword(HKey::LocalMachine, "S\\K", "cfg1"), 255u);
    EXPECT_EQ(reg.getBinary(HKey::LocalMachine, "S\\K", "Blob"), (std::vector<uint8_t>{1, 2, 255}));
    EXPECT_EQ(reg.getBinary(HKey::LocalMachine, "S\\K", "NoBytes"), std::vector<uint8_t>{});
    EXPECT_EQ(reg.getString(HKey::LocalMachine, "S\\K", "Empty"), "");
    EXPECT_EQ(reg.getString(HKey::LocalMachine, "S\\K", "Name"), "a text");
    EXPECT_EQ(reg.getString(HKey::LocalMachine, "S\\K", ""), "default");
    EXPECT_EQ(reg.values(HKey::LocalMachine, "S\\K").size(), 6u);
    EXPECT_EQ(reg.getString(HKey::ClassesRoot, ".tur", "Content Type"), "map/tour");
    EXPECT_FALSE(reg.keyExists(HKey::LocalMachine, "X"));
    EXPECT_EQ(reg.getString(HKey::CurrentUser, "U", "Latin1"), "Stra\xC3\x9F" "e");
}

TEST(RegistryText, GeneratedTextAppliesBackToTheSameValues) {
    Registry a;
    const std::string key = kSettingsKey;
    a.setString(HKey::LocalMachine, key, "Folders", "\\Karten;\\Storage Card\\Touren \xC3\xA4");
    a.setDword(HKey::LocalMachine, key, "latitude", static_cast<uint32_t>(-84014881));
    a.setBinary(HKey::LocalMachine, key + "\\Tour\\x", "Date", std::vector<uint8_t>(40, 0xAB));
    Registry b;
    ApplyRegistryText(b, GenerateRegistryText(a, HKey::LocalMachine, key));
    EXPECT_EQ(a.toText(), b.toText());
}

TEST(BackupContainer, RoundTripsAndRejectsEveryDamage) {
    const std::string text = "\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Ostrafen\\Trekvane]\r\n\"cfg1\"=dword:a3af0010\r\n";
    std::string file = ScrambleBackup(text);
    ASSERT_EQ(file.size(), text.size() + 10);
    EXPECT_EQ(file.find("cfg1"), std::string::npos);  // not stored in the clear
    EXPECT_EQ(UnscrambleBackup(file), text);
    EXPECT_EQ(UnscrambleBackup(ScrambleBackup("")), "");

    for (size_t i = 0; i < file.size(); ++i) {
        std::string bad = file;
        bad[i] ^= 0x20;
        EXPECT_FALSE(UnscrambleBackup(bad)) << "flipped byte " << i;
    }
    for (size_t n = 0; n < file.size(); ++n) EXPECT_FALSE(UnscrambleBackup(file.substr(0, n))) << "cut to " << n;
    std::string error;
    EXPECT_FALSE(UnscrambleBackup(file + "x", &error));
    EXPECT_FALSE(error.empty());
}

TEST(BackupFile, ExportImportAndDeletion) {
    TempRoot root;
    Registry reg;
    reg.setDword(HKey::LocalMachine, kSettingsKey, "cfg2", 7);
    reg.setString(HKey::LocalMachine, "SOFTWARE\\Other", "x", "not backed up");
    ASSERT_TRUE(ExportBackup(reg, root.file("b.reg")));

    Registry fresh;
    EXPECT_EQ(ImportBackup(fresh, root.file("b.reg"), false), BackupImport::Applied);
    EXPECT_EQ(fresh.getDword(HKey::LocalMachine, kSettingsKey, "cfg2"), 7u);
    EXPECT_FALSE(fresh.keyExists(HKey::LocalMachine, "SOFTWARE\\Other"));
    EXPECT_TRUE(platform::FileExists(root.file("b.reg")));
    EXPECT_EQ(ImportBackup(fresh, root.file("b.reg"), true), BackupImport::Applied);
    EXPECT_FALSE(platform::FileExists(root.file("b.reg")));
    EXPECT_EQ(ImportBackup(fresh, root.file("b.reg"), true), BackupImport::Missing);

    root.write("empty.reg", "");
    EXPECT_EQ(ImportBackup(fresh, root.file("empty.reg"), true), BackupImport::Empty);
    EXPECT_FALSE(platform::FileExists(root.file("empty.reg")));
    root.write("junk.reg", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Junk]\r\n");
    Registry untouched;
    EXPECT_EQ(ImportBackup(untouched, root.file("junk.reg"), false), BackupImport::Rejected);
    EXPECT_FALSE(untouched.keyExists(HKey::LocalMachine, "SOFTWARE\\Junk"));
}
