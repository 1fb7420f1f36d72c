// ListCommands: the user's edits of the lists: deleting, clearing, sorting, shuffling,
// marking, moving selection rows into the playlist or onto the player, and deleting track
// files from the disk.

#include <QFile>
#include <QFileInfo>

#include "ListCommands.h"
#include "core/FileMask.h"
#include "core/ListPlayer.h"
#include "core/SonvoxError.h"

// ---- Deleting, clearing, ordering -----------------------------------------------------------

void ListCommands::deleteMarked(TrackListModel& list) {
    if (!busy()) {
        list.removeMarked();
    }
}

void ListCommands::clearList(TrackListModel& list) {
    if (!busy()) {
        list.clear();
    }
}

void ListCommands::sortSelection(int primaryCol, int secondaryCol) {
    if (!busy()) {
        selection_.sortRows(primaryCol, secondaryCol);
    }
}

void ListCommands::shufflePlaylist(QRandomGenerator* generator) {
    if (!busy()) {
        playlist_.shuffleRows(generator);
    }
}

// ---- Marks ----------------------------------------------------------------------------------

bool ListCommands::toggleMark(TrackListModel& list, int r, bool shift, bool ctrl) {
    if (!list.holdsTrack(r)) {
        return false;
    }
    if (&list == &selection_ && list.mark(r) != 0 && list.otherRowMarked(r)) {
        return true;  // a marked group stays as it is, to be dragged
    }
    const bool was = list.mark(r) != 0;
    list.setMark(r, was ? 0 : 1);
    if (!shift && !ctrl && !was) {
        for (int other = 1; other < list.rowCount(); ++other) {
            if (other != r) {
                list.setMark(other, 0);
            }
        }
    }
    if (!shift || anchor_ < 0) {
        anchor_ = r;
    } else {
        list.markRange(anchor_, r);
        anchor_ = -1;
    }
    return true;
}

// ---- Moving selection rows ------------------------------------------------------------------

void ListCommands::PlaylistDouble() {
    if (!busy()) {
        emit growHeightWanted();
        moveMarkedIntoPlaylist(playlist_.rowCount());
    }
}

// Taken bottom-up and each inserted at the same p, the rows arrive in their selection
// order. In an empty playlist that holds only when p is 1: the first copy fills the empty
// row 1. A row that no longer fits stays marked, with the rows above it.
void ListCommands::moveMarkedIntoPlaylist(int p) {
    if (busy()) {
        return;
    }
    if (!playlist_.holdsAnyTrack()) {
        p = 1;
    }
    qsizetype notMoved = 0;
    for (int r = selection_.lastRow(); r >= 1; --r) {
        if (selection_.mark(r) == 0) {
            continue;
        }
        if (selection_.holdsTrack(r) && !playlist_.insertTrack(p, *selection_.packed(r))) {
            for (int above = r; above >= 1; --above) {
                notMoved += selection_.mark(above) != 0 && selection_.holdsTrack(above);
            }
            break;
        }
        selection_.setMark(r, 0);
    }
    playlist_.unmarkAll();
    enableNext();
    if (notMoved > 0) {
        throw SonvoxError(
            QStringLiteral("%1 tracks were not moved: the playlist holds at most %2 tracks.")
                .arg(notMoved)
                .arg(TrackListModel::kMaxDataRows));
    }
}

void ListCommands::dropOnPlayer() {
    if (busy()) {
        return;
    }
    for (int r = selection_.lastRow(); r >= 1; --r) {
        if (selection_.mark(r) == 0) {
            continue;
        }
        selection_.setMark(r, 0);
        if (selection_.holdsTrack(r) && player_) {
            player_->switchToTrack(selection_.fileName(r));
        }
    }
}

// ---- Deleting track files -------------------------------------------------------------------

namespace {

enum class Deletion { Deleted, Gone, Refused };

// Deletes a track file: only a regular file (not a link, directory or device) whose name
// matches the track masks, so that a list naming any other path cannot delete it.
Deletion deleteTrackFile(const QString& path) {
    static const FileMask kTrackMask(QStringLiteral("*.mp*;*.msf"));
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return Deletion::Gone;
    }
    if (info.isSymLink() || !info.isFile() || !kTrackMask.matches(info.fileName())) {
        return Deletion::Refused;
    }
    return QFile::remove(path) ? Deletion::Deleted : Deletion::Refused;
}

}  // namespace

// Two passes: first from the last row up, then from row 1 down, so a row declined in the
// first pass is offered once more, and after "&All" the rows declined before it go without
// a question. After a removal the second pass goes on with the next number, so the row
// that moved up into the removed row's place is not examined again. A file that is not
// deleted keeps its row, unmarked so that it is not offered again.
void ListCommands::deleteMarkedFiles(const std::function<DeleteAnswer(const TrackRow&)>& ask) {
    if (busy()) {
        return;
    }
    Hold hold(*this);
    TrackListModel& list = selection_;
    bool all = false;
    bool cancel = false;
    QStringList stayed;
    const auto offer = [&](int row) {
        if (!list.holdsTrack(row)) {
            list.setMark(row, 0);
            return;
        }
        bool confirmed = all;
        if (!confirmed) {
            const DeleteAnswer answer = ask(list.track(row));
            all = answer == DeleteAnswer::All;
            cancel = answer == DeleteAnswer::Cancel;
            confirmed = answer == DeleteAnswer::Yes || all;
        }
        if (!confirmed) {
            return;
        }
        const QString file = list.fileName(row);
        if (deleteTrackFile(file) == Deletion::Refused) {
            stayed.append(file);
            list.setMark(row, 0);
        } else {
            list.deleteRow(row);
        }
    };
    if (list.rowCount() < 3) {
        // One row is asked about whether marked or not; an empty list has nothing.
        offer(1);
    } else {
        for (int r = list.lastRow(); r >= 1 && !cancel; --r) {
            if (r < list.rowCount() && list.mark(r) != 0) {
                offer(r);
            }
        }
        for (int r = 1; !cancel && r < list.rowCount(); ++r) {
            if (list.mark(r) != 0) {
                offer(r);
            }
        }
    }
    if (!stayed.isEmpty()) {
        QStringList names = stayed.mid(0, kMaxNamesInMessage);
        if (stayed.size() > kMaxNamesInMessage) {
            names.append(QStringLiteral("... and %1 more").arg(stayed.size() - kMaxNamesInMessage));
        }
        throw SonvoxError(QStringLiteral("These files could not be deleted and stay on disk:\n") +
                          names.join(QLatin1Char('\n')));
    }
}
