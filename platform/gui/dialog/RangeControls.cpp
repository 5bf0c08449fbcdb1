#include "platform/gui/dialog/RangeControls.h"

#include <algorithm>

#include "platform/gui/WindowSystem.h"
#include "platform/gui/dialog/Dialog.h"

namespace trek::platform {

void ProgressBarControl::setRange(int low, int high) {
    low_ = low;
    high_ = std::max(low + 1, high);
    pos_ = std::clamp(pos_, low_, high_);
    invalidate();
}

void ProgressBarControl::setPos(int pos) {
    pos_ = std::clamp(pos, low_, high_);
    invalidate();
}

void ProgressBarControl::paint(Canvas& c) {
    Rect r = window_.clientRect();
    drawFrame(c, r, kit::kWhite);
    Rect inner = r.inflate(-2 * s(), -2 * s());
    int filled = static_cast<int>(static_cast<int64_t>(inner.width()) * (pos_ - low_) / (high_ - low_));
    c.fillRect({inner.left, inner.top, inner.left + filled, inner.bottom}, kit::kHighlight);
}

void ScrollBarControl::setRange(int low, int high) {
    low_ = low;
    high_ = std::max(low, high);
    pos_ = std::clamp(pos_, low_, std::max(low_, high_ - page_ + 1));
    invalidate();
}

void ScrollBarControl::setPage(int page) {
    page_ = std::max(0, page);
    setPos(pos_);
}

void ScrollBarControl::setPos(int pos) {
    pos_ = std::clamp(pos, low_, std::max(low_, high_ - std::max(page_, 1) + 1));
    invalidate();
}

int ScrollBarControl::arrowSize() const {
    Rect r = window_.clientRect();
    int thickness = vertical() ? r.width() : r.height();
    int length = vertical() ? r.height() : r.width();
    return std::min(thickness, length / 3);
}

Rect ScrollBarControl::lineUpRect() const {
    Rect r = window_.clientRect();
    return vertical() ? Rect{0, 0, r.right, arrowSize()} : Rect{0, 0, arrowSize(), r.bottom};
}

Rect ScrollBarControl::lineDownRect() const {
    Rect r = window_.clientRect();
    return vertical() ? Rect{0, r.bottom - arrowSize(), r.right, r.bottom} : Rect{r.right - arrowSize(), 0, r.right, r.bottom};
}

Rect ScrollBarControl::thumbRect() const {
    Rect r = window_.clientRect();
    int track = (vertical() ? r.height() : r.width()) - 2 * arrowSize();
    int span = std::max(1, high_ - low_ + 1);
    int size = std::clamp(page_ > 0 ? track * page_ / span : track / 10, std::min(track, 20 * s()), track);
    int range = std::max(1, span - std::max(page_, 1));
    int offset = arrowSize() + static_cast<int>(static_cast<int64_t>(track - size) * (pos_ - low_) / range);
    return vertical() ? Rect{0, offset, r.right, offset + size} : Rect{offset, 0, offset + size, r.bottom};
}

int ScrollBarControl::positionAt(int pixel) const {
    Rect r = window_.clientRect();
    Rect thumb = thumbRect();
    int size = vertical() ? thumb.height() : thumb.width();
    int track = (vertical() ? r.height() : r.width()) - 2 * arrowSize() - size;
    int span = std::max(1, high_ - low_ + 1 - std::max(page_, 1));
    if (track <= 0) return low_;
    return std::clamp(low_ + static_cast<int>(static_cast<int64_t>(pixel - arrowSize()) * span / track), low_, low_ + span);
}

void ScrollBarControl::paint(Canvas& c) {
    Rect r = window_.clientRect();
    c.fillRect(r, kit::kFace);
    c.setPen(Pen{kit::kBorder, 1});
    c.setBrush(Brush{kit::kWhite});
    for (Rect a : {lineUpRect(), lineDownRect()}) {
        c.rectangle(a);
        int cx = (a.left + a.right) / 2, cy = (a.top + a.bottom) / 2, u = 5 * s();
        bool first = a == lineUpRect();
        c.setBrush(Brush{enabled() ? kit::kText : kit::kGrey});
        if (vertical()) {
            Point tri[] = {{cx - u, first ? cy + u / 2 : cy - u / 2}, {cx + u, first ? cy + u / 2 : cy - u / 2},
                           {cx, first ? cy - u / 2 : cy + u / 2}};
            c.polygon(tri);
        } else {
            Point tri[] = {{first ? cx + u / 2 : cx - u / 2, cy - u}, {first ? cx + u / 2 : cx - u / 2, cy + u},
                           {first ? cx - u / 2 : cx + u / 2, cy}};
            c.polygon(tri);
        }
        c.setBrush(Brush{kit::kWhite});
    }
    c.setBrush(Brush{dragging_ ? kit::kHighlight : kit::kBorder});
    c.setPen(Pen{kit::kBorder, 1});
    c.rectangle(thumbRect().inflate(vertical() ? -2 * s() : 0, vertical() ? 0 : -2 * s()));
}

void ScrollBarControl::report(uint32_t code, int position) {
    uint32_t message = vertical() ? WM_VSCROLL : WM_HSCROLL;
    dialog_.window().send(message, MakeWParam(code, static_cast<uint32_t>(position)), window_.id());
}

void ScrollBarControl::mouseDown(Point p) {
    window_.system().setCapture(&window_);
    Rect thumb = thumbRect();
    if (lineUpRect().contains(p)) return report(SB_LINEUP, pos_);
    if (lineDownRect().contains(p)) return report(SB_LINEDOWN, pos_);
    if (thumb.contains(p)) {
        dragging_ = true;
        grab_ = along(p) - (vertical() ? thumb.top : thumb.left);
        trackPos_ = pos_;
        invalidate();
        return;
    }
    report(along(p) < (vertical() ? thumb.top : thumb.left) ? SB_PAGEUP : SB_PAGEDOWN, pos_);
}

void ScrollBarControl::mouseMove(Point p, bool down) {
    if (!dragging_ || !down) return;
    int position = positionAt(along(p) - grab_);
    if (position == trackPos_) return;
    trackPos_ = position;
    report(SB_THUMBTRACK, position);
}

void ScrollBarControl::mouseUp(Point) {
    if (window_.system().capture() == &window_) window_.system().releaseCapture();
    if (dragging_) {
        dragging_ = false;
        report(SB_THUMBPOSITION, trackPos_);
        invalidate();
    }
    report(SB_ENDSCROLL, pos_);
}

}  // namespace trek::platform
