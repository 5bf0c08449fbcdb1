#pragma once
// Watches the mount table (/proc/self/mounts) and tells a window about
// storage that comes and goes: WM_DEVICECHANGE with DBT_DEVICEARRIVAL or
// DBT_DEVICEREMOVECOMPLETE, the mount point as a std::string payload.
#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/MessageLoop.h"

namespace trek::platform {

class MountWatcher {
public:
    struct Change {
        std::string mountPoint;
        bool arrived;
        bool operator==(const Change&) const = default;
    };

    // Mount points of a mounts table text (octal escapes such as "\040" decoded).
    static std::set<std::string> parseMountPoints(const std::string& table);
    static std::vector<Change> diff(const std::set<std::string>& before, const std::set<std::string>& after);

    MountWatcher() = default;
    ~MountWatcher() { stop(); }
    MountWatcher(const MountWatcher&) = delete;
    MountWatcher& operator=(const MountWatcher&) = delete;

    // Reads the table once, then watches it on a thread (the kernel flags a
    // change of /proc/self/mounts with POLLPRI; other files are re-read every 500 ms).
    bool start(MessageLoop& loop, WindowId window, const std::string& path = "/proc/self/mounts");
    void stop();
    // Re-reads the table now and posts what changed; returns the changes.
    std::vector<Change> check();

private:
    void watch();

    MessageLoop* loop_ = nullptr;
    WindowId window_ = 0;
    std::string path_;
    std::mutex mutex_;
    std::set<std::string> known_;
    std::atomic<bool> stop_{false};
    int stopPipe_[2] = {-1, -1};
    std::thread thread_;
};

}  // namespace trek::platform
