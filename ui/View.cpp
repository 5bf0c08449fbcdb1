#include "ui/View.h"

#include <algorithm>

#include "platform/gui/Window.h"
#include "platform/gui/WindowSystem.h"
#include "ui/ViewHost.h"

namespace trek {

namespace {
constexpr uint32_t kPaneGrey = 0xE0E0E0;
constexpr uint32_t kStripWhite = 0xFFFFFF;
constexpr uint32_t kNameColour = 0x404040;
}  // namespace

View::View(ViewKind kind, platform::Window* window) : kind_(kind), window_(window) {}

View::~View() = default;

Pane View::pane() const {
    if (kind_ == ViewKind::SmallInfo) return Pane::InfoStrip;
    if (kind_ == ViewKind::TrackingB) return Pane::B;
    return Pane::A;
}

void View::show() { shown_ = true; }

void View::hide() { shown_ = false; }

void View::setRect(const platform::Rect& rect) {
    bool resized = rect.width() != rect_.width() || rect.height() != rect_.height();
    rect_ = rect;
    if (resized) layout();
}

void View::activate(int how) {
    (void)how;
    invalidate();
}

void View::invalidate() {
    if (shown_ && window_) window_->invalidate();
}

uint32_t View::backgroundColour() const { return pane() == Pane::InfoStrip ? kStripWhite : kPaneGrey; }

void View::paint(platform::Canvas& canvas) {
    canvas.fillRect(rect_, backgroundColour());
    platform::Font font;
    font.height = -13 * (window_ ? std::max(1, window_->system().scale()) : 1);
    canvas.setFont(font);
    canvas.setTextColor(kNameColour);
    canvas.setBackgroundMode(platform::BackgroundMode::Transparent);
    canvas.drawText(name(), rect_, platform::DT_CENTER | platform::DT_VCENTER | platform::DT_SINGLELINE);
}

}  // namespace trek
