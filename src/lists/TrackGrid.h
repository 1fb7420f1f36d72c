#pragma once
// TrackGrid: the grid of one track list, the playlist (PlaylistGrid) or the selection
// (Auswahlgrid), set up with the lists' eight columns and header texts, and the row
// operations both lists share. The grid is the list's only store: row 0 is the header,
// data rows are 1 to rowCount() - 1, and there is always at least one data row (an empty
// list is one empty row). A row holds a track exactly when its "Filename" cell is not
// empty.
//
// Every operation here keeps the store's rule that rows beyond the row count hold only
// empty cells: a row is emptied before the count drops below it, so a row the list adds
// later starts empty. No operation writes beyond TKMVStringGrid::kMaxRows; those that add
// rows say whether there was room.
//
// Marks. Rows that are added come unmarked. deleteRow() moves the marks of the rows below
// up with their rows; takeRow(), insertTrack() and moves by the grid's own row moving
// leave marks at their row positions.
//
// GUI thread only.

#include <QList>
#include <algorithm>

#include "controls/TKMVStringGrid.h"
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

    explicit TrackGrid(Kind kind, QWidget* parent = nullptr);

    Kind kind() const { return kind_; }
    int lastRow() const { return rowCount() - 1; }

    // ---- reading ----
    bool holdsTrack(int row) const;
    // True when the list holds at least one track (more than one data row, or row 1 a track).
    bool holdsAnyTrack() const { return rowCount() > 2 || holdsTrack(1); }
    QString fileName(int row) const { return cell(TrackColumn::Filename, row); }
    TrackRow track(int row) const;
    QList<TrackRow> dataRows() const;
    // Whether a data row other than row is marked.
    bool otherRowMarked(int row) const;
    int markedCount() const;
    // Whether the point (in client coordinates) lies on a data row, right of the fixed
    // column and below the header strip, as presses that act on rows require.
    static bool onRowArea(QPoint pos);

    // ---- writing ----
    // Writes all eight cells of row.
    void setTrack(int row, const TrackRow& cells);
    // Empties all eight cells of row.
    void emptyRow(int row);
    void unmarkAll();
    // Marks every data row from a to b inclusive, in either order, within the data rows.
    void markRange(int a, int b);

    // ---- rows in and out ----
    // The row a new track goes into: the last row when it holds no track (row 1 of an empty
    // list), else a new row at the end. -1 when the list is full; nothing changes then.
    int appendRow();
    // Inserts cells before row p (1 <= p <= rowCount()): when the last row holds a track the
    // list grows by one, rows p and below move down; an empty last row is absorbed instead
    // (with p at the end, the cells land in that row). False when the list is full.
    bool insertTrack(int p, const TrackRow& cells);
    // DelRow, DelaRow: removes data row r, the rows below moving up with their marks. With
    // one data row, row 1 is emptied and unmarked whatever r is.
    void deleteRow(int r);
    // The engine's removal of a row it takes (row 1): the rows below move up without their
    // marks; with one data row, row 1 is emptied.
    void takeRow(int r);
    // "&Clear Playlist", "&Clear Selection": every data row emptied and unmarked, row count 2.
    void clearList();
    // Removes every row for which drop(row) is true, keeping the order of the others. The
    // rows that stay keep their marks. With one data row, row 1 is emptied and unmarked when
    // drop(1) holds. step() is called once per examined row. Returns how many were removed.
    template <typename Drop, typename Step>
    int removeRows(Drop drop, Step step);
    // Appends rows as they are, as far as they fit. Returns how many were appended.
    int appendRows(const QList<TrackRow>& rows);

private:
    void shrinkTo(int rowCount);

    Kind kind_;
};

template <typename Drop, typename Step>
int TrackGrid::removeRows(Drop drop, Step step) {
    if (rowCount() < 3) {
        step();
        if (!drop(1)) {
            return 0;
        }
        const bool held = holdsTrack(1);
        emptyRow(1);
        setMark(1, 0);
        return held ? 1 : 0;
    }
    // A stable compaction: every kept row is exchanged into the next free place, so the
    // dropped rows gather at the end, where they are emptied.
    int next = 1;
    const int last = lastRow();
    for (int r = 1; r <= last && r < rowCount(); ++r) {
        step();
        if (r >= rowCount()) {
            break;
        }
        if (!drop(r)) {
            if (r != next) {
                exchangeRows(next, r);
            }
            ++next;
        }
    }
    const int removed = rowCount() - next;
    if (next == 1) {
        emptyRow(1);
        setMark(1, 0);
        ++next;
    }
    shrinkTo(std::max(next, 2));
    return removed;
}
