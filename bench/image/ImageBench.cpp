// A 480 x 640 region of a 16000 x 16000 baseline JPEG near the bottom and near
// the top, from the JPEG itself, from its ".tvm" copy, and through djpeg -crop
// (libjpeg-turbo-progs) for comparison. Counters: peak_MB is the process's peak
// resident memory during the decode (reset before each run); djpeg's is its own.
// The images are made on first use in $TMPDIR and kept for later runs.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "maps/image/JpegReader.h"
#include "maps/image/TiledMap.h"
#include "maps/image/TvmWriter.h"

extern char** environ;

namespace {

using trek::PixelRect;

constexpr int kSize = 16000;
constexpr int kRegionW = 480, kRegionH = 640;
constexpr int kRegionX = 8000;

std::string Folder() {
    const char* tmp = std::getenv("TMPDIR");
    return std::string(tmp ? tmp : "/tmp") + "/trek_bench_image";
}
std::string JpegPath() { return Folder() + "/big16000.jpg"; }
std::string TvmPath() { return Folder() + "/big16000.tvm"; }

bool Exists(const std::string& p) {
    struct stat st{};
    return ::stat(p.c_str(), &st) == 0 && st.st_size > 0;
}

void MakeJpeg() {
    if (Exists(JpegPath())) return;
    ::mkdir(Folder().c_str(), 0755);
    std::string temp = JpegPath() + ".tmp";
    FILE* f = std::fopen(temp.c_str(), "wb");
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = kSize;
    c.image_height = kSize;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 85, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<uint8_t> row(kSize * 3);
    while (c.next_scanline < c.image_height) {
        unsigned y = c.next_scanline;
        for (int x = 0; x < kSize; ++x) {  // a map-like mix of gradients and lines
            row[x * 3] = static_cast<uint8_t>((x / 3 + y / 5) & 0xFF);
            row[x * 3 + 1] = static_cast<uint8_t>(((x ^ y) & 0x40) ? 200 : (x * 7 + y) & 0xFF);
            row[x * 3 + 2] = static_cast<uint8_t>((x % 97 == 0 || y % 89 == 0) ? 0 : 180 + ((x + y) & 0x3F));
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
    std::rename(temp.c_str(), JpegPath().c_str());
}

void MakeTvm() {
    MakeJpeg();
    if (Exists(TvmPath())) return;
    trek::JpegReader reader;
    reader.open(JpegPath());
    // A container without a usable calibration is dropped when opened.
    auto calibration = trek::CreateCalibration(trek::CalibrationKind::Linear);
    calibration->SetReferencePoints({{0, 0, 100000000, 80000000}, {kSize - 1, kSize - 1, 101000000, 81000000}});
    trek::TvmWriteRequest request;
    request.calibration = calibration.get();
    request.path = TvmPath();
    request.width = kSize;
    request.height = kSize;
    request.name = "big16000";
    request.source = [&](const PixelRect& r, trek::platform::Bitmap& out) { return reader.decodeRegion(r, out); };
    trek::WriteTvm(request);
}

PixelRect Region(bool top) {
    int32_t bottom = top ? kSize - kRegionH : 0;
    return PixelRect{kRegionX, bottom, kRegionX + kRegionW - 1, bottom + kRegionH - 1};
}

void ResetPeak() {
    if (FILE* f = std::fopen("/proc/self/clear_refs", "w")) {
        std::fputs("5", f);
        std::fclose(f);
    }
}

double PeakMb() {
    FILE* f = std::fopen("/proc/self/status", "r");
    if (!f) return 0;
    char line[256];
    long kb = 0;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    std::fclose(f);
    return kb / 1024.0;
}

void BM_JpegRegion(benchmark::State& state) {
    MakeJpeg();
    trek::JpegReader reader;
    if (reader.open(JpegPath()) != trek::ImageOpenStatus::Ok) return state.SkipWithError("no image");
    PixelRect r = Region(state.range(0) != 0);
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();  // the peak bookkeeping walks page tables; keep it out of the time
        ResetPeak();
        state.ResumeTiming();
        trek::platform::Bitmap out;
        if (!reader.decodeRegion(r, out)) return state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(out.data());
        state.PauseTiming();
        peak = std::max(peak, PeakMb());
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = peak;
}
BENCHMARK(BM_JpegRegion)->ArgName("top")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_TvmRegion(benchmark::State& state) {
    MakeTvm();
    auto map = trek::TiledMap::OpenContainer(TvmPath());
    if (!map) return state.SkipWithError("no container");
    PixelRect r = Region(state.range(0) != 0);
    double peak = 0;
    for (auto _ : state) {
        state.PauseTiming();
        ResetPeak();
        state.ResumeTiming();
        trek::platform::Bitmap out;
        if (!map->DecodeRegion(r, out)) return state.SkipWithError("decode failed");
        benchmark::DoNotOptimize(out.data());
        state.PauseTiming();
        peak = std::max(peak, PeakMb());
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = peak;
}
BENCHMARK(BM_TvmRegion)->ArgName("top")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// djpeg -crop WxH+X+Y, where Y counts from the top row.
void BM_DjpegCrop(benchmark::State& state) {
    MakeJpeg();
    if (::access("/usr/bin/djpeg", X_OK) != 0) return state.SkipWithError("djpeg not installed (libjpeg-turbo-progs)");
    PixelRect r = Region(state.range(0) != 0);
    char crop[64];
    std::snprintf(crop, sizeof crop, "%dx%d+%d+%d", kRegionW, kRegionH, r.left, kSize - 1 - r.top);
    std::string jpeg = JpegPath();
    long maxRssKb = 0;
    for (auto _ : state) {
        const char* argv[] = {"djpeg", "-crop", crop, "-outfile", "/dev/null", jpeg.c_str(), nullptr};
        pid_t pid;
        if (posix_spawn(&pid, "/usr/bin/djpeg", nullptr, nullptr, const_cast<char**>(argv), environ) != 0)
            return state.SkipWithError("cannot start djpeg");
        int status = 0;
        rusage usage{};
        wait4(pid, &status, 0, &usage);
        maxRssKb = std::max(maxRssKb, usage.ru_maxrss);
    }
    state.counters["peak_MB"] = maxRssKb / 1024.0;
}
BENCHMARK(BM_DjpegCrop)->ArgName("top")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
