#include "CoverFiles.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <system_error>

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "BmpReader.h"
#include "JpegCodec.h"
#include "SafeFile.h"
#include "TrackBaseName.h"

namespace {

const QString kCoverExtension = QStringLiteral(".jpg");
const QString kProbeExtension = QStringLiteral(".xxx");
constexpr qsizetype kTrackExtensionLength = 4;

QString systemMessage(int error) {
    return QString::fromStdString(std::generic_category().message(error));
}

QString withoutTrackExtension(const QString& path) {
    return path.left(std::max<qsizetype>(0, path.size() - kTrackExtensionLength));
}

}  // namespace

// ---- Locations ---------------------------------------------------------------------------

QString CoverFiles::besideTrack(const QString& track) {
    return withoutTrackExtension(track) + kCoverExtension;
}

QString CoverFiles::inCoverDirectory(const QString& track) const {
    return coverPath_ + TrackBaseName(track) + kCoverExtension;
}

QString CoverFiles::probeName(const QString& coverFile) {
    return withoutTrackExtension(coverFile) + kProbeExtension;
}

bool CoverFiles::isWritable(const QString& coverFile) {
    int error = 0;
    if (createProbe(probeName(coverFile), &error)) {
        return true;
    }
    // A file of the probe's name is the user's; it is left alone and another name tells
    // instead.
    return error == EEXIST && canCreateIn(QFileInfo(coverFile).absolutePath());
}

QString CoverFiles::writeTarget(const QString& track) const {
    const QString beside = besideTrack(track);
    if (isWritable(beside)) {
        return beside;
    }
    const QString inDirectory = inCoverDirectory(track);
    return isWritable(inDirectory) ? inDirectory : QString();
}

// ---- Reading -----------------------------------------------------------------------------

CoverFiles::Read CoverFiles::readFile(const QString& path, QByteArray& bytes, QString* error) {
    bytes.clear();
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return Read::None;
    }
    struct stat info;
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return Read::None;
    }
    const auto failed = [&](const QString& why) {
        ::close(fd);
        bytes.clear();
        if (error) {
            *error = why;
        }
        return Read::Failed;
    };
    if (info.st_size > kMaxCoverBytes) {
        return failed(QStringLiteral("the file is larger than %1 MB").arg(kMaxCoverBytes >> 20));
    }
    try {
        bytes.resize(qsizetype(info.st_size));
    } catch (const std::bad_alloc&) {
        return failed(QStringLiteral("not enough memory"));
    }
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::read(fd, bytes.data() + done, size_t(bytes.size() - done));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return failed(systemMessage(errno));
        }
        if (n == 0) {
            break;  // the file shrank while it was read: take what is there
        }
        done += n;
    }
    bytes.truncate(done);
    ::close(fd);
    return Read::Read;
}

CoverFiles::Read CoverFiles::readCover(const QString& track, QByteArray& bytes, QString* file,
                                       QString* error) const {
    for (const QString& path : {besideTrack(track), inCoverDirectory(track)}) {
        const Read result = readFile(path, bytes, error);
        if (result != Read::None) {
            if (file) {
                *file = path;
            }
            return result;
        }
    }
    return Read::None;
}

// ---- Writing and deleting ------------------------------------------------------------------

CoverFiles::Write CoverFiles::writeCover(const QString& track, const QByteArray& jpeg,
                                         QString* file, QString* error) const {
    const QString target = writeTarget(track);
    if (target.isEmpty()) {
        return Write::AccessDenied;
    }
    if (file) {
        *file = target;
    }
    if (!SafeFile::writeWhole(target, jpeg, error)) {
        return Write::Failed;
    }
    return Write::Written;
}

CoverFiles::Delete CoverFiles::deleteCover(const QString& track) const {
    bool found = false;
    for (const QString& path : {besideTrack(track), inCoverDirectory(track)}) {
        const QByteArray name = QFile::encodeName(path);
        struct stat info;
        if (::lstat(name.constData(), &info) != 0) {
            continue;
        }
        found = true;
        if (!S_ISDIR(info.st_mode) && ::unlink(name.constData()) == 0) {
            return Delete::Deleted;
        }
    }
    return found ? Delete::AccessDenied : Delete::NoCover;
}

// ---- Importing -------------------------------------------------------------------------------

CoverFiles::ImportKind CoverFiles::importKind(const QString& pickedFile) {
    const QString ending = pickedFile.right(3).toUpper();
    if (ending == QLatin1String("BMP")) {
        return ImportKind::Bitmap;
    }
    if (ending == QLatin1String("JPG")) {
        return ImportKind::Jpeg;
    }
    return ImportKind::Unknown;
}

CoverFiles::Import CoverFiles::importFile(const QString& pickedFile, int showWidth,
                                          int showHeight) {
    Import result;
    const ImportKind kind = importKind(pickedFile);
    if (kind == ImportKind::Unknown) {
        result.unknownFormat = true;
        result.error = kUnknownPictureFormatText;
        return result;
    }
    const QString name = QFileInfo(pickedFile).fileName();
    QByteArray bytes;
    QString why;
    switch (readFile(pickedFile, bytes, &why)) {
        case Read::None:
            result.error = QStringLiteral("\"%1\" could not be opened.").arg(name);
            return result;
        case Read::Failed:
            result.error = QStringLiteral("\"%1\" could not be read: %2.").arg(name, why);
            return result;
        case Read::Read:
            break;
    }
    if (kind == ImportKind::Bitmap) {
        const Picture picture = BmpReader::read(bytes, &why);
        if (picture.isNull()) {
            result.error =
                QStringLiteral("\"%1\" is not a bitmap that can be read: %2.").arg(name, why);
            return result;
        }
        Import encoded = importPicture(picture);
        if (!encoded.error.isEmpty()) {
            encoded.error = QStringLiteral("\"%1\": %2").arg(name, encoded.error);
        }
        return encoded;
    }
    if (!JpegCodec::looksLikeJpeg(bytes)) {
        result.error = QStringLiteral("\"%1\" holds no JPEG picture.").arg(name);
        return result;
    }
    JpegCodec::Decoded decoded = JpegCodec::decode(bytes, showWidth, showHeight);
    if (!decoded.ok()) {
        result.error =
            QStringLiteral("\"%1\" holds no valid JPEG picture: %2.").arg(name, decoded.error);
        return result;
    }
    result.jpeg = bytes;
    result.picture = decoded.picture;
    return result;
}

CoverFiles::Import CoverFiles::importPicture(const Picture& picture) {
    Import result;
    QString why;
    result.jpeg = JpegCodec::encode(picture, &why);
    if (result.jpeg.isEmpty()) {
        result.error =
            QStringLiteral("The picture could not be made into a JPEG file: %1.").arg(why);
        return result;
    }
    result.picture = picture;
    return result;
}
