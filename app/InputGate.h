#pragma once
// The message loop's rules for input while the screen is dimmed: any input
// wakes it (keys always; touch and scrolling only without input lock), the
// locked screen opens with a tap near the bottom-left corner followed within
// 700 ms by a tap near the bottom-right corner, and while locked and dim only
// window-private messages, timers and painting get through.
#include "platform/core/MessageLoop.h"
#include "platform/gui/Geometry.h"
#include "ui/ViewHost.h"

namespace trek {

namespace platform {
class Window;
}

class InputGate {
public:
    static constexpr int kCornerSize = 56;   // x display scale
    static constexpr uint32_t kUnlockMs = 700;

    explicit InputGate(ViewHost& host) : host_(host) {}

    // Steps before dispatching: wake-up and the unlock gesture. target is the
    // window the message is for (taps are measured in its client area).
    void inspect(const platform::Message& m, const platform::Window* target);
    // Whether the message may be translated and dispatched.
    bool admits(const platform::Message& m) const;
    // TIMER_UNLOCK fired.
    void disarm() { armed_ = false; }
    bool armed() const { return armed_; }

private:
    void wake();
    bool locked() const { return host_.flags().dispLock() != 0; }

    ViewHost& host_;
    bool armed_ = false;
};

// Wheel turns add up until they reach a notch of 120 either way.
class WheelAccumulator {
public:
    // Returns +1 (a notch forward: button action 1), -1 (action 2) or 0.
    int add(int delta) {
        sum_ += delta;
        int step = sum_ >= 120 ? 1 : sum_ <= -120 ? -1 : 0;
        if (step) sum_ = 0;
        return step;
    }
    int sum() const { return sum_; }

private:
    int sum_ = 0;
};

}  // namespace trek
