#include "maps/image/TvmFormat.h"

#include <cstring>
#include <limits>

#include "maps/calibration/OsmCalibration.h"
#include "maps/calibration/ProjectedCalibration.h"
#include "maps/calibration/MapDescription.h"
#include "maps/image/ByteIO.h"
#include "platform/core/Text.h"

namespace trek {

namespace {

// Bounds that keep a damaged file from asking for absurd amounts of memory.
constexpr int64_t kMaxGridTiles = int64_t(1) << 24;
constexpr uint32_t kMaxBlockBytes = 1u << 20;
constexpr uint32_t kMaxTileBytes = 1u << 28;

// Words from a file through a 4096-byte buffer that is refilled as it goes.
class WordStream {
public:
    explicit WordStream(FILE* file) : file_(file) {}

    bool next(uint32_t& word) {
        uint8_t bytes[4];
        for (uint8_t& b : bytes) {
            if (pos_ == end_ && !refill()) return false;
            b = buffer_[pos_++];
        }
        word = ReadLe32(bytes);
        return true;
    }
    bool nextSigned(int32_t& value) {
        uint32_t w;
        if (!next(w)) return false;
        value = static_cast<int32_t>(w);
        return true;
    }
    bool skipWords(uint64_t count) {
        uint32_t w;
        for (uint64_t i = 0; i < count; ++i)
            if (!next(w)) return false;
        return true;
    }
    uint64_t offset() const { return base_ + pos_; }

private:
    bool refill() {
        base_ += end_;
        pos_ = 0;
        end_ = std::fread(buffer_, 1, sizeof buffer_, file_);
        return end_ > 0;
    }
    FILE* file_;
    uint8_t buffer_[tvm::kReadBuffer];
    size_t pos_ = 0, end_ = 0;
    uint64_t base_ = 0;
};

bool Fail(std::string* error, const char* text) {
    if (error) *error = text;
    return false;
}

// A byte-length-prefixed block (tags -7, -9, -16): the length word, then the
// bytes padded to whole words.
bool ReadBlock(WordStream& in, std::string& bytes) {
    uint32_t length;
    if (!in.next(length) || length > kMaxBlockBytes) return false;
    bytes.clear();
    for (uint32_t i = 0; i < (length + 3) / 4; ++i) {
        uint32_t w;
        if (!in.next(w)) return false;
        for (int k = 0; k < 4; ++k) bytes.push_back(static_cast<char>((w >> (8 * k)) & 0xFF));
    }
    bytes.resize(length);
    return true;
}

std::string WideToUtf8(const std::string& bytes) {
    std::u16string wide;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char16_t c = static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
        if (c == 0) break;
        wide.push_back(c);
    }
    return CutUtf8(platform::Utf16ToUtf8(wide), kMapNameMax);
}

size_t DibStride(int width, int bits) { return (static_cast<size_t>(width) * bits + 31) / 32 * 4; }

bool ReadIndex(WordStream& in, TvmContents& c, std::string* error) {
    uint32_t count;
    if (!in.next(count)) return Fail(error, "truncated tile index");
    if (c.columns <= 0 || c.rows <= 0) return Fail(error, "tile index before the image and tile sizes");
    if (count > static_cast<uint64_t>(c.columns) * c.rows) return Fail(error, "more tiles than the grid holds");
    c.tiles.clear();
    c.tiles.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        uint32_t colWord, rowWord, size;
        if (!in.next(colWord) || !in.next(rowWord) || !in.next(size)) return Fail(error, "truncated tile index");
        TvmTile t;
        t.column = static_cast<uint16_t>(colWord & 0xFFFF);
        t.width = static_cast<uint16_t>(colWord >> 16);
        t.row = static_cast<uint16_t>(rowWord & 0xFFFF);
        t.height = static_cast<uint16_t>(rowWord >> 16);
        t.size = size;
        if (size > kMaxTileBytes) return Fail(error, "tile too large");
        c.tiles.push_back(t);
        if (size > c.largestTile) c.largestTile = size;
    }
    return true;
}

}  // namespace

int tvm::ProjectionWords(int32_t kind) {
    switch (kind) {
        case kLinear: return 0;
        case kLambertAzimuthal: return 2;
        case kLambertConic: return 4;
        case kMercator: return 2;
        case kTransverseMercator: return 2;
        case kOsm: return 4;
        default: return -1;
    }
}

const TvmTile* TvmContents::tileAt(int column, int row) const {
    if (column < 0 || row < 0 || column >= columns || row >= rows || grid_.empty()) return nullptr;
    int32_t i = grid_[static_cast<size_t>(row) * columns + column];
    return i < 0 ? nullptr : &tiles[static_cast<size_t>(i)];
}

void TvmContents::indexTiles() {
    grid_.assign(static_cast<size_t>(columns) * rows, -1);
    for (size_t i = 0; i < tiles.size(); ++i) {
        const TvmTile& t = tiles[i];
        if (t.column < columns && t.row < rows) grid_[static_cast<size_t>(t.row) * columns + t.column] = static_cast<int32_t>(i);
    }
}

bool ReadTvm(FILE* file, TvmContents& c, std::string* error) {
    c = TvmContents{};
    WordStream in(file);
    int32_t tag;
    if (!in.nextSigned(tag) || tag != tvm::kVisible) return Fail(error, "not a TVM container");
    bool indexRead = false;
    bool first = true;
    for (;;) {
        if (!first && !in.nextSigned(tag)) break;  // end of file ends the records
        first = false;
        uint32_t a = 0, b = 0;
        switch (tag) {
            case tvm::kVisible:
                if (!in.next(a)) return Fail(error, "truncated record");
                c.visible = (a & 0xFF) != 0;
                continue;
            case tvm::kMode:
                if (!in.next(a)) return Fail(error, "truncated record");
                c.mode = static_cast<int32_t>(a);
                if (c.mode != tvm::kModeTiled) break;
                continue;
            case tvm::kSkipped:
                if (!in.skipWords(1)) return Fail(error, "truncated record");
                continue;
            case tvm::kImageSize:
            case tvm::kTileSize:
            case tvm::kOffsetPair:
                if (!in.next(a) || !in.next(b)) return Fail(error, "truncated record");
                if (tag == tvm::kImageSize) {
                    c.width = static_cast<int32_t>(a);
                    c.height = static_cast<int32_t>(b);
                } else if (tag == tvm::kTileSize) {
                    c.tileWidth = static_cast<int32_t>(a);
                    c.tileHeight = static_cast<int32_t>(b);
                } else {
                    c.offsetX = static_cast<int32_t>(a);
                    c.offsetY = static_cast<int32_t>(b);
                }
                if (c.width > 0 && c.height > 0 && c.tileWidth > 0 && c.tileHeight > 0) {
                    if (c.tileWidth > 0xFFFF || c.tileHeight > 0xFFFF) return Fail(error, "bad tile size");
                    int64_t cols = (int64_t(c.width) + c.tileWidth - 1) / c.tileWidth;
                    int64_t rows = (int64_t(c.height) + c.tileHeight - 1) / c.tileHeight;
                    if (cols > 0xFFFF || rows > 0xFFFF || cols * rows > kMaxGridTiles) return Fail(error, "too many tiles");
                    c.columns = static_cast<int32_t>(cols);
                    c.rows = static_cast<int32_t>(rows);
                }
                continue;
            case tvm::kName: {
                std::string bytes;
                if (!ReadBlock(in, bytes)) return Fail(error, "bad name record");
                c.name = WideToUtf8(bytes);
                continue;
            }
            case tvm::kSkippedBlock: {
                std::string bytes;
                if (!ReadBlock(in, bytes)) return Fail(error, "bad record");
                continue;
            }
            case tvm::kText:
                if (!ReadBlock(in, c.text)) return Fail(error, "bad text record");
                continue;
            case tvm::kPalette: {
                if (!in.next(a) || !in.skipWords(1)) return Fail(error, "truncated palette");
                if (a != 1 && a != 2 && a != 4 && a != 8) return Fail(error, "bad palette depth");
                c.paletteBits = static_cast<int>(a);
                c.palette.resize(size_t(1) << a);
                for (uint32_t& entry : c.palette) {
                    if (!in.next(entry)) return Fail(error, "truncated palette");
                    entry = 0xFF000000u | (entry & 0xFFFFFF);  // stored as blue, green, red, reserved
                }
                continue;
            }
            case tvm::kTileData:
                c.tileDataOffset = in.offset();
                if (c.mode != tvm::kModeTiled) break;
                continue;
            case tvm::kMapFlags:
                if (!in.next(c.mapFlags)) return Fail(error, "truncated record");
                continue;
            case tvm::kTileIndex:
                if (!ReadIndex(in, c, error)) return false;
                c.tileDataOffset = in.offset();
                indexRead = true;
                break;
            case tvm::kBackground:
                if (!in.next(a)) return Fail(error, "truncated record");
                c.background = a != 0;
                continue;
            case tvm::kReferencePoint: {
                int32_t v[4];
                for (int32_t& x : v)
                    if (!in.nextSigned(x)) return Fail(error, "truncated reference point");
                if (c.references.size() < 1024) c.references.push_back({v[0], v[1], v[2], v[3]});
                continue;
            }
            case tvm::kProjection: {
                int32_t kind;
                if (!in.nextSigned(kind)) return Fail(error, "truncated projection");
                int words = tvm::ProjectionWords(kind);
                if (words < 0) return Fail(error, "unknown projection kind");
                c.projectionKind = kind;
                c.projectionWords.assign(static_cast<size_t>(words), 0);
                for (uint32_t& w : c.projectionWords)
                    if (!in.next(w)) return Fail(error, "truncated projection");
                continue;
            }
            case tvm::kNoParameters:
                continue;
            case tvm::kPackedPair:
                if (!in.next(c.packedPair)) return Fail(error, "truncated record");
                continue;
            case tvm::kHeightDiff:
                if (!in.nextSigned(c.heightDiff)) return Fail(error, "truncated record");
                continue;
            default:
                return Fail(error, "unknown record");
        }
        break;  // the records that end the header
    }
    if (c.width <= 0 || c.height <= 0 || c.tileWidth <= 0 || c.tileHeight <= 0)
        return Fail(error, "no image or tile size");
    if (!indexRead) return Fail(error, "no tile index");
    // Each tile's pixels lie after the previous tile plus its 16-byte header.
    uint64_t offset = c.tileDataOffset;
    const int bits = c.paletteBits ? c.paletteBits : 24;
    for (TvmTile& t : c.tiles) {
        t.offset = offset + tvm::kTileHeaderBytes;
        offset = t.offset + t.size;
        if (t.column >= c.columns || t.row >= c.rows) return Fail(error, "tile outside the grid");
        PixelRect r = TvmTileRect(c, t.column, t.row);
        if (t.width != r.width() || t.height != r.height()) return Fail(error, "tile size does not fit the grid");
        if (t.size < DibStride(t.width, bits) * t.height) return Fail(error, "tile smaller than its pixels");
    }
    c.indexTiles();
    return true;
}

bool ReadTvmFile(const std::string& path, TvmContents& contents, std::string* error) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return Fail(error, "cannot open file");
    bool ok = ReadTvm(f, contents, error);
    std::fclose(f);
    return ok;
}

PixelRect TvmTileRect(const TvmContents& c, int column, int row) {
    // Rows of tiles run top to bottom; image y runs upward.
    int32_t left = column * c.tileWidth;
    int32_t right = std::min(c.width, left + c.tileWidth) - 1;
    int32_t topDown = row * c.tileHeight;
    int32_t bottomDown = std::min(c.height, topDown + c.tileHeight) - 1;
    return PixelRect{left, c.height - 1 - bottomDown, right, c.height - 1 - topDown};
}

bool ReadTvmTile(FILE* file, const TvmContents& c, const TvmTile& tile, platform::Bitmap& out) {
    if (tile.width == 0 || tile.height == 0) return false;
    const int bits = c.paletteBits ? c.paletteBits : 24;
    const size_t stride = DibStride(tile.width, bits);
    if (static_cast<uint64_t>(stride) * tile.height > tile.size) return false;
    uint8_t header[tvm::kTileHeaderBytes];
    if (fseeko(file, static_cast<off_t>(tile.offset - tvm::kTileHeaderBytes), SEEK_SET) != 0) return false;
    if (std::fread(header, 1, sizeof header, file) != sizeof header) return false;
    // The tile's own header must agree with the index.
    if (ReadLeS32(header) != tvm::kTileData || (ReadLe32(header + 4) & 0xFFFF) != tile.column ||
        (ReadLe32(header + 8) & 0xFFFF) != tile.row)
        return false;
    std::vector<uint8_t> row(stride);
    if (!out.reset(tile.width, tile.height)) return false;
    const uint32_t paletteSize = static_cast<uint32_t>(c.palette.size());
    for (int fileRow = 0; fileRow < tile.height; ++fileRow) {  // bottom-up
        if (std::fread(row.data(), 1, stride, file) != stride) return false;
        uint32_t* dst = out.row(tile.height - 1 - fileRow);
        for (int x = 0; x < tile.width; ++x) {
            if (bits == 24) {
                const uint8_t* p = &row[static_cast<size_t>(x) * 3];
                dst[x] = 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
            } else {
                size_t bit = static_cast<size_t>(x) * bits;
                uint32_t index = (row[bit / 8] >> (8 - bits - bit % 8)) & ((1u << bits) - 1);
                dst[x] = index < paletteSize ? c.palette[index] : 0xFF000000u;
            }
        }
    }
    return true;
}

namespace {
double WordsToDouble(uint32_t low, uint32_t high) {
    uint64_t bits = (static_cast<uint64_t>(high) << 32) | low;
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}
void DoubleToWords(double d, std::vector<uint32_t>& words) {
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    words.push_back(static_cast<uint32_t>(bits));
    words.push_back(static_cast<uint32_t>(bits >> 32));
}
}  // namespace

std::unique_ptr<MapCalibration> TvmCalibration(const TvmContents& c) {
    std::unique_ptr<MapCalibration> cal;
    const std::vector<uint32_t>& w = c.projectionWords;
    auto angle = [&](size_t i) { return i < w.size() ? static_cast<int32_t>(w[i]) : 0; };
    ProjectionParams params{angle(0), angle(1), angle(2), angle(3)};
    switch (c.projectionKind) {
        case 0: cal = CreateCalibration(CalibrationKind::Utm); break;
        case tvm::kLinear: cal = CreateCalibration(CalibrationKind::Linear); break;
        case tvm::kLambertAzimuthal: cal = CreateCalibration(CalibrationKind::LambertAzimuthalEqualArea, params); break;
        case tvm::kLambertConic: cal = CreateCalibration(CalibrationKind::LambertConformalConic, params); break;
        case tvm::kMercator: cal = CreateCalibration(CalibrationKind::Mercator, params); break;
        case tvm::kTransverseMercator: cal = CreateCalibration(CalibrationKind::TransverseMercator, params); break;
        case tvm::kOsm:
            cal = CreateCalibration(CalibrationKind::Osm, {}, WordsToDouble(w[0], w[1]), WordsToDouble(w[2], w[3]));
            break;
        default: return nullptr;
    }
    if (cal) cal->SetReferencePoints(c.references);
    return cal;
}

void TvmProjectionFor(const MapCalibration& cal, int32_t& kind, std::vector<uint32_t>& words) {
    words.clear();
    auto params = [&](int count) {
        const auto* p = dynamic_cast<const ProjectedCalibration*>(&cal);
        ProjectionParams pp = p ? p->params() : ProjectionParams{};
        int32_t v[4] = {pp.lon0, pp.lat0, pp.lat1, pp.lat2};
        for (int i = 0; i < count; ++i) words.push_back(static_cast<uint32_t>(v[i]));
    };
    switch (cal.kind()) {
        case CalibrationKind::Utm: kind = 0; return;
        case CalibrationKind::Linear: kind = tvm::kLinear; return;
        case CalibrationKind::Osm: {
            kind = tvm::kOsm;
            const auto& osm = static_cast<const OsmCalibration&>(cal);
            DoubleToWords(osm.dx(), words);
            DoubleToWords(osm.dy(), words);
            return;
        }
        case CalibrationKind::Mercator: kind = tvm::kMercator; params(2); return;
        case CalibrationKind::TransverseMercator: kind = tvm::kTransverseMercator; params(2); return;
        case CalibrationKind::LambertAzimuthalEqualArea: kind = tvm::kLambertAzimuthal; params(2); return;
        case CalibrationKind::LambertConformalConic: kind = tvm::kLambertConic; params(4); return;
    }
    kind = 0;
}

}  // namespace trek
