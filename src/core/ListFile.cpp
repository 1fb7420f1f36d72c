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

namespace {

constexpr qsizetype kReadChunkBytes = 64 * 1024;
constexpr qsizetype kWriteChunkBytes = 64 * 1024;
constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF");

QString systemText(int error) {
    return QString::fromStdString(std::generic_category().message(error));
}

QString readErrorText(const QString& path, const QString& reason) {
    return QStringLiteral("The list file \"%1\" could not be read: %2.").arg(path, reason);
}

QString saveErrorText(const QString& path, const QString& reason) {
    return QStringLiteral("The list file \"%1\" could not be saved: %2.").arg(path, reason);
}

[[noreturn]] void throwTooManyEntries(const QString& path) {
    throw SonvoxError(
        readErrorText(path, QStringLiteral("it holds more than %1 entries").arg(kMaxListEntries)));
}

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

// A line's text: UTF-8 when the bytes are valid UTF-8, else Windows-1252, which decodes
// every byte.
QString decodeLine(QByteArrayView bytes) {
    if (bytes.isEmpty()) {
        return {};
    }
    return bytes.isValidUtf8() ? QString::fromUtf8(bytes) : Cp1252::decode(bytes);
}

// ---- Reading lines --------------------------------------------------------------------

// A failure the system reported while reading, with its text; readListFile turns it into
// the error the caller sees, which depends on what had been read.
struct ReadFailure {
    QString reason;
};

// Streams the lines of one file through a fixed buffer. Only regular files are opened, and
// without blocking, so a FIFO or a device named as a list cannot stall the program.
class LineReader {
public:
    explicit LineReader(const QString& path)
        : path_(path), owned_(std::make_unique<char[]>(kReadChunkBytes)), buffer_(owned_.get()) {
        const QByteArray name = QFile::encodeName(path);
        do {
            fd_ = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        } while (fd_ < 0 && errno == EINTR);
        if (fd_ < 0) {
            throw SonvoxError(readErrorText(path, systemText(errno)));
        }
        struct stat info {};
        QString refusal;
        if (::fstat(fd_, &info) != 0) {
            refusal = systemText(errno);
        } else if (S_ISDIR(info.st_mode)) {
            refusal = systemText(EISDIR);
        } else if (!S_ISREG(info.st_mode)) {
            refusal = QStringLiteral("it is not a regular file");
        }
        if (!refusal.isEmpty()) {
            ::close(fd_);
            throw SonvoxError(readErrorText(path, refusal));
        }
    }
    // Lines of bytes held in memory, which must outlive the reader; path names them in
    // errors.
    LineReader(QByteArrayView bytes, const QString& path) : path_(path), memory_(bytes) {}
    ~LineReader() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    LineReader(const LineReader&) = delete;
    LineReader& operator=(const LineReader&) = delete;

    // True when no byte is left; this is the end-of-file test of the formats.
    bool atEnd() {
        skipPendingLf();
        return !fill();
    }

    // The next line without its line end; empty at the end of the file. The view stays valid
    // until the next call.
    QByteArrayView next() {
        skipPendingLf();
        line_.resize(0);
        bool spansChunks = false;
        while (fill()) {
            const char* begin = buffer_ + pos_;
            const char* stop = buffer_ + end_;
            const char* p = lineEnd(begin, stop);
            pos_ = p - buffer_;
            if (p != stop) {
                lfPending_ = *p == '\r';
                ++pos_;
                if (!spansChunks) {
                    return QByteArrayView(begin, std::min<qsizetype>(p - begin, kMaxListLineBytes));
                }
                keep(begin, p - begin);
                break;
            }
            keep(begin, p - begin);
            spansChunks = true;
        }
        return line_;
    }

private:
    // The first CR or LF in [begin, stop), or stop. The next LF of the chunk is remembered,
    // so that a file of CR line ends is not searched to the chunk's end for every line.
    const char* lineEnd(const char* begin, const char* stop) {
        if (nextLf_ < pos_) {
            const void* lf = std::memchr(begin, '\n', stop - begin);
            nextLf_ = lf ? static_cast<const char*>(lf) - buffer_ : end_;
        }
        const char* lf = buffer_ + nextLf_;
        const void* cr = std::memchr(begin, '\r', lf - begin);
        return cr ? static_cast<const char*>(cr) : lf;
    }

    // Makes sure at least one unread byte is in the buffer; false at the end of the file.
    bool fill() {
        while (pos_ >= end_) {
            if (eof_) {
                return false;
            }
            ssize_t n;
            if (fd_ < 0) {  // bytes in memory: one chunk
                buffer_ = memory_.data();
                n = memoryRead_ ? 0 : memory_.size();
                memoryRead_ = true;
            } else {
                do {
                    n = ::read(fd_, owned_.get(), kReadChunkBytes);
                } while (n < 0 && errno == EINTR);
            }
            if (n < 0) {
                throw ReadFailure{systemText(errno)};
            }
            pos_ = 0;
            end_ = n;
            nextLf_ = -1;
            if (n == 0) {
                eof_ = true;
                return false;
            }
            if (total_ == 0 && QByteArrayView(buffer_, n).startsWith(kUtf8Bom)) {
                pos_ = kUtf8Bom.size();
            }
            total_ += n;
            if (total_ > kMaxListFileBytes) {
                throw SonvoxError(readErrorText(
                    path_, QStringLiteral("it is longer than %1 bytes").arg(kMaxListFileBytes)));
            }
        }
        return true;
    }

    // A line that ended at a CR may continue with the LF of a CR LF pair.
    void skipPendingLf() {
        if (lfPending_) {
            lfPending_ = false;
            if (fill() && buffer_[pos_] == '\n') {
                ++pos_;
            }
        }
    }

    void keep(const char* bytes, qsizetype size) {
        line_.append(bytes, std::min(size, kMaxListLineBytes - line_.size()));
    }

    QString path_;
    int fd_ = -1;
    QByteArrayView memory_;  // the bytes, when reading from memory
    bool memoryRead_ = false;
    std::unique_ptr<char[]> owned_;
    const char* buffer_ = nullptr;  // the chunk: owned_, or memory_
    qsizetype pos_ = 0;
    qsizetype end_ = 0;
    qsizetype nextLf_ = -1;  // offset of the chunk's next LF, end_ for none, -1 unknown
    qint64 total_ = 0;
    bool eof_ = false;
    bool lfPending_ = false;
    QByteArray line_;  // a line that spans buffer refills
};

// The texts of a list repeat: the tracks of an album share artist, album, year, genre and
// note, and a list holds few distinct years and genres. In those columns a short text is
// looked up in a small direct-mapped cache of the texts decoded last and, when found, shares
// that string instead of being decoded and allocated again. Titles and file names seldom
// repeat and are always decoded. The cache has a fixed size and costs no more than a probe.
class SharedTexts {
public:
    SharedTexts() {
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
        TrackRow& row = groups.emplace_back();
        for (int col = 0; col < TrackColumn::Count && !reader.atEnd(); ++col) {
            row[col] = texts.cell(col, reader.next());
        }
    }
}

// A relative name in dir, cleaned. (QDir::filePath would keep a name beginning with ":".)
QString inFolder(const QDir& dir, const QString& relative) {
    return QDir::cleanPath(dir.absolutePath() + u'/' + relative);
}

// The file an entry names: a file URL decoded to its path, a relative name taken relative
// to the list file's directory. Empty for any other URL.
QString entryFile(const QString& text, const QDir& listDir) {
    if (text.startsWith(QLatin1StringView("file:"), Qt::CaseInsensitive)) {
        const QUrl url(text, QUrl::TolerantMode);
        return url.isLocalFile() ? QDir::cleanPath(url.toLocalFile()) : QString();
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

// ---- Writing lines --------------------------------------------------------------------

// Collects lines in UTF-8 with CR LF ends and writes them to a temporary file beside the
// target, which finish() puts in place. Destroyed without finish(), it leaves the target
// untouched and removes the temporary file.
class LineWriter {
public:
    explicit LineWriter(const QString& path)
        : path_(path), file_(path), buffer_(2 * kWriteChunkBytes) {
        if (!file_.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
            fail();
        }
    }

    // One line; a CR or LF in text becomes a blank, so that every text is one line.
    void line(QStringView text) {
        const qsizetype needed = encoder_.requiredSpace(text.size()) + 2;
        if (used_ + needed > qsizetype(buffer_.size())) {
            flush();
            buffer_.resize(std::max(buffer_.size(), size_t(needed)));
        }
        char* const start = buffer_.data() + used_;
        char* out = encoder_.appendToBuffer(start, text);
        // In UTF-8 the bytes of CR and LF stand only for themselves.
        std::replace_if(
            start, out, [](char c) { return c == '\r' || c == '\n'; }, ' ');
        *out++ = '\r';
        *out++ = '\n';
        used_ = out - buffer_.data();
        if (used_ >= kWriteChunkBytes) {
            flush();
        }
    }

    void finish() {
        flush();
        if (!file_.commit()) {
            fail();
        }
    }

private:
    // A short write carries no reason; writing the rest gets the system's reason.
    void flush() {
        for (qsizetype done = 0; done < used_;) {
            const qint64 n = file_.write(buffer_.data() + done, used_ - done);
            if (n <= 0) {
                fail();
            }
            done += n;
        }
        used_ = 0;
    }

    [[noreturn]] void fail() { throw SonvoxError(saveErrorText(path_, file_.errorString())); }

    QString path_;
    QSaveFile file_;
    std::vector<char> buffer_;
    qsizetype used_ = 0;
    QStringEncoder encoder_{QStringEncoder::Utf8, QStringConverter::Flag::Stateless};
};

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

void saveList(const QString& path, ListFormat format, const QList<TrackRow>& dataRows) {
    const QList<TrackRow> rows = dataRows.isEmpty() ? QList<TrackRow>{TrackRow{}} : dataRows;
    LineWriter out(path);
    switch (format) {
        case ListFormat::Playlist:
        case ListFormat::Selection:
            for (const TrackRow& row : rows) {
                for (const QString& cell : row) {
                    out.line(cell);
                }
            }
            for (int i = 0; i < 2 * TrackColumn::Count; ++i) {
                out.line({});
            }
            break;
        case ListFormat::M3u:
            for (const TrackRow& row : rows) {
                out.line(row[TrackColumn::Filename]);
            }
            break;
        case ListFormat::Pls:
            out.line(u"[playlist]");
            for (qsizetype n = 0; n < rows.size(); ++n) {
                out.line(QLatin1StringView("File") + QString::number(n + 1) + u'=' +
                         rows[n][TrackColumn::Filename]);
            }
            out.line(QLatin1StringView("NumberOfEntries=") + QString::number(rows.size()));
            break;
    }
    out.finish();
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
