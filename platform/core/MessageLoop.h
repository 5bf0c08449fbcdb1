#pragma once
// A thread-safe message queue with timers: the part of the platform's window
// system that worker threads (GPS reader, importers, tile loaders) post to.
// Any thread may post; only the loop's own thread gets, peeks, sends and
// dispatches. Windows register a handler per window id (see platform/gui).
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/core/Messages.h"

namespace trek::platform {

using WindowId = uint32_t;  // 0 = no window (thread message)

struct Message {
    WindowId window = 0;
    uint32_t message = WM_NULL;
    uint64_t wParam = 0;
    int64_t lParam = 0;
    // Optional data that travels with the message (WM_COPYDATA bytes, texts).
    std::shared_ptr<const void> payload;
    uint32_t time = 0;  // milliseconds since the loop started
};

class MessageLoop {
public:
    using Handler = std::function<int64_t(const Message&)>;

    MessageLoop();
    ~MessageLoop();
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;

    // The loop of the UI thread, created on first use.
    static MessageLoop& main();

    // Any thread. Returns false once the loop has quit.
    bool post(WindowId window, uint32_t message, uint64_t wParam = 0, int64_t lParam = 0,
              std::shared_ptr<const void> payload = {});
    bool post(Message m);

    // Loop thread only: calls the window's handler at once and returns its result.
    int64_t send(WindowId window, uint32_t message, uint64_t wParam = 0, int64_t lParam = 0,
                 std::shared_ptr<const void> payload = {});

    // Handlers by window id; the fallback handler gets messages of unknown windows.
    void setHandler(WindowId window, Handler handler);
    void removeHandler(WindowId window);
    void setFallbackHandler(Handler handler);

    // Timers post WM_TIMER (wParam = id) to the window every period; at most
    // one WM_TIMER per timer is pending at a time, as with Win32 timers.
    void setTimer(WindowId window, uint32_t id, uint32_t periodMs);
    void killTimer(WindowId window, uint32_t id);
    void killTimers(WindowId window);

    // Waits for the next message (timers included). False on WM_QUIT.
    bool get(Message& out);
    // Waits at most timeoutMs; false when nothing arrived (out.message = WM_NULL)
    // or when WM_QUIT was taken.
    bool getFor(Message& out, uint32_t timeoutMs);
    // Does not wait. remove=false leaves the message in the queue.
    bool peek(Message& out, bool remove = true);
    // Hands the message to its window's handler.
    int64_t dispatch(const Message& m);

    // Posts WM_QUIT; run() then returns the code.
    void quit(int exitCode = 0);
    bool quitting() const;
    int run();

    // Makes the calling thread the loop's thread (the constructor's by default).
    void bindToCurrentThread();
    bool onLoopThread() const { return std::this_thread::get_id() == owner_; }

    size_t pending() const;
    uint32_t now() const;

private:
    struct Timer {
        uint32_t periodMs;
        std::chrono::steady_clock::time_point due;
        bool pending = false;
    };
    bool takeLocked(Message& out, bool remove);
    bool fireDueTimerLocked(Message& out, bool remove);
    std::chrono::steady_clock::time_point nextDueLocked() const;

    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Message> queue_;
    std::map<std::pair<WindowId, uint32_t>, Timer> timers_;
    std::map<WindowId, Handler> handlers_;
    Handler fallback_;
    bool quit_ = false;
    int exitCode_ = 0;
    std::thread::id owner_;
    std::chrono::steady_clock::time_point start_;
};

}  // namespace trek::platform
