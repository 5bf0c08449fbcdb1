#pragma once
// A map held in a tiled container: ".tvm" (ours, 24-bit or paletted tiles),
// ".tvp" (JPEG tiles behind a bitmap-like header) or ".qmp". A region is put
// together from the tiles it touches, read one by one under the map's lock.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "maps/image/RasterMap.h"
#include "maps/image/TvmFormat.h"

namespace trek {

enum class ContainerKind { None, Tvm, Tvp, Qmp };
ContainerKind ContainerKindFor(const std::string& path);  // by extension

constexpr const char* kContainerLoadError = "Error loading map!";

// Tile grid of a ".tvp" or ".qmp" container: offsets and sizes of encoded tiles.
struct EncodedTile {
    int64_t offset = -1;  // -1: empty tile, stays blank
    uint32_t size = 0;
};
struct EncodedTileGrid {
    int32_t width = 0, height = 0;
    int32_t tileWidth = 0, tileHeight = 0;
    int32_t columns = 0, rows = 0;
    std::vector<EncodedTile> tiles;  // row-major, top row first
    uint32_t largestTile = 0;
};

// Parse the container headers from the file's bytes (the first part of the
// file is enough for .tvp; .qmp needs its header area). Safe for any bytes.
bool ParseTvpIndex(const uint8_t* data, size_t size, EncodedTileGrid& grid);
bool ParseQmpHeader(const uint8_t* data, size_t size, EncodedTileGrid& grid);

class TiledMap : public RasterMap {
public:
    // Opens a container; shows "Error loading map!" (titled with the path) when
    // error messages are on and the file cannot be read; nullptr then. The
    // calibration recorded in a ".tvm" is calibrated; failing drops the map.
    static std::unique_ptr<TiledMap> OpenContainer(const std::string& path);

    bool AttachImage(bool showMessages = true) override;
    bool DecodeRegion(const PixelRect& region, platform::Bitmap& out) override;
    std::string InfoText() const override;

    ContainerKind kind() const { return kind_; }
    const TvmContents& tvm() const { return tvm_; }
    int32_t tileWidth() const;
    int32_t tileHeight() const;
    int32_t tileColumns() const;
    int32_t tileRows() const;
    uint32_t largestTile() const;

private:
    bool LoadTvm(const std::string& path);
    bool LoadEncoded(const std::string& path, ContainerKind kind);
    bool DrawTvmTiles(FILE* file, const PixelRect& region, platform::Bitmap& out);
    bool DrawEncodedTiles(FILE* file, const PixelRect& region, platform::Bitmap& out);

    ContainerKind kind_ = ContainerKind::None;
    TvmContents tvm_;
    EncodedTileGrid grid_;
    uint64_t fileSize_ = 0;
};

}  // namespace trek
