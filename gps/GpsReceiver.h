#pragma once
// The connection to the GPS receiver: a reader thread that reads the port
// into the 4096-byte ring, cuts NMEA lines (or SiRF frames while binary mode
// is on), runs the parsers under the receiver's lock and posts UM_POSITION,
// UM_SATELLITES and UM_RAW_DATA to the main window. A receiver is never
// reopened: changing port or baud means a new receiver.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "gps/GpsDecoder.h"
#include "gps/GpsFix.h"
#include "gps/GpsRing.h"
#include "gps/NmeaTextBuffer.h"
#include "platform/core/MessageLoop.h"
#include "platform/io/GpsSource.h"

namespace trek {

// Monotonic milliseconds; tests substitute their own.
using GpsClock = std::function<uint64_t()>;
uint64_t GpsSteadyMs();

struct GpsReceiverOptions {
    platform::MessageLoop* loop = nullptr;  // the main window's loop; MessageLoop::main() when null
    // "Bluetooth/external/virtual": polling instead of serial events, read
    // batches that go on until the port is quiet.
    bool external = false;
    GpsFilterSettings filters;
    // False on devices whose OEM name rules the SiRF commands out.
    bool sirfAllowed = true;
    // Read SiRF binary from the start and stay in binary mode (binary logs).
    bool sirfInput = false;
    // UM_POSITION and UM_SATELLITES carry a copy of the fix as their payload,
    // for readers that must see every position, not only the latest.
    bool attachSnapshots = false;
    // The reader waits while the loop holds more than this many messages (0: never).
    size_t maxPending = 0;
    // Every accepted sentence or binary message (the no-data watchdog).
    std::function<void()> onData;
    GpsClock clock;  // GpsSteadyMs when empty

    // external, filters and sirfAllowed from the settings and the device.
    static GpsReceiverOptions FromSettings();
};

class GpsReceiver {
public:
    // Starts the reader thread, which opens the port; poll opened() and then
    // ask isOpen(). The port "GARMIN USB" gets no thread and never delivers data.
    GpsReceiver(std::string portName, platform::WindowId window, NmeaTextBuffer* text, uint32_t baud,
                GpsReceiverOptions options = GpsReceiverOptions::FromSettings());
    ~GpsReceiver();
    GpsReceiver(const GpsReceiver&) = delete;
    GpsReceiver& operator=(const GpsReceiver&) = delete;

    bool opened() const { return opened_; }
    bool isOpen() const { return open_; }
    // Polls opened() every 100 ms, at most timeoutMs; returns isOpen().
    bool waitOpened(int timeoutMs = 30000) const;
    const std::string& openError() const { return openError_; }

    // Stops the reader thread at once, even from a blocked read, and closes the port.
    void close();
    // Serial devices only. Reports "SetBaudrate=%d: Failed SetCommState" on failure.
    bool setBaudrate(uint32_t baud);

    // Copies the records under the lock (SnapshotFix).
    void snapshotFix(GpsFix& fix) const;
    bool dataReceived() const { return dataReceived_; }
    uint32_t gpsTime() const;
    int32_t courseAverage() const;
    void setFilterSettings(const GpsFilterSettings& settings);

    // NMEA text capture for the NMEA view.
    void setCapture(bool on) { capture_ = on; }
    bool capture() const { return capture_; }

    // True once the source has ended (end of a replayed log, connection lost).
    bool sourceEnded() const { return sourceEnded_; }
    const std::string& portName() const { return port_; }
    uint32_t baud() const { return baud_; }
    bool isSerial() const;

    // SiRF commands (no-ops where SiRF is not allowed).
    bool sendSirfMessage(uint8_t mid, const uint8_t* data, size_t length);
    void switchToSirfBinary();
    void switchToNmea();
    void queryStaticNavigation();
    void setStaticNavigation(bool on);
    bool sirfBinaryMode() const { return binaryMode_; }

    // For tests: the number of bytes the reader has taken from the port.
    uint64_t bytesRead() const { return bytesRead_; }

private:
    class Events;
    void run();
    void readerLoop(platform::GpsSource& source);
    size_t readBatch(platform::GpsSource& source);
    size_t handleLines();
    void handleBinary();
    bool write(const void* data, size_t n);
    void pause(int ms);
    uint64_t now() const { return options_.clock(); }

    const std::string port_;
    const platform::WindowId window_;
    NmeaTextBuffer* text_;
    std::atomic<uint32_t> baud_;
    GpsReceiverOptions options_;
    platform::MessageLoop* loop_;
    bool polling_ = false;

    mutable std::mutex lock_;  // the receiver's lock: the decoder's records
    std::unique_ptr<Events> events_;
    GpsDecoder decoder_;

    std::mutex sourceMutex_;  // guards source_ against close() from another thread
    std::unique_ptr<platform::GpsSource> source_;
    std::mutex writeMutex_;

    std::atomic<bool> opened_{false}, open_{false}, stop_{false}, capture_{false};
    std::atomic<bool> binaryMode_{false}, sourceEnded_{false}, dataReceived_{false};
    std::atomic<uint64_t> bytesRead_{0};
    std::string openError_;
    uint64_t binaryStartMs_ = 0;

    std::mutex stopMutex_;
    std::condition_variable stopCv_;
    std::thread thread_;

    // Reader thread only.
    GpsRing ring_;
    char line_[kGpsLineBufferSize];
    uint8_t frame_[kGpsRingSize];
};

// The receiver's lock around a copy of its records.
inline void SnapshotFix(const GpsReceiver& receiver, GpsFix& fix) { receiver.snapshotFix(fix); }

// How the GPS code tells the user something (a message box in the program,
// stderr by default).
using GpsReportHandler = std::function<void(const std::string& caption, const std::string& text)>;
void SetGpsReportHandler(GpsReportHandler handler);
void GpsReport(const std::string& caption, const std::string& text);

}  // namespace trek
