#pragma once
// The default calibration ("UTM"): P0 and P1 in UTM (P0's zone), a rotation
// and one scale between the pixel grid and the UTM grid.
#include "maps/calibration/MapCalibration.h"

namespace trek {

class UtmCalibration : public MapCalibration {
public:
    UtmCalibration() = default;

    PixelPoint GeoToPixel(const CalibrationPosition& position, bool subPixel = false) const override;
    using MapCalibration::GeoToPixel;
    CalibrationPosition PixelToGeo(int32_t x, int32_t y, bool subPixel = false) const override;
    // Fails when P0 and P1 are two or more zones apart, or when P0 - P1 is zero
    // in any of x, y, easting, northing.
    bool Calibrate() override;
    void Dump(std::ostream& out) const override;
    std::unique_ptr<MapCalibration> Clone() const override;
    CalibrationKind kind() const override { return CalibrationKind::Utm; }

private:
    // P0's easting/northing as doubles (northing already shifted south of the equator).
    double e0_ = 0, n0_ = 0;
};

}  // namespace trek
