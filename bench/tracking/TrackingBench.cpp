// Full redraws of a 480 x 640 map view: the sample raster map with a tour of
// 100 000 points all in view, and with a tour of 1 000 000 points of which a
// small part is in view. Goal: under 16 ms a redraw, so that panning is fluid.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <random>

#include "maps/catalogue/MapCatalogue.h"
#include "settings/FlagWords.h"
#include "tours/Tour.h"
#include "tours/TourRecorder.h"
#include "ui/views/PoiSymbols.h"
#include "ui/views/TrackingView.h"

namespace trek {
namespace {

struct Scene {
    FlagWords flags;
    MapCatalogue catalogue;
    PoiSymbolLibrary symbols;
    std::string folder;
    std::unique_ptr<Tour> dense;   // 100 000 points inside the view
    std::unique_ptr<Tour> long_;   // 1 000 000 points, a few hundred in view
    GeoPoint centre;

    Scene() {
        char tmpl[] = "/tmp/trek-bench-tracking-XXXXXX";
        folder = mkdtemp(tmpl);
        catalogue.ScanMaps(std::string(TREK_SOURCE_DIR) + "/samples/map/");
        MapDescription* map = catalogue.list(kMapTypeRaster).head;
        centre = map->calibration().PixelToGeo(500, 500).geo;
        // A random walk that stays within 480 x 640 pixels of 2 m (about 15 000 x 20 000 units).
        dense = Record("dense", 100000, [&](int i, std::mt19937& rng, GeoPoint& p) {
            std::uniform_int_distribution<int> step(-40, 40);
            if (i == 0) p = centre;
            p.lon = std::clamp(p.lon + step(rng), centre.lon - 10000, centre.lon + 10000);
            p.lat = std::clamp(p.lat + step(rng), centre.lat - 9000, centre.lat + 9000);
        });
        // Fifty rows of 20 000 points, 70 000 units apart; one row crosses the view.
        long_ = Record("long", 1000000, [&](int i, std::mt19937&, GeoPoint& p) {
            const int row = i / 20000, col = i % 20000;
            p.lon = centre.lon - 1750000 + (row % 2 ? 20000 - col : col) * 175;
            p.lat = centre.lat + (row - 25) * 70000;
        });
    }
    ~Scene() {
        std::error_code ec;
        std::filesystem::remove_all(folder, ec);
    }

    template <class Next>
    std::unique_ptr<Tour> Record(const std::string& name, int count, Next next) {
        auto tour = std::make_unique<Tour>(name, folder + "/" + name + ".TUR");
        TourRecorder::Options options;
        options.timeMarks = false;
        options.periodicSync = false;
        TourRecorder recorder(*tour, options);
        recorder.start();
        std::mt19937 rng(1);
        GeoPoint p;
        for (int i = 0; i < count; ++i) {
            next(i, rng, p);
            TourPoint point;
            point.lon = p.lon;
            point.lat = p.lat;
            point.time = 1000000 + i;
            recorder.appendRecord(point, false, 0, false);
        }
        recorder.flush();
        return tour;
    }

    std::unique_ptr<TrackingView> View(Tour* tour) {
        flags.set_scalebar(1);
        flags.set_mapName(1);
        flags.set_zoomButtons(1);
        flags.set_utmGrid(1);
        TrackingView::Environment env;
        env.flags = &flags;
        env.catalogue = &catalogue;
        env.symbols = &symbols;
        env.displayScale = [] { return 1; };
        env.dpi = [] { return 96; };
        env.split = [] { return false; };
        auto view = std::make_unique<TrackingView>(ViewKind::TrackingA, nullptr, env);
        view->setSize(480, 640);
        view->selectMap(catalogue.list(kMapTypeRaster).head);
        view->setMode(ViewMode::Free);
        view->setCentre(centre);
        view->setExtraTours({tour});
        view->updatePosition(centre, 800);
        return view;
    }
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

void Redraw(benchmark::State& state, Tour* tour) {
    auto view = TheScene().View(tour);
    view->render(true);  // decodes the map window once
    for (auto _ : state) {
        const platform::Bitmap& bmp = view->render(true);
        benchmark::DoNotOptimize(bmp.data());
    }
}

void BM_RedrawRasterMap100kPointsInView(benchmark::State& state) { Redraw(state, TheScene().dense.get()); }
void BM_RedrawRasterMap1MPointsFewInView(benchmark::State& state) { Redraw(state, TheScene().long_.get()); }
void BM_RedrawRasterMapNoTour(benchmark::State& state) { Redraw(state, nullptr); }

// Panning: every redraw at a new centre, 8 pixels on.
void BM_PanRasterMap100kPoints(benchmark::State& state) {
    auto view = TheScene().View(TheScene().dense.get());
    view->render(true);
    int step = 0;
    for (auto _ : state) {
        view->scroll(8 * (step % 20 < 10 ? 1 : -1), 0);  // 24 px a step
        ++step;
        benchmark::DoNotOptimize(view->render().data());
    }
}

BENCHMARK(BM_RedrawRasterMapNoTour)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawRasterMap100kPointsInView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RedrawRasterMap1MPointsFewInView)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PanRasterMap100kPoints)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace trek
