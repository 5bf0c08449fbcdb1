#include "platform/core/MessageLoop.h"

namespace trek::platform {

using Clock = std::chrono::steady_clock;

MessageLoop::MessageLoop() : owner_(std::this_thread::get_id()), start_(Clock::now()) {}
MessageLoop::~MessageLoop() = default;

MessageLoop& MessageLoop::main() {
    static MessageLoop loop;
    return loop;
}

uint32_t MessageLoop::now() const {
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start_).count());
}

bool MessageLoop::post(WindowId window, uint32_t message, uint64_t wParam, int64_t lParam,
                       std::shared_ptr<const void> payload) {
    Message m;
    m.window = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.payload = std::move(payload);
    return post(std::move(m));
}

bool MessageLoop::post(Message m) {
    {
        std::lock_guard lock(mutex_);
        if (quit_) return false;
        m.time = now();
        queue_.push_back(std::move(m));
    }
    wake_.notify_one();
    return true;
}

int64_t MessageLoop::send(WindowId window, uint32_t message, uint64_t wParam, int64_t lParam,
                          std::shared_ptr<const void> payload) {
    Message m;
    m.window = window;
    m.message = message;
    m.wParam = wParam;
    m.lParam = lParam;
    m.payload = std::move(payload);
    m.time = now();
    return dispatch(m);
}

void MessageLoop::setHandler(WindowId window, Handler handler) {
    std::lock_guard lock(mutex_);
    handlers_[window] = std::move(handler);
}

void MessageLoop::removeHandler(WindowId window) {
    std::lock_guard lock(mutex_);
    handlers_.erase(window);
}

void MessageLoop::setFallbackHandler(Handler handler) {
    std::lock_guard lock(mutex_);
    fallback_ = std::move(handler);
}

void MessageLoop::setTimer(WindowId window, uint32_t id, uint32_t periodMs) {
    {
        std::lock_guard lock(mutex_);
        if (periodMs == 0) periodMs = 1;
        timers_[{window, id}] = Timer{periodMs, Clock::now() + std::chrono::milliseconds(periodMs)};
    }
    wake_.notify_one();
}

void MessageLoop::killTimer(WindowId window, uint32_t id) {
    std::lock_guard lock(mutex_);
    timers_.erase({window, id});
}

void MessageLoop::killTimers(WindowId window) {
    std::lock_guard lock(mutex_);
    for (auto it = timers_.begin(); it != timers_.end();)
        it = it->first.first == window ? timers_.erase(it) : std::next(it);
}

Clock::time_point MessageLoop::nextDueLocked() const {
    auto next = Clock::time_point::max();
    for (auto& [key, t] : timers_) next = std::min(next, t.due);
    return next;
}

// Timer messages come after posted messages, as on the platform: a timer never
// starves the queue, and a late timer fires once, not once per missed period.
bool MessageLoop::fireDueTimerLocked(Message& out, bool remove) {
    auto now = Clock::now();
    for (auto& [key, t] : timers_) {
        if (t.due > now) continue;
        out = Message{};
        out.window = key.first;
        out.message = WM_TIMER;
        out.wParam = key.second;
        out.time = this->now();
        if (remove) t.due = now + std::chrono::milliseconds(t.periodMs);
        return true;
    }
    return false;
}

bool MessageLoop::takeLocked(Message& out, bool remove) {
    if (!queue_.empty()) {
        out = queue_.front();
        if (remove) queue_.pop_front();
        return true;
    }
    if (quit_) {
        out = Message{};
        out.message = WM_QUIT;
        out.wParam = static_cast<uint64_t>(exitCode_);
        return true;
    }
    return fireDueTimerLocked(out, remove);
}

bool MessageLoop::get(Message& out) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (takeLocked(out, true)) return out.message != WM_QUIT;
        auto due = nextDueLocked();
        if (due == Clock::time_point::max())
            wake_.wait(lock);
        else
            wake_.wait_until(lock, due);
    }
}

bool MessageLoop::getFor(Message& out, uint32_t timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::unique_lock lock(mutex_);
    for (;;) {
        if (takeLocked(out, true)) return out.message != WM_QUIT;
        auto now = Clock::now();
        if (now >= deadline) {
            out = Message{};
            return false;
        }
        wake_.wait_until(lock, std::min(deadline, nextDueLocked()));
    }
}

bool MessageLoop::peek(Message& out, bool remove) {
    std::lock_guard lock(mutex_);
    if (takeLocked(out, remove)) return true;
    out = Message{};
    return false;
}

int64_t MessageLoop::dispatch(const Message& m) {
    Handler handler;
    {
        std::lock_guard lock(mutex_);
        auto it = handlers_.find(m.window);
        if (it != handlers_.end())
            handler = it->second;
        else
            handler = fallback_;
    }
    return handler ? handler(m) : 0;
}

void MessageLoop::quit(int exitCode) {
    {
        std::lock_guard lock(mutex_);
        if (quit_) return;
        quit_ = true;
        exitCode_ = exitCode;
    }
    wake_.notify_all();
}

bool MessageLoop::quitting() const {
    std::lock_guard lock(mutex_);
    return quit_;
}

int MessageLoop::run() {
    Message m;
    while (get(m)) dispatch(m);
    std::lock_guard lock(mutex_);
    // Messages left in the queue after WM_QUIT are dropped, as on the platform.
    queue_.clear();
    return exitCode_;
}

void MessageLoop::bindToCurrentThread() { owner_ = std::this_thread::get_id(); }

size_t MessageLoop::pending() const {
    std::lock_guard lock(mutex_);
    return queue_.size();
}

}  // namespace trek::platform
