#include "TrackListModel.h"

#include <cstring>

#include <QLocale>
#include <QRandomGenerator>
#include <QtEndian>
#include <algorithm>
#include <numeric>
#include <thread>

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

std::vector<const PackedTrack*> TrackListModel::packedDataRows() const {
    std::vector<const PackedTrack*> rows;
    rows.reserve(rows_.size());
    for (const Slot& s : rows_) {
        rows.push_back(&s.track);
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
namespace {

// A row's sort key: its first sixteen bytes as two numbers decide most comparisons without
// a look into the key's bytes (keys are at least 51 bytes long: the primary cell is padded).
struct SortEntry {
    quint64 head[2];
    const char* bytes;
    quint32 length;
    quint32 row;
};

bool operator<(const SortEntry& a, const SortEntry& b) {
    if (a.head[0] != b.head[0]) {
        return a.head[0] < b.head[0];
    }
    if (a.head[1] != b.head[1]) {
        return a.head[1] < b.head[1];
    }
    const quint32 common = std::min(a.length, b.length);
    if (common > 16) {
        const int c = std::memcmp(a.bytes + 16, b.bytes + 16, common - 16);
        if (c != 0) {
            return c < 0;
        }
    }
    return a.length != b.length ? a.length < b.length : a.row < b.row;
}

// Keys of rows [from, to) into `bytes` and `entries`.
template <class Rows>
void makeKeys(const Rows& rows, size_t from, size_t to,
              int primaryCol, int secondaryCol, std::string& bytes,
              std::vector<SortEntry>& entries) {
    const QLocale locale;
    bytes.reserve((to - from) * 96);
    std::vector<size_t> offsets;
    offsets.reserve(to - from + 1);
    for (size_t i = from; i < to; ++i) {
        offsets.push_back(bytes.size());
        const PackedTrack& t = rows[i].track;
        SortKey::appendKeyBytes(bytes, t.cellUtf8(primaryCol), t.cellUtf8(secondaryCol), locale);
    }
    offsets.push_back(bytes.size());
    // Pointers only now: the buffer no longer moves.
    for (size_t i = from; i < to; ++i) {
        const size_t k = i - from;
        SortEntry& e = entries[i];
        e.bytes = bytes.data() + offsets[k];
        e.length = quint32(offsets[k + 1] - offsets[k]);
        e.row = quint32(i);
        uchar head[16] = {};
        std::memcpy(head, e.bytes, std::min<size_t>(e.length, 16));
        e.head[0] = qFromBigEndian<quint64>(head);
        e.head[1] = qFromBigEndian<quint64>(head + 8);
    }
}

// Below this many rows one thread sorts.
constexpr size_t kRowsForTwoThreads = 4096;

}  // namespace

void TrackListModel::sortRows(int primaryCol, int secondaryCol) {
    const size_t n = rows_.size();
    if (n < 2) {
        return;
    }
    // Large lists are keyed and sorted in two halves at once, then merged.
    std::vector<SortEntry> entries(n);
    std::string bytes[2];
    if (n < kRowsForTwoThreads) {
        makeKeys(rows_, 0, n, primaryCol, secondaryCol, bytes[0], entries);
        std::sort(entries.begin(), entries.end());
    } else {
        const size_t half = n / 2;
        std::thread other([&] {
            makeKeys(rows_, half, n, primaryCol, secondaryCol, bytes[1], entries);
            std::sort(entries.begin() + std::ptrdiff_t(half), entries.end());
        });
        makeKeys(rows_, 0, half, primaryCol, secondaryCol, bytes[0], entries);
        std::sort(entries.begin(), entries.begin() + std::ptrdiff_t(half));
        other.join();
        std::inplace_merge(entries.begin(), entries.begin() + std::ptrdiff_t(half), entries.end());
    }
    std::vector<Slot> sorted;
    std::vector<quint8> marks;
    sorted.reserve(n);
    marks.reserve(n);
    for (const SortEntry& e : entries) {
        sorted.push_back(std::move(rows_[e.row]));
        marks.push_back(marks_[e.row]);
    }
    rows_ = std::move(sorted);
    marks_ = std::move(marks);
    emit layoutChanged();
}

void TrackListModel::shuffleRows(QRandomGenerator* generator) {
    const quint32 dataRows = quint32(rows_.size());
    if (dataRows < 2) {
        return;
    }
    QRandomGenerator& random = generator ? *generator : *QRandomGenerator::global();
    // The exchanges run on row numbers, and the rows move once at the end; the random
    // numbers are drawn in blocks (the global generator locks on every call).
    std::vector<quint32> order(dataRows);
    std::iota(order.begin(), order.end(), 0u);
    quint32 block[512];
    size_t used = std::size(block);
    auto draw = [&]() -> quint32 {
        if (used == std::size(block)) {
            random.fillRange(block);
            used = 0;
        }
        return quint32((quint64(block[used++]) * dataRows) >> 32);  // 0 .. dataRows - 1
    };
    const int exchanges = 2 * rowCount() + 2;
    for (int n = 0; n < exchanges; ++n) {
        const quint32 a = draw();
        quint32 b = a;
        while (b == a) {
            b = draw();
        }
        std::swap(order[a], order[b]);
    }
    std::vector<Slot> shuffled;
    std::vector<quint8> marks;
    shuffled.reserve(dataRows);
    marks.reserve(dataRows);
    for (const quint32 i : order) {
        shuffled.push_back(std::move(rows_[i]));
        marks.push_back(marks_[i]);
    }
    rows_ = std::move(shuffled);
    marks_ = std::move(marks);
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
