#include "maps/calibration/LinearCalibration.h"

#include <cmath>

#include "maps/calibration/CalibrationMath.h"

namespace trek {

bool LinearCalibration::Calibrate() {
    if (points_.size() < 2) return Finish(false, "fewer than two reference points");
    const ReferencePoint& p0 = points_[0];
    const ReferencePoint& p1 = points_[1];
    dx_ = p0.x - p1.x;
    dy_ = p0.y - p1.y;
    // Differences of geo units can exceed 32 bits only for nonsense input; keep them exact here.
    const int64_t dlon = int64_t(p0.lon) - p1.lon;
    const int64_t dlat = int64_t(p0.lat) - p1.lat;
    dEast_ = calib::TruncToInt32(double(dlon));
    dNorth_ = calib::TruncToInt32(double(dlat));
    if (dx_ == 0 || dy_ == 0 || dlon == 0 || dlat == 0)
        return Finish(false, "reference points share a pixel row or column, a longitude or a latitude");
    scale_ = std::fabs(double(dlat) * geo::kEarthRadius * 1e-8 / dy_);
    return Finish(true);
}

PixelPoint LinearCalibration::GeoToPixel(const CalibrationPosition& position, bool subPixel) const {
    if (points_.size() < 2 || dEast_ == 0 || dNorth_ == 0) return {100, 100};
    const ReferencePoint& p0 = points_[0];
    const double m = calib::SubPixelFactor(subPixel);
    const double x = p0.x + (double(position.geo.lon) - p0.lon) * dx_ / dEast_;
    const double y = p0.y + (double(position.geo.lat) - p0.lat) * dy_ / dNorth_;
    return {calib::RoundToInt32(x * m), calib::RoundToInt32(y * m)};
}

CalibrationPosition LinearCalibration::PixelToGeo(int32_t x, int32_t y, bool subPixel) const {
    CalibrationPosition out;
    if (points_.size() < 2 || dx_ == 0 || dy_ == 0) return out;
    const ReferencePoint& p0 = points_[0];
    const double m = calib::SubPixelFactor(subPixel);
    out.geo.lon = calib::RoundToInt32(p0.lon + (x / m - p0.x) * dEast_ / dx_);
    out.geo.lat = calib::RoundToInt32(p0.lat + (y / m - p0.y) * dNorth_ / dy_);
    return out;
}

std::unique_ptr<MapCalibration> LinearCalibration::Clone() const { return std::make_unique<LinearCalibration>(*this); }

}  // namespace trek
