#pragma once
// Date ("YYYY-MM-DD") and time ("HH:MM:SS") fields. A tap on the upper half of
// a part counts it up, on the lower half down; up/down keys change the
// focused part, left/right move between parts. Changes send WM_NOTIFY
// DTN_DATETIMECHANGE.
#include "platform/gui/dialog/Control.h"

namespace trek::platform {

struct DateTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    bool operator==(const DateTime&) const = default;
};

class DateTimeControl : public Control {
public:
    // The template text is the first value ("2026-12-09" or "12:30:00").
    DateTimeControl(Dialog& dialog, Window& window, const ControlTemplate& t);
    ControlKind kind() const override { return time_ ? ControlKind::TimeField : ControlKind::DateField; }
    bool takesFocus() const override { return true; }

    DateTime value() const { return value_; }
    // False (nothing changed) for an impossible date or time.
    bool setValue(const DateTime& v);
    std::string text() const override;
    void setText(const std::string& text) override;
    int part() const { return part_; }
    // Counts part (0..2, left to right) by delta, wrapping as a clock does; notifies.
    void step(int part, int delta);
    Rect partRect(int part) const;  // client coordinates

protected:
    void paint(Canvas& c) override;
    void mouseUp(Point p) override;
    void keyDown(uint32_t vk) override;

private:
    bool time_;
    DateTime value_;
    int part_ = 0;
};

int DaysInMonth(int year, int month);

}  // namespace trek::platform
