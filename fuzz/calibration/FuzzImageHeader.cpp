// libFuzzer target for the image header readers.
#include <cstddef>
#include <cstdint>

#include "maps/calibration/ImageHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    trek::ReadImageInfo(data, size);
    return 0;
}
