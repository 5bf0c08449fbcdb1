#pragma once
// What the window system needs of a display: a size and resolution, input
// delivered on request, and a place to show the back buffer. The SDL backend
// shows a real window; the headless backend has no display at all.
#include <string>

#include "platform/core/Bitmap.h"
#include "platform/gui/Geometry.h"

namespace trek::platform {

class WindowSystem;

enum class Cursor { Arrow, Wait };

class Backend {
public:
    virtual ~Backend() = default;
    virtual bool headless() const = 0;
    virtual Size size() const = 0;
    virtual int dpi() const = 0;
    // Hands pending input to the window system (mouseDown(), key(), resize()...).
    virtual void pump(WindowSystem& system) = 0;
    // Input arrives only through pump(): the loop must not sleep long.
    virtual bool needsPolling() const = 0;
    virtual void present(const Bitmap& backBuffer) = 0;
    virtual void setCursor(Cursor cursor) = 0;
    virtual Cursor cursor() const = 0;
    virtual void setTitle(const std::string& title) = 0;
    virtual void raise() {}
    // What the display shows now (for screenshots); false when it cannot tell.
    virtual bool readBack(Bitmap& out) = 0;
};

}  // namespace trek::platform
