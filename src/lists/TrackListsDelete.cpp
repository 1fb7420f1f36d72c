// "Delete Mpeg &File": deleting the files of marked selection rows from the disk, each
// confirmed in TMpegDelete.
//
// Two passes: first from the last row up, then from row 1 down, so a row declined in the
// first pass is offered once more, and after "&All" the rows declined before it go without
// a question. A file that cannot be deleted keeps its row (unmarked, so it is not offered
// again); the command ends with one message naming every such file.

#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>

#include "TMpegDelete.h"
#include "TrackGrid.h"
#include "TrackLists.h"
#include "TrackListsCommand.h"
#include "core/SonvoxError.h"

namespace {

// Whether anything is still on disk under path (a dangling link counts).
bool onDisk(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

}  // namespace

void TrackLists::DeleteMpegFile1Click() {
    if (busy()) {
        return;
    }
    Command command(*this);
    if (!mpegDelete_) {
        mpegDelete_ = new TMpegDelete(Auswahlgrid->window());
    }
    deleteAll_ = false;
    deleteCancel_ = false;
    QStringList stayed;
    {
        WaitCursor wait;
        TrackGrid& grid = *Auswahlgrid;
        if (grid.rowCount() < 3) {
            // One row is asked about whether marked or not; an empty list has nothing.
            if (grid.holdsTrack(1)) {
                askAndDelete(1, stayed);
            }
        } else {
            for (int r = grid.lastRow(); r >= 1 && !deleteCancel_; --r) {
                pump();
                if (r < grid.rowCount() && grid.mark(r) != 0) {
                    askAndDelete(r, stayed);
                }
            }
            // After a removal the pass goes on with the next number, so the row that moved
            // up into the removed row's place is not examined again.
            for (int r = 1; !deleteCancel_ && r < grid.rowCount(); ++r) {
                pump();
                if (grid.mark(r) != 0) {
                    askAndDelete(r, stayed);
                }
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

// Asks about row (unless "&All" was given) and, when confirmed, deletes its file and row.
void TrackLists::askAndDelete(int row, QStringList& stayed) {
    TrackGrid& grid = *Auswahlgrid;
    if (!grid.holdsTrack(row)) {
        grid.setMark(row, 0);
        return;
    }
    bool confirmed = deleteAll_;
    if (!confirmed) {
        // The wait cursor is the command's; the question wants the ordinary one.
        QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
        const TMpegDelete::Answer answer = mpegDelete_->ask(grid.cell(TrackColumn::Artist, row),
                                                            grid.cell(TrackColumn::Title, row));
        QGuiApplication::restoreOverrideCursor();
        deleteAll_ = mpegDelete_->allFlag();
        deleteCancel_ = mpegDelete_->cancelFlag();
        confirmed = answer == TMpegDelete::Yes || deleteAll_;
    }
    if (!confirmed) {
        return;
    }
    const QString file = grid.fileName(row);
    if (QFile::remove(file) || !onDisk(file)) {
        grid.deleteRow(row);
    } else {
        stayed.append(file);
        grid.setMark(row, 0);
    }
}
