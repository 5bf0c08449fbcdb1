#include "platform/gui/Window.h"

#include "platform/gui/WindowSystem.h"

namespace trek::platform {

Window::Window(WindowSystem& system, WindowId id, const WindowDesc& desc)
    : system_(system),
      id_(id),
      className_(desc.className),
      title_(desc.title),
      parent_(desc.parent),
      controlId_(desc.controlId),
      rect_(desc.rect),
      visible_(desc.visible),
      topmost_(desc.topmost && !desc.parent),
      background_(desc.background) {}

void Window::setTitle(const std::string& title) {
    title_ = title;
    if (this == system_.mainWindow()) system_.backend().setTitle(title);
    invalidate();
}

Window* Window::topLevel() {
    Window* w = this;
    while (w->parent_) w = w->parent_;
    return w;
}

Rect Window::screenRect() const {
    Rect r = rect_;
    for (const Window* p = parent_; p; p = p->parent_) r = r.offset(p->rect_.left, p->rect_.top);
    return r;
}

Rect Window::visibleScreenRect() const {
    Rect r = screenRect();
    for (const Window* p = parent_; p; p = p->parent_) r = r.intersect(p->screenRect());
    return r.intersect(system_.screenRect());
}

Point Window::toScreen(Point p) const {
    Rect s = screenRect();
    return {p.x + s.left, p.y + s.top};
}

Point Window::fromScreen(Point p) const {
    Rect s = screenRect();
    return {p.x - s.left, p.y - s.top};
}

bool Window::isShown() const {
    for (const Window* w = this; w; w = w->parent_)
        if (!w->visible_ || w->destroyed_) return false;
    return true;
}

void Window::setEnabled(bool enabled) { system_.setEnabled(this, enabled); }

Window* Window::child(int id) const {
    for (Window* c : children_)
        if (c->controlId_ == id) return c;
    return nullptr;
}

bool Window::isAncestorOf(const Window* other) const {
    for (const Window* w = other ? other->parent_ : nullptr; w; w = w->parent_)
        if (w == this) return true;
    return false;
}

void Window::show(bool visible) { system_.show(this, visible); }
void Window::move(const Rect& rect) { system_.move(this, rect); }
void Window::invalidate() { system_.invalidate(this); }
void Window::bringToTop() { system_.bringToTop(this); }

int64_t Window::send(uint32_t message, uint64_t wParam, int64_t lParam, std::shared_ptr<const void> payload) {
    return system_.loop().send(id_, message, wParam, lParam, std::move(payload));
}

bool Window::post(uint32_t message, uint64_t wParam, int64_t lParam, std::shared_ptr<const void> payload) {
    return system_.loop().post(id_, message, wParam, lParam, std::move(payload));
}

void Window::setTimer(uint32_t id, uint32_t periodMs) { system_.loop().setTimer(id_, id, periodMs); }
void Window::killTimer(uint32_t id) { system_.loop().killTimer(id_, id); }

Canvas Window::canvas() {
    system_.markDirty();
    return Canvas(system_.backBuffer(), screenRect(), visibleScreenRect());
}

}  // namespace trek::platform
