// The audio output device over SDL audio (the system's default device), and the capture mode
// in which the recorder pulls the same fill function's samples frame-exactly with no device.
#include "platform/platform.h"

#include <SDL.h>

#include <cstring>
#include <mutex>

namespace {
// About 23 ms at 44.1 kHz: short enough that playback starts promptly after an unpause.
const Uint16 deviceBufferFrames = 1024;

struct {
    int capture;  // capture mode chosen by the recorder
    int open;     // a device (or the capture stand-in) is open
    int paused;
    int channels;  // of the last opening; sizes the silence of a closed capture
    PlatformAudioFill fill;
    void* user;
    SDL_AudioDeviceID device;
    std::recursive_mutex captureLock;  // plays the device lock's part in capture mode
} state = {0, 0, 1, 2, nullptr, nullptr, 0, {}};

void SDLCALL deviceCallback(void*, Uint8* stream, int length) {
    const int frameBytes = static_cast<int>(sizeof(int16_t)) * state.channels;
    state.fill(reinterpret_cast<int16_t*>(stream), length / frameBytes, state.user);
}

#if defined(__linux__)
extern "C" void quietAlsaReport(const char*, int, const char*, int, const char*, ...) {}

// Without a sound card ALSA reports its failed search on standard error from inside its own
// library. The demo goes on silent without a device and says nothing, so its reports are
// switched off where libasound is present. The library stays loaded: SDL opens the same one.
void silenceAlsaReports() {
    static int done = 0;
    if (done) return;
    done = 1;
    void* library = SDL_LoadObject("libasound.so.2");
    if (!library) return;
    typedef int (*SetHandler)(void (*)(const char*, int, const char*, int, const char*, ...));
    void* entry = SDL_LoadFunction(library, "snd_lib_error_set_handler");
    SetHandler setHandler = nullptr;
    std::memcpy(&setHandler, &entry, sizeof setHandler);
    if (setHandler) setHandler(quietAlsaReport);
}
#else
void silenceAlsaReports() {}
#endif

int openDevice(int rate, int channels) {
    silenceAlsaReports();
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = rate;
    want.format = AUDIO_S16SYS;
    want.channels = static_cast<Uint8>(channels);
    want.samples = deviceBufferFrames;
    want.callback = deviceCallback;
    SDL_AudioSpec have;
    // No changes allowed: SDL converts to whatever the hardware wants behind the callback.
    state.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (state.device == 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    return 1;
}
}  // namespace

int platformOpenAudio(int rate, int channels, PlatformAudioFill fill, void* user) {
    if (state.open || !fill || rate <= 0 || channels < 1 || channels > 8) return 0;
    state.fill = fill;
    state.user = user;
    state.channels = channels;
    state.paused = 1;
    if (!state.capture && !openDevice(rate, channels)) return 0;
    state.open = 1;
    return 1;
}

void platformPauseAudio(int paused) {
    if (!state.open) return;
    if (state.capture) {
        std::lock_guard<std::recursive_mutex> hold(state.captureLock);
        state.paused = paused != 0;
    } else {
        SDL_PauseAudioDevice(state.device, paused);
        state.paused = paused != 0;
    }
}

void platformLockAudio() {
    if (state.capture) state.captureLock.lock();
    else if (state.device) SDL_LockAudioDevice(state.device);
}

void platformUnlockAudio() {
    if (state.capture) state.captureLock.unlock();
    else if (state.device) SDL_UnlockAudioDevice(state.device);
}

void platformCloseAudio() {
    if (!state.open) return;
    if (state.device) {
        // Returns only once the callback has finished for good.
        SDL_CloseAudioDevice(state.device);
        state.device = 0;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    std::lock_guard<std::recursive_mutex> hold(state.captureLock);
    state.open = 0;
    state.paused = 1;
    state.fill = nullptr;
    state.user = nullptr;
}

void platformUseAudioCapture(int on) {
    // Switching modes under an open device would strand it; the recorder switches before start-up.
    if (state.open) return;
    state.capture = on != 0;
}

void platformPullAudio(int16_t* out, int frames) {
    if (!out || frames <= 0) return;
    std::lock_guard<std::recursive_mutex> hold(state.captureLock);
    if (state.capture && state.open && !state.paused) {
        state.fill(out, frames, state.user);
        return;
    }
    std::memset(out, 0, sizeof(int16_t) * static_cast<size_t>(frames) * static_cast<size_t>(state.channels));
}
