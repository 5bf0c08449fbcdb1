#include "maps/calibration/ImageHeader.h"

#include <cstdio>
#include <cstring>
#include <limits>

namespace trek {

namespace {

uint16_t Be16(const uint8_t* p) { return uint16_t(p[0] << 8 | p[1]); }
uint32_t Be32(const uint8_t* p) { return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]; }
uint16_t Le16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
uint32_t Le32(const uint8_t* p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24; }

bool SaneSize(int64_t w, int64_t h) {
    return w > 0 && h > 0 && w <= std::numeric_limits<int32_t>::max() && h <= std::numeric_limits<int32_t>::max();
}

std::optional<ImageInfo> Make(ImageFormat format, int64_t w, int64_t h, int32_t bits) {
    if (!SaneSize(w, h)) return std::nullopt;
    return ImageInfo{format, int32_t(w), int32_t(h), bits};
}

std::optional<ImageInfo> ReadPng(ByteSource& src) {
    // Signature, then the IHDR chunk: length, "IHDR", width, height, depth, colour type.
    uint8_t h[26];
    if (!src.Read(0, h, sizeof h) || std::memcmp(h, "\x89PNG\r\n\x1a\n", 8) != 0 || std::memcmp(h + 12, "IHDR", 4) != 0)
        return std::nullopt;
    static constexpr int kChannels[7] = {1, 0, 3, 1, 2, 0, 4};
    const int channels = h[25] < 7 ? kChannels[h[25]] : 0;
    if (channels == 0) return std::nullopt;
    return Make(ImageFormat::Png, Be32(h + 16), Be32(h + 20), h[24] * channels);
}

std::optional<ImageInfo> ReadGif(ByteSource& src) {
    uint8_t h[11];
    if (!src.Read(0, h, sizeof h) || (std::memcmp(h, "GIF87a", 6) != 0 && std::memcmp(h, "GIF89a", 6) != 0))
        return std::nullopt;
    const int bits = (h[10] & 0x80) ? (h[10] & 7) + 1 : 8;
    return Make(ImageFormat::Gif, Le16(h + 6), Le16(h + 8), bits);
}

std::optional<ImageInfo> ReadBmp(ByteSource& src) {
    uint8_t h[30];
    if (!src.Read(0, h, 18) || h[0] != 'B' || h[1] != 'M') return std::nullopt;
    const uint32_t headerSize = Le32(h + 14);
    if (headerSize == 12) {  // OS/2 core header: 16-bit sizes
        if (!src.Read(0, h, 26)) return std::nullopt;
        return Make(ImageFormat::Bmp, Le16(h + 18), Le16(h + 20), Le16(h + 24));
    }
    if (headerSize < 40 || !src.Read(0, h, 30)) return std::nullopt;
    const int64_t w = int32_t(Le32(h + 18));
    int64_t height = int32_t(Le32(h + 22));
    if (height < 0) height = -height;  // top-down bitmap
    return Make(ImageFormat::Bmp, w, height, Le16(h + 28));
}

std::optional<ImageInfo> ReadJpeg(ByteSource& src) {
    uint8_t b[2];
    if (!src.Read(0, b, 2) || b[0] != 0xFF || b[1] != 0xD8) return std::nullopt;
    uint64_t pos = 2;
    // Walk the marker segments up to the frame header; a damaged file ends the walk.
    for (int guard = 0; guard < 100000; ++guard) {
        if (!src.Read(pos, b, 2)) return std::nullopt;
        if (b[0] != 0xFF) return std::nullopt;
        uint8_t marker = b[1];
        if (marker == 0xFF) {  // fill byte
            ++pos;
            continue;
        }
        pos += 2;
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
        if (marker == 0xD9 || marker == 0xDA) return std::nullopt;          // image data before any frame
        uint8_t len[2];
        if (!src.Read(pos, len, 2)) return std::nullopt;
        const uint16_t length = Be16(len);
        if (length < 2) return std::nullopt;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            uint8_t f[6];
            if (length < 8 || !src.Read(pos + 2, f, 6)) return std::nullopt;
            return Make(ImageFormat::Jpeg, Be16(f + 3), Be16(f + 1), f[0] * f[5]);
        }
        pos += length;
    }
    return std::nullopt;
}

std::optional<ImageInfo> ReadTiff(ByteSource& src) {
    uint8_t h[8];
    if (!src.Read(0, h, 8)) return std::nullopt;
    bool le;
    if (std::memcmp(h, "II*\0", 4) == 0)
        le = true;
    else if (std::memcmp(h, "MM\0*", 4) == 0)
        le = false;
    else
        return std::nullopt;
    auto u16 = [le](const uint8_t* p) { return le ? Le16(p) : Be16(p); };
    auto u32 = [le](const uint8_t* p) { return le ? Le32(p) : Be32(p); };
    const uint64_t ifd = u32(h + 4);
    uint8_t cnt[2];
    if (!src.Read(ifd, cnt, 2)) return std::nullopt;
    const uint16_t count = u16(cnt);
    int64_t width = 0, height = 0;
    int32_t bitsSum = 0, bitsFirst = 0, samples = 1;
    for (uint16_t i = 0; i < count; ++i) {
        uint8_t e[12];
        if (!src.Read(ifd + 2 + 12ull * i, e, 12)) return std::nullopt;
        const uint16_t tag = u16(e), type = u16(e + 2);
        const uint32_t n = u32(e + 4);
        // SHORT (3) values sit left-aligned in the value field; LONG (4) fill it.
        const uint32_t value = type == 3 ? u16(e + 8) : u32(e + 8);
        switch (tag) {
        case 256: width = value; break;
        case 257: height = value; break;
        case 277: samples = int32_t(value & 0xFFFF); break;
        case 258:
            if (type != 3 || n == 0) break;
            if (n <= 2) {
                bitsFirst = u16(e + 8);
                bitsSum = bitsFirst + (n == 2 ? u16(e + 10) : 0);
            } else if (n <= 16) {
                uint8_t v[32];
                if (!src.Read(u32(e + 8), v, 2 * n)) return std::nullopt;
                bitsFirst = u16(v);
                bitsSum = 0;
                for (uint32_t k = 0; k < n; ++k) bitsSum += u16(v + 2 * k);
            }
            break;
        default: break;
        }
    }
    int64_t bits = bitsSum;
    if (bitsSum == bitsFirst && samples > 1) bits = int64_t(bitsFirst) * samples;  // one value stands for every sample
    if (bits == 0) bits = samples;                                                 // no BitsPerSample: 1 bit per sample
    if (bits > 1024) bits = 0;                                                     // nonsense: unknown depth
    return Make(ImageFormat::Tiff, width, height, int32_t(bits));
}

class FileByteSource : public ByteSource {
public:
    explicit FileByteSource(std::FILE* f) : f_(f) {}
    bool Read(uint64_t offset, void* out, size_t size) override {
        if (offset > uint64_t(std::numeric_limits<long>::max())) return false;
        if (std::fseek(f_, long(offset), SEEK_SET) != 0) return false;
        return std::fread(out, 1, size, f_) == size;
    }

private:
    std::FILE* f_;
};

}  // namespace

bool MemoryByteSource::Read(uint64_t offset, void* out, size_t size) {
    if (offset > size_ || size > size_ - offset) return false;
    std::memcpy(out, data_ + offset, size);
    return true;
}

std::optional<ImageInfo> ReadImageInfo(ByteSource& source) {
    using Reader = std::optional<ImageInfo> (*)(ByteSource&);
    static constexpr Reader kReaders[] = {ReadJpeg, ReadPng, ReadBmp, ReadTiff, ReadGif};
    for (Reader r : kReaders)
        if (auto info = r(source)) return info;
    return std::nullopt;
}

std::optional<ImageInfo> ReadImageInfo(const void* data, size_t size) {
    MemoryByteSource src(data, size);
    return ReadImageInfo(src);
}

std::optional<ImageInfo> ReadImageInfoFile(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return std::nullopt;
    FileByteSource src(f);
    auto info = ReadImageInfo(src);
    std::fclose(f);
    return info;
}

const char* ImageFormatName(ImageFormat format) {
    static constexpr const char* kNames[] = {"unknown", "jpeg", "png", "bmp", "tiff", "gif"};
    return kNames[size_t(format)];
}

}  // namespace trek
