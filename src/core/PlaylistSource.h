#pragma once
// The player engine's view of the playlist. The playlist is a queue: the engine reads the
// file name of its first data row, loads that track and then removes the row, so the list
// shows what is still to come. The engine needs nothing else from the list, and this
// interface lets it run against the grid-based list model, the stand-in QueuePlaylist,
// or a test double alike.
//
// GUI thread only. Implementations must not call back into the engine from either call.

#include <QString>

class PlaylistSource {
public:
    virtual ~PlaylistSource() = default;

    // The full path in the "Filename" column of data row 1, or an empty string when the
    // playlist holds no track.
    virtual QString firstFileName() const = 0;

    // Removes data row 1: the rows below move up one. When it was the only data row its
    // cells are emptied instead (the list keeps one empty row). The engine disables the
    // next-track button itself once firstFileName() comes back empty.
    virtual void removeFirstRow() = 0;
};
