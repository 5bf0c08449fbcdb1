// JPEG and PNG headers and small whole decodes from memory, as tiles arrive.
#include <cstdint>

#include "maps/image/JpegReader.h"
#include "maps/image/PngReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    trek::ImageProperties info;
    trek::platform::Bitmap out;
    if (trek::ReadJpegInfo(data, size, info) && info.width <= 2048 && info.height <= 2048)
        trek::DecodeJpegMemory(data, size, out);
    if (trek::ReadPngInfo(data, size, info) && info.width <= 2048 && info.height <= 2048)
        trek::DecodePngMemory(data, size, out);
    return 0;
}
