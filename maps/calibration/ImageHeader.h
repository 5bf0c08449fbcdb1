#pragma once
// Image size from the header of a JPEG, PNG, BMP, TIFF or GIF file, without
// decoding pixels. The format is recognised by its signature, not its name.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace trek {

enum class ImageFormat : uint8_t { Unknown, Jpeg, Png, Bmp, Tiff, Gif };

struct ImageInfo {
    ImageFormat format = ImageFormat::Unknown;
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;  // per pixel over all channels (JPEG: 8 x components)
};

// Random access to the bytes of an image: false when [offset, offset+size) cannot be read whole.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual bool Read(uint64_t offset, void* out, size_t size) = 0;
};

class MemoryByteSource : public ByteSource {
public:
    MemoryByteSource(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}
    bool Read(uint64_t offset, void* out, size_t size) override;

private:
    const uint8_t* data_;
    size_t size_;
};

// Reads the header; nullopt when the bytes are no supported image or the header is damaged.
std::optional<ImageInfo> ReadImageInfo(ByteSource& source);
std::optional<ImageInfo> ReadImageInfo(const void* data, size_t size);
std::optional<ImageInfo> ReadImageInfoFile(const std::string& path);

const char* ImageFormatName(ImageFormat format);  // "jpeg", "png", ...

}  // namespace trek
