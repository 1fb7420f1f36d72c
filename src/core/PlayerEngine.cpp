#include "PlayerEngine.h"

#include <QRandomGenerator>
#include <algorithm>
#include <utility>

#include "PlaylistSource.h"
#include "SonvoxError.h"
#include "XaudioPlayer.h"

namespace {

// While nothing plays TickCount keeps rising. It wraps long before the third field's
// arithmetic could overflow, keeping its last digit, which is all that field shows of it.
constexpr int kTickCountWrap = 100'000'000;

}  // namespace

PlayerEngine::Update::~Update() {
    if (--engine_.updateDepth_ == 0 && engine_.changed_ != 0) {
        const unsigned parts = std::exchange(engine_.changed_, 0u);
        emit engine_.displayChanged(parts);
    }
}

PlayerEngine::PlayerEngine(XaudioPlayer& player, PlaylistSource& playlist, TagReader readTag,
                           QObject* parent)
    : QObject(parent),
      player_(player),
      playlist_(playlist),
      readTag_(readTag ? std::move(readTag) : tagReaderInto(CurrentTag)) {
    Timer1.setInterval(kTimerIntervalMs);
    connect(&Timer1, &QTimer::timeout, this, &PlayerEngine::Timer1Timer);
}

PlayerEngine::~PlayerEngine() = default;

PlayerEngine::TagReader PlayerEngine::tagReaderInto(Id3v1Tag& currentTag) {
    return [&currentTag](const QString& file) { return readTrackTag(file, currentTag); };
}

void PlayerEngine::start() {
    Timer1.start();
}

std::uint32_t PlayerEngine::loadNumber() const {
    return player_.loadNumber();
}

bool PlayerEngine::hasNextTrack() const {
    return !playlist_.firstFileName().isEmpty();
}

void PlayerEngine::setStatus(PlaybackStatus status) {
    if (status_ != status) {
        status_ = status;
        emit playbackStatusChanged(status);
    }
}

FastSeek PlayerEngine::fastSeek() const {
    if (display_.backwardHeld) {
        return FastSeek::Backward;
    }
    return display_.forwardHeld ? FastSeek::Forward : FastSeek::None;
}

// ---- Loading ------------------------------------------------------------------------------

void PlayerEngine::PlayMpeg(const QString& name) {
    Update update(*this);
    // The name goes to the decoder whole, however long it is.
    player_.OpenInput(name);
    endPending_ = false;
    if (display_.playMode == PlayMode::Continuous) {
        player_.Play();
    } else {
        player_.Stop();
        state_.Playing = false;
    }
    state_.TickCount = 0;
    change(display_.tag.artist, QString(), PlayerDisplay::TagPart);
    showTrackTag(name);
}

void PlayerEngine::showTrackTag(const QString& file) {
    Update update(*this);
    applyTagText(readTag(file));
}

void PlayerEngine::clearTrackTag() {
    Update update(*this);
    applyTagText({PanelTagSource::Tag, {}, {}, {}, {}});
}

PanelTagText PlayerEngine::readTag(const QString& file) {
    try {
        return readTag_(file);
    } catch (const SonvoxError& e) {
        emit errorOccurred(e.message());
        return {};
    }
}

void PlayerEngine::applyTagText(const PanelTagText& text) {
    if (text.source == PanelTagSource::Unchanged) {
        return;
    }
    PanelTagText shown = text;
    shown.source = PanelTagSource::Tag;  // where it came from is not shown
    change(display_.tag.artist, shown.artist, PlayerDisplay::TagPart);
    change(display_.tag.title, shown.title, PlayerDisplay::TagPart);
    change(display_.tag.year, shown.year, PlayerDisplay::TagPart);
    change(display_.tag.genre, shown.genre, PlayerDisplay::TagPart);
}

bool PlayerEngine::takeNextTrack() {
    const QString name = playlist_.firstFileName();
    if (name.isEmpty()) {
        return false;
    }
    PlayMpeg(name);
    state_.CurrentTrack = name;
    playlist_.removeFirstRow();
    if (playlist_.firstFileName().isEmpty()) {
        setNextEnabled(false);
    }
    return true;
}

void PlayerEngine::NextUpClick() {
    Update update(*this);
    if (playlist_.firstFileName().isEmpty()) {
        setNextEnabled(false);
        return;
    }
    const bool timerWasRunning = Timer1.isActive();
    Timer1.stop();
    player_.Stop();
    takeNextTrack();
    if (timerWasRunning) {
        Timer1.start();
    }
}

void PlayerEngine::loadTrack(const QString& file) {
    Update update(*this);
    PlayMpeg(file);
    state_.CurrentTrack = file;
}

void PlayerEngine::switchToTrack(const QString& file) {
    Update update(*this);
    player_.Stop();
    loadTrack(file);
}

void PlayerEngine::quit() {
    player_.Stop();
    player_.Quit();
}

void PlayerEngine::setNextEnabled(bool enabled) {
    Update update(*this);
    if (display_.nextEnabled == enabled) {
        return;
    }
    change(display_.nextEnabled, enabled, PlayerDisplay::NextPart);
    emit nextEnabledChanged(enabled);
}

// ---- Transport ------------------------------------------------------------------------------

void PlayerEngine::PlayUpMouseDown() {
    Update update(*this);
    if (!trackLoaded()) {
        emit loadTracksRequested();
        return;
    }
    state_.Positioning = true;
    player_.Play();
    state_.Playing = true;
    PlayColors();
    showPlayingButtons(true);
    setPositioning(false);
}

void PlayerEngine::PauseUpMouseDown() {
    Update update(*this);
    state_.Playing = false;
    player_.Pause();
    PauseColors();
    showPlayingButtons(false);
}

void PlayerEngine::PrevUpClick() {
    Update update(*this);
    showStart();
    PauseColors();
    state_.Playing = false;
    player_.Stop();
    emit positionJumped(0);
}

void PlayerEngine::AnfangUpClick() {
    Update update(*this);
    player_.Stop();
    player_.Seek(0, 0);
    emit positionJumped(0);
    if (state_.Playing) {
        player_.Play();
    } else {
        showStart();
    }
}

// ---- Positioning ----------------------------------------------------------------------------

void PlayerEngine::setPositioning(bool on) {
    state_.Positioning = on;
    if (!on && endPending_) {
        endPending_ = false;
        endOfStream();
    }
}

void PlayerEngine::TrackBar1Change(int position) {
    Update update(*this);
    state_.Positioning = true;
    setPosition(position);
    showPosition();
}

void PlayerEngine::TrackBar1MouseUp() {
    Update update(*this);
    if (!state_.Positioning) {
        return;
    }
    player_.Pause();
    player_.Seek(display_.position, display_.length);
    if (state_.Playing) {
        player_.Play();
    }
    emit positionJumped(display_.position);
    setPositioning(false);
}

void PlayerEngine::seekTo(int seconds) {
    Update update(*this);
    TrackBar1Change(seconds);
    TrackBar1MouseUp();
}

void PlayerEngine::setHeld(bool forward, bool held) {
    change(forward ? display_.forwardHeld : display_.backwardHeld, held,
           PlayerDisplay::TransportPart);
}

void PlayerEngine::ForwardUpMouseDown() {
    Update update(*this);
    state_.Positioning = true;
    setHeld(true, true);
}

void PlayerEngine::ForwardUpMouseUp() {
    Update update(*this);
    setHeld(true, false);
    setPositioning(false);
}

void PlayerEngine::BackwardUpMouseDown() {
    Update update(*this);
    state_.Positioning = true;
    setHeld(false, true);
}

void PlayerEngine::BackwardUpMouseUp() {
    Update update(*this);
    setHeld(false, false);
    setPositioning(false);
}

void PlayerEngine::seekStep() {
    const int step = display_.backwardHeld ? -kFastSeekStepSeconds : kFastSeekStepSeconds;
    setPosition(display_.position + step);
    showPosition();
    player_.Seek(display_.position, display_.length);
    emit positionJumped(display_.position);
}

// ---- Sound --------------------------------------------------------------------------------

void PlayerEngine::setVolume(int balance, int volume, int range) {
    player_.SetVolume(balance, volume, range);
}

void PlayerEngine::setMuted(bool muted) {
    if (muted) {
        player_.Mute();
    } else {
        player_.Unmute();
    }
}

void PlayerEngine::setStereo(bool stereo) {
    player_.SetChannels(stereo ? 1 : 0);
}

void PlayerEngine::requestVolumeReport() {
    player_.VolumeWindowCommand();
}

// ---- Timer ------------------------------------------------------------------------------

void PlayerEngine::Timer1Timer() {
    Update update(*this);
    if (!timerStarted_) {
        timerStarted_ = true;
        emit firstTick();
    }
    if (++state_.TickCount >= kTickCountWrap) {
        state_.TickCount -= kTickCountWrap;
    }
    if (!state_.Playing) {
        return;
    }
    if (display_.length - display_.position < kBlinkSeconds) {
        setLamp(state_.BlinkPhase ? Lamp::On : Lamp::Flash);
        state_.BlinkPhase = !state_.BlinkPhase;
    }
    if (display_.forwardHeld || display_.backwardHeld) {
        seekStep();
        setRandomThirdField();
    }
    if (!state_.Positioning) {
        setRandomThirdField();
    }
    if (state_.TickCount > 9) {
        state_.TickCount = 0;
    }
}

void PlayerEngine::setRandomThirdField() {
    const int noise = static_cast<int>(QRandomGenerator::global()->bounded(9u));
    setThirdField(noise + state_.TickCount * 10);
}

void PlayerEngine::setThirdField(int value) {
    change(display_.thirdField, value, PlayerDisplay::ThirdPart);
}

// ---- Play mode -------------------------------------------------------------------------------

void PlayerEngine::setPlayMode(PlayMode mode) {
    Update update(*this);
    change(display_.playMode, mode, PlayerDisplay::ModePart);
}

// ---- Display --------------------------------------------------------------------------------

void PlayerEngine::setPosition(int seconds) {
    // The bar's rule: raised to 0, then lowered to the length.
    change(display_.position, std::min(std::max(seconds, 0), display_.length),
           PlayerDisplay::PositionPart);
}

void PlayerEngine::setLength(int seconds) {
    change(display_.length, seconds, PlayerDisplay::LengthPart);
    change(display_.frequency, seconds / 75 + 1, PlayerDisplay::LengthPart);
    setPosition(display_.position);
}

void PlayerEngine::setElapsed(int minutes, int seconds) {
    change(display_.elapsedMinutes, minutes, PlayerDisplay::TimePart);
    change(display_.elapsedSeconds, seconds, PlayerDisplay::TimePart);
}

void PlayerEngine::showRemaining() {
    const int rest = display_.length - display_.position;
    change(display_.remainingMinutes, rest / 60, PlayerDisplay::TimePart);
    change(display_.remainingSeconds, rest % 60, PlayerDisplay::TimePart);
}

void PlayerEngine::showPosition() {
    setElapsed(display_.position / 60, display_.position % 60);
    showRemaining();
}

void PlayerEngine::showStart() {
    setPosition(0);
    setThirdField(0);
    showPosition();
}

void PlayerEngine::showPlayingButtons(bool playing) {
    change(display_.playDown, playing, PlayerDisplay::TransportPart);
}

void PlayerEngine::setLamp(Lamp lamp) {
    change(display_.lamp, lamp, PlayerDisplay::LampPart);
}

void PlayerEngine::PlayColors() {
    Update update(*this);
    setLook(true);
}

void PlayerEngine::PauseColors() {
    Update update(*this);
    setLook(false);
}

void PlayerEngine::setLook(bool playing) {
    change(display_.playLook, playing, PlayerDisplay::LookPart);
    setLamp(playing ? Lamp::On : Lamp::Off);
}
