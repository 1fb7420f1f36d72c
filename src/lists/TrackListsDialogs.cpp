// The list view's dialogs: what the load dialog hands back (OpenButtonClick, Button1Click),
// saving through the save dialog (Save2Click, Save3Click), and the question before a track
// file is deleted (DeleteMpegFile1Click).

#include <QDir>
#include <QGuiApplication>

#include "TMpegDelete.h"
#include "TrackGrid.h"
#include "TrackLists.h"
#include "core/ListFile.h"
#include "metadata/ReportError.h"

// ---- The load dialog ------------------------------------------------------------------------

void TrackLists::OpenButtonClick() {
    loadThroughDialog(commands_.playlist());
}

void TrackLists::Button1Click() {
    loadThroughDialog(commands_.selection());
}

void TrackLists::loadTracksIntoPlaylist() {
    prepareAndLoad(LoadKind::Tracks, commands_.playlist());
}

void TrackLists::loadTracksIntoSelection() {
    prepareAndLoad(LoadKind::Tracks, commands_.selection());
}

void TrackLists::Open1Click() {
    prepareAndLoad(LoadKind::Playlist, commands_.playlist());
}

void TrackLists::Open2Click() {
    prepareAndLoad(LoadKind::Selection, commands_.selection());
}

void TrackLists::prepareAndLoad(LoadKind kind, TrackListModel& list) {
    if (loadDialog_ && !busy()) {
        loadDialog_->prepare(kind);
        loadThroughDialog(list);
    }
}

// The chosen names are joined to the dialog's directory at once: the dialog may change the
// current directory again before anything is read.
void TrackLists::loadThroughDialog(TrackListModel& list) {
    if (!loadDialog_ || busy()) {
        return;
    }
    const LoadDialogResult chosen = loadDialog_->exec();
    if (!chosen.accepted || busy()) {
        return;
    }
    const QDir dir(chosen.directory);
    switch (chosen.filterIndex) {
        case LoadFilter::Directory:
            loadDialog_->storeTrackDirectory(chosen.directory);
            commands_.loadChosenTracks(list, ListCommands::directoryTracks(chosen.directory));
            break;
        case LoadFilter::MpegFiles: {
            loadDialog_->storeTrackDirectory(chosen.directory);
            QStringList files;
            for (const QString& name : chosen.chosen) {
                files.append(dir.filePath(name));
            }
            commands_.loadChosenTracks(list, files);
            break;
        }
        case LoadFilter::Playlist:
        case LoadFilter::Selection: {
            const auto file =
                std::find_if(chosen.chosen.begin(), chosen.chosen.end(),
                             [](const QString& name) { return isListFileName(name); });
            if (file != chosen.chosen.end()) {
                commands_.loadChosenList(
                    list, dir.filePath(*file),
                    chosen.append ? ListLoadMode::Append : ListLoadMode::Replace);
            }
            break;
        }
        default:
            break;
    }
}

// ---- The save dialog ------------------------------------------------------------------------

void TrackLists::setSaveDialog(SaveDialogRunner run) {
    saveDialog_ = std::move(run);
}

void TrackLists::setListDirectories(std::function<QString(LoadKind)> directoryFor) {
    listDirectory_ = std::move(directoryFor);
}

void TrackLists::Save2Click() {
    saveThroughDialog(commands_.playlist());
}

void TrackLists::Save3Click() {
    saveThroughDialog(commands_.selection());
}

// The rows are read when the dialog has closed: a batch handed in meanwhile is saved too.
void TrackLists::saveThroughDialog(const TrackListModel& list) {
    if (!saveDialog_ || busy()) {
        return;
    }
    const bool playlist = list.kind() == TrackListModel::Kind::Playlist;
    const QString directory =
        listDirectory_ ? listDirectory_(playlist ? LoadKind::Playlist : LoadKind::Selection)
                       : QString();
    const int presetFilter = playlist ? 1 : 2;  // "Playlist", "Selection"
    const std::optional<SaveDialogChoice> choice = saveDialog_(directory, presetFilter);
    if (!choice || choice->fileName.isEmpty()) {
        return;
    }
    const ListFormat format =
        listFormatForFilter(choice->filterIndex)
            .value_or(playlist ? ListFormat::Playlist : ListFormat::Selection);
    const QString path = listSaveName(choice->fileName, format);
    const QStringList refused = saveList(path, format, list.packedDataRows());
    if (!refused.isEmpty()) {
        reportError(refusedNamesText(path, refused));
    }
}

// ---- Deleting track files -------------------------------------------------------------------

void TrackLists::DeleteMpegFile1Click() {
    if (busy()) {
        return;
    }
    if (!mpegDelete_) {
        mpegDelete_ = new TMpegDelete(Auswahlgrid->window());
    }
    commands_.deleteMarkedFiles([this](const TrackRow& row) {
        switch (mpegDelete_->ask(row[TrackColumn::Artist], row[TrackColumn::Title],
                                 row[TrackColumn::Filename])) {
            case TMpegDelete::Yes:
                return ListCommands::DeleteAnswer::Yes;
            case TMpegDelete::All:
                return ListCommands::DeleteAnswer::All;
            case TMpegDelete::No:
                return ListCommands::DeleteAnswer::No;
            case TMpegDelete::Cancel:
                break;
        }
        return ListCommands::DeleteAnswer::Cancel;
    });
}
