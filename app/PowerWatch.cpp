#include "app/PowerWatch.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <string>

#include "app/Trace.h"

#if TREK_HAVE_SDBUS
#include <systemd/sd-bus.h>
#endif

namespace trek {

namespace {

// Flags words, one a line. The file is re-opened after its writer closes a
// FIFO, so that tests can write several times.
class FilePowerSource : public PowerEventSource {
public:
    explicit FilePowerSource(std::string path) : path_(std::move(path)) {}
    ~FilePowerSource() override {
        if (fd_ >= 0) ::close(fd_);
    }

    bool open(std::string* error) {
        fd_ = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd_ < 0 && error) *error = path_ + ": " + std::strerror(errno);
        return fd_ >= 0;
    }

    std::optional<uint32_t> wait(int timeoutMs) override {
        if (!pending_.empty()) return take();
        if (fd_ < 0) {
            ::usleep(static_cast<useconds_t>(timeoutMs) * 1000);
            return std::nullopt;
        }
        pollfd p{fd_, POLLIN, 0};
        int n = ::poll(&p, 1, timeoutMs);
        if (n <= 0) return std::nullopt;
        char buf[256];
        ssize_t got = ::read(fd_, buf, sizeof buf);
        if (got > 0) {
            line_.append(buf, static_cast<size_t>(got));
            split();
        } else if (got == 0) {
            // End of a file, or the FIFO's writer went away: wait for the next one.
            ::close(fd_);
            fd_ = -1;
            open(nullptr);
            if (!line_.empty()) {
                line_ += '\n';
                split();
            }
            if (pending_.empty()) ::usleep(static_cast<useconds_t>(timeoutMs) * 1000 / 4);
        }
        if (!pending_.empty()) return take();
        return std::nullopt;
    }

private:
    void split() {
        size_t nl;
        while ((nl = line_.find('\n')) != std::string::npos) {
            std::string text = line_.substr(0, nl);
            line_.erase(0, nl + 1);
            char* end = nullptr;
            unsigned long v = std::strtoul(text.c_str(), &end, 0);
            if (end != text.c_str()) pending_.push_back(static_cast<uint32_t>(v));
        }
        if (line_.size() > 1024) line_.clear();  // no line is that long
    }
    uint32_t take() {
        uint32_t v = pending_.front();
        pending_.pop_front();
        return v;
    }

    std::string path_;
    int fd_ = -1;
    std::string line_;
    std::deque<uint32_t> pending_;
};

#if TREK_HAVE_SDBUS
class LogindPowerSource : public PowerEventSource {
public:
    ~LogindPowerSource() override {
        sd_bus_slot_unref(slot_);
        sd_bus_flush_close_unref(bus_);
    }

    bool open(std::string* error) {
        int r = sd_bus_open_system(&bus_);
        if (r >= 0)
            r = sd_bus_match_signal(bus_, &slot_, "org.freedesktop.login1", "/org/freedesktop/login1",
                                    "org.freedesktop.login1.Manager", "PrepareForSleep", &LogindPowerSource::onSignal,
                                    this);
        if (r < 0 && error) *error = std::string("system bus: ") + std::strerror(-r);
        return r >= 0;
    }

    std::optional<uint32_t> wait(int timeoutMs) override {
        for (;;) {
            if (!pending_.empty()) {
                uint32_t v = pending_.front();
                pending_.pop_front();
                return v;
            }
            int r = sd_bus_process(bus_, nullptr);
            if (r < 0) {
                ::usleep(static_cast<useconds_t>(timeoutMs) * 1000);
                return std::nullopt;
            }
            if (r > 0) continue;
            if (!pending_.empty()) continue;
            r = sd_bus_wait(bus_, static_cast<uint64_t>(timeoutMs) * 1000);
            if (r <= 0) {
                sd_bus_process(bus_, nullptr);
                if (pending_.empty()) return std::nullopt;
            }
        }
    }

private:
    static int onSignal(sd_bus_message* m, void* user, sd_bus_error*) {
        int start = 0;
        if (sd_bus_message_read(m, "b", &start) < 0) return 0;
        // Before sleeping the receiver goes; after waking it comes back.
        static_cast<LogindPowerSource*>(user)->pending_.push_back(start ? POWER_GOING_TO_SLEEP : POWER_SUSPEND);
        return 0;
    }

    sd_bus* bus_ = nullptr;
    sd_bus_slot* slot_ = nullptr;
    std::deque<uint32_t> pending_;
};
#endif

}  // namespace

std::unique_ptr<PowerEventSource> OpenLogindPowerSource(std::string* error) {
#if TREK_HAVE_SDBUS
    auto source = std::make_unique<LogindPowerSource>();
    if (!source->open(error)) return nullptr;
    return source;
#else
    if (error) *error = "built without sd-bus";
    return nullptr;
#endif
}

std::unique_ptr<PowerEventSource> OpenFilePowerSource(const std::string& path, std::string* error) {
    auto source = std::make_unique<FilePowerSource>(path);
    if (!source->open(error)) return nullptr;
    return source;
}

std::unique_ptr<PowerEventSource> OpenDefaultPowerSource(std::string* error) {
    if (const char* path = std::getenv("TREKVANE_POWER_EVENTS"); path && *path) return OpenFilePowerSource(path, error);
    return OpenLogindPowerSource(error);
}

PowerWatch::PowerWatch(std::unique_ptr<PowerEventSource> source, std::function<void(uint32_t)> handler)
    : source_(std::move(source)), handler_(std::move(handler)) {}

PowerWatch::~PowerWatch() { stop(); }

void PowerWatch::start() {
    if (!source_ || thread_.joinable()) return;
    quit_ = false;
    thread_ = std::thread([this] { run(); });
}

void PowerWatch::stop() {
    quit_ = true;
    if (thread_.joinable()) thread_.join();
}

void PowerWatch::run() {
    while (!quit_) {
        std::optional<uint32_t> flags = source_->wait(kPollMs);
        if (!flags || quit_) continue;
        ShellTrace("power 0x%08X", *flags);
        if (handler_) handler_(*flags);
    }
}

}  // namespace trek
