// The catalogue: list order, lookups, folder scans for maps and tours, rebuild
// and map loading.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "maps/calibration/DescriptionFile.h"
#include "maps/catalogue/CatalogueEntries.h"
#include "maps/catalogue/MapCatalogue.h"
#include "maps/catalogue/MapLoading.h"
#include "maps/image/ImageMessages.h"
#include "maps/image/TiledMap.h"
#include "platform/core/Bitmap.h"

namespace trek {
namespace {

namespace fs = std::filesystem;

std::string Fresh(const std::string& name) {
    std::string d = fs::temp_directory_path().string() + "/trek_cat_" + std::to_string(getpid()) + "_" + name;
    fs::remove_all(d);
    fs::create_directories(d);
    return d;
}

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

void WritePng(const std::string& path, int w, int h) { ASSERT_TRUE(platform::Bitmap(w, h, 0xFF336699).writePng(path)); }

std::string Description(const std::string& name, const std::string& image) {
    return "TYPE:      RASTERMAP\r\nNAME:      " + name + "\r\nDATE:      2024/01/02\r\nVISIBLE:    YES\r\n"
           "REFERENCE_POINT: (0,0) ==> (8.0000000E,47.0000000N)\r\n"
           "REFERENCE_POINT: (99,79) ==> (8.0100000E,47.0100000N)\r\nPROJECTION:\t    WGS84\r\nFILENAME:  " +
           image + "\r\n";
}

std::unique_ptr<MapDescription> Entry(const std::string& name, uint8_t type = kMapTypeRaster) {
    auto e = std::make_unique<MapDescription>();
    e->type = type;
    e->SetName(name);
    return e;
}

std::vector<std::string> Names(const MapCatalogue& c, uint8_t type) {
    std::vector<std::string> names;
    for (const MapDescription* e = c.list(type).head; e; e = e->next) names.push_back(e->name);
    // The backward links tell the same story.
    std::vector<std::string> back;
    for (const MapDescription* e = c.list(type).tail; e; e = e->prev) back.insert(back.begin(), e->name);
    EXPECT_EQ(names, back);
    EXPECT_EQ(static_cast<int>(names.size()), c.list(type).count);
    return names;
}

TEST(MapCatalogue, AppendsSortsRemovesAndFinds) {
    MapCatalogue c;
    c.Add(Entry("delta"));
    c.Add(Entry("Alpha"), true);
    c.Add(Entry("charlie"), true);
    c.Add(Entry("zulu"), true);
    c.Add(Entry("bravo"));  // appended, not sorted
    c.Add(Entry("tour", kMapTypeTour));
    EXPECT_EQ(Names(c, kMapTypeRaster), (std::vector<std::string>{"Alpha", "charlie", "delta", "zulu", "bravo"}));
    EXPECT_EQ(Names(c, kMapTypeTour), (std::vector<std::string>{"tour"}));
    ASSERT_TRUE(c.Find(kMapTypeRaster, "ALPHA"));
    EXPECT_FALSE(c.Find(kMapTypeTour, "alpha"));
    c.Remove(c.Find(kMapTypeRaster, "alpha"));
    c.Remove(c.Find(kMapTypeRaster, "bravo"));
    EXPECT_EQ(Names(c, kMapTypeRaster), (std::vector<std::string>{"charlie", "delta", "zulu"}));
}

TEST(MapCatalogue, OfflineFolderNames) {
    struct Case {
        const char* folder;
        const char* name;
        bool overlay;
    };
    for (Case k : {Case{"OSM", "OpenStreetMap (offline)", false}, Case{"OSMTopo", "Topo (offline)", false},
                   Case{"OSMOvlyHiking", "Hiking (offline)", true}}) {
        bool overlay = false;
        EXPECT_EQ(OfflineFolderDisplayName(k.folder, &overlay), k.name);
        EXPECT_EQ(overlay, k.overlay);
    }
}

struct RecordingProgress : ScanProgress {
    std::vector<std::string> events;
    void Begin(const std::string& t) override { events.push_back("begin " + t); }
    void Folder(const std::string& t) override { events.push_back(t); }
    void Advance(int n) override { events.push_back("+" + std::to_string(n)); }
    void End() override { events.push_back("end"); }
};

TEST(MapCatalogue, ScansAFolderTreeAsTheProgramDoes) {
    std::string root = Fresh("scan");
    fs::create_directories(root + "/sub/Cache");
    fs::create_directories(root + "/OSMOvlyRides");
    fs::create_directories(root + "/cachedTours");
    WritePng(root + "/sub/a.png", 100, 80);
    WriteText(root + "/sub/a.CAL", Description("Map A", "a.png"));
    // Inside "Cache": never scanned, neither for maps nor for tours.
    WritePng(root + "/sub/Cache/c.png", 100, 80);
    WriteText(root + "/sub/Cache/c.CAL", Description("Cached", "c.png"));
    WriteText(root + "/sub/Cache/hidden.TUR", "x");
    // A description whose image is missing makes no entry.
    WriteText(root + "/sub/lost.CAL", Description("Lost", "lost.png"));
    WriteText(root + "/sub/walk.tur", std::string(120, '\0'));
    WriteText(root + "/cachedTours/skip.TUR", "x");  // "Cache" prefix, any case: skipped by the tour scan

    auto old = SetMapMessageSink([](const std::string&, const std::string&) {});
    MapCatalogue c;
    RecordingProgress progress;
    c.ScanMaps(root, &progress);
    c.ScanTours(root, &progress);
    SetMapMessageSink(old);

    EXPECT_EQ(Names(c, kMapTypeRaster), (std::vector<std::string>{"Map A"}));
    EXPECT_EQ(Names(c, kMapTypeOther), (std::vector<std::string>{"Rides (offline)"}));
    auto* offline = dynamic_cast<OfflineTileEntry*>(c.list(kMapTypeOther).head);
    ASSERT_TRUE(offline);
    EXPECT_TRUE(offline->overlay);
    EXPECT_EQ(offline->flags, kMapFlagTileMap | kMapFlagOffline);
    EXPECT_EQ(Names(c, kMapTypeTour), (std::vector<std::string>{"walk"}));
    const MapDescription* tour = c.list(kMapTypeTour).head;
    EXPECT_EQ(tour->date.size(), 10u);  // the file's date, "DD/MM/YYYY"
    EXPECT_EQ(tour->date[2], '/');
    EXPECT_TRUE(EntryLoaded(*tour));
    const MapDescription* map = c.list(kMapTypeRaster).head;
    EXPECT_TRUE(EntryLoaded(*map));
    EXPECT_TRUE(map->calibration().calibrated());

    EXPECT_EQ(progress.events.front(), "begin Scanning maps...");
    EXPECT_NE(std::find(progress.events.begin(), progress.events.end(), "Scanning " + root + "/sub/"),
              progress.events.end());
    for (const std::string& e : progress.events) EXPECT_EQ(e.find("Cache/"), std::string::npos) << e;
    EXPECT_NE(std::find(progress.events.begin(), progress.events.end(), "+4"), progress.events.end());
}

TEST(MapCatalogue, RebuildReselectsAndAddsTheWorldMap) {
    std::string root = Fresh("rebuild");
    std::string program = Fresh("program");
    WritePng(root + "/m.png", 100, 80);
    WriteText(root + "/m.CAL", Description("Shown Map", "m.png"));
    WriteText(program + "/WORLD.MAP", "");
    MapCatalogue c;
    c.Add(Entry("stale"));
    std::vector<std::string> calls;
    MapDescription* shown = nullptr;
    c.hooks().stopTileLoaders = [&] { calls.push_back("stop"); };
    c.hooks().createTileSources = [&] { calls.push_back("sources"); };
    c.hooks().applyStoredOrders = [&] { calls.push_back("orders"); };
    c.hooks().showMap = [&](MapDescription* m) { shown = m; };
    c.Rebuild({root, std::string(200, 'x')}, CatalogueSelection{"shown map", "", ""}, program);
    EXPECT_EQ(calls, (std::vector<std::string>{"stop", "sources", "orders"}));
    EXPECT_EQ(Names(c, kMapTypeRaster), (std::vector<std::string>{"Shown Map"}));
    ASSERT_TRUE(shown);
    EXPECT_EQ(shown->name, "Shown Map");
    EXPECT_EQ(Names(c, kMapTypeWorld), (std::vector<std::string>{"World"}));
}

TEST(MapLoading, WritesOurDescriptionBesideAForeignFileAndTheTiledCopy) {
    std::string root = Fresh("load");
    WritePng(root + "/scan.PNG", 300, 200);  // world files name the image in capitals
    // A world file: 0.001 degrees a pixel, upper-left corner at 8E 47N.
    WriteText(root + "/scan.pgw", "0.001\r\n0\r\n0\r\n-0.001\r\n8.0\r\n47.0\r\n");
    MapCatalogue c;
    MapLoadOptions options;
    options.tiledCopy = true;
    MapLoadResult result = LoadMap(root + "/scan.pgw", c, options);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.descriptionPath, root + "/scan.CAL");
    EXPECT_TRUE(IsDescriptionFile(root + "/scan.CAL"));
    EXPECT_EQ(result.tvmPath, root + "/scan.tvm");
    EXPECT_EQ(c.list(kMapTypeRaster).count, 1);
    auto tiled = TiledMap::OpenContainer(result.tvmPath);
    ASSERT_TRUE(tiled);
    EXPECT_EQ(tiled->imageWidth(), 300);
    EXPECT_EQ(tiled->tileWidth(), 256);
    EXPECT_EQ(tiled->calibration().kind(), CalibrationKind::Osm);

    // A foreign ".CAL" keeps its contents: ours goes to "_Trekvane.CAL".
    const std::string touratech = "name = 10 = scan\r\nfname = 10 = scan.PNG\r\nwest = 6 = 8.0\r\nost = 6 = 8.3\r\n"
                                  "nord = 6 = 47.2\r\nsued = 6 = 47.0\r\n";
    WriteText(root + "/tt.CAL", touratech);
    result = LoadMap(root + "/tt.CAL", c);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.descriptionPath, root + "/tt_Trekvane.CAL");
    std::ifstream in(root + "/tt.CAL", std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), touratech);

    EXPECT_FALSE(LoadMap(root + "/scan.PNG", c).ok);  // not a map file
}

}  // namespace
}  // namespace trek
