#pragma once
// Distances between positions on the sphere of radius 6 378 137 m, and the
// flat distance/arrow direction towards the navigation destination.
#include <cmath>
#include <cstdint>

#include "geo/GeoUnits.h"

namespace trek {

namespace geo {
constexpr double kMetresPerUnit = 0.06378137;             // sphere radius x 1e-8
constexpr double kGreatCircleThreshold = 100000.0;        // metres
constexpr int32_t kNoHeightDifference = 2147483647;       // "no destination altitude"
constexpr int32_t kNoDestinationAltitude = -99999;        // cm, as stored for a destination without one
}  // namespace geo

// Equirectangular distance in metres, scaled by the cosine of a's latitude.
// Good to well below a metre at the distances where GeoDistance uses it.
inline double FlatDistance(const GeoPoint& a, const GeoPoint& b) {
    const double y = std::cos(a.lat * 1e-8);
    const double dx = static_cast<double>(static_cast<int64_t>(a.lon) - b.lon) * y;
    const double dy = static_cast<double>(static_cast<int64_t>(a.lat) - b.lat);
    return std::sqrt(dx * dx + dy * dy) * geo::kMetresPerUnit;
}

// Spherical law of cosines, in metres. The argument of acos is clamped to
// [-1, 1]: rounding can push it just past 1 for identical points, which would
// otherwise give NaN instead of 0.
double GreatCircleDistance(const GeoPoint& a, const GeoPoint& b);

// Distance in metres between a and b. Uses the flat formula below 100 km and the
// great circle from there on; the last method used is remembered so that a run
// of long steps does not compute the flat value first every time. The memory is
// per thread: import workers and the UI thread measure tours at the same time.
double GeoDistance(const GeoPoint& a, const GeoPoint& b);

// The calling thread's remembered method (true: great circle), and a reset to
// the starting state (flat), mainly for tests and for workers that begin anew.
bool GeoDistanceInGreatCircleMode();
void ResetGeoDistanceMode();

// Whether the course is trusted for the arrow: course averaging is on and both
// the smoothed and the raw speed reach the course minimum speed (same unit).
inline bool CourseIsReliable(bool courseAveragingOn, int32_t smoothedSpeed, int32_t rawSpeed, int32_t minSpeed) {
    return courseAveragingOn && smoothedSpeed >= minSpeed && rawSpeed >= minSpeed;
}

// What the guidance views show about the destination.
struct DestinationState {
    uint32_t distance = 0;                                 // metres, flat formula
    int32_t relativeDirection = 0;                         // degrees + 360, counter-clockwise from the right,
                                                           // with the heading drawn upward
    int32_t heightDifference = geo::kNoHeightDifference;   // cm
};

// The inputs of one destination update.
struct DestinationInput {
    GeoPoint position;                 // smoothed position
    int32_t altitude = 0;              // smoothed altitude, cm
    GeoPoint destination;
    int32_t destinationAltitude = 0;   // cm; 0 or -99999 mean "none"
    uint16_t averageCourse = 0;        // milliradians 0..6283
    bool courseReliable = false;       // see CourseIsReliable
};

// Updates `state` for a new fix. The relative direction changes only while the
// course is reliable; otherwise the previous value stays, so the arrow does not
// spin when standing still.
void DestinationVector(const DestinationInput& in, DestinationState& state);

}  // namespace trek
