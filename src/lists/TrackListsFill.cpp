// Filling the lists: rows made from track files (FillPlaylist, FillSelection), list files
// (loadfile, loadfile2), and what the load dialog hands back (OpenButtonClick,
// Button1Click).

#include <QDirIterator>
#include <QFrame>
#include <QLayout>
#include <QProgressBar>
#include <QScopeGuard>

#include "TrackGrid.h"
#include "TrackLists.h"
#include "TrackListsCommand.h"
#include "core/FileMask.h"
#include "core/GenreTable.h"
#include "core/ListFile.h"
#include "core/PlayerEngine.h"
#include "playback/PlayerPanel.h"

namespace {

// dir + "/" + name, without doubling the separator of the root directory.
QString joinPath(const QString& dir, const QString& name) {
    return dir.endsWith(QLatin1Char('/')) ? dir + name : dir + QLatin1Char('/') + name;
}

// Every entry of dir that matches "*.mp*", then every one that matches "*.msf", in the
// order the file system gives them. Entries are not told apart by kind: one that is no
// readable file is skipped when its tag is read.
QStringList directoryTracks(const QString& dir) {
    QStringList files;
    for (const char* mask : {"*.mp*", "*.msf"}) {
        const FileMask matcher{QString::fromLatin1(mask)};
        QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            if (matcher.matches(it.fileName())) {
                files.append(joinPath(dir, it.fileName()));
            }
        }
    }
    return files;
}

}  // namespace

// ---- Reading a track into a row ----------------------------------------------------------

// The tag, or the fallback names; false for a file that cannot be opened.
bool TrackLists::readTrack(const QString& file, TrackRow& row) {
    readTrackTag(file, tag_);
    if (tag_.artist.isEmpty()) {
        return false;
    }
    row = {QString(),  tag_.artist,  tag_.title, tag_.year, GenreTable::name(tag_.genre),
           tag_.album, tag_.comment, file};
    return true;
}

QString TrackLists::notAddedMessage(qsizetype count, const TrackGrid& grid) {
    return QStringLiteral("%1 files were not added: the %2 holds at most %3 tracks.")
        .arg(count)
        .arg(grid.kind() == TrackGrid::Kind::Playlist ? QStringLiteral("playlist")
                                                      : QStringLiteral("selection"))
        .arg(TrackGrid::kMaxDataRows);
}

void TrackLists::showProgress(QFrame* strip, QProgressBar* gauge, qsizetype steps) {
    gauge->setRange(0, int(steps));
    gauge->setValue(0);
    strip->show();
    if (QLayout* layout = strip->parentWidget()->layout()) {
        layout->activate();
    }
    strip->repaint();
}

// Appends the tracks of files[from ...] to grid, letting events through now and then and
// painting each new row at once while the grid is short. The gauge counts the added tracks;
// it is brought up to date when events go through, as often as it can show a change.
// Stops at a full list.
int TrackLists::fillRows(TrackGrid& grid, const QStringList& files, qsizetype from,
                         QProgressBar* gauge, int repaintBelow) {
    int added = 0;
    const auto showAdded = qScopeGuard([gauge, &added] {
        if (gauge) {
            gauge->setValue(added);
        }
    });
    TrackRow row;
    for (qsizetype i = from; i < files.size(); ++i) {
        if (pumpDue()) {
            if (gauge) {
                gauge->setValue(added);
            }
            pump();
        }
        if (!readTrack(files[i], row)) {
            continue;
        }
        const int target = grid.appendRow();
        if (target < 0) {
            return int(files.size() - i);
        }
        grid.setTrack(target, row);
        ++added;
        if (grid.rowCount() < repaintBelow) {
            const QRect cell = grid.cellRect(0, target);
            if (!cell.isEmpty()) {
                grid.repaint(0, cell.top(), grid.clientWidth(), cell.height() + 1);
            }
        }
    }
    return 0;
}

// ---- FillPlaylist, FillSelection ----------------------------------------------------------

void TrackLists::FillPlaylist(const QStringList& files) {
    if (!files.isEmpty()) {
        runOrQueue([this, files] {
            Command command(*this);
            fillPlaylistNow(files);
        });
    }
}

void TrackLists::FillSelection(const QStringList& files) {
    if (!files.isEmpty()) {
        runOrQueue([this, files] {
            Command command(*this);
            fillSelectionNow(files);
        });
    }
}

void TrackLists::fillPlaylistNow(const QStringList& files) {
    if (!appendTicked()) {
        PlaylistGrid->clearList();
    }
    int notAdded = 0;
    {
        // Whatever ends the batch, the panel shows CurrentTrack again and NextUp follows.
        const auto finish = qScopeGuard([this] {
            restorePanel();
            enableNext();
        });
        if (engine_ && !engine_->trackLoaded()) {
            engine_->loadTrack(files.first());
        } else {
            growHeight();
            notAdded = fillRows(*PlaylistGrid, files.first(1), 0, nullptr, 0);
            if (notAdded > 0) {
                notAdded = int(files.size());
            }
        }
        if (files.size() >= 2 && notAdded == 0) {
            growHeight();
            WaitCursor wait;
            showProgress(Panel7, Gauge2, files.size() - 1);
            const auto hide = qScopeGuard([this] { Panel7->hide(); });
            notAdded = fillRows(*PlaylistGrid, files, 1, Gauge2, kPlaylistRepaintRows);
        }
    }
    if (notAdded > 0) {
        throw SonvoxError(notAddedMessage(notAdded, *PlaylistGrid));
    }
}

void TrackLists::fillSelectionNow(const QStringList& files) {
    if (!appendTicked()) {
        Auswahlgrid->clearList();
    }
    growWidth();
    int notAdded = 0;
    {
        WaitCursor wait;
        const auto finish = qScopeGuard([this] {
            if (engine_ && !engine_->currentTrack().isEmpty()) {
                restorePanel();
            } else if (engine_) {
                engine_->clearTrackTag();
            }
            enableNext();
        });
        if (files.size() == 1) {
            notAdded = fillRows(*Auswahlgrid, files, 0, nullptr, 0);
        } else {
            showProgress(Panel3, Gauge1, files.size());
            const auto hide = qScopeGuard([this] { Panel3->hide(); });
            notAdded = fillRows(*Auswahlgrid, files, 0, Gauge1, kSelectionRepaintRows);
        }
    }
    if (notAdded > 0) {
        throw SonvoxError(notAddedMessage(notAdded, *Auswahlgrid));
    }
}

// ---- List files ---------------------------------------------------------------------------

void TrackLists::loadfile(const QString& name, ListLoadMode mode) {
    runOrQueue([this, name, mode] {
        Command command(*this);
        loadListFile(*PlaylistGrid, name, mode);
    });
}

void TrackLists::loadfile2(const QString& name, ListLoadMode mode) {
    runOrQueue([this, name, mode] {
        Command command(*this);
        loadListFile(*Auswahlgrid, name, mode);
    });
}

// Row format: the rows are taken as saved, after the list's tracks when appending to a list
// that holds any, else in place of its rows; then every row whose file is gone is removed,
// the list's earlier rows included. M3U and PLS files become a batch for FillPlaylist or
// FillSelection, which decide about replacing and, for the playlist, the first file.
void TrackLists::loadListFile(TrackGrid& grid, const QString& name, ListLoadMode mode) {
    const bool afterTracks = mode == ListLoadMode::Append && grid.holdsAnyTrack();
    ListFileContent content;
    try {
        content = readListFile(name);
    } catch (const ListReadError& error) {
        // The list keeps what was read up to the failure, untrimmed, unfiltered.
        if (!afterTracks) {
            grid.clearList();
        }
        int row = afterTracks ? grid.rowCount() : 1;
        for (const TrackRow& cells : error.groupsRead()) {
            if (row >= TrackGrid::kMaxRows) {
                break;
            }
            if (row >= grid.rowCount()) {
                grid.setRowCount(row + 1);
            }
            grid.setTrack(row++, cells);
        }
        grid.update();
        throw;
    }
    if (content.kind == ListFileContent::Kind::Paths) {
        if (!content.paths.isEmpty()) {
            if (grid.kind() == TrackGrid::Kind::Playlist) {
                fillPlaylistNow(content.paths);
            } else {
                fillSelectionNow(content.paths);
            }
        }
        return;
    }
    const QList<TrackRow> rows = rowsWithExistingFiles(rowsToKeep(content.groups, afterTracks));
    if (afterTracks) {
        grid.removeRows([&grid](int r) { return !trackFileExists(grid.fileName(r)); }, [] {});
    } else {
        grid.clearList();
    }
    const int appended = grid.appendRows(rows);
    grid.update();
    if (appended < rows.size()) {
        throw SonvoxError(notAddedMessage(rows.size() - appended, grid));
    }
}

// ---- The load dialog ----------------------------------------------------------------------

void TrackLists::OpenButtonClick() {
    loadThroughDialog(*PlaylistGrid);
}

void TrackLists::Button1Click() {
    loadThroughDialog(*Auswahlgrid);
}

void TrackLists::loadTracksIntoPlaylist() {
    prepareAndLoad(LoadKind::Tracks, *PlaylistGrid);
}

void TrackLists::loadTracksIntoSelection() {
    prepareAndLoad(LoadKind::Tracks, *Auswahlgrid);
}

void TrackLists::Open1Click() {
    prepareAndLoad(LoadKind::Playlist, *PlaylistGrid);
}

void TrackLists::Open2Click() {
    prepareAndLoad(LoadKind::Selection, *Auswahlgrid);
}

void TrackLists::prepareAndLoad(LoadKind kind, TrackGrid& grid) {
    if (loadDialog_ && !busy()) {
        loadDialog_->prepare(kind);
        loadThroughDialog(grid);
    }
}

void TrackLists::loadThroughDialog(TrackGrid& grid) {
    if (!loadDialog_ || busy()) {
        return;
    }
    const LoadDialogResult chosen = loadDialog_->exec();
    if (!chosen.accepted || busy()) {
        return;
    }
    const bool playlist = grid.kind() == TrackGrid::Kind::Playlist;
    Command command(*this);
    QStringList files;
    switch (chosen.filterIndex) {
        case LoadFilter::Directory:
            loadDialog_->storeTrackDirectory(chosen.directory);
            files = directoryTracks(chosen.directory);
            break;
        case LoadFilter::MpegFiles:
            loadDialog_->storeTrackDirectory(chosen.directory);
            for (const QString& name : chosen.chosen) {
                files.append(joinPath(chosen.directory, name));
            }
            break;
        case LoadFilter::Playlist:
        case LoadFilter::Selection: {
            const auto list =
                std::find_if(chosen.chosen.begin(), chosen.chosen.end(),
                             [](const QString& name) { return isListFileName(name); });
            if (list == chosen.chosen.end()) {
                return;
            }
            const QString path = joinPath(chosen.directory, *list);
            loadListFile(grid, path, chosen.append ? ListLoadMode::Append : ListLoadMode::Replace);
            if (playlist) {
                growHeight();
                enableNext();
                const bool batch = endsWithLetters(path, QLatin1StringView("M3U")) ||
                                   endsWithLetters(path, QLatin1StringView("PLS"));
                if (!trackLoaded() && !batch && engine_) {
                    engine_->NextUpClick();
                }
            } else {
                growWidth();
            }
            return;
        }
        default:
            return;
    }
    if (!files.isEmpty()) {
        if (playlist) {
            fillPlaylistNow(files);
        } else {
            fillSelectionNow(files);
        }
    }
}
