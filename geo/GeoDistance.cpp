#include "geo/GeoDistance.h"

#include <algorithm>
#include <cmath>

namespace trek {

namespace {
// Which method the last GeoDistance call on this thread ended with.
thread_local bool tGreatCircleMode = false;
}  // namespace

double GreatCircleDistance(const GeoPoint& a, const GeoPoint& b) {
    const double latA = a.lat * 1e-8, latB = b.lat * 1e-8;
    const double dLon = static_cast<double>(static_cast<int64_t>(b.lon) - a.lon) * 1e-8;
    double c = std::cos(dLon) * std::cos(latB) * std::cos(latA) + std::sin(latB) * std::sin(latA);
    c = std::clamp(c, -1.0, 1.0);
    return std::acos(c) * geo::kEarthRadius;
}

double GeoDistance(const GeoPoint& a, const GeoPoint& b) {
    if (!tGreatCircleMode) {
        const double flat = FlatDistance(a, b);
        if (flat < geo::kGreatCircleThreshold) return flat;
        tGreatCircleMode = true;
    }
    const double round = GreatCircleDistance(a, b);
    if (round >= geo::kGreatCircleThreshold) return round;
    tGreatCircleMode = false;
    return FlatDistance(a, b);
}

bool GeoDistanceInGreatCircleMode() { return tGreatCircleMode; }
void ResetGeoDistanceMode() { tGreatCircleMode = false; }

void DestinationVector(const DestinationInput& in, DestinationState& state) {
    const double dx = static_cast<double>(static_cast<int64_t>(in.destination.lon) - in.position.lon) *
                      std::cos(in.position.lat * 1e-8);
    const double dy = static_cast<double>(static_cast<int64_t>(in.destination.lat) - in.position.lat);
    state.distance = static_cast<uint32_t>(std::sqrt(dx * dx + dy * dy) * geo::kMetresPerUnit);

    if (in.courseReliable) {
        // Mathematical angle of the target (counter-clockwise from east) + 360.
        const int m = static_cast<int>(std::atan2(dy, dx) * -57.29577957855229);
        const int t = 360 - m;
        // Heading as a mathematical angle + 360; the course is in milliradians.
        const int c = static_cast<int>(in.averageCourse) * 573 / 10000;
        const int h = 450 - c;
        state.relativeDirection = (t % 360) - (h % 360) + 450;
    }

    if (in.destinationAltitude == geo::kNoDestinationAltitude || in.destinationAltitude == 0) {
        state.heightDifference = geo::kNoHeightDifference;
    } else {
        const int64_t diff = static_cast<int64_t>(in.destinationAltitude) - in.altitude;
        state.heightDifference = static_cast<int32_t>(std::clamp<int64_t>(diff, INT32_MIN, INT32_MAX - 1));
    }
}

}  // namespace trek
