#include "tests/tracking/TrackingFixtures.h"

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>

#include "maps/calibration/MapCalibration.h"
#include "tours/TourRecorder.h"
#include "ui/views/ViewGeometry.h"

namespace trek::test {

ScratchDir::ScratchDir() {
    char tmpl[] = "/tmp/trek-tracking-XXXXXX";
    path_ = mkdtemp(tmpl);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::unique_ptr<RasterMap> MakeMap(const ScratchDir& dir, const std::string& name, int w, int h, GeoPoint sw,
                                   int32_t unitsPerPixel, uint32_t fill) {
    const std::string path = dir.file(name + ".png");
    platform::Bitmap image(w, h, fill);
    if (!image.writePng(path)) return nullptr;
    auto map = RasterMap::OpenImage(path);
    if (!map) return nullptr;
    map->SetName(name);
    const double cosLat = std::cos(GeoToRadians(sw.lat + h * unitsPerPixel / 2));
    const int32_t lonPerPixel = static_cast<int32_t>(std::lround(unitsPerPixel / cosLat));
    map->SetCalibration(CreateCalibration(CalibrationKind::Linear));
    map->calibration().SetReferencePoints({ReferencePoint{0, 0, sw.lon, sw.lat},
                                           ReferencePoint{w, h, sw.lon + w * lonPerPixel, sw.lat + h * unitsPerPixel}});
    if (!map->calibration().Calibrate()) return nullptr;
    map->visible = true;
    return map;
}

std::unique_ptr<Tour> MakeTour(const ScratchDir& dir, const std::string& name, const std::vector<TourPointSpec>& points) {
    auto tour = std::make_unique<Tour>(name, dir.file(name + ".TUR"));
    {
        TourRecorder::Options options;
        options.timeMarks = false;
        options.periodicSync = false;
        TourRecorder recorder(*tour, options);
        if (!recorder.start()) return nullptr;
        uint32_t time = 1000000;
        for (const TourPointSpec& p : points) {
            TourPoint point;
            point.lon = p.lon;
            point.lat = p.lat;
            point.time = time++;
            if (!recorder.appendRecord(point, false, p.extraBits, true)) return nullptr;
        }
        recorder.flush();
    }
    return tour;
}

ViewFixture::ViewFixture(int width, int height) {
    flags.set_scalebar(0);
    flags.set_utmGrid(0);
    flags.set_zoomButtons(0);
    flags.set_mapName(0);
    flags.set_tourName(0);
    flags.set_northArrow(0);
    flags.set_startFollowing(1);
    TrackingView::Environment env;
    env.flags = &flags;
    env.catalogue = &catalogue;
    env.displayScale = [] { return 1; };
    env.dpi = [] { return 96; };
    env.split = [] { return false; };
    view = std::make_unique<TrackingView>(ViewKind::TrackingA, nullptr, env);
    view->setSize(width, height);
}

int CountPixels(const platform::Bitmap& bmp, uint32_t colorRef, platform::Rect area) {
    if (area.empty()) area = {0, 0, bmp.width(), bmp.height()};
    area = area.intersect({0, 0, bmp.width(), bmp.height()});
    const uint32_t want = platform::ColorRefToPixel(colorRef) & 0xFFFFFF;
    int n = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) n += (bmp.pixel(x, y) & 0xFFFFFF) == want;
    return n;
}

std::string SourceDir() { return TREK_SOURCE_DIR; }

}  // namespace trek::test
