#include "platform/gui/dialog/Control.h"

#include "platform/gui/WindowSystem.h"
#include "platform/gui/dialog/Dialog.h"

namespace trek::platform {

Control::Control(Dialog& dialog, Window& window, const ControlTemplate& t)
    : dialog_(dialog), window_(window), id_(t.id), style_(t.style), text_(t.text) {}

void Control::setText(const std::string& text) {
    text_ = text;
    invalidate();
}

int Control::s() const { return window_.system().scale(); }

void Control::notify(uint32_t code) {
    dialog_.window().send(WM_COMMAND, MakeWParam(static_cast<uint32_t>(id_), code), window_.id());
}

int64_t Control::notify(NotifyHeader& header) {
    header.fromWindow = window_.id();
    header.controlId = id_;
    return dialog_.window().send(WM_NOTIFY, static_cast<uint64_t>(id_), ToLParam(&header));
}

void Control::drawFrame(Canvas& c, const Rect& r, uint32_t fill) const {
    c.setPen(Pen{kit::kBorder, 1});
    c.setBrush(Brush{fill});
    c.rectangle(r);
}

int64_t Control::handle(const Message& m) {
    Point p{XFromLParam(m.lParam), YFromLParam(m.lParam)};
    switch (m.message) {
        case WM_PAINT: {
            Canvas c = window_.canvas();
            c.setFont(font());
            c.setBackgroundMode(BackgroundMode::Transparent);
            c.setTextColor(enabled() ? kit::kText : kit::kGrey);
            paint(c);
            return 0;
        }
        case WM_LBUTTONDOWN:
            if (takesFocus()) window_.system().setFocus(&window_);
            mouseDown(p);
            return 0;
        case WM_MOUSEMOVE: mouseMove(p, m.wParam & MK_LBUTTON); return 0;
        case WM_LBUTTONUP: mouseUp(p); return 0;
        case WM_KEYDOWN: keyDown(static_cast<uint32_t>(m.wParam)); return 0;
        case WM_CHAR: charInput(static_cast<char32_t>(m.wParam)); return 0;
        case WM_MOUSEWHEEL: wheel(WheelDelta(m.wParam)); return 0;
        case WM_SETFOCUS: focusChanged(true); return 0;
        case WM_KILLFOCUS: focusChanged(false); return 0;
        case WM_CAPTURECHANGED:
            if (pressed_) {
                pressed_ = false;
                invalidate();
            }
            return 0;
        default: return 0;
    }
}

}  // namespace trek::platform
