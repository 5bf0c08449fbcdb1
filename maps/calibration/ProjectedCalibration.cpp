#include "maps/calibration/ProjectedCalibration.h"

#include <cmath>

#include "maps/calibration/CalibrationMath.h"

namespace trek {

namespace {

std::optional<Projection> MakeProjection(ProjectionKind kind, const ProjectionParams& p) {
    const int32_t angles[4] = {p.lon0, p.lat0, p.lat1, p.lat2};
    return Projection::MakeGeo(kind, angles, size_t(ProjectionKindOf(kind).angleCount));
}

}  // namespace

ProjectedCalibration::ProjectedCalibration(ProjectionKind kind, const ProjectionParams& params)
    : params_(params), projection_(MakeProjection(kind, params)), projectionKind_(kind) {}

void ProjectedCalibration::SetParams(const ProjectionParams& params) {
    params_ = params;
    projection_ = MakeProjection(projectionKind_, params);
    calibrated_ = false;
}

bool ProjectedCalibration::Forward(double lonRad, double latRad, double& x, double& y) const {
    return projection_ && projection_->Forward(lonRad, latRad, x, y);
}

bool ProjectedCalibration::Inverse(double x, double y, double& lonRad, double& latRad) const {
    return projection_ && projection_->Inverse(x, y, lonRad, latRad);
}

bool ProjectedCalibration::Calibrate() {
    if (!projection_) return Finish(false, "the projection parameters give no projection");
    if (points_.size() < 2) return Finish(false, kGridBadPointsMessage);
    std::vector<GridSample> samples;
    samples.reserve(points_.size());
    for (const auto& p : points_) {
        GridSample s;
        s.px = p.x;
        s.py = p.y;
        if (!Forward(p.lon * 1e-8, p.lat * 1e-8, s.gx, s.gy))
            return Finish(false, "a reference point lies where the projection has no value");
        samples.push_back(s);
    }
    const auto fit = SolveGrid(samples);
    if (!fit) return Finish(false, kGridBadPointsMessage);
    fit_ = *fit;
    const ReferencePoint& p0 = points_[0];
    const ReferencePoint& p1 = points_[1];
    dx_ = p0.x - p1.x;
    dy_ = p0.y - p1.y;
    dEast_ = calib::TruncToInt32(double(p0.lon) - p1.lon);
    dNorth_ = calib::TruncToInt32(double(p0.lat) - p1.lat);
    // The grid is unit-sphere radians along y: one unit of y is R metres near the projection's origin.
    scale_ = std::fabs(geo::kEarthRadius / fit_.ay);
    if (dy_ != 0 && dNorth_ != 0) scale_ = std::fabs(dNorth_ * geo::kEarthRadius * 1e-8 / dy_);
    return Finish(true);
}

PixelPoint ProjectedCalibration::GeoToPixel(const CalibrationPosition& position, bool subPixel) const {
    double gx, gy;
    if (!fit_.valid || !Forward(position.geo.lon * 1e-8, position.geo.lat * 1e-8, gx, gy)) return {};
    const double m = calib::SubPixelFactor(subPixel);
    return {calib::RoundToInt32(fit_.PixelX(gx) * m), calib::RoundToInt32(fit_.PixelY(gy) * m)};
}

CalibrationPosition ProjectedCalibration::PixelToGeo(int32_t x, int32_t y, bool subPixel) const {
    CalibrationPosition out;
    if (!fit_.valid || !projection_) return out;
    const double m = calib::SubPixelFactor(subPixel);
    GeoPoint g;
    if (projection_->InverseGeo(fit_.GridX(x / m), fit_.GridY(y / m), g)) out.geo = g;
    return out;
}

void ProjectedCalibration::Dump(std::ostream& out) const {
    MapCalibration::Dump(out);
    out << "  params lon0=" << params_.lon0 << " lat0=" << params_.lat0 << " lat1=" << params_.lat1
        << " lat2=" << params_.lat2 << " fit x=" << fit_.ax << "*X+" << fit_.bx << " y=" << fit_.ay << "*Y+" << fit_.by
        << "\n";
}

std::array<double, 2> MercatorCalibration::AuxiliaryPair() const {
    return {params_.lon0 * geo::kDegreesPerUnit, params_.lat0 * geo::kDegreesPerUnit};
}

std::unique_ptr<MapCalibration> MercatorCalibration::Clone() const {
    return std::make_unique<MercatorCalibration>(*this);
}
std::unique_ptr<MapCalibration> TransverseMercatorCalibration::Clone() const {
    return std::make_unique<TransverseMercatorCalibration>(*this);
}
std::unique_ptr<MapCalibration> LambertConformalConicCalibration::Clone() const {
    return std::make_unique<LambertConformalConicCalibration>(*this);
}
std::unique_ptr<MapCalibration> LambertAzimuthalCalibration::Clone() const {
    return std::make_unique<LambertAzimuthalCalibration>(*this);
}

}  // namespace trek
