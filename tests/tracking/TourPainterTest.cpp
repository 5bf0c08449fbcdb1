// Tour drawing: the block rule that keeps lines entering and leaving the view,
// segments, waypoints, line widths and labels.
#include <gtest/gtest.h>

#include "tests/tracking/TrackingFixtures.h"
#include "tours/TourFormat.h"
#include "tours/TourTime.h"
#include "ui/views/TourPainter.h"

namespace trek {
namespace {

using test::CountPixels;
using test::MakeTour;
using test::ScratchDir;
using test::TourPointSpec;

constexpr uint32_t kRed = 0x0000FF;  // colour 0 of a new tour
constexpr int32_t kCell = tourfile::kCellSize;
constexpr int32_t kB = 3 * kCell;                  // a cell boundary in longitude
constexpr int32_t kC = 4 * kCell;                  // the next one
constexpr int32_t kD = 5 * kCell;                  // and the one after
constexpr int32_t kLat = 2 * kCell + 50000;        // inside one cell row

// West to east across four cells (one block each): points every 20 000
// units. The last block stays open (its length is written by the next one),
// so a walk always reads it.
std::vector<TourPointSpec> AcrossFourCells() {
    std::vector<TourPointSpec> pts;
    for (int32_t lon = kB - 90000; lon < kB; lon += 20000) pts.push_back({lon, kLat});
    for (int32_t lon = kB + 10000; lon < kC; lon += 20000) pts.push_back({lon, kLat});
    for (int32_t lon = kC + 10000; lon < kD; lon += 20000) pts.push_back({lon, kLat});
    for (int32_t lon = kD + 10000; lon < kD + 60000; lon += 20000) pts.push_back({lon, kLat});
    return pts;
}

// Paints the tour on a 400 x 200 background view (100 units a pixel).
platform::Bitmap Paint(Tour& tour, GeoPoint centre, TourPaintStats* stats = nullptr, TourDrawOptions options = {}) {
    platform::Bitmap bmp(400, 200, 0xFFFFFFFF);
    ViewProjection p(centre, 27900, 400, 200, nullptr);
    {
        platform::Canvas canvas(bmp);
        TourPainter painter(canvas, p, options, nullptr);
        EXPECT_TRUE(painter.paint(tour));
        if (stats) *stats = painter.stats();
    }
    return bmp;
}

TEST(TourPainterTest, BlockRuleTable) {
    EXPECT_EQ(TourPainter::BlockDecision(false, false), TourWalker::kSkipBlock);
    EXPECT_EQ(TourPainter::BlockDecision(false, true), TourWalker::kBackToSkipped);
    EXPECT_EQ(TourPainter::BlockDecision(true, false), TourWalker::kEnterBlock);
    EXPECT_EQ(TourPainter::BlockDecision(true, true), TourWalker::kEnterBlock);
}

TEST(TourPainterTest, TheLineEnteringTheViewComesFromTheSkippedBlock) {
    ScratchDir dir;
    auto tour = MakeTour(dir, "across", AcrossFourCells());
    ASSERT_TRUE(tour);
    // Blocks are whole cells. West edge at B + 6000: with the margin of 52 px
    // the view still misses the first cell, but the line from its last point
    // (B - 10 000) to the next (B + 10 000) crosses the edge.
    TourPaintStats stats;
    const platform::Bitmap bmp = Paint(*tour, {kB + 26000, kLat}, &stats);
    EXPECT_GE(stats.blocksSkipped, 1u);
    EXPECT_EQ(CountPixels(bmp, kRed, {0, 98, 3, 103}), 3 * 3) << "line at the west edge";
    EXPECT_GT(CountPixels(bmp, kRed, {0, 0, 400, 200}), 3 * 390);
}

TEST(TourPainterTest, TheLineLeavingTheViewIsDrawnFromTheNextBlock) {
    ScratchDir dir;
    auto tour = MakeTour(dir, "across", AcrossFourCells());
    ASSERT_TRUE(tour);
    // East edge at C - 5800: the margin stops short of the next cell, whose
    // first point (C + 10 000) is joined to the last one before it (C - 6356).
    TourPaintStats stats;
    const platform::Bitmap bmp = Paint(*tour, {kC - 25800, kLat}, &stats);
    EXPECT_GE(stats.blocksSkipped, 1u);
    EXPECT_EQ(CountPixels(bmp, kRed, {397, 98, 400, 103}), 3 * 3) << "line at the east edge";
}

TEST(TourPainterTest, BlocksFarAwayAreNotRead) {
    ScratchDir dir;
    auto tour = MakeTour(dir, "across", AcrossFourCells());
    ASSERT_TRUE(tour);
    TourPaintStats stats;
    const platform::Bitmap bmp = Paint(*tour, {kB + 26000, kLat + 3 * kCell}, &stats);
    EXPECT_EQ(stats.blocksRead, 0u);
    EXPECT_EQ(stats.points, 3u);  // the open last block only
    EXPECT_EQ(CountPixels(bmp, kRed), 0);
}

TEST(TourPainterTest, SegmentsBreakTheLineAndWaypointsStandApart) {
    ScratchDir dir;
    const int32_t lon0 = kB + 1000, lat0 = kLat;  // screen x = (lon - (lon0 + 20000)) / 100 + 200
    auto tour = MakeTour(dir, "parts",
                         {{lon0 + 2000, lat0},                                   // x = 20
                          {lon0 + 8000, lat0},                                   // x = 80
                          {lon0 + 14000, lat0, tourfile::kSegmentStartBit},      // x = 140: new segment
                          {lon0 + 20000, lat0 + 5000, tourfile::kWaypointBit},   // x = 200, 50 px up: apart
                          {lon0 + 26000, lat0}});                                // x = 260
    ASSERT_TRUE(tour);
    TourPaintStats stats;
    const platform::Bitmap bmp = Paint(*tour, {lon0 + 20000, lat0}, &stats);
    EXPECT_EQ(stats.points, 5u);
    EXPECT_EQ(CountPixels(bmp, kRed, {40, 100, 60, 101}), 20);   // first segment
    EXPECT_EQ(CountPixels(bmp, kRed, {100, 95, 120, 105}), 0);   // gap between the segments
    EXPECT_EQ(CountPixels(bmp, kRed, {180, 100, 220, 101}), 40); // second one runs under the waypoint
    EXPECT_EQ(CountPixels(bmp, kRed, {195, 40, 205, 60}), 0);    // nothing joins the waypoint
    EXPECT_GT(CountPixels(bmp, TourPainter::kWaypointColour, {190, 40, 210, 60}), 0);
}

TEST(TourPainterTest, DirectionArrowsAndTimeLabels) {
    ScratchDir dir;
    std::vector<TourPointSpec> pts;
    for (int i = 0; i <= 60; ++i) pts.push_back({kB + 1000 + i * 1000, kLat});  // 10 px steps over 600 px
    auto tour = MakeTour(dir, "arrows", pts);
    ASSERT_TRUE(tour);
    TourDrawOptions options;
    options.arrows = true;
    TourPaintStats stats;
    Paint(*tour, {kB + 21000, kLat}, &stats, options);
    EXPECT_EQ(stats.arrows, 1u);  // one every 400 px (the view's larger side), once within the view
    EXPECT_EQ(TourPainter::TimeMarkLabel(TourTimeFromCalendar({2024, 6, 15, 9, 5, 7}), true, true), "9:05 15/6/2024");
    EXPECT_EQ(TourPainter::TimeMarkLabel(TourTimeFromCalendar({2024, 6, 15, 9, 5, 7}), true, false), "9:05");
    EXPECT_EQ(TourPainter::TimeMarkLabel(TourTimeFromCalendar({2024, 6, 15, 9, 5, 7}), false, true), "15/6/2024");
    EXPECT_EQ(TourPainter::TimeMarkLabel(TourTimeFromCalendar({2024, 6, 15, 9, 5, 7}), false, false), "");
    EXPECT_EQ(TourPainter::TimeStampLabel(TourTimeFromCalendar({2024, 6, 15, 9, 5, 7}), true, true), "9:05:07 15/6/2024");
}

TEST(TourPainterTest, LinesWidenWhenZoomedIn) {
    const struct {
        int32_t scale;
        int s;
        int width;
    } cases[] = {{25000, 1, 3}, {5001, 1, 3}, {5000, 1, 3}, {4000, 1, 3}, {3000, 1, 5},
                 {2500, 1, 6},  {1000, 1, 6}, {100, 1, 6},  {25000, 2, 6}, {2500, 2, 12}};
    for (const auto& c : cases) EXPECT_EQ(TourPainter::LineWidth(c.scale, c.s), c.width) << c.scale;
}

}  // namespace
}  // namespace trek
