#include "TrackListModel.h"

#include <cstring>

#include <QLocale>
#include <QRandomGenerator>
#include <QtEndian>
#include <algorithm>
#include <numeric>

#include "core/SortKey.h"

namespace {

// Header texts of the eight columns, in column order.
constexpr const char* kHeaders[TrackColumn::Count] = {"",      "Artist", "Title", "Year",
                                                      "Genre", "Album",  "Note",  "Filename"};

}  // namespace

TrackListModel::TrackListModel(Kind kind, QObject* parent) : GridModel(parent), kind_(kind) {
    resetToEmpty();
}

QString TrackListModel::name() const {
    return kind_ == Kind::Playlist ? QStringLiteral("playlist") : QStringLiteral("selection");
}

void TrackListModel::resetToEmpty() {
    rows_.clear();
    rows_.push_back(newSlot(PackedTrack()));
    marks_.assign(1, 0);
}

// ---- reading ------------------------------------------------------------------------------

QString TrackListModel::cell(int col, int row) const {
    if (row == 0) {
        return col >= 0 && col < TrackColumn::Count ? QString::fromLatin1(kHeaders[col])
                                                    : QString();
    }
    return isDataRow(row) ? slot(row).track.cell(col) : QString();
}

bool TrackListModel::holdsTrack(int row) const {
    return isDataRow(row) && slot(row).track.holdsTrack();
}

TrackRow TrackListModel::track(int row) const {
    return isDataRow(row) ? slot(row).track.row() : TrackRow();
}

const PackedTrack* TrackListModel::packed(int row) const {
    return isDataRow(row) ? &slot(row).track : nullptr;
}

QList<TrackRow> TrackListModel::dataRows() const {
    QList<TrackRow> rows;
    rows.reserve(qsizetype(rows_.size()));
    for (const Slot& s : rows_) {
        rows.append(s.track.row());
    }
    return rows;
}

int TrackListModel::trackRowsAfterAppend() const {
    return holdsTrack(lastRow()) ? lastRow() : lastRow() - 1;
}

// ---- marks --------------------------------------------------------------------------------

quint8 TrackListModel::mark(int row) const {
    return isDataRow(row) ? marks_[size_t(row - 1)] : 0;
}

void TrackListModel::setMark(int row, quint8 mark) {
    if (isDataRow(row) && marks_[size_t(row - 1)] != mark) {
        marks_[size_t(row - 1)] = mark;
        emit rowsChanged(row, row);
    }
}

void TrackListModel::unmarkAll() {
    std::fill(marks_.begin(), marks_.end(), quint8(0));
    emit rowsChanged(1, lastRow());
}

void TrackListModel::markRange(int a, int b) {
    const int from = std::max(std::min(a, b), 1);
    const int to = std::min(std::max(a, b), lastRow());
    for (int r = from; r <= to; ++r) {
        marks_[size_t(r - 1)] = 1;
    }
    if (from <= to) {
        emit rowsChanged(from, to);
    }
}

bool TrackListModel::otherRowMarked(int row) const {
    for (int r = 1; r <= lastRow(); ++r) {
        if (r != row && marks_[size_t(r - 1)] != 0) {
            return true;
        }
    }
    return false;
}

// ---- rows in --------------------------------------------------------------------------------

int TrackListModel::appendTracks(std::vector<PackedTrack>&& tracks) {
    int added = 0;
    for (PackedTrack& track : tracks) {
        if (!holdsTrack(lastRow())) {
            slot(lastRow()).track = std::move(track);
        } else if (int(rows_.size()) < kMaxDataRows) {
            rows_.push_back(newSlot(std::move(track)));
            marks_.push_back(0);
        } else {
            break;
        }
        ++added;
    }
    if (added > 0) {
        emit layoutChanged();
    }
    return added;
}

bool TrackListModel::appendTrack(const TrackRow& cells) {
    std::vector<PackedTrack> one;
    one.emplace_back(cells);
    return appendTracks(std::move(one)) == 1;
}

bool TrackListModel::insertTrack(int p, const PackedTrack& track) {
    p = std::clamp(p, 1, rowCount());
    if (!holdsTrack(lastRow())) {
        rows_.pop_back();  // the empty last row is absorbed
    } else if (int(rows_.size()) >= kMaxDataRows) {
        return false;
    } else {
        marks_.push_back(0);
    }
    p = std::min(p, rowCount());
    rows_.insert(rows_.begin() + (p - 1), newSlot(track));
    emit layoutChanged();
    return true;
}

int TrackListModel::replaceRows(std::vector<PackedTrack>&& rows) {
    const int fitted = std::min(int(rows.size()), kMaxDataRows);
    rows_.clear();
    rows_.reserve(size_t(std::max(fitted, 1)));
    for (int i = 0; i < fitted; ++i) {
        rows_.push_back(newSlot(std::move(rows[size_t(i)])));
    }
    if (rows_.empty()) {
        rows_.push_back(newSlot(PackedTrack()));
    }
    marks_.assign(rows_.size(), 0);
    emit layoutChanged();
    return fitted;
}

void TrackListModel::setTrack(int row, const TrackRow& cells) {
    if (isDataRow(row)) {
        slot(row).track = PackedTrack(cells);
        emit rowsChanged(row, row);
    }
}

void TrackListModel::setCell(int col, int row, const QString& text) {
    if (isDataRow(row)) {
        slot(row).track.setCell(col, text);
        emit rowsChanged(row, row);
    }
}

// ---- rows out -------------------------------------------------------------------------------

void TrackListModel::deleteRow(int r) {
    if (rows_.size() < 2) {
        slot(1).track = PackedTrack();
        marks_[0] = 0;
        emit rowsChanged(1, 1);
        return;
    }
    if (!isDataRow(r)) {
        return;
    }
    rows_.erase(rows_.begin() + (r - 1));
    marks_.erase(marks_.begin() + (r - 1));
    emit layoutChanged();
}

void TrackListModel::takeRow(int r) {
    if (rows_.size() < 2) {
        slot(1).track = PackedTrack();
        emit rowsChanged(1, 1);
        return;
    }
    if (!isDataRow(r)) {
        return;
    }
    rows_.erase(rows_.begin() + (r - 1));
    marks_.pop_back();
    emit layoutChanged();
}

void TrackListModel::removeMarked() {
    if (rows_.size() < 2) {
        deleteRow(1);
        return;
    }
    removeRows([this](int row) { return mark(row) != 0; });
}

int TrackListModel::removeRows(const std::function<bool(int row)>& drop) {
    if (rows_.size() < 2) {
        if (!drop(1)) {
            return 0;
        }
        const bool held = holdsTrack(1);
        slot(1).track = PackedTrack();
        marks_[0] = 0;
        emit rowsChanged(1, 1);
        return held ? 1 : 0;
    }
    int removed = 0;
    size_t next = 0;
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (drop(int(i) + 1)) {
            removed += rows_[i].track.holdsTrack() ? 1 : 0;
            continue;
        }
        if (i != next) {
            rows_[next] = std::move(rows_[i]);
            marks_[next] = marks_[i];
        }
        ++next;
    }
    if (next == rows_.size()) {
        return 0;
    }
    rows_.resize(next);
    marks_.resize(next);
    if (rows_.empty()) {
        rows_.push_back(newSlot(PackedTrack()));
        marks_.push_back(0);
    }
    emit layoutChanged();
    return removed;
}

void TrackListModel::clear() {
    resetToEmpty();
    emit layoutChanged();
}

// ---- order ----------------------------------------------------------------------------------

void TrackListModel::moveRow(int from, int to) {
    if (!isDataRow(from) || !isDataRow(to) || from == to) {
        return;
    }
    Slot moving = std::move(slot(from));
    rows_.erase(rows_.begin() + (from - 1));
    rows_.insert(rows_.begin() + (to - 1), std::move(moving));
    emit layoutChanged();
}

void TrackListModel::exchangeRows(int a, int b) {
    if (!isDataRow(a) || !isDataRow(b) || a == b) {
        return;
    }
    std::swap(slot(a), slot(b));
    std::swap(marks_[size_t(a - 1)], marks_[size_t(b - 1)]);
    emit rowsChanged(std::min(a, b), std::max(a, b));
}

// Keys are made once per row, back to back in one buffer, and a table of row indexes is
// sorted by them; rows with equal keys keep their order, which is one of the orders an
// unstable sort may give.
void TrackListModel::sortRows(int primaryCol, int secondaryCol) {
    const size_t n = rows_.size();
    if (n < 2) {
        return;
    }
    const QLocale locale;
    // The key's first eight bytes as a number decide most comparisons without a look into
    // the buffer (keys are at least 51 bytes long: the primary cell is padded).
    struct Key {
        quint64 head;
        quint32 offset;
        quint32 length;
    };
    std::string bytes;
    bytes.reserve(n * 96);
    std::vector<Key> keys(n);
    for (size_t i = 0; i < n; ++i) {
        const PackedTrack& t = rows_[i].track;
        const size_t offset = bytes.size();
        SortKey::appendKeyBytes(bytes, t.cellUtf8(primaryCol), t.cellUtf8(secondaryCol), locale);
        keys[i] = {0, quint32(offset), quint32(bytes.size() - offset)};
    }
    for (Key& key : keys) {
        uchar head[8] = {};
        std::memcpy(head, bytes.data() + key.offset, std::min<size_t>(key.length, 8));
        key.head = qFromBigEndian<quint64>(head);
    }
    const char* base = bytes.data();
    std::vector<quint32> order(n);
    std::iota(order.begin(), order.end(), 0u);
    std::sort(order.begin(), order.end(), [&keys, base](quint32 a, quint32 b) {
        const Key& ka = keys[a];
        const Key& kb = keys[b];
        if (ka.head != kb.head) {
            return ka.head < kb.head;
        }
        const int c =
            std::memcmp(base + ka.offset, base + kb.offset, std::min(ka.length, kb.length));
        if (c != 0) {
            return c < 0;
        }
        return ka.length != kb.length ? ka.length < kb.length : a < b;
    });
    std::vector<Slot> sorted;
    std::vector<quint8> marks;
    sorted.reserve(n);
    marks.reserve(n);
    for (const quint32 i : order) {
        sorted.push_back(std::move(rows_[i]));
        marks.push_back(marks_[i]);
    }
    rows_ = std::move(sorted);
    marks_ = std::move(marks);
    emit layoutChanged();
}

void TrackListModel::shuffleRows(QRandomGenerator* generator) {
    const int dataRows = int(rows_.size());
    if (dataRows < 2) {
        return;
    }
    QRandomGenerator& random = generator ? *generator : *QRandomGenerator::global();
    const int exchanges = 2 * rowCount() + 2;
    for (int n = 0; n < exchanges; ++n) {
        const int a = int(random.bounded(dataRows));
        int b = a;
        while (b == a) {
            b = int(random.bounded(dataRows));
        }
        std::swap(rows_[size_t(a)], rows_[size_t(b)]);
        std::swap(marks_[size_t(a)], marks_[size_t(b)]);
    }
    emit layoutChanged();
}

// ---- identity -------------------------------------------------------------------------------

quint64 TrackListModel::rowId(int row) const {
    return isDataRow(row) ? slot(row).id : 0;
}

int TrackListModel::rowOfId(quint64 id) const {
    for (size_t i = 0; i < rows_.size(); ++i) {
        if (rows_[i].id == id) {
            return int(i) + 1;
        }
    }
    return -1;
}
