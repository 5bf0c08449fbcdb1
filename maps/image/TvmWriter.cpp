#include "maps/image/TvmWriter.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <vector>

#include "maps/image/ByteIO.h"
#include "maps/image/StripBudget.h"
#include "maps/image/TvmFormat.h"
#include "platform/core/Text.h"

namespace trek {

namespace {

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

void Word(std::string& out, int32_t v) { AppendLe32(out, static_cast<uint32_t>(v)); }

std::string HeaderRecords(const TvmWriteRequest& r, int columns, int rows) {
    std::string out;
    Word(out, tvm::kVisible);
    Word(out, r.visible ? 1 : 0);
    Word(out, tvm::kMode);
    Word(out, tvm::kModeTiled);
    Word(out, tvm::kImageSize);
    Word(out, r.width);
    Word(out, r.height);
    Word(out, tvm::kTileSize);
    Word(out, r.tileSize);
    Word(out, r.tileSize);
    // The name as a wide string, padded to whole words.
    std::u16string wide = platform::Utf8ToUtf16(r.name);
    std::string bytes;
    for (char16_t c : wide) AppendLe16(bytes, static_cast<uint16_t>(c));
    while (bytes.size() % 4) bytes.push_back(0);
    Word(out, tvm::kName);
    Word(out, static_cast<int32_t>(bytes.size()));
    out += bytes;
    Word(out, tvm::kBackground);
    Word(out, r.background ? 1 : 0);
    Word(out, tvm::kHeightDiff);
    Word(out, r.heightDiff);
    if (r.calibration) {
        for (const ReferencePoint& p : r.calibration->referencePoints()) {
            Word(out, tvm::kReferencePoint);
            Word(out, p.x);
            Word(out, p.y);
            Word(out, p.lon);
            Word(out, p.lat);
        }
        int32_t kind = 0;
        std::vector<uint32_t> words;
        TvmProjectionFor(*r.calibration, kind, words);
        if (kind != 0) {
            Word(out, tvm::kProjection);
            Word(out, kind);
            for (uint32_t w : words) AppendLe32(out, w);
        }
    }
    // The index: every tile's grid position, size and byte count, in the
    // order the tiles follow (left to right, top to bottom).
    Word(out, tvm::kTileIndex);
    Word(out, columns * rows);
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < columns; ++col) {
            int w = std::min(r.tileSize, r.width - col * r.tileSize);
            int h = std::min(r.tileSize, r.height - row * r.tileSize);
            Word(out, col | (w << 16));
            Word(out, row | (h << 16));
            Word(out, static_cast<int32_t>(static_cast<size_t>(h) * ((static_cast<size_t>(w) * 3 + 3) / 4 * 4)));
        }
    }
    return out;
}

// One tile: its 16-byte header and its pixels as a bottom-up 24-bit DIB.
void AppendTile(std::string& out, const platform::Bitmap& band, int x0, int col, int row, int w, int h) {
    const size_t stride = (static_cast<size_t>(w) * 3 + 3) / 4 * 4;
    Word(out, tvm::kTileData);
    Word(out, col | (w << 16));
    Word(out, row | (h << 16));
    Word(out, static_cast<int32_t>(stride * h));
    for (int y = h - 1; y >= 0; --y) {
        const uint32_t* src = band.row(y) + x0;
        size_t start = out.size();
        for (int x = 0; x < w; ++x) {
            uint32_t p = src[x];
            out.push_back(static_cast<char>(p & 0xFF));
            out.push_back(static_cast<char>((p >> 8) & 0xFF));
            out.push_back(static_cast<char>((p >> 16) & 0xFF));
        }
        out.resize(start + stride, 0);
    }
}

struct FileCloser {
    void operator()(FILE* f) const {
        if (f) std::fclose(f);
    }
};

}  // namespace

std::string TvmProgressText(int percent) {
    char text[16];
    std::snprintf(text, sizeof text, "%3.d%%", percent);
    return text;
}

bool WriteTvm(const TvmWriteRequest& r, std::string* error) {
    if (r.width <= 0 || r.height <= 0 || !r.source) return Fail(error, "no image to write");
    if (r.tileSize < 16 || r.tileSize > 4096) return Fail(error, "tile size must be between 16 and 4096");
    const int columns = (r.width + r.tileSize - 1) / r.tileSize;
    const int rows = (r.height + r.tileSize - 1) / r.tileSize;
    if (columns > 0xFFFF || rows > 0xFFFF) return Fail(error, "image too large for the tile grid");
    const std::string temp = r.path + ".tmp" + std::to_string(::getpid());
    std::unique_ptr<FILE, FileCloser> file(std::fopen(temp.c_str(), "wb"));
    if (!file) return Fail(error, "cannot create " + r.path);
    auto abandon = [&](const std::string& why) {
        file.reset();
        std::remove(temp.c_str());
        return Fail(error, why);
    };
    std::string out = HeaderRecords(r, columns, rows);
    // Bands of one tile row, split into chunks of whole tiles that fit the strip budget.
    const size_t bandRowBytes = static_cast<size_t>(r.tileSize) * 4;
    const int chunkTiles = std::max(1, static_cast<int>(kMaxStripBytes / (bandRowBytes * r.tileSize)));
    const int total = columns * rows;
    int done = 0, lastPercent = -1;
    platform::Bitmap band;
    for (int row = 0; row < rows; ++row) {
        const int h = std::min(r.tileSize, r.height - row * r.tileSize);
        const int32_t top = r.height - 1 - row * r.tileSize;
        for (int firstCol = 0; firstCol < columns; firstCol += chunkTiles) {
            if (r.cancel && r.cancel->load()) return abandon("cancelled");
            const int lastCol = std::min(columns, firstCol + chunkTiles) - 1;
            PixelRect region{firstCol * r.tileSize, top - h + 1, std::min(r.width, (lastCol + 1) * r.tileSize) - 1, top};
            if (!r.source(region, band) || band.width() != region.width() || band.height() != region.height())
                return abandon("cannot decode the image");
            for (int col = firstCol; col <= lastCol; ++col) {
                const int w = std::min(r.tileSize, r.width - col * r.tileSize);
                AppendTile(out, band, (col - firstCol) * r.tileSize, col, row, w, h);
                ++done;
                int percent = done * 100 / total;
                if (r.progress && percent != lastPercent) r.progress(percent);
                lastPercent = percent;
            }
            if (std::fwrite(out.data(), 1, out.size(), file.get()) != out.size()) return abandon("write error");
            out.clear();
        }
    }
    if (std::fflush(file.get()) != 0 || ::fsync(fileno(file.get())) != 0) return abandon("write error");
    file.reset();
    if (std::rename(temp.c_str(), r.path.c_str()) != 0) {
        std::remove(temp.c_str());
        return Fail(error, "cannot rename to " + r.path);
    }
    return true;
}

}  // namespace trek
