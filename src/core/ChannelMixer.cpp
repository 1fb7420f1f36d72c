#include "ChannelMixer.h"

#include <algorithm>
#include <cmath>

bool ChannelMixer::setVolume(int balance, int volume, int range) {
    if (range <= 0) {
        return false;
    }
    balance_ = std::clamp(balance, 0, kBalanceMax);
    const double gain = static_cast<double>(std::clamp(volume, 0, range)) / range;
    reportedVolume_ = std::min(kVolumeReportMax, static_cast<int>(std::lround(gain * 100.0)));

    // Below the centre the right channel fades out, above it the left one; the other
    // channel stays in full.
    const double left = balance_ <= kBalanceCentre
                            ? 1.0
                            : double(kBalanceMax - balance_) / (kBalanceMax - kBalanceCentre);
    const double right = balance_ >= kBalanceCentre ? 1.0 : double(balance_) / kBalanceCentre;
    leftGain_ = static_cast<int>(std::lround(kUnity * gain * left));
    rightGain_ = static_cast<int>(std::lround(kUnity * gain * right));
    return true;
}

bool ChannelMixer::isTransparent() const {
    return !muted_ && !mono_ && leftGain_ == kUnity && rightGain_ == kUnity;
}

void ChannelMixer::apply(std::span<const std::int16_t> in, std::span<std::int16_t> out) const {
    const std::size_t count = std::min(in.size(), out.size()) & ~std::size_t{1};
    if (muted_) {
        std::fill_n(out.begin(), count, std::int16_t{0});
        return;
    }
    // Gains never exceed kUnity, so every product fits in 32 bits and every result in 16.
    for (std::size_t i = 0; i < count; i += 2) {
        std::int32_t left = in[i];
        std::int32_t right = in[i + 1];
        if (mono_) {
            left = right = (left + right) / 2;
        }
        out[i] = static_cast<std::int16_t>((left * leftGain_) >> 15);
        out[i + 1] = static_cast<std::int16_t>((right * rightGain_) >> 15);
    }
}
