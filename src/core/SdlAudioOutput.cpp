#include "SdlAudioOutput.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace {

constexpr int kBytesPerFrame = 2 * static_cast<int>(sizeof(std::int16_t));
constexpr int kProbeRateHz = 44100;

// The device's own buffer: the smallest power of two holding at least 40 ms (2048 frames
// at 44.1 kHz, 512 at 8 kHz). SDL's thread wakes once per buffer, so a smaller one costs
// CPU all the time; the queue in front of it holds 250 ms anyway, and pausing and stopping
// silence the device at once.
Uint16 deviceBufferFrames(int rateHz) {
    Uint16 frames = 64;
    while (frames < rateHz / 25 && frames < 8192) {
        frames = static_cast<Uint16>(frames * 2);
    }
    return frames;
}

}  // namespace

SdlAudioOutput::~SdlAudioOutput() {
    closeDevice();
    if (subsystemUp_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool SdlAudioOutput::initialise() {
    if (subsystemUp_) {
        return device_ != 0;
    }
    // SDL would catch SIGINT and SIGTERM for itself, and Ctrl+C and kill would no longer
    // end the program.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        subsystemUp_ = true;
        const char* driver = SDL_GetCurrentAudioDriver();
        onDummy_ = driver && std::string(driver) == "dummy";
        if (openDevice(kProbeRateHz)) {
            return true;
        }
    }
    return fallBackToDummy(kProbeRateHz);
}

bool SdlAudioOutput::configure(int rateHz) {
    if (device_ != 0 && rateHz == rateHz_) {
        return true;
    }
    if (rateHz <= 0 || !subsystemUp_) {
        return false;
    }
    closeDevice();
    return openDevice(rateHz) || fallBackToDummy(rateHz);
}

void SdlAudioOutput::write(std::span<const std::int16_t> samples) {
    if (device_ != 0 && !samples.empty()) {
        SDL_QueueAudio(device_, samples.data(), static_cast<Uint32>(samples.size_bytes()));
    }
}

std::int64_t SdlAudioOutput::pendingFrames() const {
    return device_ != 0 ? SDL_GetQueuedAudioSize(device_) / kBytesPerFrame : 0;
}

void SdlAudioOutput::setRunning(bool running) {
    if (device_ != 0) {
        SDL_PauseAudioDevice(device_, running ? 0 : 1);
    }
}

void SdlAudioOutput::discard() {
    if (device_ != 0) {
        SDL_ClearQueuedAudio(device_);
    }
}

bool SdlAudioOutput::openDevice(int rateHz) {
    SDL_AudioSpec wanted{};
    wanted.freq = rateHz;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = deviceBufferFrames(rateHz);
    wanted.callback = nullptr;  // queue mode: SDL_QueueAudio feeds the device
    SDL_AudioSpec obtained{};
    // No changes allowed: SDL converts to whatever the hardware wants.
    device_ = SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    rateHz_ = device_ != 0 ? rateHz : 0;
    return device_ != 0;
}

void SdlAudioOutput::closeDevice() {
    if (device_ != 0) {
        SDL_CloseAudioDevice(device_);
        device_ = 0;
        rateHz_ = 0;
    }
}

bool SdlAudioOutput::fallBackToDummy(int rateHz) {
    if (onDummy_) {
        return false;
    }
    const std::string reason = SDL_GetError();
    closeDevice();
    if (subsystemUp_) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemUp_ = false;
    }
    // The hint outranks SDL_AUDIODRIVER only for this one initialisation.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    subsystemUp_ = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    onDummy_ = true;
    if (!subsystemUp_ || !openDevice(rateHz)) {
        return false;
    }
    static std::once_flag told;
    std::call_once(told, [&reason] {
        std::fprintf(stderr, "sonvox: no sound device (%s); playing silently\n",
                     reason.empty() ? "unknown reason" : reason.c_str());
    });
    return true;
}
