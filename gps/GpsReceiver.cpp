#include "gps/GpsReceiver.h"

#include <chrono>
#include <cstdio>

#include "gps/GpsMessages.h"
#include "gps/Sirf.h"
#include "settings/Settings.h"

namespace trek {
namespace {

constexpr const char* kGarminUsb = "GARMIN USB";
// The port of the platform's own GPS driver: no raw-data messages, and it
// stays in SiRF binary mode once there.
constexpr const char* kGpsDriverPort = "GPS1:";
constexpr size_t kBatchBytes = 64;         // a batch ends here unless the receiver is external
constexpr int kReadMsPerByte = 4;          // read timeout per requested byte
constexpr uint64_t kBinaryTimeoutMs = 9000;

std::mutex& ReportMutex() {
    static std::mutex m;
    return m;
}
GpsReportHandler& ReportHandler() {
    static GpsReportHandler handler;
    return handler;
}

}  // namespace

uint64_t GpsSteadyMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void SetGpsReportHandler(GpsReportHandler handler) {
    std::lock_guard<std::mutex> lock(ReportMutex());
    ReportHandler() = std::move(handler);
}

void GpsReport(const std::string& caption, const std::string& text) {
    GpsReportHandler handler;
    {
        std::lock_guard<std::mutex> lock(ReportMutex());
        handler = ReportHandler();
    }
    if (handler) handler(caption, text);
    else std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
}

GpsReceiverOptions GpsReceiverOptions::FromSettings() {
    const FlagWords& flags = Settings::instance().flags;
    GpsReceiverOptions o;
    o.external = flags.gpsBt() != 0;
    o.filters = GpsFilterSettings::FromFlags(flags);
    return o;
}

// The decoder's way out: watchdog notice and posted messages.
class GpsReceiver::Events : public GpsDecoderEvents {
public:
    explicit Events(GpsReceiver& r) : r_(r) {}
    void received() override {
        r_.dataReceived_ = true;
        if (r_.options_.onData) r_.options_.onData();
    }
    void post(uint32_t message) override {
        std::shared_ptr<const void> payload;
        if (r_.options_.attachSnapshots) {
            auto fix = std::make_shared<GpsFix>();
            r_.decoder_.snapshot(*fix);  // the lock is already held by the parser's caller
            payload = std::move(fix);
        }
        r_.loop_->post(r_.window_, message, 0, 0, std::move(payload));
    }

private:
    GpsReceiver& r_;
};

GpsReceiver::GpsReceiver(std::string portName, platform::WindowId window, NmeaTextBuffer* text, uint32_t baud,
                         GpsReceiverOptions options)
    : port_(std::move(portName)),
      window_(window),
      text_(text),
      baud_(baud),
      options_(std::move(options)),
      loop_(options_.loop ? options_.loop : &platform::MessageLoop::main()),
      events_(std::make_unique<Events>(*this)),
      decoder_(options_.filters, events_.get()) {
    if (!options_.clock) options_.clock = GpsSteadyMs;
    polling_ = options_.external;
    binaryMode_ = options_.sirfInput;
    if (text_) text_->clear();
    if (port_ == kGarminUsb) {
        // Kept as a receiver, but nothing reads it.
        open_ = true;
        opened_ = true;
        return;
    }
    thread_ = std::thread([this] { run(); });
}

GpsReceiver::~GpsReceiver() { close(); }

bool GpsReceiver::waitOpened(int timeoutMs) const {
    for (int waited = 0; !opened_ && waited < timeoutMs; waited += 100)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    return open_;
}

bool GpsReceiver::isSerial() const { return platform::IsSerialPortName(port_) && port_ != kGarminUsb; }

void GpsReceiver::close() {
    stop_ = true;
    {
        std::lock_guard<std::mutex> lock(sourceMutex_);
        if (source_) source_->interrupt();
    }
    {
        std::lock_guard<std::mutex> lock(stopMutex_);
        stopCv_.notify_all();
    }
    if (thread_.joinable()) thread_.join();
    std::lock_guard<std::mutex> lock(sourceMutex_);
    source_.reset();
    open_ = false;
}

void GpsReceiver::run() {
    std::string error;
    std::unique_ptr<platform::GpsSource> source = platform::OpenGpsSource(port_, baud_, &error);
    platform::GpsSource* raw = source.get();
    {
        std::lock_guard<std::mutex> lock(sourceMutex_);
        source_ = std::move(source);
        if (stop_ && source_) source_->interrupt();
    }
    openError_ = error;
    open_ = raw != nullptr;
    opened_ = true;
    if (!raw) return;
    // Sources other than serial devices are polled, like the platform's GPS driver.
    if (raw->kind() != platform::GpsSourceKind::Serial) polling_ = true;
    {
        std::lock_guard<std::mutex> lock(lock_);
        decoder_.smoothedAltitude = 0;
    }
    readerLoop(*raw);
}

void GpsReceiver::readerLoop(platform::GpsSource& source) {
    while (!stop_) {
        if (source.ended()) {
            sourceEnded_ = true;
            std::unique_lock<std::mutex> lock(stopMutex_);
            stopCv_.wait(lock, [this] { return stop_.load(); });
            break;
        }
        // Comm-event mode: sleep until the port has bytes.
        if (!polling_ && !source.waitForData(1000)) continue;
        if (stop_) break;
        size_t got = readBatch(source);
        bytesRead_ += got;
        if (binaryMode_) {
            handleBinary();
        } else {
            binaryStartMs_ = 0;
            if (handleLines() > 0 && capture_ && text_ && port_ != kGpsDriverPort) loop_->post(window_, UM_RAW_DATA);
        }
        while (options_.maxPending && loop_->pending() > options_.maxPending && !stop_ && !loop_->quitting())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

size_t GpsReceiver::readBatch(platform::GpsSource& source) {
    size_t got = 0;
    size_t most = source.preferredReadSize();
    while (!stop_) {
        // Never more than the free space: unread lines are not overwritten.
        size_t room = ring_.writable(most);
        if (room == 0) break;
        int r = source.read(ring_.writePointer(), room, static_cast<int>(room) * kReadMsPerByte);
        if (r <= 0) break;
        ring_.commit(static_cast<size_t>(r));
        got += static_cast<size_t>(r);
        if (!options_.external && got >= kBatchBytes) break;
    }
    return got;
}

size_t GpsReceiver::handleLines() {
    bool capture = capture_ && text_;
    if (capture) text_->begin();
    size_t handled = 0, length = 0;
    while (!stop_ && ring_.extractLine(line_, &length)) {
        if (capture) text_->add(line_, length);
        {
            std::lock_guard<std::mutex> lock(lock_);
            decoder_.parseLine(line_);
        }
        ++handled;
    }
    if (capture && handled) text_->publish();
    return handled;
}

void GpsReceiver::handleBinary() {
    bool decoded = false;
    size_t length = 0;
    while (!stop_ && ring_.extractSirfFrame(frame_, &length)) {
        if (!options_.sirfAllowed) continue;
        std::lock_guard<std::mutex> lock(lock_);
        decoded = DecodeSirfFrame(decoder_, frame_, length) || decoded;
    }
    if (options_.sirfInput) return;
    if (binaryStartMs_ == 0) binaryStartMs_ = now();
    if (port_ == kGpsDriverPort) return;
    if (decoded || now() - binaryStartMs_ >= kBinaryTimeoutMs) {
        switchToNmea();
        binaryMode_ = false;
    }
}

bool GpsReceiver::setBaudrate(uint32_t baud) {
    std::lock_guard<std::mutex> lock(sourceMutex_);
    if (!source_ || source_->kind() != platform::GpsSourceKind::Serial) return false;
    if (!source_->setBaudrate(baud)) {
        char text[64];
        std::snprintf(text, sizeof text, "SetBaudrate=%u: Failed SetCommState", baud);
        GpsReport(port_, text);
        return false;
    }
    baud_ = baud;
    return true;
}

void GpsReceiver::snapshotFix(GpsFix& fix) const {
    std::lock_guard<std::mutex> lock(lock_);
    decoder_.snapshot(fix);
}

uint32_t GpsReceiver::gpsTime() const {
    std::lock_guard<std::mutex> lock(lock_);
    return decoder_.gpsTime;
}

int32_t GpsReceiver::courseAverage() const {
    std::lock_guard<std::mutex> lock(lock_);
    return decoder_.courseAverage();
}

void GpsReceiver::setFilterSettings(const GpsFilterSettings& settings) {
    std::lock_guard<std::mutex> lock(lock_);
    decoder_.setFilterSettings(settings);
}

bool GpsReceiver::write(const void* data, size_t n) {
    std::lock_guard<std::mutex> wl(writeMutex_);
    std::lock_guard<std::mutex> sl(sourceMutex_);
    return source_ && source_->write(data, n);
}

void GpsReceiver::pause(int ms) {
    std::unique_lock<std::mutex> lock(stopMutex_);
    stopCv_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stop_.load(); });
}

bool GpsReceiver::sendSirfMessage(uint8_t mid, const uint8_t* data, size_t length) {
    if (!options_.sirfAllowed) return false;
    std::vector<uint8_t> frame = BuildSirfFrame(mid, data, length);
    bool ok = write(frame.data(), frame.size());
    pause(100);
    return ok;
}

void GpsReceiver::switchToSirfBinary() {
    if (!options_.sirfAllowed) return;
    std::string sentence = SirfBinarySwitchSentence(baud_);
    for (int i = 0; i < 3; ++i) {
        if (i > 0) pause(500);
        write(sentence.data(), sentence.size());
    }
    pause(500);
}

void GpsReceiver::switchToNmea() {
    std::vector<uint8_t> data = SirfNmeaModeData(baud_);
    sendSirfMessage(kSirfMidSwitchToNmea, data.data(), data.size());
}

void GpsReceiver::queryStaticNavigation() {
    if (!options_.sirfAllowed) return;
    switchToSirfBinary();
    binaryMode_ = true;
    pause(100);
    const uint8_t zero = 0;
    for (int i = 0; i < 2; ++i) {
        sendSirfMessage(kSirfMidPollNavigation, &zero, 1);
        pause(50);
    }
}

void GpsReceiver::setStaticNavigation(bool on) {
    if (!options_.sirfAllowed) return;
    switchToSirfBinary();
    const uint8_t value = on ? 1 : 0;
    sendSirfMessage(kSirfMidSetStaticNavigation, &value, 1);
    pause(50);
    switchToNmea();
}

}  // namespace trek
