#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/core/Registry.h"
#include "settings/ButtonActions.h"
#include "settings/DeviceProfile.h"
#include "settings/Settings.h"
#include "tests/settings/TempRoot.h"

using namespace trek;
using platform::HKey;

namespace {

struct ProfileFixture : ::testing::Test {
    TempRoot root;
    platform::Registry reg;
    std::unique_ptr<Settings> settings;
    DeviceProfile profile;

    DeviceProfile& load(const std::string& oem) {
        settings = std::make_unique<Settings>(reg, oem);
        settings->load();
        profile = DeviceProfile{};
        DeviceProfileLoader loader(*settings, profile);
        loader.load();
        return profile;
    }
    std::vector<std::pair<uint32_t, int32_t>> buttons() const {
        std::vector<std::pair<uint32_t, int32_t>> out;
        for (size_t i = 0; i < profile.buttonCount; ++i) out.emplace_back(profile.buttons[i].keyCode, profile.buttons[i].action);
        return out;
    }
};

}  // namespace

TEST_F(ProfileFixture, BuiltInProfileOfAKnownDevice) {
    load("PLATFORM_OEM");
    EXPECT_EQ(settings->port, "GPS1:");
    EXPECT_EQ(settings->baud, 57600u);
    EXPECT_EQ(settings->flags.gpsBt(), 0u);
    EXPECT_EQ(buttons(), (std::vector<std::pair<uint32_t, int32_t>>{
                             {0x34, 1}, {0x35, 2}, {0x52, 3}, {0x4C, 4}, {0x55, 5}, {0x44, 6}, {0x30, 16}, {0x32, 14}, {0x43, 17}}));
    EXPECT_EQ(profile.lcdCapability, 1);
    EXPECT_EQ(profile.lcdMinimum, 21);
    EXPECT_EQ(profile.actionForKey(0x52), 3);
    EXPECT_FALSE(profile.actionForKey(0x99));
    // The matching device saved the receiver and a backup.
    EXPECT_EQ(reg.getString(HKey::LocalMachine, kSettingsKey, "COM Port"), "GPS1:");
    EXPECT_EQ(reg.getDword(HKey::LocalMachine, kSettingsKey, "Baudrate"), 57600u);
    EXPECT_TRUE(std::filesystem::exists(root.file("trekvane.reg")));

    load("n_hh_dastra 2");
    EXPECT_EQ(settings->flags.gpsBt(), 1u);
    EXPECT_EQ(profile.lcdCapability, -1);
    EXPECT_EQ(profile.buttonCount, 6u);
}

TEST_F(ProfileFixture, AnUnknownDeviceGetsNothingAndSavesNothing) {
    load("Raspberry Pi 4 Model B");
    EXPECT_EQ(profile.buttonCount, 0u);
    EXPECT_EQ(settings->port, "gpsd");
    EXPECT_FALSE(reg.keyExists(HKey::LocalMachine, kSettingsKey));
}

TEST_F(ProfileFixture, TheProfileFileReplacesButtonsByPrefixMatch) {
    root.write("thisdev.xml",
               "<?xml version=\"1.0\"?>\n<DEVICES>\n"
               "<Device Name=\"PLATFORM\">\n"
               "  <GPS port=\"tcp:box:10110\" baudrate=\"9600\">1</GPS>\n"
               "  <Buttons><Button Action=\"7\">0x10D</Button><button action=\"9\">269</button>"
               "</Buttons>\n"
               "  <lcd cap=\"2\"><min>5</min><io r=\"12\">0x1F</io><dll func=\"1\">  SetBacklight</dll></lcd>\n"
               "  <map>x</map>\n"
               "</Device>\n<device name=\"Other\"><button action=\"1\">1</button></device>\n</DEVICES>\n");
    root.write("devcfg.xml", "<devices><device name=\"PLATFORM_OEM\"><gps port=\"never\"/></device></devices>");
    load("PLATFORM_OEM");
    EXPECT_EQ(settings->port, "tcp:box:10110");
    EXPECT_EQ(settings->baud, 9600u);
    EXPECT_EQ(settings->flags.gpsBt(), 1u);
    EXPECT_EQ(buttons(), (std::vector<std::pair<uint32_t, int32_t>>{{0x10D, 7}, {269, 9}}));
    EXPECT_EQ(profile.lcdCapability, 2);
    EXPECT_EQ(profile.lcdMinimum, 5);
    EXPECT_EQ(profile.ioRegister, 12);
    EXPECT_EQ(profile.ioValue, 0x1F);
    EXPECT_EQ(profile.backlightFunction, "SetBacklight");
}

TEST_F(ProfileFixture, DevcfgIsUsedWhenThereIsNoThisdev) {
    root.write("devcfg.xml", "<devices><device name=\"Pi\"><gps port=\"gpsd:pi\"></gps></device></devices>");
    load("Pi 5");
    EXPECT_EQ(settings->port, "gpsd:pi");
    EXPECT_EQ(DeviceProfileLoader::ProfileFile(), "\\devcfg.xml");
}

TEST_F(ProfileFixture, FolderAppliesOnlyAfterNa) {
    const char* xml = "<devices><device name=\"Pi\"><folder>\\A;\\B</folder></device></devices>";
    root.write("thisdev.xml", xml);
    reg.setDword(HKey::LocalMachine, kSettingsKey, "cfg2", 1);  // saved settings: no restore from the backup
    reg.setString(HKey::LocalMachine, kSettingsKey, "Folders", "\\Mine");
    load("Pi");
    EXPECT_EQ(settings->searchPaths, std::vector<std::string>{"\\Mine"});
    reg.setString(HKey::LocalMachine, kSettingsKey, "Folders", ":na");
    load("Pi");
    EXPECT_EQ(settings->searchPaths, (std::vector<std::string>{"\\A", "\\B"}));
    EXPECT_EQ(reg.getString(HKey::LocalMachine, kSettingsKey, "Folders"), "\\A;\\B");
}

TEST_F(ProfileFixture, ExtraButtonsBeyondSixteenAreRejected) {
    std::string xml = "<devices><device name=\"Pi\"><Buttons>";
    for (int i = 1; i <= 20; ++i) xml += "<button action=\"" + std::to_string(i) + "\">" + std::to_string(100 + i) + "</button>";
    xml += "</Buttons></device></devices>";
    root.write("thisdev.xml", xml);
    load("Pi");
    EXPECT_EQ(profile.buttonCount, 16u);
    EXPECT_EQ(profile.rejectedButtons, 4u);
    EXPECT_EQ(profile.buttons[15].keyCode, 116u);
    EXPECT_EQ(profile.buttons[15].action, 16);
}

TEST_F(ProfileFixture, AnXmlErrorKeepsWhatWasAppliedBefore) {
    root.write("thisdev.xml", "<devices><device name=\"Pi\"><gps port=\"early\"/><button action=\"1\">5</button><gps port=\"late\" <<");
    settings = std::make_unique<Settings>(reg, "Pi");
    settings->load();
    DeviceProfileLoader loader(*settings, profile);
    std::string error;
    loader.load(&error);
    EXPECT_EQ(settings->port, "early");
    EXPECT_EQ(profile.buttonCount, 1u);
    EXPECT_NE(error.find("line 1"), std::string::npos) << error;
}

TEST_F(ProfileFixture, LargeFilesAreParsedAcrossBlocks) {
    // The element straddles the 131072-byte block border.
    std::string xml = "<devices><!--" + std::string(DeviceProfileLoader::kBlockSize - 40, 'c') +
                      "--><device name=\"Pi\"><gps port=\"straddling\"/></device></devices>";
    root.write("thisdev.xml", xml);
    load("Pi");
    EXPECT_EQ(settings->port, "straddling");
}

namespace {
struct MockTarget : ButtonActionTarget {
    MOCK_METHOD(void, zoomStep, (int), (override));
    MOCK_METHOD(void, pan, (int, int), (override));
    MOCK_METHOD(void, toggleFullScreen, (), (override));
    MOCK_METHOD(void, openSettings, (), (override));
    MOCK_METHOD(void, showLayout, (int), (override));
    MOCK_METHOD(void, toggleManagerList, (), (override));
    MOCK_METHOD(void, fullScreenMenuKey, (), (override));
    MOCK_METHOD(void, sendTab, (), (override));
    MOCK_METHOD(void, nextLayout, (), (override));
    MOCK_METHOD(void, toggleFollowGps, (), (override));
    MOCK_METHOD(void, addPoiHere, (), (override));
};
}  // namespace

TEST(ButtonActions, ActionNumbersReachTheRegisteredViews) {
    EXPECT_TRUE(DoButtonAction(1));  // nobody registered: nothing happens
    MockTarget t;
    RegisterButtonActionTarget(&t);
    ::testing::InSequence order;
    EXPECT_CALL(t, zoomStep(-1));
    EXPECT_CALL(t, zoomStep(1));
    EXPECT_CALL(t, pan(2, 0));
    EXPECT_CALL(t, pan(-2, 0));
    EXPECT_CALL(t, pan(0, 2));
    EXPECT_CALL(t, pan(0, -2));
    EXPECT_CALL(t, toggleFullScreen());
    EXPECT_CALL(t, openSettings());
    EXPECT_CALL(t, showLayout(0));
    EXPECT_CALL(t, showLayout(1));
    EXPECT_CALL(t, showLayout(2));
    EXPECT_CALL(t, toggleManagerList());
    EXPECT_CALL(t, fullScreenMenuKey());
    EXPECT_CALL(t, sendTab());
    EXPECT_CALL(t, nextLayout());
    EXPECT_CALL(t, toggleFollowGps());
    EXPECT_CALL(t, addPoiHere());
    EXPECT_CALL(t, pan(2, 2));
    EXPECT_CALL(t, pan(2, -2));
    EXPECT_CALL(t, pan(-2, 2));
    EXPECT_CALL(t, pan(-2, -2));
    for (int a : {1, 2, 3, 4, 5, 6, 7, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 35, 36, 45, 46}) EXPECT_TRUE(DoButtonAction(a));
    for (int a : {0, 8, 19, 34, 47, -1}) EXPECT_FALSE(DoButtonAction(a));
    RegisterButtonActionTarget(nullptr);
}
