#include "maps/tiles/TileAddress.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "geo/GeoUnits.h"

namespace trek {

namespace {

int32_t ClampedFloor(double v) {
    if (!(v == v)) return 0;
    if (v >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (v <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return int32_t(std::floor(v));
}

int32_t ClampedTrunc(double v) {
    if (!(v == v)) return 0;
    if (v >= double(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    if (v <= double(std::numeric_limits<int32_t>::min())) return std::numeric_limits<int32_t>::min();
    return int32_t(v);
}

// Mercator y of the latitude limit of the square world (85.0511°): exactly pi,
// so that the edges agree with LatLonToTile at every zoom.
constexpr double kMercatorLimit = M_PI;

}  // namespace

TileAddress LatLonToTile(int32_t lon, int32_t lat, int z) {
    z = std::clamp(z, 0, 30);
    const double n = double(int64_t(1) << z);
    const double lonDeg = lon * geo::kDegreesPerUnit;
    const double phi = lat * 1e-8;
    TileAddress t;
    t.z = z;
    t.x = std::max(0, ClampedFloor((lonDeg + 180.0) / 360.0 * n));
    t.y = std::max(0, ClampedFloor((1.0 - std::log(std::tan(phi) + 1.0 / std::cos(phi)) * 0.3183098861837907) / 2.0 * n));
    return t;
}

TileEdges TileBounds(int32_t x, int32_t y, int z) {
    z = std::clamp(z, 0, 30);
    const double n = double(int64_t(1) << z);
    const double yMax = kMercatorLimit;
    auto lonEdge = [&](double col) { return ClampedTrunc((col * 360.0 / n - 180.0) * geo::kUnitsPerDegree); };
    auto latEdge = [&](double row) { return ClampedTrunc(std::atan(std::sinh(yMax - 2.0 * yMax * row / n)) * 1e8); };
    TileEdges e;
    e.west = lonEdge(x);
    e.east = lonEdge(double(x) + 1.0);
    e.north = latEdge(y);
    e.south = latEdge(double(y) + 1.0);
    return e;
}

std::string Quadkey(const TileAddress& tile) {
    std::string key;
    const int z = std::clamp(tile.z, 0, 30);
    key.reserve(size_t(z));
    // Halving the square z times: left/right from x, upper/lower from y.
    for (int level = z - 1; level >= 0; --level) {
        const int digit = ((tile.x >> level) & 1) + 2 * ((tile.y >> level) & 1);
        key += char('0' + digit);
    }
    return key;
}

int ZoomFromScale(double scale) {
    if (!(scale > 0)) return kTileMaxZoom;
    const double z = std::log(442368000.0 / scale) / std::log(2.0);
    if (!(z > 0)) return 0;
    return std::clamp(int(z), 0, kTileMaxZoom);
}

}  // namespace trek
