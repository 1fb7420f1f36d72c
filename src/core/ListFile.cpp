#include "core/ListFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringEncoder>
#include <QUrl>
#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>
#include <vector>

#include "core/Cp1252.h"
#include "core/ListFileLines.h"

using namespace listfile;

namespace {

QLatin1StringView extensionOf(ListFormat format) {
    switch (format) {
        case ListFormat::Playlist:
            return QLatin1StringView("PLY");
        case ListFormat::Selection:
            return QLatin1StringView("SEL");
        case ListFormat::Pls:
            return QLatin1StringView("PLS");
        case ListFormat::M3u:
            return QLatin1StringView("M3U");
    }
    return {};
}

// The texts of a list repeat: the tracks of an album share artist, album, year, genre and
// note, and a list holds few distinct years and genres. In those columns a short text is
// looked up in a small direct-mapped cache of the texts decoded last and, when found, shares
// that string instead of being decoded and allocated again. Titles and file names seldom
// repeat and are always decoded. The cache has a fixed size and costs no more than a probe;
// it is made only once a list is long enough to gain from it (share()).
class SharedTexts {
public:
    static constexpr qsizetype kShareFromRows = 64;

    void share() {
        for (const int col : {TrackColumn::Artist, TrackColumn::Year, TrackColumn::Genre,
                              TrackColumn::Album, TrackColumn::Note}) {
            slots_[col].resize(kSlots);
        }
    }

    QString cell(int col, QByteArrayView bytes) {
        std::vector<Slot>& column = slots_[col];
        if (bytes.isEmpty() || column.empty() || bytes.size() > kMaxSharedBytes) {
            return decodeLine(bytes);
        }
        Slot& slot = column[slotOf(bytes)];
        if (slot.bytes != bytes) {
            slot.text = decodeLine(bytes);
            slot.bytes.resize(bytes.size());  // keeps its capacity
            std::memcpy(slot.bytes.data(), bytes.data(), bytes.size());
        }
        return slot.text;
    }

private:
    // A cheap hash of the length and the first and last eight bytes: texts that differ
    // elsewhere only share a slot, and a shared slot costs no more than a miss.
    static qsizetype slotOf(QByteArrayView bytes) {
        quint64 head = 0;
        quint64 tail = 0;
        const qsizetype n = std::min<qsizetype>(bytes.size(), 8);
        std::memcpy(&head, bytes.data(), n);
        std::memcpy(&tail, bytes.data() + bytes.size() - n, n);
        const quint64 hash =
            (head * 0x9E3779B97F4A7C15u) ^ (tail * 0xC2B2AE3D27D4EB4Fu) ^ quint64(bytes.size());
        return qsizetype((hash ^ (hash >> 32)) % kSlots);
    }

    static constexpr qsizetype kSlots = 512;
    static constexpr qsizetype kMaxSharedBytes = 128;
    struct Slot {
        QByteArray bytes;
        QString text;
    };
    std::array<std::vector<Slot>, TrackColumn::Count> slots_;
};

void readRows(LineReader& reader, const QString& path, QList<TrackRow>& groups) {
    SharedTexts texts;
    while (!reader.atEnd()) {
        if (groups.size() >= kMaxListEntries) {
            throwTooManyEntries(path);
        }
        if (groups.size() == SharedTexts::kShareFromRows) {
            texts.share();
        }
        TrackRow& row = groups.emplace_back();
        for (int col = 0; col < TrackColumn::Count && !reader.atEnd(); ++col) {
            row[col] = texts.cell(col, reader.next());
        }
    }
}

// The file an entry names: a file URL decoded to its path, a relative name taken relative
// to the list file's directory. Empty for any other URL.
QString entryFile(const QString& text, const QDir& listDir) {
    if (text.startsWith(QLatin1StringView("file:"), Qt::CaseInsensitive)) {
        const QUrl url(text, QUrl::TolerantMode);
        if (!url.isLocalFile()) {
            return QString();
        }
        // "file:name" without a slash is a relative name, like any other entry.
        const QString local = url.toLocalFile();
        return isAbsoluteFileName(local) ? QDir::cleanPath(local) : inFolder(listDir, local);
    }
    if (text.contains(QLatin1StringView("://"))) {
        return QString();  // a stream or a remote file
    }
    return isAbsoluteFileName(text) ? text : inFolder(listDir, text);
}

// Adds the file an entry names to paths when it is a regular file. An entry that names
// none is tried once more without the blanks around it.
void takePath(const QString& text, const QDir& listDir, const QString& path, QStringList& paths,
              const FileExists& exists) {
    if (text.isEmpty()) {
        return;
    }
    QString file = entryFile(text, listDir);
    if (file.isEmpty() || !exists(file)) {
        const QString trimmed = text.trimmed();
        if (trimmed == text || trimmed.isEmpty()) {
            return;
        }
        file = entryFile(trimmed, listDir);
        if (file.isEmpty() || !exists(file)) {
            return;
        }
    }
    if (paths.size() >= kMaxListEntries) {
        throwTooManyEntries(path);
    }
    paths.append(file);
}

// Every line that names a file joins, also one beginning with "#" (a track may be called
// "#Intro.mp3"); comments and the "#EXTM3U" marker name none and drop out.
void readM3u(LineReader& reader, const QString& path, QStringList& paths,
             const FileExists& exists) {
    const QDir listDir = QFileInfo(path).absoluteDir();
    while (!reader.atEnd()) {
        takePath(decodeLine(reader.next()), listDir, path, paths, exists);
    }
}

// Whether key (blanks around it allowed) is "File" and a number, in any case.
bool isPlsFileKey(QStringView key) {
    key = key.trimmed();
    if (key.size() < 5 ||
        !key.first(4).startsWith(QLatin1StringView("file"), Qt::CaseInsensitive)) {
        return false;
    }
    for (const QChar c : key.sliced(4)) {
        if (!c.isDigit()) {
            return false;
        }
    }
    return true;
}

// Every "File<n>=" line in file order, whatever stands between them ("[playlist]", titles,
// lengths, counts, blank lines). The path is everything after the line's first "=".
void readPls(LineReader& reader, const QString& path, QStringList& paths,
             const FileExists& exists) {
    const QDir listDir = QFileInfo(path).absoluteDir();
    while (!reader.atEnd()) {
        const QString line = decodeLine(reader.next());
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && isPlsFileKey(QStringView(line).first(equals))) {
            takePath(line.sliced(equals + 1), listDir, path, paths, exists);
        }
    }
}

// Row-format file names that are relative are taken relative to the list file's directory.
void makeRowsAbsolute(QList<TrackRow>& groups, const QString& path) {
    const QDir listDir = QFileInfo(path).absoluteDir();
    for (TrackRow& row : groups) {
        QString& file = row[TrackColumn::Filename];
        if (!file.isEmpty() && !isAbsoluteFileName(file)) {
            file = inFolder(listDir, file);
        }
    }
}

}  // namespace

// ---- Names and formats ----------------------------------------------------------------

std::optional<ListFormat> listFormatForFilter(int filterIndex) {
    switch (filterIndex) {
        case 1:
            return ListFormat::Playlist;
        case 2:
            return ListFormat::Selection;
        case 3:
            return ListFormat::Pls;
        case 4:
            return ListFormat::M3u;
        default:
            return std::nullopt;
    }
}

bool endsWithLetters(const QString& name, QLatin1StringView letters) {
    if (name.size() < letters.size()) {
        return false;
    }
    const QStringView tail = QStringView(name).last(letters.size());
    for (qsizetype i = 0; i < letters.size(); ++i) {
        char16_t c = tail[i].unicode();
        if (c >= u'a' && c <= u'z') {
            c = c - u'a' + u'A';
        }
        if (c != char16_t(letters[i].unicode())) {
            return false;
        }
    }
    return true;
}

bool isListFileName(const QString& name) {
    for (const ListFormat format :
         {ListFormat::Playlist, ListFormat::Selection, ListFormat::Pls, ListFormat::M3u}) {
        if (endsWithLetters(name, extensionOf(format))) {
            return true;
        }
    }
    return false;
}

QString listSaveName(const QString& typed, ListFormat format) {
    const QLatin1StringView extension = extensionOf(format);
    return endsWithLetters(typed, extension) ? typed : typed + u'.' + extension;
}

// ---- Saving ---------------------------------------------------------------------------

QString refusedNamesText(const QString& path, const QStringList& names) {
    QString text = QStringLiteral(
                       "The list file \"%1\" was saved without these tracks: a file name "
                       "with a line break cannot be stored in it.")
                       .arg(path);
    for (QString name : names) {
        name.replace(u'\r', QLatin1StringView("\\r")).replace(u'\n', QLatin1StringView("\\n"));
        text += u'\n' + name;
    }
    return text;
}

QStringList saveList(const QString& path, ListFormat format, const QList<TrackRow>& dataRows) {
    std::vector<PackedTrack> packed(dataRows.begin(), dataRows.end());
    std::vector<const PackedTrack*> rows;
    rows.reserve(packed.size());
    for (const PackedTrack& row : packed) {
        rows.push_back(&row);
    }
    return saveList(path, format, rows);
}

// ---- Loading --------------------------------------------------------------------------

namespace {

ListFileContent readLists(LineReader& reader, const QString& path, const FileExists& exists) {
    ListFileContent content;
    const bool m3u = endsWithLetters(path, QLatin1StringView("M3U"));
    const bool pls = endsWithLetters(path, QLatin1StringView("PLS"));
    content.kind = m3u || pls ? ListFileContent::Kind::Paths : ListFileContent::Kind::Rows;
    try {
        if (m3u) {
            readM3u(reader, path, content.paths, exists);
        } else if (pls) {
            readPls(reader, path, content.paths, exists);
        } else {
            readRows(reader, path, content.groups);
            makeRowsAbsolute(content.groups, path);
        }
    } catch (const ReadFailure& failure) {
        const QString message = readErrorText(path, failure.reason);
        if (content.kind == ListFileContent::Kind::Rows) {
            makeRowsAbsolute(content.groups, path);
            throw ListReadError(message, std::move(content.groups));
        }
        throw SonvoxError(message);
    }
    return content;
}

}  // namespace

ListFileContent readListFile(const QString& path) {
    LineReader reader(path);
    return readLists(reader, path, trackFileExists);
}

ListFileContent parseListFile(QByteArrayView bytes, const QString& path, const FileExists& exists) {
    LineReader reader(bytes, path);
    return readLists(reader, path, exists ? exists : FileExists(trackFileExists));
}

QList<TrackRow> rowsToKeep(QList<TrackRow> groups, bool appendingToListWithTrack) {
    const qsizetype trailing = appendingToListWithTrack ? 2 : 1;
    groups.resize(std::max<qsizetype>(0, groups.size() - trailing));
    if (!groups.isEmpty() && !holdsTrack(groups.last())) {
        groups.removeLast();
    }
    return groups;
}

bool isAbsoluteFileName(QStringView name) {
    // QDir::isAbsolutePath also takes ":/..." (a name in the program's resources).
    return name.startsWith(u'/');
}

bool trackFileExists(const QString& path) {
    if (path.isEmpty() || path.contains(QChar(0))) {
        return false;  // a NUL would cut the name the system sees
    }
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

QList<TrackRow> rowsWithExistingFiles(QList<TrackRow> rows) {
    rows.removeIf([](const TrackRow& row) { return !trackFileExists(row[TrackColumn::Filename]); });
    return rows;
}
