// Tour files: the statistics walk of a 1 000 000-point tour, appending points
// (live with a flush to storage per point, and as an import), and a walk over a
// small view of a large tour that skips blocks.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <unistd.h>

#include "tours/TourRecorder.h"
#include "tours/TourWalker.h"

namespace {

using namespace trek;

constexpr int32_t kLat = 83980531;

std::string ScratchFile(const char* folder, const char* name) {
    return std::string(folder) + "/trek-bench-" + std::to_string(getpid()) + "-" + name;
}

// One million points along a wiggly line crossing about 170 cells.
const std::string& MillionPointTour() {
    static const std::string path = [] {
        const std::string p = ScratchFile("/tmp", "million.TUR");
        std::remove(p.c_str());
        Tour tour("m", p);
        TourRecorder rec(tour, {});
        rec.start();
        for (int i = 0; i < 1000000; ++i) {
            TourPoint pt;
            pt.lon = 20000000 + i * 20;
            pt.lat = kLat + (i % 200) * 3;
            pt.alt = 50000 + (i % 5000);
            pt.speed = uint16_t(i % 1000);
            pt.time = uint32_t(i);
            rec.appendRecord(pt, false, 0, false);
        }
        return p;
    }();
    return path;
}

void BM_StatisticsWalk(benchmark::State& state) {
    Tour tour("m", MillionPointTour());
    uint64_t points = 0;
    double distance = 0;
    for (auto _ : state) {
        TourWalker w;
        w.walk(&tour);
        points += w.statistics().points;
        distance = w.statistics().distance;
    }
    benchmark::DoNotOptimize(distance);
    state.SetItemsProcessed(int64_t(points));
    state.counters["points_per_s"] = benchmark::Counter(double(points), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StatisticsWalk)->Unit(benchmark::kMillisecond);

// Live recording: every point written and flushed to storage (fdatasync).
void AppendForced(benchmark::State& state, const char* folder) {
    const std::string path = ScratchFile(folder, "live.TUR");
    std::remove(path.c_str());
    GpsFix fix;
    fix.position.fixMode = 3;
    fix.position.satellitesUsed = 8;
    Tour tour("live", path);
    TourRecorder::Options options;
    options.fix = &fix;
    TourRecorder rec(tour, options);
    rec.start();
    int i = 0;
    for (auto _ : state) {
        rec.appendPoint(20000000 + i * 30, kLat, 50000, 40, false, 0, true);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
    std::remove(path.c_str());
}
void BM_AppendForcedDisk(benchmark::State& state) { AppendForced(state, "/var/tmp"); }
void BM_AppendForcedMemory(benchmark::State& state) { AppendForced(state, "/dev/shm"); }
BENCHMARK(BM_AppendForcedDisk)->Unit(benchmark::kMicrosecond)->MinTime(2.0);
BENCHMARK(BM_AppendForcedMemory)->Unit(benchmark::kMicrosecond);

// Imports: buffered, written about every 113 points, flushed every 25.
void BM_AppendImport(benchmark::State& state) {
    const std::string path = ScratchFile("/var/tmp", "import.TUR");
    std::remove(path.c_str());
    Tour tour("imp", path);
    TourRecorder rec(tour, {});
    rec.start();
    int i = 0;
    for (auto _ : state) {
        TourPoint pt;
        pt.lon = 20000000 + i * 30;
        pt.lat = kLat;
        rec.appendRecord(pt, false, 0, false);
        ++i;
    }
    state.SetItemsProcessed(state.iterations());
    std::remove(path.c_str());
}
BENCHMARK(BM_AppendImport)->Unit(benchmark::kMicrosecond);

struct ViewWalker : TourWalker {
    TourBounds view;
    uint32_t inView = 0;
    int onBlock(const TourBounds& box, uint32_t) override { return box.intersects(view) ? kEnterBlock : kSkipBlock; }
    void onPoint(const TourPoint& p) override {
        if (view.contains(p.lon, p.lat)) ++inView;
    }
};

void BM_ViewWalkSkipsBlocks(benchmark::State& state) {
    const std::string& path = MillionPointTour();
    Tour tour("m", path);
    ViewWalker w;
    w.view = TourCell(20000000 + 500000 * 20, kLat);
    uint64_t read = 0, walks = 0;
    for (auto _ : state) {
        w.inView = 0;
        w.walk(&tour);
        read += w.bytesRead();
        ++walks;
    }
    FILE* f = std::fopen(path.c_str(), "rb");
    std::fseek(f, 0, SEEK_END);
    const double size = double(std::ftell(f));
    std::fclose(f);
    state.counters["bytes_read"] = double(read) / double(walks);
    state.counters["file_bytes"] = size;
    state.counters["read_fraction"] = double(read) / double(walks) / size;
    state.counters["points_in_view"] = w.inView;
}
BENCHMARK(BM_ViewWalkSkipsBlocks)->Unit(benchmark::kMillisecond);

}  // namespace
