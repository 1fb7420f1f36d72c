#pragma once
// The sound device, through SDL2's audio subsystem and its queue: the decoder thread
// queues frames, SDL's own audio thread plays them in real time.
//
// Without a usable sound device (no card, no sound server, as on a build machine) the
// output falls back to SDL's "dummy" driver, which plays silently but in real time, and
// says so once per process on standard error. A driver named in SDL_AUDIODRIVER (for
// instance "dummy", or "disk" with SDL_DISKAUDIOFILE) is used as long as it works.
//
// Thread rules: as AudioOutput. The SDL audio subsystem is initialised in initialise() and
// shut down in the destructor, each once per object.

#include <SDL2/SDL_audio.h>

#include <string>

#include "AudioOutput.h"

// The SDL library as this process loads it (loading it when it is not loaded yet): its
// version as "major.minor.patch", and the file it was loaded from. Both empty when it
// cannot be loaded.
struct SdlLibrary {
    std::string version;
    std::string file;
};
SdlLibrary loadedSdlLibrary();

class SdlAudioOutput final : public AudioOutput {
public:
    SdlAudioOutput() = default;
    ~SdlAudioOutput() override;
    SdlAudioOutput(const SdlAudioOutput&) = delete;
    SdlAudioOutput& operator=(const SdlAudioOutput&) = delete;

    bool initialise() override;
    bool configure(int rateHz) override;
    void write(std::span<const std::int16_t> samples) override;
    std::int64_t pendingFrames() const override;
    void setRunning(bool running) override;
    std::int64_t discard() override;

private:
    bool openDevice(int rateHz);
    void closeDevice();
    bool fallBackToDummy(int rateHz);

    bool subsystemUp_ = false;
    bool onDummy_ = false;
    SDL_AudioDeviceID device_ = 0;
    int rateHz_ = 0;
};
