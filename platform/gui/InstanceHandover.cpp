#include "platform/gui/InstanceHandover.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/gui/GuiMessages.h"
#include "platform/core/Text.h"

namespace trek::platform {
namespace {

bool FillAddress(const std::string& path, sockaddr_un& addr) {
    std::memset(&addr, 0, sizeof addr);
    addr.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    return true;
}

int Connect(const std::string& path) {
    sockaddr_un addr;
    if (!FillAddress(path, addr)) return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

// Reads exactly n bytes, waiting at most timeoutMs for each piece.
bool ReadAll(int fd, uint8_t* out, size_t n, int timeoutMs) {
    while (n > 0) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, timeoutMs) <= 0) return false;
        ssize_t got = read(fd, out, n);
        if (got <= 0) {
            if (got < 0 && errno == EINTR) continue;
            return false;
        }
        out += got;
        n -= static_cast<size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const uint8_t* data, size_t n) {
    while (n > 0) {
        ssize_t put = send(fd, data, n, MSG_NOSIGNAL);
        if (put <= 0) {
            if (put < 0 && errno == EINTR) continue;
            return false;
        }
        data += put;
        n -= static_cast<size_t>(put);
    }
    return true;
}

void PutU32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

uint32_t GetU32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }

}  // namespace

std::string InstanceHandover::socketPath(const std::string& title) {
    std::string name;
    for (char c : title) name += (std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.') ? c : '_';
    if (name.empty() || name[0] == '.') name = "_" + name;
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    if (dir && *dir) return std::string(dir) + "/" + name + ".instance";
    return "/tmp/" + name + "-" + std::to_string(getuid()) + ".instance";
}

std::vector<uint8_t> InstanceHandover::encodeCommandLine(const std::string& commandLine) {
    std::vector<uint8_t> bytes;
    if (commandLine.empty()) return bytes;
    std::u16string wide = Utf8ToUtf16(commandLine);
    wide.push_back(0);
    for (char16_t c : wide) {
        bytes.push_back(static_cast<uint8_t>(c & 0xFF));
        bytes.push_back(static_cast<uint8_t>(c >> 8));
    }
    return bytes;
}

std::string InstanceHandover::decodeCommandLine(const std::vector<uint8_t>& bytes) {
    std::u16string wide;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char16_t c = static_cast<char16_t>(bytes[i] | (bytes[i + 1] << 8));
        if (c == 0) break;
        wide.push_back(c);
    }
    return Utf16ToUtf8(wide);
}

bool InstanceHandover::handOver(const std::string& title, const std::string& commandLine, uint32_t dwData) {
    int fd = Connect(socketPath(title));
    if (fd < 0) return false;
    std::vector<uint8_t> bytes = encodeCommandLine(commandLine);
    if (bytes.size() > kMaxBytes) bytes.resize(0);  // the receiver would refuse it; hand over the bare request
    std::vector<uint8_t> message;
    PutU32(message, dwData);
    PutU32(message, static_cast<uint32_t>(bytes.size()));
    message.insert(message.end(), bytes.begin(), bytes.end());
    uint8_t ack = 0;
    bool ok = WriteAll(fd, message.data(), message.size()) && ReadAll(fd, &ack, 1, 5000) && ack == 1;
    close(fd);
    return ok;
}

bool InstanceHandover::listen(const std::string& title, MessageLoop& loop, WindowId window, std::string* error) {
    stop();
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        if (listenFd_ >= 0) close(listenFd_);
        listenFd_ = -1;
        return false;
    };
    path_ = socketPath(title);
    sockaddr_un addr;
    if (!FillAddress(path_, addr)) return fail("socket path too long: " + path_);
    listenFd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listenFd_ < 0) return fail(std::strerror(errno));
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        if (errno != EADDRINUSE) return fail(path_ + ": " + std::strerror(errno));
        // A live instance answers; a socket left behind by a crash does not and is replaced.
        int other = Connect(path_);
        if (other >= 0) {
            close(other);
            return fail("another instance is running");
        }
        unlink(path_.c_str());
        if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            return fail(path_ + ": " + std::strerror(errno));
    }
    if (::listen(listenFd_, 4) != 0 || pipe2(stopPipe_, O_CLOEXEC) != 0) return fail(std::strerror(errno));
    loop_ = &loop;
    window_ = window;
    thread_ = std::thread([this] { serve(); });
    return true;
}

void InstanceHandover::stop() {
    if (thread_.joinable()) {
        uint8_t one = 1;
        (void)!write(stopPipe_[1], &one, 1);
        thread_.join();
    }
    for (int& fd : stopPipe_)
        if (fd >= 0) close(fd), fd = -1;
    if (listenFd_ >= 0) {
        close(listenFd_);
        listenFd_ = -1;
        unlink(path_.c_str());
    }
}

void InstanceHandover::serve() {
    for (;;) {
        pollfd p[2] = {{listenFd_, POLLIN, 0}, {stopPipe_[0], POLLIN, 0}};
        if (poll(p, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (p[1].revents) return;
        if (!(p[0].revents & POLLIN)) continue;
        int fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        receive(fd);
        close(fd);
    }
}

void InstanceHandover::receive(int fd) {
    uint8_t header[8];
    if (!ReadAll(fd, header, sizeof header, 2000)) return;
    auto data = std::make_shared<CopyData>();
    data->dwData = GetU32(header);
    uint32_t size = GetU32(header + 4);
    if (size > kMaxBytes) return;  // refused: the sender sees no acknowledgement
    data->data.resize(size);
    if (size && !ReadAll(fd, data->data.data(), size, 2000)) return;
    uint8_t ack = loop_->post(window_, WM_COPYDATA, 0, 0, data) ? 1 : 0;
    WriteAll(fd, &ack, 1);
}

}  // namespace trek::platform
