// Tile addressing, quadkeys, URL templates, the built-in sources, offline
// folders and the stored configuration of a source.
#include <gtest/gtest.h>

#include <cmath>

#include "maps/calibration/DescriptionFile.h"
#include "maps/calibration/OsmCalibration.h"
#include "maps/tiles/ServerMap.h"
#include "maps/tiles/SourceConfig.h"
#include "maps/tiles/TileAddress.h"
#include "maps/tiles/TileSource.h"

namespace trek {
namespace {

int32_t Deg(double d) { return DegreesToGeo(d); }

TEST(TileAddress, EdgesOfTheSquareWorld) {
    for (int z = 0; z <= kTileMaxZoom; ++z) {
        SCOPED_TRACE(z);
        EXPECT_EQ(LatLonToTile(Deg(-180), Deg(0), z).x, 0);
        EXPECT_EQ(LatLonToTile(Deg(0), Deg(85.0511), z).y, 0);
        EXPECT_EQ(LatLonToTile(Deg(0), Deg(89.0), z).y, 0);  // beyond the limit: negative, clamped
        const int32_t n = 1 << z;
        // Just inside the south-east corner is the last tile; no upper clamp beyond it.
        EXPECT_EQ(LatLonToTile(Deg(179.99999), Deg(-85.0511), z), (TileAddress{z, n - 1, n - 1}));
        EXPECT_GE(LatLonToTile(Deg(0), Deg(-89.0), z).y, n);
    }
}

TEST(TileAddress, PositionsFallInsideTheirTileBounds) {
    const std::pair<double, double> places[] = {{11.5755, 48.1372}, {-73.9857, 40.7484}, {151.2153, -33.8568},
                                                {-0.0005, 51.4779}, {0.0, 0.0}};
    for (auto [lon, lat] : places) {
        for (int z : {0, 1, 7, 13, 18}) {
            const TileAddress t = LatLonToTile(Deg(lon), Deg(lat), z);
            const TileEdges e = TileBounds(t.x, t.y, t.z);
            EXPECT_LE(e.west, Deg(lon));
            EXPECT_GT(e.east, Deg(lon));
            EXPECT_GE(e.north, Deg(lat));
            EXPECT_LT(e.south, Deg(lat));
        }
    }
    // A known tile: Munich's Marienplatz at zoom 13.
    EXPECT_EQ(LatLonToTile(Deg(11.5755), Deg(48.1372), 13), (TileAddress{13, 4359, 2842}));
}

TEST(TileAddress, BoundsAndAddressesAgreeAtHighZoom) {
    // The north-west corner of a tile, nudged a little inside, addresses that tile.
    for (auto [x, y] : {std::pair{1, 1}, {100000, 90000}, {140000, 170000}, {262000, 262000}}) {
        const TileEdges e = TileBounds(x, y, 18);
        EXPECT_EQ(LatLonToTile(e.west + 20, e.north - 20, 18), (TileAddress{18, x, y}));
        EXPECT_EQ(LatLonToTile(e.east - 20, e.south + 20, 18), (TileAddress{18, x, y}));
    }
}

TEST(TileAddress, BoundsOfTheWholeWorldAndNeighbours) {
    const TileEdges world = TileBounds(0, 0, 0);
    EXPECT_EQ(world.west, -314159265);
    EXPECT_EQ(world.east, 314159265);
    EXPECT_NEAR(GeoToDegrees(world.north), 85.0511287798, 1e-6);
    EXPECT_NEAR(GeoToDegrees(world.south), -85.0511287798, 1e-6);
    const TileEdges a = TileBounds(4359, 2842, 13), right = TileBounds(4360, 2842, 13), below = TileBounds(4359, 2843, 13);
    EXPECT_EQ(a.east, right.west);
    EXPECT_EQ(a.south, below.north);
    // The equator and the prime meridian are tile edges from zoom 1 on.
    EXPECT_EQ(TileBounds(1, 1, 1).north, 0);
    EXPECT_EQ(TileBounds(1, 1, 1).west, 0);
}

TEST(TileAddress, QuadkeysAndZoomFromScale) {
    EXPECT_EQ(Quadkey({2, 1, 2}), "21");
    EXPECT_EQ(Quadkey({0, 0, 0}), "");
    EXPECT_EQ(Quadkey({3, 7, 7}), "333");
    EXPECT_EQ(Quadkey({13, 4359, 2842}), "1202300022131");

    const std::pair<double, int> scales[] = {{25000, 14}, {100, 18}, {500000000, 0}, {442368000, 0}, {221184000, 1},
                                             {1000000, 8}, {0, 18}};
    for (auto [scale, z] : scales) EXPECT_EQ(ZoomFromScale(scale), z) << scale;
}

TEST(TileSource, BuiltInTable) {
    const auto sources = TileSources();
    int atStart = 0;
    for (const auto& s : sources) atStart += s.createdAtStart;
    EXPECT_EQ(atStart, 14);
    EXPECT_STREQ(sources[0].name, "GoogleMaps (Marking)");
    EXPECT_STREQ(sources[13].name, "Outdoor Südtirol");
    EXPECT_EQ(BuiltInTemplate("OpenStreetMap (online)"), "https://tile.openstreetmap.org/%d/%d/%d.png");
    EXPECT_EQ(BuiltInTemplate("OpenSeaMap (online)"), "https://tiles.openseamap.org/seamark/%d/%d/%d.png");
    EXPECT_EQ(BuiltInTemplate("OpenPisteMap (online)"), "/tiles/contours/%d/%d/%d.png");
    EXPECT_EQ(BuiltInTemplate("No Such Source"), BuiltInTemplate("OpenStreetMap (online)"));
    // Sources that need a key or a contract have no host until one is configured.
    for (const char* name : {"GoogleMaps (Road)", "VirtualEarth (Aerial)", "OpenCycleMap (online)", "Outdoor Germany"}) {
        auto map = CreateTileSource(*FindTileSource(name));
        EXPECT_FALSE(map->hasServer()) << name;
        EXPECT_FALSE(TileUrl(*map, {1, 0, 0})) << name;
    }
}

TEST(TileSource, TemplatesAreFilledSafely) {
    const TileAddress t{2, 1, 2};
    EXPECT_EQ(ExpandTileTemplate("https://h/%d/%d/%d.png", t, false), "https://h/2/1/2.png");
    EXPECT_EQ(ExpandTileTemplate("/vt/lyrs=m@113&hl=en&z=%d&x=%d&y=%d", t, false), "/vt/lyrs=m@113&hl=en&z=2&x=1&y=2");
    EXPECT_EQ(ExpandTileTemplate("/tiles/r", t, true), "/tiles/r21.png?g=1");
    EXPECT_EQ(ExpandTileTemplate("https://h/tiles/a%s.jpeg?g=9", t, true), "https://h/tiles/a21.jpeg?g=9");
    EXPECT_EQ(ExpandTileTemplate("/100%%/%d", t, false), "/100%/2");
    for (const char* bad : {"/%n/%d", "/%d/%d/%d/%d", "/%s%", "/%x", "/%5d"})
        EXPECT_FALSE(ExpandTileTemplate(bad, t, false)) << bad;
}

TEST(TileSource, SplitHostAndRequestPaths) {
    EXPECT_EQ(SplitHost("http://tile.example.org/a/%d/%d/%d.png"), "tile.example.org");
    EXPECT_EQ(SplitHost("https://h:8080"), "h:8080");
    EXPECT_EQ(SplitHost("/no/host"), "");
    EXPECT_EQ(SplitUrl("http://h/x/y")->path, "/x/y");
    EXPECT_EQ(SplitUrl("http://h")->path, "/");
    EXPECT_FALSE(SplitUrl("http:///x"));

    auto osm = CreateTileSource(*FindTileSource("OpenStreetMap (online)"));
    EXPECT_EQ(TilePath(*osm, 13, 4359, 2842), "/13/4359/2842.png");
    EXPECT_EQ(TileUrl(*osm, {13, 4359, 2842}), "https://tile.openstreetmap.org/13/4359/2842.png");
    auto ve = CreateTileSource(*FindTileSource("VirtualEarth (Road)"));
    EXPECT_TRUE(ve->quadkey);
    EXPECT_EQ(TilePath(*ve, 2, 1, 2), "/tiles/r21.png?g=1");
}

TEST(ServerMap, EntriesOfTileMaps) {
    ResetServerMapSerials();
    auto a = CreateTileSource(*FindTileSource("OpenSeaMap (online)"));
    auto b = CreateTileSource(*FindTileSource("OpenStreetMap (online)"));
    EXPECT_EQ(a->ownScale, 25000);
    EXPECT_EQ(b->ownScale, 25001);
    EXPECT_TRUE(a->overlay);
    EXPECT_FALSE(b->overlay);
    EXPECT_EQ(a->flags, 16);
    EXPECT_EQ(a->zoom, 13);
    auto* osm = dynamic_cast<OsmCalibration*>(&a->calibration());
    ASSERT_NE(osm, nullptr);
    EXPECT_EQ(osm->dx(), 4.77);
    EXPECT_EQ(osm->dy(), -4.77);
    EXPECT_EQ(osm->referencePoints().size(), 2u);
    std::string error;
    EXPECT_FALSE(WriteDescriptionFile(*a, 'E', &error));  // tile maps have no description file
}

TEST(ServerMap, OfflineFolders) {
    struct Case {
        const char* folder;
        const char* name;
        bool overlay;
    } cases[] = {
        {"OSM", "OpenStreetMap (offline)", false},
        {"OSMTopo", "Topo (offline)", false},
        {"OSMOvlyHiking", "Hiking (offline)", true},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(IsOfflineTileFolder(c.folder));
        auto map = CreateOfflineMap(std::string("/card/maps/") + c.folder + "/");
        EXPECT_EQ(map->name, c.name);
        EXPECT_EQ(map->overlay, c.overlay);
        EXPECT_EQ(map->flags, 17);
        EXPECT_FALSE(map->online);
        EXPECT_EQ(map->url, std::string("file:/card/maps/") + c.folder);
        EXPECT_EQ(TilePath(*map, 12, 2180, 1420), std::string("/card/maps/") + c.folder + "/12/2180/1420.png");
        EXPECT_FALSE(TileUrl(*map, {12, 2180, 1420}));
    }
    EXPECT_FALSE(IsOfflineTileFolder("Maps"));
    EXPECT_FALSE(IsOfflineTileFolder("osm"));
}

TEST(SourceConfig, MissingKeyWritesTheDefaults) {
    MemorySourceConfigStore store;
    SharedTileRegion() = {};
    auto map = CreateTileSource(*FindTileSource("OpenStreetMap (online)"));
    map->url = "garbage";
    EXPECT_FALSE(LoadSourceConfig(*map, store));
    EXPECT_EQ(map->url, "https://tile.openstreetmap.org/%d/%d/%d.png");
    const std::string key = "SOFTWARE\\Ostrafen\\Trekvane\\Map_\\OpenStreetMap (online)";
    EXPECT_EQ(SourceConfigKey(map->name), key);
    EXPECT_EQ(store.GetString(key, "URL"), map->url);
    EXPECT_EQ(store.GetString(key, "Area"), "(0,14544,0,14544)");
    EXPECT_EQ(store.GetDword(key, "Zoom"), 13u);
    EXPECT_EQ(store.GetDword(key, "Cfg"), 1u);
    EXPECT_EQ(store.GetDword(key, "Visible"), 0u);
    EXPECT_EQ(store.GetDword(key, "p"), 0u);
}

TEST(SourceConfig, StoredValuesAreReadBack) {
    MemorySourceConfigStore store;
    const std::string key = SourceConfigKey("GoogleMaps (Road)");
    store.SetString(key, "URL", "https://maps.example.com/vt?z=%d&x=%d&y=%d");
    store.SetString(key, "Area", "(1,2,3,4)");
    store.SetDword(key, "Zoom", 9);
    store.SetDword(key, "ZoomF", 5);
    store.SetDword(key, "ZoomT", 15);
    store.SetDword(key, "Visible", 1);
    store.SetDword(key, "bkgrnd", 1);
    store.SetDword(key, "cache", 2);
    auto map = CreateTileSource(*FindTileSource("GoogleMaps (Road)"));
    ASSERT_TRUE(LoadSourceConfig(*map, store));
    EXPECT_EQ(map->url, "https://maps.example.com/vt?z=%d&x=%d&y=%d");
    EXPECT_TRUE(map->hasServer());
    EXPECT_EQ(TileUrl(*map, {9, 1, 2}), "https://maps.example.com/vt?z=9&x=1&y=2");
    EXPECT_EQ(map->sourceFlag, 1u);  // missing: kept
    EXPECT_TRUE(map->background);
    EXPECT_EQ(map->cacheMode, 2u);
    EXPECT_TRUE(map->visible);
    EXPECT_EQ(map->zoom, 9);
    const TileRegionSettings& region = SharedTileRegion();
    EXPECT_EQ(region.area[0], 1);
    EXPECT_EQ(region.area[3], 4);
    EXPECT_EQ(region.zoomFrom, 5);
    EXPECT_EQ(region.zoomTo, 15);

    // A URL without "%" leaves the built-in template in force.
    store.SetString(key, "URL", "https://maps.example.com/static.png");
    ASSERT_TRUE(LoadSourceConfig(*map, store));
    EXPECT_EQ(map->url, BuiltInTemplate("GoogleMaps (Road)"));

    // Saving and loading into a fresh entry gives the same configuration.
    map->url = "https://x.example/%d/%d/%d";
    map->cacheMode = 7;
    MemorySourceConfigStore other;
    ASSERT_TRUE(SaveSourceConfig(*map, other));
    auto again = CreateTileSource(*FindTileSource("GoogleMaps (Road)"));
    ASSERT_TRUE(LoadSourceConfig(*again, other));
    EXPECT_EQ(again->url, map->url);
    EXPECT_EQ(again->cacheMode, 7u);
    EXPECT_EQ(again->visible, map->visible);
}

}  // namespace
}  // namespace trek
