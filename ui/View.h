#pragma once
// The base of every view: a drawing of its own inside a window of the main
// window (pane A, pane B or the info strip). Several views share a pane; the
// view host shows one of them at a time and hides the others "virtually": a
// hidden view stays attached to its pane but neither paints nor reacts.
//
// Operations the shell calls, in the order it calls them when a view is
// chosen: show(), layout(), activate(1). A change of the screen geometry, the
// catalogue or the settings re-activates every visible view with activate(0).
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/core/MessageLoop.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Geometry.h"
#include "settings/Settings.h"

namespace trek {

namespace platform {
class Window;
}
struct GpsFix;

// The eight views of the program, in the order they are created.
enum class ViewKind {
    SmallInfo,   // in the info strip
    Nmea,        // raw receiver data
    Profile,     // elevation / speed profile of a tour
    TrackingA,   // moving map of pane A
    TrackingB,   // moving map of pane B (split layouts)
    GeoCaching,  // compass to the destination
    Satellites,
    Roadbook,    // roadbook-style guidance
};

// Which window a view lives in.
enum class Pane { A, B, InfoStrip };

// Reasons passed to activate().
enum : int {
    kActivateRefresh = 0,  // re-activate: geometry, catalogue or settings changed
    kActivateShown = 1,    // the view was just chosen by a layout
};

class View {
public:
    View(ViewKind kind, platform::Window* window);
    virtual ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    ViewKind kind() const { return kind_; }
    // The pane or strip the view draws in (may be null in tests without windows).
    platform::Window* window() const { return window_; }
    Pane pane() const;

    // Name query: the view's display name ("Tracking View", "Satellites", ...).
    virtual std::string name() const = 0;

    // The view becomes the one its pane shows. Derived views call the base.
    virtual void show();
    // Virtual hide: the view stops painting and reacting; its pane stays.
    virtual void hide();
    bool shown() const { return shown_; }

    // The view's rectangle in its window's client coordinates (the pane's
    // client area for pane views). Calls layout() when the size changed.
    virtual void setRect(const platform::Rect& rect);
    const platform::Rect& rect() const { return rect_; }
    // Recomputes what depends on the rectangle and the display scale.
    virtual void layout() {}
    // Re-reads settings and state; see kActivate*. Default: repaint.
    virtual void activate(int how);

    // Draws the whole view on a canvas of its window (origin = window client
    // top-left). The default fills the rectangle and writes name() in it, which
    // is all a view shows until its own drawing exists.
    virtual void paint(platform::Canvas& canvas);
    // Asks the window to repaint (no-op while hidden).
    void invalidate();

    // A new fix reached the main window (UM_POSITION); the fix is the
    // process-wide snapshot. Every view is told, shown or not, so that a
    // view is up to date when it is shown. Default: nothing.
    virtual void onPosition(const GpsFix& fix) { (void)fix; }
    // Satellite data (UM_SATELLITES) or raw receiver text (UM_RAW_DATA) changed.
    virtual void onSatellites(const GpsFix& fix) { (void)fix; }
    virtual void onRawData() {}
    // Input that reached the view's window while it is shown (mouse, keys,
    // scroll). Return true when handled; result is then the window's answer.
    virtual bool onMessage(const platform::Message& m, int64_t& result) {
        (void)m;
        (void)result;
        return false;
    }

protected:
    // Background of the default drawing: the panes' grey, white in the strip.
    uint32_t backgroundColour() const;

private:
    ViewKind kind_;
    platform::Window* window_;
    platform::Rect rect_;
    bool shown_ = false;
};

// What the shell needs of a moving-map view besides the View operations. The
// tracking view implements it; until then a placeholder keeps the stored map
// position so that nothing is lost across a restart.
class TrackingViewBase : public View {
public:
    using View::View;

    // Centre and scale for "latitude", "longitude", "scale", and the map
    // shown ("SelMap"), saved at shutdown.
    virtual MapPosition mapPosition() const = 0;
    virtual std::string selectedMap() const = 0;
    // The position and map saved last run, handed over once after creation.
    virtual void restoreMapPosition(const MapPosition& position, std::string_view selectedMap) = 0;
    // The fix was cleared (no receiver): redraw everything at the next paint.
    virtual void markForRedraw() = 0;
    // WM_VSCROLL: move the view by the scroll bar's position difference.
    virtual void scrollBy(int dx, int dy) = 0;
    // Follow the GPS position or not (command 40031, hardware keys).
    virtual bool following() const = 0;
    virtual void setFollowing(bool on) = 0;
    // Button actions: one zoom step (negative = in) and a pan in pixels.
    virtual void zoomStep(int delta) { (void)delta; }
    virtual void pan(int dx, int dy) { scrollBy(dx, dy); }
};

}  // namespace trek
