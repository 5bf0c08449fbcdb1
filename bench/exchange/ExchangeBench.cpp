// Import and export of a large GPX track (1 000 000 points by default, about
// 150 MB; TREK_BENCH_POINTS changes the count), side by side with expat's bare
// parse (xmlwf) and GPSBabel when they are installed. Each run happens in a
// child process so that its peak memory (maximum resident set) is its own.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tours/Tour.h"
#include "tours/exchange/GpxImporter.h"
#include "tours/exchange/TourExport.h"
#include "tours/exchange/TourImport.h"

extern char** environ;

namespace trek {
namespace {

std::string Folder() {
    static std::string folder = [] {
        // TREK_BENCH_DIR chooses the disk: tour files are synced to storage as they grow.
        const char* env = std::getenv("TREK_BENCH_DIR");
        std::filesystem::path base = env ? std::filesystem::path(env) : std::filesystem::temp_directory_path();
        std::string f = (base / "trek-exchange-bench").string();
        std::filesystem::create_directories(f + "/out");
        return f;
    }();
    return folder;
}

long PointCount() {
    const char* env = std::getenv("TREK_BENCH_POINTS");
    return env ? std::max(1L, std::atol(env)) : 1000000L;
}

// TREK_BENCH_POINTS and TREK_BENCH_DIR (default: the temporary folder) adjust the run.
// A track as GPS software writes it: one trkpt per second along a wiggly line.
const std::string& BigGpx() {
    static std::string path = [] {
        std::string p = Folder() + "/big.gpx";
        const long n = PointCount();
        std::FILE* f = std::fopen(p.c_str(), "wb");
        std::fprintf(f,
                     "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<gpx version=\"1.1\" creator=\"bench\" "
                     "xmlns=\"http://www.topografix.com/GPX/1/1\">\n<trk><name>big</name><trkseg>\n");
        for (long i = 0; i < n; ++i) {
            double lat = 47.0 + i * 1e-6 + (i % 97) * 1e-7;
            double lon = 8.0 + i * 1.3e-6 - (i % 89) * 1e-7;
            long s = i % 86400;
            std::fprintf(f,
                         "<trkpt lat=\"%.9f\" lon=\"%.9f\"><ele>%.1f</ele><time>2021-%02ld-%02ldT%02ld:%02ld:%02ldZ</time>"
                         "<fix>3d</fix><sat>%ld</sat><extensions><speed>%.1f</speed></extensions></trkpt>\n",
                         lat, lon, 400.0 + (i % 1000) * 0.5, 1 + (i / 86400 / 28) % 12, 1 + (i / 86400) % 28, s / 3600,
                         s / 60 % 60, s % 60, 4 + i % 9, (i % 400) * 0.1);
        }
        std::fprintf(f, "</trkseg></trk>\n</gpx>\n");
        std::fclose(f);
        return p;
    }();
    return path;
}

struct ChildRun {
    double seconds = 0;
    double cpuSeconds = 0;  // user + system: steadier than wall time on a busy machine
    double peakMB = 0;
    bool ok = false;
};

ChildRun Measure(const std::function<int()>& work) {
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) _exit(work());
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    ChildRun r;
    r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peakMB = usage.ru_maxrss / 1024.0;
    r.cpuSeconds = usage.ru_utime.tv_sec + usage.ru_stime.tv_sec + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return r;
}

ChildRun MeasureProgram(std::vector<std::string> argv) {
    return Measure([argv]() mutable {
        std::vector<char*> args;
        for (auto& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        std::freopen("/dev/null", "w", stdout);
        std::freopen("/dev/null", "w", stderr);
        execvp(args[0], args.data());
        return 127;
    });
}

void Report(benchmark::State& state, const ChildRun& r) {
    state.SetIterationTime(r.seconds);
    state.counters["peak_MB"] = r.peakMB;
    state.counters["cpu_s"] = r.cpuSeconds;
    state.counters["MB_per_s"] = std::filesystem::file_size(BigGpx()) / 1e6 / r.seconds;
    if (!r.ok) state.SkipWithError("the run failed");
}

struct NullObserver : ImportObserver {
    void importMessage(const std::string&, const std::string&) override {}
};

int ImportOnce() {
    NullObserver observer;
    TourImport import;
    ImportRequest request{BigGpx(), Folder() + "/big.TUR", 1, ""};
    if (import.start(request, observer) != TourImport::Start::Started) return 1;
    import.join();
    return import.result().ok ? 0 : 1;
}

void BM_ImportGpxToTour(benchmark::State& state) {
    BigGpx();
    for (auto _ : state) Report(state, Measure(ImportOnce));
}

struct NullSink : ImportSink {
    long n = 0;
    void trackPoint(const ImportPoint&, bool) override { ++n; }
    void poi(const ImportPoint&, const ImportPoi&) override { ++n; }
    void deferPoi(const ImportPoint&, const ImportPoi&) override {}
    void flushDeferred() override {}
    void tourDescription(std::string_view) override {}
};

void BM_ParseGpxOnly(benchmark::State& state) {
    BigGpx();
    for (auto _ : state) {
        Report(state, Measure([] {
                   FileInput input;
                   NullSink sink;
                   if (!input.open(BigGpx())) return 1;
                   return GpxImporter().run(input, sink, nullptr).ok && sink.n == PointCount() ? 0 : 1;
               }));
    }
}

void BM_ExportTourToGpx(benchmark::State& state) {
    BigGpx();
    if (!std::filesystem::exists(Folder() + "/big.TUR") && ImportOnce() != 0) {
        state.SkipWithError("import failed");
        return;
    }
    for (auto _ : state) {
        Report(state, Measure([] {
                   Tour tour("big", Folder() + "/big.TUR");
                   if (!tour.readHeader()) return 1;
                   ExportOptions options;
                   auto reports = ExportTour(tour, Folder() + "/out", options);
                   return !reports.empty() && reports[0].written && reports[0].points == PointCount() ? 0 : 1;
               }));
    }
}

bool Installed(const char* program) {
    std::string cmd = std::string("command -v ") + program + " >/dev/null 2>&1";
    return std::system(cmd.c_str()) == 0;
}

void BM_ExpatXmlwf(benchmark::State& state) {
    if (!Installed("xmlwf")) {
        state.SkipWithError("xmlwf is not installed (Debian package expat)");
        return;
    }
    BigGpx();
    for (auto _ : state) Report(state, MeasureProgram({"xmlwf", BigGpx()}));
}

void BM_Gpsbabel(benchmark::State& state) {
    if (!Installed("gpsbabel")) {
        state.SkipWithError("gpsbabel is not installed (Debian package gpsbabel)");
        return;
    }
    BigGpx();
    for (auto _ : state) Report(state, MeasureProgram({"gpsbabel", "-i", "gpx", "-f", BigGpx(), "-o", "gpx", "-F", "/dev/null"}));
}

BENCHMARK(BM_ImportGpxToTour)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ParseGpxOnly)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExpatXmlwf)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Gpsbabel)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ExportTourToGpx)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace trek
