#pragma once
// The moving map ("Tracking View"): shows the best map around the GPS
// position or around the point the user scrolled to, follows the position,
// switches maps as position and zoom change, and draws tours, POIs and the
// overlays into an off-screen bitmap that is copied to the pane in one go.
//
// Modes: free (the user scrolls), follow (the centre follows the GPS
// position), locked (follow with the most detailed map; any zoom returns to
// follow). The GPS arrow and the marked point are save-under sprites: a new
// position that needs no new map picture only moves the arrow, leaving a line
// behind it, so the recent track grows between full repaints.
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "geo/GeoUnits.h"
#include "platform/core/Bitmap.h"
#include "ui/View.h"
#include "ui/views/MapChoice.h"
#include "ui/views/MapOverlays.h"
#include "ui/views/ScaleList.h"
#include "ui/views/TourPainter.h"
#include "ui/views/ViewGeometry.h"

namespace trek {

class FlagWords;
class MapCatalogue;
class MapDescription;
class PoiSymbolLibrary;
class Tour;

class TrackingView : public TrackingViewBase {
public:
    // What the view reads from the rest of the program.
    struct Environment {
        FlagWords* flags = nullptr;
        MapCatalogue* catalogue = nullptr;
        PoiSymbolLibrary* symbols = nullptr;
        std::function<int()> displayScale;       // 1 or 2
        std::function<int()> dpi;
        std::function<bool()> activePane;        // this pane is the active one of a split
        std::function<bool()> split;             // the screen is split
    };

    // The overlays others set: route, marked points, destination, names,
    // calibration hint and list selector.
    struct Overlays {
        std::optional<GeoPoint> routeStart;
        std::optional<GeoPoint> routeDestination;
        std::optional<GeoPoint> markedPoint;      // last tapped point (red dot)
        std::optional<GeoPoint> markedArrow;      // red arrow (search results, ...)
        std::optional<GeoPoint> destination;      // guidance destination
        std::string destinationName;
        std::string tourName;                     // the selected tour, empty = none
        bool calibrating = false;
        int selectorEntry = 0;                    // 1-based; shown while selectorCount > 0
        int selectorCount = 0;
    };

    static constexpr const char* kName = "Tracking View";
    static constexpr const char* kCalibrationHint =
        "Ref.point: Tap and hold!\r\nWhen finished select\r\n'Tools-->Map Calibration'!";
    static constexpr int kDefaultArrowSize = 32;
    static constexpr uint32_t kBackground = 0xE8F0F4;   // map-less background
    static constexpr uint32_t kTrailColour = 0x0000FF;  // line behind the moving arrow

    // On the process-wide settings, catalogue and symbols.
    TrackingView(ViewKind kind, platform::Window* window);
    TrackingView(ViewKind kind, platform::Window* window, Environment environment);
    ~TrackingView() override;

    // ---- View ----
    std::string name() const override { return kName; }
    void layout() override;
    void activate(int how) override;
    void paint(platform::Canvas& canvas) override;
    void onPosition(const GpsFix& fix) override;
    bool onMessage(const platform::Message& m, int64_t& result) override;

    // ---- TrackingViewBase ----
    MapPosition mapPosition() const override;
    std::string selectedMap() const override;
    void restoreMapPosition(const MapPosition& position, std::string_view selectedMap) override;
    void markForRedraw() override { dirty_ = true; }
    void scrollBy(int dx, int dy) override { scroll(dx, dy); }
    bool following() const override { return mode_ != ViewMode::Free; }
    void setFollowing(bool on) override;
    // Button actions: zoom steps (negative = in) and a pan in pixels.
    void zoomStep(int delta) {
        for (int i = 0; i < std::abs(delta); ++i) zoom(delta < 0 ? -1 : 1);
    }
    void pan(int dx, int dy) { scroll(dx, dy); }

    // ---- operations ----
    // The view size without a window (tests, headless rendering).
    void setSize(int width, int height);
    // A new GPS position (and course in mrad): the follow algorithm.
    void updatePosition(GeoPoint position, int32_t courseMrad = 0);
    // One zoom step (-1 in, +1 out); false when the list ends there.
    bool zoom(int direction);
    // The slider: a zoom-list index.
    void zoomTo(size_t index);
    // Cursor step (|dx|, |dy| < 3: whole or half views) or a pan of 3 px per unit.
    void scroll(int dx, int dy);
    // A map chosen by command; requestedScale wins, else the map's own scale
    // unless keepScale. Null: back to the background.
    void selectMap(MapDescription* map, std::optional<int32_t> requestedScale = std::nullopt, bool keepScale = false);
    void setMode(ViewMode mode);
    // The pin setting keeps the current map against the automatic choice.
    void setPinned(bool on);
    bool pinned() const { return pinned_; }
    void setCentre(GeoPoint centre);
    void setScale(int32_t scale);
    // The view keeps the position centred while the map is loaded whole.
    void setKeepCentred(bool on) { keepCentred_ = on; }
    void setArrowSize(int size) { arrowSize_ = size; }

    // Tours drawn besides the catalogue's visible tours (the one being recorded).
    void setExtraTours(std::vector<Tour*> tours) { extraTours_ = std::move(tours); dirty_ = true; }
    TourMarks& tourMarks() { return marks_; }
    Overlays& overlays() { dirty_ = true; return overlays_; }
    // Moves the marked-point dot without a full repaint.
    void setMarkedPoint(std::optional<GeoPoint> point);

    // Redraws everything into the off-screen bitmap (when needed, or always with force).
    const platform::Bitmap& render(bool force = false);
    const platform::Bitmap& bitmap() const { return bitmap_; }

    // ---- state ----
    GeoPoint centre() const { return centre_; }
    GeoPoint gpsPosition() const { return gps_; }
    bool hasGpsPosition() const { return haveGps_; }
    int32_t scale() const { return scale_; }
    int32_t previousScale() const { return previousScale_; }
    ViewMode mode() const { return mode_; }
    MapDescription* currentMap() const { return current_; }
    const ScaleList& scales() const { return scales_; }
    int width() const { return width_; }
    int height() const { return height_; }
    ViewProjection projection() const;
    bool dirty() const { return dirty_; }
    int renderCount() const { return renderCount_; }
    int spriteMoves() const { return spriteMoves_; }
    ZoomButtons zoomButtons() const;

private:
    int s() const;
    int dpiValue() const;
    bool flag(uint32_t (FlagWords::*get)() const) const;
    MapChoiceInput choiceInput(GeoPoint reference) const;
    MapChoice runChoice(GeoPoint reference);
    void applyChoice(const MapChoice& choice);
    void makeCurrent(MapDescription* map);
    void requestRedraw();
    bool mapLoadedWhole() const;
    std::vector<Tour*> toursToDraw() const;

    void drawMap(platform::Canvas& canvas, const ViewProjection& p);
    void drawTilePlaceholders(platform::Canvas& canvas, const ViewProjection& p);
    void drawMapMarks(platform::Canvas& canvas, const ViewProjection& p);
    void drawTours(platform::Canvas& canvas, const ViewProjection& p);
    void drawOverlays(platform::Canvas& canvas, const ViewProjection& p);
    void drawNameLines(platform::Canvas& canvas);
    void drawSplitFrame(platform::Canvas& canvas);
    void placeSprites();
    void moveGpsSprite();
    std::array<platform::Point, 8> arrowOutline(platform::Point at) const;

    Environment env_;
    int width_ = 0, height_ = 0;
    GeoPoint centre_;
    GeoPoint lastDrawnCentre_;
    GeoPoint gps_;
    bool haveGps_ = false;
    int32_t course_ = 0;
    int32_t scale_ = ScaleList::kStartScale;
    int32_t previousScale_ = ScaleList::kStartScale;
    ViewMode mode_ = ViewMode::Follow;
    MapDescription* current_ = nullptr;
    bool pinned_ = false;
    const MapDescription* pinnedMap_ = nullptr;
    bool keepCentred_ = false;
    int arrowSize_ = kDefaultArrowSize;
    ScaleList scales_;
    std::vector<Tour*> extraTours_;
    TourMarks marks_;
    Overlays overlays_;

    platform::Bitmap bitmap_;
    bool dirty_ = true;
    int renderCount_ = 0;
    int spriteMoves_ = 0;
    SaveUnderSprite gpsSprite_;
    SaveUnderSprite dotSprite_;
    std::optional<platform::Point> arrowAt_;  // where the arrow was drawn last
    std::optional<platform::Point> dragFrom_;
    bool dragged_ = false;
};

}  // namespace trek
