#pragma once
// SERVERMAP: a map assembled from 256x256 tiles, online from a tile server or
// offline from tile files in a folder on the card. Drawing and downloading
// live elsewhere; this is the map entry with its source and addressing.
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "maps/calibration/MapDescription.h"
#include "maps/tiles/TileAddress.h"
#include "maps/tiles/TileSource.h"

namespace trek {

class ServerMap : public MapDescription {
public:
    // An online map (url = the source's template) or an offline one (url = "file:" + folder).
    ServerMap(std::string_view mapName, bool isOnline);

    bool online = true;
    bool overlay = false;
    bool quadkey = false;       // name begins with "VirtualEarth"
    uint32_t sourceFlag = 0;    // "p"
    std::string url;            // template for online maps, "file:" + folder for offline ones
    int32_t tileWidth = kTileSize;
    int32_t tileHeight = kTileSize;
    int32_t zoom = 13;
    uint32_t cacheMode = 0;     // "cache"
    uint32_t config = 1;        // "Cfg"
    int32_t ownScale = 25000;   // 25000 + serial number: no two tile maps share a scale
    int32_t serial = 0;

    // The offline tile folder (url without "file:"); empty for online maps.
    std::string folder() const;
    // Whether the source can load anything: offline, or online with a host in its template.
    bool hasServer() const;
};

// The name the rest of the program uses for the kind.
using SERVERMAP = ServerMap;

// The first serial number handed to the next ServerMap (for tests).
void ResetServerMapSerials();

// Request path (online), file path (offline) or quadkey path (VirtualEarth)
// of one tile; nullopt when the template is unusable.
std::optional<std::string> TilePath(const ServerMap& map, int z, int x, int y);
// The whole URL of a tile of an online map; nullopt without a configured host.
std::optional<std::string> TileUrl(const ServerMap& map, const TileAddress& tile);

// A built-in source as a fresh entry (not yet configured from the registry).
std::unique_ptr<ServerMap> CreateTileSource(const TileSourceInfo& source);

// Offline tile folders inside a map folder: names beginning with "OSM";
// "OSMOvly" makes an overlay.
bool IsOfflineTileFolder(std::string_view folderName);
bool IsOverlayTileFolder(std::string_view folderName);
// Display name: the rest after "OSMOvly" or "OSM" + " (offline)"; "OSM" alone
// is "OpenStreetMap (offline)".
std::string OfflineMapName(std::string_view folderName);
// An offline map for the folder at `folderPath` (its last component is the folder name).
std::unique_ptr<ServerMap> CreateOfflineMap(const std::string& folderPath);

}  // namespace trek
