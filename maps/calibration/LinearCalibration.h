#pragma once
// "WGS84": a linear mapping per axis between pixels and longitude/latitude.
#include "maps/calibration/MapCalibration.h"

namespace trek {

class LinearCalibration : public MapCalibration {
public:
    LinearCalibration() = default;

    PixelPoint GeoToPixel(const CalibrationPosition& position, bool subPixel = false) const override;
    using MapCalibration::GeoToPixel;
    CalibrationPosition PixelToGeo(int32_t x, int32_t y, bool subPixel = false) const override;
    // Usable when P0 - P1 is non-zero in x, y, longitude and latitude.
    bool Calibrate() override;
    std::unique_ptr<MapCalibration> Clone() const override;
    CalibrationKind kind() const override { return CalibrationKind::Linear; }
};

}  // namespace trek
