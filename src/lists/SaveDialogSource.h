#pragma once
// The seam between the track lists and the dialog that asks where a list is saved. The
// lists call it with the directory to start in and the filter to preselect, and get back
// the name the user accepted together with the filter left selected, which decides the
// format (see listFormatForFilter). The main window supplies the real dialog
// (ListSaveDialog); tests supply a function that answers at once.
//
// GUI thread only. The real dialog runs a modal loop.

#include <QString>
#include <functional>
#include <optional>

// What the user left in the save dialog when accepting it.
struct SaveDialogChoice {
    QString fileName;     // the name as typed, absolute or relative to the current directory
    int filterIndex = 1;  // 1 "Playlist", 2 "Selection", 3 "PLS Playlist", 4 "M3U Playlist"
};

// Shows the save dialog with an empty name, in initialDir, with filter filterIndex (1 to 4)
// selected. Nothing when the user cancels.
using SaveDialogRunner =
    std::function<std::optional<SaveDialogChoice>(const QString& initialDir, int filterIndex)>;
