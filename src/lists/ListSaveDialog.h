#pragma once
// ListSaveDialog: the save dialog of the list commands, a QFileDialog in save mode with the
// four list formats as its filters. The main window creates it once (SaveDialog1) and
// reuses it; every run starts with an empty name in the directory it is given, with the
// filter it is given selected. It only asks: it never writes, and it does not ask before
// an existing file is replaced (the list commands replace without asking).
//
// Qt's own widgets are used rather than the desktop's dialog, so that it looks the same
// everywhere and tests can drive it. The filter box shows the labels only; each filter
// lists its extension in either case, since the commands append upper-case extensions.
//
// GUI thread only.

#include <QFileDialog>
#include <QStringList>
#include <optional>

#include "lists/SaveDialogSource.h"

class ListSaveDialog : public QFileDialog {
    Q_OBJECT
public:
    // The filters, "Label|mask;mask|...", indexes 1 to 4 in this order.
    static inline const QString kFilter =
        QStringLiteral("Playlist|*.ply|Selection|*.sel|PLS Playlist|*.pls|M3U Playlist|*.m3u");

    explicit ListSaveDialog(QWidget* parent = nullptr);

    // Shows the dialog modally: empty name, initialDir, filterIndex (1 to 4; another
    // index keeps the filter last selected). Returns the accepted name, absolute, and the
    // filter index then selected; nothing when cancelled.
    std::optional<SaveDialogChoice> run(const QString& initialDir, int filterIndex);

    // The filter index (1 to 4) now selected; 0 when none is.
    int filterIndex() const;

    // Converts "Label|mask;mask|Label|mask" into Qt's name filters, "Label (mask mask)", one
    // per label. Each mask is listed as written and, when that differs, upper-cased too.
    // A label without a mask is dropped.
    static QStringList qtNameFilters(const QString& filter);
};
