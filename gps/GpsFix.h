#pragma once
// The fix record: what the receiver last decoded, and the user-interface
// thread's consistent copy of it (taken with SnapshotFix under the receiver's
// lock). Units: geo units for angles of position, centimetres, cm/s,
// milliradians for the course, 1e-4 radian for satellite angles, DOP x 10.
#include <cstdint>

#include "geo/GeoUnits.h"

namespace trek {

constexpr int kGpsMaxSatellites = 12;
constexpr int kGpsChannelCount = 12;

// Fix modes. 1..3 come from GSA; 100 marks a GGA with an empty quality field.
enum : uint16_t {
    kFixModeNone = 1,
    kFixMode2D = 2,
    kFixMode3D = 3,
    kFixModeNoQuality = 100,
};

// The one record that keeps latitude before longitude.
struct GpsPosition {
    uint16_t fixMode = 0;
    uint16_t satellitesUsed = 0;
    uint16_t day = 0;    // UTC, from RMC
    uint16_t month = 0;
    uint16_t year = 0;   // four digits
    uint16_t hour = 0;   // UTC, from RMC
    uint16_t minute = 0;
    uint16_t second = 0;
    int32_t lat = 0;       // geo units
    int32_t lon = 0;       // geo units
    int32_t altitude = 0;  // cm
    uint32_t speed = 0;    // cm/s over ground
    uint16_t course = 0;   // mrad, 0..6283
    friend bool operator==(const GpsPosition&, const GpsPosition&) = default;
};

struct GpsSatellite {
    uint16_t prn = 0;
    int16_t azimuth = 0;    // 1e-4 rad; above 180 degrees stored as azimuth - 360 degrees
    int16_t elevation = 0;  // 1e-4 rad
    friend bool operator==(const GpsSatellite&, const GpsSatellite&) = default;
};

struct GpsSkyView {
    uint16_t pdop = 0;  // x10
    uint16_t hdop = 0;  // x10
    uint16_t vdop = 0;  // x10
    // Satellites with a signal-to-noise value in the last complete GSV cycle.
    uint16_t satellitesInView = 0;
    GpsSatellite satellites[kGpsMaxSatellites];
    friend bool operator==(const GpsSkyView&, const GpsSkyView&) = default;
};

enum : uint16_t {
    kChannelEmpty = 0,
    kChannelUsed = 5,  // the GSA field held a PRN used in the fix
};

struct GpsChannel {
    uint16_t status = kChannelEmpty;
    uint16_t prn = 0;
    friend bool operator==(const GpsChannel&, const GpsChannel&) = default;
};

struct GpsChannels {
    GpsChannel channel[kGpsChannelCount];
    friend bool operator==(const GpsChannels&, const GpsChannels&) = default;
};

struct GpsFix {
    GpsPosition position;
    GpsSkyView sky;
    GpsChannels channels;
    // Outputs of the moving-average filters (raw values while moving fast or
    // with averaging off).
    GeoPoint smoothed;              // lon, lat in geo units
    int32_t smoothedAltitude = 0;   // cm
    int32_t smoothedSpeed = 0;      // cm/s
    // Copied along with the records so that readers need not reach into the
    // receiver: the averaged course (mrad, may lie outside 0..6283 after
    // unwrapping; normalise before display) and the GPS time (seconds since
    // 1980-01-01 00:00:00 UTC, 0 while not valid).
    int32_t smoothedCourse = 0;
    uint32_t gpsTime = 0;
    friend bool operator==(const GpsFix&, const GpsFix&) = default;
};

// The user-interface thread's process-wide fix. Only that thread touches it.
GpsFix& CurrentGpsFix();

}  // namespace trek
