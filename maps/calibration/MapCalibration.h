#pragma once
// Conversion between image pixels and WGS84 positions for one map. The base
// class keeps the reference points and the numbers every kind shares; each
// calibration kind (UtmCalibration.h, LinearCalibration.h, OsmCalibration.h,
// ProjectedCalibration.h) supplies the arithmetic.
//
// Pixels: x from the left column, y upward from the bottom row (y = height-1 is
// the top row). Sub-pixel results and inputs are the same values times 100.
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "geo/GeoUnits.h"

namespace trek {

// One reference point: an image pixel and its position in geo units.
struct ReferencePoint {
    int32_t x = 0;
    int32_t y = 0;
    int32_t lon = 0;
    int32_t lat = 0;
    friend bool operator==(const ReferencePoint&, const ReferencePoint&) = default;
};

// Whole pixels, or hundredths of a pixel where the caller asked for sub-pixel values.
struct PixelPoint {
    int32_t x = 0;
    int32_t y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// A UTM position as the calibrations cache it. zone 0 = not known.
struct UtmPosition {
    double easting = 0;
    double northing = 0;
    uint8_t zone = 0;
    char band = 0;
    bool known() const { return zone != 0; }
};

// A position handed to or returned by a calibration: the geo position and,
// when known, its UTM position (a UTM calibration reuses one in its own zone).
struct CalibrationPosition {
    GeoPoint geo;
    UtmPosition utm;
};

// The calibration kinds, each with its stored kind name.
enum class CalibrationKind : uint8_t {
    Utm,                        // "UTM" (the default)
    Linear,                     // "WGS84"
    Osm,                        // "OSM"
    Mercator,                   // "Mercator"
    TransverseMercator,         // "Transverse Mercator"
    LambertConformalConic,      // "Lambert Conformal Conic"
    LambertAzimuthalEqualArea,  // "Lambert Azimuthual Equal Area"
};
const char* CalibrationKindName(CalibrationKind kind);
// Exact name (case-sensitive) to kind; nullopt for unknown names.
std::optional<CalibrationKind> CalibrationKindFromName(std::string_view name);

// Reference type table, index = position.
enum ReferenceTypeIndex : uint8_t {
    kRefTypeDummy = 0,
    kRefTypeBilinearGeographic = 1,
    kRefTypeBilinearDistance = 2,
    kRefTypeLinearCosinus = 3,
    kRefTypeWgs84Utm = 4,
};
constexpr size_t kReferenceTypeCount = 5;
const char* ReferenceTypeName(uint8_t index);  // nullptr outside the table
// Each table name compared as a prefix of the value; the last match wins.
std::optional<uint8_t> ReferenceTypeFromText(std::string_view value);

// Two-element UTM reference record (P0 and P1 in UTM, as the UTM and OSM kinds keep them).
struct UtmReference {
    int32_t x = 0;
    int32_t y = 0;
    int32_t easting = 0;
    int32_t northing = 0;
    uint8_t zone = 0;
    char band = 0;
};

class MapCalibration {
public:
    virtual ~MapCalibration();

    // 1. Geographic -> pixel. Sub-pixel: hundredths of a pixel.
    virtual PixelPoint GeoToPixel(const CalibrationPosition& position, bool subPixel = false) const = 0;
    PixelPoint GeoToPixel(GeoPoint geo, bool subPixel = false) const {
        return GeoToPixel(CalibrationPosition{geo, {}}, subPixel);
    }
    // 3. Pixel -> geographic; x, y in hundredths when subPixel. The UTM part of
    // the result is filled by the kinds that compute it (UtmCalibration).
    virtual CalibrationPosition PixelToGeo(int32_t x, int32_t y, bool subPixel = false) const = 0;

    // 4. Diagnostic dump of the numbers; nothing depends on its layout.
    virtual void Dump(std::ostream& out) const;

    // 5. Replaces the reference points (file order; P0 and P1 are the first two).
    virtual void SetReferencePoints(std::vector<ReferencePoint> points);
    const std::vector<ReferencePoint>& referencePoints() const { return points_; }
    std::vector<ReferencePoint>& mutableReferencePoints() { return points_; }

    // 6. Computes the transform from the reference points. true = usable. The
    // result is also kept: see calibrated().
    virtual bool Calibrate() = 0;
    bool calibrated() const { return calibrated_; }
    // Why the last Calibrate() failed (empty after success), e.g. the grid
    // solver's "Reference points are located badly!\r\nx(m)=x(n) or y(m)=y(n)".
    const std::string& calibrationError() const { return error_; }

    // 7., 8. Rotation angle theta in radians (kept with its sines and cosines).
    virtual void SetRotation(double theta);
    virtual double Rotation() const { return theta_; }

    // 9., 10. Reference type index (ReferenceTypeIndex).
    virtual void SetReferenceType(uint8_t index) { refType_ = index; }
    virtual uint8_t ReferenceType() const { return refType_; }

    // 11. Metres per pixel.
    virtual double ScaleMetresPerPixel() const { return scale_; }

    // 13. A pair of doubles; 100.0 and 100.0 unless a kind says otherwise.
    virtual std::array<double, 2> AuxiliaryPair() const { return {100.0, 100.0}; }

    // A copy of the same kind with the same points, parameters and state.
    virtual std::unique_ptr<MapCalibration> Clone() const = 0;

    virtual CalibrationKind kind() const = 0;
    const char* kindName() const { return CalibrationKindName(kind()); }
    const char* datumName() const { return "WGS84"; }

    // The UTM reference records of P0 and P1 where the kind computes them.
    const std::array<UtmReference, 2>& utmReferences() const { return utmRefs_; }

protected:
    MapCalibration() = default;
    MapCalibration(const MapCalibration&) = default;
    MapCalibration& operator=(const MapCalibration&) = default;

    // Records the outcome of Calibrate(): sets calibrated() and the error text.
    bool Finish(bool ok, std::string error = {});

    std::vector<ReferencePoint> points_;
    std::array<UtmReference, 2> utmRefs_{};
    // P0 - P1 in pixels and in easting/northing (or longitude/latitude).
    int32_t dx_ = 0, dy_ = 0, dEast_ = 0, dNorth_ = 0;
    double theta_ = 0, sinMinusTheta_ = 0, cosMinusTheta_ = 1, sinTheta_ = 0, cosTheta_ = 1;
    uint8_t refType_ = kRefTypeDummy;
    double scale_ = 1.0;  // metres per pixel
    bool calibrated_ = false;
    std::string error_;
};

// Parameters of the projection kinds, in geo units: origin (central) longitude
// and latitude, and the two standard parallels of the conformal conic kind.
struct ProjectionParams {
    int32_t lon0 = 0;
    int32_t lat0 = 0;
    int32_t lat1 = 0;
    int32_t lat2 = 0;
    friend bool operator==(const ProjectionParams&, const ProjectionParams&) = default;
};

// Makes an empty calibration of a kind. OSM takes dx/dy (metres per pixel),
// the projection kinds take params; the others ignore both.
std::unique_ptr<MapCalibration> CreateCalibration(CalibrationKind kind, const ProjectionParams& params = {},
                                                  double osmDx = 0.0, double osmDy = 0.0);

}  // namespace trek
