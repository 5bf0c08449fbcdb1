#pragma once
// The projection kinds ("Mercator", "Transverse Mercator", "Lambert Conformal
// Conic", "Lambert Azimuthual Equal Area"): the position is projected on the
// unit sphere and the projected coordinates are fitted to the pixels per axis
// by the grid solver (GridSolver.h).
#include <optional>

#include "geo/Projection.h"
#include "maps/calibration/GridSolver.h"
#include "maps/calibration/MapCalibration.h"

namespace trek {

class ProjectedCalibration : public MapCalibration {
public:
    PixelPoint GeoToPixel(const CalibrationPosition& position, bool subPixel = false) const override;
    using MapCalibration::GeoToPixel;
    CalibrationPosition PixelToGeo(int32_t x, int32_t y, bool subPixel = false) const override;
    // Projects every reference point and runs the grid solver. Fails with the
    // grid message when two points share a pixel x or y, or when fewer than two.
    bool Calibrate() override;
    void Dump(std::ostream& out) const override;

    const ProjectionParams& params() const { return params_; }
    // Replaces the parameters (the projection is rebuilt; calibrate again after).
    void SetParams(const ProjectionParams& params);
    // False when the parameters give no projection (e.g. a conic whose standard
    // parallels lie symmetric about the equator).
    bool hasProjection() const { return projection_.has_value(); }
    const GridFit& fit() const { return fit_; }

    // The projection itself (radians in, unit-sphere coordinates out); false
    // where the formula has no value (a pole in Mercator, the antipode of a
    // Lambert centre) or the parameters give no projection.
    bool Forward(double lonRad, double latRad, double& x, double& y) const;
    bool Inverse(double x, double y, double& lonRad, double& latRad) const;

protected:
    ProjectedCalibration(ProjectionKind kind, const ProjectionParams& params);
    ProjectionParams params_;
    std::optional<Projection> projection_;  // none when the parameters give no projection
    ProjectionKind projectionKind_;
    GridFit fit_;
};

class MercatorCalibration : public ProjectedCalibration {
public:
    explicit MercatorCalibration(const ProjectionParams& params = {})
        : ProjectedCalibration(ProjectionKind::Mercator, params) {}
    // Origin longitude and latitude in degrees.
    std::array<double, 2> AuxiliaryPair() const override;
    std::unique_ptr<MapCalibration> Clone() const override;
    CalibrationKind kind() const override { return CalibrationKind::Mercator; }
};

class TransverseMercatorCalibration : public ProjectedCalibration {
public:
    explicit TransverseMercatorCalibration(const ProjectionParams& params = {})
        : ProjectedCalibration(ProjectionKind::TransverseMercator, params) {}
    std::unique_ptr<MapCalibration> Clone() const override;
    CalibrationKind kind() const override { return CalibrationKind::TransverseMercator; }
};

class LambertConformalConicCalibration : public ProjectedCalibration {
public:
    explicit LambertConformalConicCalibration(const ProjectionParams& params = {})
        : ProjectedCalibration(ProjectionKind::LambertConformalConic, params) {}
    std::unique_ptr<MapCalibration> Clone() const override;
    CalibrationKind kind() const override { return CalibrationKind::LambertConformalConic; }
};

class LambertAzimuthalCalibration : public ProjectedCalibration {
public:
    explicit LambertAzimuthalCalibration(const ProjectionParams& params = {})
        : ProjectedCalibration(ProjectionKind::LambertAzimuthalEqualArea, params) {}
    std::unique_ptr<MapCalibration> Clone() const override;
    CalibrationKind kind() const override { return CalibrationKind::LambertAzimuthalEqualArea; }
};

}  // namespace trek
