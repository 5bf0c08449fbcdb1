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
    double Footpoint(double arc) const;  // starting latitude for the inverse

    const Ellipsoid* ellipsoid_;
    UtmConstants k_;
};

}  // namespace trek
