#pragma once
// The cell store behind the list grid: every string cell (and its optional object) that a
// grid holds, kept sparsely by row. Windowless: the grid widget reads and writes it, and
// tests use it directly.
//
// Addressing. Any cell with column and row 0 or more can be written and read; a cell never
// written, or written empty, reads as the empty string. Row indices below the store's dense
// limit (the grid's row capacity) sit in a vector indexed by row; a row at or beyond it
// sits in an ordered map, so writing far out reserves nothing up to that index. Negative
// indices read as empty and writes to them are ignored.
//
// Layout of a row. A row is one heap block of 16-bit units holding only its non-empty
// cells, in column order:
//
//   [n: 2 units] [column: 2 units, end: 2 units] x n [text of every cell, back to back]
//
// where "end" is where the cell's text stops, counted from the start of the texts. A row
// of eight tag cells costs one allocation of about 2 x (34 + its characters) bytes plus a
// 16-byte slot, which keeps 30,000 rows at about 10 MB. Objects, which the track lists do
// not use, live in a separate per-row list that exists only when one is set.
//
// Views returned by cellView() stay valid until that row is next changed.

#include <QObject>
#include <QString>
#include <QStringView>
#include <map>
#include <memory>
#include <utility>
#include <vector>

class PackedRow {
public:
    PackedRow() = default;
    PackedRow(PackedRow&&) noexcept = default;
    PackedRow& operator=(PackedRow&&) noexcept = default;

    QStringView cell(int col) const;
    void setCell(int col, QStringView text);
    // Copies the cells of the columns below limit from source; other columns keep theirs.
    void copyBelow(const PackedRow& source, int limit);
    // Empties the cells of the columns below limit.
    void clearBelow(int limit);
    bool isEmpty() const { return !data_; }

private:
    struct Entry {
        quint32 col;
        QStringView text;
    };
    int count() const;
    Entry entry(int i) const;
    void rebuild(const Entry* entries, int n);

    std::unique_ptr<char16_t[]> data_;
};

class GridStore {
public:
    explicit GridStore(int denseRows) : denseRows_(denseRows) {}

    QString cell(int col, int row) const { return cellView(col, row).toString(); }
    QStringView cellView(int col, int row) const;
    void setCell(int col, int row, QStringView text);

    // The object a cell carries; the store neither owns nor watches it.
    QObject* object(int col, int row) const;
    void setObject(int col, int row, QObject* object);

    // Cells and objects of the columns below limit: copied from row from into row to, or
    // emptied. The other columns of the target row are left as they were.
    void copyRow(int from, int to, int limit);
    void clearRow(int row, int limit);

    // Exchange two rows, or move one row to another index shifting the rows between by one.
    // Both indices must lie below the dense limit; other calls are ignored.
    void exchangeRows(int a, int b);
    void moveRow(int from, int to);

    int denseRows() const { return denseRows_; }

private:
    using ObjectList = std::vector<std::pair<int, QObject*>>;
    struct Slot {
        PackedRow cells;
        std::unique_ptr<ObjectList> objects;
    };
    const Slot* find(int row) const;
    Slot* obtain(int row);

    int denseRows_;
    std::vector<Slot> rows_;
    std::map<int, Slot> farRows_;
};
