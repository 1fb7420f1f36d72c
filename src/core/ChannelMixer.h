#pragma once
// What the volume controls do to the decoded samples: gain, left/right balance, both
// channels as their mean (mono), and mute. Works on interleaved 16-bit stereo frames with
// fixed-point gains; with the default settings it leaves the samples untouched.
//
// Not synchronised: owned and used by the decoder thread alone.

#include <cstdint>
#include <span>

class ChannelMixer {
public:
    static constexpr int kBalanceCentre = 50;
    static constexpr int kBalanceMax = 99;
    static constexpr int kVolumeReportMax = 99;

    // balance 0..99 (0 only the left channel, 50 both in full, 99 only the right); gain
    // volume/range. A range of 0 or less is refused (returns false, nothing changes).
    bool setVolume(int balance, int volume, int range);
    void setMuted(bool muted) { muted_ = muted; }
    // True: both channels carry the mean of the two.
    void setMono(bool mono) { mono_ = mono; }

    // What the Balance and Volume notifications report: the balance as set, the volume
    // scaled to 0..99. The start is full volume (gain 1, reported as 99), balance 50.
    int balance() const { return balance_; }
    int reportedVolume() const { return reportedVolume_; }

    // True while apply() would copy the samples unchanged.
    bool isTransparent() const;

    // Mixes `in` into `out`; both hold the same number of interleaved stereo samples.
    void apply(std::span<const std::int16_t> in, std::span<std::int16_t> out) const;

    // Equal mixers turn the same input into the same output.
    bool operator==(const ChannelMixer&) const = default;

private:
    static constexpr int kUnity = 1 << 15;  // gain 1.0 in the fixed-point gains below

    int balance_ = kBalanceCentre;
    int reportedVolume_ = kVolumeReportMax;
    int leftGain_ = kUnity;
    int rightGain_ = kUnity;
    bool muted_ = false;
    bool mono_ = false;
};
