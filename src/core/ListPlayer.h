#pragma once
// What the track lists need of the player, and all they may ask of it: whether a track has
// been loaded since the start, the track loaded now, loading a track that does not come
// from the playlist (replacing what plays, or not), taking the next playlist row, and the
// next-track button. The player engine answers through a small adapter; tests use a
// stand-in that records the calls.
//
// GUI thread only. None of the calls may call back into the lists synchronously except
// NextUpClick(), which takes row 1 of the playlist (PlaylistSource).

#include <QString>

class ListPlayer {
public:
    virtual ~ListPlayer() = default;

    // A track has been loaded (the decoder reported its stream) since the start.
    virtual bool trackLoaded() const = 0;
    // The path of the track loaded into the player; empty before the first.
    virtual QString currentTrack() const = 0;
    // Loads a track that is not taken from the playlist; it becomes the current track.
    virtual void loadTrack(const QString& file) = 0;
    // Stops what plays, then loadTrack(file).
    virtual void switchToTrack(const QString& file) = 0;
    // Takes row 1 of the playlist, as the next-track button does.
    virtual void NextUpClick() = 0;
    virtual void setNextEnabled(bool enabled) = 0;
};
