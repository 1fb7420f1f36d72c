// The row format read into and written from packed rows: valid UTF-8 goes through as bytes.

#include <QFileInfo>
#include <array>

#include "core/ListFile.h"
#include "core/ListFileLines.h"

using namespace listfile;

namespace {

// Plain ASCII, eight bytes at a time; most cells are.
bool isAscii(QByteArrayView bytes) {
    const char* p = bytes.data();
    qsizetype n = bytes.size();
    for (; n >= 8; p += 8, n -= 8) {
        quint64 word;
        std::memcpy(&word, p, sizeof word);
        if (word & 0x8080808080808080u) {
            return false;
        }
    }
    for (; n > 0; ++p, --n) {
        if (static_cast<unsigned char>(*p) >= 0x80) {
            return false;
        }
    }
    return true;
}

// A line as UTF-8: its own bytes when they are valid UTF-8, else decoded as Windows-1252.
void takeLine(QByteArrayView line, QByteArray& cell) {
    if (isAscii(line) || line.isValidUtf8()) {
        cell.resize(line.size());  // keeps the capacity
        if (!line.isEmpty()) {
            std::memcpy(cell.data(), line.data(), size_t(line.size()));
        }
    } else {
        cell = Cp1252::decode(line).toUtf8();
    }
}

void makeAbsolute(std::vector<PackedTrack>& groups, const QString& path) {
    const QDir listDir = QFileInfo(path).absoluteDir();
    for (PackedTrack& row : groups) {
        const QByteArrayView file = row.cellUtf8(TrackColumn::Filename);
        if (!file.isEmpty() && file.front() != '/') {
            row.setCell(TrackColumn::Filename, inFolder(listDir, QString::fromUtf8(file)));
        }
    }
}

QList<TrackRow> unpacked(const std::vector<PackedTrack>& rows) {
    QList<TrackRow> result;
    result.reserve(qsizetype(rows.size()));
    for (const PackedTrack& row : rows) {
        result.append(row.row());
    }
    return result;
}

}  // namespace

QStringList saveList(const QString& path, ListFormat format,
                     std::span<const PackedTrack* const> dataRows) {
    // A line-based file cannot hold a name with a line break: such rows are left out (and
    // named to the caller) rather than saved under a name that is another file's.
    QStringList refused;
    std::vector<const PackedTrack*> kept;
    for (size_t i = 0; i < dataRows.size(); ++i) {
        const QByteArrayView file = dataRows[i]->cellUtf8(TrackColumn::Filename);
        if (hasLineBreak(file)) {
            if (refused.isEmpty()) {
                kept.assign(dataRows.begin(), dataRows.begin() + std::ptrdiff_t(i));
            }
            refused.append(QString::fromUtf8(file));
        } else if (!refused.isEmpty()) {
            kept.push_back(dataRows[i]);
        }
    }
    const std::span<const PackedTrack* const> rows =
        refused.isEmpty() ? dataRows : std::span<const PackedTrack* const>(kept);

    LineWriter out(path);
    switch (format) {
        case ListFormat::Playlist:
        case ListFormat::Selection:
            if (rows.empty()) {  // an empty list is saved as its one empty row
                for (int col = 0; col < TrackColumn::Count; ++col) {
                    out.lineUtf8({});
                }
            }
            for (const PackedTrack* row : rows) {
                for (int col = 0; col < TrackColumn::Count; ++col) {
                    out.lineUtf8(row->cellUtf8(col));
                }
            }
            for (int i = 0; i < 2 * TrackColumn::Count; ++i) {
                out.lineUtf8({});
            }
            break;
        case ListFormat::M3u:
            if (rows.empty()) {
                out.lineUtf8({});
            }
            for (const PackedTrack* row : rows) {
                out.lineUtf8(row->cellUtf8(TrackColumn::Filename));
            }
            break;
        case ListFormat::Pls: {
            out.lineUtf8("[playlist]");
            QByteArray line;
            const qsizetype entries = std::max<qsizetype>(qsizetype(rows.size()), 1);
            for (qsizetype n = 0; n < entries; ++n) {
                line = "File" + QByteArray::number(n + 1) + '=';
                if (!rows.empty()) {
                    line += rows[size_t(n)]->cellUtf8(TrackColumn::Filename);
                }
                out.lineUtf8(line);
            }
            out.lineUtf8("NumberOfEntries=" + QByteArray::number(entries));
            break;
        }
    }
    out.finish();
    return refused;
}

std::vector<PackedTrack> readRowFile(const QString& path) {
    LineReader reader(path);
    std::vector<PackedTrack> groups;
    std::array<QByteArray, TrackColumn::Count> cells;
    try {
        while (!reader.atEnd()) {
            if (qsizetype(groups.size()) >= kMaxListEntries) {
                throwTooManyEntries(path);
            }
            std::array<QByteArrayView, TrackColumn::Count> views;
            for (int col = 0; col < TrackColumn::Count; ++col) {
                if (reader.atEnd()) {  // a group cut short gets empty cells
                    cells[size_t(col)].resize(0);
                } else {
                    takeLine(reader.next(), cells[size_t(col)]);
                }
                views[size_t(col)] = cells[size_t(col)];
            }
            groups.push_back(PackedTrack::fromUtf8(views));
        }
    } catch (const ReadFailure& failure) {
        makeAbsolute(groups, path);
        throw ListReadError(readErrorText(path, failure.reason), unpacked(groups));
    }
    makeAbsolute(groups, path);
    return groups;
}

void keepRows(std::vector<PackedTrack>& groups, bool appendingToListWithTrack) {
    const size_t trailing = appendingToListWithTrack ? 2 : 1;
    groups.resize(groups.size() > trailing ? groups.size() - trailing : 0);
    if (!groups.empty() && !groups.back().holdsTrack()) {
        groups.pop_back();
    }
}
