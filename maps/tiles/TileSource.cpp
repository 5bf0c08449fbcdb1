#include "maps/tiles/TileSource.h"

#include <cctype>

namespace trek {

namespace {

constexpr TileSourceInfo kSources[] = {
    {"GoogleMaps (Marking)", true, 1, "/vt/lyrs=h@113&hl=en&z=%d&x=%d&y=%d", nullptr, true},
    {"OpenSeaMap (online)", true, 0, "/seamark/%d/%d/%d.png", "tiles.openseamap.org", true},
    {"OpenStreetMap (online)", false, 0, "/%d/%d/%d.png", "tile.openstreetmap.org", true},
    {"OpenCycleMap (online)", false, 0, "/tiles/cycle/%d/%d/%d.png", nullptr, true},
    {"GoogleMaps (Road)", false, 1, "/vt/lyrs=m@113&hl=en&z=%d&x=%d&y=%d", nullptr, true},
    {"GoogleMaps (Satellite)", false, 1, "/vt/lyrs=s@113&hl=en&z=%d&x=%d&y=%d", nullptr, true},
    {"GoogleMaps (Terrain)", false, 1, "/vt/lyrs=t@113&hl=en&z=%d&x=%d&y=%d", nullptr, true},
    {"VirtualEarth (Road)", false, 1, "/tiles/r", nullptr, true},
    {"VirtualEarth (Hybrid)", false, 1, "/tiles/h", nullptr, true},
    {"VirtualEarth (Aerial)", false, 1, "/tiles/a", nullptr, true},
    {"\xC3\x96PNV", false, 1, "/tilegen/%d/%d/%d.png", nullptr, true},
    {"Outdoor Germany", false, 1, "/portal/map/%d/%d/%d.png", nullptr, true},
    {"Outdoor Austria", false, 1, "/tiles/cycle/%d/%d/%d.png", nullptr, true},
    {"Outdoor S\xC3\xBC" "dtirol", false, 1, "/relief/%d/%d/%d.png", nullptr, true},
    {"OpenPisteMap (online)", false, 0, "/tiles/contours/%d/%d/%d.png", nullptr, false},
};

std::string TemplateOf(const TileSourceInfo& s) {
    return s.host ? std::string("https://") + s.host + s.path : std::string(s.path);
}

}  // namespace

std::span<const TileSourceInfo> TileSources() { return kSources; }

const TileSourceInfo* FindTileSource(std::string_view name) {
    for (const auto& s : kSources)
        if (name == s.name) return &s;
    return nullptr;
}

std::string BuiltInTemplate(std::string_view name) {
    const TileSourceInfo* s = FindTileSource(name);
    return TemplateOf(s ? *s : *FindTileSource(kDefaultOnlineMapName));
}

bool IsQuadkeySourceName(std::string_view name) {
    constexpr std::string_view kPrefix = "VirtualEarth";
    if (name.size() < kPrefix.size()) return false;
    for (size_t i = 0; i < kPrefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(name[i])) != std::tolower(static_cast<unsigned char>(kPrefix[i])))
            return false;
    return true;
}

std::optional<UrlParts> SplitUrl(std::string_view url) {
    const size_t sep = url.find("://");
    if (sep == std::string_view::npos || sep == 0) return std::nullopt;
    UrlParts parts;
    parts.scheme = std::string(url.substr(0, sep));
    const std::string_view rest = url.substr(sep + 3);
    const size_t slash = rest.find('/');
    parts.host = std::string(rest.substr(0, slash));
    if (parts.host.empty()) return std::nullopt;
    parts.path = slash == std::string_view::npos ? std::string("/") : std::string(rest.substr(slash));
    return parts;
}

std::string SplitHost(std::string_view url) {
    auto parts = SplitUrl(url);
    return parts ? parts->host : std::string();
}

std::optional<std::string> ExpandTileTemplate(std::string_view tmpl, const TileAddress& tile, bool quadkey) {
    const int32_t numbers[3] = {tile.z, tile.x, tile.y};
    int used = 0;
    bool keyUsed = false;
    std::string out;
    out.reserve(tmpl.size() + 24);
    for (size_t i = 0; i < tmpl.size(); ++i) {
        if (tmpl[i] != '%') {
            out += tmpl[i];
            continue;
        }
        if (i + 1 >= tmpl.size()) return std::nullopt;
        const char c = tmpl[++i];
        if (c == '%') {
            out += '%';
        } else if (c == 'd') {
            if (used == 3) return std::nullopt;
            out += std::to_string(numbers[used++]);
        } else if (c == 's') {
            out += Quadkey(tile);
            keyUsed = true;
        } else {
            return std::nullopt;
        }
    }
    if (quadkey && !keyUsed) out += Quadkey(tile) + ".png?g=1";
    return out;
}

}  // namespace trek
