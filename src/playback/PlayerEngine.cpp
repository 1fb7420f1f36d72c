#include "PlayerEngine.h"

#include <QRandomGenerator>
#include <QScopeGuard>

#include "PlayerPanel.h"
#include "controls/TDigit.h"
#include "controls/TKMVButton.h"
#include "controls/TKmvTrackBar.h"
#include "core/PlaylistSource.h"
#include "core/XaudioPlayer.h"

namespace {

// Lime green and red of the play look; the pause look's grey is that of an inactive
// window caption.
const QColor kPlayTextColour(0, 255, 0);
const QColor kPlayStereoColour(255, 0, 0);
const QColor kPauseTextColour(128, 128, 128);

// While nothing plays TickCount keeps rising. It wraps long before the third field's
// arithmetic could overflow, keeping its last digit, which is all that field shows of it.
constexpr int kTickCountWrap = 100'000'000;

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

}  // namespace

PlayerEngine::PlayerEngine(XaudioPlayer& player, PlayerPanel& panel, PlaylistSource& playlist,
                           TagReader readTag, QObject* parent)
    : QObject(parent),
      player_(player),
      panel_(panel),
      playlist_(playlist),
      readTag_(readTag ? std::move(readTag) : tagReaderInto(CurrentTag)) {
    Timer1.setInterval(kTimerIntervalMs);
    connect(&Timer1, &QTimer::timeout, this, &PlayerEngine::Timer1Timer);

    panel_.TrackBar1->setMax(0);
    panel_.TrackBar1->setFrequency(1);
    PauseColors();
    showPlayingButtons(false);
    panel_.NextUp->setEnabled(false);
    setPlayMode(PlayMode::Continuous);
    connectPanel();
}

PlayerEngine::~PlayerEngine() = default;

PlayerEngine::TagReader PlayerEngine::tagReaderInto(Id3v1Tag& currentTag) {
    return [&currentTag](const QString& file) { return readTrackTag(file, currentTag); };
}

void PlayerEngine::start() {
    Timer1.start();
}

bool PlayerEngine::trackLoaded() const {
    return !panel_.kbps->text().isEmpty();
}

void PlayerEngine::connectPanel() {
    // Play, pause and fast seek act on the press of the left button; restart, stop and
    // next track on the click.
    auto onLeftPress = [this](TKMVButton* button, void (PlayerEngine::*handler)()) {
        connect(button, &TKMVButton::mousePressed, this, [this, handler](Qt::MouseButton b) {
            if (b == Qt::LeftButton) {
                (this->*handler)();
            }
        });
    };
    auto onLeftRelease = [this](TKMVButton* button, void (PlayerEngine::*handler)()) {
        connect(button, &TKMVButton::mouseReleased, this, [this, handler](Qt::MouseButton b) {
            if (b == Qt::LeftButton) {
                (this->*handler)();
            }
        });
    };
    onLeftPress(panel_.PlayUp, &PlayerEngine::PlayUpMouseDown);
    onLeftPress(panel_.PauseUp, &PlayerEngine::PauseUpMouseDown);
    onLeftPress(panel_.ForwardUp, &PlayerEngine::ForwardUpMouseDown);
    onLeftRelease(panel_.ForwardUp, &PlayerEngine::ForwardUpMouseUp);
    onLeftPress(panel_.BackwardUp, &PlayerEngine::BackwardUpMouseDown);
    onLeftRelease(panel_.BackwardUp, &PlayerEngine::BackwardUpMouseUp);
    connect(panel_.PrevUp, &TKMVButton::clicked, this, &PlayerEngine::PrevUpClick);
    connect(panel_.AnfangUp, &TKMVButton::clicked, this, &PlayerEngine::AnfangUpClick);
    connect(panel_.NextUp, &TKMVButton::clicked, this, &PlayerEngine::NextUpClick);

    connect(panel_.TrackBar1, &TKmvTrackBar::changed, this, &PlayerEngine::TrackBar1Change);
    connect(panel_.TrackBar1, &TKmvTrackBar::mouseReleased, this, &PlayerEngine::TrackBar1MouseUp);
    // A keyboard move ends when its key is released; seek then, as for the mouse, so the
    // display does not stay frozen until some later release on the bar.
    connect(panel_.TrackBar1, &TKmvTrackBar::keyReleased, this, &PlayerEngine::TrackBar1MouseUp);

    connect(&panel_, &PlayerPanel::modeMenuRequested, this, &PlayerEngine::modeMenuRequested);
}

// ---- Loading ------------------------------------------------------------------------------

void PlayerEngine::PlayMpeg(const QString& name) {
    // The name goes to the decoder whole, however long it is.
    player_.OpenInput(name);
    if (playMode_ == PlayMode::Continuous) {
        player_.Play();
    } else {
        player_.Stop();
        state_.Playing = false;
    }
    state_.TickCount = 0;
    panel_.IntLabelpl1->clear();
    showTrackTag(name);
}

void PlayerEngine::showTrackTag(const QString& file) {
    applyTagText(readTag_(file));
}

void PlayerEngine::applyTagText(const PanelTagText& text) {
    if (text.source == PanelTagSource::Unchanged) {
        return;
    }
    panel_.IntLabelpl1->setText(text.artist);
    panel_.TitLabelPl1->setText(text.title);
    panel_.JahrLabel->setText(text.year);
    panel_.LabelStylePL1->setText(text.genre);
}

bool PlayerEngine::takeNextTrack() {
    const QString name = playlist_.firstFileName();
    if (name.isEmpty()) {
        return false;
    }
    // Once OpenInput has gone out the track is in the decoder. Should reading its tag then
    // fail, the queue and CurrentTrack still follow, so the same row is not loaded twice;
    // the error goes on to the application's handler.
    auto finish = [this, &name] {
        state_.CurrentTrack = name;
        playlist_.removeFirstRow();
        if (playlist_.firstFileName().isEmpty()) {
            setNextEnabled(false);
        }
    };
    try {
        PlayMpeg(name);
    } catch (...) {
        finish();
        throw;
    }
    finish();
    return true;
}

void PlayerEngine::NextUpClick() {
    if (playlist_.firstFileName().isEmpty()) {
        setNextEnabled(false);
        panel_.NextUp->setIsDown(false);
        return;
    }
    const bool timerWasRunning = Timer1.isActive();
    Timer1.stop();
    const auto resume = qScopeGuard([this, timerWasRunning] {
        if (timerWasRunning) {
            Timer1.start();
        }
        panel_.NextUp->setIsDown(false);
    });
    player_.Stop();
    takeNextTrack();
}

void PlayerEngine::loadTrack(const QString& file) {
    PlayMpeg(file);
    state_.CurrentTrack = file;
}

void PlayerEngine::switchToTrack(const QString& file) {
    player_.Stop();
    loadTrack(file);
}

void PlayerEngine::setNextEnabled(bool enabled) {
    if (panel_.NextUp->isEnabled() == enabled) {
        return;
    }
    panel_.NextUp->setEnabled(enabled);
    emit nextEnabledChanged(enabled);
}

// ---- Transport ------------------------------------------------------------------------------

void PlayerEngine::PlayUpMouseDown() {
    if (!trackLoaded()) {
        emit loadTracksRequested();
        return;
    }
    state_.Positioning = true;
    player_.Play();
    state_.Playing = true;
    panel_.PlayUp->setIsDown(true);
    PlayColors();
    panel_.PauseUp->setIsDown(false);
    state_.Positioning = false;
}

void PlayerEngine::PauseUpMouseDown() {
    state_.Playing = false;
    player_.Pause();
    PauseColors();
    showPlayingButtons(false);
}

void PlayerEngine::PrevUpClick() {
    showStart();
    PauseColors();
    state_.Playing = false;
    player_.Stop();
}

void PlayerEngine::AnfangUpClick() {
    player_.Stop();
    player_.Seek(0, 0);
    if (state_.Playing) {
        player_.Play();
    } else {
        showStart();
    }
}

// ---- Positioning ----------------------------------------------------------------------------

void PlayerEngine::TrackBar1Change() {
    state_.Positioning = true;
    showPosition();
}

void PlayerEngine::TrackBar1MouseUp() {
    if (!state_.Positioning) {
        return;
    }
    player_.Pause();
    player_.Seek(panel_.TrackBar1->position(), panel_.TrackBar1->maximum());
    if (state_.Playing) {
        player_.Play();
    }
    state_.Positioning = false;
}

void PlayerEngine::ForwardUpMouseDown() {
    state_.Positioning = true;
    panel_.ForwardUp->setIsDown(true);
}

void PlayerEngine::ForwardUpMouseUp() {
    state_.Positioning = false;
    panel_.ForwardUp->setIsDown(false);
}

void PlayerEngine::BackwardUpMouseDown() {
    state_.Positioning = true;
    panel_.BackwardUp->setIsDown(true);
}

void PlayerEngine::BackwardUpMouseUp() {
    state_.Positioning = false;
    panel_.BackwardUp->setIsDown(false);
}

void PlayerEngine::seekStep() {
    TKmvTrackBar& bar = *panel_.TrackBar1;
    const int step = panel_.BackwardUp->IsDown() ? -kFastSeekStepSeconds : kFastSeekStepSeconds;
    bar.setPosition(bar.position() + step);  // the bar keeps it within 0 and the maximum
    showPosition();
    player_.Seek(bar.position(), bar.maximum());
}

// ---- Timer ------------------------------------------------------------------------------

void PlayerEngine::Timer1Timer() {
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
    const TKmvTrackBar& bar = *panel_.TrackBar1;
    if (bar.maximum() - bar.position() < kBlinkSeconds) {
        panel_.LampeOffPL1->hide();
        panel_.LampeFlashPL1->setVisible(!state_.BlinkPhase);
        panel_.LampeOnPL1->setVisible(state_.BlinkPhase);
        state_.BlinkPhase = !state_.BlinkPhase;
    }
    if (panel_.ForwardUp->IsDown() || panel_.BackwardUp->IsDown()) {
        seekStep();
        setThirdField();
    }
    if (!state_.Positioning) {
        setThirdField();
    }
    if (state_.TickCount > 9) {
        state_.TickCount = 0;
    }
}

void PlayerEngine::setThirdField() {
    const int noise = static_cast<int>(QRandomGenerator::global()->bounded(9u));
    panel_.SegmentTimePl1Frame->setValue(noise + state_.TickCount * 10);
}

// ---- Play mode -------------------------------------------------------------------------------

void PlayerEngine::setPlayMode(PlayMode mode) {
    playMode_ = mode;
    panel_.ModeAutoPause->setVisible(mode == PlayMode::Single);
    panel_.ModePlaylist->setVisible(mode == PlayMode::Continuous);
}

// ---- Display --------------------------------------------------------------------------------

void PlayerEngine::showPosition() {
    const TKmvTrackBar& bar = *panel_.TrackBar1;
    const int position = bar.position();
    panel_.SegmentTimePl1Min->setValue(position / 60);
    panel_.SegmentTimePl1Sec->setValue(position % 60);
    const int rest = bar.maximum() - position;
    panel_.SegmentRestPl1Min->setValue(rest / 60);
    panel_.SegmentRestPl1Sec->setValue(rest % 60);
}

void PlayerEngine::showStart() {
    panel_.TrackBar1->setPosition(0);
    panel_.SegmentTimePl1Frame->setValue(0);
    showPosition();
}

void PlayerEngine::showPlayingButtons(bool playing) {
    panel_.PlayUp->setIsDown(playing);
    panel_.PauseUp->setIsDown(!playing);
}

void PlayerEngine::PlayColors() {
    setLook(true);
}

void PlayerEngine::PauseColors() {
    setLook(false);
}

void PlayerEngine::setLook(bool playing) {
    if (labelLook_ != static_cast<int>(playing)) {
        labelLook_ = static_cast<int>(playing);
        const QColor& text = playing ? kPlayTextColour : kPauseTextColour;
        for (QLabel* label :
             {panel_.IntLabelpl1, panel_.TitLabelPl1, panel_.LabelStylePL1, panel_.MPEG,
              panel_.Layer, panel_.kbps, panel_.kHz, panel_.TTLabel, panel_.JahrLabel}) {
            setTextColour(label, text);
        }
        setTextColour(panel_.StereoLab, playing ? kPlayStereoColour : kPauseTextColour);
    }
    panel_.LampeOnPL1->setVisible(playing);
    panel_.LampeFlashPL1->hide();
    panel_.LampeOffPL1->setVisible(!playing);
}
