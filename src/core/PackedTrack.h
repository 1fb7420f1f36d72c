#pragma once
// One row of a track list kept packed: the eight cells of a TrackRow as UTF-8 text in a
// single heap block, so that a list of 30,000 tracks costs a few megabytes instead of the
// eight strings per row a TrackRow takes.
//
// Layout of the block:
//
//   [end of cell 0 .. end of cell 7: 8 x quint32] [UTF-8 text of the cells, back to back]
//
// where each end counts bytes from the start of the text. An all-empty row holds no block
// at all. Reading a cell decodes it; the row is meant to be read for painting a few dozen
// rows at a time, for sorting once per row, and for saving.
//
// A value type that moves cheaply; copies copy the block. No shared state: a row may be
// built on one thread and handed to another.

#include <QString>
#include <QStringView>
#include <array>
#include <memory>

#include "core/TrackRow.h"

class PackedTrack {
public:
    PackedTrack() = default;
    explicit PackedTrack(const TrackRow& row);
    // From the eight cells' UTF-8 bytes, taken as they are (they must be valid UTF-8).
    static PackedTrack fromUtf8(const std::array<QByteArrayView, TrackColumn::Count>& cells);
    PackedTrack(const PackedTrack& other);
    PackedTrack& operator=(const PackedTrack& other);
    PackedTrack(PackedTrack&&) noexcept = default;
    PackedTrack& operator=(PackedTrack&&) noexcept = default;

    QString cell(int col) const;
    // The cell's UTF-8 bytes, without decoding.
    QByteArrayView cellUtf8(int col) const;
    TrackRow row() const;
    QString fileName() const { return cell(TrackColumn::Filename); }
    // A row holds a track exactly when its file name is not empty.
    bool holdsTrack() const { return !cellUtf8(TrackColumn::Filename).isEmpty(); }
    bool isEmpty() const { return !data_; }
    // Rewrites one cell (the block is rebuilt); a column outside 0 ... 7 is ignored.
    void setCell(int col, QStringView text);

    // Heap bytes the row holds (the block, without the allocator's own overhead).
    qsizetype heapBytes() const;

private:
    static constexpr int kCells = TrackColumn::Count;
    void build(const QByteArrayView* cells);
    quint32 end(int col) const;

    std::unique_ptr<char[]> data_;
};
