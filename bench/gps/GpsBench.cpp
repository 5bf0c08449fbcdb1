// Throughput from bytes in the ring to parsed records, on a log with GGA,
// RMC, GSA and three GSV sentences every second (about 400 bytes a fix).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

#include "gps/GpsDecoder.h"
#include "gps/GpsRing.h"
#include "gps/NmeaFields.h"

namespace trek {
namespace {

std::string Sentence(const char* body) {
    char line[160];
    std::snprintf(line, sizeof line, "$%s*%02X\r\n", body, NmeaChecksum(body, std::strlen(body)));
    return line;
}

// A walk of `fixes` seconds.
std::string RealisticLog(int fixes, size_t* sentences) {
    std::string log;
    char body[160];
    *sentences = 0;
    for (int i = 0; i < fixes; ++i) {
        int t = 12 * 3600 + i;
        int hh = (t / 3600) % 24, mm = (t / 60) % 60, ss = t % 60;
        double lat = 4807.038 + 0.0011 * std::sin(i * 0.01), lon = 1131.000 + 0.0013 * i / 100.0;
        std::snprintf(body, sizeof body, "GPGGA,%02d%02d%02d.000,%09.4f,N,%010.4f,E,1,08,0.9,%.1f,M,46.9,M,,", hh,
                      mm, ss, lat, lon, 545.4 + (i % 50) * 0.1);
        log += Sentence(body);
        std::snprintf(body, sizeof body, "GPGSA,A,3,04,05,,09,12,,,24,,,,,2.5,1.3,2.1");
        log += Sentence(body);
        for (int g = 1; g <= 3; ++g) {
            std::snprintf(body, sizeof body, "GPGSV,3,%d,12,%02d,%02d,%03d,%02d,%02d,40,083,46,%02d,17,308,41,%02d,07,344,39",
                          g, g * 4 - 3, 10 + i % 40, (i * 7) % 360, 30 + i % 10, g * 4 - 2, g * 4 - 1, g * 4);
            log += Sentence(body);
        }
        std::snprintf(body, sizeof body, "GPRMC,%02d%02d%02d.000,A,%09.4f,N,%010.4f,E,%.2f,%.2f,230394,003.1,W", hh, mm,
                      ss, lat, lon, 2.5 + (i % 10) * 0.1, 84.4 + (i % 20));
        log += Sentence(body);
        *sentences += 6;
    }
    return log;
}

struct CountingEvents : GpsDecoderEvents {
    uint64_t posts = 0;
    void post(uint32_t) override { ++posts; }
};

void RingToRecords(benchmark::State& state, size_t chunk) {
    size_t sentences = 0;
    static const std::string log = RealisticLog(20000, &sentences);
    static const size_t count = sentences;
    CountingEvents events;
    GpsRunState run;
    GpsDecoder decoder({}, &events, &run);
    GpsRing ring;
    static char line[kGpsLineBufferSize];
    for (auto _ : state) {
        size_t at = 0;
        while (at < log.size()) {
            at += ring.put(log.data() + at, std::min(chunk, log.size() - at));
            while (ring.extractLine(line)) decoder.parseLine(line);
        }
        benchmark::DoNotOptimize(decoder.position);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * log.size()));
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * count));
    state.counters["sentences/s"] =
        benchmark::Counter(static_cast<double>(state.iterations() * count), benchmark::Counter::kIsRate);
}

// File replay at full speed hands over whole blocks; a serial port 16 bytes.
void BM_RingToRecords_Blocks(benchmark::State& state) { RingToRecords(state, 4096); }
void BM_RingToRecords_Serial16(benchmark::State& state) { RingToRecords(state, 16); }
BENCHMARK(BM_RingToRecords_Blocks)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RingToRecords_Serial16)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace trek
