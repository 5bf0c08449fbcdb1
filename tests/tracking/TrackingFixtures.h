#pragma once
// Shared fixtures of the map-view tests: calibrated raster maps made on the
// fly, recorded tours, and a view on its own flag words and catalogue.
#include <memory>
#include <string>
#include <vector>

#include "geo/GeoUnits.h"
#include "maps/catalogue/MapCatalogue.h"
#include "maps/image/RasterMap.h"
#include "settings/FlagWords.h"
#include "tours/Tour.h"
#include "ui/views/TrackingView.h"

namespace trek::test {

// A scratch folder removed with the fixture.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// A w x h image map whose south-west corner is `southWest` and whose pixels
// are `unitsPerPixel` geo units high (and 1/cos(lat) times that wide), with a
// WGS84 calibration: own scale = unitsPerPixel x 279.
std::unique_ptr<RasterMap> MakeMap(const ScratchDir& dir, const std::string& name, int w, int h, GeoPoint southWest,
                                   int32_t unitsPerPixel, uint32_t fill = 0xFFC8E0C8);

// A tour file with the given points written through the recorder (each a
// track point unless marked otherwise).
struct TourPointSpec {
    int32_t lon;
    int32_t lat;
    uint32_t extraBits = 0;
};
std::unique_ptr<Tour> MakeTour(const ScratchDir& dir, const std::string& name, const std::vector<TourPointSpec>& points);

// A view on test flag words and a catalogue (all overlays off).
struct ViewFixture {
    FlagWords flags;
    MapCatalogue catalogue;
    std::unique_ptr<TrackingView> view;
    explicit ViewFixture(int width = 400, int height = 400);
};

// Counts pixels of a colour (COLORREF) in a rectangle of a bitmap.
int CountPixels(const platform::Bitmap& bmp, uint32_t colorRef, platform::Rect area = {});

// The repository root (TREK_SOURCE_DIR).
std::string SourceDir();

}  // namespace trek::test
