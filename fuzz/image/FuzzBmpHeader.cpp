// Bitmap headers and region reads of arbitrary bytes.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "maps/image/BmpReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    trek::BmpHeader header;
    trek::ParseBmpHeader(data, size, header);
    static const std::string path = "/tmp/fuzz_bmp_" + std::to_string(getpid()) + ".bmp";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    trek::BmpReader reader;
    if (reader.open(path) == trek::ImageOpenStatus::Ok && reader.info().width <= 4096 && reader.info().height <= 4096) {
        trek::platform::Bitmap out;
        const auto& i = reader.info();
        reader.decodeRegion(trek::PixelRect{0, 0, i.width - 1, i.height - 1}, out);
        reader.decodeRegion(trek::PixelRect{i.width / 2, i.height / 3, i.width - 1, i.height / 2}, out);
    }
    return 0;
}
