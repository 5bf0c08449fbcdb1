#pragma once
// Importing one map file: a description or foreign calibration (".CAL",
// ".KAL", ".MAP", world files) is read, our own description is written beside
// it, the map is added to the catalogue and, when asked, copied into a tiled
// ".tvm" container.
#include <functional>
#include <memory>
#include <string>

#include "maps/catalogue/MapCatalogue.h"
#include "maps/image/RasterMap.h"

namespace trek {

struct MapLoadOptions {
    bool tiledCopy = false;
    int tileSize = 256;
    char eastLetter = 'E';
    std::function<void(int percent)> progress;  // of the tiled copy
};

struct MapLoadResult {
    bool ok = false;
    std::string error;            // one line when !ok
    std::string descriptionPath;  // our own description, written
    std::string tvmPath;          // the tiled copy, when made
    MapDescription* entry = nullptr;  // in the catalogue
};

// Where our description goes: beside a foreign ".CAL" as "<name>_Trekvane.CAL"
// (never over it), for other files the path with the extension ".CAL".
std::string LoadedDescriptionPath(const std::string& path, bool foreignCal);

MapLoadResult LoadMap(const std::string& path, MapCatalogue& catalogue, const MapLoadOptions& options = {});

// The raster map a file stands for: a container, a bare image, or a
// description/calibration file with its image. nullptr with a reason.
std::unique_ptr<RasterMap> OpenMapFile(const std::string& path, std::string* error = nullptr);

// Writes the ".tvm" copy of a map ("<image path without extension>.tvm" when
// target is empty). Returns the path written, empty on failure.
std::string WriteTvmCopy(RasterMap& map, const std::string& target, int tileSize,
                         std::function<void(int)> progress, std::string* error = nullptr);

}  // namespace trek
