#include "app/CatalogueBridge.h"

#include <atomic>
#include <cctype>

#include "maps/catalogue/MapCatalogue.h"
#include "maps/catalogue/MapLoading.h"
#include "settings/Settings.h"

namespace trek::catalogue_bridge {

namespace {

std::atomic<bool> gBusy{false};

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string Extension(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    return Upper(path.substr(dot + 1));
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(0, dot);
}

// The map extensions the loader reads (own containers, descriptions, foreign calibrations, world files).
constexpr const char* kMapExtensions[] = {"TVM", "CAL", "KAL", "MAP", "BPW", "JGW", "PGW", "TFW"};

}  // namespace

void Reload(const Settings& settings, const std::string& programFolder) {
    gBusy = true;
    CatalogueSelection remembered;
    remembered.currentMap = settings.readSelectedMap();
    remembered.selectedTour = settings.selectedTour;
    MapCatalogue::instance().Rebuild(settings.searchPaths, remembered, programFolder);
    gBusy = false;
}

bool Busy() { return gBusy; }

bool KnowsTour(const std::string& path) {
    const std::string name = BaseName(path);
    return MapCatalogue::instance().Find(kMapTypeTour, name) != nullptr;
}

bool IsMapFile(const std::string& path) {
    const std::string ext = Extension(path);
    for (const char* e : kMapExtensions)
        if (ext == e) return true;
    return false;
}

bool OpenMap(const std::string& path, char eastLetter, std::string* error) {
    if (MapCatalogue::instance().Find(kMapTypeRaster, BaseName(path))) return true;
    MapLoadOptions options;
    options.eastLetter = eastLetter;
    MapLoadResult result = LoadMap(path, MapCatalogue::instance(), options);
    if (!result.ok && error) *error = result.error;
    return result.ok;
}

void Destroy() { MapCatalogue::instance().ClearAll(); }

}  // namespace trek::catalogue_bridge
