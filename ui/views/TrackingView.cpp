#include "ui/views/TrackingView.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "gps/GpsFix.h"
#include "maps/catalogue/CatalogueEntries.h"
#include "maps/catalogue/MapCatalogue.h"
#include "maps/image/RasterMap.h"
#include "maps/tiles/ServerMap.h"
#include "maps/tiles/TileAddress.h"
#include "platform/core/Messages.h"
#include "platform/gui/GuiMessages.h"
#include "platform/gui/VirtualKeys.h"
#include "platform/gui/Window.h"
#include "settings/FlagWords.h"
#include "tours/Tour.h"
#include "ui/ViewHost.h"
#include "ui/views/PoiSymbols.h"
#include "ui/views/ScaleBar.h"
#include "ui/views/UtmGrid.h"

namespace trek {

namespace {

using platform::Canvas;
using platform::Point;
using platform::Rect;

// The largest image viewport a stretched draw decodes (pixels).
constexpr int64_t kStretchBudget = int64_t(4096) * 4096;
constexpr uint32_t kFrameRed = 0x0000FF;
constexpr uint32_t kDark = 0x000007;

bool TraceOn() {
    static const bool on = std::getenv("TREK_TRACE_MAPS") != nullptr;
    return on;
}

TrackingView::Environment ProcessEnvironment(ViewKind kind) {
    TrackingView::Environment env;
    env.flags = &ViewHost::instance().flags();
    env.catalogue = &MapCatalogue::instance();
    env.symbols = &PoiSymbolLibrary::instance();
    env.displayScale = [] { return ViewHost::instance().scale(); };
    env.dpi = [] { return ViewHost::instance().dpi(); };
    const Pane pane = kind == ViewKind::TrackingB ? Pane::B : Pane::A;
    env.activePane = [pane] { return ViewHost::instance().currentTrackingPane() == pane; };
    env.split = [] { return ViewHost::instance().split(); };
    return env;
}

platform::Font BoldFont(int height) {
    platform::Font f;
    f.height = -height;
    f.weight = 700;
    return f;
}

}  // namespace

TrackingView::TrackingView(ViewKind kind, platform::Window* window)
    : TrackingView(kind, window, ProcessEnvironment(kind)) {}

TrackingView::TrackingView(ViewKind kind, platform::Window* window, Environment environment)
    : TrackingViewBase(kind, window), env_(std::move(environment)) {
    const MapPosition start;
    centre_ = {start.longitude, start.latitude};
    if (env_.flags && !env_.flags->startFollowing()) mode_ = ViewMode::Free;
}

TrackingView::~TrackingView() = default;

int TrackingView::s() const { return env_.displayScale ? std::max(1, env_.displayScale()) : 1; }
int TrackingView::dpiValue() const { return env_.dpi ? env_.dpi() : 96; }

bool TrackingView::flag(uint32_t (FlagWords::*get)() const) const { return env_.flags && (env_.flags->*get)() != 0; }

// ---------------------------------------------------------------------------
// View operations

void TrackingView::layout() { setSize(rect().width(), rect().height()); }

void TrackingView::activate(int how) {
    (void)how;
    requestRedraw();
}

void TrackingView::setSize(int width, int height) {
    if (width == width_ && height == height_) return;
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    requestRedraw();
}

void TrackingView::requestRedraw() {
    dirty_ = true;
    invalidate();
}

void TrackingView::paint(Canvas& canvas) {
    if (rect().width() != width_ || rect().height() != height_) setSize(rect().width(), rect().height());
    if (width_ <= 0 || height_ <= 0) return;
    render();
    canvas.copyFrom(bitmap_, {0, 0, width_, height_}, {rect().left, rect().top});
}

void TrackingView::onPosition(const GpsFix& fix) {
    if (fix.position.lat == 0 && fix.position.lon == 0) return;  // no fix yet
    updatePosition(GeoPoint{fix.position.lon, fix.position.lat}, fix.position.course);
}

bool TrackingView::onMessage(const platform::Message& m, int64_t& result) {
    const Point at{platform::XFromLParam(m.lParam) - rect().left, platform::YFromLParam(m.lParam) - rect().top};
    switch (m.message) {
        case platform::WM_LBUTTONDOWN: {
            if (flag(&FlagWords::zoomButtons)) {
                const ZoomButtons b = zoomButtons();
                if (b.zoomIn.contains(at)) return zoom(-1), result = 0, true;
                if (b.zoomOut.contains(at)) return zoom(+1), result = 0, true;
            }
            dragFrom_ = at;
            dragged_ = false;
            result = 0;
            return true;
        }
        case platform::WM_MOUSEMOVE: {
            if (!dragFrom_) return false;
            const int dx = dragFrom_->x - at.x, dy = dragFrom_->y - at.y;
            if (!dragged_ && std::abs(dx) + std::abs(dy) < 4 * s()) return true;
            dragged_ = true;
            mode_ = ViewMode::Free;
            MapDrawStopFlag() = true;
            setCentre(projection().toGeo(width_ / 2.0 + dx, height_ / 2.0 + dy));
            dragFrom_ = at;
            runChoice(centre_);
            requestRedraw();
            result = 0;
            return true;
        }
        case platform::WM_LBUTTONUP: {
            if (!dragFrom_) return false;
            if (!dragged_) setMarkedPoint(projection().toGeo(at.x, at.y));
            dragFrom_.reset();
            result = 0;
            return true;
        }
        case platform::WM_KEYDOWN: {
            // Cursor keys step by whole views, +/- zoom.
            static const struct {
                uint32_t key;
                int dx, dy, zoom;
            } keys[] = {
                {platform::VK_LEFT, -1, 0, 0},     {platform::VK_RIGHT, 1, 0, 0},
                {platform::VK_UP, 0, -1, 0},       {platform::VK_DOWN, 0, 1, 0},
                {platform::VK_ADD, 0, 0, -1},      {platform::VK_SUBTRACT, 0, 0, 1},
                {platform::VK_PRIOR, 0, 0, -1},    {platform::VK_NEXT, 0, 0, 1},
            };
            for (const auto& k : keys) {
                if (k.key != m.wParam) continue;
                if (k.zoom) zoom(k.zoom);
                else scroll(k.dx, k.dy);
                result = 0;
                return true;
            }
            return false;
        }
        default:
            return false;
    }
}

// ---------------------------------------------------------------------------
// Saved state

MapPosition TrackingView::mapPosition() const { return MapPosition{centre_.lat, centre_.lon, scale_}; }

std::string TrackingView::selectedMap() const { return current_ ? current_->name : std::string(); }

void TrackingView::restoreMapPosition(const MapPosition& position, std::string_view selectedMap) {
    setCentre({position.longitude, position.latitude});
    setScale(position.scale);
    if (!selectedMap.empty() && env_.catalogue) {
        if (MapDescription* map = env_.catalogue->Find(kMapTypeRaster, selectedMap)) selectMap(map, std::nullopt, true);
    }
    requestRedraw();
}

void TrackingView::setFollowing(bool on) { setMode(on ? ViewMode::Follow : ViewMode::Free); }

// ---------------------------------------------------------------------------
// State changes

void TrackingView::setCentre(GeoPoint centre) { centre_ = ClampCentre(centre); requestRedraw(); }

void TrackingView::setScale(int32_t scale) {
    scale_ = std::clamp(scale, ScaleList::kMinScale, ScaleList::kMaxScale);
    scales_.selectNearest(scale_);
    requestRedraw();
}

void TrackingView::setMode(ViewMode mode) {
    mode_ = mode;
    if (mode != ViewMode::Free && haveGps_) updatePosition(gps_, course_);
    requestRedraw();
}

void TrackingView::setPinned(bool on) {
    pinned_ = on;
    pinnedMap_ = on ? current_ : nullptr;
}

void TrackingView::makeCurrent(MapDescription* map) {
    if (map == current_) return;
    if (current_) {
        scales_.removeMapSteps(MapOwnScale(*current_));
        if (RasterMap* old = AsImageMap(current_)) old->ReleaseWindow();
    }
    current_ = map;
    if (map) {
        if (!map->visible) map->SetVisible(true);
        scales_.addMapSteps(MapOwnScale(*map));
    }
    scales_.selectNearest(scale_);
    requestRedraw();
}

void TrackingView::selectMap(MapDescription* map, std::optional<int32_t> requestedScale, bool keepScale) {
    makeCurrent(map);
    if (requestedScale) setScale(*requestedScale);
    else if (map && !keepScale && MapOwnScale(*map) > 0) setScale(MapOwnScale(*map));
    // A map chosen far from the view is shown at its middle.
    if (RasterMap* image = AsImageMap(map); image && !MapContains(*image, centre_) && image->calibration().calibrated()) {
        mode_ = ViewMode::Free;
        setCentre(image->calibration().PixelToGeo(image->imageWidth() / 2, image->imageHeight() / 2).geo);
    }
    if (pinned_) pinnedMap_ = current_;
    requestRedraw();
}

ViewProjection TrackingView::projection() const {
    const MapDescription* map = current_ && MapAcceptsScale(*current_, scale_) ? current_ : nullptr;
    return ViewProjection(centre_, scale_, width_, height_, map);
}

MapChoiceInput TrackingView::choiceInput(GeoPoint reference) const {
    MapChoiceInput in;
    in.candidates = env_.catalogue ? env_.catalogue->list(kMapTypeRaster).head : nullptr;
    in.current = current_;
    in.pinned = pinned_;
    in.pinnedMap = pinnedMap_;
    in.mode = mode_;
    in.reference = reference;
    in.centre = centre_;
    in.width = width_;
    in.height = height_;
    in.scale = scale_;
    return in;
}

MapChoice TrackingView::runChoice(GeoPoint reference) {
    const MapChoiceInput in = choiceInput(reference);
    MapChoice choice;
    if (mode_ == ViewMode::Locked) {
        choice = GetNewRastermapLocked(in);
        previousScale_ = scale_;
    } else {
        choice = ChooseMap(in, previousScale_);
    }
    return choice;
}

void TrackingView::applyChoice(const MapChoice& choice) {
    if (choice.map) makeCurrent(choice.map);
    if (choice.scale && *choice.scale != scale_) setScale(*choice.scale);
}

bool TrackingView::mapLoadedWhole() const {
    const RasterMap* image = AsImageMap(current_);
    if (!image) return false;
    const PixelRect whole{0, 0, image->imageWidth() - 1, image->imageHeight() - 1};
    return image->window() == whole;
}

void TrackingView::updatePosition(GeoPoint position, int32_t courseMrad) {
    gps_ = position;
    haveGps_ = true;
    course_ = courseMrad;
    if (mode_ == ViewMode::Free || width_ <= 0 || height_ <= 0) {
        moveGpsSprite();
        return;
    }
    double x, y;
    projection().toScreen(position, x, y);
    const MapChoice choice = runChoice(position);
    const bool inView = x >= 0 && x < width_ && y >= 0 && y < height_;
    const bool middle = x >= width_ / 4 && x < 3 * width_ / 4 && y >= height_ / 4 && y < 3 * height_ / 4;
    if (middle) {
        if (choice.map) {
            applyChoice(choice);
            setCentre(position);
        } else if (choice.scale && *choice.scale != scale_) {
            if (TraceOn()) std::fprintf(stderr, "newscale %d\n", *choice.scale);
            setScale(*choice.scale);
        } else if (keepCentred_ && mapLoadedWhole()) {
            centre_ = position;
            if (!(position == lastDrawnCentre_)) requestRedraw();
            else moveGpsSprite();
        } else {
            moveGpsSprite();
        }
        return;
    }
    // A chosen map is taken here too, so that the position keeps its best map.
    applyChoice(choice);
    if (inView) {
        setCentre({static_cast<int32_t>(centre_.lon + std::llround(1.5 * (double(position.lon) - centre_.lon))),
                   static_cast<int32_t>(centre_.lat + std::llround(1.5 * (double(position.lat) - centre_.lat)))});
    } else {
        if (TraceOn())
            std::fprintf(stderr, "(%d,%d) (%d,%d)  (%d,%d)\n", static_cast<int>(x), static_cast<int>(y), width_, height_,
                         position.lon, position.lat);
        setCentre(position);
    }
    requestRedraw();
}

bool TrackingView::zoom(int direction) {
    if (!scales_.step(direction)) return false;
    scale_ = scales_.current();
    if (mode_ == ViewMode::Locked) mode_ = ViewMode::Follow;
    MapDrawStopFlag() = true;
    applyChoice(runChoice(mode_ == ViewMode::Free || !haveGps_ ? centre_ : gps_));
    requestRedraw();
    return true;
}

void TrackingView::zoomTo(size_t index) {
    scales_.setIndex(index);
    scale_ = scales_.current();
    if (mode_ == ViewMode::Locked) mode_ = ViewMode::Follow;
    MapDrawStopFlag() = true;
    applyChoice(runChoice(mode_ == ViewMode::Free || !haveGps_ ? centre_ : gps_));
    requestRedraw();
}

void TrackingView::scroll(int dx, int dy) {
    mode_ = ViewMode::Free;
    MapDrawStopFlag() = true;
    if (std::abs(dx) < 3 && std::abs(dy) < 3) {
        centre_ = CursorStep(centre_, scale_, width_, height_, dx, dy);
    } else {
        centre_ = ClampCentre(projection().toGeo(width_ / 2.0 + 3 * dx, height_ / 2.0 + 3 * dy));
    }
    applyChoice(runChoice(centre_));
    requestRedraw();
}

void TrackingView::setMarkedPoint(std::optional<GeoPoint> point) {
    overlays_.markedPoint = point;
    if (dirty_ || bitmap_.empty()) return requestRedraw();
    // Move the dot alone: the arrow is lifted first so that neither keeps the other's pixels.
    gpsSprite_.restore(bitmap_);
    dotSprite_.restore(bitmap_);
    placeSprites();
    invalidate();
}

ZoomButtons TrackingView::zoomButtons() const { return ZoomButtonRects({0, 0, width_, height_}, dpiValue()); }

// ---------------------------------------------------------------------------
// Drawing

std::vector<Tour*> TrackingView::toursToDraw() const {
    std::vector<Tour*> tours;
    if (env_.catalogue) {
        for (MapDescription* e = env_.catalogue->list(kMapTypeTour).head; e; e = e->next) {
            auto* entry = dynamic_cast<TourMapEntry*>(e);
            if (entry && entry->tour && entry->visible && entry->tour->visible()) tours.push_back(entry->tour.get());
        }
    }
    for (Tour* t : extraTours_)
        if (t && std::find(tours.begin(), tours.end(), t) == tours.end()) tours.push_back(t);
    return tours;
}

const platform::Bitmap& TrackingView::render(bool force) {
    if (!dirty_ && !force && !bitmap_.empty() && bitmap_.width() == width_ && bitmap_.height() == height_) return bitmap_;
    if (width_ <= 0 || height_ <= 0) return bitmap_;
    bitmap_.reset(width_, height_, platform::ColorRefToPixel(kBackground));
    gpsSprite_.forget();
    dotSprite_.forget();
    arrowAt_.reset();
    const ViewProjection p = projection();
    MapDrawStopFlag() = false;
    {
        Canvas canvas(bitmap_);
        drawMap(canvas, p);
        drawTours(canvas, p);
        drawOverlays(canvas, p);
    }
    // The sprites go on last, so that lifting them never takes other overlays along.
    placeSprites();
    lastDrawnCentre_ = centre_;
    dirty_ = false;
    ++renderCount_;
    return bitmap_;
}

void TrackingView::drawMap(Canvas& canvas, const ViewProjection& p) {
    if (!current_) return;
    if (current_->IsTileMap()) return drawTilePlaceholders(canvas, p);
    RasterMap* image = AsImageMap(current_);
    if (!image || !p.onMap()) return;
    const MapViewport viewport{centre_, p.imageViewWidth(), p.imageViewHeight()};
    if (int64_t(viewport.width) * viewport.height > kStretchBudget) return;
    MapPlacement placement;
    if (!image->PlacementFor(viewport, placement)) return;
    // Decode half a view around what is needed, so that following and small
    // scrolls reuse the decoded window.
    const PixelRect& r = placement.region;
    const PixelRect wide = ClipToImage({r.left - viewport.width / 2, r.bottom - viewport.height / 2,
                                        r.right + viewport.width / 2, r.top + viewport.height / 2},
                                       image->imageWidth(), image->imageHeight());
    if (int64_t(wide.width()) * wide.height() <= kStretchBudget && !image->window().contains(r)) image->EnsureWindow(wide);
    if (viewport.width == width_ && viewport.height == height_) {
        image->DrawPlacement(bitmap_, placement, DrawMode::Cached);
    } else {
        platform::Bitmap part(viewport.width, viewport.height, platform::ColorRefToPixel(kBackground));
        if (image->DrawPlacement(part, placement, DrawMode::Cached))
            canvas.stretchFrom(part, {0, 0, part.width(), part.height()}, {0, 0, width_, height_});
    }
    drawMapMarks(canvas, p);
}

void TrackingView::drawTilePlaceholders(Canvas& canvas, const ViewProjection& p) {
    // The tiles' composite is filled by the tile loader; until a tile is
    // there its square shows its address.
    const int z = ZoomFromScale(scale_);
    const GeoBox box = p.extent();
    const TileAddress nw = LatLonToTile(box.west, box.north, z), se = LatLonToTile(box.east, box.south, z);
    platform::Font font;
    font.height = -10 * s();
    canvas.setFont(font);
    canvas.setTextColor(0x808080);
    canvas.setBackgroundMode(platform::BackgroundMode::Transparent);
    int drawn = 0;
    for (int32_t ty = nw.y; ty <= se.y && drawn < 256; ++ty) {
        for (int32_t tx = nw.x; tx <= se.x && drawn < 256; ++tx, ++drawn) {
            const TileEdges e = TileBounds(tx, ty, z);
            const Point a = p.toScreen({e.west, e.north}), b = p.toScreen({e.east, e.south});
            const Rect r{a.x, a.y, b.x, b.y};
            canvas.fillRect(r, ((tx + ty) & 1) ? 0xEEEEEE : 0xE4E4E4);
            canvas.frameRect(r, 0xC8C8C8, 1);
            char text[48];
            std::snprintf(text, sizeof text, "%d/%d/%d", z, tx, ty);
            canvas.textOut(r.left + 4, r.top + 4, text);
        }
    }
}

void TrackingView::drawMapMarks(Canvas& canvas, const ViewProjection& p) {
    // North arrow and reference points of a raster map.
    const int s = this->s();
    if (flag(&FlagWords::northArrow)) {
        double x0, y0, x1, y1;
        const GeoPoint c = p.toGeo(width_ / 2.0, height_ / 2.0);
        p.toScreen(c, x0, y0);
        p.toScreen({c.lon, c.lat + 100000}, x1, y1);
        DrawNorthArrow(canvas, {0, 0, width_, height_}, x1 - x0, y1 - y0, s);
    }
    const auto& refs = current_->calibration().referencePoints();
    const size_t shown = flag(&FlagWords::refPoints) ? refs.size() : (overlays_.calibrating ? std::min<size_t>(2, refs.size()) : 0);
    for (size_t i = 0; i < shown; ++i) {
        const Point at = p.toScreen(GeoPoint{refs[i].lon, refs[i].lat});
        if (at.x < -20 || at.y < -20 || at.x > width_ + 20 || at.y > height_ + 20) continue;
        DrawReferenceMarker(canvas, at, static_cast<int>(i + 1), s);
    }
}

void TrackingView::drawTours(Canvas& canvas, const ViewProjection& p) {
    TourDrawOptions options;
    options.displayScale = s();
    options.arrows = flag(&FlagWords::tourDir);
    options.dots = flag(&FlagWords::tourDots);
    options.timeMarks = flag(&FlagWords::tourTs);
    options.timeMarkTime = flag(&FlagWords::tourTsTime);
    options.timeMarkDate = flag(&FlagWords::tourTsDate);
    options.pois = env_.flags ? env_.flags->tourPoi() != 0 : true;
    options.poiSymbols = env_.flags ? env_.flags->tourPoiSym() != 0 : true;
    options.poiNames = flag(&FlagWords::tourPoiName);
    for (Tour* tour : toursToDraw()) {
        TourPainter painter(canvas, p, options, env_.symbols);
        painter.paint(*tour, marks_);
    }
}

void TrackingView::drawOverlays(Canvas& canvas, const ViewProjection& p) {
    const int s = this->s();
    const Rect view{0, 0, width_, height_};
    // 1. Start and destination of the active route.
    if (overlays_.routeStart) DrawRouteMarker(canvas, p.toScreen(*overlays_.routeStart), 'S');
    if (overlays_.routeDestination) DrawRouteMarker(canvas, p.toScreen(*overlays_.routeDestination), 'Z');
    // 3. The red arrow at a marked point.
    if (overlays_.markedArrow) DrawRedArrow(canvas, p.toScreen(*overlays_.markedArrow));
    // 5. The destination while the destination display is on.
    if (overlays_.destination && flag(&FlagWords::destGuidance))
        DrawDestinationMarker(canvas, p.toScreen(*overlays_.destination), s);
    // 6. The UTM grid.
    if (flag(&FlagWords::utmGrid)) DrawUtmGrid(canvas, p, UtmGridSpacing(scale_, current_ != nullptr), s);
    // 7. Split-view separator or frame.
    drawSplitFrame(canvas);
    // 8. Zoom buttons.
    if (flag(&FlagWords::zoomButtons)) DrawZoomButtons(canvas, zoomButtons());
    // 9. The calibration hint.
    if (overlays_.calibrating) {
        canvas.setFont(BoldFont(13 * s));
        canvas.setTextColor(0x0000C0);
        canvas.setBackgroundMode(platform::BackgroundMode::Opaque);
        canvas.setBackgroundColor(0xFFFFFF);
        canvas.drawText(kCalibrationHint, Rect{8 * s, height_ / 3, width_ - 8 * s, height_}, platform::DT_CENTER);
    }
    // 10. Name lines, 11. the selector, 12. the scale bar.
    drawNameLines(canvas);
    if (overlays_.selectorCount > 0) DrawSelector(canvas, view, overlays_.selectorEntry, overlays_.selectorCount, s);
    if (flag(&FlagWords::scalebar)) {
        // The bar measures along the screen's x axis at the centre.
        const GeoPoint a = p.toGeo(width_ / 2.0 - 50, height_ / 2.0), b = p.toGeo(width_ / 2.0 + 50, height_ / 2.0);
        const double lat = GeoToRadians(a.lat);
        const double dx = (double(b.lon) - a.lon) * std::cos(lat), dy = double(b.lat) - a.lat;
        const double metresPerPixel = p.onMap() ? std::hypot(dx, dy) * view::kMetresPerGeoUnit / 100
                                                : MetresPerPixel(scale_);
        DrawScaleBar(canvas, view, metresPerPixel, env_.flags ? env_.flags->unitSystem() : UnitSystem::Metric, s);
    }
}

void TrackingView::drawNameLines(Canvas& canvas) {
    const int s = this->s();
    std::vector<std::string> lines;
    if (flag(&FlagWords::mapName) && current_) lines.push_back(current_->name);
    if (flag(&FlagWords::tourName) && !overlays_.tourName.empty()) lines.push_back(overlays_.tourName);
    if (flag(&FlagWords::destName) && flag(&FlagWords::destGuidance) && !overlays_.destinationName.empty())
        lines.push_back(overlays_.destinationName);
    if (lines.empty()) return;
    canvas.setFont(BoldFont(13 * s));
    canvas.setTextColor(0x000000);
    canvas.setBackgroundMode(platform::BackgroundMode::Transparent);
    int y = (flag(&FlagWords::topRow) ? 25 : 4) * s;
    for (const std::string& line : lines) {
        canvas.drawText(line, Rect{4 * s, y, width_ - 4 * s, y + 18 * s},
                        platform::DT_CENTER | platform::DT_SINGLELINE | platform::DT_END_ELLIPSIS);
        y += 18 * s;
    }
}

void TrackingView::drawSplitFrame(Canvas& canvas) {
    const bool split = env_.split ? env_.split() : (flag(&FlagWords::vSplit) || flag(&FlagWords::hSplit));
    if (!split) return;
    const int s = this->s();
    const bool active = env_.activePane && env_.activePane();
    if (active) {
        canvas.frameRect({0, 0, width_, height_}, kFrameRed, 2 * s);
    } else if (flag(&FlagWords::vSplit)) {
        canvas.fillRect({0, 0, s, height_}, kDark);
    } else {
        canvas.fillRect({0, 0, width_, s}, kDark);
    }
}

// ---------------------------------------------------------------------------
// Sprites

std::array<Point, 8> TrackingView::arrowOutline(Point at) const {
    return GpsArrowOutline(at, course_, GpsArrowSize(arrowSize_, dpiValue(), width_));
}

void TrackingView::placeSprites() {
    if (bitmap_.empty()) return;
    const ViewProjection p = projection();
    if (overlays_.markedPoint) {
        const Point at = p.toScreen(*overlays_.markedPoint);
        dotSprite_.save(bitmap_, MarkedDotRect(at, s()));
        if (dotSprite_.kept()) {
            Canvas canvas(bitmap_);
            DrawMarkedDot(canvas, at, s());
        }
    }
    if (haveGps_) {
        const Point at = p.toScreen(gps_);
        const auto outline = arrowOutline(at);
        gpsSprite_.save(bitmap_, OutlineBounds(outline));
        if (gpsSprite_.kept()) {
            Canvas canvas(bitmap_);
            DrawGpsArrow(canvas, outline);
        }
        arrowAt_ = at;
    }
}

void TrackingView::moveGpsSprite() {
    if (dirty_ || bitmap_.empty()) return requestRedraw();
    const ViewProjection p = projection();
    const Point at = p.toScreen(gps_);
    gpsSprite_.restore(bitmap_);
    if (arrowAt_ && !(*arrowAt_ == at)) {
        // The line behind the arrow: the recent track between full repaints.
        Canvas canvas(bitmap_);
        canvas.setPen({kTrailColour, TourPainter::LineWidth(scale_, s())});
        canvas.line(arrowAt_->x, arrowAt_->y, at.x, at.y);
    }
    const auto outline = arrowOutline(at);
    gpsSprite_.save(bitmap_, OutlineBounds(outline));
    if (gpsSprite_.kept()) {
        Canvas canvas(bitmap_);
        DrawGpsArrow(canvas, outline);
    }
    arrowAt_ = at;
    ++spriteMoves_;
    invalidate();
}

}  // namespace trek
