// The walker over arbitrary bytes: every handler is exercised, block results
// vary with the data, texts are read through their offsets, and the file can
// be continued by a recorder afterwards.
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "tours/TourRecorder.h"
#include "tours/TourWalker.h"

namespace {

using namespace trek;

struct FuzzWalker : TourWalker {
    uint32_t seed = 0;
    uint64_t sum = 0;
    void onPoint(const TourPoint& p) override {
        TourWalker::onPoint(p);
        sum += uint32_t(p.lon) ^ p.time;
    }
    void onAttachedRecord(const AttachedRecord& r) override {
        if (const auto named = NamedPoiRecord::From(r)) {
            if (named->nameOffset) sum += tour()->readText(ownerOffset() + named->nameOffset).value_or("").size();
        }
    }
    void onPrimaryData(const DataRecord& r) override { sum += DecodeTourText(r.data, r.size).size(); }
    int onBlock(const TourBounds&, uint32_t length) override { return int((length ^ seed++) % 3); }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Memory-backed: the recorder flushes to storage.
    static const std::string path =
        std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/fuzz-tour-" + std::to_string(getpid()) + ".TUR";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    Tour tour("fuzz", path);
    tour.readHeader();
    FuzzWalker w;
    w.walk(&tour);
    w.walk(&tour, 3u);
    if (size > 0 && data[0] & 1) {
        TourRecorder rec(tour, {});
        if (rec.start()) {
            TourPoint p;
            p.lon = 1000;
            p.lat = 2000;
            rec.appendRecord(p, false, 0, true);
        }
        FuzzWalker after;
        after.walk(&tour);
    }
    return 0;
}
