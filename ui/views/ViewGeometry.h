#pragma once
// The arithmetic of a map view: how a view of a given centre, scale and size
// lies on the current map (or on the map-less background), the scales a map
// is drawn at, and the cursor-key scrolling with its cosine table and clamps.
//
// The view scale is the map-scale denominator: one screen pixel covers
// scale/279 geo units on the background, and a raster map is drawn 1:1 at its
// own scale, stretched at any other.
#include <cstdint>

#include "geo/GeoUnits.h"
#include "platform/gui/Geometry.h"

namespace trek {

class MapDescription;
class RasterMap;

namespace view {
constexpr int32_t kPixelsPerScale = 279;           // scale / 279 geo units per pixel
constexpr double kMetresPerGeoUnit = 0.06378137;   // 6 378 137 m x 1e-8
constexpr int32_t kLonLimit = 314159265;           // 180 degrees
constexpr int32_t kLatLimit = 157079632;           // 90 degrees
constexpr int32_t kLonClamp = 296705972;           // 170 degrees
constexpr int32_t kLatClamp = 139626340;           // 80 degrees
}  // namespace view

// Ground metres covered by one screen pixel at a scale.
inline double MetresPerPixel(int64_t scale) {
    return double(scale) * view::kMetresPerGeoUnit / view::kPixelsPerScale;
}

// ---- maps and scales ----

// A map's own scale: the view scale at which one image pixel is one screen
// pixel (tile maps carry theirs). 0 for a map without a usable calibration.
int32_t MapOwnScale(const MapDescription& map);
// The least and greatest scale a map is drawn at: its smallest and largest zoom step.
struct ScaleRange {
    int32_t least = 0;
    int32_t greatest = 0;
};
ScaleRange MapScaleRange(const MapDescription& map);
bool MapAcceptsScale(const MapDescription& map, int64_t scale);
// Whether the map's image holds the position (tile maps hold every position).
bool MapContains(const MapDescription& map, GeoPoint position);
// Whether a view of w x h pixels around centre at `scale` lies wholly on the image.
bool MapCoversView(const MapDescription& map, GeoPoint centre, int w, int h, int64_t scale);
// The image map behind an entry, or null for tile maps and other kinds.
const RasterMap* AsImageMap(const MapDescription* map);
RasterMap* AsImageMap(MapDescription* map);

// ---- the screen ----

struct GeoBox {
    int32_t west = 0, north = 0, east = 0, south = 0;
};

// Screen <-> geo for one view. On an image map the conversion goes through
// the map's calibration and the stretch of the view scale against its own
// scale; without one it is the background's linear mapping.
class ViewProjection {
public:
    ViewProjection(GeoPoint centre, int32_t scale, int width, int height, const MapDescription* map);

    // Screen position of a geo point, in pixels (may lie far outside the view).
    void toScreen(GeoPoint geo, double& x, double& y) const;
    platform::Point toScreen(GeoPoint geo) const;
    // The same for many points: an affine fit of the calibration where it is
    // exact to half a pixel over the view (always on the background).
    void toScreenFast(int32_t lon, int32_t lat, double& x, double& y) const {
        if (affine_) {
            const double dl = double(lon) - centre_.lon, db = double(lat) - centre_.lat;
            x = ax_ + axl_ * dl + axb_ * db;
            y = ay_ + ayl_ * dl + ayb_ * db;
        } else {
            toScreen(GeoPoint{lon, lat}, x, y);
        }
    }
    GeoPoint toGeo(double x, double y) const;

    // The geographic box of the view (widened by a margin of pixels).
    GeoBox extent(int marginPixels = 0) const;
    bool onMap() const { return map_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }
    int32_t scale() const { return scale_; }
    GeoPoint centre() const { return centre_; }

    // For drawing an image map: the image viewport (in image pixels) whose
    // stretch to the view gives the screen. Equal to the view at the own scale.
    int imageViewWidth() const { return imageW_; }
    int imageViewHeight() const { return imageH_; }

private:
    void fitAffine();

    GeoPoint centre_;
    int32_t scale_;
    int width_, height_;
    const RasterMap* map_ = nullptr;
    double cx_ = 0, cy_ = 0;  // centre in image pixels (whole pixels, as the map draws)
    int imageW_ = 0, imageH_ = 0;
    bool affine_ = false;
    double ax_ = 0, ay_ = 0, axl_ = 0, axb_ = 0, ayl_ = 0, ayb_ = 0;
};

// ---- background conversions (no map) ----
int32_t BackgroundLatitude(int32_t centreLat, int height, int y, int32_t scale);
int32_t BackgroundLongitude(int32_t centreLon, int width, int x, int32_t scale);

// ---- scrolling ----

// cos(latitude) x 10000 from the quarter-degree table.
int32_t CosineOfLatitude(int32_t latitude);
// Brings a centre beyond the poles or the date line back to 80 degrees / 170 degrees.
GeoPoint ClampCentre(GeoPoint centre);
// A cursor step (|dx| < 3 and |dy| < 3) moves the centre by a whole (1) or
// half (2) view; dx > 0 east, dy > 0 south. Clamped.
GeoPoint CursorStep(GeoPoint centre, int32_t scale, int width, int height, int dx, int dy);

}  // namespace trek
