#pragma once
// The program's one GPS connection: the current receiver (replaced, never
// reopened), its configuration, the NMEA text buffer, the no-data watchdog
// that the main window's 500 ms tick drives, and GpsReconnect.
#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "gps/GpsReceiver.h"
#include "gps/NmeaTextBuffer.h"

namespace trek {

// 16 s without an accepted sentence.
constexpr uint64_t kGpsSilenceMs = 16000;

class GpsConnection {
public:
    struct Config {
        std::string port;
        uint32_t baud = 4800;
        platform::WindowId window = 0;
        GpsReceiverOptions options;  // its `external` arms the watchdog; clock and onData are set here
    };

    explicit GpsConnection(GpsClock clock = {});
    ~GpsConnection();
    GpsConnection(const GpsConnection&) = delete;
    GpsConnection& operator=(const GpsConnection&) = delete;

    // The process-wide connection.
    static GpsConnection& instance();

    void configure(const Config& config);
    Config config() const;
    std::shared_ptr<GpsReceiver> receiver() const;
    NmeaTextBuffer& text() { return text_; }

    // Creates the receiver from the configuration and waits until its open
    // attempt is over. Publishes it when the port opened; else destroys it.
    // Either way the watchdog is armed.
    bool open();
    // "Close Port": destroys the receiver and disarms the watchdog.
    void closePort();
    // Destroys the receiver (suspend, shutdown, a new configuration).
    void destroyReceiver();
    // Makes a receiver created elsewhere (the port search) the current one.
    void adopt(std::shared_ptr<GpsReceiver> receiver);
    // A receiver set up like the configured one, for another port or baud.
    std::shared_ptr<GpsReceiver> createReceiver(const std::string& port, uint32_t baud);

    // The main window's tick: with the watchdog armed and the receiver
    // external, 16 s of silence start GpsReconnect on a thread of its own
    // (and again every 16 s while silent). True when it started one.
    bool tick();
    // GpsReconnect itself, under the process-wide GPS lock.
    bool reconnect();
    void waitForReconnect();
    int reconnects() const { return reconnects_; }
    bool armed() const { return armed_; }

    // Capture follows the NMEA view being the current view.
    void setNmeaViewCurrent(bool current);

private:
    void publish(std::shared_ptr<GpsReceiver> receiver);
    void dataArrived() { lastData_ = clock_(); }

    GpsClock clock_;
    mutable std::mutex configMutex_;
    Config config_;
    mutable std::mutex receiverMutex_;  // the pointer only
    std::shared_ptr<GpsReceiver> receiver_;
    std::mutex gpsLock_;  // two replacements never overlap
    NmeaTextBuffer text_;
    std::atomic<bool> armed_{false}, nmeaViewCurrent_{false}, reconnecting_{false};
    std::atomic<uint64_t> lastData_{0};
    std::atomic<int> reconnects_{0};
    std::thread reconnectThread_;
};

}  // namespace trek
