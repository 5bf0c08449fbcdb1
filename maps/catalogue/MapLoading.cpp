#include "maps/catalogue/MapLoading.h"

#include "maps/calibration/DescriptionFile.h"
#include "maps/calibration/formats/MapFileReader.h"
#include "maps/image/ImageKinds.h"
#include "maps/image/TiledMap.h"
#include "maps/image/TvmWriter.h"

namespace trek {

namespace {

std::string WithoutExtension(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path;
    return path.substr(0, dot);
}

bool Fail(std::string* error, const std::string& text) {
    if (error) *error = text;
    return false;
}

// A description or calibration file turned into a raster map with its image.
std::unique_ptr<RasterMap> MapFromCalibrationFile(const std::string& path, MapFileResult& read, std::string* error) {
    auto map = std::make_unique<RasterMap>();
    read = ReadMapFile(path, *map);
    if (!read.ok) {
        Fail(error, read.error);
        return nullptr;
    }
    if (map->type != kMapTypeRaster) {
        Fail(error, "not a raster map: " + path);
        return nullptr;
    }
    if (!map->AttachImage(true)) {
        Fail(error, "cannot read the image " + map->imagePath);
        return nullptr;
    }
    if (!map->calibration().calibrated() && !map->calibration().Calibrate()) {
        auto linear = CreateCalibration(CalibrationKind::Linear);
        linear->SetReferencePoints(map->calibration().referencePoints());
        linear->Calibrate();
        map->SetCalibration(std::move(linear));
    }
    return map;
}

}  // namespace

std::string LoadedDescriptionPath(const std::string& path, bool foreignCal) {
    return foreignCal ? OwnDescriptionPathFor(path) : WithoutExtension(path) + ".CAL";
}

std::unique_ptr<RasterMap> OpenMapFile(const std::string& path, std::string* error) {
    if (ContainerKindFor(path) != ContainerKind::None) {
        auto map = TiledMap::OpenContainer(path);
        if (!map) Fail(error, "cannot read the container " + path);
        return map;
    }
    if (MapFileKindFor(path) != MapFileKind::Unknown) {
        MapFileResult read;
        return MapFromCalibrationFile(path, read, error);
    }
    auto map = RasterMap::OpenImage(path);
    if (!map) Fail(error, "cannot open " + path);
    return map;
}

MapLoadResult LoadMap(const std::string& path, MapCatalogue& catalogue, const MapLoadOptions& options) {
    MapLoadResult result;
    if (MapFileKindFor(path) == MapFileKind::Unknown) {
        result.error = "not a map file (.CAL, .KAL, .MAP, .bpw, .jgw, .pgw, .tfw): " + path;
        return result;
    }
    MapFileResult read;
    std::unique_ptr<RasterMap> map = MapFromCalibrationFile(path, read, &result.error);
    if (!map) return result;
    // Our own description goes beside the file; a foreign ".CAL" is never overwritten.
    const bool foreignCal = read.kind == MapFileKind::Touratech;
    if (read.kind != MapFileKind::Description) {
        map->SetDescriptionPath(LoadedDescriptionPath(path, foreignCal));
        if (!WriteDescriptionFile(*map, options.eastLetter, &result.error)) return result;
    }
    result.descriptionPath = DescriptionTargetPath(*map);
    if (options.tiledCopy) {
        result.tvmPath = WriteTvmCopy(*map, "", options.tileSize, options.progress, &result.error);
        if (result.tvmPath.empty()) return result;
    }
    result.entry = catalogue.Add(std::move(map));
    result.ok = true;
    return result;
}

std::string WriteTvmCopy(RasterMap& map, const std::string& target, int tileSize, std::function<void(int)> progress,
                         std::string* error) {
    TvmWriteRequest request;
    request.path = target.empty() ? WithoutExtension(map.imagePath) + ".tvm" : target;
    if (request.path == map.imagePath) {
        Fail(error, "the copy would replace the map itself");
        return {};
    }
    request.width = map.imageWidth();
    request.height = map.imageHeight();
    request.tileSize = tileSize;
    request.name = map.name;
    request.visible = map.visible;
    request.background = map.background;
    request.heightDiff = map.heightDiff;
    request.calibration = &map.calibration();
    request.source = [&map](const PixelRect& region, platform::Bitmap& out) { return map.DecodeRegion(region, out); };
    request.progress = std::move(progress);
    if (!WriteTvm(request, error)) return {};
    return request.path;
}

}  // namespace trek
