#pragma once
// UTM on the WGS84 ellipsoid: latitude/longitude <-> zone, band, easting, northing.
// The series are the classic ones (meridian arc to n^5, fourth-order terms in
// the longitude difference): about 0.1 m inside a zone, which is what the info
// line, the UTM grid and UTM-calibrated maps need.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

namespace trek {

// A reference ellipsoid. The operations are virtual so that another datum can
// be supplied; the only one the program uses is WGS84.
class Ellipsoid {
public:
    Ellipsoid(double semiMajorAxis, double flattening) : a_(semiMajorAxis), f_(flattening) {}
    virtual ~Ellipsoid() = default;

    virtual double SemiMajorAxis() const { return a_; }
    virtual double SemiMinorAxis() const { return (1.0 / f_ - 1.0) * f_ * a_; }
    virtual double Flattening() const { return f_; }
    virtual double EccentricitySquared() const {
        const double a = SemiMajorAxis(), b = SemiMinorAxis();
        return (a * a - b * b) / (a * a);
    }
    virtual double SecondEccentricitySquared() const {
        const double a = SemiMajorAxis(), b = SemiMinorAxis();
        return (a * a - b * b) / (b * b);
    }

    // The shared WGS84 ellipsoid: a = 6 378 137 m, f = 1/298.257223563.
    static const Ellipsoid& Wgs84();

private:
    double a_;
    double f_;
};

namespace utm {
constexpr double kScale = 0.9996;
constexpr double kFalseEasting = 500000.0;
constexpr double kFalseNorthing = 10000000.0;  // southern hemisphere
constexpr int kAutoZone = 100;                 // "choose the zone from the longitude"
constexpr double kDegToRad = 0.017453292519943295;
constexpr double kRadToDeg = 57.29577951308232;
constexpr double kDegreesPerGeoUnit = 5.729577951308232e-7;
constexpr size_t kInfoTextCapacity = 40;  // "60X, -2147483648, -2147483648" and NUL fit
}  // namespace utm

// Constants derived once from an ellipsoid, so that a conversion is only
// arithmetic and a handful of trigonometric calls.
struct UtmConstants {
    double a = 0, b = 0, e2 = 0, ep2 = 0;
    double A0 = 0, A2 = 0, A4 = 0, A6 = 0, A8 = 0;  // meridian-arc coefficients
    double F2 = 0, F4 = 0, F6 = 0, F8 = 0;          // footpoint-latitude coefficients
    // Reciprocals, so that the per-point inverse multiplies instead of dividing.
    double invA0 = 0;          // 1 / A0: arc -> rectifying latitude
    double invAOneMinusE2 = 0; // 1 / (a (1 - e2)): rho = a (1 - e2) / w^1.5
    double invOneMinusE2 = 0;  // nu / rho = w / (1 - e2)
    double invScaleA = 0;      // 1 / (k0 a): x / (k0 nu) = x sqrt(w) / (k0 a)
    explicit UtmConstants(const Ellipsoid& e);
};

// One UTM position together with its latitude/longitude. The fields are public
// and always describe the same point after LatLonToUtm or UtmToLatLon.
class cUTM {
public:
    double latitude = 0;   // degrees
    double longitude = 0;  // degrees
    uint8_t zone = 0;      // 1..60
    char band = 0;         // "CDEFGHJKLMNPQRSTUVWX", '*' beyond 80° S / 84° N
    double easting = 0;    // metres (includes +0.5, so truncation rounds)
    double northing = 0;   // metres (includes +0.5)

    // An empty converter on `ellipsoid` (WGS84 when null; the ellipsoid is not
    // owned and must outlive this object).
    explicit cUTM(const Ellipsoid* ellipsoid = nullptr);
    // From latitude and longitude in geo units; zone kAutoZone picks it from the
    // longitude, any other value forces that zone.
    cUTM(int32_t latitudeGeo, int32_t longitudeGeo, int zone = utm::kAutoZone, const Ellipsoid* ellipsoid = nullptr);
    // From easting/northing as integers (as map files store them) and the band letter.
    static cUTM FromUtm(int32_t easting, int zone, int32_t northing, char band, const Ellipsoid* ellipsoid = nullptr);

    // Sets latitude/longitude (geo units) and converts, keeping the ellipsoid.
    void SetPosition(int32_t latitudeGeo, int32_t longitudeGeo, int zone = utm::kAutoZone);
    // Sets latitude/longitude in degrees and converts.
    void SetLatLon(double latitudeDeg, double longitudeDeg, int zone = utm::kAutoZone) {
        latitude = latitudeDeg;
        longitude = longitudeDeg;
        LatLonToUtm(zone);
    }
    // Sets zone, band, easting, northing (metres) and converts back.
    void SetUtm(int zoneNumber, char bandLetter, double eastingM, double northingM) {
        zone = static_cast<uint8_t>(zoneNumber);
        band = bandLetter;
        easting = eastingM;
        northing = northingM;
        UtmToLatLon();
    }

    // latitude/longitude -> zone, band, easting, northing.
    void LatLonToUtm(int forcedZone = utm::kAutoZone);
    // zone, band, easting, northing -> latitude, longitude and band.
    void UtmToLatLon();

    // Band letter of a latitude in degrees: '*' at 84° and beyond and below -80°.
    static char LatitudeBand(double latitudeDeg);
    // Zone chosen for a longitude in degrees, already brought into -180..180.
    static int ZoneOf(double longitudeDeg);
    // Length of the meridian from the equator to latitude phi (radians), metres.
    double MeridianArc(double phi) const;

    // The info-line text "32U, 649188, 5318236" (zone, band, easting, northing
    // truncated). Writes at most utm::kInfoTextCapacity bytes including the NUL
    // and returns the length.
    size_t InfoText(char* out) const;
    std::string InfoText() const;

    const Ellipsoid& ellipsoid() const { return *ellipsoid_; }

private:
    const Ellipsoid* ellipsoid_;
    UtmConstants k_;
};

// ---- inline hot paths: map drawing and track import convert every point ----

namespace geo_detail {
// sin and cos for |x| <= 1.6 (latitudes, with margin) without a libm call,
// so that batch loops keep their arithmetic in flight (UTM, projections): Taylor series of the
// half angle (|x/2| <= 0.8, truncation below 1e-16), then the double-angle
// rules. Absolute error below 1e-15 over that range (a few ulp).
inline void SinCosLatitude(double x, double& s, double& c) {
    const double h = 0.5 * x, z = h * h, z2 = z * z, z4 = z2 * z2;
    // Coefficients (-1)^k / (2k+1)! and (-1)^k / (2k)!, paired for a short chain.
    const double sh = h * ((1.0 + z * (-1.0 / 6)) + z2 * ((1.0 / 120 + z * (-1.0 / 5040)) +
                      z2 * (1.0 / 362880 + z * (-1.0 / 39916800))) +
                      z4 * z2 * (1.0 / 6227020800.0 + z * (-1.0 / 1307674368000.0)));
    const double ch = (1.0 + z * (-0.5)) + z2 * ((1.0 / 24 + z * (-1.0 / 720)) +
                      z2 * (1.0 / 40320 + z * (-1.0 / 3628800))) +
                      z4 * z2 * ((1.0 / 479001600.0 + z * (-1.0 / 87178291200.0)) + z2 * (1.0 / 20922789888000.0));
    s = 2.0 * sh * ch;
    c = (ch - sh) * (ch + sh);
}

// sin and cos of any angle: the series within +-1.6 rad, libm beyond.
inline void SinCos(double x, double& s, double& c) {
    if (std::fabs(x) <= 1.6) {
        SinCosLatitude(x, s, c);
    } else {
        s = std::sin(x);
        c = std::cos(x);
    }
}

}  // namespace geo_detail

namespace utm_detail {
// sin 2x, sin 4x, sin 6x, sin 8x from sin x and cos x by the double-angle and
// addition rules: one sincos instead of four sines.
struct MultipleSines {
    double s2, s4, s6, s8;
    MultipleSines(double s, double c) {
        s2 = 2.0 * s * c;
        const double c2 = c * c - s * s;
        s4 = 2.0 * s2 * c2;
        const double c4 = c2 * c2 - s2 * s2;
        s6 = s4 * c2 + c4 * s2;
        s8 = 2.0 * s4 * c4;
    }
};

inline double ArcFromSinCos(const UtmConstants& k, double phi, double s, double c) {
    const MultipleSines m(s, c);
    return k.A0 * phi - k.A2 * m.s2 + k.A4 * m.s4 - k.A6 * m.s6 + k.A8 * m.s8;
}
}  // namespace utm_detail

inline char cUTM::LatitudeBand(double lat) {
    if (lat >= 84.0) return '*';
    if (lat >= 72.0) return 'X';
    if (lat < -80.0 || !(lat == lat)) return '*';
    return "CDEFGHJKLMNPQRSTUVWX"[static_cast<size_t>((lat + 80.0) * 0.125)];
}

inline void cUTM::UtmToLatLon() {
    const bool south = (band >= 'C' && band <= 'M') || (band >= 'c' && band <= 'm');
    const double north = south ? northing - utm::kFalseNorthing : northing;
    const double m = north * (1.0 / utm::kScale);

    // Footpoint latitude phi1: the latitude whose meridian arc is m. The
    // rectifying-latitude series gives it to ~1e-13 rad; its correction d is
    // below 0.003 rad, so sin/cos of mu + d follow from those of mu by the
    // addition rule with short Taylor series for d (exact to rounding).
    const double mu = m * k_.invA0;
    double sMu, cMu;
    geo_detail::SinCos(mu, sMu, cMu);
    const utm_detail::MultipleSines ms(sMu, cMu);
    const double d = k_.F2 * ms.s2 + k_.F4 * ms.s4 + k_.F6 * ms.s6 + k_.F8 * ms.s8;
    const double d2 = d * d;
    const double sinD = d * (1.0 - d2 * (1.0 / 6.0) * (1.0 - d2 * (1.0 / 20.0)));
    const double cosD = 1.0 - d2 * 0.5 * (1.0 - d2 * (1.0 / 12.0) * (1.0 - d2 * (1.0 / 30.0)));
    double phi = mu + d;
    double s = sMu * cosD + cMu * sinD, c = cMu * cosD - sMu * sinD;

    // One Newton step on the arc (its derivative is rho) lands on the root of
    // the arc series itself; a further step would move less than 1e-20 rad.
    // The step is ~1e-13 rad, so first order updates sin and cos exactly, and
    // w = 1 - e2 sin^2 is the same to 1e-15 before and after it.
    const double w = 1.0 - k_.e2 * s * s;
    const double sw = std::sqrt(w);
    const double step = (m - utm_detail::ArcFromSinCos(k_, phi, s, c)) * (w * sw * k_.invAOneMinusE2);
    phi += step;
    const double s1 = s + c * step;
    c -= s * step;
    s = s1;

    // The series in x / (k0 nu) and nu / rho, which need no further roots.
    const double ic = 1.0 / c;
    const double t = s * ic;
    const double T = t * t;
    const double C = k_.ep2 * c * c;
    const double u = (easting - utm::kFalseEasting) * sw * k_.invScaleA;  // x / (k0 nu)
    const double u2 = u * u;
    const double q = w * k_.invOneMinusE2;                                  // nu / rho
    const double lat = phi - t * q * u2 * (0.5 - (5.0 + 3.0 * T + C - 4.0 * C * C - 9.0 * T * C) * u2 * (1.0 / 24.0));
    const double lon = u * ic * (1.0 - (1.0 + 2.0 * T + C) * u2 * (1.0 / 6.0)) + (6.0 * zone - 183.0) * utm::kDegToRad;
    latitude = lat * utm::kRadToDeg;
    longitude = lon * utm::kRadToDeg;
    band = LatitudeBand(latitude);
}

}  // namespace trek
