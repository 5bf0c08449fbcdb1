#pragma once
// "OSM": spherical web Mercator (radius 6378137 m) anchored at P0, with the
// metres per pixel at the equator along x (DX) and y (DY). Tile maps and world
// files use it; DY is negative when pixel rows grow northward.
#include "maps/calibration/MapCalibration.h"

namespace trek {

class OsmCalibration : public MapCalibration {
public:
    static constexpr double kMetresPerDegree = 111319.49079327358;  // R * pi / 180
    static constexpr double kRadius = 6378137.0;
    static constexpr double kMetresPerGeoUnit = 0.06378137;

    OsmCalibration() = default;
    OsmCalibration(double dx, double dy) : dx_m_(dx), dy_m_(dy) {}

    PixelPoint GeoToPixel(const CalibrationPosition& position, bool subPixel = false) const override;
    using MapCalibration::GeoToPixel;
    CalibrationPosition PixelToGeo(int32_t x, int32_t y, bool subPixel = false) const override;
    // Always usable once there is a P0 and DX, DY are non-zero.
    bool Calibrate() override;
    void Dump(std::ostream& out) const override;
    std::unique_ptr<MapCalibration> Clone() const override;
    CalibrationKind kind() const override { return CalibrationKind::Osm; }

    double dx() const { return dx_m_; }
    double dy() const { return dy_m_; }
    void SetDx(double dx) { dx_m_ = dx; }
    void SetDy(double dy) { dy_m_ = dy; }

private:
    double dx_m_ = 0.0;
    double dy_m_ = 0.0;
    double y0_ = 0.0;  // Mercator y of P0: ln(1/cos(phi0) + tan(phi0))
};

}  // namespace trek
