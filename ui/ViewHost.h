#pragma once
// The process-wide screen and view manager: the view table, the current view
// layout (commands 40003..40008), the panes' rectangles, the display scale,
// the flag words, the backlight state and the screen centre. Everything here
// belongs to the UI thread.
//
// Views are created by the main window (see ui/ViewFactory.h) and registered
// here; the host owns none of them. Views call back into the host for the
// display scale, the flag words and the current tracking view.
#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/gui/Geometry.h"
#include "settings/FlagWords.h"
#include "ui/View.h"

namespace trek {

namespace platform {
class Window;
class Dialog;
}

// Timers of the main window.
enum : uint32_t {
    TIMER_TICK = 1,        // 500 ms: watchdog, no-fix refresh
    TIMER_DIM = 102,       // backlight timeout
    TIMER_UNLOCK = 105,    // 700 ms window of the unlock gesture
    TIMER_DIM_HOLD = 106,  // 1000 ms: "Dim" button held
    TIMER_LONGKEY = 107,   // 600 ms: the held key counts as long
    TIMER_SOUND_FIRST = 200,
    TIMER_SOUND_LAST = 210,
};

// View layout commands; the index (command - 40003) is stored in cfg4 bits 27..29.
enum : uint32_t {
    ID_LAYOUT_TRACKING = 40003,
    ID_LAYOUT_PROFILE = 40004,
    ID_LAYOUT_ROADBOOK = 40005,
    ID_LAYOUT_GEOCACHING = 40006,
    ID_LAYOUT_SATELLITES = 40007,
    ID_LAYOUT_NMEA = 40008,
};

class ViewHost {
public:
    static constexpr int kMaxViews = 10;
    static constexpr int kLayoutCount = 6;
    static constexpr int kInfoRowHeight = 18;  // per enabled info row, x scale
    static constexpr int kMenuBarHeight = 26;  // x scale
    static constexpr int kCentreSquare = 32;   // x scale
    static constexpr int kBacklightMax = 6;

    struct Entry {
        View* view = nullptr;
        bool visible = false;
    };

    struct Backlight {
        int level = kBacklightMax;   // 0..6
        bool wokenByInput = false;
        bool swallowNextKey = false;
        int lcdCapability = -1;      // from the device profile; -1 = no control
    };

    // The process-wide host, created on first use on the flag words of
    // Settings::instance(). destroyInstance() is the last step of shutdown.
    static ViewHost& instance();
    static void destroyInstance();

    // A host on the given flag words (tests; the process-wide one uses the settings').
    explicit ViewHost(FlagWords& flags);
    ViewHost(const ViewHost&) = delete;
    ViewHost& operator=(const ViewHost&) = delete;

    // ---- flag words (cfg1, cfg4..cfg8, cfg10..cfg15) ----
    FlagWords& flags() { return *flags_; }
    const FlagWords& flags() const { return *flags_; }

    // ---- windows ----
    void setMainWindow(platform::Window* main) { main_ = main; }
    platform::Window* mainWindow() const { return main_; }
    void setPaneWindow(Pane pane, platform::Window* window);
    platform::Window* paneWindow(Pane pane) const { return panes_[static_cast<int>(pane)]; }
    void setMenuBar(platform::Window* menuBar) { menuBar_ = menuBar; }
    platform::Window* menuBar() const { return menuBar_; }
    bool fullScreen() const { return fullScreen_; }
    void setFullScreen(bool on) { fullScreen_ = on; }

    // ---- display scale ----
    // 1 up to 120 dots per inch, 2 above; every pixel constant is multiplied by it.
    int scale() const { return dpi_ > 120 ? 2 : 1; }
    int dpi() const { return dpi_; }
    void setDpi(int dpi) { dpi_ = dpi > 0 ? dpi : 96; }

    // ---- screen centre ----
    // Recomputed on every settings change from the main window's client area.
    void recomputeScreenCentre(const platform::Rect& client);
    platform::Point screenCentre() const { return centre_; }
    platform::Rect centreSquare() const { return centreSquare_; }  // 32 x scale, centred

    // ---- view table ----
    // Calls the view's show(), clears every earlier entry's visible flag and
    // marks the new one visible. False when the table is full.
    bool registerView(View* view);
    void clearViews();
    const std::vector<Entry>& entries() const { return table_; }
    View* view(ViewKind kind) const;
    bool isVisible(ViewKind kind) const;
    bool isVisible(const View* view) const;
    // Every visible view gets activate(kActivateRefresh).
    void reactivateVisibleViews();
    // Paints every visible view that lives in the given window.
    void paintViewsOf(platform::Window* window, platform::Canvas& canvas);
    // The visible view of a pane (the one that receives its input), or null.
    View* shownViewOf(platform::Window* window) const;

    // ---- tracking views ----
    TrackingViewBase* trackingView(Pane pane) const;  // A or B
    TrackingViewBase* currentTrackingView() const;
    Pane currentTrackingPane() const { return currentTracking_; }

    // ---- layouts ----
    // Client area of the main window, split into the info strip and the panes.
    // Recomputed from the flag words (info rows, split) on every call.
    void layoutPanes(const platform::Rect& client);
    platform::Rect infoStripRect() const { return infoRect_; }
    platform::Rect paneRect(Pane pane) const;
    bool split() const { return flags_->hSplit() || flags_->vSplit(); }
    // Applies the split setting: in a split, pane B's tracking view is shown
    // beside pane A's (when layout 0 is current) and becomes current; without
    // a split pane A's is current and pane B's hidden.
    void applySplit();

    uint32_t layoutCommand() const { return layoutCommand_; }
    int layoutIndex() const { return static_cast<int>(layoutCommand_ - ID_LAYOUT_TRACKING); }
    // Shows the view(s) of a layout command (40003..40008; others are
    // ignored, false) and stores its index in cfg4. fromMenu: the geocaching
    // layout also switches destination guidance on.
    bool chooseLayout(uint32_t command, bool fromMenu);
    // The stored start layout (cfg4 bits 27..29); index 0 also shows the
    // current tracking view.
    void applyStartLayout();
    // Shows one view: hides the other views of its pane, brings the pane to
    // the top, then show(), layout(), activate(1).
    void showView(View* view);

    // Told with true when layout 5 (NMEA) is chosen and false for any other;
    // the shell switches the receiver's raw capture with it.
    void setRawCaptureHook(std::function<void(bool)> hook) { rawCaptureHook_ = std::move(hook); }

    // ---- windows that close themselves ----
    // A window (the manager lists, the map loader, the settings pages) that
    // wants to be closed asks here; the message loop destroys it after the
    // message being handled, never from inside its own procedure.
    void requestDeferredClose(platform::Window* window);
    std::vector<platform::Window*> takeDeferredCloses();
    // The modeless dialog that sees messages before they are dispatched (one at a time; null: none).
    void setModelessDialog(platform::Dialog* dialog) { modeless_ = dialog; }
    platform::Dialog* modelessDialog() const { return modeless_; }

    // ---- backlight state (the hardware side is the device profile's) ----
    const Backlight& backlight() const { return backlight_; }
    Backlight& backlight() { return backlight_; }
    bool canControlBacklight() const;
    bool atDimLevel() const { return backlight_.level == static_cast<int>(flags_->dimLevel()); }
    bool atNormalLevel() const { return backlight_.level == static_cast<int>(flags_->normalLevel()); }
    // Without control: clears automatic dimming and input lock, nothing else.
    // Dim level: the next key is swallowed. Normal level with automatic
    // dimming: TIMER_DIM (re)starts on the main window.
    void setBacklightLevel(int level);
    // Where the level goes to the hardware (the device profile's backlight).
    void setBacklightSink(std::function<void(int)> sink) { backlightSink_ = std::move(sink); }

private:
    View* find(ViewKind kind) const;
    void showTrackingForSplit();

    FlagWords* flags_;
    platform::Window* main_ = nullptr;
    std::array<platform::Window*, 3> panes_{};
    platform::Window* menuBar_ = nullptr;
    bool fullScreen_ = false;
    int dpi_ = 96;
    platform::Point centre_;
    platform::Rect centreSquare_;
    std::vector<Entry> table_;
    uint32_t layoutCommand_ = ID_LAYOUT_TRACKING;
    Pane currentTracking_ = Pane::A;
    platform::Rect client_;
    platform::Rect infoRect_;
    platform::Rect paneRects_[2];
    Backlight backlight_;
    std::function<void(bool)> rawCaptureHook_;
    std::function<void(int)> backlightSink_;
    std::vector<platform::Window*> deferredCloses_;
    platform::Dialog* modeless_ = nullptr;
};

}  // namespace trek
