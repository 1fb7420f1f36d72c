#include "TrackGrid.h"

namespace {

struct ColumnSetup {
    const char* header;
    int width;
};

// Header texts and widths in pixels of the eight columns, in column order.
constexpr ColumnSetup kColumns[TrackColumn::Count] = {
    {"", 10},      {"Artist", 125}, {"Title", 126}, {"Year", 30},
    {"Genre", 70}, {"Album", 125},  {"Note", 125},  {"Filename", 140},
};

}  // namespace

TrackGrid::TrackGrid(Kind kind, QWidget* parent) : TKMVStringGrid(parent), kind_(kind) {
    setObjectName(kind == Kind::Playlist ? QStringLiteral("PlaylistGrid")
                                         : QStringLiteral("Auswahlgrid"));
    setColCount(TrackColumn::Count);
    setDefaultRowHeight(kRowHeightPx);
    TGridOptions options = goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine |
                           goColSizing | goRowSelect | goThumbTracking;
    if (kind == Kind::Playlist) {
        options |= goRangeSelect | goRowMoving;
    }
    setOptions(options);
    for (int col = 0; col < TrackColumn::Count; ++col) {
        setColWidth(col, kColumns[col].width);
        setCell(col, 0, QString::fromLatin1(kColumns[col].header));
    }
    setRowCount(2);
}

// ---- reading ----

bool TrackGrid::holdsTrack(int row) const {
    return row >= 1 && row < rowCount() && !cellView(TrackColumn::Filename, row).isEmpty();
}

TrackRow TrackGrid::track(int row) const {
    TrackRow cells;
    for (int col = 0; col < TrackColumn::Count; ++col) {
        cells[size_t(col)] = cell(col, row);
    }
    return cells;
}

QList<TrackRow> TrackGrid::dataRows() const {
    QList<TrackRow> rows;
    rows.reserve(rowCount() - 1);
    for (int r = 1; r < rowCount(); ++r) {
        rows.append(track(r));
    }
    return rows;
}

bool TrackGrid::otherRowMarked(int row) const {
    for (int r = 1; r < rowCount(); ++r) {
        if (r != row && mark(r) != 0) {
            return true;
        }
    }
    return false;
}

int TrackGrid::markedCount() const {
    int count = 0;
    for (int r = 1; r < rowCount(); ++r) {
        count += mark(r) != 0 ? 1 : 0;
    }
    return count;
}

bool TrackGrid::onRowArea(QPoint pos) {
    return pos.y() > kHeaderStripPx && pos.x() > kFixedColumnPx;
}

// ---- writing ----

void TrackGrid::setTrack(int row, const TrackRow& cells) {
    for (int col = 0; col < TrackColumn::Count; ++col) {
        if (cellView(col, row) != cells[size_t(col)]) {
            setCell(col, row, cells[size_t(col)]);
        }
    }
}

void TrackGrid::emptyRow(int row) {
    rows(row).clear();
}

void TrackGrid::unmarkAll() {
    for (int r = 1; r < rowCount(); ++r) {
        setMark(r, 0);
    }
}

void TrackGrid::markRange(int a, int b) {
    const int from = std::max(std::min(a, b), 1);
    const int to = std::min(std::max(a, b), lastRow());
    for (int r = from; r <= to; ++r) {
        setMark(r, 1);
    }
}

// ---- rows in and out ----

int TrackGrid::appendRow() {
    if (!holdsTrack(lastRow())) {
        return lastRow();
    }
    if (rowCount() >= kMaxRows) {
        return -1;
    }
    setRowCount(rowCount() + 1);
    return lastRow();
}

bool TrackGrid::insertTrack(int p, const TrackRow& cells) {
    p = std::clamp(p, 1, rowCount());
    if (holdsTrack(lastRow())) {
        if (rowCount() >= kMaxRows) {
            return false;
        }
        setRowCount(rowCount() + 1);
    } else {
        p = std::min(p, lastRow());
    }
    // The empty last row travels up to p, the rows from p on move down into its place.
    if (p != lastRow()) {
        moveRow(lastRow(), p);
    }
    setTrack(p, cells);
    return true;
}

void TrackGrid::deleteRow(int r) {
    if (rowCount() < 3) {
        emptyRow(1);
        setMark(1, 0);
        return;
    }
    if (r < 1 || r >= rowCount()) {
        return;
    }
    const int last = lastRow();
    if (r != last) {
        moveRow(r, last);
        for (int i = r; i < last; ++i) {
            setMark(i, mark(i + 1));
        }
    }
    emptyRow(last);
    shrinkTo(last);
}

void TrackGrid::takeRow(int r) {
    if (rowCount() < 3) {
        emptyRow(1);
        return;
    }
    if (r < 1 || r >= rowCount()) {
        return;
    }
    const int last = lastRow();
    if (r != last) {
        moveRow(r, last);
    }
    emptyRow(last);
    shrinkTo(last);
}

void TrackGrid::clearList() {
    for (int r = 1; r < rowCount(); ++r) {
        emptyRow(r);
    }
    shrinkTo(2);
    setMark(1, 0);
}

int TrackGrid::appendRows(const QList<TrackRow>& rows) {
    int appended = 0;
    for (const TrackRow& cells : rows) {
        const int row = appendRow();
        if (row < 0) {
            break;
        }
        setTrack(row, cells);
        ++appended;
    }
    return appended;
}

// Lowers the row count, first emptying the rows that fall away.
void TrackGrid::shrinkTo(int count) {
    for (int r = count; r < rowCount(); ++r) {
        emptyRow(r);
    }
    setRowCount(count);
}
