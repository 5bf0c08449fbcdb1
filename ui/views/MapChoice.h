#pragma once
// The automatic choice of the map for a view: which raster map of the
// catalogue to show for the view's centre (or the GPS position) and scale, in
// free and follow mode, and in locked mode (GetNewRastermapLocked).
#include <cstdint>
#include <optional>

#include "geo/GeoUnits.h"

namespace trek {

class MapDescription;

enum class ViewMode : int { Free = 0, Follow = 1, Locked = 2 };

struct MapChoiceInput {
    MapDescription* candidates = nullptr;  // head of the catalogue's raster-map list
    MapDescription* current = nullptr;
    bool pinned = false;                   // the pin setting keeps `pinnedMap`
    const MapDescription* pinnedMap = nullptr;
    ViewMode mode = ViewMode::Free;
    GeoPoint reference;                    // GPS position (follow, locked) or view centre (free)
    GeoPoint centre;
    int width = 0;
    int height = 0;
    int32_t scale = 25000;
};

// No map means: keep the current one. A scale comes with some choices.
struct MapChoice {
    MapDescription* map = nullptr;
    std::optional<int32_t> scale;
};

// Free and follow mode. previousScale tells the zoom direction and becomes
// the scale afterwards.
MapChoice ChooseMap(const MapChoiceInput& in, int32_t& previousScale);

// Locked mode: the most detailed map that covers the view (at up to eight
// times its own scale) or holds the position; with the coverage as the scale.
MapChoice GetNewRastermapLocked(const MapChoiceInput& in);

// How much of the view a map covers in locked mode: the largest of 1, 2, 4 and
// 8 times its own scale at which it covers the view (0 = none).
int32_t LockedCoverage(const MapDescription& map, GeoPoint centre, int width, int height);

}  // namespace trek
