#pragma once
// The media-player interface on the session bus (MPRIS 2, service
// org.mpris.MediaPlayer2.sonvox, object /org/mpris/MediaPlayer2): desktop shells, media
// keys and tools like playerctl read and drive the player through it.
//
// Contract
//   - Every method runs the engine command of the matching panel button, so the engine's
//     rules hold. Play with nothing loaded takes the playlist's next row, or does nothing:
//     it never opens the load dialog. Previous does nothing. OpenUri acts as a second start
//     with that file.
//   - PlaybackStatus follows the decoder's states (Stopped also when nothing is loaded).
//     Metadata: a track id of our own, new for every load (/org/sonvox/track/N), the length
//     in microseconds, title, artist (a list), album, the file's URL and, when the track has
//     a cover file, its URL. Volume is the decoder's 0..99 as 0.0..1.0.
//   - PropertiesChanged goes out for every change of a property but Position; Seeked when
//     the position jumps. SetPosition with a track id that is not the current one is
//     ignored.
//   - registerOnSessionBus() returns false, and nothing more happens, when there is no
//     session bus or the name is taken.
//
// GUI thread only.

#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <functional>

class PlayerEngine;

class MprisService : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kServiceName = "org.mpris.MediaPlayer2.sonvox";
    static constexpr const char* kObjectPath = "/org/mpris/MediaPlayer2";

    // What the service cannot do through the engine.
    struct Hooks {
        std::function<void()> raise;
        std::function<void()> quit;
        std::function<void(const QString& file)> open;           // as a second start
        std::function<QString(const QString& track)> coverFile;  // empty: none
        QString desktopEntry;                                    // the desktop file's id
    };

    MprisService(PlayerEngine& engine, Hooks hooks, QObject* parent = nullptr);
    ~MprisService() override;

    bool registerOnSessionBus();

    // ---- org.mpris.MediaPlayer2 ----------------------------------------------------------
    QString identity() const { return QStringLiteral("Sonvox"); }
    QString desktopEntry() const { return hooks_.desktopEntry; }
    QStringList supportedMimeTypes() const;
    void raise();
    void quit();

    // ---- org.mpris.MediaPlayer2.Player ---------------------------------------------------
    QString playbackStatus() const;
    QVariantMap metadata() const;
    qlonglong positionUs() const;
    double volume() const;
    void setVolume(double volume);
    bool canGoNext() const;
    bool canPlay() const;
    void play();
    void pause();
    void playPause();
    void stop();
    void next();
    void seek(qlonglong offsetUs);
    void setPosition(const QString& trackId, qlonglong positionUs);
    void openUri(const QString& uri);

signals:
    // The position jumped (for the Seeked signal).
    void seeked(qlonglong positionUs);

private:
    // The properties whose changes are announced, by interface.
    QVariantMap playerProperties() const;
    QVariantMap rootProperties() const;
    void announceChanges();
    QString trackId() const;

    PlayerEngine& engine_;
    Hooks hooks_;
    QVariantMap lastPlayer_;
    bool registered_ = false;
};
