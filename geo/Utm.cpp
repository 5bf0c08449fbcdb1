#include "geo/Utm.h"

#include <charconv>
#include <string_view>

namespace trek {

namespace {

// Truncates toward zero like a C cast, but saturates instead of overflowing
// (a garbage easting must not make the info line undefined behaviour).
int64_t TruncToInt(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return 2147483647;
    if (v <= -2147483648.0) return -2147483648LL;
    return static_cast<int64_t>(v);
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
    invA0 = 1.0 / A0;
    invAOneMinusE2 = 1.0 / (a * (1.0 - e2));
    invOneMinusE2 = 1.0 / (1.0 - e2);
    invScaleA = 1.0 / (utm::kScale * a);
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

int cUTM::ZoneOf(double lon) {
    const int z = lon >= 0 ? 31 + static_cast<int>(lon / 6.0) : 30 + static_cast<int>(lon / 6.0);
    // -180° itself would give zone 0; it belongs to zone 1.
    return z < 1 ? 1 : z > 60 ? 60 : z;
}

double cUTM::MeridianArc(double phi) const { return utm_detail::ArcFromSinCos(k_, phi, std::sin(phi), std::cos(phi)); }

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
    const double M = utm_detail::ArcFromSinCos(k_, phi, s, c);
    const double c3 = c * c * c;
    const double dl2 = dl * dl;

    easting = utm::kScale * N * (c * dl + (1.0 - T + C) * c3 * dl2 * dl / 6.0) + utm::kFalseEasting + 0.5;
    northing = utm::kScale * M + utm::kScale * N * s * c * dl2 / 2.0 +
               utm::kScale * N * s * c3 * (5.0 - T + 9.0 * C + 4.0 * C * C) * dl2 * dl2 / 24.0 +
               (phi < 0 ? utm::kFalseNorthing : 0.0) + 0.5;
    if (northing > 9999999.0) northing = 9999999.0;
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
