#pragma once
// A byte source for a GPS receiver: a serial device, a gpsd daemon, a raw
// NMEA stream over TCP, or a log replayed as a virtual port. Every wait can be
// ended at once from another thread with interrupt(), which is how a
// receiver is closed while its reader thread blocks.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace trek::platform {

enum class GpsSourceKind { Serial, Gpsd, Tcp, File };

// What a port name means:
//   "/dev/ttyUSB0"             a serial device
//   "gpsd[:host[:port]]"       gpsd's NMEA stream (default localhost:2947)
//   "tcp:host:port"            a raw NMEA stream
//   "file:PATH[@SPEED]"        a log replayed at SPEED times real time (@0: at once)
struct GpsSourceAddress {
    GpsSourceKind kind = GpsSourceKind::Serial;
    std::string path;  // device or log file
    std::string host;
    uint16_t port = 0;
    double speed = 1.0;
};
// False for a malformed name (no port after tcp:host, a bad speed, ...).
bool ParseGpsSourceName(const std::string& name, GpsSourceAddress& out, std::string* error = nullptr);

class GpsSource {
public:
    GpsSource();
    virtual ~GpsSource();
    GpsSource(const GpsSource&) = delete;
    GpsSource& operator=(const GpsSource&) = delete;

    // Reads up to n bytes, waiting at most timeoutMs (-1: no limit) for the
    // first one. Returns the count, 0 when nothing came in time, -1 once the
    // source has ended (end of log, connection or device lost) or was
    // interrupted.
    virtual int read(uint8_t* buffer, size_t n, int timeoutMs) = 0;
    // The serial "comm event": waits until bytes can be read. False on
    // timeout, interrupt or end.
    virtual bool waitForData(int timeoutMs) = 0;
    virtual bool write(const void* data, size_t n) = 0;
    // Serial devices only.
    virtual bool setBaudrate(uint32_t) { return false; }
    virtual GpsSourceKind kind() const = 0;
    // Largest read worth making: 16 bytes keep serial latency low; a log
    // replayed at once hands over whole blocks.
    virtual size_t preferredReadSize() const { return 16; }

    // Any thread: ends a blocked read or wait at once; all later calls fail.
    void interrupt();
    bool interrupted() const;
    // True once read() reported the end.
    bool ended() const { return ended_; }

protected:
    // poll() on fd (or only the interrupt when fd < 0) for `events`.
    // Returns 1 ready, 0 timeout, -1 interrupted or the fd hung up / failed.
    int waitFd(int fd, short events, int timeoutMs);
    void setEnded() { ended_ = true; }

private:
    int wakeFd_ = -1;
    bool ended_ = false;
};

// Opens the source a port name stands for. nullptr with a reason on failure.
std::unique_ptr<GpsSource> OpenGpsSource(const std::string& name, uint32_t baud, std::string* error = nullptr);

// True for names that are serial devices (baud rates and the port search apply).
bool IsSerialPortName(const std::string& name);

}  // namespace trek::platform
