#include "maps/tiles/ServerMap.h"

#include <atomic>

#include "maps/calibration/OsmCalibration.h"

namespace trek {

namespace {

std::atomic<int32_t> g_nextSerial{0};

constexpr std::string_view kFilePrefix = "file:";

}  // namespace

void ResetServerMapSerials() { g_nextSerial = 0; }

ServerMap::ServerMap(std::string_view mapName, bool isOnline) : online(isOnline) {
    SetName(mapName);
    type = kMapTypeRaster;
    flags = isOnline ? kMapFlagTileMap : uint8_t(kMapFlagTileMap | kMapFlagOffline);
    quadkey = IsQuadkeySourceName(mapName);
    serial = g_nextSerial++;
    ownScale = 25000 + serial;
    date = "today";
    // Web Mercator with 4.77 m a pixel (zoom 15 at the equator) and two empty points.
    auto cal = std::make_unique<OsmCalibration>(4.77, -4.77);
    cal->SetReferencePoints({ReferencePoint{}, ReferencePoint{}});
    SetCalibration(std::move(cal));
}

std::string ServerMap::folder() const {
    if (online || !std::string_view(url).starts_with(kFilePrefix)) return {};
    return url.substr(kFilePrefix.size());
}

bool ServerMap::hasServer() const {
    if (!online) return !folder().empty();
    return SplitUrl(url).has_value();
}

std::optional<std::string> TilePath(const ServerMap& map, int z, int x, int y) {
    const TileAddress tile{z, x, y};
    if (!map.online) {
        std::string dir = map.folder();
        if (dir.empty()) return std::nullopt;
        if (dir.back() != '/') dir += '/';
        return dir + std::to_string(z) + "/" + std::to_string(x) + "/" + std::to_string(y) + ".png";
    }
    // The request path is the template after its host; a template without a host is a path already.
    auto parts = SplitUrl(map.url);
    return ExpandTileTemplate(parts ? std::string_view(parts->path) : std::string_view(map.url), tile, map.quadkey);
}

std::optional<std::string> TileUrl(const ServerMap& map, const TileAddress& tile) {
    if (!map.online || !SplitUrl(map.url)) return std::nullopt;
    return ExpandTileTemplate(map.url, tile, map.quadkey);
}

std::unique_ptr<ServerMap> CreateTileSource(const TileSourceInfo& source) {
    auto map = std::make_unique<ServerMap>(source.name, true);
    map->overlay = source.overlay;
    map->sourceFlag = source.p;
    map->url = BuiltInTemplate(source.name);
    return map;
}

bool IsOfflineTileFolder(std::string_view folderName) { return folderName.starts_with("OSM"); }

bool IsOverlayTileFolder(std::string_view folderName) { return folderName.starts_with("OSMOvly"); }

std::string OfflineMapName(std::string_view folderName) {
    if (folderName == "OSM") return kDefaultOfflineMapName;
    const size_t skip = IsOverlayTileFolder(folderName) ? 7 : 3;
    return std::string(folderName.substr(std::min(skip, folderName.size()))) + " (offline)";
}

std::unique_ptr<ServerMap> CreateOfflineMap(const std::string& folderPath) {
    std::string_view path = folderPath;
    while (path.size() > 1 && path.back() == '/') path.remove_suffix(1);
    const size_t slash = path.find_last_of('/');
    const std::string_view folderName = slash == std::string_view::npos ? path : path.substr(slash + 1);
    auto map = std::make_unique<ServerMap>(OfflineMapName(folderName), false);
    map->overlay = IsOverlayTileFolder(folderName);
    map->url = std::string(kFilePrefix) + std::string(path);
    return map;
}

}  // namespace trek
