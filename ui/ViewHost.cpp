#include "ui/ViewHost.h"

#include <memory>

#include "platform/gui/Window.h"
#include "settings/Settings.h"

namespace trek {

namespace {

std::unique_ptr<ViewHost>& Instance() {
    static std::unique_ptr<ViewHost> host;
    return host;
}

// Which view a layout index shows (the tracking entry means "the current one").
constexpr ViewKind kLayoutViews[ViewHost::kLayoutCount] = {
    ViewKind::TrackingA, ViewKind::Profile, ViewKind::Roadbook,
    ViewKind::GeoCaching, ViewKind::Satellites, ViewKind::Nmea,
};

constexpr int kSplitPercentA = 40;  // pane A's share of a split

}  // namespace

ViewHost& ViewHost::instance() {
    auto& host = Instance();
    if (!host) host = std::make_unique<ViewHost>(Settings::instance().flags);
    return *host;
}

void ViewHost::destroyInstance() { Instance().reset(); }

ViewHost::ViewHost(FlagWords& flags) : flags_(&flags) {}

void ViewHost::setPaneWindow(Pane pane, platform::Window* window) { panes_[static_cast<int>(pane)] = window; }

// ---- screen centre -----------------------------------------------------------

void ViewHost::recomputeScreenCentre(const platform::Rect& client) {
    centre_ = {client.left + client.width() / 2, client.top + client.height() / 2};
    int half = kCentreSquare * scale() / 2;
    centreSquare_ = {centre_.x - half, centre_.y - half, centre_.x + half, centre_.y + half};
}

// ---- view table --------------------------------------------------------------

bool ViewHost::registerView(View* view) {
    if (!view || static_cast<int>(table_.size()) >= kMaxViews) return false;
    view->show();
    for (Entry& e : table_) {
        if (e.visible) e.view->hide();
        e.visible = false;
    }
    table_.push_back({view, true});
    return true;
}

void ViewHost::clearViews() {
    table_.clear();
    currentTracking_ = Pane::A;
}

View* ViewHost::find(ViewKind kind) const {
    for (const Entry& e : table_)
        if (e.view->kind() == kind) return e.view;
    return nullptr;
}

View* ViewHost::view(ViewKind kind) const { return find(kind); }

bool ViewHost::isVisible(ViewKind kind) const {
    for (const Entry& e : table_)
        if (e.view->kind() == kind) return e.visible;
    return false;
}

bool ViewHost::isVisible(const View* view) const {
    for (const Entry& e : table_)
        if (e.view == view) return e.visible;
    return false;
}

void ViewHost::reactivateVisibleViews() {
    for (const Entry& e : table_)
        if (e.visible) e.view->activate(kActivateRefresh);
}

void ViewHost::paintViewsOf(platform::Window* window, platform::Canvas& canvas) {
    for (const Entry& e : table_)
        if (e.visible && e.view->window() == window) e.view->paint(canvas);
}

View* ViewHost::shownViewOf(platform::Window* window) const {
    // The last shown view of a window is on top when two share it.
    View* shown = nullptr;
    for (const Entry& e : table_)
        if (e.visible && e.view->window() == window) shown = e.view;
    return shown;
}

// ---- tracking views ----------------------------------------------------------

TrackingViewBase* ViewHost::trackingView(Pane pane) const {
    if (pane == Pane::InfoStrip) return nullptr;
    return dynamic_cast<TrackingViewBase*>(find(pane == Pane::B ? ViewKind::TrackingB : ViewKind::TrackingA));
}

TrackingViewBase* ViewHost::currentTrackingView() const { return trackingView(currentTracking_); }

// ---- layout ------------------------------------------------------------------

platform::Rect ViewHost::paneRect(Pane pane) const {
    if (pane == Pane::InfoStrip) return infoRect_;
    return paneRects_[pane == Pane::B ? 1 : 0];
}

void ViewHost::layoutPanes(const platform::Rect& client) {
    client_ = client;
    int rows = static_cast<int>(flags_->topRow()) + static_cast<int>(flags_->bottomRow());
    int stripHeight = rows * kInfoRowHeight * scale();
    infoRect_ = {client.left, client.top, client.right, client.top + stripHeight};
    platform::Rect rest{client.left, client.top + stripHeight, client.right, client.bottom};

    platform::Rect a = rest, b = rest;
    if (flags_->hSplit()) {
        int h = rest.height() * kSplitPercentA / 100;
        a.bottom = rest.top + h;
        b.top = a.bottom;
    } else if (flags_->vSplit()) {
        int w = rest.width() * kSplitPercentA / 100;
        a.right = rest.left + w;
        b.left = a.right;
    }
    paneRects_[0] = a;
    paneRects_[1] = b;

    if (platform::Window* strip = paneWindow(Pane::InfoStrip)) {
        strip->move(infoRect_);
        strip->show(rows > 0);
    }
    if (View* info = find(ViewKind::SmallInfo)) {
        // The strip's one view follows the strip: shown with any info row.
        for (Entry& e : table_)
            if (e.view == info) e.visible = rows > 0;
        if (rows > 0) info->show(); else info->hide();
        info->setRect({0, 0, infoRect_.width(), infoRect_.height()});
    }
    for (Pane pane : {Pane::A, Pane::B}) {
        platform::Rect r = paneRect(pane);
        if (platform::Window* w = paneWindow(pane)) w->move(r);
        for (const Entry& e : table_)
            if (e.view->kind() != ViewKind::SmallInfo && e.view->pane() == pane)
                e.view->setRect({0, 0, r.width(), r.height()});
    }
    if (platform::Window* b = paneWindow(Pane::B)) b->show(split());
}

void ViewHost::applySplit() {
    if (split()) {
        currentTracking_ = Pane::B;
        if (layoutIndex() == 0) showTrackingForSplit();
    } else {
        currentTracking_ = Pane::A;
        if (View* b = find(ViewKind::TrackingB)) {
            for (Entry& e : table_)
                if (e.view == b) e.visible = false;
            b->hide();
        }
        if (layoutIndex() == 0)
            if (View* a = find(ViewKind::TrackingA)) showView(a);
    }
    if (!client_.empty()) layoutPanes(client_);
}

void ViewHost::showTrackingForSplit() {
    if (View* a = find(ViewKind::TrackingA)) showView(a);
    if (View* b = find(ViewKind::TrackingB)) showView(b);
}

void ViewHost::showView(View* view) {
    if (!view) return;
    for (Entry& e : table_) {
        if (e.view == view || e.view->pane() != view->pane()) continue;
        if (e.visible) e.view->hide();
        e.visible = false;
    }
    if (platform::Window* w = view->window()) w->bringToTop();
    bool known = false;
    for (Entry& e : table_)
        if (e.view == view) e.visible = known = true;
    if (!known) return;
    view->show();
    view->layout();
    view->activate(kActivateShown);
    view->invalidate();
}

bool ViewHost::chooseLayout(uint32_t command, bool fromMenu) {
    if (command < ID_LAYOUT_TRACKING || command > ID_LAYOUT_NMEA) return false;
    int index = static_cast<int>(command - ID_LAYOUT_TRACKING);
    if (layoutIndex() == 0 && index != 0 && split()) {
        currentTracking_ = Pane::A;
        if (View* a = find(ViewKind::TrackingA)) a->invalidate();
    }
    layoutCommand_ = command;
    flags_->set_viewLayout(static_cast<uint32_t>(index));
    if (index == 0) {
        if (split()) {
            currentTracking_ = Pane::B;
            showTrackingForSplit();
        } else {
            currentTracking_ = Pane::A;
            showView(find(ViewKind::TrackingA));
        }
    } else {
        if (index == 3 && fromMenu) flags_->set_destGuidance(1);
        showView(find(kLayoutViews[index]));
    }
    if (rawCaptureHook_) rawCaptureHook_(index == 5);
    return true;
}

void ViewHost::applyStartLayout() {
    uint32_t index = flags_->viewLayout();
    if (index >= static_cast<uint32_t>(kLayoutCount)) index = 0;
    chooseLayout(ID_LAYOUT_TRACKING + index, false);
}

// ---- deferred closing -------------------------------------------------------

void ViewHost::requestDeferredClose(platform::Window* window) {
    if (!window) return;
    for (platform::Window* w : deferredCloses_)
        if (w == window) return;
    deferredCloses_.push_back(window);
}

std::vector<platform::Window*> ViewHost::takeDeferredCloses() {
    std::vector<platform::Window*> out;
    out.swap(deferredCloses_);
    return out;
}

// ---- backlight ---------------------------------------------------------------

bool ViewHost::canControlBacklight() const {
    return backlight_.lcdCapability != -1 && flags_->backlightControl();
}

void ViewHost::setBacklightLevel(int level) {
    if (!canControlBacklight()) {
        flags_->set_autoDim(0);
        flags_->set_dispLock(0);
        return;
    }
    if (level < 0) level = 0;
    if (level > kBacklightMax) level = kBacklightMax;
    backlight_.level = level;
    if (backlightSink_) backlightSink_(level);
    if (atDimLevel()) backlight_.swallowNextKey = true;
    if (atNormalLevel() && flags_->autoDim() && main_) {
        uint32_t seconds = flags_->dimTimeout();
        if (seconds > 0) main_->setTimer(TIMER_DIM, seconds * 1000);
    }
}

}  // namespace trek
