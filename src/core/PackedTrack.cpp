#include "PackedTrack.h"

#include <QByteArray>
#include <cstring>

namespace {

constexpr qsizetype kHeaderBytes = qsizetype(TrackColumn::Count * sizeof(quint32));

}  // namespace

PackedTrack::PackedTrack(const TrackRow& row) {
    QByteArray bytes[kCells];
    QByteArrayView cells[kCells];
    for (int col = 0; col < kCells; ++col) {
        bytes[col] = row[size_t(col)].toUtf8();
        cells[col] = bytes[col];
    }
    build(cells);
}

PackedTrack PackedTrack::fromUtf8(const std::array<QByteArrayView, TrackColumn::Count>& cells) {
    PackedTrack track;
    track.build(cells.data());
    return track;
}

PackedTrack::PackedTrack(const PackedTrack& other) {
    *this = other;
}

PackedTrack& PackedTrack::operator=(const PackedTrack& other) {
    if (this == &other) {
        return *this;
    }
    if (!other.data_) {
        data_.reset();
        return *this;
    }
    const qsizetype bytes = other.heapBytes();
    data_ = std::make_unique_for_overwrite<char[]>(size_t(bytes));
    std::memcpy(data_.get(), other.data_.get(), size_t(bytes));
    return *this;
}

void PackedTrack::build(const QByteArrayView* cells) {
    qsizetype text = 0;
    for (int col = 0; col < kCells; ++col) {
        text += cells[col].size();
    }
    if (text == 0) {
        data_.reset();
        return;
    }
    data_ = std::make_unique_for_overwrite<char[]>(size_t(kHeaderBytes + text));
    quint32 ends[kCells];
    qsizetype at = 0;
    for (int col = 0; col < kCells; ++col) {
        if (!cells[col].isEmpty()) {  // an empty view may hold no pointer at all
            std::memcpy(data_.get() + kHeaderBytes + at, cells[col].constData(),
                        size_t(cells[col].size()));
        }
        at += cells[col].size();
        ends[col] = quint32(at);
    }
    std::memcpy(data_.get(), ends, sizeof ends);
}

quint32 PackedTrack::end(int col) const {
    quint32 value;
    std::memcpy(&value, data_.get() + qsizetype(col) * qsizetype(sizeof(quint32)), sizeof value);
    return value;
}

QByteArrayView PackedTrack::cellUtf8(int col) const {
    if (!data_ || col < 0 || col >= kCells) {
        return {};
    }
    const quint32 from = col == 0 ? 0 : end(col - 1);
    return QByteArrayView(data_.get() + kHeaderBytes + from, qsizetype(end(col) - from));
}

QString PackedTrack::cell(int col) const {
    const QByteArrayView bytes = cellUtf8(col);
    return bytes.isEmpty() ? QString() : QString::fromUtf8(bytes);
}

TrackRow PackedTrack::row() const {
    TrackRow cells;
    for (int col = 0; col < kCells; ++col) {
        cells[size_t(col)] = cell(col);
    }
    return cells;
}

void PackedTrack::setCell(int col, QStringView text) {
    if (col < 0 || col >= kCells) {
        return;
    }
    const QByteArray changed = text.toUtf8();
    QByteArray bytes[kCells];
    QByteArrayView cells[kCells];
    for (int c = 0; c < kCells; ++c) {
        bytes[c] = c == col ? changed : cellUtf8(c).toByteArray();
        cells[c] = bytes[c];
    }
    build(cells);
}

qsizetype PackedTrack::heapBytes() const {
    return data_ ? kHeaderBytes + qsizetype(end(kCells - 1)) : 0;
}
