#include "app/InputGate.h"

#include "app/Trace.h"
#include "platform/gui/GuiMessages.h"
#include "platform/gui/Window.h"

namespace trek {

namespace {

// Keyboard and mouse message ranges.
constexpr uint32_t kKeyLast = 0x0109;
constexpr uint32_t kMouseLast = 0x020E;

bool IsKey(uint32_t message) { return message == platform::WM_KEYDOWN || message == platform::WM_KEYUP; }

bool IsTouch(uint32_t message) {
    switch (message) {
        case platform::WM_MOUSEMOVE:
        case platform::WM_LBUTTONDOWN:
        case platform::WM_LBUTTONUP:
        case platform::WM_HSCROLL:
        case platform::WM_VSCROLL:
            return true;
        default:
            return false;
    }
}

bool IsInput(uint32_t message) {
    return (message >= platform::WM_KEYDOWN && message <= kKeyLast) ||
           (message >= platform::WM_MOUSEMOVE && message <= kMouseLast) ||
           message == platform::WM_HSCROLL || message == platform::WM_VSCROLL || message == platform::WM_COMMAND;
}

}  // namespace

void InputGate::wake() {
    host_.backlight().wokenByInput = true;
    host_.setBacklightLevel(static_cast<int>(host_.flags().normalLevel()));
    ShellTrace("backlight %d woken", host_.backlight().level);
}

void InputGate::inspect(const platform::Message& m, const platform::Window* target) {
    // Wake-up: keys always; touch unless the lock holds the screen dark.
    bool touch = IsTouch(m.message);
    if (IsKey(m.message) || (touch && !(locked() && !host_.atNormalLevel()))) {
        if (host_.atDimLevel()) wake();
    }
    // The unlock gesture.
    if (m.message != platform::WM_LBUTTONDOWN || !locked() || !host_.atDimLevel() || !target) return;
    platform::Rect client = target->clientRect();
    platform::Point p{platform::XFromLParam(m.lParam), platform::YFromLParam(m.lParam)};
    int corner = kCornerSize * host_.scale();
    bool nearBottom = p.y >= client.bottom - corner;
    if (nearBottom && p.x < client.left + corner) {
        armed_ = true;
        if (platform::Window* main = host_.mainWindow()) main->setTimer(TIMER_UNLOCK, kUnlockMs);
        ShellTrace("unlock armed");
    } else if (nearBottom && p.x >= client.right - corner && armed_) {
        armed_ = false;
        if (platform::Window* main = host_.mainWindow()) main->killTimer(TIMER_UNLOCK);
        wake();
    }
}

bool InputGate::admits(const platform::Message& m) const {
    if (!locked()) return true;
    if (!host_.atDimLevel()) return true;
    if (m.message >= platform::WM_USER || m.message == platform::WM_TIMER || m.message == platform::WM_PAINT) return true;
    // Only input is held back: a handed-over file, a card change or a close
    // request that arrive while the screen is locked must not be lost.
    return !IsInput(m.message);
}

}  // namespace trek
