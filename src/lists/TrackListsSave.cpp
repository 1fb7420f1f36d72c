// Saving a list through the save dialog (Save2Click, Save3Click).

#include "TrackGrid.h"
#include "TrackLists.h"
#include "core/ListFile.h"

void TrackLists::setSaveDialog(SaveDialogRunner run) {
    saveDialog_ = std::move(run);
}

void TrackLists::setListDirectories(std::function<QString(LoadKind)> directoryFor) {
    listDirectory_ = std::move(directoryFor);
}

void TrackLists::Save2Click() {
    saveThroughDialog(*PlaylistGrid);
}

void TrackLists::Save3Click() {
    saveThroughDialog(*Auswahlgrid);
}

// The rows are read when the dialog has closed: a batch handed in meanwhile is saved too.
void TrackLists::saveThroughDialog(const TrackGrid& grid) {
    if (!saveDialog_ || busy()) {
        return;
    }
    const bool playlist = grid.kind() == TrackGrid::Kind::Playlist;
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
    saveList(listSaveName(choice->fileName, format), format, grid.dataRows());
}
