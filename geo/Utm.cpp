#include "geo/Utm.h"

#include <charconv>
#include <string_view>

namespace trek {

namespace {

constexpr std::string_view kBands = "CDEFGHJKLMNPQRSTUVWX";

// Truncates toward zero like a C cast, but saturates instead of overflowing
// (a garbage easting must not make the info line undefined behaviour).
int64_t TruncToInt(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483648LL;
    return static_cast<int64_t>(v);
}

// sin 2φ, sin 4φ, sin 6φ, sin 8φ from sin φ and cos φ by the double-angle and
// addition rules: one sincos instead of four sines per arc.
inline double ArcFromSinCos(const UtmConstants& k, double phi, double s, double c) {
    const double s2 = 2.0 * s * c, c2 = c * c - s * s;
    const double s4 = 2.0 * s2 * c2, c4 = c2 * c2 - s2 * s2;
    const double s6 = s4 * c2 + c4 * s2;
    const double s8 = 2.0 * s4 * c4;
    return k.A0 * phi - k.A2 * s2 + k.A4 * s4 - k.A6 * s6 + k.A8 * s8;
}

}  // namespace

const Ellipsoid& Ellipsoid::Wgs84() {
    static const Ellipsoid wgs84(6378137.0, 0.0033528106647474805);
    return wgs84;
}

UtmConstants::UtmConstants(const Ellipsoid& e)
    : a(e.SemiMajorAxis()), b(e.SemiMinorAxis()), e2(e.EccentricitySquared()), ep2(e.SecondEccentricitySquared()) {
    const double n = (a - b) / (a + b);
    const double n2 = n * n, n3 = n2 * n, n4 = n3 * n, n5 = n4 * n;
    A0 = a * (1.0 - n + 5.0 / 4.0 * (n2 - n3) + 81.0 / 64.0 * (n4 - n5));
    A2 = 3.0 / 2.0 * a * (n - n2 + 7.0 / 8.0 * (n3 - n4) + 55.0 / 64.0 * n5);
    A4 = 15.0 / 16.0 * a * (n2 - n3 + 3.0 / 4.0 * (n4 - n5));
    A6 = 35.0 / 48.0 * a * (n3 - n4 + 11.0 / 16.0 * n5);
    A8 = 315.0 / 512.0 * a * (n4 - n5);
    // Inverse of the arc series (rectifying latitude -> latitude), in n.
    F2 = 3.0 / 2.0 * n - 27.0 / 32.0 * n3 + 269.0 / 512.0 * n5;
    F4 = 21.0 / 16.0 * n2 - 55.0 / 32.0 * n4;
    F6 = 151.0 / 96.0 * n3 - 417.0 / 128.0 * n5;
    F8 = 1097.0 / 512.0 * n4;
}

cUTM::cUTM(const Ellipsoid* ellipsoid)
    : ellipsoid_(ellipsoid ? ellipsoid : &Ellipsoid::Wgs84()), k_(*ellipsoid_) {}

cUTM::cUTM(int32_t latitudeGeo, int32_t longitudeGeo, int zoneNumber, const Ellipsoid* ellipsoid) : cUTM(ellipsoid) {
    SetPosition(latitudeGeo, longitudeGeo, zoneNumber);
}

cUTM cUTM::FromUtm(int32_t eastingM, int zoneNumber, int32_t northingM, char bandLetter, const Ellipsoid* ellipsoid) {
    cUTM u(ellipsoid);
    u.SetUtm(zoneNumber, bandLetter, eastingM, northingM);
    return u;
}

void cUTM::SetPosition(int32_t latitudeGeo, int32_t longitudeGeo, int zoneNumber) {
    latitude = latitudeGeo * utm::kDegreesPerGeoUnit;
    longitude = longitudeGeo * utm::kDegreesPerGeoUnit;
    LatLonToUtm(zoneNumber);
}

char cUTM::LatitudeBand(double lat) {
    if (lat >= 84.0) return '*';
    if (lat >= 72.0) return 'X';
    if (lat < -80.0 || !(lat == lat)) return '*';
    return kBands[static_cast<size_t>((lat + 80.0) / 8.0)];
}

int cUTM::ZoneOf(double lon) {
    const int z = lon >= 0 ? 31 + static_cast<int>(lon / 6.0) : 30 + static_cast<int>(lon / 6.0);
    // -180° itself would give zone 0; it belongs to zone 1.
    return z < 1 ? 1 : z > 60 ? 60 : z;
}

double cUTM::Footpoint(double arc) const {
    const double mu = arc / k_.A0;
    const double s = std::sin(mu), c = std::cos(mu);
    const double s2 = 2.0 * s * c, c2 = c * c - s * s;
    const double s4 = 2.0 * s2 * c2, c4 = c2 * c2 - s2 * s2;
    const double s6 = s4 * c2 + c4 * s2;
    const double s8 = 2.0 * s4 * c4;
    return mu + k_.F2 * s2 + k_.F4 * s4 + k_.F6 * s6 + k_.F8 * s8;
}

double cUTM::MeridianArc(double phi) const { return ArcFromSinCos(k_, phi, std::sin(phi), std::cos(phi)); }

void cUTM::LatLonToUtm(int forcedZone) {
    if (longitude > 180.0) longitude -= 360.0;
    else if (longitude < -180.0) longitude += 360.0;
    if (forcedZone == utm::kAutoZone) {
        // 180° is the same meridian as -180°, the western edge of zone 1.
        if (longitude == 180.0) longitude = -180.0;
        zone = static_cast<uint8_t>(ZoneOf(longitude));
    } else {
        zone = static_cast<uint8_t>(forcedZone);
    }
    band = LatitudeBand(latitude);

    const double phi = latitude * utm::kDegToRad;
    const double dl = (longitude - (6.0 * zone - 183.0)) * utm::kDegToRad;
    const double s = std::sin(phi), c = std::cos(phi);
    const double t = s / c;
    const double T = t * t;
    const double C = k_.ep2 * c * c;
    const double N = k_.a / std::sqrt(1.0 - k_.e2 * s * s);
    const double M = ArcFromSinCos(k_, phi, s, c);
    const double c3 = c * c * c;
    const double dl2 = dl * dl;

    easting = utm::kScale * N * (c * dl + (1.0 - T + C) * c3 * dl2 * dl / 6.0) + utm::kFalseEasting + 0.5;
    northing = utm::kScale * M + utm::kScale * N * s * c * dl2 / 2.0 +
               utm::kScale * N * s * c3 * (5.0 - T + 9.0 * C + 4.0 * C * C) * dl2 * dl2 / 24.0 +
               (phi < 0 ? utm::kFalseNorthing : 0.0) + 0.5;
    if (northing > 9999999.0) northing = 9999999.0;
}

void cUTM::UtmToLatLon() {
    const bool south = (band >= 'C' && band <= 'M') || (band >= 'c' && band <= 'm');
    const double north = south ? northing - utm::kFalseNorthing : northing;

    // Footpoint latitude: the latitude whose meridian arc is northing / k0,
    // found by Newton steps on the arc (its derivative is rho), five at most.
    // The steps start from the rectifying-latitude series, which is already
    // within 1e-13 rad, so one step normally reaches the root; after a step
    // below 1e-7 rad the next would change less than 1e-16 rad and is left out.
    const double m = north / utm::kScale;
    const double oneMinusE2 = 1.0 - k_.e2;
    double phi = Footpoint(m);
    double s = std::sin(phi), c = std::cos(phi);
    for (int i = 0; i < 5; ++i) {
        const double w = 1.0 - k_.e2 * s * s;
        const double rho = k_.a * oneMinusE2 / (w * std::sqrt(w));
        const double step = (m - ArcFromSinCos(k_, phi, s, c)) / rho;
        phi += step;
        if (std::fabs(step) < 1e-7) {
            // sin and cos of phi + step by the addition rule, to second order.
            const double h = 1.0 - 0.5 * step * step;
            const double s1 = s * h + c * step;
            c = c * h - s * step;
            s = s1;
            break;
        }
        s = std::sin(phi);
        c = std::cos(phi);
    }
    const double t = s / c;
    const double T = t * t;
    const double C = k_.ep2 * c * c;
    const double w = 1.0 - k_.e2 * s * s;
    const double sw = std::sqrt(w);
    const double nu = k_.a / sw;
    const double rho = k_.a * oneMinusE2 / (w * sw);
    const double x = easting - utm::kFalseEasting;
    const double x2 = x * x;
    const double k0 = utm::kScale, k02 = k0 * k0;
    const double nu3 = nu * nu * nu;

    const double lat = phi - t * x2 / (2.0 * k02 * rho * nu) +
                       t * (5.0 + 3.0 * T + C - 4.0 * C * C - 9.0 * T * C) * x2 * x2 / (24.0 * k02 * k02 * rho * nu3);
    const double lon = x / (k0 * nu * c) - (1.0 + 2.0 * T + C) * x2 * x / (6.0 * k02 * k0 * nu3 * c) +
                       (6.0 * zone - 183.0) * utm::kDegToRad;
    latitude = lat * utm::kRadToDeg;
    longitude = lon * utm::kRadToDeg;
    band = LatitudeBand(latitude);
}

size_t cUTM::InfoText(char* out) const {
    char* p = out;
    char* const end = out + utm::kInfoTextCapacity - 1;
    auto number = [&](int64_t v) { p = std::to_chars(p, end, v).ptr; };
    auto text = [&](std::string_view s) {
        for (char ch : s)
            if (p < end) *p++ = ch;
    };
    number(zone);
    text(std::string_view(&band, band ? 1 : 0));
    text(", ");
    number(TruncToInt(easting));
    text(", ");
    number(TruncToInt(northing));
    *p = '\0';
    return static_cast<size_t>(p - out);
}

std::string cUTM::InfoText() const {
    char buf[utm::kInfoTextCapacity];
    return std::string(buf, InfoText(buf));
}

}  // namespace trek
