// The player engine's side of the decoder notifications: each one turned into the
// display, and the end of a stream into the next track of the playlist.

#include <algorithm>
#include <limits>

#include "DecoderEvent.h"
#include "PlayerEngine.h"
#include "PlaylistSource.h"
#include "XaudioPlayer.h"

using decoder::Notification;
using decoder::StreamState;

void PlayerEngine::handleNotification(const DecoderEvent& event) {
    Update update(*this);
    switch (event.notification()) {
        case Notification::End:
            emit endReceived();
            return;
        case Notification::Balance:
            reportedBalance_ = event.int32At(4);
            emit balanceReported(reportedBalance_);
            return;
        case Notification::Volume:
            reportedVolume_ = event.int32At(8);
            emit volumeReported(reportedVolume_);
            return;
        default:
            break;
    }
    // What belongs to a track that has since been replaced is stale.
    if (event.load() != player_.loadNumber()) {
        return;
    }
    switch (event.notification()) {
        case Notification::StreamInfo:
            onStreamInfo(event.uint8At(4), event.uint8At(5), event.uint16At(6), event.uint16At(8),
                         event.uint8At(10));
            return;
        case Notification::TrackFailed:
            onTrackFailed(event.int32At(4));
            return;
        default:
            break;
    }
    // While the user positions, what the decoder says about its position is stale; an end
    // of the stream is kept for when positioning ends.
    if (state_.Positioning) {
        if (event.notification() == Notification::State &&
            event.int32At(4) == static_cast<int>(StreamState::EndOfStream)) {
            endPending_ = true;
        }
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
            setStatus(PlaybackStatus::Playing);
            showPlayingButtons(true);
            PlayColors();
            break;
        case StreamState::Stopped:
        case StreamState::Paused:
            setStatus(static_cast<StreamState>(state) == StreamState::Paused
                          ? PlaybackStatus::Paused
                          : PlaybackStatus::Stopped);
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
    trackSeconds_ = seconds;
    const int length = seconds % 3600;  // hours are dropped
    setLength(length);
    setPosition(0);
    change(display_.remainingMinutes, length / 60, PlayerDisplay::TimePart);
    change(display_.remainingSeconds, length % 60, PlayerDisplay::TimePart);
    if (display_.playMode == PlayMode::Continuous) {
        PlayColors();
        state_.Playing = true;
        showPlayingButtons(true);
    }
    const QChar zero(u'0');
    change(display_.lengthText,
           QStringLiteral("%1:%2").arg(length / 60, 2, 10, zero).arg(length % 60, 2, 10, zero),
           PlayerDisplay::LengthPart);
}

void PlayerEngine::onTimeCode(int minutes, int seconds) {
    setElapsed(minutes, seconds);
    // Computed wide: the decoder's fields are any 32-bit values.
    const qint64 position = qint64(minutes) * 60 + seconds;
    setPosition(static_cast<int>(std::clamp<qint64>(position, std::numeric_limits<int>::min(),
                                                    std::numeric_limits<int>::max())));
    showRemaining();
}

void PlayerEngine::onStreamInfo(int version, int layer, int bitRate, int sampleRate,
                                int channelMode) {
    StreamText text;
    // MPEG-2.5 comes as version 25; users know it as 2.5.
    text.mpeg =
        version == decoder::kMpegVersion25 ? QStringLiteral("2.5") : QString::number(version);
    text.layer = QString::number(layer);
    text.kbps = QString::number(bitRate);
    text.khz = QString::number(sampleRate / 1000);
    const bool stereo = channelMode == static_cast<int>(decoder::ChannelMode::Stereo) ||
                        channelMode == static_cast<int>(decoder::ChannelMode::JointStereo);
    text.stereo = stereo ? QStringLiteral("Stereo") : QStringLiteral("Mono");
    text.channelMode = channelMode;
    change(display_.stream, text, PlayerDisplay::StreamPart);
    trackLoaded_ = true;
    emit streamInfoShown(text.mpeg, text.layer, text.kbps, text.khz, channelMode);
    emit coverRefreshRequested(state_.CurrentTrack);
}

void PlayerEngine::onTrackFailed(int reason) {
    // The tag (or the file's name) stays; nothing of the previous track's stream does.
    change(display_.stream, StreamText{}, PlayerDisplay::StreamPart);
    change(display_.lengthText, QString(), PlayerDisplay::LengthPart);
    setLength(0);
    trackSeconds_ = 0;
    setThirdField(0);
    showPosition();
    emit trackFailed(state_.CurrentTrack, reason);
}

void PlayerEngine::endOfStream() {
    setStatus(PlaybackStatus::Stopped);
    showPlayingButtons(false);
    player_.Seek(0, 0);
    PauseColors();
    state_.Playing = false;
    showStart();
    if (!takeNextTrack()) {
        // The finished track stays loaded, stopped at its start.
        setNextEnabled(false);
        emit playlistRanOut();
    }
}
