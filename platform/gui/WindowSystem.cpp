#include "platform/gui/WindowSystem.h"

#include <algorithm>
#include <cstdio>

#include "platform/gui/DisplayOptions.h"
#include "platform/gui/Script.h"
#include "platform/core/Text.h"
#include "platform/gui/VirtualKeys.h"

namespace trek::platform {

namespace {
constexpr uint32_t kDesktopColor = 0x000000;
}

int64_t DefaultWindowProc(Window& window, const Message& m) {
    if (m.message == WM_CLOSE) window.system().destroy(&window);
    return 0;
}

WindowSystem::WindowSystem(MessageLoop& loop, std::unique_ptr<Backend> backend)
    : loop_(loop), backend_(std::move(backend)) {
    Size s = backend_->size();
    backBuffer_.reset(std::max(1, s.width), std::max(1, s.height), 0xFF000000u);
}

WindowSystem::~WindowSystem() {
    // The owners of window procedures may be gone already: no WM_DESTROY now.
    tearingDown_ = true;
    while (!topLevel_.empty()) destroyTree(topLevel_.back());
    for (auto& [id, w] : windows_) loop_.removeHandler(id);
}

int WindowSystem::scale() const { return DisplayScale(backend_->dpi()); }

// ---- windows ---------------------------------------------------------------

Window* WindowSystem::create(const WindowDesc& desc, WindowProc proc) {
    WindowId id = nextId_++;
    auto owned = std::make_unique<Window>(*this, id, desc);
    Window* w = owned.get();
    w->proc_ = std::move(proc);
    windows_[id] = std::move(owned);
    if (w->parent_) {
        w->parent_->children_.push_back(w);
    } else {
        auto firstTopmost = std::find_if(topLevel_.begin(), topLevel_.end(), [](Window* t) { return t->topmost_; });
        topLevel_.insert(w->topmost_ ? topLevel_.end() : firstTopmost, w);
    }
    loop_.setHandler(id, [this, id](const Message& m) -> int64_t {
        Window* target = find(id);
        if (!target) return 0;
        return target->proc_ ? target->proc_(*target, m) : DefaultWindowProc(*target, m);
    });
    if (loop_.send(id, WM_CREATE) == -1) {
        destroy(w);
        return nullptr;
    }
    invalidate(w);
    return w;
}

Window* WindowSystem::find(WindowId id) const {
    auto it = windows_.find(id);
    return it == windows_.end() || it->second->destroyed_ ? nullptr : it->second.get();
}

Window* WindowSystem::findTopLevel(const std::string& className) const {
    for (Window* w : topLevel_)
        if (w->className_ == className) return w;
    return nullptr;
}

void WindowSystem::setMainWindow(Window* window) {
    main_ = window;
    if (window) backend_->setTitle(window->title());
}

void WindowSystem::detach(Window* w) {
    if (w->parent_) {
        auto& siblings = w->parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
    } else {
        topLevel_.erase(std::remove(topLevel_.begin(), topLevel_.end(), w), topLevel_.end());
    }
}

void WindowSystem::destroyTree(Window* w) {
    if (w->destroyed_) return;
    // The platform sends WM_DESTROY to the parent before its children.
    if (!tearingDown_) loop_.send(w->id_, WM_DESTROY);
    while (!w->children_.empty()) destroyTree(w->children_.back());
    w->destroyed_ = true;
    loop_.killTimers(w->id_);
    loop_.removeHandler(w->id_);
    if (capture_ == w) capture_ = nullptr;
    if (focus_ == w) focus_ = nullptr;
    detach(w);
    auto it = windows_.find(w->id_);
    if (it != windows_.end()) {
        graveyard_.push_back(std::move(it->second));  // freed once no handler can be running on it
        windows_.erase(it);
    }
}

void WindowSystem::destroy(Window* window) {
    if (!window || window->destroyed_) return;
    if (window == main_) writeExitScreenshot();
    if (window->isShown()) invalidateScreen(window->visibleScreenRect());
    destroyTree(window);
    if (window == main_) {
        main_ = nullptr;
        // Nothing is left to show: a program that forgot PostQuitMessage would hang headless.
        loop_.quit(0);
    }
}

void WindowSystem::collectGarbage() { graveyard_.clear(); }

void WindowSystem::show(Window* w, bool visible) {
    if (!w || w->visible_ == visible) return;
    if (!visible && w->isShown()) invalidateScreen(w->visibleScreenRect());
    w->visible_ = visible;
    if (!visible) {
        if (capture_ && (capture_ == w || w->isAncestorOf(capture_))) releaseCapture();
        if (focus_ && (focus_ == w || w->isAncestorOf(focus_))) setFocus(nullptr);
    }
    loop_.send(w->id_, WM_SHOWWINDOW, visible ? 1 : 0);
    if (visible) invalidate(w);
}

void WindowSystem::move(Window* w, const Rect& rect) {
    if (!w || w->rect_ == rect) return;
    bool resized = w->rect_.width() != rect.width() || w->rect_.height() != rect.height();
    if (w->isShown()) invalidateScreen(w->visibleScreenRect());
    w->rect_ = rect;
    if (resized) loop_.send(w->id_, WM_SIZE, 0, MakeLParam(rect.width(), rect.height()));
    loop_.send(w->id_, WM_MOVE, 0, MakeLParam(rect.left, rect.top));
    invalidate(w);
}

void WindowSystem::bringToTop(Window* w) {
    if (!w) return;
    if (w->parent_) {
        auto& siblings = w->parent_->children_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
        siblings.push_back(w);
    } else {
        detach(w);
        auto firstTopmost = std::find_if(topLevel_.begin(), topLevel_.end(), [](Window* t) { return t->topmost_; });
        topLevel_.insert(w->topmost_ ? topLevel_.end() : firstTopmost, w);
    }
    invalidate(w);
}

void WindowSystem::setEnabled(Window* w, bool enabled) {
    if (!w || w->enabled_ == enabled) return;
    w->enabled_ = enabled;
    if (!enabled && capture_ == w) releaseCapture();
    invalidate(w);
}

// ---- painting --------------------------------------------------------------

void WindowSystem::collectPaintOrder(Window* w, std::vector<Window*>& out) const {
    if (!w->visible_) return;
    out.push_back(w);
    for (Window* c : w->children_) collectPaintOrder(c, out);
}

std::vector<Window*> WindowSystem::paintOrder() const {
    std::vector<Window*> order;
    for (Window* t : topLevel_) collectPaintOrder(t, order);
    return order;
}

// A window repaints whole; whatever lies above it and overlaps repaints after it.
void WindowSystem::invalidate(Window* w) {
    if (!w || !w->isShown()) return;
    Rect area = w->visibleScreenRect();
    bool after = false;
    for (Window* o : paintOrder()) {
        if (o == w) {
            after = true;
            o->invalid_ = true;
        } else if (after && (w->isAncestorOf(o) || o->visibleScreenRect().intersects(area))) {
            o->invalid_ = true;
        }
    }
    dirty_ = true;
}

void WindowSystem::invalidateScreen(const Rect& rect) {
    Rect area = rect.intersect(screenRect());
    if (area.empty()) return;
    desktopDirty_ = desktopDirty_.unite(area);
    for (Window* o : paintOrder())
        if (o->visibleScreenRect().intersects(area)) o->invalid_ = true;
    dirty_ = true;
}

bool WindowSystem::hasInvalid() const {
    if (!desktopDirty_.empty()) return true;
    for (Window* o : paintOrder())
        if (o->invalid_) return true;
    return false;
}

void WindowSystem::erase(Window* w) {
    if (!w->background_) return;
    Canvas c(backBuffer_, w->screenRect(), w->visibleScreenRect());
    c.fillRect(w->clientRect(), *w->background_);
}

bool WindowSystem::nextPaint(Message& out) {
    if (!desktopDirty_.empty()) {
        Canvas c(backBuffer_);
        c.fillRect(desktopDirty_, kDesktopColor);
        desktopDirty_ = {};
    }
    for (Window* w : paintOrder()) {
        if (!w->invalid_) continue;
        w->invalid_ = false;
        erase(w);
        dirty_ = true;
        out = Message{};
        out.window = w->id_;
        out.message = WM_PAINT;
        out.time = loop_.now();
        return true;
    }
    return false;
}

void WindowSystem::present() {
    if (!dirty_) return;
    dirty_ = false;
    backend_->present(backBuffer_);
}

void WindowSystem::updateNow() {
    Message m;
    while (nextPaint(m)) dispatch(m);
    present();
}

// ---- capture, focus, routing ----------------------------------------------

Window* WindowSystem::setCapture(Window* w) {
    Window* previous = capture_;
    capture_ = w;
    if (previous && previous != w) loop_.send(previous->id_, WM_CAPTURECHANGED, 0, w ? w->id_ : 0);
    return previous;
}

void WindowSystem::releaseCapture() { setCapture(nullptr); }

Window* WindowSystem::setFocus(Window* w) {
    Window* previous = focus_;
    if (previous == w) return previous;
    focus_ = w;
    if (previous) loop_.send(previous->id_, WM_KILLFOCUS, w ? w->id_ : 0);
    if (w && focus_ == w) loop_.send(w->id_, WM_SETFOCUS, previous ? previous->id_ : 0);
    return previous;
}

Window* WindowSystem::deepestAt(Window* w, Point p) const {
    if (!w->visible_ || !w->screenRect().contains(p)) return nullptr;
    for (auto it = w->children_.rbegin(); it != w->children_.rend(); ++it)
        if (Window* hit = deepestAt(*it, p)) return hit;
    return w;
}

Window* WindowSystem::windowAt(Point p) const {
    Window* modal = modalWindow();
    for (auto it = topLevel_.rbegin(); it != topLevel_.rend(); ++it) {
        Window* hit = deepestAt(*it, p);
        if (!hit) continue;
        // While a modal window runs, only it and windows above it (its popups) take input.
        if (modal) {
            auto modalPos = std::find(topLevel_.begin(), topLevel_.end(), modal);
            auto hitPos = std::find(topLevel_.begin(), topLevel_.end(), hit->topLevel());
            if (hitPos < modalPos) return nullptr;
        }
        for (Window* a = hit; a; a = a->parent_)
            if (!a->enabled_) return nullptr;
        return hit;
    }
    return nullptr;
}

bool WindowSystem::keyDown(uint32_t vk) const { return keys_[vk & 0xFF] != 0; }

void WindowSystem::postMouse(Window* target, uint32_t message, Point screen, uint64_t keys) {
    if (!target) return;
    Point c = target->fromScreen(screen);
    if (liveKeys_[VK_SHIFT]) keys |= MK_SHIFT;
    if (liveKeys_[VK_CONTROL]) keys |= MK_CONTROL;
    loop_.post(target->id_, message, keys, MakeLParam(c.x, c.y));
}

void WindowSystem::mouseDown(Point p) {
    buttonDown_ = true;
    postMouse(capture_ ? capture_ : windowAt(p), WM_LBUTTONDOWN, p, MK_LBUTTON);
}

void WindowSystem::mouseMove(Point p) {
    postMouse(capture_ ? capture_ : windowAt(p), WM_MOUSEMOVE, p, buttonDown_ ? uint64_t{MK_LBUTTON} : 0);
}

void WindowSystem::mouseUp(Point p) {
    buttonDown_ = false;
    postMouse(capture_ ? capture_ : windowAt(p), WM_LBUTTONUP, p, 0);
}

Window* WindowSystem::keyTarget() const {
    if (focus_ && focus_->isShown()) return focus_;
    if (Window* modal = modalWindow()) return modal;
    return main_;
}

void WindowSystem::wheel(int delta) {
    if (Window* t = keyTarget()) loop_.post(t->id_, WM_MOUSEWHEEL, MakeWParam(0, static_cast<uint32_t>(delta)), 0);
}

void WindowSystem::key(uint32_t vk, bool down) {
    vk &= 0xFF;
    bool repeat = down && liveKeys_[vk];
    liveKeys_[vk] = down;
    Window* t = keyTarget();
    if (!t) return;
    bool alt = liveKeys_[VK_MENU] && vk != VK_MENU;
    uint32_t message = alt ? (down ? uint32_t{WM_SYSKEYDOWN} : uint32_t{WM_SYSKEYUP}) : (down ? uint32_t{WM_KEYDOWN} : uint32_t{WM_KEYUP});
    // lParam as the platform fills it: repeat count, context (Alt) bit 29, previous state 30, transition 31.
    int64_t lParam = 1 | (alt ? (1 << 29) : 0) | ((repeat || !down) ? (1 << 30) : 0) | (down ? 0 : (1u << 31));
    loop_.post(t->id_, message, vk, lParam);
}

void WindowSystem::text(const std::string& utf8) {
    Window* t = keyTarget();
    if (!t) return;
    for (size_t pos = 0; pos < utf8.size();) loop_.post(t->id_, WM_CHAR, NextCodePoint(utf8, pos), 1);
}

void WindowSystem::resize(Size size) {
    if (size.width <= 0 || size.height <= 0 || size == screenSize()) return;
    Bitmap fresh(size.width, size.height, 0xFF000000u);
    fresh.blit(backBuffer_, 0, 0);
    backBuffer_ = std::move(fresh);
    invalidateScreen(screenRect());
    for (Window* t : topLevel_) loop_.post(t->id_, WM_SETTINGCHANGE, SETTINGCHANGE_RESET, 0);
}

void WindowSystem::activate(bool active) {
    if (main_) loop_.post(main_->id_, WM_ACTIVATE, active ? uint64_t{WA_ACTIVE} : uint64_t{WA_INACTIVE}, 0);
}

// ---- the loop --------------------------------------------------------------

void WindowSystem::noteTaken(const Message& m) {
    if (m.message == WM_KEYDOWN || m.message == WM_SYSKEYDOWN) keys_[m.wParam & 0xFF] = 1;
    if (m.message == WM_KEYUP || m.message == WM_SYSKEYUP) keys_[m.wParam & 0xFF] = 0;
}

bool WindowSystem::scriptActive() const { return script_ && !script_->finished(); }

// Script commands run only when everything before them has been handled and
// painted, so that a screenshot shows the effect of the input before it.
bool WindowSystem::idleWork() {
    if (script_ && script_->step(*this, loop_.now())) return true;
    if (headless() && !scriptActive() && !modal_.empty()) {
        // Nobody is left to answer: a headless run never waits for a finger.
        const Modal& m = modal_.back();
        std::fprintf(stderr, "dialog \"%s\": script ended, taking the default button\n", m.caption.c_str());
        m.endWith(m.defaultAnswer);
        return true;
    }
    if (headless() && closeWhenIdle_ && !scriptActive() && modal_.empty() && !closeSent_) {
        closeSent_ = true;
        if (main_)
            loop_.post(main_->id_, WM_CLOSE);
        else
            loop_.quit(0);
        return true;
    }
    return false;
}

bool WindowSystem::getMessage(Message& out) {
    collectGarbage();
    for (;;) {
        if (!modal_.empty() && modal_.back().done()) {
            // A modal window just ended: let its loop see that before more input arrives.
            out = Message{};
            out.time = loop_.now();
            return true;
        }
        backend_->pump(*this);
        if (loop_.peek(out, true)) {
            if (out.message == WM_QUIT) {
                writeExitScreenshot();
                return false;
            }
            noteTaken(out);
            return true;
        }
        if (nextPaint(out)) return true;
        present();
        if (idleWork()) continue;
        uint32_t wait = 1000;
        if (script_ && !script_->finished()) wait = std::min(wait, script_->msUntilDue(loop_.now()));
        if (backend_->needsPolling()) wait = std::min<uint32_t>(wait, 8);
        if (loop_.getFor(out, wait)) {
            noteTaken(out);
            return true;
        }
        if (out.message == WM_QUIT) {
            writeExitScreenshot();
            return false;
        }
    }
}

bool WindowSystem::peekMessage(Message& out, bool remove) {
    backend_->pump(*this);
    if (loop_.peek(out, remove)) {
        if (remove) noteTaken(out);
        return true;
    }
    if (remove && nextPaint(out)) return true;
    return false;
}

void WindowSystem::translateMessage(const Message& m) {
    if (m.message != WM_KEYDOWN) return;
    static constexpr uint32_t kCharKeys[] = {VK_BACK, VK_TAB, VK_RETURN, VK_ESCAPE};
    for (uint32_t k : kCharKeys)
        if (m.wParam == k) loop_.post(m.window, WM_CHAR, k, m.lParam);
}

int WindowSystem::run(const std::function<bool(const Message&)>& filter) {
    Message m;
    while (getMessage(m)) {
        if (filter && filter(m)) continue;
        translateMessage(m);
        dispatch(m);
    }
    return static_cast<int>(m.wParam);
}

std::optional<int> WindowSystem::takePendingAnswer() {
    auto a = pendingAnswer_;
    pendingAnswer_.reset();
    return a;
}

bool WindowSystem::answerModal(int answer) {
    if (modal_.empty()) return false;
    modal_.back().endWith(answer);
    return true;
}

void WindowSystem::runModal(const Modal& modal) {
    modal_.push_back(modal);
    Message m;
    while (!modal.done()) {
        if (!getMessage(m)) {
            break;  // WM_QUIT stays set in the loop: the outer loop ends as well
        }
        if (modal.filter && modal.filter(m)) continue;
        translateMessage(m);
        dispatch(m);
    }
    modal_.pop_back();
}

// ---- scripts and screenshots ----------------------------------------------

bool WindowSystem::loadScript(const std::string& path, std::string* error) {
    auto player = std::make_unique<ScriptPlayer>();
    if (!player->load(path, error)) return false;
    script_ = std::move(player);
    return true;
}

void WindowSystem::setScript(std::vector<ScriptCommand> commands) {
    script_ = std::make_unique<ScriptPlayer>(std::move(commands));
}

bool WindowSystem::screenshot(const std::string& path, std::string* error) {
    updateNow();
    Bitmap shown;
    if (backend_->readBack(shown) && !shown.empty()) return shown.writePng(path, false, error);
    return backBuffer_.writePng(path, false, error);
}

void WindowSystem::writeExitScreenshot() {
    if (exitScreenshot_.empty() || exitScreenshotWritten_) return;
    exitScreenshotWritten_ = true;
    std::string error;
    if (!screenshot(exitScreenshot_, &error))
        std::fprintf(stderr, "screenshot %s failed: %s\n", exitScreenshot_.c_str(), error.c_str());
}

}  // namespace trek::platform
