#pragma once
// The built-in tile sources and the URL templates of online tile maps.
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "maps/tiles/TileAddress.h"

namespace trek {

struct TileSourceInfo {
    const char* name;      // display name, also the registry key of its configuration
    bool overlay;          // drawn over the current map with transparency
    uint32_t p;            // source flag: 1 commercial, 0 the OpenStreetMap family
    const char* path;      // request path after the host; z, x, y in that order, or the quadkey base
    const char* host;      // built-in host, nullptr where the terms need a key or contract
    bool createdAtStart;   // false for sources made only when a stored configuration names them
};

// The fourteen sources created at start, in creation order, then the ones
// that are only known by name ("OpenPisteMap (online)").
std::span<const TileSourceInfo> TileSources();
const TileSourceInfo* FindTileSource(std::string_view name);

// The name of the default online map.
constexpr const char* kDefaultOnlineMapName = "OpenStreetMap (online)";
constexpr const char* kDefaultOfflineMapName = "OpenStreetMap (offline)";

// The whole URL template of a source: "https://" + host + path, or only the
// path when the source has no host until the user configures one. A name not
// in the table gets the template of the default online map.
std::string BuiltInTemplate(std::string_view name);

// Quadkey sources: names beginning with "VirtualEarth" (compared without case).
bool IsQuadkeySourceName(std::string_view name);

// Parts of a URL: "scheme://host/path". The request path is the URL from its
// third "/" on ("/" when there is none). nullopt without "scheme://" or host.
struct UrlParts {
    std::string scheme;
    std::string host;
    std::string path;
};
std::optional<UrlParts> SplitUrl(std::string_view url);
// Only the host ("" when there is none).
std::string SplitHost(std::string_view url);

// Fills a template: "%d" takes z, x, y in turn, "%s" the quadkey, "%%" a
// percent sign. A quadkey template without "%s" gets the quadkey and
// ".png?g=1" appended. Any other "%" sequence, or more than three "%d",
// refuses the template (nullopt): templates come from user configuration and
// are never handed to printf.
std::optional<std::string> ExpandTileTemplate(std::string_view tmpl, const TileAddress& tile, bool quadkey);

}  // namespace trek
