// Pieces of the shell that need no window: options, the proximity-sound
// table, hardware keys through the device profile, power notifications, the
// hours-to-UTC field.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>
#include <vector>

#include "app/AppOptions.h"
#include "app/FirstStartDialogs.h"
#include "app/KeyHandler.h"
#include "app/PowerWatch.h"
#include "app/ProximitySounds.h"
#include "settings/DeviceProfile.h"

namespace trek {
namespace {

TEST(AppOptions, ParsesEveryOptionAndTheFile) {
    AppOptions o;
    std::string error;
    ASSERT_TRUE(ParseAppOptions({"--root", "/r", "--registry", "/x.reg", "--oem", "Dev", "--gps", "file:a.nmea@0",
                                 "--headless", "--size", "240x320", "--dpi", "192", "--script", "s.txt",
                                 "--screenshot", "o.png", "--trace", "t.txt", "My Tour.TUR"},
                                o, &error))
        << error;
    EXPECT_EQ(o.root, "/r");
    EXPECT_EQ(o.registry, "/x.reg");
    EXPECT_EQ(o.oem, std::optional<std::string>("Dev"));
    EXPECT_EQ(o.gps, "file:a.nmea@0");
    EXPECT_TRUE(o.display.headless);
    EXPECT_EQ(o.display.size, (platform::Size{240, 320}));
    EXPECT_EQ(o.display.dpi, 192);
    EXPECT_EQ(o.display.script, "s.txt");
    EXPECT_EQ(o.display.screenshot, "o.png");
    EXPECT_EQ(o.trace, "t.txt");
    EXPECT_EQ(o.commandLine, "My Tour.TUR");
    EXPECT_FALSE(o.help);

    AppOptions dash;
    ASSERT_TRUE(ParseAppOptions({"--", "--odd-name.gpx"}, dash, &error));
    EXPECT_EQ(dash.commandLine, "--odd-name.gpx");
}

TEST(AppOptions, RefusesWhatItDoesNotKnow) {
    const std::vector<std::vector<std::string>> bad = {
        {"--gps"}, {"--root"}, {"--oem"}, {"--frobnicate"}, {"--size", "huge"}, {"--dpi", "0"}, {"--registry", ""},
    };
    for (const auto& args : bad) {
        AppOptions o;
        std::string error;
        EXPECT_FALSE(ParseAppOptions(args, o, &error)) << args[0];
        EXPECT_FALSE(error.empty());
    }
    AppOptions o;
    ASSERT_TRUE(ParseAppOptions({"--help"}, o, nullptr));
    EXPECT_TRUE(o.help);
    // The help names every option it accepts.
    for (const char* name : {"--root", "--registry", "--oem", "--gps", "--headless", "--size", "--dpi", "--script",
                             "--screenshot", "--trace", "--help"})
        EXPECT_NE(AppUsage().find(name), std::string::npos) << name;
}

// Records timer and play calls of the sound table.
struct SoundLog {
    std::vector<std::string> events;
    ProximitySounds::Hooks hooks() {
        return {[this](uint32_t id, uint32_t ms) { events.push_back("set " + std::to_string(id) + " " + std::to_string(ms)); },
                [this](uint32_t id) { events.push_back("kill " + std::to_string(id)); },
                [this](int row) { events.push_back("play " + std::to_string(row)); }};
    }
};

TEST(ProximitySounds, EachWindowBeepsItsRoundsAndStopsWhenLeft) {
    SoundLog log;
    ProximitySounds sounds(log.hooks());
    sounds.update(150);  // no window
    EXPECT_TRUE(log.events.empty());
    sounds.update(50);  // 45..55 m: two beeps, 1000 ms then 9000 ms
    sounds.update(52);  // still inside: nothing new
    sounds.onTimer(201);
    sounds.onTimer(201);
    sounds.update(30);  // left
    EXPECT_EQ(log.events, (std::vector<std::string>{"play 1", "set 201 1000", "play 1", "set 201 9000", "play 1",
                                                    "set 201 1000", "kill 201"}));
    EXPECT_FALSE(sounds.active(1));

    log.events.clear();
    sounds.update(10);  // 10..20 m, edges included: three beeps, then 8000 ms
    sounds.onTimer(202);
    sounds.onTimer(202);
    sounds.update(-1);  // guidance off
    EXPECT_EQ(log.events, (std::vector<std::string>{"play 2", "set 202 1000", "play 2", "set 202 1000", "play 2",
                                                    "set 202 8000", "kill 202"}));
    log.events.clear();
    sounds.update(100);  // 95..105 m: one beep every 10 s
    sounds.onTimer(200);
    EXPECT_EQ(log.events, (std::vector<std::string>{"play 0", "set 200 10000", "play 0", "set 200 10000"}));
    EXPECT_FALSE(sounds.onTimer(203));
}

TEST(KeyHandler, ShortLongAndPlainCodes) {
    DeviceProfile p;
    p.buttons[0] = {0x10D, 17};  // Return released short
    p.buttons[1] = {0x20D, 18};  // Return released long
    p.buttons[2] = {0x4F, 18};   // "O" on key down
    p.buttonCount = 3;
    EXPECT_EQ(ButtonActionForKey(p, 0x0D, false, false), std::nullopt);  // has release entries
    EXPECT_EQ(ButtonActionForKey(p, 0x0D, true, false), std::optional<int32_t>(17));
    EXPECT_EQ(ButtonActionForKey(p, 0x0D, true, true), std::optional<int32_t>(18));
    EXPECT_EQ(ButtonActionForKey(p, 0x4F, false, false), std::optional<int32_t>(18));
    EXPECT_EQ(ButtonActionForKey(p, 0x4F, true, false), std::nullopt);
    EXPECT_EQ(ButtonActionForKey(p, 0x41, false, false), std::nullopt);
}

TEST(PowerWatch, DeliversFlagsWordsFromAFifoUntilStopped) {
    char dir[] = "/tmp/powerwatch-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string fifo = std::string(dir) + "/power";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    std::string error;
    auto source = OpenFilePowerSource(fifo, &error);
    ASSERT_TRUE(source) << error;
    std::mutex mutex;
    std::vector<uint32_t> seen;
    PowerWatch watch(std::move(source), [&](uint32_t f) {
        std::lock_guard<std::mutex> lock(mutex);
        seen.push_back(f);
    });
    watch.start();
    for (const char* text : {"0x00200000\n0x00020000\n", "garbage\n8388608\n"}) {
        FILE* w = std::fopen(fifo.c_str(), "w");
        ASSERT_NE(w, nullptr);
        std::fputs(text, w);
        std::fclose(w);
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    for (int i = 0; i < 50; ++i) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            if (seen.size() >= 3) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    auto before = std::chrono::steady_clock::now();
    watch.stop();
    // The quit flag is seen within one poll.
    EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::milliseconds(PowerWatch::kPollMs * 4));
    EXPECT_EQ(seen, (std::vector<uint32_t>{POWER_SUSPEND, POWER_OFF, POWER_RESET}));
    unlink(fifo.c_str());
    rmdir(dir);
}

TEST(LocalTimeDialog, HoursToUtcField) {
    const struct {
        const char* text;
        bool ok;
        float hours;
    } rows[] = {{"-2", true, -2}, {"5.5", true, 5.5f}, {"0", true, 0}, {"14", true, 14}, {"14.5", false, 0},
                {"", false, 0}, {"two", false, 0}, {"1x", false, 0}, {"nan", false, 0}};
    for (const auto& r : rows) {
        float h = 99;
        EXPECT_EQ(ParseHoursToUtc(r.text, h), r.ok) << r.text;
        if (r.ok) {
            EXPECT_FLOAT_EQ(h, r.hours) << r.text;
        }
    }
}

}  // namespace
}  // namespace trek
