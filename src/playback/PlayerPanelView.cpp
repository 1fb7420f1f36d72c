// The player panel as a view of the engine: rendering its display and sending it the
// commands of the transport buttons and the position bar.

#include <QList>

#include "PlayerPanel.h"
#include "controls/TDigit.h"
#include "controls/TKMVButton.h"
#include "controls/TKmvTrackBar.h"
#include "core/PlayerEngine.h"

namespace {

// Lime green and red of the play look; the pause look's grey is that of an inactive
// window caption.
const QColor kPlayTextColour(0, 255, 0);
const QColor kPlayStereoColour(255, 0, 0);
const QColor kPauseTextColour(128, 128, 128);

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    if (palette.color(QPalette::WindowText) != colour) {
        palette.setColor(QPalette::WindowText, colour);
        label->setPalette(palette);
    }
}

}  // namespace

void PlayerPanel::setEngine(PlayerEngine* engine) {
    for (const QMetaObject::Connection& c : connections_) {
        disconnect(c);
    }
    connections_.clear();
    engine_ = engine;
    if (!engine_) {
        return;
    }
    connectInput();
    connections_.append(
        connect(engine_, &PlayerEngine::displayChanged, this, &PlayerPanel::render));
    render(PlayerDisplay::AllParts);
}

void PlayerPanel::connectInput() {
    PlayerEngine* const engine = engine_;
    // Play, pause and fast seek act on the press of the left button; restart, stop and
    // next track on the click.
    auto onLeft = [&](TKMVButton* button, auto signal, void (PlayerEngine::*command)()) {
        connections_.append(connect(button, signal, engine, [engine, command](Qt::MouseButton b) {
            if (b == Qt::LeftButton) {
                (engine->*command)();
            }
        }));
    };
    onLeft(PlayUp, &TKMVButton::mousePressed, &PlayerEngine::PlayUpMouseDown);
    onLeft(PauseUp, &TKMVButton::mousePressed, &PlayerEngine::PauseUpMouseDown);
    onLeft(ForwardUp, &TKMVButton::mousePressed, &PlayerEngine::ForwardUpMouseDown);
    onLeft(ForwardUp, &TKMVButton::mouseReleased, &PlayerEngine::ForwardUpMouseUp);
    onLeft(BackwardUp, &TKMVButton::mousePressed, &PlayerEngine::BackwardUpMouseDown);
    onLeft(BackwardUp, &TKMVButton::mouseReleased, &PlayerEngine::BackwardUpMouseUp);
    connections_.append(connect(PrevUp, &TKMVButton::clicked, engine, &PlayerEngine::PrevUpClick));
    connections_.append(
        connect(AnfangUp, &TKMVButton::clicked, engine, &PlayerEngine::AnfangUpClick));
    connections_.append(connect(NextUp, &TKMVButton::clicked, engine, [this, engine] {
        engine->NextUpClick();
        NextUp->setIsDown(false);
    }));

    connections_.append(connect(TrackBar1, &TKmvTrackBar::changed, engine, [this, engine] {
        engine->TrackBar1Change(TrackBar1->position());
    }));
    connections_.append(
        connect(TrackBar1, &TKmvTrackBar::mouseReleased, engine, &PlayerEngine::TrackBar1MouseUp));
    // A keyboard move ends when its key is released; seek then, as for the mouse, so the
    // display does not stay frozen until some later release on the bar.
    connections_.append(
        connect(TrackBar1, &TKmvTrackBar::keyReleased, engine, &PlayerEngine::TrackBar1MouseUp));
}

void PlayerPanel::render(unsigned parts) {
    const PlayerDisplay& d = engine_->display();
    if (parts & PlayerDisplay::TagPart) {
        IntLabelpl1->setText(d.tag.artist);
        TitLabelPl1->setText(d.tag.title);
        JahrLabel->setText(d.tag.year);
        LabelStylePL1->setText(d.tag.genre);
    }
    if (parts & PlayerDisplay::StreamPart) {
        MPEG->setText(d.stream.mpeg);
        Layer->setText(d.stream.layer);
        kbps->setText(d.stream.kbps);
        kHz->setText(d.stream.khz);
        StereoLab->setText(d.stream.stereo);
    }
    if (parts & PlayerDisplay::LengthPart) {
        TrackBar1->setMax(d.length);
        TrackBar1->setFrequency(d.frequency);
        TTLabel->setText(d.lengthText);
    }
    if (parts & (PlayerDisplay::PositionPart | PlayerDisplay::LengthPart)) {
        TrackBar1->setPosition(d.position);
    }
    if (parts & PlayerDisplay::TimePart) {
        SegmentTimePl1Min->setValue(d.elapsedMinutes);
        SegmentTimePl1Sec->setValue(d.elapsedSeconds);
        SegmentRestPl1Min->setValue(d.remainingMinutes);
        SegmentRestPl1Sec->setValue(d.remainingSeconds);
    }
    if (parts == PlayerDisplay::ThirdPart) {
        // Nine ticks in ten change only this field: painting it at once spares the event
        // loop a wake-up and a turn each time. Other changes are gathered into one paint.
        SegmentTimePl1Frame->setValueNow(d.thirdField);
    } else if (parts & PlayerDisplay::ThirdPart) {
        SegmentTimePl1Frame->setValue(d.thirdField);
    }
    if (parts & PlayerDisplay::LampPart) {
        showLamp(d.lamp == Lamp::On      ? Glyphs::Lamp::LampeOnPL1
                 : d.lamp == Lamp::Flash ? Glyphs::Lamp::LampeFlashPL1
                                         : Glyphs::Lamp::LampeOffPL1);
    }
    if (parts & PlayerDisplay::LookPart) {
        renderLook(d.playLook);
    }
    if (parts & PlayerDisplay::TransportPart) {
        PlayUp->setIsDown(d.playDown);
        PauseUp->setIsDown(!d.playDown);
        ForwardUp->setIsDown(d.forwardHeld);
        BackwardUp->setIsDown(d.backwardHeld);
    }
    if (parts & PlayerDisplay::NextPart) {
        NextUp->setEnabled(d.nextEnabled);
    }
    if (parts & PlayerDisplay::ModePart) {
        ModeAutoPause->setVisible(d.playMode == PlayMode::Single);
        ModePlaylist->setVisible(d.playMode == PlayMode::Continuous);
    }
}

void PlayerPanel::renderLook(bool playing) {
    const QColor& text = playing ? kPlayTextColour : kPauseTextColour;
    for (QLabel* label :
         {IntLabelpl1, TitLabelPl1, LabelStylePL1, MPEG, Layer, kbps, kHz, TTLabel, JahrLabel}) {
        setTextColour(label, text);
    }
    setTextColour(StereoLab, playing ? kPlayStereoColour : kPauseTextColour);
}
