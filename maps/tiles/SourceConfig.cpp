#include "maps/tiles/SourceConfig.h"

#include <algorithm>
#include <cstdio>

#include "maps/calibration/TextScan.h"

namespace trek {

bool MemorySourceConfigStore::KeyExists(const std::string& key) const {
    return dwords_.count(key) != 0 || strings_.count(key) != 0;
}

std::optional<uint32_t> MemorySourceConfigStore::GetDword(const std::string& key, const std::string& value) const {
    auto k = dwords_.find(key);
    if (k == dwords_.end()) return std::nullopt;
    auto v = k->second.find(value);
    if (v == k->second.end()) return std::nullopt;
    return v->second;
}

std::optional<std::string> MemorySourceConfigStore::GetString(const std::string& key, const std::string& value) const {
    auto k = strings_.find(key);
    if (k == strings_.end()) return std::nullopt;
    auto v = k->second.find(value);
    if (v == k->second.end()) return std::nullopt;
    return v->second;
}

bool MemorySourceConfigStore::SetDword(const std::string& key, const std::string& value, uint32_t data) {
    dwords_[key][value] = data;
    return true;
}

bool MemorySourceConfigStore::SetString(const std::string& key, const std::string& value, const std::string& data) {
    strings_[key][value] = data;
    return true;
}

std::string SourceConfigKey(std::string_view mapName, std::string_view mapWord) {
    return std::string(kTrekvaneRegistryKey) + "\\" + std::string(mapWord) + "_\\" + calib::WithoutExtension(mapName);
}

TileRegionSettings& SharedTileRegion() {
    static TileRegionSettings region;
    return region;
}

namespace {

constexpr size_t kUrlMax = 260;

bool ParseArea(std::string_view text, int32_t (&area)[4]) {
    calib::LineScan s(text);
    int32_t v[4];
    if (!(s.skipSpace().literal("(") && s.integer(v[0]) && s.literal(",") && s.integer(v[1]) && s.literal(",") &&
          s.integer(v[2]) && s.literal(",") && s.integer(v[3])))
        return false;
    for (int i = 0; i < 4; ++i) area[i] = v[i];
    return true;
}

}  // namespace

bool LoadSourceConfig(ServerMap& map, SourceConfigStore& store) {
    const std::string key = SourceConfigKey(map.name);
    if (!store.KeyExists(key)) {
        if (map.online) {
            map.url = BuiltInTemplate(map.name);
            SaveSourceConfig(map, store);
        }
        return false;
    }
    TileRegionSettings& region = SharedTileRegion();
    if (map.online) {
        if (auto v = store.GetDword(key, "p")) map.sourceFlag = *v;
        if (auto v = store.GetDword(key, "bkgrnd")) map.background = *v != 0;
        if (auto v = store.GetDword(key, "cache")) map.cacheMode = *v;
        // A stored URL counts only when it is a template; anything else leaves the built-in one.
        auto url = store.GetString(key, "URL");
        if (url && url->size() <= kUrlMax && url->find('%') != std::string::npos)
            map.url = *url;
        else
            map.url = BuiltInTemplate(map.name);
    }
    int32_t area[4] = {0, 14544, 0, 14544};
    if (auto v = store.GetString(key, "Area")) ParseArea(*v, area);
    for (int i = 0; i < 4; ++i) region.area[i] = area[i];
    region.zoom = int32_t(store.GetDword(key, "Zoom").value_or(13));
    region.zoomFrom = int32_t(store.GetDword(key, "ZoomF").value_or(13));
    region.zoomTo = int32_t(store.GetDword(key, "ZoomT").value_or(13));
    map.zoom = std::clamp(region.zoom, 0, kTileMaxZoom);
    map.SetVisible(store.GetDword(key, "Visible").value_or(0) != 0, true, 0);
    map.config = store.GetDword(key, "Cfg").value_or(1);
    return true;
}

bool SaveSourceConfig(const ServerMap& map, SourceConfigStore& store) {
    const std::string key = SourceConfigKey(map.name);
    const TileRegionSettings& region = SharedTileRegion();
    bool ok = true;
    if (map.online) {
        ok &= store.SetDword(key, "p", map.sourceFlag);
        ok &= store.SetDword(key, "bkgrnd", map.background ? 1 : 0);
        ok &= store.SetDword(key, "cache", map.cacheMode);
        ok &= store.SetString(key, "URL", map.url.substr(0, kUrlMax));
    }
    char area[64];
    std::snprintf(area, sizeof area, "(%d,%d,%d,%d)", region.area[0], region.area[1], region.area[2], region.area[3]);
    ok &= store.SetString(key, "Area", area);
    ok &= store.SetDword(key, "Zoom", uint32_t(region.zoom));
    ok &= store.SetDword(key, "ZoomF", uint32_t(region.zoomFrom));
    ok &= store.SetDword(key, "ZoomT", uint32_t(region.zoomTo));
    ok &= store.SetDword(key, "Visible", map.visible ? 1 : 0);
    ok &= store.SetDword(key, "Cfg", map.config);
    return ok;
}

}  // namespace trek
