// The real program, headless, driven by scripts: handover, the input lock and
// wake-up, the wheel, recording across restarts, suspend and resume, layouts
// that survive a restart.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>

#include "TrekvaneRun.h"
#include "tours/Tour.h"
#include "tours/TourRecorder.h"

namespace trek {
namespace {

using testing::ReadFile;
using testing::Trekvane;
using testing::WriteFile;

// The lines of the trace that contain any of the words, in order.
std::vector<std::string> Filter(const std::vector<std::string>& lines, std::initializer_list<const char*> words) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        for (const char* w : words)
            if (l.find(w) != std::string::npos) {
                out.push_back(l);
                break;
            }
    return out;
}

std::vector<long> Times(const std::string& trace, const std::string& text) {
    std::vector<long> out;
    std::istringstream in(ReadFile(trace));
    for (std::string l; std::getline(in, l);)
        if (l.find(text) != std::string::npos) out.push_back(std::stol(l));
    return out;
}

// Backlight under control, dim 5 / normal 6, 30 s; lock as asked.
std::string Cfg8(bool lock) { return lock ? "\"cfg8\"=dword:56001e60" : "\"cfg8\"=dword:56001e20"; }

TEST(TrekvaneProcess, SecondInstanceHandsOverWithAndWithoutAFile) {
    Trekvane t;
    t.seed({});
    const std::string gpx = t.dir() + "/root/Walk.gpx";
    WriteFile(gpx,
              "<?xml version=\"1.0\"?><gpx version=\"1.1\" creator=\"test\"><trk><name>Walk</name><trkseg>"
              "<trkpt lat=\"48.15\" lon=\"11.59\"></trkpt><trkpt lat=\"48.151\" lon=\"11.591\"></trkpt>"
              "</trkseg></trk></gpx>");
    t.start({"wait 8000"}, {"--gps", "file:/dev/null@1"});
    ASSERT_TRUE(t.waitForTrace("started"));

    EXPECT_EQ(t.runOnce({gpx}), 0);
    EXPECT_NE(ReadFile(t.dir() + "/trace2.txt").find("handed over"), std::string::npos);
    ASSERT_TRUE(t.waitForTrace("handover " + gpx));
    EXPECT_TRUE(t.waitForTrace("import finished ok"));

    EXPECT_EQ(t.runOnce({}), 0);
    EXPECT_TRUE(t.waitForTrace("handover (no file)"));
    t.stop();
    // The handed-over GPX became a tour beside it.
    struct stat st;
    EXPECT_EQ(stat((t.dir() + "/root/Walk.TUR").c_str(), &st), 0);
}

TEST(TrekvaneProcess, UnlockGestureWithinAndAfter700Ms) {
    Trekvane t;
    t.seed({Cfg8(true)});
    t.start({"command 40220",          // the Dim button: dim level
             "tap 240 300",            // the middle of a locked screen does nothing
             "tap 10 600", "wait 300", "tap 470 600",  // bottom-left, then bottom-right in time
             "wait 700", "command 40220",
             "tap 10 600", "wait 900", "tap 470 600",  // too late
             "wait 100"},
            {"--gps", "file:/dev/null@1"});
    ASSERT_EQ(t.wait(), 0) << t.errors();
    auto lines = Filter(t.traceLines(), {"backlight", "unlock"});
    EXPECT_EQ(lines, (std::vector<std::string>{"backlight 5", "unlock armed", "backlight 6 woken", "backlight 5",
                                               "unlock armed", "unlock disarmed"}));
}

TEST(TrekvaneProcess, KeyThatWakesADimmedScreenIsSwallowed) {
    Trekvane t;
    t.seed({Cfg8(false)});
    t.start({"key 65", "command 40220", "key 65", "key 65", "wait 100"}, {"--gps", "file:/dev/null@1"});
    ASSERT_EQ(t.wait(), 0) << t.errors();
    auto lines = Filter(t.traceLines(), {"backlight", "key 65"});
    EXPECT_EQ(lines, (std::vector<std::string>{"key 65 down", "key 65 up", "backlight 5", "backlight 6 woken",
                                               "key 65 swallowed", "key 65 down", "key 65 up"}));
}

TEST(TrekvaneProcess, WheelTurnsAddUpToNotches) {
    Trekvane t;
    t.seed({});
    t.start({"wheel 240", "command 40004", "wheel 60", "command 40005", "wheel 60", "command 40006", "wheel -119",
             "wheel -1", "wait 100"},
            {"--gps", "file:/dev/null@1"});
    ASSERT_EQ(t.wait(), 0) << t.errors();
    auto lines = Filter(t.traceLines(), {"button action", "command 4000"});
    EXPECT_EQ(lines, (std::vector<std::string>{"button action 1", "command 40004", "command 40005", "button action 1",
                                               "command 40006", "button action 2"}));
}

class RecordingAcrossRestarts : public ::testing::Test {
protected:
    void SetUp() override {
        tour_ = t_.dir() + "/root/Current.TUR";
        Tour tour("Current", tour_);
        TourRecorder::Options options;
        options.timeMarks = false;
        {
            TourRecorder recorder(tour, options);
            ASSERT_TRUE(recorder.start());
            ASSERT_TRUE(recorder.appendPoint(20204016, 84014881, 51500, 50, false, 0, true));
            ASSERT_TRUE(recorder.flush());
        }
        size_ = Size();
    }
    long Size() const {
        struct stat st;
        return stat(tour_.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
    }

    Trekvane t_;
    std::string tour_;
    long size_ = 0;
};

TEST_F(RecordingAcrossRestarts, QuittingStoresCurTourAndTheNextStartContinues) {
    const std::string walk = std::string(TREK_SOURCE_DIR) + "/samples/walk.nmea";
    t_.seed({"\"CurTour\"=\"" + tour_ + "\"", "\"GPSSyncTime\"=\"-2.000000\""});
    t_.start({"wait 1500"}, {"--gps", "file:" + walk + "@0"});
    ASSERT_EQ(t_.wait(), 0) << t_.errors();
    EXPECT_EQ(t_.count("recording " + tour_), 1);
    EXPECT_EQ(t_.count("recording stored " + tour_), 1);
    EXPECT_NE(ReadFile(t_.registry()).find("\"CurTour\"=\"" + tour_ + "\""), std::string::npos);
    long afterFirst = Size();
    EXPECT_GT(afterFirst, size_);  // points of the replayed walk went into the file

    t_.start({"wait 1000"}, {"--gps", "file:" + walk + "@0"});
    ASSERT_EQ(t_.wait(), 0) << t_.errors();
    EXPECT_EQ(t_.count("recording " + tour_), 2);
    EXPECT_GT(Size(), afterFirst);
    EXPECT_EQ(t_.errors().find("paused"), std::string::npos);
}

TEST_F(RecordingAcrossRestarts, APausedRecordingSaysSoAtStart) {
    // cfg4 with the pause bit (7) on top of the defaults.
    t_.seed({"\"CurTour\"=\"" + tour_ + "\"", "\"cfg4\"=dword:00065880"});
    t_.start({"wait 300"}, {"--gps", "file:/dev/null@1"});
    ASSERT_EQ(t_.wait(), 0) << t_.errors();
    EXPECT_NE(t_.errors().find("message box \"Current\": Recording of the current tour is paused!"), std::string::npos)
        << t_.errors();
    // Nothing was recorded while paused, and the tour is still the current one.
    EXPECT_EQ(Size() > 0, true);
    EXPECT_NE(ReadFile(t_.registry()).find("\"CurTour\"=\"" + tour_ + "\""), std::string::npos);
}

TEST(TrekvaneProcess, ResumeRecreatesTheReceiverAfterTenSeconds) {
    Trekvane t;
    t.seed({});
    const std::string fifo = t.dir() + "/power";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // A receiver that never delivers a sentence.
    t.start({"wait 15000"}, {"--gps", "file:/dev/null@1"}, {"TREKVANE_POWER_EVENTS=" + fifo});
    // The receiver opens on its own thread; suspend only once it is open.
    ASSERT_TRUE(t.waitForTrace("gps reconnect open"));
    FILE* w = std::fopen(fifo.c_str(), "w");
    ASSERT_NE(w, nullptr);
    std::fputs("0x00200000\n", w);
    std::fclose(w);
    ASSERT_EQ(t.wait(), 0) << t.errors();
    auto destroyed = Times(t.trace(), "gps receiver destroyed (suspend)");
    auto reconnects = Times(t.trace(), "gps reconnect open");
    ASSERT_EQ(destroyed.size(), 1u);
    ASSERT_EQ(reconnects.size(), 2u);  // at start and after the resume
    EXPECT_LT(reconnects[0], destroyed[0]);
    EXPECT_GE(reconnects[1] - destroyed[0], 10000);
}

TEST(TrekvaneProcess, LayoutAndSplitSurviveARestart) {
    Trekvane t;
    t.seed({});
    t.start({"command 40331", "command 40008", "wait 100"}, {"--gps", "file:/dev/null@1"});
    ASSERT_EQ(t.wait(), 0) << t.errors();
    EXPECT_EQ(t.count("split horizontal; current tracking view B"), 1);

    t.start({"wait 100"}, {"--gps", "file:/dev/null@1"});
    ASSERT_EQ(t.wait(), 0) << t.errors();
    auto layouts = Filter(t.traceLines(), {"layout 4000"});
    ASSERT_FALSE(layouts.empty());
    EXPECT_EQ(layouts.back(), "layout 40008");
}

TEST(TrekvaneProcess, HelpAndBadOptions) {
    Trekvane t;
    EXPECT_EQ(t.runOnce({"--help"}), 0);
    EXPECT_NE(ReadFile(t.dir() + "/stdout.txt").find("usage: trekvane"), std::string::npos);
    EXPECT_EQ(t.runOnce({"--no-such-option"}), 2);
    EXPECT_NE(ReadFile(t.dir() + "/stderr2.txt").find("unknown option"), std::string::npos);
}

}  // namespace
}  // namespace trek
