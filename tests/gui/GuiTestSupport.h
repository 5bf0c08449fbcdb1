#pragma once
// A headless window system on a private message loop, and pixel helpers.
#include <memory>
#include <string>
#include <vector>

#include "platform/core/MessageLoop.h"
#include "platform/gui/WindowSystem.h"
#include "platform/gui/headless/HeadlessBackend.h"

namespace trek::platform::testing {

struct Headless {
    explicit Headless(Size size = {320, 480}, int dpi = 96)
        : system(loop, std::make_unique<HeadlessBackend>(size, dpi)) {}

    // Handles everything pending (paints included) without waiting.
    void pump() {
        Message m;
        for (int guard = 0; guard < 10000 && system.peekMessage(m); ++guard) {
            if (m.message == WM_QUIT) break;
            system.translateMessage(m);
            system.dispatch(m);
        }
    }

    MessageLoop loop;
    WindowSystem system;
};

// Records the messages a window receives (numbers only, in order).
struct Recorder {
    std::vector<Message> messages;
    WindowProc proc() {
        return [this](Window& w, const Message& m) {
            messages.push_back(m);
            return DefaultWindowProc(w, m);
        };
    }
    int count(uint32_t message) const {
        int n = 0;
        for (const auto& m : messages) n += m.message == message;
        return n;
    }
    const Message* last(uint32_t message) const {
        for (auto it = messages.rbegin(); it != messages.rend(); ++it)
            if (it->message == message) return &*it;
        return nullptr;
    }
};

// Bounding box of the pixels that differ from background (RGB), empty when none.
inline Rect InkBox(const Bitmap& b, uint32_t backgroundPixel, Rect within = {}) {
    if (within.empty()) within = {0, 0, b.width(), b.height()};
    Rect box;
    bool any = false;
    for (int y = within.top; y < within.bottom; ++y)
        for (int x = within.left; x < within.right; ++x) {
            if ((b.pixel(x, y) & 0xFFFFFF) == (backgroundPixel & 0xFFFFFF)) continue;
            if (!any) box = {x, y, x + 1, y + 1};
            box = box.unite({x, y, x + 1, y + 1});
            any = true;
        }
    return any ? box : Rect{};
}

inline uint32_t Rgb24(const Bitmap& b, int x, int y) { return b.pixel(x, y) & 0xFFFFFF; }

}  // namespace trek::platform::testing
