#include "maps/calibration/MapCalibration.h"

#include <cmath>

#include "maps/calibration/LinearCalibration.h"
#include "maps/calibration/OsmCalibration.h"
#include "maps/calibration/ProjectedCalibration.h"
#include "maps/calibration/UtmCalibration.h"

namespace trek {

namespace {

struct KindRow {
    CalibrationKind kind;
    const char* name;
};

constexpr KindRow kKinds[] = {
    {CalibrationKind::Utm, "UTM"},
    {CalibrationKind::Linear, "WGS84"},
    {CalibrationKind::Osm, "OSM"},
    {CalibrationKind::Mercator, "Mercator"},
    {CalibrationKind::TransverseMercator, "Transverse Mercator"},
    {CalibrationKind::LambertConformalConic, "Lambert Conformal Conic"},
    {CalibrationKind::LambertAzimuthalEqualArea, "Lambert Azimuthual Equal Area"},
};

constexpr const char* kReferenceTypes[kReferenceTypeCount] = {
    "dummy", "BILINEAR_GEOGRAPHIC", "BILINEAR_DISTANCE", "LINEAR_COSINUS", "WGS84_UTM",
};

}  // namespace

const char* CalibrationKindName(CalibrationKind kind) {
    for (const auto& row : kKinds)
        if (row.kind == kind) return row.name;
    return "UTM";
}

std::optional<CalibrationKind> CalibrationKindFromName(std::string_view name) {
    for (const auto& row : kKinds)
        if (name == row.name) return row.kind;
    return std::nullopt;
}

const char* ReferenceTypeName(uint8_t index) {
    return index < kReferenceTypeCount ? kReferenceTypes[index] : nullptr;
}

std::optional<uint8_t> ReferenceTypeFromText(std::string_view value) {
    std::optional<uint8_t> found;
    for (uint8_t i = 0; i < kReferenceTypeCount; ++i)
        if (value.starts_with(kReferenceTypes[i])) found = i;
    return found;
}

MapCalibration::~MapCalibration() = default;

void MapCalibration::Dump(std::ostream& out) const {
    out << kindName() << " datum=" << datumName() << " calibrated=" << calibrated_ << " scale=" << scale_
        << " theta=" << theta_ << " reftype=" << int(refType_) << " d=(" << dx_ << "," << dy_ << "," << dEast_
        << "," << dNorth_ << ")\n";
    for (const auto& p : points_) out << "  (" << p.x << "," << p.y << ") ==> (" << p.lon << "," << p.lat << ")\n";
}

void MapCalibration::SetReferencePoints(std::vector<ReferencePoint> points) {
    points_ = std::move(points);
    calibrated_ = false;
}

void MapCalibration::SetRotation(double theta) {
    theta_ = theta;
    sinTheta_ = std::sin(theta);
    cosTheta_ = std::cos(theta);
    sinMinusTheta_ = -sinTheta_;
    cosMinusTheta_ = cosTheta_;
}

bool MapCalibration::Finish(bool ok, std::string error) {
    calibrated_ = ok;
    error_ = ok ? std::string() : std::move(error);
    return ok;
}

std::unique_ptr<MapCalibration> CreateCalibration(CalibrationKind kind, const ProjectionParams& params, double osmDx,
                                                  double osmDy) {
    switch (kind) {
    case CalibrationKind::Utm: return std::make_unique<UtmCalibration>();
    case CalibrationKind::Linear: return std::make_unique<LinearCalibration>();
    case CalibrationKind::Osm: return std::make_unique<OsmCalibration>(osmDx, osmDy);
    case CalibrationKind::Mercator: return std::make_unique<MercatorCalibration>(params);
    case CalibrationKind::TransverseMercator: return std::make_unique<TransverseMercatorCalibration>(params);
    case CalibrationKind::LambertConformalConic: return std::make_unique<LambertConformalConicCalibration>(params);
    case CalibrationKind::LambertAzimuthalEqualArea: return std::make_unique<LambertAzimuthalCalibration>(params);
    }
    return std::make_unique<UtmCalibration>();
}

}  // namespace trek
