#pragma once
// TrackListModel: the rows of one track list, the playlist or the selection, apart from any
// window. Both lists of the main window are one of these each; the list grid shows it
// (GridModel) and the player engine takes the playlist's first row through PlaylistSource.
//
// Rows. Row 0 is the header (the column titles); data rows are 1 to rowCount() - 1 and
// there is always at least one (an empty list is one empty row). A row holds a track
// exactly when its file name is not empty. Rows are kept packed (PackedTrack) with a mark
// byte each; at most kMaxDataRows data rows fit, and every operation that adds rows says
// how many it could add.
//
// Marks. Rows that are added come unmarked. deleteRow() and removeMarked() move the marks
// of the rows below up with their rows; takeRow(), insertTrack() and moveRow() leave marks
// at their row positions; sorting, shuffling and exchanging move marks with their rows.
//
// Paths. The model keeps the file names it is given; callers hand it absolute paths.
//
// Changes are announced with GridModel's signals. GUI thread only (rows may be built on
// other threads and handed over, see TrackFill).

#include <QList>
#include <QString>
#include <functional>
#include <vector>

#include "core/GridModel.h"
#include "core/PackedTrack.h"
#include "core/PlaylistSource.h"
#include "core/TrackRow.h"

class TrackListModel : public GridModel, public PlaylistSource {
    Q_OBJECT

public:
    enum class Kind { Playlist, Selection };

    // Rows including the header row 0: 30,000 data rows.
    static constexpr int kMaxRows = 30001;
    static constexpr int kMaxDataRows = kMaxRows - 1;

    explicit TrackListModel(Kind kind, QObject* parent = nullptr);

    Kind kind() const { return kind_; }
    // "playlist" or "selection", for messages.
    QString name() const;

    // ---- reading ----
    int rowCount() const override { return int(rows_.size()) + 1; }
    int lastRow() const { return int(rows_.size()); }
    QString cell(int col, int row) const override;
    bool holdsTrack(int row) const;
    // True when the list holds at least one track (more than one data row, or row 1 a track).
    bool holdsAnyTrack() const { return rows_.size() > 1 || holdsTrack(1); }
    QString fileName(int row) const { return cell(TrackColumn::Filename, row); }
    TrackRow track(int row) const;
    const PackedTrack* packed(int row) const;
    // Data rows 1 to rowCount() - 1, as a list file stores them.
    QList<TrackRow> dataRows() const;
    // The same rows as they are held, for saving; valid until the list changes.
    std::vector<const PackedTrack*> packedDataRows() const;
    // How many data rows can still be added.
    int room() const { return kMaxDataRows - trackRowsAfterAppend(); }

    // ---- marks ----
    quint8 mark(int row) const override;
    void setMark(int row, quint8 mark) override;
    void unmarkAll();
    // Marks every data row from a to b inclusive, in either order, within the data rows.
    void markRange(int a, int b);
    // Whether a data row other than row is marked.
    bool otherRowMarked(int row) const;

    // ---- rows in ----
    // Appends tracks after the list's last row; the first goes into the last row when that
    // holds no track (row 1 of an empty list). Returns how many fitted.
    int appendTracks(std::vector<PackedTrack>&& tracks);
    bool appendTrack(const TrackRow& cells);
    // Inserts a track before row p (1 <= p <= rowCount()): when the last row holds a track
    // the list grows by one and rows p and below move down; an empty last row is absorbed
    // instead (with p at the end the track lands in that row). False when the list is full.
    bool insertTrack(int p, const PackedTrack& track);
    // Puts rows in place of the list's rows; at least one row stays. Returns how many fitted.
    int replaceRows(std::vector<PackedTrack>&& rows);
    // Writes a row's cells; a row beyond the last is ignored.
    void setTrack(int row, const TrackRow& cells);
    void setCell(int col, int row, const QString& text) override;

    // ---- rows out ----
    // DelRow, DelaRow: removes data row r, the rows below moving up with their marks. With
    // one data row, row 1 is emptied and unmarked whatever r is.
    void deleteRow(int r);
    // The engine's removal of a row it takes: the rows below move up without their marks;
    // with one data row, row 1 is emptied.
    void takeRow(int r);
    // "&Delete Selected": every marked row; with one data row that row, marked or not.
    void removeMarked();
    // Removes every data row for which drop(row) holds, the others keeping order and marks.
    // With one data row, it is emptied and unmarked when drop(1) holds. Returns how many
    // tracks went.
    int removeRows(const std::function<bool(int row)>& drop);
    // "&Clear Playlist", "&Clear Selection": one empty, unmarked row.
    void clear();

    // ---- order ----
    void moveRow(int from, int to) override;
    void exchangeRows(int a, int b) override;
    void sortRows(int primaryCol, int secondaryCol) override;
    void shuffleRows(QRandomGenerator* generator = nullptr) override;

    // ---- identity ----
    quint64 rowId(int row) const override;
    int rowOfId(quint64 id) const override;

    // ---- PlaylistSource ----
    QString firstFileName() const override { return fileName(1); }
    void removeFirstRow() override { takeRow(1); }

private:
    struct Slot {
        PackedTrack track;
        quint64 id = 0;
    };
    bool isDataRow(int row) const { return row >= 1 && row <= int(rows_.size()); }
    Slot& slot(int row) { return rows_[size_t(row - 1)]; }
    const Slot& slot(int row) const { return rows_[size_t(row - 1)]; }
    Slot newSlot(PackedTrack track) { return Slot{std::move(track), nextId_++}; }
    // Data rows after an append into the last row: the last row counts only when it holds
    // a track.
    int trackRowsAfterAppend() const;
    void resetToEmpty();

    Kind kind_;
    std::vector<Slot> rows_;
    std::vector<quint8> marks_;
    quint64 nextId_ = 1;
};
