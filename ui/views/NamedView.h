#pragma once
// Stand-ins for views whose drawing comes later: they take part in layouts,
// show and hide like any view and paint their name on the pane's background.
// The tracking stand-in keeps the map position it was given, so that the
// position saved at exit is the one loaded at start.
#include <string>

#include "ui/View.h"

namespace trek {

class NamedView : public View {
public:
    NamedView(ViewKind kind, platform::Window* window, std::string name)
        : View(kind, window), name_(std::move(name)) {}
    std::string name() const override { return name_; }

private:
    std::string name_;
};

class NamedTrackingView : public TrackingViewBase {
public:
    NamedTrackingView(ViewKind kind, platform::Window* window, std::string name)
        : TrackingViewBase(kind, window), name_(std::move(name)) {}
    std::string name() const override { return name_; }

    MapPosition mapPosition() const override { return position_; }
    std::string selectedMap() const override { return map_; }
    void restoreMapPosition(const MapPosition& position, std::string_view selectedMap) override {
        position_ = position;
        map_ = std::string(selectedMap);
    }
    void markForRedraw() override { invalidate(); }
    void scrollBy(int dx, int dy) override {
        (void)dx;
        (void)dy;
    }
    bool following() const override { return following_; }
    void setFollowing(bool on) override { following_ = on; }

private:
    std::string name_;
    MapPosition position_;
    std::string map_;
    bool following_ = true;
};

}  // namespace trek
