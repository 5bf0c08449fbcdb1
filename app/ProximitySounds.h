#pragma once
// Sounds that tell the distance to the destination: three distance windows,
// each with its own timer (200..202), a number of beeps per round and the
// pauses between them.
#include <cstdint>
#include <functional>

namespace trek {

struct ProximityRow {
    int nearMetres;       // the window: near..far, inclusive
    int farMetres;
    int beeps;            // per round
    uint32_t intervalMs;  // between the beeps of a round
    uint32_t lastIntervalMs;  // after the last beep of a round
};

class ProximitySounds {
public:
    static constexpr int kRows = 3;
    static constexpr uint32_t kFirstTimer = 200;
    static const ProximityRow kTable[kRows];

    struct Hooks {
        std::function<void(uint32_t id, uint32_t ms)> setTimer;
        std::function<void(uint32_t id)> killTimer;
        std::function<void(int row)> play;  // the row's file, else the fallback
    };

    explicit ProximitySounds(Hooks hooks) : hooks_(std::move(hooks)) {}

    // A new distance to the destination (negative: no destination or guidance off).
    void update(double metres);
    // A timer of 200..202 fired; false for other ids.
    bool onTimer(uint32_t id);
    bool active(int row) const { return rows_[row].active; }
    void stopAll();

private:
    struct State {
        bool active = false;
        int played = 0;  // beeps of the current round
    };
    void beep(int row);

    Hooks hooks_;
    State rows_[kRows];
};

}  // namespace trek
