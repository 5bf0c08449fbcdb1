#include "platform/io/SerialPort.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>

namespace trek::platform {
namespace {

struct BaudRow {
    uint32_t baud;
    speed_t speed;
};
constexpr BaudRow kBauds[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},   {19200, B19200},
    {38400, B38400},   {57600, B57600},   {115200, B115200}, {230400, B230400},
    {460800, B460800}, {921600, B921600},
};

int OpenDevice(const std::string& path, std::string* error) {
    int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        if (error) *error = path + ": " + std::strerror(errno);
        return -1;
    }
    // The port is ours alone, as the receiver expects.
    if (::ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) {
        if (error) *error = path + ": " + std::strerror(errno);
        ::close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

bool BaudToSpeed(uint32_t baud, unsigned& speed) {
    for (const auto& row : kBauds) {
        if (row.baud == baud) {
            speed = row.speed;
            return true;
        }
    }
    return false;
}

bool CanOpenSerialPort(const std::string& path) {
    int fd = OpenDevice(path, nullptr);
    if (fd < 0) return false;
    bool terminal = ::isatty(fd);
    ::close(fd);
    return terminal;
}

std::unique_ptr<SerialPort> SerialPort::Open(const std::string& path, uint32_t baud, std::string* error) {
    int fd = OpenDevice(path, error);
    if (fd < 0) return nullptr;
    if (!::isatty(fd)) {
        if (error) *error = path + ": not a terminal device";
        ::close(fd);
        return nullptr;
    }
    termios tio{};
    if (::tcgetattr(fd, &tio) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::cfmakeraw(&tio);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    unsigned speed = B4800;
    if (!BaudToSpeed(baud, speed)) {
        if (error) *error = path + ": unsupported baud rate " + std::to_string(baud);
        ::close(fd);
        return nullptr;
    }
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    if (::tcsetattr(fd, TCSANOW, &tio) != 0) {
        if (error) *error = path + ": " + std::strerror(errno);
        ::close(fd);
        return nullptr;
    }
    return std::unique_ptr<SerialPort>(new SerialPort(fd));
}

SerialPort::~SerialPort() {
    if (fd_ >= 0) ::close(fd_);
}

int SerialPort::read(uint8_t* buffer, size_t n, int timeoutMs) {
    if (ended()) return -1;
    int w = waitFd(fd_, POLLIN, timeoutMs);
    if (w == 0) return 0;
    if (w < 0) {
        setEnded();
        return -1;
    }
    for (;;) {
        ssize_t r = ::read(fd_, buffer, n);
        if (r > 0) return static_cast<int>(r);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return 0;
        // 0 after POLLIN (hang-up) or EIO: the device is gone.
        setEnded();
        return -1;
    }
}

bool SerialPort::waitForData(int timeoutMs) {
    if (ended()) return false;
    int w = waitFd(fd_, POLLIN, timeoutMs);
    if (w < 0 && !interrupted()) setEnded();
    return w > 0;
}

bool SerialPort::write(const void* data, size_t n) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    size_t done = 0;
    while (done < n) {
        ssize_t r = ::write(fd_, p + done, n - done);
        if (r > 0) {
            done += static_cast<size_t>(r);
            continue;
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // 10 ms per byte at least, as the write timeouts allow.
            if (waitFd(fd_, POLLOUT, static_cast<int>(10 + 10 * (n - done))) <= 0) return false;
            continue;
        }
        return false;
    }
    return true;
}

bool SerialPort::setBaudrate(uint32_t baud) {
    unsigned speed;
    if (!BaudToSpeed(baud, speed)) return false;
    termios tio{};
    if (::tcgetattr(fd_, &tio) != 0) std::this_thread::sleep_for(std::chrono::milliseconds(200));
    ::cfsetispeed(&tio, speed);
    ::cfsetospeed(&tio, speed);
    return ::tcsetattr(fd_, TCSANOW, &tio) == 0;
}

}  // namespace trek::platform
