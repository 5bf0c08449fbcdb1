#pragma once
// A GPS stream over TCP: either gpsd, asked for its NMEA sentences with its
// WATCH command, or any server that sends raw NMEA lines.
#include <memory>
#include <string>

#include "platform/io/GpsSource.h"

namespace trek::platform {

class SocketSource : public GpsSource {
public:
    // Connects (waiting at most 5 s); for gpsd also sends the WATCH request.
    static std::unique_ptr<SocketSource> Connect(const std::string& host, uint16_t port, bool gpsd,
                                                 std::string* error = nullptr);
    ~SocketSource() override;

    int read(uint8_t* buffer, size_t n, int timeoutMs) override;
    bool waitForData(int timeoutMs) override;
    bool write(const void* data, size_t n) override;
    GpsSourceKind kind() const override { return gpsd_ ? GpsSourceKind::Gpsd : GpsSourceKind::Tcp; }

private:
    SocketSource(int fd, bool gpsd) : fd_(fd), gpsd_(gpsd) {}
    int fd_;
    bool gpsd_;
};

// gpsd's request for NMEA sentences in its JSON protocol.
constexpr const char* kGpsdWatchNmea = "?WATCH={\"enable\":true,\"nmea\":true};\n";

}  // namespace trek::platform
