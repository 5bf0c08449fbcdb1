#include "geo/Projection.h"

namespace trek {

namespace {

constexpr ProjectionKindInfo kKinds[] = {
    {ProjectionKind::Mercator, "Mercator", "mercator", 2},
    {ProjectionKind::TransverseMercator, "Transverse Mercator", "tm", 2},
    {ProjectionKind::LambertAzimuthalEqualArea, "Lambert Azimuthual Equal Area", "laea", 2},
    {ProjectionKind::LambertConformalConic, "Lambert Conformal Conic", "lcc", 4},
};

double ConeT(double phi) { return std::tan(projection_detail::kQuarterPi + phi * 0.5); }

}  // namespace

std::span<const ProjectionKindInfo> ProjectionKinds() { return kKinds; }

const ProjectionKindInfo* FindProjectionKind(std::string_view name) {
    for (const ProjectionKindInfo& k : kKinds)
        if (k.name == name || k.shortName == name) return &k;
    return nullptr;
}

const ProjectionKindInfo& ProjectionKindOf(ProjectionKind kind) {
    for (const ProjectionKindInfo& k : kKinds)
        if (k.kind == kind) return k;
    return kKinds[0];
}

std::optional<Projection> Projection::Make(ProjectionKind kind, const double* angles, size_t count) {
    if (static_cast<int>(count) != ProjectionKindOf(kind).angleCount) return std::nullopt;
    for (size_t i = 0; i < count; ++i)
        if (!std::isfinite(angles[i])) return std::nullopt;

    Projection p;
    p.kind = kind;
    p.lambda0 = angles[0];
    switch (kind) {
    case ProjectionKind::Mercator:
    case ProjectionKind::TransverseMercator:
        p.phi0 = angles[1];
        break;
    case ProjectionKind::LambertAzimuthalEqualArea:
        p.phi1 = angles[1];
        p.sinPhi1 = std::sin(p.phi1);
        p.cosPhi1 = std::cos(p.phi1);
        break;
    case ProjectionKind::LambertConformalConic: {
        p.phi0 = angles[1];
        p.phi1 = angles[2];
        p.phi2 = angles[3];
        const double t1 = ConeT(p.phi1), t2 = ConeT(p.phi2);
        // One standard parallel (phi1 == phi2) makes the ratio 0/0; its limit
        // is the tangent cone, n = sin phi1.
        p.n = std::fabs(p.phi1 - p.phi2) < 1e-12 ? std::sin(p.phi1)
                                                 : std::log(std::cos(p.phi1) / std::cos(p.phi2)) / std::log(t2 / t1);
        if (!std::isfinite(p.n) || std::fabs(p.n) < 1e-12) return std::nullopt;  // no cone
        p.F = std::cos(p.phi1) / std::pow(t1, p.n);
        p.rho0 = p.F * std::pow(1.0 / ConeT(p.phi0), p.n);
        if (!std::isfinite(p.F) || !std::isfinite(p.rho0)) return std::nullopt;
        break;
    }
    }
    return p;
}

std::optional<Projection> Projection::MakeGeo(ProjectionKind kind, const int32_t* anglesGeo, size_t count) {
    double rad[4];
    if (count > 4) return std::nullopt;
    for (size_t i = 0; i < count; ++i) rad[i] = anglesGeo[i] * 1e-8;
    return Make(kind, rad, count);
}

}  // namespace trek
