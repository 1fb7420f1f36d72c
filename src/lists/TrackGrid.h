#pragma once
// TrackGrid: the grid that shows one track list, the playlist (PlaylistGrid) or the
// selection (Auswahlgrid): a TKMVStringGrid set up with the lists' eight columns, their
// widths and options, showing the list's TrackListModel. It holds no rows of its own; the
// reading helpers below read the model.
//
// GUI thread only.

#include <QPoint>

#include "controls/TKMVStringGrid.h"
#include "core/TrackListModel.h"
#include "core/TrackRow.h"

class TrackGrid : public TKMVStringGrid {
    Q_OBJECT

public:
    enum class Kind { Playlist, Selection };

    // Presses on the header strip (y up to 16, its 15 pixels and its line) or on the fixed
    // column (x up to 12) are not presses on a row.
    static constexpr int kHeaderStripPx = 16;
    static constexpr int kFixedColumnPx = 12;
    static constexpr int kRowHeightPx = 15;

    TrackGrid(Kind kind, TrackListModel& list, QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    TrackListModel& list() const { return list_; }
    int lastRow() const { return rowCount() - 1; }

    // ---- reading the model ----
    bool holdsTrack(int row) const { return list_.holdsTrack(row); }
    bool holdsAnyTrack() const { return list_.holdsAnyTrack(); }
    QString fileName(int row) const { return list_.fileName(row); }
    TrackRow track(int row) const { return list_.track(row); }
    // Whether the point (in client coordinates) lies on a data row, right of the fixed
    // column and below the header strip, as presses that act on rows require.
    static bool onRowArea(QPoint pos);

private:
    Kind kind_;
    TrackListModel& list_;
};
