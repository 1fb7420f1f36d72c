// The player engine's side of the decoder notifications: each one turned into the
// panel's display, and the end of a stream into the next track of the playlist.

#include <algorithm>
#include <limits>

#include "PlayerEngine.h"
#include "PlayerPanel.h"
#include "controls/TDigit.h"
#include "controls/TKMVButton.h"
#include "controls/TKmvTrackBar.h"
#include "core/DecoderEvent.h"
#include "core/PlaylistSource.h"
#include "core/XaudioPlayer.h"

using decoder::Notification;
using decoder::StreamState;

void PlayerEngine::handleNotification(const DecoderEvent& event) {
    switch (event.notification()) {
        case Notification::End:
            emit endReceived();
            return;
        case Notification::StreamInfo:
            onStreamInfo(event.uint8At(4), event.uint8At(5), event.uint16At(6), event.uint16At(8),
                         event.uint8At(10));
            return;
        case Notification::Balance:
            emit balanceReported(event.int32At(4));
            return;
        case Notification::Volume:
            emit volumeReported(event.int32At(8));
            return;
        default:
            break;
    }
    // While the user positions, what the decoder says about its position is stale.
    if (state_.Positioning) {
        return;
    }
    switch (event.notification()) {
        case Notification::State:
            onState(event.int32At(4));
            break;
        case Notification::Duration:
            onDuration(event.int32At(4));
            break;
        case Notification::TimeCode:
            onTimeCode(event.int32At(8), event.int32At(12));
            break;
        default:  // Position carries nothing the engine reads.
            break;
    }
}

void PlayerEngine::onState(int state) {
    switch (static_cast<StreamState>(state)) {
        case StreamState::Playing:
            showPlayingButtons(true);
            PlayColors();
            break;
        case StreamState::Stopped:
        case StreamState::Paused:
            showPlayingButtons(false);
            PauseColors();
            break;
        case StreamState::EndOfStream:
            endOfStream();
            break;
        default:  // not a state: nothing changes
            break;
    }
}

void PlayerEngine::onDuration(int seconds) {
    const int length = seconds % 3600;  // hours are dropped
    TKmvTrackBar& bar = *panel_.TrackBar1;
    bar.setMax(length);
    bar.setPosition(0);
    bar.setFrequency(length / 75 + 1);
    panel_.SegmentRestPl1Min->setValue(length / 60);
    panel_.SegmentRestPl1Sec->setValue(length % 60);
    if (playMode_ == PlayMode::Continuous) {
        PlayColors();
        state_.Playing = true;
        showPlayingButtons(true);
    }
    const QChar zero(u'0');
    panel_.TTLabel->setText(
        QStringLiteral("%1:%2").arg(length / 60, 2, 10, zero).arg(length % 60, 2, 10, zero));
}

void PlayerEngine::onTimeCode(int minutes, int seconds) {
    panel_.SegmentTimePl1Min->setValue(minutes);
    panel_.SegmentTimePl1Sec->setValue(seconds);
    // Computed wide: the decoder's fields are any 32-bit values.
    const qint64 position = qint64(minutes) * 60 + seconds;
    const TKmvTrackBar& bar = *panel_.TrackBar1;
    panel_.TrackBar1->setPosition(static_cast<int>(std::clamp<qint64>(
        position, std::numeric_limits<int>::min(), std::numeric_limits<int>::max())));
    const int rest = bar.maximum() - bar.position();
    panel_.SegmentRestPl1Min->setValue(rest / 60);
    panel_.SegmentRestPl1Sec->setValue(rest % 60);
}

void PlayerEngine::onStreamInfo(int version, int layer, int bitRate, int sampleRate,
                                int channelMode) {
    // MPEG-2.5 comes as version 25; users know it as 2.5.
    const QString mpeg =
        version == decoder::kMpegVersion25 ? QStringLiteral("2.5") : QString::number(version);
    const QString layerText = QString::number(layer);
    const QString kbpsText = QString::number(bitRate);
    const QString khzText = QString::number(sampleRate / 1000);
    panel_.MPEG->setText(mpeg);
    panel_.Layer->setText(layerText);
    panel_.kbps->setText(kbpsText);
    panel_.kHz->setText(khzText);
    const bool stereo = channelMode == static_cast<int>(decoder::ChannelMode::Stereo) ||
                        channelMode == static_cast<int>(decoder::ChannelMode::JointStereo);
    panel_.StereoLab->setText(stereo ? QStringLiteral("Stereo") : QStringLiteral("Mono"));
    emit streamInfoShown(mpeg, layerText, kbpsText, khzText, channelMode);
    emit coverRefreshRequested(state_.CurrentTrack);
}

void PlayerEngine::endOfStream() {
    showPlayingButtons(false);
    player_.Seek(0, 0);
    panel_.TrackBar1->setPosition(0);
    PauseColors();
    state_.Playing = false;
    showStart();
    if (!takeNextTrack()) {
        // The finished track stays loaded, stopped at its start.
        setNextEnabled(false);
        emit playlistRanOut();
    }
}
