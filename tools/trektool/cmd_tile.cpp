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
#include "tools/trektool/Numbers.h"

namespace trek::tool {

namespace {

int RunAddr(const std::vector<std::string>& args) {
    double lon, lat;
    int32_t z;
    if (args.size() != 3 || !ParseDouble(args[0], lon) || !ParseDouble(args[1], lat) || !ParseInt32(args[2], z))
        return UsageError("usage: tile addr LON LAT Z (degrees, zoom 0..18)");
    if (std::fabs(lon) > 180 || std::fabs(lat) > 90) return UsageError("LON must lie in -180..180 and LAT in -90..90");
    if (z < 0 || z > kTileMaxZoom) return UsageError("Z must lie in 0..18");
    const TileAddress t = LatLonToTile(DegreesToGeo(lon), DegreesToGeo(lat), z);
    std::printf("%d %d %s\n", t.x, t.y, Quadkey(t).c_str());
    return 0;
}

int RunBounds(const std::vector<std::string>& args) {
    int32_t x, y, z;
    if (args.size() != 3 || !ParseInt32(args[0], x) || !ParseInt32(args[1], y) || !ParseInt32(args[2], z))
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
