#include "maps/image/TiledMap.h"

#include <sys/stat.h>

#include <cstdio>

#include "maps/image/ByteIO.h"
#include "maps/image/ImageKinds.h"
#include "maps/image/ImageMessages.h"
#include "maps/image/JpegReader.h"
#include "maps/image/PngReader.h"

namespace trek {

namespace {

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

constexpr size_t kTvpIndexStart = 66;
constexpr uint32_t kJfifMarker = 0xE0FFD8FF;  // the bytes FF D8 FF E0 read as a word
constexpr size_t kQmpHeaderBytes = 44;
constexpr size_t kQmpRowRecord = 32;
constexpr size_t kQmpTileRecord = 36;
constexpr int64_t kMaxGrid = int64_t(1) << 22;

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool ReadAt(FILE* f, uint64_t offset, void* out, size_t size) {
    return fseeko(f, static_cast<off_t>(offset), SEEK_SET) == 0 && std::fread(out, 1, size, f) == size;
}

// Intersection of two rectangles.
PixelRect Intersect(const PixelRect& a, const PixelRect& b) {
    PixelRect r{std::max(a.left, b.left), std::max(a.bottom, b.bottom), std::min(a.right, b.right), std::min(a.top, b.top)};
    return r.empty() ? PixelRect{} : r;
}

void Paste(platform::Bitmap& out, const PixelRect& outRect, const platform::Bitmap& tile, const PixelRect& tileRect) {
    PixelRect part = Intersect(outRect, tileRect);
    if (part.empty()) return;
    for (int32_t y = part.top; y >= part.bottom; --y) {
        int ty = tileRect.top - y;
        if (ty >= tile.height()) continue;
        const uint32_t* src = tile.row(ty) + (part.left - tileRect.left);
        uint32_t* dst = out.row(outRect.top - y) + (part.left - outRect.left);
        int count = std::min(part.width(), tile.width() - (part.left - tileRect.left));
        for (int i = 0; i < count; ++i) dst[i] = src[i];
    }
}

bool DecodeEncodedTile(const std::vector<uint8_t>& bytes, platform::Bitmap& tile) {
    switch (ImageKindFromSignature(bytes.data(), bytes.size())) {
        case ImageKind::Jpeg: return DecodeJpegMemory(bytes.data(), bytes.size(), tile);
        case ImageKind::Png: return DecodePngMemory(bytes.data(), bytes.size(), tile);
        default: return false;
    }
}

}  // namespace

ContainerKind ContainerKindFor(const std::string& path) {
    std::string ext = FileExtension(path);
    if (ext == "TVM") return ContainerKind::Tvm;
    if (ext == "TVP") return ContainerKind::Tvp;
    if (ext == "QMP") return ContainerKind::Qmp;
    return ContainerKind::None;
}

bool ParseTvpIndex(const uint8_t* data, size_t size, EncodedTileGrid& grid) {
    grid = EncodedTileGrid{};
    if (size < kTvpIndexStart + 16) return false;
    grid.width = ReadLe16(data + 18);
    grid.height = ReadLe16(data + 22);
    if (grid.width <= 0 || grid.height <= 0) return false;
    // Index entries until the first JPEG data begins.
    for (size_t at = kTvpIndexStart; at + 16 <= size; at += 16) {
        if (ReadLe32(data + at) == kJfifMarker) break;
        if (grid.tiles.size() >= static_cast<size_t>(kMaxGrid)) return false;
        int32_t offset = ReadLeS32(data + at);
        uint32_t bytes = ReadLe32(data + at + 4);
        EncodedTile t;
        if (offset != -1) {
            if (offset < 0) return false;
            t.offset = int64_t(offset) + int64_t(kTvpIndexStart);
            t.size = bytes;
            grid.largestTile = std::max(grid.largestTile, bytes);
        }
        grid.tiles.push_back(t);
    }
    return !grid.tiles.empty();
}

bool ParseQmpHeader(const uint8_t* data, size_t size, EncodedTileGrid& grid) {
    // A 4-byte offset at 9 leads to the 44-byte header: image width and height,
    // tile width and height, columns and rows. Each row of tiles has a 32-byte
    // record followed by a 36-byte record a tile: tile offset and byte size.
    grid = EncodedTileGrid{};
    if (size < 13) return false;
    uint32_t header = ReadLe32(data + 9);
    if (header > size || size - header < kQmpHeaderBytes) return false;
    const uint8_t* h = data + header;
    grid.width = ReadLeS32(h + 4);
    grid.height = ReadLeS32(h + 8);
    grid.tileWidth = ReadLeS32(h + 12);
    grid.tileHeight = ReadLeS32(h + 16);
    grid.columns = ReadLeS32(h + 20);
    grid.rows = ReadLeS32(h + 24);
    if (grid.width <= 0 || grid.height <= 0 || grid.tileWidth <= 0 || grid.tileHeight <= 0 || grid.columns <= 0 ||
        grid.rows <= 0 || grid.tileWidth > 65535 || grid.tileHeight > 65535 ||
        int64_t(grid.columns) * grid.rows > kMaxGrid ||
        int64_t(grid.columns) * grid.tileWidth < grid.width || int64_t(grid.rows) * grid.tileHeight < grid.height)
        return false;
    size_t at = header + kQmpHeaderBytes;
    for (int32_t row = 0; row < grid.rows; ++row) {
        if (size - at < kQmpRowRecord) return false;
        at += kQmpRowRecord;
        for (int32_t col = 0; col < grid.columns; ++col) {
            if (size - at < kQmpTileRecord) return false;
            EncodedTile t;
            uint32_t offset = ReadLe32(data + at), bytes = ReadLe32(data + at + 4);
            if (offset != 0xFFFFFFFFu && bytes > 0) {
                t.offset = offset;
                t.size = bytes;
                grid.largestTile = std::max(grid.largestTile, bytes);
            }
            grid.tiles.push_back(t);
            at += kQmpTileRecord;
        }
    }
    return true;
}

std::unique_ptr<TiledMap> TiledMap::OpenContainer(const std::string& path) {
    auto map = std::make_unique<TiledMap>();
    map->SetImagePath(path);
    map->SetName(BaseName(path));
    map->SetDate(TodayDateText());
    map->visible = true;
    if (!map->AttachImage(true)) return nullptr;
    return map;
}

bool TiledMap::AttachImage(bool showMessages) {
    ReleaseWindow();
    SetLoaded(false);
    kind_ = ContainerKindFor(imagePath);
    bool ok = false;
    if (kind_ == ContainerKind::Tvm) ok = LoadTvm(imagePath);
    else if (kind_ != ContainerKind::None) ok = LoadEncoded(imagePath, kind_);
    if (!ok) {
        if (showMessages && MapErrorMessagesEnabled()) ShowMapMessage(kContainerLoadError, imagePath);
        return false;
    }
    struct stat st{};
    if (::stat(imagePath.c_str(), &st) == 0) fileSize_ = static_cast<uint64_t>(st.st_size);
    SetLoaded(true);
    return true;
}

bool TiledMap::LoadTvm(const std::string& path) {
    if (!ReadTvmFile(path, tvm_)) return false;
    SetImageSize(tvm_.width, tvm_.height, tvm_.paletteBits ? tvm_.paletteBits : 24, 96);
    if (!tvm_.name.empty()) SetName(tvm_.name);
    visible = tvm_.visible;
    background = tvm_.background;
    heightDiff = tvm_.heightDiff;
    std::unique_ptr<MapCalibration> cal = TvmCalibration(tvm_);
    if (!cal || !cal->Calibrate()) return false;  // an uncalibrated container is dropped
    SetCalibration(std::move(cal));
    return true;
}

bool TiledMap::LoadEncoded(const std::string& path, ContainerKind kind) {
    FilePtr file(std::fopen(path.c_str(), "rb"));
    if (!file) return false;
    // The index lies near the start; 4 MiB holds a grid of 262144 tiles.
    std::vector<uint8_t> head(4 << 20);
    head.resize(std::fread(head.data(), 1, head.size(), file.get()));
    bool ok = kind == ContainerKind::Tvp ? ParseTvpIndex(head.data(), head.size(), grid_)
                                         : ParseQmpHeader(head.data(), head.size(), grid_);
    if (!ok) return false;
    if (kind == ContainerKind::Tvp) {
        // The first non-empty tile tells the tile size.
        const EncodedTile* first = nullptr;
        for (const EncodedTile& t : grid_.tiles)
            if (t.offset >= 0) {
                first = &t;
                break;
            }
        if (!first || first->size == 0 || first->size > (64u << 20)) return false;
        std::vector<uint8_t> bytes(first->size);
        if (!ReadAt(file.get(), static_cast<uint64_t>(first->offset), bytes.data(), bytes.size())) return false;
        ImageProperties info;
        if (!ReadJpegInfo(bytes.data(), bytes.size(), info)) return false;
        grid_.tileWidth = info.width;
        grid_.tileHeight = info.height;
        grid_.columns = grid_.width / grid_.tileWidth + 1;
        grid_.rows = grid_.height / grid_.tileHeight + 1;
    }
    SetImageSize(grid_.width, grid_.height, 24, 96);
    return true;
}

bool TiledMap::DecodeRegion(const PixelRect& region, platform::Bitmap& out) {
    if (region.empty() || ClipToImage(region, imageWidth(), imageHeight()) != region) return false;
    std::lock_guard<std::mutex> guard(lock());
    FilePtr file(std::fopen(imagePath.c_str(), "rb"));
    if (!file || !out.reset(region.width(), region.height())) return false;
    return kind_ == ContainerKind::Tvm ? DrawTvmTiles(file.get(), region, out) : DrawEncodedTiles(file.get(), region, out);
}

bool TiledMap::DrawTvmTiles(FILE* file, const PixelRect& region, platform::Bitmap& out) {
    const int32_t th = tvm_.tileHeight, tw = tvm_.tileWidth;
    const int firstRow = TopDownRow(region.top, tvm_.height) / th, lastRow = TopDownRow(region.bottom, tvm_.height) / th;
    platform::Bitmap tile;
    for (int row = firstRow; row <= lastRow; ++row)
        for (int col = region.left / tw; col <= region.right / tw; ++col) {
            const TvmTile* t = tvm_.tileAt(col, row);
            if (!t) continue;  // a missing tile stays blank
            if (!ReadTvmTile(file, tvm_, *t, tile)) return false;
            Paste(out, region, tile, TvmTileRect(tvm_, col, row));
        }
    return true;
}

bool TiledMap::DrawEncodedTiles(FILE* file, const PixelRect& region, platform::Bitmap& out) {
    const int32_t th = grid_.tileHeight, tw = grid_.tileWidth;
    const int firstRow = TopDownRow(region.top, grid_.height) / th, lastRow = TopDownRow(region.bottom, grid_.height) / th;
    platform::Bitmap tile;
    std::vector<uint8_t> bytes;
    for (int row = firstRow; row <= lastRow; ++row)
        for (int col = region.left / tw; col <= region.right / tw; ++col) {
            size_t index = static_cast<size_t>(row) * grid_.columns + col;
            if (col >= grid_.columns || index >= grid_.tiles.size()) continue;
            const EncodedTile& t = grid_.tiles[index];
            if (t.offset < 0 || t.size == 0 || t.size > (64u << 20)) continue;  // empty tiles stay blank
            bytes.resize(t.size);
            if (!ReadAt(file, static_cast<uint64_t>(t.offset), bytes.data(), bytes.size())) continue;
            if (!DecodeEncodedTile(bytes, tile)) continue;
            int32_t top = grid_.height - 1 - row * th;
            Paste(out, region, tile, PixelRect{col * tw, top - tile.height() + 1, col * tw + tile.width() - 1, top});
        }
    return true;
}

int32_t TiledMap::tileWidth() const { return kind_ == ContainerKind::Tvm ? tvm_.tileWidth : grid_.tileWidth; }
int32_t TiledMap::tileHeight() const { return kind_ == ContainerKind::Tvm ? tvm_.tileHeight : grid_.tileHeight; }
int32_t TiledMap::tileColumns() const { return kind_ == ContainerKind::Tvm ? tvm_.columns : grid_.columns; }
int32_t TiledMap::tileRows() const { return kind_ == ContainerKind::Tvm ? tvm_.rows : grid_.rows; }
uint32_t TiledMap::largestTile() const { return kind_ == ContainerKind::Tvm ? tvm_.largestTile : grid_.largestTile; }

std::string TiledMap::InfoText() const {
    char text[1024];
    std::snprintf(text, sizeof text,
                  "File: %s\r\nDate: %s\r\nWidth=%d, Height=%d\r\nNumber of tiles: %d x %d\r\nTile size: %d x %d\r\nSize: %d bytes",
                  imagePath.c_str(), date.c_str(), imageWidth(), imageHeight(), tileColumns(), tileRows(), tileWidth(),
                  tileHeight(), static_cast<int>(std::min<uint64_t>(fileSize_, INT32_MAX)));
    return text;
}

}  // namespace trek
