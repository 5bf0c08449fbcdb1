#include "maps/image/BmpReader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <limits>

#include "maps/image/ByteIO.h"

namespace trek {

namespace {
constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kBiRgb = 0;

class FileDescriptor {
public:
    explicit FileDescriptor(const std::string& path) : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)) {}
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    bool ok() const { return fd_ >= 0; }
    // Reads exactly size bytes at offset; false on a short read.
    bool readAt(uint64_t offset, void* buffer, size_t size) const {
        auto* p = static_cast<uint8_t*>(buffer);
        while (size > 0) {
            ssize_t n = ::pread(fd_, p, size, static_cast<off_t>(offset));
            if (n <= 0) return false;
            p += n;
            size -= static_cast<size_t>(n);
            offset += static_cast<uint64_t>(n);
        }
        return true;
    }

private:
    int fd_;
};

bool DepthReadable(uint16_t bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 24; }
}  // namespace

BmpParse ParseBmpHeader(const uint8_t* data, size_t size, BmpHeader& h) {
    if (size < kFileHeaderSize + 40 || data[0] != 'B' || data[1] != 'M') return BmpParse::NotBitmap;
    const uint8_t* info = data + kFileHeaderSize;
    h.dataOffset = ReadLe32(data + 10);
    h.infoSize = ReadLe32(info);
    if (h.infoSize < 40 || h.infoSize > 4096) return BmpParse::NotBitmap;
    h.width = ReadLeS32(info + 4);
    int32_t height = ReadLeS32(info + 8);
    h.bitCount = ReadLe16(info + 14);
    h.compression = ReadLe32(info + 16);
    h.pixelsPerMetre = ReadLeS32(info + 24);
    h.colorsUsed = ReadLe32(info + 32);
    if (h.width <= 0 || height == 0 || height == std::numeric_limits<int32_t>::min()) return BmpParse::NotBitmap;
    h.topDown = height < 0;
    h.height = h.topDown ? -height : height;
    if (!DepthReadable(h.bitCount) || h.compression != kBiRgb) return BmpParse::UnsupportedDepth;
    uint64_t rowBytes = (static_cast<uint64_t>(h.width) * h.bitCount + 31) / 32 * 4;
    if (rowBytes > std::numeric_limits<uint32_t>::max() / 2) return BmpParse::NotBitmap;
    h.rowBytes = static_cast<uint32_t>(rowBytes);
    return BmpParse::Ok;
}

uint32_t BmpPaletteEntries(const BmpHeader& h) {
    if (h.bitCount > 8) return 0;
    uint32_t full = 1u << h.bitCount;
    if (h.colorsUsed == 0 || h.colorsUsed > full) return full;
    return h.colorsUsed;
}

ImageOpenStatus BmpReader::open(const std::string& path) {
    path_ = path;
    FileDescriptor file(path);
    if (!file.ok()) return ImageOpenStatus::NotFound;
    uint8_t head[kFileHeaderSize + 40];
    if (!file.readAt(0, head, sizeof head)) return ImageOpenStatus::Unreadable;
    switch (ParseBmpHeader(head, sizeof head, header_)) {
        case BmpParse::NotBitmap: return ImageOpenStatus::Unreadable;
        case BmpParse::UnsupportedDepth:
            info_.bitsPerPixel = header_.bitCount;
            return ImageOpenStatus::TooManyBits;
        case BmpParse::Ok: break;
    }
    palette_.assign(BmpPaletteEntries(header_), 0xFF000000u);
    if (!palette_.empty()) {
        std::vector<uint8_t> raw(palette_.size() * 4);
        if (!file.readAt(kFileHeaderSize + header_.infoSize, raw.data(), raw.size()))
            return ImageOpenStatus::Unreadable;
        for (size_t i = 0; i < palette_.size(); ++i) {
            const uint8_t* q = &raw[i * 4];  // blue, green, red, reserved
            palette_[i] = 0xFF000000u | (uint32_t(q[2]) << 16) | (uint32_t(q[1]) << 8) | q[0];
        }
    }
    info_.width = header_.width;
    info_.height = header_.height;
    info_.bitsPerPixel = header_.bitCount;
    info_.dpi = header_.pixelsPerMetre > 0 ? static_cast<int>(std::lround(header_.pixelsPerMetre * 0.0254)) : 96;
    if (info_.dpi <= 0) info_.dpi = 96;
    return ImageOpenStatus::Ok;
}

bool BmpReader::decodeRegion(const PixelRect& region, platform::Bitmap& out) {
    if (!PrepareRegionTarget(info_, region, out)) return false;
    FileDescriptor file(path_);
    if (!file.ok()) return false;
    const int bits = header_.bitCount;
    const uint64_t firstBit = static_cast<uint64_t>(region.left) * bits;
    const uint64_t firstByte = firstBit / 8;
    const uint64_t endByte = (static_cast<uint64_t>(region.right + 1) * bits + 7) / 8;
    std::vector<uint8_t> bytes(endByte - firstByte);
    const uint32_t paletteSize = static_cast<uint32_t>(palette_.size());
    for (int32_t y = region.top; y >= region.bottom; --y) {
        // Bottom-up files keep row y y rows after the start of the pixel data.
        uint64_t fileRow = header_.topDown ? static_cast<uint64_t>(TopDownRow(y, header_.height)) : y;
        uint64_t offset = header_.dataOffset + fileRow * header_.rowBytes + firstByte;
        if (!file.readAt(offset, bytes.data(), bytes.size())) return false;
        uint32_t* dst = out.row(region.top - y);
        for (int32_t x = region.left; x <= region.right; ++x) {
            uint64_t bit = static_cast<uint64_t>(x) * bits - firstByte * 8;
            const uint8_t* p = &bytes[bit / 8];
            uint32_t pixel;
            if (bits == 24) {
                pixel = 0xFF000000u | (uint32_t(p[2]) << 16) | (uint32_t(p[1]) << 8) | p[0];
            } else {
                unsigned shift = 8 - bits - static_cast<unsigned>(bit % 8);
                uint32_t index = (*p >> shift) & ((1u << bits) - 1);
                pixel = index < paletteSize ? palette_[index] : 0xFF000000u;
            }
            dst[x - region.left] = pixel;
        }
    }
    return true;
}

bool PrepareRegionTarget(const ImageProperties& info, const PixelRect& region, platform::Bitmap& out) {
    if (region.empty() || ClipToImage(region, info.width, info.height) != region) return false;
    return out.reset(region.width(), region.height());
}

}  // namespace trek
