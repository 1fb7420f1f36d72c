#pragma once
// The line reading and writing under the list-file formats (ListFile.cpp and
// ListFilePacked.cpp): lines streamed from a file or taken from memory, and lines collected
// and written through a temporary file. Internal to those two files.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QByteArray>
#include <QByteArrayView>
#include <QDir>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <system_error>
#include <vector>

#include "core/Cp1252.h"
#include "core/ListFile.h"
#include "core/SafeFile.h"

namespace listfile {

constexpr qsizetype kReadChunkBytes = 64 * 1024;
constexpr qsizetype kWriteChunkBytes = 1024 * 1024;
constexpr QByteArrayView kUtf8Bom("\xEF\xBB\xBF");

inline QString systemText(int error) {
    return QString::fromStdString(std::generic_category().message(error));
}

inline QString readErrorText(const QString& path, const QString& reason) {
    return QStringLiteral("The list file \"%1\" could not be read: %2.").arg(path, reason);
}

inline QString saveErrorText(const QString& path, const QString& reason) {
    return QStringLiteral("The list file \"%1\" could not be saved: %2.").arg(path, reason);
}

[[noreturn]] inline void throwTooManyEntries(const QString& path) {
    throw SonvoxError(
        readErrorText(path, QStringLiteral("it holds more than %1 entries").arg(kMaxListEntries)));
}

// A line's text: UTF-8 when the bytes are valid UTF-8, else Windows-1252, which decodes
// every byte.
inline QString decodeLine(QByteArrayView bytes) {
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

// True when bytes hold a CR or an LF. One pass, eight bytes at a time: a word holds a byte
// below 14 (CR is 13, LF 10) exactly when the test below is non-zero; such words, rare in
// text, are then looked at byte by byte.
inline bool hasLineBreak(QByteArrayView bytes) {
    constexpr quint64 kOnes = 0x0101010101010101u;
    constexpr quint64 kHighBits = 0x8080808080808080u;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    const auto isBreak = [](char c) { return c == '\r' || c == '\n'; };
    for (; end - p >= 8; p += 8) {
        quint64 word;
        std::memcpy(&word, p, 8);
        if (((word - 14 * kOnes) & ~word & kHighBits) != 0 && std::any_of(p, p + 8, isBreak)) {
            return true;
        }
    }
    return std::any_of(p, end, isBreak);
}

// ---- Writing lines --------------------------------------------------------------------

// Collects lines in UTF-8 with CR LF ends and writes them to a temporary file beside the
// target, which finish() puts in place. Destroyed without finish(), it leaves the target
// untouched and removes the temporary file.
class LineWriter {
public:
    explicit LineWriter(const QString& path)
        : path_(path), file_(path), buffer_(2 * kWriteChunkBytes) {
        if (!file_.open()) {
            fail();
        }
    }

    // One line of UTF-8 bytes, taken as they are but for CR and LF, which become blanks.
    void lineUtf8(QByteArrayView utf8) {
        const qsizetype needed = utf8.size() + 2;
        if (used_ + needed > qsizetype(buffer_.size())) {
            flush();
            buffer_.resize(std::max(buffer_.size(), size_t(needed)));
        }
        char* const start = buffer_.data() + used_;
        const size_t n = size_t(utf8.size());
        if (n > 0) {
            std::memcpy(start, utf8.data(), n);
        }
        char* out = start + n;
        if (hasLineBreak(QByteArrayView(start, qsizetype(n)))) {
            std::replace_if(
                start, out, [](char c) { return c == '\r' || c == '\n'; }, ' ');
        }
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
        if (!file_.write(QByteArrayView(buffer_.data(), used_))) {
            fail();
        }
        used_ = 0;
    }

    [[noreturn]] void fail() { throw SonvoxError(saveErrorText(path_, file_.errorString())); }

    QString path_;
    SafeFile file_;
    std::vector<char> buffer_;
    qsizetype used_ = 0;
};

// A relative name in dir, cleaned. (QDir::filePath would keep a name beginning with ":".)
inline QString inFolder(const QDir& dir, const QString& relative) {
    return QDir::cleanPath(dir.absolutePath() + u'/' + relative);
}

}  // namespace listfile
