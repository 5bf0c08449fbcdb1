#pragma once
// Single-instance handover. The running instance listens on a Unix socket
// named after its window title in $XDG_RUNTIME_DIR; a second instance sends
// {dwData, its command line in UTF-16LE with the terminating zero} and ends.
// The running instance receives it on the UI thread as WM_COPYDATA, posted to
// its main window with a CopyData payload (cbData = (characters + 1) * 2, or 0
// for an empty command line).
// Wire format: dwData (u32 LE), cbData (u32 LE, at most 64 KiB), the bytes;
// the receiver answers one byte (1) once the message is posted.
#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "platform/core/MessageLoop.h"

namespace trek::platform {

class InstanceHandover {
public:
    static constexpr uint32_t kOpenFile = 0x3224;
    static constexpr uint32_t kMaxBytes = 64 * 1024;

    static std::string socketPath(const std::string& title);
    // True when a running instance took the command line.
    static bool handOver(const std::string& title, const std::string& commandLine, uint32_t dwData = kOpenFile);
    // The bytes a command line travels as (empty for an empty line).
    static std::vector<uint8_t> encodeCommandLine(const std::string& commandLine);
    static std::string decodeCommandLine(const std::vector<uint8_t>& bytes);

    InstanceHandover() = default;
    ~InstanceHandover() { stop(); }
    InstanceHandover(const InstanceHandover&) = delete;
    InstanceHandover& operator=(const InstanceHandover&) = delete;

    // Becomes the running instance. False when another instance listens already
    // or the socket cannot be made (error says why).
    bool listen(const std::string& title, MessageLoop& loop, WindowId window, std::string* error = nullptr);
    void stop();
    bool listening() const { return listenFd_ >= 0; }

private:
    void serve();
    void receive(int fd);

    MessageLoop* loop_ = nullptr;
    WindowId window_ = 0;
    std::string path_;
    int listenFd_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::thread thread_;
};

}  // namespace trek::platform
