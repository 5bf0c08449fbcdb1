#pragma once
// Power notifications on a thread of their own. The source is systemd-logind's
// PrepareForSleep signal where logind runs, or a file/FIFO of flags words
// (TREKVANE_POWER_EVENTS, for tests); each notification is a 32-bit flags word
// with the values below. The thread polls its quit flag every 500 ms.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>

namespace trek {

enum : uint32_t {
    POWER_ON = 0x00010000,
    POWER_OFF = 0x00020000,
    POWER_CRITICAL = 0x00040000,
    POWER_BOOT = 0x00080000,
    POWER_IDLE = 0x00100000,
    POWER_SUSPEND = 0x00200000,  // the device was suspended (delivered on the way back)
    POWER_RESET = 0x00800000,
    // Ours: the machine is about to sleep (logind's PrepareForSleep(true)).
    POWER_GOING_TO_SLEEP = 0x80000000,
};

class PowerEventSource {
public:
    virtual ~PowerEventSource() = default;
    // Waits at most timeoutMs for the next notification's flags word.
    virtual std::optional<uint32_t> wait(int timeoutMs) = 0;
};

// logind on the system bus; nullptr when there is no system bus.
std::unique_ptr<PowerEventSource> OpenLogindPowerSource(std::string* error = nullptr);
// Lines of flags words ("0x00200000" or decimal) read from a file or FIFO.
std::unique_ptr<PowerEventSource> OpenFilePowerSource(const std::string& path, std::string* error = nullptr);
// TREKVANE_POWER_EVENTS when set, else logind; nullptr when neither is there.
std::unique_ptr<PowerEventSource> OpenDefaultPowerSource(std::string* error = nullptr);

class PowerWatch {
public:
    static constexpr int kPollMs = 500;

    // handler runs on the watch thread.
    PowerWatch(std::unique_ptr<PowerEventSource> source, std::function<void(uint32_t flags)> handler);
    ~PowerWatch();
    PowerWatch(const PowerWatch&) = delete;
    PowerWatch& operator=(const PowerWatch&) = delete;

    void start();
    // Sets the quit flag; the thread ends within kPollMs (joined here).
    void stop();
    bool running() const { return thread_.joinable(); }

private:
    void run();

    std::unique_ptr<PowerEventSource> source_;
    std::function<void(uint32_t)> handler_;
    std::atomic<bool> quit_{false};
    std::thread thread_;
};

}  // namespace trek
