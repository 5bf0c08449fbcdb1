#include "gps/GpsConnection.h"

namespace trek {

GpsConnection::GpsConnection(GpsClock clock) : clock_(clock ? std::move(clock) : GpsClock(GpsSteadyMs)) {}

GpsConnection::~GpsConnection() {
    waitForReconnect();
    destroyReceiver();
}

GpsConnection& GpsConnection::instance() {
    static GpsConnection connection;
    return connection;
}

void GpsConnection::configure(const Config& config) {
    std::lock_guard<std::mutex> lock(configMutex_);
    config_ = config;
}

GpsConnection::Config GpsConnection::config() const {
    std::lock_guard<std::mutex> lock(configMutex_);
    return config_;
}

std::shared_ptr<GpsReceiver> GpsConnection::receiver() const {
    std::lock_guard<std::mutex> lock(receiverMutex_);
    return receiver_;
}

void GpsConnection::publish(std::shared_ptr<GpsReceiver> receiver) {
    std::shared_ptr<GpsReceiver> old;
    {
        std::lock_guard<std::mutex> lock(receiverMutex_);
        old = std::move(receiver_);
        receiver_ = std::move(receiver);
    }
    if (old) old->close();
}

std::shared_ptr<GpsReceiver> GpsConnection::createReceiver(const std::string& port, uint32_t baud) {
    Config c = config();
    GpsReceiverOptions options = c.options;
    options.clock = clock_;
    auto chained = options.onData;
    options.onData = [this, chained] {
        dataArrived();
        if (chained) chained();
    };
    return std::make_shared<GpsReceiver>(port, c.window, &text_, baud, std::move(options));
}

bool GpsConnection::open() {
    std::lock_guard<std::mutex> lock(gpsLock_);
    publish(nullptr);
    Config c = config();
    armed_ = true;
    lastData_ = clock_();
    auto receiver = createReceiver(c.port, c.baud);
    if (!receiver->waitOpened()) {
        receiver->close();
        return false;
    }
    if (nmeaViewCurrent_) receiver->setCapture(true);
    publish(std::move(receiver));
    return true;
}

void GpsConnection::closePort() {
    armed_ = false;
    destroyReceiver();
}

void GpsConnection::destroyReceiver() { publish(nullptr); }

void GpsConnection::adopt(std::shared_ptr<GpsReceiver> receiver) {
    armed_ = true;
    lastData_ = clock_();
    if (receiver && nmeaViewCurrent_) receiver->setCapture(true);
    publish(std::move(receiver));
}

bool GpsConnection::tick() {
    if (!armed_ || !config().options.external) return false;
    uint64_t now = clock_();
    if (now - lastData_ < kGpsSilenceMs) return false;
    lastData_ = now;
    if (reconnecting_) return false;  // the last one is still at work
    if (reconnectThread_.joinable()) reconnectThread_.join();
    reconnecting_ = true;
    reconnectThread_ = std::thread([this] {
        reconnect();
        reconnecting_ = false;
    });
    return true;
}

bool GpsConnection::reconnect() {
    std::lock_guard<std::mutex> lock(gpsLock_);
    ++reconnects_;
    publish(nullptr);
    Config c = config();
    auto receiver = createReceiver(c.port, c.baud);
    if (!receiver->waitOpened()) {
        receiver->close();
        return false;  // without a receiver until the next try
    }
    if (nmeaViewCurrent_) receiver->setCapture(true);
    publish(std::move(receiver));
    return true;
}

void GpsConnection::waitForReconnect() {
    if (reconnectThread_.joinable()) reconnectThread_.join();
}

void GpsConnection::setNmeaViewCurrent(bool current) {
    nmeaViewCurrent_ = current;
    if (auto r = receiver()) r->setCapture(current);
}

}  // namespace trek
