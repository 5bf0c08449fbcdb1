#include "platform/gui/MountWatcher.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <sstream>

#include "platform/gui/GuiMessages.h"

namespace trek::platform {
namespace {

std::string Unescape(const std::string& field) {
    std::string out;
    for (size_t i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size() + 0 && field[i + 1] >= '0' && field[i + 1] <= '3' &&
            field[i + 2] >= '0' && field[i + 2] <= '7' && field[i + 3] >= '0' && field[i + 3] <= '7') {
            out += static_cast<char>((field[i + 1] - '0') * 64 + (field[i + 2] - '0') * 8 + (field[i + 3] - '0'));
            i += 3;
        } else {
            out += field[i];
        }
    }
    return out;
}

bool ReadFile(const std::string& path, std::string& out) {
    std::ifstream in(path);
    if (!in) return false;
    std::stringstream s;
    s << in.rdbuf();
    out = s.str();
    return true;
}

}  // namespace

std::set<std::string> MountWatcher::parseMountPoints(const std::string& table) {
    std::set<std::string> points;
    std::istringstream in(table);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint;
        if (fields >> device >> mountPoint) points.insert(Unescape(mountPoint));
    }
    return points;
}

std::vector<MountWatcher::Change> MountWatcher::diff(const std::set<std::string>& before,
                                                     const std::set<std::string>& after) {
    std::vector<Change> changes;
    for (const auto& p : before)
        if (!after.count(p)) changes.push_back({p, false});
    for (const auto& p : after)
        if (!before.count(p)) changes.push_back({p, true});
    return changes;
}

bool MountWatcher::start(MessageLoop& loop, WindowId window, const std::string& path) {
    stop();
    std::string table;
    if (!ReadFile(path, table)) return false;
    loop_ = &loop;
    window_ = window;
    path_ = path;
    known_ = parseMountPoints(table);
    if (pipe2(stopPipe_, O_CLOEXEC) != 0) return false;
    stop_ = false;
    thread_ = std::thread([this] { watch(); });
    return true;
}

void MountWatcher::stop() {
    stop_ = true;
    if (thread_.joinable()) {
        uint8_t one = 1;
        (void)!write(stopPipe_[1], &one, 1);
        thread_.join();
    }
    for (int& fd : stopPipe_)
        if (fd >= 0) close(fd), fd = -1;
}

std::vector<MountWatcher::Change> MountWatcher::check() {
    std::string table;
    if (!loop_ || !ReadFile(path_, table)) return {};
    std::set<std::string> now = parseMountPoints(table);
    std::vector<Change> changes;
    {
        std::lock_guard lock(mutex_);
        changes = diff(known_, now);
        known_ = std::move(now);
    }
    for (const auto& c : changes)
        loop_->post(window_, WM_DEVICECHANGE, c.arrived ? DBT_DEVICEARRIVAL : DBT_DEVICEREMOVECOMPLETE, 0,
                    std::make_shared<std::string>(c.mountPoint));
    return changes;
}

void MountWatcher::watch() {
    int fd = open(path_.c_str(), O_RDONLY | O_CLOEXEC);
    while (!stop_) {
        pollfd p[2] = {{fd, POLLPRI, 0}, {stopPipe_[0], POLLIN, 0}};
        int n = poll(p, 2, 500);
        if (stop_ || (n > 0 && p[1].revents)) break;
        check();
    }
    if (fd >= 0) close(fd);
}

}  // namespace trek::platform
