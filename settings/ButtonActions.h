#pragma once
// Numbered button actions: what a hardware key, the mouse wheel or the
// navigation wheel does, by the action number of the device profile. The
// operations belong to the views, which sit above this library; the views
// host implements ButtonActionTarget and registers it at start. Until then
// (and for numbers without an action) nothing happens.
#include <cstdint>

namespace trek {

class ButtonActionTarget {
public:
    virtual ~ButtonActionTarget() = default;
    // Zoom step in the current tracking view and the visible profile view.
    virtual void zoomStep(int delta) = 0;
    // Pans the tracking view by (dx, dy); dx > 0 pages the profile view right,
    // dx < 0 left.
    virtual void pan(int dx, int dy) = 0;
    virtual void toggleFullScreen() = 0;
    virtual void openSettings() = 0;
    // Layout 0 tracking, 1 profile, 2 roadbook.
    virtual void showLayout(int index) = 0;
    virtual void toggleManagerList() = 0;
    // Cancels a pending long press, toggles full screen, and opens the menu
    // (Alt+T) when the menu bar is shown afterwards.
    virtual void fullScreenMenuKey() = 0;
    virtual void sendTab() = 0;
    virtual void nextLayout() = 0;
    virtual void toggleFollowGps() = 0;
    // Adds a POI at the current position while a tour is being recorded.
    virtual void addPoiHere() = 0;
};

void RegisterButtonActionTarget(ButtonActionTarget* target);  // nullptr unregisters
// Runs action `action`; false when the number has no action.
bool DoButtonAction(int action);
// The pan step of actions 3..6 and 35..46 (starts at 2).
int PanStep();
void SetPanStep(int step);

}  // namespace trek
