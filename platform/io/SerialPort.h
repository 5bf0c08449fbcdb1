#pragma once
// A serial device through termios: raw mode, 8N1, no flow control, opened
// exclusively, read without blocking behind poll().
#include <memory>
#include <string>

#include "platform/io/GpsSource.h"

namespace trek::platform {

class SerialPort : public GpsSource {
public:
    static std::unique_ptr<SerialPort> Open(const std::string& path, uint32_t baud, std::string* error = nullptr);
    ~SerialPort() override;

    int read(uint8_t* buffer, size_t n, int timeoutMs) override;
    bool waitForData(int timeoutMs) override;
    bool write(const void* data, size_t n) override;
    bool setBaudrate(uint32_t baud) override;
    GpsSourceKind kind() const override { return GpsSourceKind::Serial; }

    int fd() const { return fd_; }

private:
    explicit SerialPort(int fd) : fd_(fd) {}
    int fd_;
};

// The termios speed constant of a baud rate; false for rates Linux lacks.
bool BaudToSpeed(uint32_t baud, unsigned& speed);
// Opening for reading and writing with exclusive use succeeds right now.
bool CanOpenSerialPort(const std::string& path);

}  // namespace trek::platform
