#pragma once
// The image kinds, chosen by file extension (case-insensitive). Files with an
// extension outside the table are recognised by their first bytes.
#include <memory>
#include <string>
#include <string_view>

#include "maps/image/ImageReader.h"

namespace trek {

enum class ImageKind { None, Bmp, Jpeg, Png, Tiff, Gif };

// Upper-case extension without the dot ("JPG"); empty when the name has none.
std::string FileExtension(std::string_view path);

ImageKind ImageKindFromExtension(std::string_view path);
// From the first bytes of a file (signature); None when not recognised.
ImageKind ImageKindFromSignature(const uint8_t* data, size_t size);

std::unique_ptr<ImageReader> CreateImageReader(ImageKind kind);

// Reader for a path: by extension, else by the file's signature. nullptr when
// neither says what the file is.
std::unique_ptr<ImageReader> CreateImageReaderFor(const std::string& path);

}  // namespace trek
