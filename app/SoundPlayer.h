#pragma once
// Plays short WAV files through SDL audio. Silent (but still counting what it
// was asked to play) in headless runs or when no audio device opens.
#include <cstdint>
#include <string>

namespace trek {

class SoundPlayer {
public:
    explicit SoundPlayer(bool enabled);
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Queues the file; false when it was not played (silent mode, unreadable file).
    bool play(const std::string& wavPath);
    bool audible() const { return device_ != 0; }
    int played() const { return played_; }

private:
    bool open();

    bool enabled_;
    bool tried_ = false;
    uint32_t device_ = 0;
    int played_ = 0;
};

}  // namespace trek
