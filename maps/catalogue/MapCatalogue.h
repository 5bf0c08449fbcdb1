#pragma once
// The in-memory catalogue of everything that can be shown as a map or picked
// in the manager lists: one doubly linked list per entry type (0 raster maps,
// 1 tours, 2 and up the other kinds), each with head, tail and count. It is
// rebuilt by scanning the configured map folders for maps and for tours.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "maps/calibration/MapDescription.h"

namespace trek {

constexpr int kCatalogueTypes = 8;
constexpr size_t kMapFolderMax = 128;  // characters of one configured folder

struct MapList {
    MapDescription* head = nullptr;
    MapDescription* tail = nullptr;
    int count = 0;
};

// The progress window of a scan ("Scanning maps...", "Scanning %s").
class ScanProgress {
public:
    virtual ~ScanProgress() = default;
    virtual void Begin(const std::string& title) = 0;
    virtual void Folder(const std::string& text) = 0;  // "Scanning <folder>"
    virtual void Advance(int steps) = 0;
    virtual void End() = 0;
};

// What a rebuild needs from the rest of the program; every member may be empty.
struct CatalogueHooks {
    std::function<void(bool busy)> waitCursor;
    std::function<void()> stopTileLoaders;      // sets the tile loaders' new-request flag
    std::function<void()> createTileSources;    // the built-in online tile maps
    std::function<void(MapDescription& entry)> loadOfflineFolder;  // stored configuration and region files
    // The manager lists apply their stored orders "TMan", "MMan" and "PMan".
    std::function<void()> applyStoredOrders;
    std::function<void(MapDescription* tour)> selectTour;
    std::function<void(MapDescription* map)> showMap;
};

// The names remembered across a rebuild.
struct CatalogueSelection {
    std::string currentMap;
    std::string selectedTour;
    std::string selectedPoiList;
};

class MapCatalogue {
public:
    MapCatalogue();
    ~MapCatalogue();
    MapCatalogue(const MapCatalogue&) = delete;
    MapCatalogue& operator=(const MapCatalogue&) = delete;

    static MapCatalogue& instance();

    // Takes the entry; appends at the tail of its type's list, or inserts it
    // before the first entry whose name sorts after it (case-insensitive).
    MapDescription* Add(std::unique_ptr<MapDescription> entry, bool sorted = false);
    // Unlinks and destroys the entry.
    void Remove(MapDescription* entry);
    void Clear(uint8_t type);
    void ClearAll();

    const MapList& list(uint8_t type) const;
    // Case-insensitive lookup by name within one type.
    MapDescription* Find(uint8_t type, std::string_view name) const;

    // Folder scans. Nested calls share one progress window.
    void ScanMaps(const std::string& folder, ScanProgress* progress = nullptr);
    void ScanTours(const std::string& folder, ScanProgress* progress = nullptr);

    // Empties the lists and scans every folder (the first `count` of at most
    // 128 characters each), re-selects the remembered entries and adds the
    // world map when "WORLD.MAP" lies in programFolder.
    void Rebuild(const std::vector<std::string>& folders, const CatalogueSelection& remembered,
                 const std::string& programFolder, ScanProgress* progress = nullptr);

    CatalogueHooks& hooks() { return hooks_; }

private:
    void ScanMapsIn(const std::string& folder, ScanProgress* progress);
    void ScanToursIn(const std::string& folder, ScanProgress* progress);
    void AddMapFromDescription(const std::string& path);
    void AddContainer(const std::string& path);
    void AddOfflineFolder(const std::string& path, const std::string& name);
    void AddTour(const std::string& path, ScanProgress* progress);

    MapList lists_[kCatalogueTypes];
    CatalogueHooks hooks_;
    int tourScanDepth_ = 0;
};

// The display name of an offline tile folder ("OSM…", "OSMOvly…").
std::string OfflineFolderDisplayName(const std::string& folderName, bool* overlay = nullptr);

}  // namespace trek
