#pragma once
// A progress bar, and a scroll bar that reports to the dialog with
// WM_VSCROLL / WM_HSCROLL (wParam = MAKEWPARAM(code, position), lParam = the
// scroll bar's window id) and, as on the platform, moves only when told to.
#include "platform/gui/dialog/Control.h"

namespace trek::platform {

class ProgressBarControl : public Control {
public:
    ProgressBarControl(Dialog& dialog, Window& window, const ControlTemplate& t) : Control(dialog, window, t) {}
    ControlKind kind() const override { return ControlKind::ProgressBar; }
    void setRange(int low, int high);
    void setPos(int pos);
    int pos() const { return pos_; }
    int low() const { return low_; }
    int high() const { return high_; }

protected:
    void paint(Canvas& c) override;

private:
    int low_ = 0, high_ = 100, pos_ = 0;
};

class ScrollBarControl : public Control {
public:
    ScrollBarControl(Dialog& dialog, Window& window, const ControlTemplate& t) : Control(dialog, window, t) {}
    ControlKind kind() const override { return ControlKind::ScrollBar; }
    bool vertical() const { return style_ & SBS_VERT; }
    void setRange(int low, int high);
    void setPage(int page);
    void setPos(int pos);
    int pos() const { return pos_; }
    int page() const { return page_; }
    // Where a finger would press: arrows, track beside the thumb, thumb (client coordinates).
    Rect lineUpRect() const;
    Rect lineDownRect() const;
    Rect thumbRect() const;

protected:
    void paint(Canvas& c) override;
    void mouseDown(Point p) override;
    void mouseMove(Point p, bool down) override;
    void mouseUp(Point p) override;

private:
    void report(uint32_t code, int position);
    int along(Point p) const { return vertical() ? p.y : p.x; }
    int arrowSize() const;
    int positionAt(int pixel) const;

    int low_ = 0, high_ = 100, page_ = 10, pos_ = 0;
    bool dragging_ = false;
    int grab_ = 0;  // finger offset inside the thumb
    int trackPos_ = 0;
};

}  // namespace trek::platform
