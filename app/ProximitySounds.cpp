#include "app/ProximitySounds.h"

namespace trek {

const ProximityRow ProximitySounds::kTable[kRows] = {
    {95, 105, 1, 10000, 10000},
    {45, 55, 2, 1000, 9000},
    {10, 20, 3, 1000, 8000},
};

void ProximitySounds::beep(int row) {
    const ProximityRow& r = kTable[row];
    State& s = rows_[row];
    if (hooks_.play) hooks_.play(row);
    ++s.played;
    uint32_t next = r.intervalMs;
    if (s.played >= r.beeps) {
        next = r.lastIntervalMs;
        s.played = 0;
    }
    if (hooks_.setTimer) hooks_.setTimer(kFirstTimer + static_cast<uint32_t>(row), next);
}

void ProximitySounds::update(double metres) {
    for (int row = 0; row < kRows; ++row) {
        const ProximityRow& r = kTable[row];
        State& s = rows_[row];
        bool inside = metres >= r.nearMetres && metres <= r.farMetres;
        if (inside && !s.active) {
            s.active = true;
            s.played = 0;
            beep(row);
        } else if (!inside && s.active) {
            s = State{};
            if (hooks_.killTimer) hooks_.killTimer(kFirstTimer + static_cast<uint32_t>(row));
        }
    }
}

bool ProximitySounds::onTimer(uint32_t id) {
    if (id < kFirstTimer || id >= kFirstTimer + kRows) return false;
    int row = static_cast<int>(id - kFirstTimer);
    if (rows_[row].active)
        beep(row);
    else if (hooks_.killTimer)
        hooks_.killTimer(id);
    return true;
}

void ProximitySounds::stopAll() {
    for (int row = 0; row < kRows; ++row) {
        if (rows_[row].active && hooks_.killTimer) hooks_.killTimer(kFirstTimer + static_cast<uint32_t>(row));
        rows_[row] = State{};
    }
}

}  // namespace trek
