// trektool tile addr | bounds | sources: tile addressing and the built-in tile sources.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "maps/tiles/ServerMap.h"
#include "maps/tiles/TileAddress.h"
#include "maps/tiles/TileSource.h"
#include "tools/trektool/Command.h"
#include "tools/trektool/Json.h"

namespace trek::tool {

namespace {

bool ParseNumber(const std::string& text, double& out) {
    try {
        size_t used = 0;
        out = std::stod(text, &used);
        return used == text.size() && std::isfinite(out);
    } catch (...) {
        return false;
    }
}

bool ParseWhole(const std::string& text, int32_t& out) {
    try {
        size_t used = 0;
        const long long v = std::stoll(text, &used);
        if (used != text.size() || v < INT32_MIN || v > INT32_MAX) return false;
        out = int32_t(v);
        return true;
    } catch (...) {
        return false;
    }
}

int RunAddr(const std::vector<std::string>& args) {
    double lon, lat;
    int32_t z;
    if (args.size() != 3 || !ParseNumber(args[0], lon) || !ParseNumber(args[1], lat) || !ParseWhole(args[2], z))
        return UsageError("usage: tile addr LON LAT Z (degrees, zoom 0..18)");
    if (std::fabs(lon) > 180 || std::fabs(lat) > 90) return UsageError("LON must lie in -180..180 and LAT in -90..90");
    if (z < 0 || z > kTileMaxZoom) return UsageError("Z must lie in 0..18");
    const TileAddress t = LatLonToTile(DegreesToGeo(lon), DegreesToGeo(lat), z);
    std::printf("%d %d %s\n", t.x, t.y, Quadkey(t).c_str());
    return 0;
}

int RunBounds(const std::vector<std::string>& args) {
    int32_t x, y, z;
    if (args.size() != 3 || !ParseWhole(args[0], x) || !ParseWhole(args[1], y) || !ParseWhole(args[2], z))
        return UsageError("usage: tile bounds X Y Z");
    if (z < 0 || z > kTileMaxZoom) return UsageError("Z must lie in 0..18");
    const int64_t n = int64_t(1) << z;
    if (x < 0 || y < 0 || x >= n || y >= n) return UsageError("X and Y must lie in 0..2^Z-1");
    const TileEdges e = TileBounds(x, y, z);
    std::printf("%.9f %.9f %.9f %.9f\n", GeoToDegrees(e.west), GeoToDegrees(e.north), GeoToDegrees(e.east),
                GeoToDegrees(e.south));
    return 0;
}

int RunSources(const std::vector<std::string>& args) {
    if (!args.empty()) return UsageError("usage: tile sources");
    for (const auto& s : TileSources()) {
        const std::string tmpl = BuiltInTemplate(s.name);
        std::printf("{\"name\": %s, \"overlay\": %s, \"p\": %u, \"path\": %s, \"template\": %s, \"host\": %s, "
                    "\"quadkey\": %s, \"created_at_start\": %s}\n",
                    JsonString(s.name).c_str(), s.overlay ? "true" : "false", s.p, JsonString(s.path).c_str(), JsonString(tmpl).c_str(),
                    s.host ? JsonString(s.host).c_str() : "null", IsQuadkeySourceName(s.name) ? "true" : "false",
                    s.createdAtStart ? "true" : "false");
    }
    return 0;
}

}  // namespace

TREKTOOL_COMMAND("tile addr", "tile addr LON LAT Z       tile under a position (degrees): \"x y quadkey\"", RunAddr);
TREKTOOL_COMMAND("tile bounds", "tile bounds X Y Z         edges of a tile: west north east south in degrees", RunBounds);
TREKTOOL_COMMAND("tile sources", "tile sources              the built-in tile sources as JSON lines", RunSources);

}  // namespace trek::tool
