#pragma once
// The own tiled container ".tvm": little-endian 32-bit words; every record
// starts with a negative tag. The header records describe the map, tag -14
// holds the tile index, and each tile follows as tag -12, a column word, a
// row word, its byte size and its pixels (a bottom-up DIB without header).
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "maps/calibration/MapCalibration.h"
#include "maps/image/PixelRect.h"
#include "platform/core/Bitmap.h"

namespace trek {

namespace tvm {
constexpr int32_t kVisible = -2;  // also the first word of every file
constexpr int32_t kMode = -3;
constexpr int32_t kSkipped = -4;
constexpr int32_t kImageSize = -5;
constexpr int32_t kTileSize = -6;
constexpr int32_t kName = -7;
constexpr int32_t kSkippedBlock = -9;
constexpr int32_t kOffsetPair = -10;
constexpr int32_t kPalette = -11;
constexpr int32_t kTileData = -12;
constexpr int32_t kMapFlags = -13;
constexpr int32_t kTileIndex = -14;
constexpr int32_t kBackground = -15;
constexpr int32_t kText = -16;
constexpr int32_t kReferencePoint = -258;
constexpr int32_t kProjection = -259;
constexpr int32_t kNoParameters = -260;
constexpr int32_t kPackedPair = -261;
constexpr int32_t kHeightDiff = -262;

constexpr int32_t kModeTiled = 2;       // the mode the writer writes; records go on after -12
constexpr size_t kTileHeaderBytes = 16;  // tag, column word, row word, size
constexpr size_t kReadBuffer = 4096;

// Projection kinds of tag -259. kLinear is ours: the "WGS84" kind had no
// number, and a container must come back with the kind it was written with.
enum ProjectionKind : int32_t {
    kLinear = 1,
    kLambertAzimuthal = 2,  // origin longitude, latitude
    kLambertConic = 3,      // origin longitude, latitude, two standard parallels
    kMercator = 4,          // origin longitude, latitude
    kTransverseMercator = 5,
    kOsm = 6,  // DX, DY as doubles (two words each, low word first)
};
// Words that follow the kind word; -1 for kinds the reader does not know.
int ProjectionWords(int32_t kind);
}  // namespace tvm

struct TvmTile {
    uint64_t offset = 0;  // file offset of the tile's pixels
    uint32_t size = 0;    // bytes of pixels
    uint16_t column = 0, row = 0;
    uint16_t width = 0, height = 0;
};

// Everything a container's records say.
struct TvmContents {
    bool visible = true;
    int32_t mode = tvm::kModeTiled;
    int32_t width = 0, height = 0;
    int32_t tileWidth = 0, tileHeight = 0;
    int32_t columns = 0, rows = 0;
    std::string name;  // UTF-8 (stored as UTF-16)
    int32_t offsetX = 0, offsetY = 0;
    int paletteBits = 0;  // 0: 24-bit tiles
    std::vector<uint32_t> palette;  // 0xAARRGGBB
    uint64_t tileDataOffset = 0;
    uint32_t mapFlags = 0;
    bool background = false;
    std::string text;  // tag -16 block
    std::vector<ReferencePoint> references;
    int32_t projectionKind = 0;  // 0: none (UTM)
    std::vector<uint32_t> projectionWords;
    uint32_t packedPair = 0;
    int32_t heightDiff = 0;
    std::vector<TvmTile> tiles;
    uint32_t largestTile = 0;

    // Tile at grid position, or nullptr.
    const TvmTile* tileAt(int column, int row) const;
    // Builds the grid lookup after the index was read.
    void indexTiles();

private:
    std::vector<int32_t> grid_;
};

// Reads the records of an open file (from its start). false with a reason when
// the data is no container or is damaged.
bool ReadTvm(FILE* file, TvmContents& contents, std::string* error = nullptr);
bool ReadTvmFile(const std::string& path, TvmContents& contents, std::string* error = nullptr);

// Decodes one tile's pixels into out (tile-sized, top row first).
bool ReadTvmTile(FILE* file, const TvmContents& contents, const TvmTile& tile, platform::Bitmap& out);

// The image rectangle a tile covers (y upward).
PixelRect TvmTileRect(const TvmContents& contents, int column, int row);

// Calibration recorded in the container: kind, parameters and reference points.
// nullptr when the projection record names nothing we can build.
std::unique_ptr<MapCalibration> TvmCalibration(const TvmContents& contents);
// The projection record for a calibration (kind 0 for UTM: no record).
void TvmProjectionFor(const MapCalibration& calibration, int32_t& kind, std::vector<uint32_t>& words);

}  // namespace trek
