#pragma once
// Threads, locks and events. A critical section is a std::mutex and a thread a
// std::thread; what needs a class of its own is the event, which the importers
// and the control toolkit wait on by name ("TourImportFinished", "UsrCtrl Wait").
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace trek::platform {

using CriticalSection = std::mutex;
using Lock = std::lock_guard<std::mutex>;

constexpr uint32_t kInfinite = 0xFFFFFFFFu;
inline constexpr const char* kTourImportFinishedEvent = "TourImportFinished";
inline constexpr const char* kUsrCtrlWaitEvent = "UsrCtrl Wait";

class Event {
public:
    // An auto-reset event releases one waiter per set() and resets itself.
    explicit Event(bool manualReset = false, bool initiallySet = false)
        : manualReset_(manualReset), set_(initiallySet) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void set();
    void reset();
    // True when the event was set within timeoutMs (kInfinite waits forever).
    bool wait(uint32_t timeoutMs = kInfinite);
    bool isSet() const;

private:
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    bool manualReset_;
    bool set_;
};

// Events are named within the process: the same name gives the same event.
// The first opener decides manual or automatic reset.
std::shared_ptr<Event> OpenNamedEvent(const std::string& name, bool manualReset = false);

}  // namespace trek::platform
