#pragma once
// The pictures of the player panel, drawn in code: the glyphs of its nine transport
// buttons, the three lamp images and the two play-mode images. They are made for a dark
// front panel (panelPalette()) but stay legible on a light one, as every symbol carries a
// dark rim.
//
// A button glyph is two pictures side by side, each of the button's picture size: the
// normal symbol in brushed silver, then the pressed symbol lit in the button's colour
// (green play, amber pause, red stop, blue for the rest). Pictures carry alpha; there is
// no transparent key colour.
//
// Pure drawing; any thread may call these once a QGuiApplication exists, except
// setUpButton(), which touches a widget and so belongs to the GUI thread.
// drawInBackground() draws them all at once on a thread of its own, so that the drawing
// overlaps the building of the window; the functions below then hand out copies of those
// pictures (waiting for the drawing if it is not done yet).

#include <QImage>
#include <QPalette>
#include <QSize>
#include <QString>

class TKMVButton;

namespace Glyphs {

// The player panel's glyph buttons, named after their controls.
enum class PanelButton {
    AnfangUp,    // restart the track
    BackwardUp,  // fast backward
    PrevUp,      // stop
    PauseUp,     // pause
    PlayUp,      // play
    MonitorPL1,  // volume window
    ForwardUp,   // fast forward
    NextUp,      // next track
    InfoUp,      // title information
};
inline constexpr PanelButton kPanelButtons[] = {
    PanelButton::AnfangUp,  PanelButton::BackwardUp, PanelButton::PrevUp,
    PanelButton::PauseUp,   PanelButton::PlayUp,     PanelButton::MonitorPL1,
    PanelButton::ForwardUp, PanelButton::NextUp,     PanelButton::InfoUp};

// The three lamp images that share one place on the panel.
enum class Lamp {
    LampeOnPL1,     // lit: playing
    LampeFlashPL1,  // brighter: the blinking phase of the last 30 seconds
    LampeOffPL1,    // dark: paused or stopped
};

// The two play-mode images that share one place on the panel.
enum class Mode {
    ModeAutoPause,  // single play: a loaded track waits for play
    ModePlaylist,   // continuous play: the playlist plays through
};

inline constexpr QSize kLampSize{16, 16};
inline constexpr QSize kModeSize{36, 16};

// Size of one picture of a button's glyph, and of the button itself.
QSize pictureSize(PanelButton button);
QSize buttonSize(PanelButton button);
// The button's tooltip text.
QString hint(PanelButton button);

// Starts drawing every picture below on a thread of its own. Call it on the GUI thread,
// after the QGuiApplication is made and before any of the pictures is asked for.
void drawInBackground();

// The button's glyph: normal and pressed picture side by side (2 x pictureSize wide).
QImage buttonGlyph(PanelButton button);
QImage lamp(Lamp which);
QImage mode(Mode which);

// Gives `target` the size, glyph (two pictures), style and hint of the panel's `button`.
void setUpButton(TKMVButton& target, PanelButton button);

// A dark palette for the player panel's buttons: face, bevel colours and caption text.
QPalette panelPalette();

}  // namespace Glyphs
