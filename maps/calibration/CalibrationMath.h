#pragma once
// Small numeric helpers shared by the calibration kinds.
#include <cmath>
#include <cstdint>
#include <limits>

namespace trek::calib {

// Nearest integer, clamped to the 32-bit range; NaN gives 0. Results of the
// conversions are rounded (not truncated) so that reference points map back
// onto their own pixels and positions.
inline int32_t RoundToInt32(double v) {
    if (!(v == v)) return 0;
    constexpr double kMax = std::numeric_limits<int32_t>::max();
    constexpr double kMin = std::numeric_limits<int32_t>::min();
    if (v >= kMax) return std::numeric_limits<int32_t>::max();
    if (v <= kMin) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(std::lround(v));
}

// Truncated toward zero, clamped; NaN gives 0.
inline int32_t TruncToInt32(double v) {
    if (!(v == v)) return 0;
    constexpr double kMax = std::numeric_limits<int32_t>::max();
    constexpr double kMin = std::numeric_limits<int32_t>::min();
    if (v >= kMax) return std::numeric_limits<int32_t>::max();
    if (v <= kMin) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// Geo units from radians: truncated like the stored formats, clamped to the valid range.
inline int32_t RadiansToGeoClamped(double radians) { return TruncToInt32(radians * 1e8); }

inline int32_t SubPixelFactor(bool subPixel) { return subPixel ? 100 : 1; }

}  // namespace trek::calib
