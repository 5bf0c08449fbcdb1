// Coordinate text comes from users and from map description files: both
// readers must survive any bytes, and whatever they read must format and read
// back to the same angle (within the shown precision).
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "geo/GeoText.h"
#include "geo/GeoUnits.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const int32_t wide = trek::ParseGeoAngle(text);
    const int32_t bits = trek::ParseGeoAngle8(text);

    char buf[trek::kGeoTextCapacity];
    for (int32_t v : {wide, bits}) {
        if (v == -1) continue;
        trek::FormatLatitude(buf, v, 4, trek::CoordinateFormat::DegMin);
        const int64_t back = trek::ParseGeoAngle(buf);
        const int64_t diff = back > v ? back - v : v - back;
        if (diff > static_cast<int64_t>(trek::geo::kUnitsPerMinute / 10000) + 2) std::abort();
    }
    return 0;
}
