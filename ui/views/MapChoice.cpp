#include "ui/views/MapChoice.h"

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "maps/catalogue/CatalogueEntries.h"
#include "maps/calibration/MapDescription.h"
#include "ui/views/ViewGeometry.h"

namespace trek {

namespace {

bool Usable(const MapDescription& e) {
    return e.type == kMapTypeRaster && e.visible && EntryLoaded(e) && AsImageMap(&e) && MapOwnScale(e) > 0;
}

bool Trace() {
    static const bool on = std::getenv("TREK_TRACE_MAPS") != nullptr;
    return on;
}

}  // namespace

MapChoice ChooseMap(const MapChoiceInput& in, int32_t& previousScale) {
    const int32_t scale = in.scale;
    const int32_t previous = previousScale;
    previousScale = scale;
    MapDescription* current = in.current;
    if (in.pinned && current && current == in.pinnedMap) return {};
    if (current && MapAcceptsScale(*current, scale) && MapContains(*current, in.reference)) return {};

    const bool zoomIn = scale < previous, zoomOut = scale > previous;
    const int32_t currentOwn = current ? MapOwnScale(*current) : 0;
    const bool currentHolds = current && MapContains(*current, in.reference) &&
                              MapCoversView(*current, in.centre, in.width, in.height, scale);

    MapDescription* best = nullptr;
    bool bestContains = false;
    int64_t bestDiff = INT32_MAX;
    for (MapDescription* e = in.candidates; e; e = e->next) {
        if (e == current || !Usable(*e)) continue;
        const int32_t own = MapOwnScale(*e);
        const bool covers = MapCoversView(*e, in.centre, in.width, in.height, own);
        const bool contains = MapContains(*e, in.reference);
        if (!covers && !contains) continue;
        if (current) {
            const bool ruledOut = (zoomIn && own >= currentOwn) || (zoomOut && own <= currentOwn);
            if (!ruledOut && (e->background || currentHolds)) continue;
        }
        const int64_t diff = std::llabs(int64_t(own) - scale);
        const bool keep = (diff >= bestDiff && (!contains || bestContains)) || (!contains && (!covers || bestContains));
        if (keep) continue;
        best = e;
        bestDiff = std::llabs(int64_t(own) - currentOwn);
        bestContains = contains;
    }
    if (!best || best == current) return {};
    if (MapAcceptsScale(*best, scale)) return {best, std::nullopt};

    const ScaleRange range = MapScaleRange(*best);
    const int64_t toLeast = std::llabs(int64_t(scale) - range.least), toGreatest = std::llabs(int64_t(scale) - range.greatest);
    const int32_t limit = toLeast <= toGreatest ? range.least : range.greatest;
    const int64_t difference = std::min(toLeast, toGreatest);
    if (in.mode == ViewMode::Free && difference * 4 > int64_t(scale)) {
        if (best->flags & kMapFlagOffline) return {best, limit};
        return {};
    }
    return {best, limit};
}

int32_t LockedCoverage(const MapDescription& map, GeoPoint centre, int width, int height) {
    const int32_t own = MapOwnScale(map);
    int32_t coverage = 0;
    for (int factor : {1, 2, 4, 8}) {
        const int64_t s = int64_t(own) * factor;
        if (s > INT32_MAX || !MapCoversView(map, centre, width, height, s)) break;
        coverage = static_cast<int32_t>(s);
    }
    return coverage;
}

MapChoice GetNewRastermapLocked(const MapChoiceInput& in) {
    // An online map stays while it is shown.
    if (in.current && in.current->IsTileMap() && in.current->visible) return {};
    MapDescription* best = nullptr;
    bool bestContains = false;
    int32_t bestOwn = 0, bestCoverage = 0;
    for (MapDescription* e = in.candidates; e; e = e->next) {
        if (!Usable(*e) || e->background) continue;
        const int32_t own = MapOwnScale(*e);
        const int32_t coverage = LockedCoverage(*e, in.centre, in.width, in.height);
        if (Trace()) std::fprintf(stderr, "-GetNewRastermapLocked() 1 coverage=%d scale=%d\n", coverage, own);
        const bool contains = MapContains(*e, in.reference);
        if (coverage == 0 && !contains) continue;
        const bool better = !best || (contains && !bestContains) || (contains == bestContains && own < bestOwn);
        if (!better) continue;
        best = e;
        bestContains = contains;
        bestOwn = own;
        bestCoverage = coverage;
    }
    if (!best) return {};
    MapChoice choice;
    if (best != in.current) choice.map = best;
    if (bestCoverage > 0) choice.scale = bestCoverage;
    return choice;
}

}  // namespace trek
