#pragma once
// A window: a rectangle of the screen's back buffer with a message handler.
// Top-level windows (the main window, the menu bar, popups, dialogs) are
// placed in screen coordinates; a child's rectangle is relative to its parent.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/core/MessageLoop.h"
#include "platform/gui/Canvas.h"
#include "platform/gui/Geometry.h"

namespace trek::platform {

class Window;
class WindowSystem;

// The window procedure; DefaultWindowProc handles what a procedure leaves alone.
using WindowProc = std::function<int64_t(Window&, const Message&)>;

struct WindowDesc {
    std::string className;
    std::string title;
    Window* parent = nullptr;
    int controlId = 0;
    Rect rect;
    bool visible = true;
    std::optional<uint32_t> background;  // COLORREF the layer erases with before WM_PAINT
    bool topmost = false;                // top-level only: stays above ordinary windows
};

class Window {
public:
    Window(WindowSystem& system, WindowId id, const WindowDesc& desc);

    WindowId id() const { return id_; }
    WindowSystem& system() const { return system_; }
    const std::string& className() const { return className_; }
    const std::string& title() const { return title_; }
    void setTitle(const std::string& title);
    Window* parent() const { return parent_; }
    Window* topLevel();
    int controlId() const { return controlId_; }
    bool topmost() const { return topmost_; }

    Rect rect() const { return rect_; }  // in the parent's client coordinates (screen for top-level)
    Rect clientRect() const { return {0, 0, rect_.width(), rect_.height()}; }
    Rect screenRect() const;
    // The part of the screen the window may draw on (clipped by its ancestors).
    Rect visibleScreenRect() const;
    Point toScreen(Point p) const;
    Point fromScreen(Point p) const;

    bool visible() const { return visible_; }
    bool isShown() const;  // visible with all ancestors
    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled);
    bool destroyed() const { return destroyed_; }

    const std::vector<Window*>& children() const { return children_; }  // bottom first
    Window* child(int controlId) const;
    bool isAncestorOf(const Window* other) const;

    std::optional<uint32_t> background() const { return background_; }
    void setBackground(std::optional<uint32_t> colorref) { background_ = colorref; }

    void setProc(WindowProc proc) { proc_ = std::move(proc); }
    const WindowProc& proc() const { return proc_; }

    // Shortcuts to the window system.
    void show(bool visible);
    void move(const Rect& rect);
    void invalidate();
    void bringToTop();
    int64_t send(uint32_t message, uint64_t wParam = 0, int64_t lParam = 0, std::shared_ptr<const void> payload = {});
    bool post(uint32_t message, uint64_t wParam = 0, int64_t lParam = 0, std::shared_ptr<const void> payload = {});
    void setTimer(uint32_t id, uint32_t periodMs);
    void killTimer(uint32_t id);
    // A canvas on the window's part of the back buffer (origin = client top-left).
    Canvas canvas();

    // Free slot for the owner of the window (a control or dialog object).
    void* userData = nullptr;

private:
    friend class WindowSystem;
    WindowSystem& system_;
    WindowId id_;
    std::string className_;
    std::string title_;
    Window* parent_;
    int controlId_;
    Rect rect_;
    bool visible_;
    bool enabled_ = true;
    bool topmost_;
    bool destroyed_ = false;
    bool invalid_ = false;
    std::optional<uint32_t> background_;
    std::vector<Window*> children_;
    WindowProc proc_;
};

}  // namespace trek::platform
