#include "platform/gui/dialog/ButtonControls.h"

#include "platform/gui/VirtualKeys.h"
#include "platform/gui/WindowSystem.h"
#include "platform/gui/dialog/Dialog.h"

namespace trek::platform {

void ButtonControl::click() {
    if (!enabled()) return;
    clicked();
    invalidate();
}

void ButtonControl::paint(Canvas& c) {
    Rect r = window_.clientRect();
    bool focused = window_.system().focus() == &window_;
    bool isDefault = style_ & BS_DEFPUSHBUTTON;
    c.setPen(Pen{focused || isDefault ? kit::kHighlight : kit::kBorder, (focused || isDefault ? 2 : 1) * s()});
    c.setBrush(Brush{pressed_ ? kit::kHighlight : kit::kFace});
    c.roundRect(r, 4 * s());
    if (pressed_) c.setTextColor(kit::kWhite);
    c.drawText(text_, r.inflate(-4 * s(), 0), DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void ButtonControl::mouseDown(Point) {
    pressed_ = true;
    window_.system().setCapture(&window_);
    invalidate();
}

void ButtonControl::mouseMove(Point p, bool down) {
    if (!down || window_.system().capture() != &window_) return;
    bool inside = window_.clientRect().contains(p);
    if (inside != pressed_) {
        pressed_ = inside;
        invalidate();
    }
}

void ButtonControl::mouseUp(Point p) {
    if (window_.system().capture() != &window_) return;
    bool inside = window_.clientRect().contains(p);
    pressed_ = false;
    window_.system().releaseCapture();
    invalidate();
    if (inside) clicked();
}

void ButtonControl::keyDown(uint32_t vk) {
    if (vk == VK_SPACE) click();
}

void CheckBoxControl::setChecked(bool checked) {
    if (checked_ == checked) return;
    checked_ = checked;
    invalidate();
}

void CheckBoxControl::clicked() {
    setChecked(!checked_);
    notify(BN_CLICKED);
}

void CheckBoxControl::drawMark(Canvas& c, const Rect& box) {
    c.setPen(Pen{kit::kBorder, 1});
    c.setBrush(Brush{enabled() ? kit::kWhite : kit::kFace});
    c.rectangle(box);
    if (!checked_) return;
    int u = box.width();
    c.setPen(Pen{enabled() ? kit::kText : kit::kGrey, std::max(2, u / 8)});
    Point tick[] = {{box.left + u / 5, box.top + u / 2},
                    {box.left + u * 2 / 5, box.top + u * 3 / 4},
                    {box.left + u * 4 / 5, box.top + u / 4}};
    c.polyline(tick);
}

void CheckBoxControl::paint(Canvas& c) {
    Rect r = window_.clientRect();
    int box = 20 * s();
    Rect boxRect = Rect::fromSize(2 * s(), (r.height() - box) / 2, box, box);
    drawMark(c, boxRect);
    if (window_.system().focus() == &window_) c.frameRect(r, kit::kHighlight, 1);
    c.drawText(text_, Rect{boxRect.right + 6 * s(), 0, r.right, r.bottom},
               DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
}

void RadioControl::setChecked(bool checked) {
    CheckBoxControl::setChecked(checked);
    if (checked) dialog_.radioChecked(this, group_);
}

void RadioControl::clicked() {
    setChecked(true);
    notify(BN_CLICKED);
}

void RadioControl::drawMark(Canvas& c, const Rect& box) {
    c.setPen(Pen{kit::kBorder, 1});
    c.setBrush(Brush{enabled() ? kit::kWhite : kit::kFace});
    c.ellipse(box);
    if (!checked_) return;
    c.setPen(Pen{0, 1, PenStyle::Null});
    c.setBrush(Brush{enabled() ? kit::kText : kit::kGrey});
    c.ellipse(box.inflate(-box.width() / 4, -box.height() / 4));
}

}  // namespace trek::platform
