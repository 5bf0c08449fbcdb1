#pragma once
// The projection kinds ("Mercator", "Transverse Mercator", "Lambert Conformal
// Conic", "Lambert Azimuthual Equal Area"): the position is projected on the
// unit sphere and the projected coordinates are fitted to the pixels per axis
// by the grid solver (GridSolver.h).
#include "maps/calibration/GridSolver.h"
#include "maps/calibration/MapCalibration.h"

namespace trek {

class ProjectedCalibration : public MapCalibration {
public:
    PixelPoint GeoToPixel(const MapPosition& position, bool subPixel = false) const override;
    using MapCalibration::GeoToPixel;
    MapPosition PixelToGeo(int32_t x, int32_t y, bool subPixel = false) const override;
    // Projects every reference point and runs the grid solver. Fails with the
    // grid message when two points share a pixel x or y, or when fewer than two.
    bool Calibrate() override;
    void Dump(std::ostream& out) const override;

    const ProjectionParams& params() const { return params_; }
    const GridFit& fit() const { return fit_; }

    // The projection itself (radians in, unit-sphere coordinates out); false
    // where the formula has no value (e.g. the antipode of a Lambert centre).
    virtual bool Forward(double lonRad, double latRad, double& x, double& y) const = 0;
    virtual bool Inverse(double x, double y, double& lonRad, double& latRad) const = 0;

protected:
    explicit ProjectedCalibration(const ProjectionParams& params) : params_(params) {}
    ProjectionParams params_;
    GridFit fit_;
};

class MercatorCalibration : public ProjectedCalibration {
public:
    explicit MercatorCalibration(const ProjectionParams& params = {}) : ProjectedCalibration(params) {}
    // Origin longitude and latitude in degrees.
    std::array<double, 2> AuxiliaryPair() const override;
    bool Forward(double lonRad, double latRad, double& x, double& y) const override;
    bool Inverse(double x, double y, double& lonRad, double& latRad) const override;
    std::unique_ptr<MapCalibration> Clone() const override;
    CalibrationKind kind() const override { return CalibrationKind::Mercator; }
};

class TransverseMercatorCalibration : public ProjectedCalibration {
public:
    explicit TransverseMercatorCalibration(const ProjectionParams& params = {}) : ProjectedCalibration(params) {}
    bool Forward(double lonRad, double latRad, double& x, double& y) const override;
    bool Inverse(double x, double y, double& lonRad, double& latRad) const override;
    std::unique_ptr<MapCalibration> Clone() const override;
    CalibrationKind kind() const override { return CalibrationKind::TransverseMercator; }
};

class LambertConformalConicCalibration : public ProjectedCalibration {
public:
    explicit LambertConformalConicCalibration(const ProjectionParams& params = {});
    bool Forward(double lonRad, double latRad, double& x, double& y) const override;
    bool Inverse(double x, double y, double& lonRad, double& latRad) const override;
    std::unique_ptr<MapCalibration> Clone() const override;
    CalibrationKind kind() const override { return CalibrationKind::LambertConformalConic; }

private:
    double n_ = 0, f_ = 0, rho0_ = 0;  // cone constant, F, rho at the origin latitude
    bool valid_ = false;               // standard parallels give a finite cone
};

class LambertAzimuthalCalibration : public ProjectedCalibration {
public:
    explicit LambertAzimuthalCalibration(const ProjectionParams& params = {}) : ProjectedCalibration(params) {}
    bool Forward(double lonRad, double latRad, double& x, double& y) const override;
    bool Inverse(double x, double y, double& lonRad, double& latRad) const override;
    std::unique_ptr<MapCalibration> Clone() const override;
    CalibrationKind kind() const override { return CalibrationKind::LambertAzimuthalEqualArea; }
};

}  // namespace trek
