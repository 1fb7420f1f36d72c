#include "SdlAudioOutput.h"

#include <SDL2/SDL.h>
#include <dlfcn.h>

#include <cstdio>
#include <mutex>
#include <string>

namespace {

// SDL and the sound libraries it pulls in are loaded when the first output is initialised,
// not when the program starts: a player that has not played yet neither waits for them
// nor keeps them in memory.
constexpr const char* kSdlLibrary = "libSDL2-2.0.so.0";

#define SONVOX_SDL_FUNCTIONS(X)  \
    X(SDL_SetHint)               \
    X(SDL_SetHintWithPriority)   \
    X(SDL_ResetHint)             \
    X(SDL_InitSubSystem)         \
    X(SDL_QuitSubSystem)         \
    X(SDL_GetCurrentAudioDriver) \
    X(SDL_GetError)              \
    X(SDL_OpenAudioDevice)       \
    X(SDL_CloseAudioDevice)      \
    X(SDL_PauseAudioDevice)      \
    X(SDL_QueueAudio)            \
    X(SDL_GetQueuedAudioSize)    \
    X(SDL_ClearQueuedAudio)      \
    X(SDL_LockAudioDevice)       \
    X(SDL_UnlockAudioDevice)     \
    X(SDL_GetVersion)

struct SdlApi {
#define SONVOX_SDL_POINTER(name) decltype(&::name) name = nullptr;
    SONVOX_SDL_FUNCTIONS(SONVOX_SDL_POINTER)
#undef SONVOX_SDL_POINTER
};

// The loaded functions, or nullptr when the library cannot be loaded (said once on
// standard error). The library stays loaded until the process ends.
const SdlApi* sdl() {
    static const SdlApi* const api = []() -> const SdlApi* {
        static SdlApi loaded;
        void* library = dlopen(kSdlLibrary, RTLD_NOW | RTLD_LOCAL);
        if (!library) {
            std::fprintf(stderr, "sonvox: cannot load %s: %s\n", kSdlLibrary, dlerror());
            return nullptr;
        }
#define SONVOX_SDL_LOAD(name)                                                     \
    loaded.name = reinterpret_cast<decltype(loaded.name)>(dlsym(library, #name)); \
    if (!loaded.name) {                                                           \
        std::fprintf(stderr, "sonvox: %s lacks %s\n", kSdlLibrary, #name);        \
        return nullptr;                                                           \
    }
        SONVOX_SDL_FUNCTIONS(SONVOX_SDL_LOAD)
#undef SONVOX_SDL_LOAD
        return &loaded;
    }();
    return api;
}

constexpr int kBytesPerFrame = 2 * static_cast<int>(sizeof(std::int16_t));
constexpr int kProbeRateHz = 44100;

// The device's own buffer: the smallest power of two holding at least 80 ms (4096 frames
// at 44.1 and 48 kHz, 1024 at 8 kHz). SDL's thread wakes once per buffer, so a smaller one
// costs CPU all the time; the queue in front of it holds up to a second and a half (see
// MpgDecoder.cpp), so a device that takes a whole buffer at once still finds sound queued,
// and pausing and stopping silence the device at once.
Uint16 deviceBufferFrames(int rateHz) {
    Uint16 frames = 64;
    while (frames < rateHz * 8 / 100 && frames < 8192) {
        frames = static_cast<Uint16>(frames * 2);
    }
    return frames;
}

}  // namespace

SdlLibrary loadedSdlLibrary() {
    const SdlApi* api = sdl();
    if (!api) {
        return {};
    }
    SDL_version version;
    api->SDL_GetVersion(&version);
    SdlLibrary library;
    library.version = std::to_string(version.major) + '.' + std::to_string(version.minor) + '.' +
                      std::to_string(version.patch);
    Dl_info where;
    if (dladdr(reinterpret_cast<const void*>(api->SDL_GetVersion), &where) != 0 &&
        where.dli_fname) {
        library.file = where.dli_fname;
    }
    return library;
}

SdlAudioOutput::~SdlAudioOutput() {
    closeDevice();
    if (subsystemUp_) {
        sdl()->SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
}

bool SdlAudioOutput::initialise() {
    if (subsystemUp_) {
        return device_ != 0;
    }
    if (!sdl()) {
        return false;
    }
    // SIGINT and SIGTERM belong to the program, which ends through its own handlers; SDL
    // would otherwise take them for its event queue, where nobody reads them.
    sdl()->SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (sdl()->SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        subsystemUp_ = true;
        const char* driver = sdl()->SDL_GetCurrentAudioDriver();
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
        sdl()->SDL_QueueAudio(device_, samples.data(), static_cast<Uint32>(samples.size_bytes()));
    }
}

std::int64_t SdlAudioOutput::pendingFrames() const {
    return device_ != 0 ? sdl()->SDL_GetQueuedAudioSize(device_) / kBytesPerFrame : 0;
}

void SdlAudioOutput::setRunning(bool running) {
    if (device_ != 0) {
        sdl()->SDL_PauseAudioDevice(device_, running ? 0 : 1);
    }
}

std::int64_t SdlAudioOutput::discard() {
    if (device_ == 0) {
        return 0;
    }
    // Locked, SDL's thread cannot take frames between the count and the clear.
    sdl()->SDL_LockAudioDevice(device_);
    const std::int64_t frames = sdl()->SDL_GetQueuedAudioSize(device_) / kBytesPerFrame;
    sdl()->SDL_ClearQueuedAudio(device_);
    sdl()->SDL_UnlockAudioDevice(device_);
    return frames;
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
    device_ = sdl()->SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    rateHz_ = device_ != 0 ? rateHz : 0;
    return device_ != 0;
}

void SdlAudioOutput::closeDevice() {
    if (device_ != 0) {
        sdl()->SDL_CloseAudioDevice(device_);
        device_ = 0;
        rateHz_ = 0;
    }
}

bool SdlAudioOutput::fallBackToDummy(int rateHz) {
    if (onDummy_) {
        return false;
    }
    const std::string reason = sdl()->SDL_GetError();
    closeDevice();
    if (subsystemUp_) {
        sdl()->SDL_QuitSubSystem(SDL_INIT_AUDIO);
        subsystemUp_ = false;
    }
    // The hint outranks SDL_AUDIODRIVER only for this one initialisation.
    sdl()->SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    subsystemUp_ = sdl()->SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    sdl()->SDL_ResetHint(SDL_HINT_AUDIODRIVER);
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
