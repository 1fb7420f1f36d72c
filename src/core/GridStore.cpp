#include "GridStore.h"

#include <QVarLengthArray>
#include <algorithm>
#include <cstring>

namespace {

constexpr int kHeaderUnits = 2;
constexpr int kEntryUnits = 4;

quint32 readU32(const char16_t* at) {
    return quint32(at[0]) | (quint32(at[1]) << 16);
}

void writeU32(char16_t* at, quint32 value) {
    at[0] = char16_t(value & 0xFFFF);
    at[1] = char16_t(value >> 16);
}

}  // namespace

// ---- PackedRow ----

int PackedRow::count() const {
    return data_ ? int(readU32(data_.get())) : 0;
}

PackedRow::Entry PackedRow::entry(int i) const {
    const char16_t* base = data_.get();
    const char16_t* slot = base + kHeaderUnits + i * kEntryUnits;
    const char16_t* texts = base + kHeaderUnits + count() * kEntryUnits;
    const quint32 begin = i == 0 ? 0 : readU32(slot - kEntryUnits + 2);
    const quint32 end = readU32(slot + 2);
    return {readU32(slot), QStringView(texts + begin, qsizetype(end - begin))};
}

QStringView PackedRow::cell(int col) const {
    const int n = count();
    for (int i = 0; i < n; ++i) {
        const Entry e = entry(i);
        if (e.col == quint32(col)) {
            return e.text;
        }
        if (e.col > quint32(col)) {
            break;
        }
    }
    return {};
}

void PackedRow::rebuild(const Entry* entries, int n) {
    if (n == 0) {
        data_.reset();
        return;
    }
    qsizetype textUnits = 0;
    for (int i = 0; i < n; ++i) {
        textUnits += entries[i].text.size();
    }
    auto block = std::make_unique<char16_t[]>(size_t(kHeaderUnits + n * kEntryUnits + textUnits));
    writeU32(block.get(), quint32(n));
    char16_t* texts = block.get() + kHeaderUnits + n * kEntryUnits;
    quint32 end = 0;
    for (int i = 0; i < n; ++i) {
        const QStringView text = entries[i].text;
        std::memcpy(texts + end, text.utf16(), size_t(text.size()) * sizeof(char16_t));
        end += quint32(text.size());
        writeU32(block.get() + kHeaderUnits + i * kEntryUnits, entries[i].col);
        writeU32(block.get() + kHeaderUnits + i * kEntryUnits + 2, end);
    }
    // The views in entries may point into the old block: it goes only now.
    data_ = std::move(block);
}

void PackedRow::setCell(int col, QStringView text) {
    const int n = count();
    QVarLengthArray<Entry, 16> entries;
    bool placed = text.isEmpty();
    for (int i = 0; i < n; ++i) {
        const Entry e = entry(i);
        if (!placed && e.col >= quint32(col)) {
            entries.append({quint32(col), text});
            placed = true;
        }
        if (e.col != quint32(col)) {
            entries.append(e);
        }
    }
    if (!placed) {
        entries.append({quint32(col), text});
    }
    rebuild(entries.constData(), int(entries.size()));
}

void PackedRow::copyBelow(const PackedRow& source, int limit) {
    QVarLengthArray<Entry, 16> entries;
    for (int i = 0, n = source.count(); i < n; ++i) {
        const Entry e = source.entry(i);
        if (e.col >= quint32(limit)) {
            break;
        }
        entries.append(e);
    }
    for (int i = 0, n = count(); i < n; ++i) {
        const Entry e = entry(i);
        if (e.col >= quint32(limit)) {
            entries.append(e);
        }
    }
    rebuild(entries.constData(), int(entries.size()));
}

void PackedRow::clearBelow(int limit) {
    QVarLengthArray<Entry, 16> entries;
    for (int i = 0, n = count(); i < n; ++i) {
        const Entry e = entry(i);
        if (e.col >= quint32(limit)) {
            entries.append(e);
        }
    }
    if (entries.size() != count()) {
        rebuild(entries.constData(), int(entries.size()));
    }
}

// ---- GridStore ----

const GridStore::Slot* GridStore::find(int row) const {
    if (row < 0) {
        return nullptr;
    }
    if (row < denseRows_) {
        return size_t(row) < rows_.size() ? &rows_[size_t(row)] : nullptr;
    }
    const auto it = farRows_.find(row);
    return it == farRows_.end() ? nullptr : &it->second;
}

GridStore::Slot* GridStore::obtain(int row) {
    if (row < 0) {
        return nullptr;
    }
    if (row < denseRows_) {
        if (size_t(row) >= rows_.size()) {
            rows_.resize(size_t(row) + 1);
        }
        return &rows_[size_t(row)];
    }
    return &farRows_[row];
}

QStringView GridStore::cellView(int col, int row) const {
    const Slot* slot = find(row);
    return slot && col >= 0 ? slot->cells.cell(col) : QStringView();
}

void GridStore::setCell(int col, int row, QStringView text) {
    if (col < 0 || row < 0) {
        return;
    }
    if (text.isEmpty() && !find(row)) {
        return;
    }
    obtain(row)->cells.setCell(col, text);
}

QObject* GridStore::object(int col, int row) const {
    const Slot* slot = find(row);
    if (!slot || !slot->objects) {
        return nullptr;
    }
    for (const auto& [c, object] : *slot->objects) {
        if (c == col) {
            return object;
        }
    }
    return nullptr;
}

void GridStore::setObject(int col, int row, QObject* object) {
    if (col < 0 || row < 0 || (!object && !find(row))) {
        return;
    }
    Slot* slot = obtain(row);
    if (!slot->objects) {
        if (!object) {
            return;
        }
        slot->objects = std::make_unique<ObjectList>();
    }
    ObjectList& list = *slot->objects;
    const auto it =
        std::find_if(list.begin(), list.end(), [col](const auto& e) { return e.first == col; });
    if (it != list.end()) {
        if (object) {
            it->second = object;
        } else {
            list.erase(it);
        }
    } else if (object) {
        list.emplace_back(col, object);
    }
    if (list.empty()) {
        slot->objects.reset();
    }
}

void GridStore::copyRow(int from, int to, int limit) {
    if (from == to || to < 0 || limit <= 0) {
        return;
    }
    const Slot* source = find(from);
    if (!source) {
        clearRow(to, limit);
        return;
    }
    // Copy the source first: obtaining the target may move the vector the source lives in.
    PackedRow cells;
    cells.copyBelow(source->cells, limit);
    ObjectList objects;
    if (source->objects) {
        for (const auto& e : *source->objects) {
            if (e.first < limit) {
                objects.push_back(e);
            }
        }
    }
    Slot* target = obtain(to);
    target->cells.copyBelow(cells, limit);
    if (target->objects) {
        std::erase_if(*target->objects, [limit](const auto& e) { return e.first < limit; });
    }
    for (const auto& e : objects) {
        setObject(e.first, to, e.second);
    }
    if (target->objects && target->objects->empty()) {
        target->objects.reset();
    }
}

void GridStore::clearRow(int row, int limit) {
    const Slot* slot = find(row);
    if (!slot || limit <= 0) {
        return;
    }
    Slot* target = obtain(row);
    target->cells.clearBelow(limit);
    if (target->objects) {
        std::erase_if(*target->objects, [limit](const auto& e) { return e.first < limit; });
        if (target->objects->empty()) {
            target->objects.reset();
        }
    }
}

void GridStore::exchangeRows(int a, int b) {
    if (a == b || a < 0 || b < 0 || a >= denseRows_ || b >= denseRows_) {
        return;
    }
    if (size_t(std::max(a, b)) >= rows_.size()) {
        rows_.resize(size_t(std::max(a, b)) + 1);
    }
    std::swap(rows_[size_t(a)], rows_[size_t(b)]);
}

void GridStore::moveRow(int from, int to) {
    if (from == to || from < 0 || to < 0 || from >= denseRows_ || to >= denseRows_) {
        return;
    }
    if (size_t(std::max(from, to)) >= rows_.size()) {
        rows_.resize(size_t(std::max(from, to)) + 1);
    }
    const auto first = rows_.begin();
    if (from < to) {
        std::rotate(first + from, first + from + 1, first + to + 1);
    } else {
        std::rotate(first + to, first + from, first + from + 1);
    }
}
