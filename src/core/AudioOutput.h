#pragma once
// Where the decoder thread sends its samples: interleaved 16-bit stereo frames at the
// stream's sampling rate. Two kinds exist: SdlAudioOutput (the sound device) and
// NullAudioOutput (discards everything at once; for measuring the decode path).
//
// Thread rules: initialise() runs once, on the thread that starts the decoder, before the
// decoder thread exists; every other call comes from the decoder thread only. The object
// is destroyed after the decoder thread has ended.

#include <cstdint>
#include <span>

class AudioOutput {
public:
    virtual ~AudioOutput() = default;

    // Makes the output usable. False means there is no way to output anything, not even
    // silently; the decoder then refuses to start.
    virtual bool initialise() = 0;

    // Prepares for frames at `rateHz`; a no-op when the rate is already in use. Drops
    // anything still queued when the rate changes. False when the rate cannot be served.
    virtual bool configure(int rateHz) = 0;

    // Queues interleaved stereo samples (two per frame) behind those already queued.
    virtual void write(std::span<const std::int16_t> samples) = 0;

    // Frames written but not yet played to the listener.
    virtual std::int64_t pendingFrames() const = 0;

    // Plays queued frames (true) or holds them where they are (false). Starts held.
    virtual void setRunning(bool running) = 0;

    // Drops every queued frame that has not been played and returns how many there were:
    // of the frames written since the last discard, exactly the others have been played.
    virtual std::int64_t discard() = 0;
};
