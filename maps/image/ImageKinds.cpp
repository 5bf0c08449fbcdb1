#include "maps/image/ImageKinds.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "maps/image/BmpReader.h"
#include "maps/image/GifReader.h"
#include "maps/image/JpegReader.h"
#include "maps/image/PngReader.h"
#include "maps/image/TiffReader.h"

namespace trek {

namespace {

struct ExtensionRow {
    const char* extension;
    ImageKind kind;
};
constexpr ExtensionRow kExtensions[] = {
    {"BMP", ImageKind::Bmp}, {"JPG", ImageKind::Jpeg}, {"JPEG", ImageKind::Jpeg}, {"PNG", ImageKind::Png},
    {"TIF", ImageKind::Tiff}, {"TIFF", ImageKind::Tiff}, {"GIF", ImageKind::Gif},
};

struct SignatureRow {
    const char* bytes;
    size_t length;
    ImageKind kind;
};
constexpr SignatureRow kSignatures[] = {
    {"BM", 2, ImageKind::Bmp},
    {"\xFF\xD8\xFF", 3, ImageKind::Jpeg},
    {"\x89PNG\r\n\x1A\n", 8, ImageKind::Png},
    {"II*\0", 4, ImageKind::Tiff},
    {"MM\0*", 4, ImageKind::Tiff},
    {"GIF8", 4, ImageKind::Gif},
};

}  // namespace

std::string FileExtension(std::string_view path) {
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash)) return {};
    std::string ext(path.substr(dot + 1));
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

ImageKind ImageKindFromExtension(std::string_view path) {
    std::string ext = FileExtension(path);
    for (const ExtensionRow& row : kExtensions)
        if (ext == row.extension) return row.kind;
    return ImageKind::None;
}

ImageKind ImageKindFromSignature(const uint8_t* data, size_t size) {
    for (const SignatureRow& row : kSignatures)
        if (size >= row.length && std::memcmp(data, row.bytes, row.length) == 0) return row.kind;
    return ImageKind::None;
}

std::unique_ptr<ImageReader> CreateImageReader(ImageKind kind) {
    switch (kind) {
        case ImageKind::Bmp: return std::make_unique<BmpReader>();
        case ImageKind::Jpeg: return std::make_unique<JpegReader>();
        case ImageKind::Png: return std::make_unique<PngReader>();
        case ImageKind::Tiff: return std::make_unique<TiffReader>();
        case ImageKind::Gif: return std::make_unique<GifReader>();
        case ImageKind::None: break;
    }
    return nullptr;
}

std::unique_ptr<ImageReader> CreateImageReaderFor(const std::string& path) {
    ImageKind kind = ImageKindFromExtension(path);
    if (kind == ImageKind::None) {
        uint8_t head[8] = {};
        size_t got = 0;
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            got = std::fread(head, 1, sizeof head, f);
            std::fclose(f);
        }
        kind = ImageKindFromSignature(head, got);
    }
    return CreateImageReader(kind);
}

}  // namespace trek
