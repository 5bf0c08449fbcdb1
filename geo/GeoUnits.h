#pragma once
// The integer angle unit of the whole system: 1e-8 radian in a signed 32-bit
// word. Every latitude and longitude on the data path is held this way.
#include <cmath>
#include <cstdint>

namespace trek {

namespace geo {
constexpr double kUnitsPerDegree = 1745329.2519943295;  // pi/180 * 1e8
constexpr double kUnitsPerMinute = 29088.820866572158;
constexpr double kUnitsPerSecond = 484.8136811095359;
constexpr double kDegreesPerUnit = 5.729577951308232e-7;
constexpr int32_t kHalfTurn = 314159265;
constexpr int32_t kFullTurn = 628318530;
constexpr int32_t kQuarterTurn = 157079632;
constexpr double kEarthRadius = 6378137.0;  // metres, the sphere of the distance routines
}  // namespace geo

// A WGS84 position: longitude first, then latitude, in geo units.
struct GeoPoint {
    int32_t lon = 0;
    int32_t lat = 0;
    friend bool operator==(const GeoPoint&, const GeoPoint&) = default;
};

inline double GeoToDegrees(int32_t units) { return units * geo::kDegreesPerUnit; }
inline double GeoToRadians(int32_t units) { return units * 1e-8; }
// Truncates toward zero, as the stored formats expect.
inline int32_t DegreesToGeo(double degrees) { return static_cast<int32_t>(degrees * geo::kUnitsPerDegree); }
inline int32_t RadiansToGeo(double radians) { return static_cast<int32_t>(radians * 1e8); }
// Rounds to the nearest unit; for values computed in floating point.
inline int32_t DegreesToGeoRounded(double degrees) {
    return static_cast<int32_t>(std::lround(degrees * geo::kUnitsPerDegree));
}

}  // namespace trek
