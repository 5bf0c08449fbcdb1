#include "platform/io/SocketSource.h"

#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace trek::platform {
namespace {

constexpr int kConnectTimeoutMs = 5000;

// Non-blocking connect, bounded in time.
int ConnectTo(const addrinfo* ai, std::string* why) {
    int fd = ::socket(ai->ai_family, ai->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, ai->ai_protocol);
    if (fd < 0) {
        *why = std::strerror(errno);
        return -1;
    }
    if (::connect(fd, ai->ai_addr, ai->ai_addrlen) != 0) {
        if (errno != EINPROGRESS) {
            *why = std::strerror(errno);
            ::close(fd);
            return -1;
        }
        pollfd p{fd, POLLOUT, 0};
        int r;
        do r = ::poll(&p, 1, kConnectTimeoutMs);
        while (r < 0 && errno == EINTR);
        int err = 0;
        socklen_t len = sizeof err;
        if (r <= 0) err = r == 0 ? ETIMEDOUT : errno;
        else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &len) != 0) err = errno;
        if (err != 0) {
            *why = std::strerror(err);
            ::close(fd);
            return -1;
        }
    }
    int one = 1;
    ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
    return fd;
}

}  // namespace

std::unique_ptr<SocketSource> SocketSource::Connect(const std::string& host, uint16_t port, bool gpsd,
                                                    std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* list = nullptr;
    std::string service = std::to_string(port);
    int rc = ::getaddrinfo(host.c_str(), service.c_str(), &hints, &list);
    if (rc != 0) {
        if (error) *error = host + ": " + ::gai_strerror(rc);
        return nullptr;
    }
    std::string why = "no address";
    int fd = -1;
    for (addrinfo* ai = list; ai && fd < 0; ai = ai->ai_next) fd = ConnectTo(ai, &why);
    ::freeaddrinfo(list);
    if (fd < 0) {
        if (error) *error = host + ":" + service + ": " + why;
        return nullptr;
    }
    std::unique_ptr<SocketSource> source(new SocketSource(fd, gpsd));
    if (gpsd && !source->write(kGpsdWatchNmea, std::strlen(kGpsdWatchNmea))) {
        if (error) *error = host + ":" + service + ": gpsd did not take the WATCH request";
        return nullptr;
    }
    return source;
}

SocketSource::~SocketSource() {
    if (fd_ >= 0) ::close(fd_);
}

int SocketSource::read(uint8_t* buffer, size_t n, int timeoutMs) {
    if (ended()) return -1;
    int w = waitFd(fd_, POLLIN, timeoutMs);
    if (w == 0) return 0;
    if (w < 0) {
        setEnded();
        return -1;
    }
    for (;;) {
        ssize_t r = ::recv(fd_, buffer, n, 0);
        if (r > 0) return static_cast<int>(r);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
        setEnded();  // closed by the peer or failed
        return -1;
    }
}

bool SocketSource::waitForData(int timeoutMs) {
    if (ended()) return false;
    int w = waitFd(fd_, POLLIN, timeoutMs);
    if (w < 0 && !interrupted()) setEnded();
    return w > 0;
}

bool SocketSource::write(const void* data, size_t n) {
    const char* p = static_cast<const char*>(data);
    size_t done = 0;
    while (done < n) {
        ssize_t r = ::send(fd_, p + done, n - done, MSG_NOSIGNAL);
        if (r > 0) {
            done += static_cast<size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (waitFd(fd_, POLLOUT, 1000) <= 0) return false;
            continue;
        }
        return false;
    }
    return true;
}

}  // namespace trek::platform
