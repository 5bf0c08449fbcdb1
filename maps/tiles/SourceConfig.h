#pragma once
// The registry configuration of a tile source: key "SOFTWARE\Ostrafen\Trekvane\Map_\<name>"
// with the values "p", "bkgrnd", "cache", "URL", "Area", "Zoom", "ZoomF",
// "ZoomT", "Visible", "Cfg". The store is an interface so that the registry
// (or a test) can stand behind it.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "maps/tiles/ServerMap.h"

namespace trek {

class SourceConfigStore {
public:
    virtual ~SourceConfigStore() = default;
    virtual bool KeyExists(const std::string& key) const = 0;
    virtual std::optional<uint32_t> GetDword(const std::string& key, const std::string& value) const = 0;
    virtual std::optional<std::string> GetString(const std::string& key, const std::string& value) const = 0;
    virtual bool SetDword(const std::string& key, const std::string& value, uint32_t data) = 0;
    virtual bool SetString(const std::string& key, const std::string& value, const std::string& data) = 0;
};

// A store in memory (tests, and trektool without a registry).
class MemorySourceConfigStore : public SourceConfigStore {
public:
    bool KeyExists(const std::string& key) const override;
    std::optional<uint32_t> GetDword(const std::string& key, const std::string& value) const override;
    std::optional<std::string> GetString(const std::string& key, const std::string& value) const override;
    bool SetDword(const std::string& key, const std::string& value, uint32_t data) override;
    bool SetString(const std::string& key, const std::string& value, const std::string& data) override;

private:
    std::map<std::string, std::map<std::string, uint32_t>> dwords_;
    std::map<std::string, std::map<std::string, std::string>> strings_;
};

constexpr const char* kTrekvaneRegistryKey = "SOFTWARE\\Ostrafen\\Trekvane";

// "SOFTWARE\Ostrafen\Trekvane\Map_\<name>" with the extension part of the name
// stripped; mapWord is the UI string for "Map".
std::string SourceConfigKey(std::string_view mapName, std::string_view mapWord = "Map");

// The region for offline saving and the zooms: one set for all tile maps,
// the last configuration read or written wins.
struct TileRegionSettings {
    int32_t area[4] = {0, 14544, 0, 14544};
    int32_t zoom = 13;
    int32_t zoomFrom = 13;
    int32_t zoomTo = 13;
};
TileRegionSettings& SharedTileRegion();

// Reads the configuration into the map. For an online map whose key is missing
// the built-in template is set and the defaults are written back. Returns
// whether the key existed.
bool LoadSourceConfig(ServerMap& map, SourceConfigStore& store);
// Writes the map's configuration (and the shared region) under its key.
bool SaveSourceConfig(const ServerMap& map, SourceConfigStore& store);

}  // namespace trek
