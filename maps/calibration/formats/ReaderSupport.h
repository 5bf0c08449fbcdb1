#pragma once
// Pieces shared by the foreign calibration readers.
#include <cmath>
#include <string>
#include <string_view>

#include "maps/calibration/formats/CalibrationFormat.h"

namespace trek::calib {

inline std::string_view CutToReadLimit(std::string_view text) {
    return text.size() > kCalibrationReadLimit ? text.substr(0, kCalibrationReadLimit) : text;
}

// Degrees to geo units when they are a longitude (|v| <= 180) or latitude (|v| <= 90).
inline bool LongitudeDegrees(double deg, int32_t& out) {
    if (!(std::fabs(deg) <= 180.0)) return false;
    out = DegreesToGeo(deg);
    return true;
}
inline bool LatitudeDegrees(double deg, int32_t& out) {
    if (!(std::fabs(deg) <= 90.0)) return false;
    out = DegreesToGeo(deg);
    return true;
}

// Image size by path through the context; a zero size when the image cannot be read.
ImageInfo ProbeImage(const CalibrationReadContext& context, const std::string& imagePath);

// The fields every foreign reader sets the same way: visible raster map of today.
void InitForeignMap(MapDescription& map, const CalibrationReadContext& context);

inline CalibrationReadResult Failed(std::string text, int line = 0) {
    CalibrationReadResult r;
    r.messages.push_back({line, 0, std::move(text)});
    return r;
}

}  // namespace trek::calib
