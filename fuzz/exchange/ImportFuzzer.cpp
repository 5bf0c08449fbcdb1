// Feeds arbitrary bytes to one importer (chosen at build time) with a sink
// that checks what it is given.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "tours/exchange/GpxImporter.h"
#include "tours/exchange/KmlImporter.h"
#include "tours/exchange/LocImporter.h"
#include "tours/exchange/TextImporters.h"

namespace {

using namespace trek;

// Everything that reaches a sink must respect the field bounds.
struct CheckingSink : ImportSink {
    std::vector<ImportPoint> deferred;
    static void check(const ImportPoint& p) {
        if (p.lon < -628318531 || p.lon > 628318531 || p.lat < -628318531 || p.lat > 628318531) std::abort();
    }
    static void check(const ImportPoi& poi) {
        if (poi.name.size() > kImportNameCapacity || poi.description.size() > kImportDescriptionCapacity + 4)
            std::abort();
    }
    void trackPoint(const ImportPoint& p, bool) override { check(p); }
    void poi(const ImportPoint& p, const ImportPoi& poi) override {
        check(p);
        check(poi);
    }
    void deferPoi(const ImportPoint& p, const ImportPoi& poi) override {
        check(p);
        check(poi);
        deferred.push_back(p);
    }
    void flushDeferred() override { deferred.clear(); }
    void tourDescription(std::string_view) override {}
};

std::unique_ptr<Importer> MakeImporter() {
#if defined(TREK_FUZZ_GPX)
    return std::make_unique<GpxImporter>();
#elif defined(TREK_FUZZ_KML)
    return std::make_unique<KmlImporter>();
#elif defined(TREK_FUZZ_LOC)
    return std::make_unique<LocImporter>();
#elif defined(TREK_FUZZ_CSV)
    return std::make_unique<CsvImporter>("fuzz");
#elif defined(TREK_FUZZ_OV2)
    return std::make_unique<Ov2Importer>("fuzz", 0);
#elif defined(TREK_FUZZ_TXT)
    return std::make_unique<TxtImporter>();
#else
    return std::make_unique<TabImporter>();
#endif
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MemoryInput input(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckingSink sink;
    MakeImporter()->run(input, sink, nullptr);
    return 0;
}
