#include "Id3v1Tag.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <system_error>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Cp1252.h"
#include "TrackBaseName.h"
#include "core/FileIo.h"
#include "core/SonvoxError.h"

namespace {

// ---- File access ------------------------------------------------------------------------

// Header titles: "asmp" at offset 36, the title in the 30 bytes from 40, the artist in the
// 30 bytes from 72. One read of the first kHeaderTitlesEnd bytes covers all three.
constexpr qsizetype kHeaderMarkerAt = 36;
constexpr qsizetype kHeaderTitleAt = 40;
constexpr qsizetype kHeaderArtistAt = 72;
constexpr qsizetype kHeaderTextWidth = 30;

constexpr int kFallbackNameLength = 30;
const QString kFallbackYear = QStringLiteral("0000");

QString systemMessage(int error) {
    return QString::fromStdString(std::generic_category().message(error));
}

[[noreturn]] void throwReadError(const QString& file, const QString& reason) {
    throw SonvoxError(QStringLiteral("The tag of \"%1\" could not be read: %2.").arg(file, reason));
}

[[noreturn]] void throwWriteError(const QString& file, const QString& reason) {
    throw SonvoxError(
        QStringLiteral("The tag of \"%1\" could not be written: %2.").arg(file, reason));
}

// A track file, opened only when it is a regular file. Opening does not block: a FIFO or
// a device is opened non-blocking, seen by fstat and closed again unread.
class TrackFile {
public:
    TrackFile(const QString& path, int access) {
        const QByteArray name = QFile::encodeName(path);
        fd_ = ::open(name.constData(), access | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        if (fd_ < 0) {
            return;
        }
        struct stat info;
        if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd_);
            fd_ = -1;
            return;
        }
        size_ = info.st_size;
    }
    ~TrackFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    TrackFile(const TrackFile&) = delete;
    TrackFile& operator=(const TrackFile&) = delete;

    bool isOpen() const { return fd_ >= 0; }

    // The size when the file was opened.
    qint64 size() const { return size_; }

    // Reads up to length bytes at offset; fewer only at the end of the file. Returns the
    // count, or -1 with errno set.
    qsizetype readAt(qint64 offset, char* buffer, qsizetype length) const {
        return qsizetype(readFullyAt(fd_, offset, buffer, length));
    }

    // Writes all length bytes at offset. Returns false with errno set when that fails.
    bool writeAt(qint64 offset, const char* buffer, qsizetype length) const {
        qsizetype done = 0;
        while (done < length) {
            const ssize_t n = ::pwrite(fd_, buffer + done, length - done, offset + done);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                if (n == 0) {
                    errno = ENOSPC;
                }
                return false;
            }
            done += n;
        }
        return true;
    }

    bool truncate(qint64 size) const { return ::ftruncate(fd_, size) == 0; }

    // Closes the file and returns whether the system reported no error on closing.
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

private:
    int fd_ = -1;
    qint64 size_ = 0;
};

// Reads the last 128 bytes of an open file. Returns whether they hold a tag; a file
// shorter than 128 bytes has none.
bool readTail(const TrackFile& track, const QString& file, Id3v1Block& block) {
    if (track.size() < Id3v1Block::kSize) {
        return false;
    }
    const qsizetype n =
        track.readAt(track.size() - Id3v1Block::kSize, block.bytes.data(), Id3v1Block::kSize);
    if (n < 0) {
        throwReadError(file, systemMessage(errno));
    }
    if (n < Id3v1Block::kSize) {
        throwReadError(file, QStringLiteral("the file became shorter while it was read"));
    }
    return block.hasMarker();
}

// ---- Decoding ---------------------------------------------------------------------------

QString decodeField(const Id3v1Block& block, int offset, int width) {
    const QByteArrayView raw = block.field(offset, width);
    return Cp1252::decode(raw.data(), raw.size());
}

bool isBlank(char byte) {
    return static_cast<unsigned char>(byte) <= ' ';
}

// Bytes of Windows-1252 up to 0x20 are exactly the characters up to U+0020, so trimming
// the bytes trims the text.
QString decodeTrimmed(QByteArrayView raw) {
    qsizetype begin = 0;
    qsizetype end = raw.size();
    while (begin < end && isBlank(raw[begin])) {
        ++begin;
    }
    while (end > begin && isBlank(raw[end - 1])) {
        --end;
    }
    return Cp1252::decode(raw.data() + begin, end - begin);
}

QString decodeTrimmedField(const Id3v1Block& block, int offset, int width) {
    return decodeTrimmed(block.field(offset, width));
}

// ---- Fallback names -----------------------------------------------------------------------

// A header title: the at most 30 bytes of fileStart from offset at, ending before the
// first two consecutive spaces. Bytes 0 are ordinary characters here.
QString headerText(QByteArrayView fileStart, qsizetype at) {
    const qsizetype length = qBound<qsizetype>(0, fileStart.size() - at, kHeaderTextWidth);
    const char* bytes = fileStart.data() + qMin(at, fileStart.size());
    for (qsizetype i = 1; i < length; ++i) {
        if (bytes[i] == ' ' && bytes[i - 1] == ' ') {
            return Cp1252::decode(bytes, i - 1);
        }
    }
    return Cp1252::decode(bytes, length);
}

// The first and the last kFallbackNameLength characters of a long name, never splitting
// a surrogate pair.
QString leadingName(const QString& name) {
    qsizetype length = kFallbackNameLength;
    if (name.at(length - 1).isHighSurrogate()) {
        --length;
    }
    return name.first(length);
}

QString trailingName(const QString& name) {
    qsizetype length = kFallbackNameLength;
    if (name.at(name.size() - length).isLowSurrogate()) {
        --length;
    }
    return name.last(length);
}

// Artist and title of a file whose tag gives no artist: its header titles when it has
// them, else its base name, whole when short, else its first and last 30 characters. A
// file that ends before the four header bytes has no header titles; one that ends within
// the titles gives the bytes it has.
void fallbackNames(const TrackFile& track, const QString& file, QString& artist, QString& title) {
    char header[kHeaderTitlesEnd];
    const qsizetype n = track.readAt(0, header, kHeaderTitlesEnd);
    if (n < 0) {
        throwReadError(file, systemMessage(errno));
    }
    if (decodeHeaderTitles(QByteArrayView(header, n), artist, title)) {
        return;
    }
    const QString name = TrackBaseName(file);
    if (name.size() <= kFallbackNameLength) {
        artist = name;
        title = name;
    } else {
        artist = leadingName(name);
        title = trailingName(name);
    }
}

}  // namespace

// ---- Block ------------------------------------------------------------------------------

QByteArrayView Id3v1Block::field(int offset, int width) const {
    const char* start = bytes.data() + offset;
    const void* zero = std::memchr(start, 0, width);
    return QByteArrayView(start, zero ? static_cast<const char*>(zero) - start : width);
}

bool tagBlockAt(QByteArrayView fileEnd, Id3v1Block& block) {
    if (fileEnd.size() < Id3v1Block::kSize) {
        return false;
    }
    std::memcpy(block.bytes.data(), fileEnd.data() + fileEnd.size() - Id3v1Block::kSize,
                Id3v1Block::kSize);
    return block.hasMarker();
}

Id3v1Tag decodeTag(const Id3v1Block& block) {
    Id3v1Tag tag;
    tag.title = decodeField(block, Id3v1Block::kTitleOffset, Id3v1Block::kTextWidth);
    tag.artist = decodeField(block, Id3v1Block::kArtistOffset, Id3v1Block::kTextWidth);
    tag.album = decodeField(block, Id3v1Block::kAlbumOffset, Id3v1Block::kTextWidth);
    tag.year = decodeField(block, Id3v1Block::kYearOffset, Id3v1Block::kYearWidth);
    tag.comment = decodeField(block, Id3v1Block::kCommentOffset, Id3v1Block::kTextWidth);
    tag.genre = block.genre();
    return tag;
}

InfoTag decodeInfoTag(const Id3v1Block& block) {
    InfoTag info;
    info.title = decodeTrimmedField(block, Id3v1Block::kTitleOffset, Id3v1Block::kTextWidth);
    info.artist = decodeTrimmedField(block, Id3v1Block::kArtistOffset, Id3v1Block::kTextWidth);
    info.album = decodeTrimmedField(block, Id3v1Block::kAlbumOffset, Id3v1Block::kTextWidth);
    info.year = decodeTrimmedField(block, Id3v1Block::kYearOffset, Id3v1Block::kYearWidth);
    info.comment = decodeTrimmedField(block, Id3v1Block::kCommentOffset, Id3v1Block::kTextWidth);
    info.genre = block.genre();
    return info;
}

std::pair<QString, QString> decodeDialogTitles(const Id3v1Block& block, bool* named) {
    const QByteArrayView artist = block.field(Id3v1Block::kArtistOffset, Id3v1Block::kTextWidth);
    const QByteArrayView title = block.field(Id3v1Block::kTitleOffset, Id3v1Block::kTextWidth);
    if (named) {
        *named = !artist.isEmpty() || !title.isEmpty();
    }
    return {decodeTrimmed(artist), decodeTrimmed(title)};
}

bool decodeHeaderTitles(QByteArrayView fileStart, QString& artist, QString& title) {
    if (fileStart.size() < kHeaderTitleAt ||
        std::memcmp(fileStart.data() + kHeaderMarkerAt, "asmp", 4) != 0) {
        return false;
    }
    title = headerText(fileStart, kHeaderTitleAt);
    artist = headerText(fileStart, kHeaderArtistAt);
    return true;
}

TagBlockRead readTagBlock(const QString& file, Id3v1Block& block) {
    const TrackFile track(file, O_RDONLY);
    if (!track.isOpen()) {
        return TagBlockRead::CannotOpen;
    }
    return readTail(track, file, block) ? TagBlockRead::Tag : TagBlockRead::NoTag;
}

// ---- Main window ------------------------------------------------------------------------

bool writetag(const QString& file, Id3v1Tag& current) {
    current = Id3v1Tag{};
    const TrackFile track(file, O_RDONLY);
    Id3v1Block block;
    if (!track.isOpen() || !readTail(track, file, block)) {
        return false;
    }
    current = decodeTag(block);
    return true;
}

bool writetagc(const QString& file, Id3v1Tag& current) {
    current.genre = GenreTable::kNone;
    const TrackFile track(file, O_RDONLY);
    if (!track.isOpen()) {
        return false;
    }
    fallbackNames(track, file, current.artist, current.title);
    return true;
}

PanelTagText readTrackTag(const QString& file, Id3v1Tag& current) {
    current = Id3v1Tag{};
    PanelTagText panel;
    const TrackFile track(file, O_RDONLY);
    if (!track.isOpen()) {
        return panel;
    }
    Id3v1Block block;
    if (readTail(track, file, block)) {
        current = decodeTag(block);
        if (!current.artist.isEmpty()) {
            panel.source = PanelTagSource::Tag;
            panel.artist = current.artist;
            panel.title = current.title;
            panel.year = current.year;
            panel.genre = GenreTable::name(current.genre);
            return panel;
        }
    }
    current.genre = GenreTable::kNone;
    fallbackNames(track, file, current.artist, current.title);
    panel.source = PanelTagSource::Fallback;
    panel.artist = current.artist;
    panel.title = current.title;
    panel.year = kFallbackYear;
    return panel;
}

// ---- Title-information window -------------------------------------------------------------

InfoTag readInfoTag(const QString& file) {
    InfoTag info;
    const TrackFile track(file, O_RDONLY);
    if (!track.isOpen()) {
        return info;
    }
    Id3v1Block block;
    if (!readTail(track, file, block)) {
        fallbackNames(track, file, info.artist, info.title);
        info.year = kFallbackYear;
        info.fallback = true;
        return info;
    }
    return decodeInfoTag(block);
}

// ---- Load dialog ------------------------------------------------------------------------

std::pair<QString, QString> readDialogTitles(const QString& file, bool* named) {
    if (named) {
        *named = false;
    }
    Id3v1Block block;
    if (readTagBlock(file, block) != TagBlockRead::Tag) {
        return {};
    }
    return decodeDialogTitles(block, named);
}

// ---- Writing ----------------------------------------------------------------------------

namespace {

void encodeField(Id3v1Block& block, int offset, int width, const QString& text) {
    Cp1252::encodeInto(text, block.bytes.data() + offset, width);
}

}  // namespace

Id3v1Block encodeTag(const TagFields& fields) {
    Id3v1Block block;  // zero-filled
    std::memcpy(block.bytes.data(), "TAG", 3);
    encodeField(block, Id3v1Block::kTitleOffset, Id3v1Block::kTextWidth, fields.title);
    encodeField(block, Id3v1Block::kArtistOffset, Id3v1Block::kTextWidth, fields.artist);
    encodeField(block, Id3v1Block::kAlbumOffset, Id3v1Block::kTextWidth, fields.album);
    encodeField(block, Id3v1Block::kYearOffset, Id3v1Block::kYearWidth, fields.year);
    encodeField(block, Id3v1Block::kCommentOffset, Id3v1Block::kTextWidth, fields.comment);
    const int genre =
        fields.genreName.isEmpty() ? GenreTable::kNone : GenreTable::indexOf(fields.genreName);
    block.bytes[Id3v1Block::kGenreOffset] = static_cast<char>(GenreTable::toByte(genre));
    return block;
}

SaveTagResult saveTag(const QString& file, const TagFields& fields) {
    TrackFile track(file, O_RDWR);
    if (!track.isOpen()) {
        return SaveTagResult::AccessDenied;
    }
    const qint64 size = track.size();
    Id3v1Block old;
    const bool replace = readTail(track, file, old);

    const Id3v1Block block = encodeTag(fields);
    const qint64 offset = replace ? size - Id3v1Block::kSize : size;
    if (!track.writeAt(offset, block.bytes.data(), Id3v1Block::kSize)) {
        const int error = errno;
        // Take back a partly written block: cut an appended one off, put an overwritten
        // one back.
        if (replace) {
            track.writeAt(offset, old.bytes.data(), Id3v1Block::kSize);
        } else {
            track.truncate(size);
        }
        throwWriteError(file, systemMessage(error));
    }
    if (!track.close()) {
        throwWriteError(file, systemMessage(errno));
    }
    return SaveTagResult::Saved;
}
