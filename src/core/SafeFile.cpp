#include "SafeFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>
#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <system_error>

#include "Paths.h"

namespace {

constexpr QLatin1StringView kTemporaryPrefix(".sonvox-save-");

QString systemText(int error) {
    return QString::fromStdString(std::generic_category().message(error));
}

QByteArray folderOf(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : path.left(slash);
}

QByteArray temporaryNameIn(const QByteArray& folder) {
    const quint64 random = QRandomGenerator::global()->generate64();
    return folder + '/' + QByteArray(kTemporaryPrefix.data(), kTemporaryPrefix.size()) +
           QByteArray::number(random, 16);
}

// The record holds one entry per name, written before the name exists on disk: "T" and the
// temporary file's name, or "P", the time in nanoseconds (hexadecimal), ":" and a probe's
// name. Entries end with NUL: a folder name may hold a line break. Best effort: without a
// record the file is still written safely.
constexpr char kTemporaryEntry = 'T';
constexpr char kProbeEntry = 'P';

// The clock file times are taken from, which may lag the precise one by a tick.
qint64 fileClockNow() {
    timespec now{};
    ::clock_gettime(CLOCK_REALTIME_COARSE, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

void record(char kind, const QByteArray& name) {
    const QByteArray recordName = QFile::encodeName(unfinishedWritesRecord());
    const int fd = ::open(recordName.constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        return;
    }
    QByteArray entry(1, kind);
    if (kind == kProbeEntry) {
        entry += QByteArray::number(fileClockNow(), 16) + ':';
    }
    entry += name + '\0';
    [[maybe_unused]] const ssize_t written = ::write(fd, entry.constData(), size_t(entry.size()));
    ::close(fd);
}

// Creates name (which must not exist), closes and deletes it; false with the system's error.
bool createAndRemove(const QByteArray& name, mode_t mode, int* error) {
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
        *error = errno;
        return false;
    }
    const bool closed = ::close(fd) == 0;
    const bool removed = ::unlink(name.constData()) == 0;
    *error = closed && removed ? 0 : errno;
    return closed && removed;
}

}  // namespace

SafeFile::SafeFile(const QString& path) : path_(path) {}

SafeFile::~SafeFile() {
    discard();
}

bool SafeFile::fail(int error) {
    if (!failed_) {
        failed_ = true;
        error_ = systemText(error);
    }
    return false;
}

void SafeFile::discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
    }
    if (named_ && !temporary_.isEmpty()) {
        ::unlink(temporary_.constData());
        temporary_.clear();
    }
}

bool SafeFile::open() {
    target_ = QFile::encodeName(path_);
    struct stat info;
    if (::lstat(target_.constData(), &info) == 0 && S_ISLNK(info.st_mode)) {
        if (char* resolved = ::realpath(target_.constData(), nullptr)) {
            target_ = resolved;
            std::free(resolved);
        }
    }
    const bool exists = ::stat(target_.constData(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        return fail(EISDIR);
    }
    const QByteArray folder = folderOf(target_);
    fd_ = ::open(folder.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        named_ = true;  // a file system without unnamed files
        for (int attempt = 0; fd_ < 0 && attempt < 16; ++attempt) {
            temporary_ = temporaryNameIn(folder);
            record(kTemporaryEntry, temporary_);
            fd_ = ::open(temporary_.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (fd_ < 0 && errno != EEXIST) {
                break;
            }
        }
        if (fd_ < 0) {
            temporary_.clear();
        }
    }
    if (fd_ < 0) {
        return fail(errno);
    }
    if (exists && ::fchmod(fd_, info.st_mode & 07777) != 0) {
        return fail(errno);
    }
    return true;
}

bool SafeFile::write(QByteArrayView bytes) {
    if (failed_ || fd_ < 0) {
        return fail(EBADF);
    }
    const char* data = bytes.data();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd_, data, size_t(left));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return fail(n < 0 ? errno : ENOSPC);
        }
        data += n;
        left -= n;
    }
    return true;
}

bool SafeFile::commit() {
    if (failed_ || fd_ < 0) {
        return fail(EBADF);
    }
    if (::fdatasync(fd_) != 0) {
        return fail(errno);
    }
    if (!named_) {
        const QByteArray folder = folderOf(target_);
        const QByteArray self = "/proc/self/fd/" + QByteArray::number(fd_);
        for (int attempt = 0; !named_ && attempt < 16; ++attempt) {
            temporary_ = temporaryNameIn(folder);
            record(kTemporaryEntry, temporary_);
            if (::linkat(AT_FDCWD, self.constData(), AT_FDCWD, temporary_.constData(),
                         AT_SYMLINK_FOLLOW) == 0 ||
                (errno == ENOENT &&  // no /proc: this needs a privilege, but try
                 ::linkat(fd_, "", AT_FDCWD, temporary_.constData(), AT_EMPTY_PATH) == 0)) {
                named_ = true;
            } else if (errno != EEXIST) {
                const int error = errno;
                temporary_.clear();
                return fail(error);
            }
        }
        if (!named_) {
            temporary_.clear();
            return fail(EEXIST);
        }
    }
    if (::rename(temporary_.constData(), target_.constData()) != 0) {
        const int error = errno;
        discard();
        return fail(error);
    }
    temporary_.clear();  // it is the target now
    ::close(fd_);
    fd_ = -1;
    return true;
}

bool SafeFile::writeWhole(const QString& path, QByteArrayView bytes, QString* error) {
    SafeFile file(path);
    const bool written = file.open() && file.write(bytes) && file.commit();
    if (!written && error) {
        *error = file.errorString();
    }
    return written;
}

bool createProbe(const QString& path, int* error) {
    const QByteArray name = QFile::encodeName(path);
    record(kProbeEntry, name);
    return createAndRemove(name, 0644, error);
}

bool canCreateIn(const QString& folder) {
    const QByteArray name = temporaryNameIn(QFile::encodeName(folder));
    record(kTemporaryEntry, name);
    int error = 0;
    return createAndRemove(name, 0600, &error);
}

QString unfinishedWritesRecord() {
    return Paths::dataDir() + QStringLiteral("/unfinished-writes");
}

bool isSafeFileTemporaryName(QStringView name) {
    return name.startsWith(kTemporaryPrefix) && name.size() > kTemporaryPrefix.size() &&
           !name.contains(u'/');
}

void removeUnfinishedWrites() {
    const QString recordPath = unfinishedWritesRecord();
    QFile file(recordPath);
    if (!file.open(QIODevice::ReadOnly)) {
        return;
    }
    const QByteArray entries = file.read(4 * 1024 * 1024);
    file.close();
    for (const QByteArray& entry : entries.split('\0')) {
        if (entry.startsWith(kTemporaryEntry)) {
            const QByteArray name = entry.mid(1);
            const qsizetype slash = name.lastIndexOf('/');
            if (slash >= 0 && isSafeFileTemporaryName(QFile::decodeName(name.mid(slash + 1)))) {
                ::unlink(name.constData());
            }
        } else if (entry.startsWith(kProbeEntry)) {
            // A probe is removed only when it is what the probe made: empty, and made no
            // earlier than its entry. A file of that name that was there before is the user's.
            const qsizetype colon = entry.indexOf(':');
            bool ok = false;
            const qint64 since = entry.mid(1, colon - 1).toLongLong(&ok, 16);
            const QByteArray name = entry.mid(colon + 1);
            struct stat info;
            if (colon > 1 && ok && ::lstat(name.constData(), &info) == 0 && S_ISREG(info.st_mode) &&
                info.st_size == 0 &&
                qint64(info.st_ctim.tv_sec) * 1'000'000'000 + info.st_ctim.tv_nsec >= since) {
                ::unlink(name.constData());
            }
        }
    }
    QFile::remove(recordPath);
}
