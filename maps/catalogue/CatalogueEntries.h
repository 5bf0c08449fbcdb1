#pragma once
// Catalogue entries that are not image maps: tours shown as maps, offline
// tile folders and the world map. Raster and container maps are RasterMap and
// TiledMap (maps/image).
#include <memory>
#include <string>

#include "maps/calibration/MapDescription.h"

namespace trek {

class Tour;

// Type 1: a ".TUR" file found by the tour scan, or a tour map named by a description.
class TourMapEntry : public MapDescription {
public:
    TourMapEntry();
    ~TourMapEntry() override;
    std::unique_ptr<Tour> tour;  // null for a tour map made from a description
    bool loaded = true;
};

// A folder "OSM…" of downloaded tiles (type 2, flags tile map + offline).
class OfflineTileEntry : public MapDescription {
public:
    bool overlay = false;  // "OSMOvly…"
    std::string folder;
};

// Type 7: the built-in world outline.
class WorldMapEntry : public MapDescription {};

// Whether an entry's file could be opened (image maps, tours); true for the rest.
bool EntryLoaded(const MapDescription& entry);

}  // namespace trek
