// catalog DIR...: scan folders as the program does, one JSON line per entry.
#include <cstdio>
#include <string>
#include <vector>

#include "maps/catalogue/CatalogueEntries.h"
#include "maps/catalogue/MapCatalogue.h"
#include "tools/trektool/Command.h"
#include "tools/trektool/Json.h"

namespace trek::tool {

namespace {

int RunCatalog(const std::vector<std::string>& args) {
    if (args.empty()) return UsageError("catalog DIR...");
    MapCatalogue& catalogue = MapCatalogue::instance();
    for (const std::string& dir : args) {
        if (!dir.empty() && dir[0] == '-') return UsageError("catalog DIR...");
        catalogue.ScanMaps(dir);
        catalogue.ScanTours(dir);
    }
    for (int type = 0; type < kCatalogueTypes; ++type)
        for (const MapDescription* e = catalogue.list(static_cast<uint8_t>(type)).head; e; e = e->next) {
            double scale = e->calibration().calibrated() ? e->calibration().ScaleMetresPerPixel() : 0.0;
            std::printf("{\"type\":%d,\"name\":%s,\"path\":%s,\"visible\":%s,\"loaded\":%s,\"scale\":%.6g}\n", type,
                        JsonString(e->name).c_str(), JsonString(e->imagePath).c_str(), e->visible ? "true" : "false",
                        EntryLoaded(*e) ? "true" : "false", scale);
        }
    return 0;
}

}  // namespace

TREKTOOL_COMMAND("catalog", "catalog DIR...   scan folders for maps and tours; one JSON line per entry", RunCatalog);

}  // namespace trek::tool
