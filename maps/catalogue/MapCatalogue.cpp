#include "maps/catalogue/MapCatalogue.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "maps/calibration/formats/MapFileReader.h"
#include "maps/catalogue/CatalogueEntries.h"
#include "maps/image/ImageKinds.h"
#include "maps/image/RasterMap.h"
#include "maps/image/TiledMap.h"
#include "platform/core/Paths.h"
#include "platform/core/Text.h"
#include "tours/Tour.h"

namespace trek {

namespace {

constexpr int kTourProgressStep = 4;

struct DirEntry {
    std::string name;
    bool folder = false;
};

// The names in a folder ("%s*.*"), sorted so that scans are repeatable.
std::vector<DirEntry> ListFolder(const std::string& folder) {
    std::vector<DirEntry> entries;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return entries;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        struct stat st{};
        if (::stat((folder + name).c_str(), &st) != 0) continue;
        entries.push_back({name, S_ISDIR(st.st_mode)});
    }
    ::closedir(dir);
    std::sort(entries.begin(), entries.end(), [](const DirEntry& a, const DirEntry& b) { return a.name < b.name; });
    return entries;
}

// A native folder with exactly one trailing "/" (the root stays "/").
std::string FolderWithSlash(const std::string& folder) {
    std::string native = platform::MapPath(folder);
    if (native.empty() || native.back() != '/') native += '/';
    return native;
}

std::string WithoutExtension(const std::string& name) {
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

bool StartsWithNoCase(const std::string& text, const char* prefix, size_t count) {
    return text.size() >= count && platform::EqualsNoCase(std::string_view(text).substr(0, count), prefix);
}

// Calibrates the map; a kind that cannot be calibrated falls back to the linear kind.
void CalibrateOrFallBack(MapDescription& map) {
    if (map.calibration().calibrated() || map.calibration().Calibrate()) return;
    auto linear = CreateCalibration(CalibrationKind::Linear);
    linear->SetReferencePoints(map.calibration().referencePoints());
    linear->SetReferenceType(map.calibration().ReferenceType());
    linear->Calibrate();
    map.SetCalibration(std::move(linear));
}

// Sorted position: the first entry whose name sorts after `name`.
MapDescription* InsertBefore(const MapList& list, const std::string& name) {
    for (MapDescription* e = list.head; e; e = e->next)
        if (platform::CompareNoCase(e->name, name) > 0) return e;
    return nullptr;
}

}  // namespace

TourMapEntry::TourMapEntry() { type = kMapTypeTour; }
TourMapEntry::~TourMapEntry() = default;

bool EntryLoaded(const MapDescription& entry) {
    if (auto* raster = dynamic_cast<const RasterMap*>(&entry)) return raster->loaded();
    if (auto* tour = dynamic_cast<const TourMapEntry*>(&entry)) return tour->loaded;
    return true;
}

std::string OfflineFolderDisplayName(const std::string& folderName, bool* overlay) {
    bool isOverlay = folderName.compare(0, 7, "OSMOvly") == 0;
    if (overlay) *overlay = isOverlay;
    if (folderName == "OSM") return "OpenStreetMap (offline)";
    return folderName.substr(isOverlay ? 7 : 3) + " (offline)";
}

MapCatalogue::MapCatalogue() = default;
MapCatalogue::~MapCatalogue() { ClearAll(); }

MapCatalogue& MapCatalogue::instance() {
    static MapCatalogue catalogue;
    return catalogue;
}

MapDescription* MapCatalogue::Add(std::unique_ptr<MapDescription> owned, bool sorted) {
    if (!owned) return nullptr;
    MapDescription* entry = owned.release();
    MapList& list = lists_[entry->type < kCatalogueTypes ? entry->type : uint8_t(kMapTypeOther)];
    MapDescription* before = sorted ? InsertBefore(list, entry->name) : nullptr;
    entry->next = before;
    entry->prev = before ? before->prev : list.tail;
    if (entry->prev) entry->prev->next = entry;
    else list.head = entry;
    if (before) before->prev = entry;
    else list.tail = entry;
    ++list.count;
    return entry;
}

void MapCatalogue::Remove(MapDescription* entry) {
    if (!entry) return;
    MapList& list = lists_[entry->type < kCatalogueTypes ? entry->type : uint8_t(kMapTypeOther)];
    if (entry->prev) entry->prev->next = entry->next;
    else list.head = entry->next;
    if (entry->next) entry->next->prev = entry->prev;
    else list.tail = entry->prev;
    --list.count;
    delete entry;
}

void MapCatalogue::Clear(uint8_t type) {
    if (type >= kCatalogueTypes) return;
    MapList& list = lists_[type];
    for (MapDescription* e = list.head; e;) {
        MapDescription* next = e->next;
        delete e;
        e = next;
    }
    list = MapList{};
}

void MapCatalogue::ClearAll() {
    for (int t = kCatalogueTypes - 1; t >= 0; --t) Clear(static_cast<uint8_t>(t));
}

const MapList& MapCatalogue::list(uint8_t type) const {
    static const MapList empty;
    return type < kCatalogueTypes ? lists_[type] : empty;
}

MapDescription* MapCatalogue::Find(uint8_t type, std::string_view name) const {
    for (MapDescription* e = list(type).head; e; e = e->next)
        if (platform::EqualsNoCase(e->name, name)) return e;
    return nullptr;
}

void MapCatalogue::ScanMaps(const std::string& folder, ScanProgress* progress) {
    if (progress) progress->Begin("Scanning maps...");
    ScanMapsIn(FolderWithSlash(folder), progress);
    if (progress) progress->End();
}

void MapCatalogue::ScanMapsIn(const std::string& folder, ScanProgress* progress) {
    if (progress) progress->Folder("Scanning " + folder);
    for (const DirEntry& e : ListFolder(folder)) {
        const std::string path = folder + e.name;
        if (e.folder) {
            if (e.name.compare(0, 3, "OSM") == 0) AddOfflineFolder(path, e.name);  // not descended into
            else if (e.name != "Cache") ScanMapsIn(path + "/", progress);
            continue;
        }
        const std::string ext = FileExtension(e.name);
        if (ext == "TVM") AddContainer(path);
        else if (ext == "CAL") AddMapFromDescription(path);
    }
}

void MapCatalogue::AddContainer(const std::string& path) {
    if (auto map = TiledMap::OpenContainer(path)) Add(std::move(map));
}

void MapCatalogue::AddOfflineFolder(const std::string& path, const std::string& name) {
    auto entry = std::make_unique<OfflineTileEntry>();
    entry->type = kMapTypeOther;
    entry->flags = kMapFlagTileMap | kMapFlagOffline;
    entry->SetName(OfflineFolderDisplayName(name, &entry->overlay));
    entry->folder = path;
    entry->SetImagePath(path);
    entry->SetDate(TodayDateText());
    entry->visible = true;
    if (hooks_.loadOfflineFolder) hooks_.loadOfflineFolder(*entry);
    Add(std::move(entry));
}

void MapCatalogue::AddMapFromDescription(const std::string& path) {
    // Read into a plain description first: its type decides which entry it becomes.
    MapDescription description;
    MapFileResult read = ReadMapFile(path, description);
    if (!read.ok) return;  // unreadable: skipped silently
    if (description.type == kMapTypeTour) {
        auto entry = std::make_unique<TourMapEntry>();
        entry->CopyFrom(description);
        entry->type = kMapTypeTour;
        Add(std::move(entry));
        return;
    }
    if (description.type == kMapTypeWorld) {
        auto entry = std::make_unique<WorldMapEntry>();
        entry->CopyFrom(description);
        Add(std::move(entry));
        return;
    }
    if (description.type != kMapTypeRaster) return;
    auto map = std::make_unique<RasterMap>();
    map->CopyFrom(description);
    if (!map->AttachImage(true)) return;  // without an image there is no entry
    CalibrateOrFallBack(*map);
    Add(std::move(map));
}

void MapCatalogue::ScanTours(const std::string& folder, ScanProgress* progress) {
    // Nested calls share the outermost call's progress window.
    if (progress && tourScanDepth_ == 0) progress->Begin("Scanning tours...");
    ++tourScanDepth_;
    ScanToursIn(FolderWithSlash(folder), progress);
    --tourScanDepth_;
    if (progress && tourScanDepth_ == 0) progress->End();
}

void MapCatalogue::ScanToursIn(const std::string& folder, ScanProgress* progress) {
    if (progress) progress->Folder("Scanning " + folder);
    for (const DirEntry& e : ListFolder(folder)) {
        const std::string path = folder + e.name;
        if (e.folder) {
            if (StartsWithNoCase(e.name, "OSM", 3) || StartsWithNoCase(e.name, "Cache", 5)) continue;
            ScanToursIn(path + "/", progress);
        } else if (FileExtension(e.name) == "TUR") {
            AddTour(path, progress);
        }
    }
}

void MapCatalogue::AddTour(const std::string& path, ScanProgress* progress) {
    if (progress) progress->Advance(kTourProgressStep);
    if (FILE* f = std::fopen(path.c_str(), "rb")) std::fclose(f);
    else return;  // unreadable files are skipped
    auto entry = std::make_unique<TourMapEntry>();
    size_t slash = path.rfind('/');
    std::string name = WithoutExtension(slash == std::string::npos ? path : path.substr(slash + 1));
    entry->tour = std::make_unique<Tour>(name, path);
    entry->SetName(name);
    entry->SetImagePath(path);
    if (entry->tour->readHeader()) {
        entry->visible = entry->tour->visible() != 0;
        entry->SetDate(entry->tour->dateText());
    } else {
        entry->SetDate("today");
        entry->visible = false;
    }
    // The list shows the file's last-write date.
    struct stat st{};
    if (::stat(path.c_str(), &st) == 0) {
        std::tm local{};
        localtime_r(&st.st_mtime, &local);
        char text[32];
        std::snprintf(text, sizeof text, "%2.2d/%2.2d/%4.4d", local.tm_mday, local.tm_mon + 1, local.tm_year + 1900);
        entry->SetDate(text);
    } else {
        entry->loaded = false;
    }
    Add(std::move(entry));
}

void MapCatalogue::Rebuild(const std::vector<std::string>& folders, const CatalogueSelection& remembered,
                           const std::string& programFolder, ScanProgress* progress) {
    if (hooks_.waitCursor) hooks_.waitCursor(true);
    if (hooks_.stopTileLoaders) hooks_.stopTileLoaders();
    Clear(kMapTypeOther);
    Clear(kMapTypeTour);
    Clear(kMapTypeRaster);
    for (int t = kMapTypeVector; t < kCatalogueTypes; ++t) Clear(static_cast<uint8_t>(t));
    if (hooks_.createTileSources) hooks_.createTileSources();
    for (const std::string& folder : folders) {
        if (folder.empty() || folder.size() > kMapFolderMax) continue;
        ScanMaps(folder, progress);
        ScanTours(folder, progress);
    }
    MapDescription* tour = Find(kMapTypeTour, remembered.selectedTour);
    if (!tour) tour = Find(kMapTypeOther, remembered.selectedTour);
    if (tour && hooks_.selectTour) hooks_.selectTour(tour);
    if (MapDescription* map = Find(kMapTypeRaster, remembered.currentMap); map && hooks_.showMap) hooks_.showMap(map);
    if (hooks_.applyStoredOrders) hooks_.applyStoredOrders();
    struct stat st{};
    std::string world = FolderWithSlash(programFolder) + "WORLD.MAP";
    if (!programFolder.empty() && ::stat(world.c_str(), &st) == 0) {
        auto entry = std::make_unique<WorldMapEntry>();
        entry->type = kMapTypeWorld;
        entry->SetName("World");
        entry->SetDate("today");
        entry->visible = true;
        entry->SetImagePath(world);
        Add(std::move(entry));
    }
    if (hooks_.waitCursor) hooks_.waitCursor(false);
}

}  // namespace trek
