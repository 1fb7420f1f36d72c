#pragma once
// The scopes the list commands of TrackLists run in: Command, the guard that makes the
// lists busy (see TrackLists.h), and WaitCursor. Included by TrackLists' own sources only.

#include <QGuiApplication>
#include <QTimer>

#include "TrackGrid.h"
#include "TrackLists.h"

// The scope of one list command. While any is open the lists are busy: user commands are
// refused and batches from outside are queued. A command that reorders or removes playlist
// rows holds back the engine's removal of row 1 until it ends (see removeFirstRow). When the
// outermost command ends, queued batches are scheduled.
class TrackLists::Command {
public:
    explicit Command(TrackLists& lists, bool reordersPlaylist = false) : lists_(lists) {
        if (lists_.busyDepth_++ == 0) {
            lists_.pumpClock_.start();
        }
        if (reordersPlaylist && !lists_.reordering_) {
            lists_.reordering_ = true;
            reorders_ = true;
            // A row move begun in the playlist before the command must not land in it.
            lists_.PlaylistGrid->cancelMouseMode();
        }
    }
    ~Command() {
        if (reorders_) {
            lists_.reordering_ = false;
            lists_.settleClaims();
        }
        if (--lists_.busyDepth_ == 0 && !lists_.queued_.empty() && !lists_.queueScheduled_) {
            lists_.queueScheduled_ = true;
            QTimer::singleShot(0, &lists_, [lists = &lists_] { lists->runQueued(); });
        }
    }
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

private:
    TrackLists& lists_;
    bool reorders_ = false;
};

// The wait cursor for the length of a scope.
class TrackLists::WaitCursor {
public:
    WaitCursor() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QGuiApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};
