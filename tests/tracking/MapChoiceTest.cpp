// The automatic map choice: free and follow mode with the 25 % rule, the pin,
// and locked mode with its coverage.
#include <gtest/gtest.h>

#include "tests/tracking/TrackingFixtures.h"
#include "ui/views/MapChoice.h"
#include "ui/views/ViewGeometry.h"

namespace trek {
namespace {

using test::MakeMap;
using test::ScratchDir;

const GeoPoint kSouthWest{DegreesToGeo(11.5), DegreesToGeo(48.1)};

class MapChoiceTest : public ::testing::Test {
protected:
    // A 1000 x 1000 map at 100 units a pixel: own scale 27 900.
    MapDescription* AddMap(const std::string& name, int32_t unitsPerPixel, GeoPoint sw = kSouthWest, int size = 1000) {
        auto map = MakeMap(dir, name, size, size, sw, unitsPerPixel);
        EXPECT_TRUE(map);
        return catalogue.Add(std::move(map));
    }
    MapChoiceInput Input(GeoPoint centre, int32_t scale, ViewMode mode, MapDescription* current = nullptr) {
        MapChoiceInput in;
        in.candidates = catalogue.list(kMapTypeRaster).head;
        in.current = current;
        in.mode = mode;
        in.reference = centre;
        in.centre = centre;
        in.width = 400;
        in.height = 400;
        in.scale = scale;
        return in;
    }
    GeoPoint Inside(int px, int py, int32_t unitsPerPixel = 100) {
        const double cosLat = std::cos(GeoToRadians(kSouthWest.lat + 1000 * unitsPerPixel / 2));
        return {kSouthWest.lon + static_cast<int32_t>(px * unitsPerPixel / cosLat), kSouthWest.lat + py * unitsPerPixel};
    }
    ScratchDir dir;
    MapCatalogue catalogue;
};

TEST_F(MapChoiceTest, OwnScaleAndAcceptedRangeComeFromTheCalibration) {
    MapDescription* map = AddMap("m", 100);
    EXPECT_EQ(MapOwnScale(*map), 27900);
    const ScaleRange r = MapScaleRange(*map);
    EXPECT_EQ(r.least, 27900 / 4 + 1);
    EXPECT_EQ(r.greatest, 27900 * 8);
    EXPECT_TRUE(MapContains(*map, Inside(500, 500)));
    EXPECT_FALSE(MapContains(*map, Inside(1100, 500)));
    // 400 px at the own scale need 400 image pixels; at 4 x the scale 1600 do not fit.
    EXPECT_TRUE(MapCoversView(*map, Inside(500, 500), 400, 400, 27900));
    EXPECT_FALSE(MapCoversView(*map, Inside(500, 500), 400, 400, 4 * 27900));
    EXPECT_FALSE(MapCoversView(*map, Inside(100, 500), 400, 400, 27900));
}

TEST_F(MapChoiceTest, FreeModeTakesAMapWithinAQuarterOfItsNearestLimit) {
    MapDescription* map = AddMap("m", 100);
    const GeoPoint c = Inside(500, 500);
    struct Case {
        int32_t scale;
        ViewMode mode;
        bool chosen;
        std::optional<int32_t> newScale;
    } cases[] = {
        {27900, ViewMode::Free, true, std::nullopt},       // accepted as it is
        {223200, ViewMode::Free, true, std::nullopt},      // 8 S, the greatest
        {270000, ViewMode::Free, true, 223200},            // 17 % away: with the limit
        {300000, ViewMode::Free, false, std::nullopt},     // 25.6 % away: not in free mode
        {300000, ViewMode::Follow, true, 223200},          // following always takes it
        {6000, ViewMode::Free, true, 6976},                // least 6976 lies 16 % away
        {5000, ViewMode::Free, false, std::nullopt},       // 40 % away
        {5000, ViewMode::Follow, true, 6976},
    };
    for (const Case& k : cases) {
        int32_t previous = k.scale;
        const MapChoice choice = ChooseMap(Input(c, k.scale, k.mode), previous);
        EXPECT_EQ(choice.map == map, k.chosen) << k.scale;
        EXPECT_EQ(choice.scale, k.newScale) << k.scale;
        EXPECT_EQ(previous, k.scale);
    }
    // An offline-flagged map is taken even then.
    map->flags |= kMapFlagOffline;
    int32_t previous = 300000;
    const MapChoice choice = ChooseMap(Input(c, 300000, ViewMode::Free), previous);
    EXPECT_EQ(choice.map, map);
    EXPECT_EQ(choice.scale, 223200);
}

TEST_F(MapChoiceTest, TheNearerScaleWinsAndTheCurrentMapStaysWhileItServes) {
    MapDescription* coarse = AddMap("coarse", 400, {kSouthWest.lon - DegreesToGeo(0.2), kSouthWest.lat - DegreesToGeo(0.2)});
    MapDescription* fine = AddMap("fine", 100);
    const GeoPoint c = Inside(500, 500);
    int32_t previous = 30000;
    EXPECT_EQ(ChooseMap(Input(c, 30000, ViewMode::Free), previous).map, fine);
    // The current map that accepts the scale and holds the point stays.
    previous = 30000;
    EXPECT_EQ(ChooseMap(Input(c, 30000, ViewMode::Free, coarse), previous).map, nullptr);
    // Pinned: nothing changes even where the map does not reach.
    MapChoiceInput in = Input(Inside(5000, 5000), 30000, ViewMode::Follow, fine);
    in.pinned = true;
    in.pinnedMap = fine;
    previous = 30000;
    EXPECT_EQ(ChooseMap(in, previous).map, nullptr);
    // Hidden and unloaded maps are never candidates.
    fine->visible = false;
    previous = 30000;
    EXPECT_EQ(ChooseMap(Input(c, 30000, ViewMode::Free), previous).map, coarse);
}

TEST_F(MapChoiceTest, LockedModeTakesTheMostDetailedMapWithItsCoverage) {
    MapDescription* coarse = AddMap("coarse", 400, {kSouthWest.lon - DegreesToGeo(0.2), kSouthWest.lat - DegreesToGeo(0.2)});
    MapDescription* fine = AddMap("fine", 100);
    const GeoPoint c = Inside(500, 500);
    // 1000 px: a 400 px view fits at 1 and 2 times the own scale (800 px), not at 4.
    EXPECT_EQ(LockedCoverage(*fine, c, 400, 400), 2 * 27900);
    const MapChoice choice = GetNewRastermapLocked(Input(c, 500000, ViewMode::Locked));
    EXPECT_EQ(choice.map, fine);
    EXPECT_EQ(choice.scale, 2 * 27900);
    // Background maps never take part.
    fine->background = true;
    EXPECT_EQ(GetNewRastermapLocked(Input(c, 500000, ViewMode::Locked)).map, coarse);
    // A position outside every map, with no coverage: nothing.
    EXPECT_EQ(GetNewRastermapLocked(Input({0, 0}, 500000, ViewMode::Locked)).map, nullptr);
}

}  // namespace
}  // namespace trek
