#include "platform/core/Sync.h"

#include <chrono>
#include <map>

namespace trek::platform {

void Event::set() {
    {
        std::lock_guard lock(mutex_);
        set_ = true;
    }
    if (manualReset_)
        cv_.notify_all();
    else
        cv_.notify_one();
}

void Event::reset() {
    std::lock_guard lock(mutex_);
    set_ = false;
}

bool Event::isSet() const {
    std::lock_guard lock(mutex_);
    return set_;
}

bool Event::wait(uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    auto ready = [&] { return set_; };
    if (timeoutMs == kInfinite)
        cv_.wait(lock, ready);
    else if (!cv_.wait_for(lock, std::chrono::milliseconds(timeoutMs), ready))
        return false;
    if (!manualReset_) set_ = false;
    return true;
}

std::shared_ptr<Event> OpenNamedEvent(const std::string& name, bool manualReset) {
    static std::mutex mutex;
    static std::map<std::string, std::weak_ptr<Event>> events;
    std::lock_guard lock(mutex);
    if (auto existing = events[name].lock()) return existing;
    auto event = std::make_shared<Event>(manualReset);
    events[name] = event;
    return event;
}

}  // namespace trek::platform
