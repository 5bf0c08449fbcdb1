// The tracking view's state machine: following, zoom limits, modes, scrolling,
// selecting a map, and the GPS arrow sprite.
#include <gtest/gtest.h>

#include "tests/tracking/TrackingFixtures.h"

namespace trek {
namespace {

using test::ViewFixture;

// 400 x 400 on the background at 1:27 900: 100 units a pixel, centre at (200, 200).
const GeoPoint kCentre{DegreesToGeo(11.5), DegreesToGeo(48.1)};

class FollowTest : public ::testing::Test {
protected:
    void SetUp() override {
        f.view->setScale(27900);
        f.view->setCentre(kCentre);
        f.view->setMode(ViewMode::Follow);
    }
    GeoPoint AtPixel(int x, int y) const { return {kCentre.lon + (x - 200) * 100, kCentre.lat - (y - 200) * 100}; }
    ViewFixture f;
};

TEST_F(FollowTest, MiddleHalfIncludesTheQuarterLineButNotThreeQuarters) {
    struct Case {
        int x, y;
        GeoPoint centre;  // after the position message
    } cases[] = {
        {100, 200, kCentre},                                            // x = w/4: inside
        {299, 299, kCentre},                                            // just inside
        {200, 100, kCentre},                                            // y = h/4: inside
        {300, 200, {kCentre.lon + 15000, kCentre.lat}},                 // x = 3w/4: ahead by 1.5x
        {200, 300, {kCentre.lon, kCentre.lat - 15000}},                 // y = 3h/4
        {20, 380, {kCentre.lon - 27000, kCentre.lat - 27000}},          // corner, still in view
        {500, 200, {kCentre.lon + 30000, kCentre.lat}},                 // outside: centred on it
        {-1, 200, {kCentre.lon - 20100, kCentre.lat}},
    };
    for (const Case& c : cases) {
        f.view->setCentre(kCentre);
        f.view->updatePosition(AtPixel(c.x, c.y));
        EXPECT_EQ(f.view->centre(), c.centre) << c.x << "," << c.y;
    }
}

TEST_F(FollowTest, InsideTheMiddleOnlyTheArrowMoves) {
    f.view->render(true);
    const int renders = f.view->renderCount();
    f.view->updatePosition(AtPixel(200, 200), 0);
    f.view->render();
    f.view->updatePosition(AtPixel(230, 200), 1571);  // east
    f.view->render();
    EXPECT_EQ(f.view->renderCount(), renders);  // no full redraw: the arrow is a sprite
    EXPECT_GE(f.view->spriteMoves(), 1);
    const platform::Bitmap& bmp = f.view->bitmap();
    // The arrow is at the new position; a line joins the old one to it.
    EXPECT_EQ(bmp.pixel(232, 200) & 0xFFFFFF, platform::ColorRefToPixel(0x0000FF) & 0xFFFFFF);
    EXPECT_EQ(bmp.pixel(205, 200) & 0xFFFFFF, platform::ColorRefToPixel(TrackingView::kTrailColour) & 0xFFFFFF);
    // Where the arrow was first, nothing of it is left above the line.
    EXPECT_EQ(bmp.pixel(200, 190) & 0xFFFFFF, platform::ColorRefToPixel(TrackingView::kBackground) & 0xFFFFFF);
    // Leaving the middle redraws everything.
    f.view->updatePosition(AtPixel(390, 200));
    EXPECT_TRUE(f.view->dirty());
}

TEST_F(FollowTest, ZoomStopsAtTheEndsAndLeavesLockedMode) {
    f.view->setMode(ViewMode::Locked);
    EXPECT_TRUE(f.view->zoom(+1));
    EXPECT_EQ(f.view->mode(), ViewMode::Follow);
    while (f.view->zoom(+1)) {
    }
    EXPECT_EQ(f.view->scale(), 500000000);
    EXPECT_FALSE(f.view->zoom(+1));
    EXPECT_EQ(f.view->scale(), 500000000);
    while (f.view->zoom(-1)) {
    }
    EXPECT_EQ(f.view->scale(), 1000);
    EXPECT_FALSE(f.view->zoom(-1));
    EXPECT_EQ(f.view->scale(), 1000);
}

TEST_F(FollowTest, ScrollingSwitchesToFreeModeAndPans) {
    f.view->scroll(1, 0);
    EXPECT_EQ(f.view->mode(), ViewMode::Free);
    const int32_t step = 400 * 27900 / 279 * 10000 / CosineOfLatitude(kCentre.lat);
    EXPECT_EQ(f.view->centre(), (GeoPoint{kCentre.lon + step, kCentre.lat}));
    f.view->setCentre(kCentre);
    f.view->scroll(10, -20);  // 30 px east, 60 px north
    EXPECT_EQ(f.view->centre(), (GeoPoint{kCentre.lon + 3000, kCentre.lat + 6000}));
    // In free mode positions only move the arrow.
    f.view->updatePosition(AtPixel(390, 390));
    EXPECT_EQ(f.view->centre(), (GeoPoint{kCentre.lon + 3000, kCentre.lat + 6000}));
}

TEST_F(FollowTest, SelectingAMapTakesItsScaleAndStepsAndTheFollowPicksMaps) {
    test::ScratchDir dir;
    auto owned = test::MakeMap(dir, "m", 1000, 1000, {kCentre.lon - 60000, kCentre.lat - 50000}, 100);
    ASSERT_TRUE(owned);
    MapDescription* map = f.catalogue.Add(std::move(owned));
    f.view->selectMap(map);
    EXPECT_EQ(f.view->currentMap(), map);
    EXPECT_EQ(f.view->scale(), 27900);
    EXPECT_EQ(f.view->scales().current(), 27900);
    f.view->selectMap(map, 13951);
    EXPECT_EQ(f.view->scale(), 13951);
    f.view->selectMap(nullptr, std::nullopt, true);
    EXPECT_EQ(f.view->currentMap(), nullptr);
    EXPECT_EQ(f.view->scales().size(), ScaleList().size());
    // Following: a position on the map brings the map.
    f.view->setScale(25000);
    f.view->setCentre(kCentre);
    f.view->setMode(ViewMode::Follow);
    f.view->updatePosition(kCentre);
    EXPECT_EQ(f.view->currentMap(), map);
    EXPECT_EQ(f.view->selectedMap(), "m");
    // The map is drawn: the view is the map's fill colour.
    const platform::Bitmap& bmp = f.view->render(true);
    EXPECT_EQ(bmp.pixel(10, 10), 0xFFC8E0C8u);
    // Pinned, the map stays even when the position leaves it.
    f.view->setPinned(true);
    f.view->updatePosition({kCentre.lon + 3000000, kCentre.lat});
    EXPECT_EQ(f.view->currentMap(), map);
}

}  // namespace
}  // namespace trek
