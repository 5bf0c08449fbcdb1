#include "tours/exchange/TourSink.h"

#include "platform/core/Text.h"

namespace trek {

TourPoint TourSink::ToRecord(const ImportPoint& p) {
    TourPoint r;
    r.lon = p.lon;
    r.lat = p.lat;
    r.alt = p.altitude;
    r.speed = p.speed;
    r.sats = p.satellites;
    r.time = p.time;
    return r;
}

void TourSink::trackPoint(const ImportPoint& point, bool segmentStart) {
    recorder_.appendRecord(ToRecord(point), false, segmentStart ? tourfile::kSegmentStartBit : 0, false);
}

void TourSink::poi(const ImportPoint& point, const ImportPoi& poi) {
    if (!recorder_.appendRecord(ToRecord(point), true, poi.waypoint ? tourfile::kWaypointBit : 0, true)) return;
    const uint32_t offset = recorder_.lastPointOffset();
    recorder_.appendAttached(platform::Utf8ToCp1252(poi.symbol));
    if (poi.name.empty() && poi.description.empty()) return;
    std::optional<std::string> name, description;
    if (!poi.name.empty()) name = poi.name;
    if (!poi.description.empty()) description = poi.description;
    TourRecorder::SetPoiTexts(tour_, offset, name, description);
}

void TourSink::deferPoi(const ImportPoint& point, const ImportPoi& poi) {
    Deferred d;
    d.point = point;
    d.symbol = platform::Utf8ToCp1252(poi.symbol);
    d.waypoint = poi.waypoint;
    if (!poi.name.empty()) d.nameOffset = recorder_.appendText(tourfile::kPrimaryData, poi.name).value_or(0);
    if (!poi.description.empty())
        d.descOffset = recorder_.appendText(tourfile::kSecondaryData, poi.description).value_or(0);
    deferred_.push_back(std::move(d));
}

void TourSink::flushDeferred() {
    for (const Deferred& d : deferred_) {
        if (!recorder_.appendRecord(ToRecord(d.point), true, d.waypoint ? tourfile::kWaypointBit : 0, true)) continue;
        const uint32_t offset = recorder_.lastPointOffset();
        // The texts lie before the point: the relative offsets wrap around, as
        // readers add them in 32-bit arithmetic.
        recorder_.appendAttached(d.symbol, d.nameOffset ? d.nameOffset - offset : 0,
                                 d.descOffset ? d.descOffset - offset : 0);
    }
    deferred_.clear();
    deferred_.shrink_to_fit();
}

void TourSink::tourDescription(std::string_view text) { description_.assign(text); }

}  // namespace trek
