// The real program on the demo samples: the sample map in the data folder, a
// walk across it replayed from its log, a tour being recorded. A screenshot
// after the walk must show the map, the GPS arrow, and the recorded track
// reaching the arrow - the points trekvane itself wrote, since the tour file
// lies outside the search folders and only reaches the map as the recording.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <climits>
#include <filesystem>

#include "platform/core/Bitmap.h"
#include "tests/app/TrekvaneRun.h"
#include "tours/TourRecorder.h"
#include "ui/views/TrackingView.h"

namespace trek {
namespace {

using testing::ReadFile;
using testing::Trekvane;
namespace fs = std::filesystem;

constexpr uint32_t kArrowRed = 0x0000FF;    // COLORREF of the arrow's fill
constexpr uint32_t kTrackMagenta = 0xFF00FF;
constexpr int kMagentaIndex = 5;            // of the seven fixed tour colours
constexpr uint32_t kPaneGrey = 0xE0E0E0;
constexpr uint32_t kWhite = 0xFFFFFF;

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;
    int count = 0;
    void add(int x, int y) {
        left = std::min(left, x), right = std::max(right, x);
        top = std::min(top, y), bottom = std::max(bottom, y);
        ++count;
    }
};

// Pixels of a colour within rows [top, bottom) and columns [left, right).
Box Find(const platform::Bitmap& bmp, uint32_t colorRef, int left, int top, int right, int bottom) {
    Box box;
    for (int y = std::max(0, top); y < std::min(bmp.height(), bottom); ++y)
        for (int x = std::max(0, left); x < std::min(bmp.width(), right); ++x)
            if (platform::PixelToColorRef(bmp.pixel(x, y)) == colorRef) box.add(x, y);
    return box;
}

long FileSize(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? static_cast<long>(st.st_size) : -1;
}

TEST(DemoWalk, TheMapFollowsTheWalkAndTheRecordedTrackGrowsUpToTheArrow) {
    const std::string samples = std::string(TREK_SOURCE_DIR) + "/samples";
    Trekvane t;
    const std::string root = t.dir() + "/root";
    fs::create_directories(root + "/Trekvane/Maps");
    fs::create_directories(root + "/Trekvane/POI");
    for (const char* f : {"demo_map.CAL", "demo_map.png"})
        fs::copy_file(samples + "/map/" + f, root + "/Trekvane/Maps/" + f);
    for (const auto& e : fs::directory_iterator(samples + "/poi"))
        if (e.path().extension() != ".py") fs::copy_file(e.path(), fs::path(root + "/Trekvane/POI") / e.path().filename());

    // The recording began at the first fix of the walk; the file lies outside
    // the search folder, so the catalogue does not draw it on its own.
    const std::string tourPath = root + "/Walk.TUR";
    {
        Tour tour("Walk", tourPath);
        TourRecorder::Options options;
        options.timeMarks = false;
        options.colour = kMagentaIndex;
        TourRecorder recorder(tour, options);
        ASSERT_TRUE(recorder.start());
        ASSERT_TRUE(recorder.appendPoint(20182530, 84001923, 51810, 179, false, 0, true));
        ASSERT_TRUE(recorder.flush());
    }
    const long seeded = FileSize(tourPath);

    // cfg1: the defaults without the reference-point markers (red, like the
    // arrow); cfg4: the defaults with following on at start.
    t.seed({"\"Folders\"=\"\\\\Trekvane\"", "\"cfg1\"=dword:83af0010", "\"cfg4\"=dword:00865800",
            "\"GPSSyncTime\"=\"-2.000000\"", "\"CurTour\"=\"" + tourPath + "\""});
    const std::string shot = t.dir() + "/end.png";
    // 502 fixes at fifty times real time take 10 s; switching the split on and
    // off afterwards makes the views draw everything anew.
    t.start({"wait 11500", "command 40330", "wait 300", "command 40330", "wait 700", "screenshot " + shot},
            {"--gps", "file:" + samples + "/map/walk.nmea@50"});
    ASSERT_EQ(t.wait(), 0) << t.errors();
    EXPECT_EQ(t.count("recording " + tourPath), 1);
    EXPECT_NE(ReadFile(t.trace()).find("poi symbols 4 in " + root + "/Trekvane/POI/"), std::string::npos)
        << ReadFile(t.trace());
    EXPECT_GT(FileSize(tourPath), seeded + 1000) << "the walk was recorded";

    platform::Bitmap bmp;
    ASSERT_TRUE(bmp.readPng(shot)) << shot;
    // Kept for a look: <build>/app-shots/demo-walk-end.png.
    const std::string kept = std::string(TREK_BIN_DIR) + "/../app-shots";
    fs::create_directories(kept);
    fs::copy_file(shot, kept + "/demo-walk-end.png", fs::copy_options::overwrite_existing);
    ASSERT_EQ(bmp.width(), 480);
    ASSERT_EQ(bmp.height(), 640);
    // Pane A lies between the info strip and the menu bar.
    const int top = 40, bottom = 600;

    // The map: neither the map-less background nor the empty pane. The walk
    // ends near the map's north-east corner, so the map fills a good part of
    // the pane and all of the arrow's surroundings.
    auto mapPixels = [&bmp](int left, int top, int right, int bottom) {
        int n = 0;
        for (int y = std::max(0, top); y < std::min(bmp.height(), bottom); ++y)
            for (int x = std::max(0, left); x < std::min(bmp.width(), right); ++x) {
                const uint32_t c = platform::PixelToColorRef(bmp.pixel(x, y));
                n += c != TrackingView::kBackground && c != kPaneGrey && c != kWhite;
            }
        return n;
    };
    EXPECT_GT(mapPixels(0, top, 480, bottom), 480 * (bottom - top) / 5) << "map drawn";

    // The arrow: a red fill with a black rim, somewhere in the pane.
    const Box arrow = Find(bmp, kArrowRed, 0, top, 480, bottom);
    ASSERT_GT(arrow.count, 40) << "arrow drawn";
    EXPECT_LT(arrow.right - arrow.left, 60) << "only the arrow is red after a full redraw";
    const int ax = (arrow.left + arrow.right) / 2, ay = (arrow.top + arrow.bottom) / 2;
    EXPECT_GT(Find(bmp, 0x000000, ax - 25, ay - 25, ax + 26, ay + 26).count, 10) << "arrow rim";
    EXPECT_GT(mapPixels(ax - 40, ay - 40, ax + 41, ay + 41), 81 * 81 * 9 / 10) << "the arrow stands on the map";

    // The recorded track: long, and reaching the arrow at the end of the walk.
    const Box track = Find(bmp, kTrackMagenta, 0, top, 480, bottom);
    EXPECT_GT(track.count, 300) << "recorded track drawn";
    EXPECT_GT(Find(bmp, kTrackMagenta, ax - 40, ay - 40, ax + 41, ay + 41).count, 15) << "track near the end position";
}

}  // namespace
}  // namespace trek
