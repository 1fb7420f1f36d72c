#pragma once
// The player engine: loads one track at a time into the decoder, carries out the transport
// commands, turns the decoder's notifications into what the player shows, walks the
// playlist at the end of each track, and runs the 100 ms timer Timer1 that steps fast
// seeking, blinks the lamp in the last 30 seconds and runs the third time field.
//
// The engine is a model without a window. It owns the player's state (PlayerState) and
// everything the panel shows (PlayerDisplay); views render display() when displayChanged()
// names a part, and turn their input into the commands below. Keys, menus, the lists and
// the media-key interface drive it through the same commands.
//
// The playlist is a queue (PlaylistSource): the engine takes the file of its first row,
// loads it and removes the row. The play mode decides what a load does: Continuous plays
// the track at once, Single leaves it loaded and stopped.
//
// Notification rules
//   - Every load is numbered by XaudioPlayer; notifications that belong to a track the
//     engine has already replaced are dropped (End, Balance and Volume belong to none).
//   - While Positioning is set, State, Duration, Position and TimeCode are dropped, except
//     that an end of stream is remembered and acted on, once, when Positioning clears.
//   - TrackFailed: the track could not be opened. Its tag stays; the stream fields, the
//     length and the times are cleared; trackFailed() is emitted. The state 3 the decoder
//     sends after it then moves on as at any end of stream.
//
// Errors: no command throws. A tag that cannot be read is reported through errorOccurred()
// and the command goes on as if the file had no tag.
//
// Thread rules: GUI thread only. The decoder reaches the engine only through posted
// events, which the receiving window hands to handleNotification().

#include <QObject>
#include <QString>
#include <QTimer>
#include <cstdint>
#include <functional>

#include "Id3v1Tag.h"
#include "PlayMode.h"
#include "PlayerDisplay.h"

class DecoderEvent;
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

// What the decoder last said it does with the loaded track (Stopped also when nothing is
// loaded, and after the end of a stream).
enum class PlaybackStatus { Stopped, Playing, Paused };

// Which way the fast-seek buttons move the track.
enum class FastSeek { None, Forward, Backward };

class PlayerEngine : public QObject {
    Q_OBJECT
public:
    // Reads the tag of a track for the four tag fields (the tag reader with its fallback,
    // readTrackTag). Without one the engine reads into its own currentTag().
    using TagReader = std::function<PanelTagText(const QString& file)>;

    static constexpr int kTimerIntervalMs = 100;
    // Seconds one fast-seek step moves.
    static constexpr int kFastSeekStepSeconds = 2;
    // The lamp blinks while fewer seconds than this remain.
    static constexpr int kBlinkSeconds = 30;

    PlayerEngine(XaudioPlayer& player, PlaylistSource& playlist, TagReader readTag = {},
                 QObject* parent = nullptr);
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
    const PlayerDisplay& display() const { return display_; }
    const QString& currentTrack() const { return state_.CurrentTrack; }
    // Callers of PlayMpeg() that do not take the track from the playlist set it themselves.
    void setCurrentTrack(const QString& path) { state_.CurrentTrack = path; }
    // Whether a track has been loaded since start: set by the first stream information.
    bool trackLoaded() const { return trackLoaded_; }
    bool timerStarted() const { return timerStarted_; }
    PlayMode playMode() const { return display_.playMode; }
    FastSeek fastSeek() const;
    PlaybackStatus playbackStatus() const { return status_; }
    // The loaded track's length in whole seconds as the decoder reported it (hours kept).
    int trackSeconds() const { return trackSeconds_; }
    // The playlist holds a track the next-track command would take.
    bool hasNextTrack() const;
    // The number of the last load (XaudioPlayer's), new for every track loaded.
    std::uint32_t loadNumber() const;
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
    // Stop and end the decoder thread; endReceived() follows.
    void quit();

    // ---- Positioning --------------------------------------------------------------------
    // The user moved the bar to `position` (seconds): the time fields follow it,
    // notifications are held off.
    void TrackBar1Change(int position);
    // The user released the bar (mouse button or the key of a keyboard move): seek there.
    void TrackBar1MouseUp();
    // Seeks to `seconds` as a move and release of the bar would.
    void seekTo(int seconds);
    void ForwardUpMouseDown();
    void ForwardUpMouseUp();
    void BackwardUpMouseDown();
    void BackwardUpMouseUp();

    // ---- Sound ------------------------------------------------------------------------------
    // Balance 0..99 (50 the centre) and volume 0..range; the decoder reports them back.
    void setVolume(int balance, int volume, int range = 100);
    void setMuted(bool muted);
    // true: stereo; false: both channels as their mean.
    void setStereo(bool stereo);
    // Asks the decoder to report its balance and volume again.
    void requestVolumeReport();
    // What the decoder reported last; -1 before its first report.
    int reportedBalance() const { return reportedBalance_; }
    int reportedVolume() const { return reportedVolume_; }

    // ---- Timer, modes, notifications -------------------------------------------------------
    void Timer1Timer();
    // The main window has written the settings key; shows the mode and uses it from the
    // next load on.
    void setPlayMode(PlayMode mode);
    void handleNotification(const DecoderEvent& event);
    // Shows the tag of `file` by the calling rule (after the title information window
    // closed, or when a list restores the display).
    void showTrackTag(const QString& file);
    // Empties the four tag fields.
    void clearTrackTag();
    void PlayColors();
    void PauseColors();
    // Enables or disables the next track command (the lists enable it when they add rows).
    void setNextEnabled(bool enabled);

signals:
    // The parts of display() named in `parts` (PlayerDisplay::Part) changed.
    void displayChanged(unsigned parts);
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
    void playbackStatusChanged(PlaybackStatus status);
    // The position jumped to `seconds` by a seek, a restart or a stop (not by playing on).
    void positionJumped(int seconds);
    // `file` could not be opened; `reason` is a decoder::FailReason.
    void trackFailed(const QString& file, int reason);
    // A command met an error it could not act on (a tag that cannot be read).
    void errorOccurred(const QString& message);

private:
    // Collects the changed parts of one command or notification and emits displayChanged
    // once, when the outermost update ends.
    class Update {
    public:
        explicit Update(PlayerEngine& engine) : engine_(engine) { ++engine_.updateDepth_; }
        ~Update();
        Update(const Update&) = delete;
        Update& operator=(const Update&) = delete;

    private:
        PlayerEngine& engine_;
    };
    friend class Update;

    void applyTagText(const PanelTagText& text);
    PanelTagText readTag(const QString& file);
    // Loads the playlist's first track and removes its row; false when it is empty.
    bool takeNextTrack();
    void setLook(bool playing);
    void showPlayingButtons(bool playing);
    void setPositioning(bool on);
    void setHeld(bool forward, bool held);
    void setLamp(Lamp lamp);
    void setPosition(int seconds);
    void setLength(int seconds);
    void setElapsed(int minutes, int seconds);
    // Elapsed and remaining fields from the bar's position.
    void showPosition();
    void showRemaining();
    // The display at the start of the track: bar, elapsed, third field 0; remaining all.
    void showStart();
    void setThirdField(int value);
    void setRandomThirdField();
    void seekStep();
    // Sets a field of the display and notes its part as changed when the value differs.
    template <typename T>
    void change(T& field, const T& value, PlayerDisplay::Part part) {
        if (!(field == value)) {
            field = value;
            changed_ |= part;
        }
    }

    void setStatus(PlaybackStatus status);
    void onState(int state);
    void onDuration(int seconds);
    void onTimeCode(int minutes, int seconds);
    void onStreamInfo(int version, int layer, int bitRate, int sampleRate, int channelMode);
    void onTrackFailed(int reason);
    void endOfStream();

    XaudioPlayer& player_;
    PlaylistSource& playlist_;
    Id3v1Tag CurrentTag;  // before readTag_, which may refer to it
    TagReader readTag_;
    PlayerState state_;
    PlayerDisplay display_;
    bool trackLoaded_ = false;
    PlaybackStatus status_ = PlaybackStatus::Stopped;
    int trackSeconds_ = 0;
    bool timerStarted_ = false;
    // An end of stream arrived while Positioning was set.
    bool endPending_ = false;
    int reportedBalance_ = -1;
    int reportedVolume_ = -1;
    int updateDepth_ = 0;
    unsigned changed_ = 0;
    QTimer Timer1;
};
