#pragma once
// An output that plays every frame the moment it is written and keeps nothing, so the
// decoder thread decodes as fast as it can. Used to measure the decode path; it never
// fails.

#include "AudioOutput.h"

class NullAudioOutput final : public AudioOutput {
public:
    bool initialise() override { return true; }
    bool configure(int) override { return true; }
    void write(std::span<const std::int16_t> samples) override {
        framesWritten_ += samples.size() / 2;
    }
    std::int64_t pendingFrames() const override { return 0; }
    void setRunning(bool) override {}
    std::int64_t discard() override { return 0; }

    // Frames received so far (read it only after the decoder thread has ended).
    std::int64_t framesWritten() const { return framesWritten_; }

private:
    std::int64_t framesWritten_ = 0;
};
