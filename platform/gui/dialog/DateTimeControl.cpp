#include "platform/gui/dialog/DateTimeControl.h"

#include <algorithm>
#include <cstdio>

#include "platform/gui/VirtualKeys.h"
#include "platform/gui/WindowSystem.h"

namespace trek::platform {

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

namespace {

bool ValidDate(const DateTime& v) {
    return v.year >= 1601 && v.year <= 9999 && v.month >= 1 && v.month <= 12 && v.day >= 1 &&
           v.day <= DaysInMonth(v.year, v.month);
}

bool ValidTime(const DateTime& v) {
    return v.hour >= 0 && v.hour < 24 && v.minute >= 0 && v.minute < 60 && v.second >= 0 && v.second < 60;
}

}  // namespace

DateTimeControl::DateTimeControl(Dialog& dialog, Window& window, const ControlTemplate& t)
    : Control(dialog, window, t), time_(t.kind == ControlKind::TimeField) {
    setText(t.text);
}

std::string DateTimeControl::text() const {
    char buf[32];
    if (time_)
        std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", value_.hour, value_.minute, value_.second);
    else
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", value_.year, value_.month, value_.day);
    return buf;
}

void DateTimeControl::setText(const std::string& text) {
    DateTime v = value_;
    char rest = 0;
    bool ok = time_ ? std::sscanf(text.c_str(), "%d:%d:%d%c", &v.hour, &v.minute, &v.second, &rest) == 3
                    : std::sscanf(text.c_str(), "%d-%d-%d%c", &v.year, &v.month, &v.day, &rest) == 3;
    if (ok) setValue(v);
}

bool DateTimeControl::setValue(const DateTime& v) {
    if (time_ ? !ValidTime(v) : !ValidDate(v)) return false;
    value_ = v;
    invalidate();
    return true;
}

void DateTimeControl::step(int part, int delta) {
    auto wrap = [](int v, int lo, int hi) { return lo + ((v - lo) % (hi - lo + 1) + (hi - lo + 1)) % (hi - lo + 1); };
    DateTime v = value_;
    if (time_) {
        int* fields[] = {&v.hour, &v.minute, &v.second};
        int limits[] = {23, 59, 59};
        *fields[part] = wrap(*fields[part] + delta, 0, limits[part]);
    } else {
        if (part == 0) v.year = std::clamp(v.year + delta, 1601, 9999);
        if (part == 1) v.month = wrap(v.month + delta, 1, 12);
        if (part == 2) v.day = wrap(v.day + delta, 1, DaysInMonth(v.year, v.month));
        v.day = std::min(v.day, DaysInMonth(v.year, v.month));  // 31 March -> 30 April
    }
    part_ = part;
    if (v == value_) return;
    value_ = v;
    invalidate();
    NotifyHeader n;
    n.code = DTN_DATETIMECHANGE;
    notify(n);
}

Rect DateTimeControl::partRect(int part) const {
    // Parts share the width in proportion to their digits (4-2-2 for dates, 2-2-2 for times).
    Rect r = window_.clientRect().inflate(-4 * s(), 0);
    int weights[3] = {time_ ? 2 : 4, 2, 2};
    int total = weights[0] + weights[1] + weights[2];
    int left = r.left;
    for (int i = 0; i < part; ++i) left += r.width() * weights[i] / total;
    return {left, r.top, left + r.width() * weights[part] / total, r.bottom};
}

void DateTimeControl::paint(Canvas& c) {
    Rect r = window_.clientRect();
    bool focused = window_.system().focus() == &window_;
    c.setPen(Pen{focused ? kit::kHighlight : kit::kBorder, focused ? 2 * s() : 1});
    c.setBrush(Brush{enabled() ? kit::kWhite : kit::kFace});
    c.rectangle(r);
    std::string t = text();
    std::string parts[3] = {time_ ? t.substr(0, 2) : t.substr(0, 4), time_ ? t.substr(3, 2) : t.substr(5, 2),
                            time_ ? t.substr(6, 2) : t.substr(8, 2)};
    const char* separator = time_ ? ":" : "-";
    for (int i = 0; i < 3; ++i) {
        Rect p = partRect(i);
        if (focused && i == part_) c.fillRect(p.inflate(-2 * s(), -3 * s()), kit::kHighlight);
        c.setTextColor(focused && i == part_ ? kit::kWhite : enabled() ? kit::kText : kit::kGrey);
        c.drawText(parts[i], p, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        // Small arrows say that the upper half counts up and the lower half down.
        int cx = (p.left + p.right) / 2;
        c.setPen(Pen{kit::kGrey, 1, PenStyle::Null});
        c.setBrush(Brush{kit::kGrey});
        Point up[] = {{cx - 3 * s(), p.top + 6 * s()}, {cx + 3 * s(), p.top + 6 * s()}, {cx, p.top + 3 * s()}};
        Point down[] = {{cx - 3 * s(), p.bottom - 6 * s()}, {cx + 3 * s(), p.bottom - 6 * s()}, {cx, p.bottom - 3 * s()}};
        c.polygon(up);
        c.polygon(down);
        if (i < 2) {
            c.setTextColor(enabled() ? kit::kText : kit::kGrey);
            c.drawText(separator, Rect{p.right - 4 * s(), p.top, p.right + 4 * s(), p.bottom}, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        }
    }
}

void DateTimeControl::mouseUp(Point p) {
    for (int i = 0; i < 3; ++i) {
        Rect r = partRect(i);
        if (!r.contains(p)) continue;
        step(i, p.y < (r.top + r.bottom) / 2 ? 1 : -1);
        return;
    }
}

void DateTimeControl::keyDown(uint32_t vk) {
    switch (vk) {
        case VK_UP: step(part_, 1); break;
        case VK_DOWN: step(part_, -1); break;
        case VK_LEFT: part_ = std::max(0, part_ - 1), invalidate(); break;
        case VK_RIGHT: part_ = std::min(2, part_ + 1), invalidate(); break;
        default: break;
    }
}

}  // namespace trek::platform
