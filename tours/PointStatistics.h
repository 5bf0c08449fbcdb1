#pragma once
// "Statistics of/to this point": the distance, duration and average speed from
// the first track point of a tour up to a chosen point, and its message text.
#include <cstdint>
#include <optional>
#include <string>

#include "settings/FlagWords.h"
#include "tours/Tour.h"

namespace trek {

struct PointStatistics {
    TourPoint point;         // the chosen point
    uint32_t version = 0;    // of the file
    uint32_t startTime = 0;  // time of the first track point
    double distance = 0;     // metres, whole (truncated)
    uint32_t duration = 0;   // seconds; 0 before version 7
    double averageSpeed = 0; // km/h; 0 without a duration
};

// Walks the tour to the first track point (neither waypoint nor POI) and again
// up to and including the point at `offset`. nullopt when the walk fails or no
// point lies at that offset.
std::optional<PointStatistics> ComputePointStatistics(Tour& tour, uint32_t offset);

// The text of string 182 (metric), 183 (imperial) or 184 (nautical), with the
// given latitude and longitude texts.
std::string FormatPointStatistics(const PointStatistics& s, UnitSystem units, const std::string& latitudeText,
                                  const std::string& longitudeText);

}  // namespace trek
