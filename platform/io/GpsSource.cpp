#include "platform/io/GpsSource.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

#include "platform/io/FileReplaySource.h"
#include "platform/io/SerialPort.h"
#include "platform/io/SocketSource.h"

namespace trek::platform {

GpsSource::GpsSource() { wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK); }

GpsSource::~GpsSource() {
    if (wakeFd_ >= 0) ::close(wakeFd_);
}

void GpsSource::interrupt() {
    uint64_t one = 1;
    if (wakeFd_ >= 0) {
        ssize_t r = ::write(wakeFd_, &one, sizeof one);
        (void)r;
    }
}

bool GpsSource::interrupted() const {
    if (wakeFd_ < 0) return false;
    pollfd p{wakeFd_, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0;
}

int GpsSource::waitFd(int fd, short events, int timeoutMs) {
    pollfd fds[2] = {{wakeFd_, POLLIN, 0}, {fd, events, 0}};
    nfds_t count = fd >= 0 ? 2 : 1;
    for (;;) {
        int r = ::poll(fds, count, timeoutMs);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return -1;
        if (fds[0].revents) return -1;
        if (r == 0) return 0;
        if (fds[1].revents & events) return 1;
        if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) return -1;
        return 0;
    }
}

namespace {

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

bool ParsePort(const std::string& text, uint16_t& port) {
    if (text.empty() || text.size() > 5) return false;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v <= 0 || v > 65535) return false;
    port = static_cast<uint16_t>(v);
    return true;
}

bool Fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

// "host", "host:port", "[v6]:port" or a bare IPv6 address.
bool SplitHostPort(const std::string& text, std::string& host, uint16_t& port, bool portRequired) {
    std::string portText;
    bool hasPort = false;
    if (!text.empty() && text.front() == '[') {
        size_t close = text.find(']');
        if (close == std::string::npos) return false;
        host = text.substr(1, close - 1);
        if (close + 1 < text.size()) {
            if (text[close + 1] != ':') return false;
            portText = text.substr(close + 2);
            hasPort = true;
        }
    } else {
        size_t colon = text.find(':');
        if (colon != std::string::npos && text.find(':', colon + 1) == std::string::npos) {
            host = text.substr(0, colon);
            portText = text.substr(colon + 1);
            hasPort = true;
        } else {
            host = text;
        }
    }
    if (hasPort && !ParsePort(portText, port)) return false;
    return !(portRequired && !hasPort);
}

}  // namespace

bool ParseGpsSourceName(const std::string& name, GpsSourceAddress& out, std::string* error) {
    out = {};
    if (name == "gpsd" || StartsWith(name, "gpsd:")) {
        out.kind = GpsSourceKind::Gpsd;
        out.port = 2947;
        std::string host;
        if (name.size() > 5 && !SplitHostPort(name.substr(5), host, out.port, false))
            return Fail(error, "bad gpsd address in " + name + " (gpsd[:host[:port]])");
        out.host = host.empty() ? "localhost" : host;
        return true;
    }
    if (StartsWith(name, "tcp:")) {
        out.kind = GpsSourceKind::Tcp;
        if (!SplitHostPort(name.substr(4), out.host, out.port, true) || out.host.empty())
            return Fail(error, "bad address in " + name + " (tcp:host:port)");
        return true;
    }
    if (StartsWith(name, "file:")) {
        out.kind = GpsSourceKind::File;
        std::string rest = name.substr(5);
        size_t at = rest.rfind('@');
        if (at != std::string::npos) {
            std::string speed = rest.substr(at + 1);
            char* end = nullptr;
            double v = std::strtod(speed.c_str(), &end);
            if (speed.empty() || *end != '\0' || !(v >= 0) || v > 1e6)
                return Fail(error, "bad replay speed in " + name + " (file:PATH[@SPEED])");
            out.speed = v;
            rest = rest.substr(0, at);
        }
        if (rest.empty()) return Fail(error, "file: needs a path");
        out.path = rest;
        return true;
    }
    if (name.empty()) return Fail(error, "no port name");
    out.kind = GpsSourceKind::Serial;
    out.path = name;
    return true;
}

bool IsSerialPortName(const std::string& name) {
    GpsSourceAddress a;
    return ParseGpsSourceName(name, a) && a.kind == GpsSourceKind::Serial;
}

std::unique_ptr<GpsSource> OpenGpsSource(const std::string& name, uint32_t baud, std::string* error) {
    GpsSourceAddress a;
    if (!ParseGpsSourceName(name, a, error)) return nullptr;
    switch (a.kind) {
        case GpsSourceKind::Serial: return SerialPort::Open(a.path, baud, error);
        case GpsSourceKind::Gpsd: return SocketSource::Connect(a.host, a.port, true, error);
        case GpsSourceKind::Tcp: return SocketSource::Connect(a.host, a.port, false, error);
        case GpsSourceKind::File: return FileReplaySource::Open(a.path, a.speed, error);
    }
    return nullptr;
}

}  // namespace trek::platform
