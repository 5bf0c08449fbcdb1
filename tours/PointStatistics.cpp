#include "tours/PointStatistics.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "tours/TourTime.h"
#include "tours/TourWalker.h"

namespace trek {

using namespace tourfile;

namespace {

// The first point that is neither a waypoint nor carries a POI.
struct FirstTrackPoint : TourWalker {
    std::optional<TourPoint> found;
    void onPoint(const TourPoint& p) override {
        if (!found && !(p.head & (kWaypointBit | kAttachedBit))) {
            found = p;
            stop();
        }
    }
};

// Accumulates up to the point at the chosen offset.
struct UpToPoint : TourWalker {
    uint32_t target = 0;
    std::optional<TourPoint> found;
    void onPoint(const TourPoint& p) override {
        TourWalker::onPoint(p);
        if (pointOffset() == target) {
            found = p;
            stop();
        }
    }
};

// Unit-system rows of the text: labels and factors.
struct UnitRow {
    UnitSystem units;
    const char* height;
    const char* speed;
    const char* distance;
    const char* average;
    int speedNumerator;  // speed x numerator / denominator
    int speedDenominator;
    double distanceFactor;  // metres -> unit
    double averageFactor;   // km/h -> unit
};
constexpr UnitRow kUnits[] = {
    {UnitSystem::Metric, "m", "km/h", "km", "km/h", 1, 1, 0.001, 1.0},
    {UnitSystem::Imperial, "ft", "mph", "mi", "mph", 1000, 1609, 0.0006213712, 0.6213711944996513},
    {UnitSystem::Nautical, "ft", "knots", "nm", "knots", 1000, 1852, 0.0005399568, 0.5399568034557236},
};

}  // namespace

std::optional<PointStatistics> ComputePointStatistics(Tour& tour, uint32_t offset) {
    FirstTrackPoint first;
    if (!first.walk(&tour)) return std::nullopt;
    UpToPoint upTo;
    upTo.target = offset;
    if (!upTo.walk(&tour) || !upTo.found) return std::nullopt;
    PointStatistics s;
    s.point = *upTo.found;
    s.version = upTo.version();
    s.startTime = first.found ? first.found->time : s.point.time;
    s.distance = std::floor(upTo.statistics().distance);
    if (s.version >= 7) {
        s.duration = s.point.time - s.startTime;
        if (s.duration != 0) s.averageSpeed = s.distance / s.duration * 3.6;
    }
    return s;
}

std::string FormatPointStatistics(const PointStatistics& s, UnitSystem units, const std::string& latitudeText,
                                  const std::string& longitudeText) {
    const UnitRow* row = &kUnits[0];
    for (const UnitRow& r : kUnits) {
        if (r.units == units) row = &r;
    }
    const TourPoint& p = s.point;
    const CalendarTime t = CalendarFromTourTime(p.time);
    int heightWhole, heightRest;
    if (units == UnitSystem::Metric) {
        heightWhole = p.alt / 100;
        heightRest = std::abs(p.alt % 100);
    } else {
        const int64_t h = int64_t(p.alt) * 100 / 30;
        heightWhole = int(h / 100);
        heightRest = int(std::llabs(h % 100));
    }
    const int speed = int(int64_t(p.speed) * row->speedNumerator / row->speedDenominator);
    char text[1024];
    std::snprintf(text, sizeof text,
                  "Statistics of/to this point:\r\n\r\n%2.2d/%2.2d/%4.4d  %2.2d:%2.2d:%2.2d\r\n%s\r\n%s\r\n"
                  "%d%c, %ld, %ld\r\n%d.%2.2d %s (Height)\r\n%d.%d %s (Speed)\r\n%d Satellites, Fix: %dD\r\n"
                  "%.4f %s (Distance)\r\n%2.2d:%2.2d:%2.2d (Duration)\r\n%.2f %s (Avg. speed)",
                  t.day, t.month, t.year, t.hour, t.minute, t.second, latitudeText.c_str(), longitudeText.c_str(),
                  int(p.zone()), p.band(), long(p.easting), long(p.northing), heightWhole, heightRest, row->height,
                  speed / 10, speed % 10, row->speed, int(p.sats), int(p.fix), s.distance * row->distanceFactor,
                  row->distance, int(s.duration / 3600), int(s.duration / 60 % 60), int(s.duration % 60),
                  s.averageSpeed * row->averageFactor, row->average);
    return text;
}

}  // namespace trek
