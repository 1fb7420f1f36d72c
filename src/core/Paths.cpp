#include "Paths.h"

#include <sys/stat.h>
#include <unistd.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

// A socket address holds 108 bytes on Linux; leave room for our file name.
constexpr qsizetype kMaxSocketDirLength = 64;

QString absoluteEnvDir(const char* name) {
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty()) {
        return {};
    }
    return QDir::cleanPath(QFileInfo(value).absoluteFilePath());
}

// The XDG variables count only when they hold an absolute path.
QString xdgDir(const char* name, const QString& fallbackBelowHome) {
    const QString value = qEnvironmentVariable(name);
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) {
        return QDir::cleanPath(value);
    }
    return QDir::cleanPath(QDir::homePath() + fallbackBelowHome);
}

QString ensured(const QString& dir) {
    QDir().mkpath(dir);
    return dir;
}

}  // namespace

namespace Paths {

QString settingsDir() {
    QString dir = absoluteEnvDir("SONVOX_CONFIG_DIR");
    if (dir.isEmpty()) {
        dir = xdgDir("XDG_CONFIG_HOME", QStringLiteral("/.config")) + QStringLiteral("/sonvox");
    }
    return ensured(dir);
}

QString settingsFile() {
    return settingsDir() + QStringLiteral("/KMV.INI");
}

QString systemIniFile() {
    return settingsDir() + QStringLiteral("/system.INI");
}

QString dataDir() {
    QString dir = absoluteEnvDir("SONVOX_DATA_DIR");
    if (dir.isEmpty()) {
        dir = xdgDir("XDG_DATA_HOME", QStringLiteral("/.local/share")) + QStringLiteral("/sonvox");
    }
    return ensured(dir);
}

QString programDir() {
    const QString dir = dataDir();
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

QString instanceSocketName() {
    const QString settings = settingsDir();
    const QString canonical = QFileInfo(settings).canonicalFilePath();
    const QByteArray key = (canonical.isEmpty() ? settings : canonical).toUtf8();
    const QString hash = QString::fromLatin1(
        QCryptographicHash::hash(key, QCryptographicHash::Sha1).toHex().left(16));

    QString base = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (base.isEmpty() || !QDir::isAbsolutePath(base) || !QFileInfo(base).isDir() ||
        base.size() > kMaxSocketDirLength) {
        base = QDir::tempPath();
        if (base.size() > kMaxSocketDirLength) {
            base = QStringLiteral("/tmp");
        }
    }
    return QDir::cleanPath(base) + QStringLiteral("/sonvox-%1-%2").arg(getuid()).arg(hash);
}

bool isFaithfulFileName(const QString& path) {
    if (!path.contains(QChar::ReplacementCharacter)) {
        return true;
    }
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

QString undecodableNamesText(const QStringList& names) {
    return QStringLiteral(
               "Not added: these names are not valid UTF-8, and the files cannot be "
               "opened under the names shown.\n") +
           names.join(u'\n');
}

}  // namespace Paths
