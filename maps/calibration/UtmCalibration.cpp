#include "maps/calibration/UtmCalibration.h"

#include <cmath>
#include <cstdlib>

#include "geo/Utm.h"
#include "maps/calibration/CalibrationMath.h"

namespace trek {

namespace {

constexpr double kSouthShift = 10000000.0;

// Northing made continuous across the equator: south of it the false northing is taken off again.
double ContinuousNorthing(const cUTM& u) { return u.latitude < 0 ? u.northing - kSouthShift : u.northing; }

UtmReference MakeRef(const ReferencePoint& p, const cUTM& u) {
    UtmReference r;
    r.x = p.x;
    r.y = p.y;
    r.easting = calib::TruncToInt32(u.easting);
    r.northing = calib::TruncToInt32(ContinuousNorthing(u));
    r.zone = u.zone;
    r.band = u.band;
    return r;
}

}  // namespace

bool UtmCalibration::Calibrate() {
    if (points_.size() < 2) return Finish(false, "fewer than two reference points");
    const ReferencePoint& p0 = points_[0];
    const ReferencePoint& p1 = points_[1];
    const cUTM u0(p0.lat, p0.lon);
    const cUTM u1own(p1.lat, p1.lon);
    if (std::abs(int(u0.zone) - int(u1own.zone)) >= 2)
        return Finish(false, "reference points are more than one UTM zone apart");
    const cUTM u1(p1.lat, p1.lon, u0.zone);

    utmRefs_[0] = MakeRef(p0, u0);
    utmRefs_[1] = MakeRef(p1, u1);
    e0_ = u0.easting;
    n0_ = ContinuousNorthing(u0);
    const double dE = e0_ - u1.easting;
    const double dN = n0_ - ContinuousNorthing(u1);

    dx_ = p0.x - p1.x;
    dy_ = p0.y - p1.y;
    dEast_ = calib::TruncToInt32(dE);
    dNorth_ = calib::TruncToInt32(dN);
    if (dx_ == 0 || dy_ == 0 || dEast_ == 0 || dNorth_ == 0)
        return Finish(false, "reference points share a pixel row or column, or a grid line");

    const double ddx = dx_, ddy = dy_;
    scale_ = std::sqrt((dE * dE + dN * dN) / (ddx * ddx + ddy * ddy));
    // Plain arctangents of the quotients: the pixel grid and the UTM grid are
    // taken to point the same way (x east, y north), so quadrants cancel.
    SetRotation(std::atan(dN / dE) - std::atan(ddy / ddx));
    return Finish(true);
}

PixelPoint UtmCalibration::GeoToPixel(const CalibrationPosition& position, bool subPixel) const {
    const ReferencePoint& p0 = points_.empty() ? ReferencePoint{} : points_[0];
    const uint8_t zone0 = utmRefs_[0].zone;
    double e, n;
    if (position.utm.known() && position.utm.zone == zone0) {
        e = position.utm.easting;
        n = position.utm.northing;
        if (position.geo.lat < 0) n -= kSouthShift;  // cached positions carry the false northing
    } else {
        const cUTM u(position.geo.lat, position.geo.lon, zone0 ? zone0 : utm::kAutoZone);
        e = u.easting;
        n = ContinuousNorthing(u);
    }
    const double de = e - e0_, dn = n - n0_;
    const int32_t m = calib::SubPixelFactor(subPixel);
    const double s = scale_ != 0 ? scale_ : 1.0;
    const double px = (cosMinusTheta_ * de - sinMinusTheta_ * dn) / s;
    const double py = (sinMinusTheta_ * de + cosMinusTheta_ * dn) / s;
    return {calib::RoundToInt32((p0.x + px) * m), calib::RoundToInt32((p0.y + py) * m)};
}

CalibrationPosition UtmCalibration::PixelToGeo(int32_t x, int32_t y, bool subPixel) const {
    const ReferencePoint& p0 = points_.empty() ? ReferencePoint{} : points_[0];
    const double m = calib::SubPixelFactor(subPixel);
    const double ox = (x / m - p0.x) * scale_;
    const double oy = (y / m - p0.y) * scale_;
    const double e = e0_ + cosTheta_ * ox - sinTheta_ * oy;
    double n = n0_ + sinTheta_ * ox + cosTheta_ * oy;
    const bool south = n < 0;
    if (south) n += kSouthShift;
    const uint8_t zone = utmRefs_[0].zone ? utmRefs_[0].zone : 31;
    // The forward conversion adds half a metre to both (so that truncation
    // rounds); take it off again before going back.
    cUTM u;
    u.SetUtm(zone, south ? 'M' : 'N', e - 0.5, n - 0.5);
    CalibrationPosition out;
    out.geo.lon = calib::TruncToInt32(u.longitude * geo::kUnitsPerDegree);
    out.geo.lat = calib::TruncToInt32(u.latitude * geo::kUnitsPerDegree);
    out.utm.easting = e;
    out.utm.northing = n;
    out.utm.zone = zone;
    out.utm.band = u.band;
    return out;
}

void UtmCalibration::Dump(std::ostream& out) const {
    MapCalibration::Dump(out);
    for (const auto& r : utmRefs_)
        out << "  utm (" << r.x << "," << r.y << ") " << int(r.zone) << (r.band ? r.band : '?') << " " << r.easting
            << " " << r.northing << "\n";
}

std::unique_ptr<MapCalibration> UtmCalibration::Clone() const { return std::make_unique<UtmCalibration>(*this); }

}  // namespace trek
