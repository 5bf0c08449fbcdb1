#include "ui/views/ViewGeometry.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "maps/image/RasterMap.h"
#include "maps/tiles/ServerMap.h"
#include "ui/views/ScaleList.h"

namespace trek {

namespace {

int64_t ClampI64(int64_t v, int64_t lo, int64_t hi) { return std::min(std::max(v, lo), hi); }

// A centre beyond a limit comes back to the clamp value on its side.
int32_t ClampAxis(int64_t v, int32_t limit, int32_t clamp) {
    if (v > limit) return clamp;
    if (v < -limit) return -clamp;
    return static_cast<int32_t>(v);
}

}  // namespace

const RasterMap* AsImageMap(const MapDescription* map) { return dynamic_cast<const RasterMap*>(map); }
RasterMap* AsImageMap(MapDescription* map) { return dynamic_cast<RasterMap*>(map); }

int32_t MapOwnScale(const MapDescription& map) {
    if (auto* tiles = dynamic_cast<const ServerMap*>(&map)) return tiles->ownScale;
    if (!AsImageMap(&map) || !map.calibration().calibrated()) return 0;
    const double metres = map.calibration().ScaleMetresPerPixel();
    if (!(metres > 0)) return 0;
    const double s = metres * view::kPixelsPerScale / view::kMetresPerGeoUnit;
    return static_cast<int32_t>(std::lround(std::clamp(s, 1.0, double(ScaleList::kMaxScale))));
}

ScaleRange MapScaleRange(const MapDescription& map) {
    if (dynamic_cast<const ServerMap*>(&map)) return {ScaleList::kMinScale, ScaleList::kMaxScale};
    const int32_t s = MapOwnScale(map);
    if (s <= 0) return {};
    const auto steps = ScaleList::MapSteps(s);
    return {static_cast<int32_t>(steps.front()),
            static_cast<int32_t>(std::min<int64_t>(steps.back(), ScaleList::kMaxScale))};
}

bool MapAcceptsScale(const MapDescription& map, int64_t scale) {
    const ScaleRange r = MapScaleRange(map);
    return r.least > 0 && scale >= r.least && scale <= r.greatest;
}

bool MapContains(const MapDescription& map, GeoPoint position) {
    if (dynamic_cast<const ServerMap*>(&map)) return true;
    const RasterMap* image = AsImageMap(&map);
    if (!image || !map.calibration().calibrated()) return false;
    const PixelPoint p = map.calibration().GeoToPixel(position);
    return p.x >= 0 && p.y >= 0 && p.x < image->imageWidth() && p.y < image->imageHeight();
}

bool MapCoversView(const MapDescription& map, GeoPoint centre, int w, int h, int64_t scale) {
    if (dynamic_cast<const ServerMap*>(&map)) return true;
    const RasterMap* image = AsImageMap(&map);
    const int32_t own = MapOwnScale(map);
    if (!image || own <= 0) return false;
    const PixelPoint c = map.calibration().GeoToPixel(centre, true);
    const double cx = c.x / 100.0, cy = c.y / 100.0;
    const double halfW = w / 2.0 * double(scale) / own, halfH = h / 2.0 * double(scale) / own;
    return cx - halfW >= 0 && cy - halfH >= 0 && cx + halfW <= image->imageWidth() &&
           cy + halfH <= image->imageHeight();
}

// ---------------------------------------------------------------------------

ViewProjection::ViewProjection(GeoPoint centre, int32_t scale, int width, int height, const MapDescription* map)
    : centre_(centre), scale_(std::max<int32_t>(scale, 1)), width_(std::max(width, 1)), height_(std::max(height, 1)) {
    const RasterMap* image = AsImageMap(map);
    const int32_t own = image ? MapOwnScale(*image) : 0;
    if (image && own > 0) {
        map_ = image;
        const PixelPoint c = image->calibration().GeoToPixel(centre);
        cx_ = c.x;
        cy_ = c.y;
        imageW_ = static_cast<int>(std::max<int64_t>(1, std::llround(double(width_) * scale_ / own)));
        imageH_ = static_cast<int>(std::max<int64_t>(1, std::llround(double(height_) * scale_ / own)));
        if (scale_ == own) {
            imageW_ = width_;
            imageH_ = height_;
        }
    } else {
        imageW_ = width_;
        imageH_ = height_;
    }
    fitAffine();
}

void ViewProjection::toScreen(GeoPoint geo, double& x, double& y) const {
    if (!map_) {
        const double k = double(view::kPixelsPerScale) / scale_;
        x = width_ / 2 + (double(geo.lon) - centre_.lon) * k;
        y = height_ / 2 - (double(geo.lat) - centre_.lat) * k;
        return;
    }
    const PixelPoint p = map_->calibration().GeoToPixel(geo, true);
    // The image viewport's top-left corner lies where the map draws it.
    const double originX = cx_ - imageW_ / 2, originY = cy_ + imageH_ / 2;
    const double tx = p.x / 100.0 - originX, ty = originY + 1 - p.y / 100.0;
    x = tx * width_ / imageW_;
    y = ty * height_ / imageH_;
}

platform::Point ViewProjection::toScreen(GeoPoint geo) const {
    double x, y;
    toScreen(geo, x, y);
    return {static_cast<int>(std::floor(std::clamp(x, -1e9, 1e9))),
            static_cast<int>(std::floor(std::clamp(y, -1e9, 1e9)))};
}

GeoPoint ViewProjection::toGeo(double x, double y) const {
    if (!map_) {
        const double k = double(scale_) / view::kPixelsPerScale;
        return GeoPoint{static_cast<int32_t>(ClampI64(std::llround(centre_.lon + (x - width_ / 2) * k), -view::kLonLimit,
                                                      view::kLonLimit)),
                        static_cast<int32_t>(ClampI64(std::llround(centre_.lat + (height_ / 2 - y) * k), -view::kLatLimit,
                                                      view::kLatLimit))};
    }
    const double originX = cx_ - imageW_ / 2, originY = cy_ + imageH_ / 2;
    const double px = x * imageW_ / width_ + originX, py = originY + 1 - y * imageH_ / height_;
    const auto hundredths = [](double v) { return static_cast<int32_t>(std::clamp(std::llround(v * 100), -2000000000LL, 2000000000LL)); };
    return map_->calibration().PixelToGeo(hundredths(px), hundredths(py), true).geo;
}

void ViewProjection::fitAffine() {
    if (!map_) {
        const double k = double(view::kPixelsPerScale) / scale_;
        ax_ = width_ / 2;
        ay_ = height_ / 2;
        axl_ = k;
        axb_ = 0;
        ayl_ = 0;
        ayb_ = -k;
        affine_ = true;
        return;
    }
    // Differences over a quarter of the view in each axis, then a check at the corners.
    const GeoPoint a = toGeo(width_ / 2.0, height_ / 2.0);
    const GeoPoint b = toGeo(width_ * 0.75, height_ * 0.25);
    const double dl = double(b.lon) - a.lon, db = double(b.lat) - a.lat;
    if (dl == 0 || db == 0) return;
    double x0, y0, xl, yl, xb, yb;
    toScreen(centre_, x0, y0);
    toScreen(GeoPoint{static_cast<int32_t>(centre_.lon + dl), centre_.lat}, xl, yl);
    toScreen(GeoPoint{centre_.lon, static_cast<int32_t>(centre_.lat + db)}, xb, yb);
    ax_ = x0;
    ay_ = y0;
    axl_ = (xl - x0) / dl;
    ayl_ = (yl - y0) / dl;
    axb_ = (xb - x0) / db;
    ayb_ = (yb - y0) / db;
    affine_ = true;
    const double corners[4][2] = {{0, 0}, {double(width_), 0}, {0, double(height_)}, {double(width_), double(height_)}};
    for (const auto& c : corners) {
        const GeoPoint g = toGeo(c[0], c[1]);
        double ex, ey, fx, fy;
        toScreen(g, ex, ey);
        toScreenFast(g.lon, g.lat, fx, fy);
        if (std::fabs(ex - fx) > 0.5 || std::fabs(ey - fy) > 0.5) {
            affine_ = false;
            return;
        }
    }
}

GeoBox ViewProjection::extent(int margin) const {
    GeoBox box{INT32_MAX, INT32_MIN, INT32_MIN, INT32_MAX};
    const double xs[3] = {-double(margin), width_ / 2.0, double(width_ + margin)};
    const double ys[3] = {-double(margin), height_ / 2.0, double(height_ + margin)};
    for (double x : xs) {
        for (double y : ys) {
            const GeoPoint g = toGeo(x, y);
            box.west = std::min(box.west, g.lon);
            box.east = std::max(box.east, g.lon);
            box.south = std::min(box.south, g.lat);
            box.north = std::max(box.north, g.lat);
        }
    }
    return box;
}

// ---------------------------------------------------------------------------

int32_t BackgroundLatitude(int32_t centreLat, int height, int y, int32_t scale) {
    const double v = centreLat - (height / 2.0 - y) * scale * (-1.0 / view::kPixelsPerScale);
    return static_cast<int32_t>(std::clamp(v, double(-view::kLatLimit), double(view::kLatLimit)));
}

int32_t BackgroundLongitude(int32_t centreLon, int width, int x, int32_t scale) {
    const double v = centreLon - (x - width / 2.0) * scale * (-1.0 / view::kPixelsPerScale);
    return static_cast<int32_t>(std::clamp(v, double(-view::kLonLimit), double(view::kLonLimit)));
}

int32_t CosineOfLatitude(int32_t latitude) {
    // cos x 10000 for every quarter degree from 0 to 90.
    static const std::array<int32_t, 361> table = [] {
        std::array<int32_t, 361> t{};
        for (size_t i = 0; i < t.size(); ++i) t[i] = static_cast<int32_t>(std::lround(std::cos(i * 0.25 * M_PI / 180) * 10000));
        return t;
    }();
    const int64_t index = (std::llabs(int64_t(latitude)) * 645093591LL) >> 48;
    return table[static_cast<size_t>(std::min<int64_t>(index, 360))];
}

GeoPoint ClampCentre(GeoPoint centre) {
    return GeoPoint{ClampAxis(centre.lon, view::kLonLimit, view::kLonClamp),
                    ClampAxis(centre.lat, view::kLatLimit, view::kLatClamp)};
}

GeoPoint CursorStep(GeoPoint centre, int32_t scale, int width, int height, int dx, int dy) {
    // Below 1:1 000 000 the scale multiplies first, from there on the division
    // by 279 comes first; the wide intermediate keeps either order exact.
    const auto span = [scale](int pixels) -> int64_t {
        return scale < 1000000 ? int64_t(pixels) * scale / view::kPixelsPerScale
                               : int64_t(scale) / view::kPixelsPerScale * pixels;
    };
    int64_t lon = centre.lon, lat = centre.lat;
    if (dx != 0) lon += span(width / dx) * 10000 / std::max<int32_t>(1, CosineOfLatitude(centre.lat));
    if (dy != 0) lat -= span(height / dy);
    return GeoPoint{ClampAxis(lon, view::kLonLimit, view::kLonClamp), ClampAxis(lat, view::kLatLimit, view::kLatClamp)};
}

}  // namespace trek
