#include "app/SoundPlayer.h"

#include <SDL.h>

namespace trek {

namespace {
// What every sound is converted to before it is queued.
constexpr int kRate = 22050;
}  // namespace

SoundPlayer::SoundPlayer(bool enabled) : enabled_(enabled) {}

SoundPlayer::~SoundPlayer() {
    if (device_) {
        SDL_CloseAudioDevice(device_);
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool SoundPlayer::open() {
    if (tried_) return device_ != 0;
    tried_ = true;
    if (!enabled_ || SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return false;
    SDL_AudioSpec want{};
    want.freq = kRate;
    want.format = AUDIO_S16SYS;
    want.channels = 1;
    want.samples = 1024;
    device_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (!device_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    SDL_PauseAudioDevice(device_, 0);
    return true;
}

bool SoundPlayer::play(const std::string& wavPath) {
    ++played_;
    if (!open()) return false;
    SDL_AudioSpec spec{};
    Uint8* data = nullptr;
    Uint32 length = 0;
    if (!SDL_LoadWAV(wavPath.c_str(), &spec, &data, &length)) return false;
    SDL_AudioCVT cvt;
    bool ok = true;
    if (SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, AUDIO_S16SYS, 1, kRate) < 0) {
        ok = false;
    } else if (cvt.needed) {
        cvt.len = static_cast<int>(length);
        cvt.buf = static_cast<Uint8*>(SDL_malloc(static_cast<size_t>(cvt.len) * cvt.len_mult));
        if (!cvt.buf) {
            ok = false;
        } else {
            SDL_memcpy(cvt.buf, data, length);
            ok = SDL_ConvertAudio(&cvt) == 0 && SDL_QueueAudio(device_, cvt.buf, static_cast<Uint32>(cvt.len_cvt)) == 0;
            SDL_free(cvt.buf);
        }
    } else {
        ok = SDL_QueueAudio(device_, data, length) == 0;
    }
    SDL_FreeWAV(data);
    return ok;
}

}  // namespace trek
