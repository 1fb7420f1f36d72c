#pragma once
// The player panel PL1: the 315 x 201 front of the player at the top left of the main
// window. It holds the display (tag and stream labels, the seven-segment time fields, the
// lamp and the play-mode image on a black ground), the position bar and the glyph buttons.
//
// The panel is a view of the player engine (setEngine): it renders the engine's
// PlayerDisplay, repainting only the parts displayChanged() names, and turns the presses
// of its transport buttons and the moves of its bar into the engine's commands. It holds no
// player state. The main window wires the buttons that lead elsewhere (MonitorPL1, InfoUp,
// OpenButton, Button1) and the mode menu. The controls are public members, so that the
// main window and the tests reach them directly.
//
// What the panel does on its own:
//   - the momentary buttons (AnfangUp, PrevUp, NextUp, MonitorPL1, OpenButton, Button1)
//     look pressed from mouse press to mouse release;
//   - a right click on either play-mode image raises modeMenuRequested().
//
// GUI thread only.

#include <QLabel>
#include <QPixmap>
#include <QWidget>

#include "controls/Glyphs.h"

class QFrame;
class QPainter;
class TDigit;
class TKMVButton;
class TKmvTrackBar;
class PlayerEngine;

class PlayerPanel : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 315;
    static constexpr int kHeight = 201;

    explicit PlayerPanel(QWidget* parent = nullptr);
    ~PlayerPanel() override;

    // ---- Tag labels (filled by the tag reader) ------------------------------------------
    QLabel* IntLabelpl1;    // artist
    QLabel* TitLabelPl1;    // title
    QLabel* LabelStylePL1;  // genre name
    QLabel* JahrLabel;      // year

    // ---- Stream labels (filled by the stream information) -------------------------------
    QLabel* MPEG;       // MPEG version: "1", "2" or "2.5"
    QLabel* Layer;      // layer number
    QLabel* kbps;       // bit rate in kbit/s; empty until a track has been loaded
    QLabel* kHz;        // sampling rate in whole kHz
    QLabel* StereoLab;  // "Stereo" or "Mono"
    QLabel* TTLabel;    // track length, mm:ss

    // ---- Time fields ----------------------------------------------------------------------
    TDigit* SegmentTimePl1Min;    // elapsed minutes, followed by the colon
    TDigit* SegmentTimePl1Sec;    // elapsed seconds
    TDigit* SegmentTimePl1Frame;  // the running third field
    TDigit* SegmentRestPl1Min;    // remaining minutes, followed by the colon
    TDigit* SegmentRestPl1Sec;    // remaining seconds

    TKmvTrackBar* TrackBar1;  // position in whole seconds, maximum = track length

    // ---- Lamp and play mode -----------------------------------------------------------
    // The lamp is one picture that changes: LampeOnPL1, LampeFlashPL1 or LampeOffPL1
    // (Glyphs::Lamp), as the engine's lamp phase says. Swapping the picture repaints the lamp
    // alone; showing and hiding three pictures would ask the window system for the pointer on
    // every blink.
    QLabel* LampPL1;
    Glyphs::Lamp shownLamp() const { return shownLamp_; }
    // The two mode images share one place; one of them is visible.
    QLabel* ModeAutoPause;  // single play
    QLabel* ModePlaylist;   // continuous play

    // ---- Buttons ----------------------------------------------------------------------------
    TKMVButton* AnfangUp;    // restart
    TKMVButton* BackwardUp;  // fast backward while held
    TKMVButton* PrevUp;      // stop
    TKMVButton* PauseUp;     // pause (latched with PlayUp)
    TKMVButton* PlayUp;      // play (latched with PauseUp)
    TKMVButton* MonitorPL1;  // volume window
    TKMVButton* ForwardUp;   // fast forward while held
    TKMVButton* NextUp;      // next track; disabled while the playlist is empty
    TKMVButton* InfoUp;      // title information
    TKMVButton* OpenButton;  // load tracks into the playlist
    TKMVButton* Button1;     // load tracks into the selection

    // ---- Strips: the captioned areas the labels and fields sit in ---------------------------
    QFrame* PL1PanelInt;       // " Artist:"
    QFrame* PL1PanelTitel;     // " Title:"
    QFrame* PL1PanelStyle;     // " Genre:"
    QFrame* PL1PanelCharts;    // " Year:"
    QFrame* Panel4;            // " MPEG"
    QFrame* Panel5;            // " Layer"
    QFrame* Panel6;            // "kbps "
    QFrame* PL1PanelKhz;       // "kHz "
    QFrame* PL1PanelZeit;      // track length
    QFrame* PL1PanelTime;      // elapsed time
    QFrame* PL1PanelRest;      // remaining time
    QFrame* PL1PanelMode;      // lamp over the play-mode image
    QFrame* PL1PanelPosition;  // position bar
    QFrame* PL1PanelPlayer;    // transport buttons

    QSize sizeHint() const override { return {kWidth, kHeight}; }

    // Shows `engine` from now on and sends it the panel's commands. Once only; the engine
    // must outlive the panel or be detached first with setEngine(nullptr).
    void setEngine(PlayerEngine* engine);
    // Whether rows dropped at a point (global coordinates) go to the player: true over the
    // panel and its strips, labels and buttons, false over the time fields, the info and
    // load buttons, the lit lamps, the sampling-rate strip, and anywhere off the panel.
    bool takesDropAt(QPoint globalPos) const;

signals:
    // The user pressed the right mouse button on the visible play-mode image.
    void modeMenuRequested(QPoint globalPos);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void buildDisplay();
    void buildTransport();
    void holdPressedLook(TKMVButton* button);
    void nameForAssistiveTools();
    void paintFace(QPainter& painter);
    void connectInput();
    // Brings the controls named by `parts` (PlayerDisplay::Part) up to the engine's display.
    void render(unsigned parts);
    void renderLook(bool playing);

    void showLamp(Glyphs::Lamp lamp);

    QPixmap face_;
    QPixmap lampPictures_[3];  // by Glyphs::Lamp
    Glyphs::Lamp shownLamp_ = Glyphs::Lamp::LampeOffPL1;
    PlayerEngine* engine_ = nullptr;
    QList<QMetaObject::Connection> connections_;
};
