// libFuzzer target for one foreign calibration reader, chosen at build time
// (TREK_FUZZ_FORMAT names the class). The reader, then the calibration of
// whatever it produced, and both conversions must survive any bytes.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "maps/calibration/formats/GlopusKal.h"
#include "maps/calibration/formats/OziMap.h"
#include "maps/calibration/formats/TouratechCal.h"
#include "maps/calibration/formats/WorldFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace trek;
    CalibrationReadContext context;
    context.today = "2025/01/01";
    context.imageInfo = [size](const std::string&) -> std::optional<ImageInfo> {
        return ImageInfo{ImageFormat::Jpeg, int32_t(size % 5000), int32_t(size % 3000), 24};
    };
    MapDescription map;
    const TREK_FUZZ_FORMAT format;
    auto r = format.Read(std::string_view(reinterpret_cast<const char*>(data), size), TREK_FUZZ_PATH, context, map);
    if (r.ok && map.calibration().Calibrate()) {
        const auto g = map.calibration().PixelToGeo(int32_t(size), -int32_t(size));
        map.calibration().GeoToPixel(g.geo, true);
    }
    return 0;
}
