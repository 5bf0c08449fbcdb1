#include "maps/calibration/OsmCalibration.h"

#include <algorithm>
#include <cmath>

#include "maps/calibration/CalibrationMath.h"

namespace trek {

namespace {

// Mercator y of a latitude in radians; the poles are cut just short of infinity.
double MercatorY(double phi) {
    const double s = std::clamp(std::sin(phi), -0.9999999999, 0.9999999999);
    return 0.5 * std::log((1.0 + s) / (1.0 - s));
}

}  // namespace

bool OsmCalibration::Calibrate() {
    if (points_.empty()) return Finish(false, "no reference point");
    if (!(dx_m_ != 0 && std::isfinite(dx_m_) && dy_m_ != 0 && std::isfinite(dy_m_)))
        return Finish(false, "DX and DY must be non-zero");
    const ReferencePoint& p0 = points_[0];
    const double phi0 = p0.lat * 1e-8;
    y0_ = MercatorY(phi0);
    utmRefs_[0] = {p0.x, p0.y, 0, 0, 0, 0};
    if (points_.size() >= 2) {
        const ReferencePoint& p1 = points_[1];
        utmRefs_[1] = {p1.x, p1.y, 0, 0, 0, 0};
        dx_ = p0.x - p1.x;
        dy_ = p0.y - p1.y;
        dEast_ = calib::TruncToInt32(double(p0.lon) - p1.lon);
        dNorth_ = calib::TruncToInt32(double(p0.lat) - p1.lat);
        scale_ = std::fabs(std::cos((double(p0.lat) + p1.lat) * 0.5e-8) * dx_m_);
        if (dy_ != 0) scale_ = std::fabs(dNorth_ * kMetresPerGeoUnit / dy_);
    } else {
        scale_ = std::fabs(std::cos(phi0) * dx_m_);
    }
    return Finish(true);
}

PixelPoint OsmCalibration::GeoToPixel(const CalibrationPosition& position, bool subPixel) const {
    if (points_.empty() || dx_m_ == 0 || dy_m_ == 0) return {};
    const ReferencePoint& p0 = points_[0];
    const double m = calib::SubPixelFactor(subPixel);
    const double x = p0.x + (double(position.geo.lon) - p0.lon) * kMetresPerGeoUnit / dx_m_;
    const double y = p0.y + (y0_ - MercatorY(position.geo.lat * 1e-8)) * kRadius / dy_m_;
    return {calib::RoundToInt32(x * m), calib::RoundToInt32(y * m)};
}

CalibrationPosition OsmCalibration::PixelToGeo(int32_t x, int32_t y, bool subPixel) const {
    CalibrationPosition out;
    if (points_.empty()) return out;
    const ReferencePoint& p0 = points_[0];
    const double m = calib::SubPixelFactor(subPixel);
    out.geo.lon = calib::RoundToInt32(p0.lon + (x / m - p0.x) * dx_m_ * geo::kUnitsPerDegree / kMetresPerDegree);
    const double my = (p0.y - y / m) * dy_m_ * M_PI / kMetresPerDegree / 180.0 + y0_;
    out.geo.lat = calib::RoundToInt32(std::atan(std::sinh(my)) * 1e8);
    return out;
}

void OsmCalibration::Dump(std::ostream& out) const {
    MapCalibration::Dump(out);
    out << "  DX=" << dx_m_ << " DY=" << dy_m_ << " Y0=" << y0_ << "\n";
}

std::unique_ptr<MapCalibration> OsmCalibration::Clone() const { return std::make_unique<OsmCalibration>(*this); }

}  // namespace trek
