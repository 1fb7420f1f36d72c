#pragma once
// The player engine: loads one track at a time into the decoder, drives it from the
// player panel's buttons and position bar, turns the decoder's notifications into the
// panel's display, walks the playlist at the end of each track, and runs the 100 ms timer
// Timer1 that steps fast seeking, blinks the lamp in the last 30 seconds and runs the
// third time field.
//
// The playlist is a queue (PlaylistSource): the engine takes the file of its first row,
// loads it and removes the row. The play mode decides what a load does: Continuous plays
// the track at once, Single leaves it loaded and stopped.
//
// Everything the panel shows is set here; the panel itself holds no rules. Whether a track
// has ever been loaded is read from the display: the bit-rate label stays empty until the
// decoder first reports stream information.
//
// Wiring the main window does:
//   - start() once the window exists (Timer1 then runs to the end of the program);
//   - every decoder notification that reaches its customEvent goes to handleNotification();
//   - the mode menus write the settings key, then call setPlayMode();
//   - the keys and Edit menu call the handlers below (PlayUpMouseDown, ... NextUpClick);
//   - the signals below; and the panel's MonitorPL1, InfoUp, OpenButton and Button1
//     clicks, which lead to other windows, are the window's own.
// The engine connects itself to the panel's transport buttons and position bar.
//
// Thread rules: GUI thread only. The decoder reaches the engine only through posted
// events; PlayerState::Positioning is the one guard, and it only decides whether a
// notification is applied.

#include <QObject>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <functional>

#include "core/Id3v1Tag.h"
#include "core/PlayMode.h"

class DecoderEvent;
class PlayerPanel;
class PlaylistSource;
class XaudioPlayer;

// The engine's run-time record.
struct PlayerState {
    bool Playing = false;      // the engine believes the track is playing
    bool Positioning = false;  // the bar is being moved or a fast-seek button is held:
                               // state, duration, position and time code are dropped
    QString CurrentTrack;      // full path of the track last loaded into the decoder
    int TickCount = 0;         // 100 ms ticks since the last load, wrapped at 10 while playing
    bool BlinkPhase = false;   // which lamp image the next blinking tick shows
};

class PlayerEngine : public QObject {
    Q_OBJECT
public:
    // Reads the tag of a track for the panel's four tag labels (the tag reader with its
    // fallback, readTrackTag). Without one the engine reads into its own currentTag().
    using TagReader = std::function<PanelTagText(const QString& file)>;

    static constexpr int kTimerIntervalMs = 100;
    // Seconds one fast-seek step moves.
    static constexpr int kFastSeekStepSeconds = 2;
    // The lamp blinks while fewer seconds than this remain.
    static constexpr int kBlinkSeconds = 30;

    PlayerEngine(XaudioPlayer& player, PlayerPanel& panel, PlaylistSource& playlist,
                 TagReader readTag = {}, QObject* parent = nullptr);
    ~PlayerEngine() override;

    // A tag reader that applies the calling rule (readTrackTag) and leaves the decoded
    // tag in `currentTag`, which must outlive the engine.
    static TagReader tagReaderInto(Id3v1Tag& currentTag);

    // CurrentTag: the tag read last by the default reader (the list model copies it into
    // new rows). Untouched when the engine was given a reader of its own.
    Id3v1Tag& currentTag() { return CurrentTag; }

    // Starts Timer1. Until then the engine only ticks when Timer1Timer() is called.
    void start();

    const PlayerState& state() const { return state_; }
    const QString& currentTrack() const { return state_.CurrentTrack; }
    // Callers of PlayMpeg() that do not take the track from the playlist set it themselves.
    void setCurrentTrack(const QString& path) { state_.CurrentTrack = path; }
    // Whether a track has been loaded: the bit-rate label is not empty.
    bool trackLoaded() const;
    bool timerStarted() const { return timerStarted_; }
    PlayMode playMode() const { return playMode_; }
    QTimer& timer() { return Timer1; }

    // ---- Transport ------------------------------------------------------------------------
    // Loads a track: OpenInput, then Play (continuous) or Stop (single); shows its tag.
    // Does not change CurrentTrack, the buttons or the look; the notifications do that.
    void PlayMpeg(const QString& name);
    // Play; with no track loaded yet, asks for the load dialog instead.
    void PlayUpMouseDown();
    void PauseUpMouseDown();
    // Stop: the display returns to the start of the track.
    void PrevUpClick();
    // Restart: from the beginning, playing on if it was playing.
    void AnfangUpClick();
    // Takes the playlist's first track and loads it.
    void NextUpClick();
    // A track that does not come from the playlist: PlayMpeg(file), CurrentTrack := file.
    void loadTrack(const QString& file);
    // Stop, then loadTrack(file): what is loaded is replaced (a drop onto the player).
    void switchToTrack(const QString& file);

    // ---- Positioning --------------------------------------------------------------------
    // The user moved the bar: the time fields follow it, notifications are held off.
    void TrackBar1Change();
    // The user released the bar (mouse button or the key of a keyboard move): seek there.
    void TrackBar1MouseUp();
    void ForwardUpMouseDown();
    void ForwardUpMouseUp();
    void BackwardUpMouseDown();
    void BackwardUpMouseUp();

    // ---- Timer, modes, notifications, looks -------------------------------------------
    void Timer1Timer();
    // The main window has written the settings key; shows the mode and uses it from the
    // next load on.
    void setPlayMode(PlayMode mode);
    void handleNotification(const DecoderEvent& event);
    // Shows the tag of `file` in the panel by the calling rule (after the title
    // information window closed, or when a list restores the panel).
    void showTrackTag(const QString& file);
    void PlayColors();
    void PauseColors();
    // Enables or disables NextUp (the lists enable it when they add rows).
    void setNextEnabled(bool enabled);

signals:
    // Play was asked for with no track loaded: open the load dialog for the playlist.
    void loadTracksRequested();
    // The first tick of Timer1 (the start hand-off may open now).
    void firstTick();
    // Stream information was shown; the title-information window takes the same texts,
    // and its own stereo label from channelMode ("Stereo" only for mode 1).
    void streamInfoShown(const QString& mpeg, const QString& layer, const QString& kbps,
                         const QString& khz, int channelMode);
    // The cover window should show the cover of the loaded track and come to the front.
    void coverRefreshRequested(const QString& currentTrack);
    // The decoder's balance and volume, for the volume window's sliders.
    void balanceReported(int balance);
    void volumeReported(int volume);
    // The decoder thread has ended: the application quits.
    void endReceived();
    void nextEnabledChanged(bool enabled);
    // A track ended (or could not be played) and the playlist held no next one.
    void playlistRanOut();
    // Right click on the play-mode image: show the mode menu there.
    void modeMenuRequested(QPoint globalPos);

private:
    void connectPanel();
    void applyTagText(const PanelTagText& text);
    // Loads the playlist's first track and removes its row; false when it is empty.
    bool takeNextTrack();
    void setLook(bool playing);
    void showPlayingButtons(bool playing);
    // Elapsed and remaining fields from the bar's position.
    void showPosition();
    // The display at the start of the track: bar, elapsed, third field 0; remaining all.
    void showStart();
    void setThirdField();
    void seekStep();

    void onState(int state);
    void onDuration(int seconds);
    void onTimeCode(int minutes, int seconds);
    void onStreamInfo(int version, int layer, int bitRate, int sampleRate, int channelMode);
    void endOfStream();

    XaudioPlayer& player_;
    PlayerPanel& panel_;
    PlaylistSource& playlist_;
    Id3v1Tag CurrentTag;  // before readTag_, which may refer to it
    TagReader readTag_;
    PlayerState state_;
    PlayMode playMode_ = PlayMode::Continuous;
    bool timerStarted_ = false;
    // The look whose label colours are applied: -1 none yet, 0 pause, 1 play.
    int labelLook_ = -1;
    QTimer Timer1;
};
