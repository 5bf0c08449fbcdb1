#pragma once
// Tile addressing in the spherical Web Mercator layout: 256x256 pixel tiles,
// zoom 0..18, column x growing east and row y growing south.
#include <cstdint>
#include <string>

namespace trek {

constexpr int kTileMaxZoom = 18;
constexpr int kTileSize = 256;

struct TileAddress {
    int32_t z = 0;
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const TileAddress&, const TileAddress&) = default;
};

// Tile under a position (geo units). Negative x or y become 0; there is no
// upper clamp, so positions east of 180° or south of the Mercator limit give
// x or y of 2^z and beyond. z is taken in 0..30.
TileAddress LatLonToTile(int32_t lon, int32_t lat, int z);

// Edges of a tile in geo units, truncated toward zero.
struct TileEdges {
    int32_t west = 0;
    int32_t north = 0;
    int32_t east = 0;
    int32_t south = 0;
    friend bool operator==(const TileEdges&, const TileEdges&) = default;
};
TileEdges TileBounds(int32_t x, int32_t y, int z);

// The VirtualEarth quadkey: z digits 0..3 from the whole square down.
std::string Quadkey(const TileAddress& tile);

// Zoom for a view scale denominator: trunc(log2(442 368 000 / scale)), clamped to 0..18.
int ZoomFromScale(double scale);

}  // namespace trek
