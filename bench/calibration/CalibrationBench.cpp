// Conversions that run for every drawn position and tile: geo -> pixel and
// back per calibration kind, the description reader, and tile addressing.
#include <benchmark/benchmark.h>

#include "maps/calibration/DescriptionFile.h"
#include "maps/calibration/MapCalibration.h"
#include "maps/tiles/TileAddress.h"

namespace trek {
namespace {

std::unique_ptr<MapCalibration> Munich(CalibrationKind kind) {
    const ProjectionParams params{DegreesToGeo(10), DegreesToGeo(47), DegreesToGeo(45), DegreesToGeo(50)};
    auto cal = CreateCalibration(kind, params, 2.5, -2.5);
    cal->SetReferencePoints({{100, 200, DegreesToGeo(11.40), DegreesToGeo(48.05)},
                             {3900, 2800, DegreesToGeo(11.75), DegreesToGeo(48.25)}});
    cal->Calibrate();
    return cal;
}

void BM_GeoToPixel(benchmark::State& state) {
    auto cal = Munich(CalibrationKind(state.range(0)));
    state.SetLabel(cal->kindName());
    int32_t lon = DegreesToGeo(11.5), lat = DegreesToGeo(48.1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(cal->GeoToPixel(GeoPoint{lon, lat}));
        lon += 37;
        lat += 11;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GeoToPixel)->DenseRange(0, 6);

void BM_PixelToGeo(benchmark::State& state) {
    auto cal = Munich(CalibrationKind(state.range(0)));
    state.SetLabel(cal->kindName());
    int32_t x = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(cal->PixelToGeo(x & 4095, 1500));
        ++x;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PixelToGeo)->DenseRange(0, 6);

void BM_ParseDescription(benchmark::State& state) {
    MapDescription map;
    map.SetName("Karwendel");
    map.SetImagePath("/maps/karwendel.jpg");
    map.SetCalibration(Munich(CalibrationKind::Utm));
    const std::string text = FormatDescription(map, 'E');
    for (auto _ : state) {
        MapDescription m;
        ParseDescription(text, "/maps/karwendel.CAL", m);
        benchmark::DoNotOptimize(m.calibration().referencePoints().size());
    }
    state.SetBytesProcessed(int64_t(state.iterations() * text.size()));
}
BENCHMARK(BM_ParseDescription);

void BM_LatLonToTile(benchmark::State& state) {
    int32_t lon = DegreesToGeo(11.5), lat = DegreesToGeo(48.1);
    for (auto _ : state) {
        benchmark::DoNotOptimize(LatLonToTile(lon, lat, 15));
        lon += 101;
    }
}
BENCHMARK(BM_LatLonToTile);

}  // namespace
}  // namespace trek
