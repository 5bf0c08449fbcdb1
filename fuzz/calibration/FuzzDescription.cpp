// libFuzzer target for the map description file: read, calibrate, convert,
// write again and read that back.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "maps/calibration/DescriptionFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trek;
    MapDescription map;
    ParseDescription(std::string_view(reinterpret_cast<const char*>(data), size), "/fuzz/map.CAL", map);
    if (map.calibration().Calibrate()) {
        const auto g = map.calibration().PixelToGeo(123, 456, true);
        map.calibration().GeoToPixel(g.geo);
    }
    MapDescription back;
    ParseDescription(FormatDescription(map, 'E'), "/fuzz/map.CAL", back);
    return 0;
}
