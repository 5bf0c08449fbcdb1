#pragma once
// The projections of calibrated maps: parameter sets and the forward/inverse
// formulas on the unit sphere. The calibration classes fit the projected
// (x, y) to pixels; this file only knows the geometry.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "geo/GeoUnits.h"
#include "geo/Utm.h"  // geo_detail::SinCos

namespace trek {

enum class ProjectionKind : uint8_t {
    Mercator,
    TransverseMercator,
    LambertAzimuthalEqualArea,
    LambertConformalConic,
};

// One row per kind: the name stored in map description files (spelling as
// stored), a short name for command lines, and how many angles it takes.
struct ProjectionKindInfo {
    ProjectionKind kind;
    std::string_view name;       // "Mercator", "Transverse Mercator", ...
    std::string_view shortName;  // "mercator", "tm", "laea", "lcc"
    int angleCount;              // 2 or 4
};

std::span<const ProjectionKindInfo> ProjectionKinds();
// Looks a kind up by its stored name or its short name (exact match).
const ProjectionKindInfo* FindProjectionKind(std::string_view name);
const ProjectionKindInfo& ProjectionKindOf(ProjectionKind kind);

// The constants of the "OSM" calibration kind (spherical web map); its
// formulas belong to the calibration itself.
namespace osm {
constexpr double kMetresPerDegree = 111319.49079327358;  // of longitude at the equator
constexpr double kSphereRadius = 6378137.0;
constexpr double kMetresPerGeoUnit = 0.06378137;
}  // namespace osm

// Maximum length of a projection name in a calibration (31 characters + NUL).
constexpr size_t kProjectionNameCapacity = 32;

// A projection with its parameters, angles in radians:
//   Mercator, Transverse Mercator:  lambda0 (central longitude), phi0 (reference latitude)
//   Lambert Azimuthal Equal Area:   lambda0, phi1 (centre)
//   Lambert Conformal Conic:        lambda0, phi0, phi1, phi2 and the derived n, F, rho0
struct Projection {
    ProjectionKind kind = ProjectionKind::Mercator;
    double lambda0 = 0, phi0 = 0, phi1 = 0, phi2 = 0;
    double n = 0, F = 0, rho0 = 0;  // conic constants
    double sinPhi1 = 0, cosPhi1 = 0;  // azimuthal centre, precomputed

    // Builds a projection from `count` angles in radians in the order above.
    // Fails when the count does not match the kind or the parameters give no
    // usable projection (a conic whose standard parallels are symmetric about
    // the equator, or angles that are not finite).
    static std::optional<Projection> Make(ProjectionKind kind, const double* anglesRad, size_t count);
    // The same from angles in geo units (as calibrations store them).
    static std::optional<Projection> MakeGeo(ProjectionKind kind, const int32_t* anglesGeo, size_t count);

    // (lambda, phi) in radians -> (x, y) on the unit sphere. False when the
    // point has no finite image (a pole in Mercator, the antipode in LAEA, ...).
    bool Forward(double lambda, double phi, double& x, double& y) const;
    // (x, y) -> (lambda, phi) in radians. False when the result is not finite.
    bool Inverse(double x, double y, double& lambda, double& phi) const;

    // Geo-unit forms: in with x 1e-8, out truncated with x 1e8.
    bool ForwardGeo(const GeoPoint& p, double& x, double& y) const {
        return Forward(p.lon * 1e-8, p.lat * 1e-8, x, y);
    }
    bool InverseGeo(double x, double y, GeoPoint& p) const;
};

// ---- inline formulas: these run for every pixel row of a drawn map ----

namespace projection_detail {
constexpr double kQuarterPi = 0.7853981633974483;
constexpr double kHalfPi = 1.5707963267948966;
inline bool Finite2(double a, double b) { return std::isfinite(a) && std::isfinite(b); }
}  // namespace projection_detail

// The formulas are the textbook ones, rearranged so that each point costs as
// few library calls as possible: sin/cos come from geo_detail::SinCos, and
// tan(pi/4 + phi/2) is (1 + sin phi) / cos phi. Results agree with the
// straight formulas to a few units in the last place.
inline bool Projection::Forward(double lambda, double phi, double& x, double& y) const {
    using geo_detail::SinCos;
    const double dl = lambda - lambda0;
    switch (kind) {
    case ProjectionKind::Mercator: {
        // ln tan(pi/4 + phi/2) is odd in phi; the form with |sin phi| never
        // subtracts nearly equal numbers.
        double sinPhi, cosPhi;
        SinCos(phi, sinPhi, cosPhi);
        x = dl;
        y = std::copysign(std::log((1.0 + std::fabs(sinPhi)) / cosPhi), phi);
        break;
    }
    case ProjectionKind::TransverseMercator: {
        // tan(phi) / cos(dl) written as sin / (cos cos).
        double sinPhi, cosPhi, sinDl, cosDl;
        SinCos(phi, sinPhi, cosPhi);
        SinCos(dl, sinDl, cosDl);
        const double B = cosPhi * sinDl;
        x = 0.5 * std::log((1.0 + B) / (1.0 - B));
        y = std::atan(sinPhi / (cosPhi * cosDl)) - phi0;
        break;
    }
    case ProjectionKind::LambertAzimuthalEqualArea: {
        double sinPhi, cosPhi, sinDl, cosDl;
        SinCos(phi, sinPhi, cosPhi);
        SinCos(dl, sinDl, cosDl);
        const double k = std::sqrt(2.0 / (1.0 + sinPhi1 * sinPhi + cosPhi1 * cosPhi * cosDl));
        x = k * cosPhi * sinDl;
        y = k * (cosPhi1 * sinPhi - sinPhi1 * cosPhi * cosDl);
        break;
    }
    case ProjectionKind::LambertConformalConic: {
        // 1 / tan(pi/4 + phi/2) = cos / (1 + sin) = (1 - sin) / cos; the
        // form that adds, not cancels, is taken on each side of the equator.
        double sinPhi, cosPhi, sinTheta, cosTheta;
        SinCos(phi, sinPhi, cosPhi);
        const double invT = sinPhi >= 0.0 ? cosPhi / (1.0 + sinPhi) : (1.0 - sinPhi) / cosPhi;
        const double rho = F * std::pow(invT, n);
        SinCos(n * dl, sinTheta, cosTheta);
        x = rho * sinTheta;
        y = rho0 - rho * cosTheta;
        break;
    }
    }
    return projection_detail::Finite2(x, y);
}

inline bool Projection::Inverse(double x, double y, double& lambda, double& phi) const {
    using namespace projection_detail;
    switch (kind) {
    case ProjectionKind::Mercator:
        phi = std::atan(std::sinh(y));
        lambda = lambda0 + x;
        break;
    case ProjectionKind::TransverseMercator: {
        // sinh from expm1 (accurate near 0, unlike exp - 1/exp).
        const double D = y + phi0;
        double sinD, cosD;
        geo_detail::SinCos(D, sinD, cosD);
        const double E = std::expm1(x);
        const double sinhX = 0.5 * (E + E / (E + 1.0));
        // asin(sin D / cosh x) as an arctangent: cos phi = sqrt(sinh^2 x + cos^2 D) / cosh x.
        phi = std::atan(sinD / std::sqrt(sinhX * sinhX + cosD * cosD));
        lambda = lambda0 + std::atan(sinhX / cosD);
        break;
    }
    case ProjectionKind::LambertAzimuthalEqualArea: {
        const double rho2 = x * x + y * y;
        if (rho2 == 0.0) {  // the centre itself; the general formula divides by rho
            phi = phi1;
            lambda = lambda0;
            break;
        }
        // c = 2 asin(rho/2) gives sin c = rho k with k = sqrt(1 - rho^2/4) and
        // cos c = 1 - rho^2/2; rho itself cancels out of both formulas.
        const double k = std::sqrt(1.0 - 0.25 * rho2);
        const double cosC = 1.0 - 0.5 * rho2;
        phi = std::asin(cosC * sinPhi1 + y * k * cosPhi1);
        lambda = lambda0 + std::atan(x * k / (cosPhi1 * cosC - y * sinPhi1 * k));
        break;
    }
    case ProjectionKind::LambertConformalConic: {
        const double dy = rho0 - y;
        const double rho = std::sqrt(dy * dy + x * x);
        const double theta = std::atan(x / dy);
        phi = 2.0 * std::atan(std::pow(F / rho, 1.0 / n)) - kHalfPi;
        lambda = theta / n + lambda0;
        break;
    }
    }
    return Finite2(lambda, phi);
}

inline bool Projection::InverseGeo(double x, double y, GeoPoint& p) const {
    double lambda, phi;
    if (!Inverse(x, y, lambda, phi)) return false;
    if (std::fabs(lambda) > 21.0 || std::fabs(phi) > 21.0) return false;  // beyond int32 geo units
    p.lon = static_cast<int32_t>(lambda * 1e8);
    p.lat = static_cast<int32_t>(phi * 1e8);
    return true;
}

}  // namespace trek
