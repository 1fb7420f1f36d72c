#include "FreedesktopRegistration.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "ApplicationId.h"
#include "DesktopFiles.h"
#include "MimeAppsList.h"
#include "SafeFile.h"
#include "SonvoxError.h"

namespace {

constexpr int kToolTimeoutMs = 20000;

[[noreturn]] void throwNotSet(const QString& what) {
    throw SonvoxError(QStringLiteral("Konnte Daten für '%1' nicht setzen").arg(what));
}

// An XDG variable counts only when it holds an absolute path.
QString xdgHome(const char* name, const QString& belowHome) {
    const QString value = qEnvironmentVariable(name);
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) {
        return QDir::cleanPath(value);
    }
    return QDir::cleanPath(QDir::homePath() + belowHome);
}

// Removes path when it exists; returns false when it exists and cannot be removed.
bool removeIfPresent(const QString& path) {
    QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        return true;
    }
    return QFile::remove(path);
}

}  // namespace

FreedesktopRegistration::Locations FreedesktopRegistration::locationsFromEnvironment() {
    Locations l;
    l.dataHome = xdgHome("XDG_DATA_HOME", QStringLiteral("/.local/share"));
    l.configHome = xdgHome("XDG_CONFIG_HOME", QStringLiteral("/.config"));
    for (const QString& dir :
         qEnvironmentVariable("XDG_DATA_DIRS").split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir)) {
            l.dataDirs.append(QDir::cleanPath(dir));
        }
    }
    if (l.dataDirs.isEmpty()) {
        l.dataDirs = {QStringLiteral("/usr/local/share"), QStringLiteral("/usr/share")};
    }
    return l;
}

FreedesktopRegistration::FreedesktopRegistration(const QString& programDir, Locations locations)
    : programDir_(QDir::cleanPath(programDir)), locations_(std::move(locations)) {}

QString FreedesktopRegistration::desktopFilePath() const {
    return locations_.dataHome + QStringLiteral("/applications/") +
           ApplicationId::desktopFileName();
}

QString FreedesktopRegistration::mimePackagePath() const {
    return locations_.dataHome + QStringLiteral("/mime/packages/") + ApplicationId::kId +
           QStringLiteral(".xml");
}

QString FreedesktopRegistration::mimeAppsPath() const {
    return locations_.configHome + QStringLiteral("/mimeapps.list");
}

bool FreedesktopRegistration::isRegistered() const {
    return QFileInfo::exists(desktopFilePath());
}

QString FreedesktopRegistration::systemMsfType() const {
    // globs2 lines are "weight:type:glob[:flags]"; the first file that knows the glob wins.
    for (const QString& dir : locations_.dataDirs) {
        QFile globs(dir + QStringLiteral("/mime/globs2"));
        if (!globs.open(QIODevice::ReadOnly | QIODevice::Text)) {
            continue;
        }
        while (!globs.atEnd()) {
            const QString line = QString::fromUtf8(globs.readLine()).trimmed();
            const QStringList fields = line.split(QLatin1Char(':'));
            if (line.startsWith(QLatin1Char('#')) || fields.size() < 3) {
                continue;
            }
            if (fields[2].compare(QLatin1String("*.msf"), Qt::CaseInsensitive) == 0 &&
                fields[1] != DesktopFiles::kOwnMsfType) {
                return fields[1];
            }
        }
    }
    return {};
}

void FreedesktopRegistration::registerTypes() {
    const QString msfType = systemMsfType();
    const QStringList types =
        DesktopFiles::mimeTypes(msfType.isEmpty() ? DesktopFiles::kOwnMsfType : msfType);

    writeFile(mimePackagePath(), DesktopFiles::mimePackage(msfType.isEmpty()).toUtf8());
    runTool(QStringLiteral("update-mime-database"), locations_.dataHome + QStringLiteral("/mime"));

    const QString program = programDir_ + QStringLiteral("/sonvox");
    writeFile(desktopFilePath(),
              DesktopFiles::desktopEntry(DesktopFiles::execValue(program), types).toUtf8());
    runTool(QStringLiteral("update-desktop-database"),
            locations_.dataHome + QStringLiteral("/applications"));

    const QString text = readMimeApps();
    writeFile(mimeAppsPath(),
              MimeAppsList::add(text, types, ApplicationId::desktopFileName()).toUtf8());
}

void FreedesktopRegistration::unregisterTypes() {
    QString failed;
    const auto remember = [&failed](const QString& path) {
        if (failed.isEmpty()) {
            failed = path;
        }
    };

    // Both possible types of ".msf" are ours to clear: the system may have gained or lost
    // one since registering.
    QStringList types = DesktopFiles::mimeTypes();
    const QString msfType = systemMsfType();
    if (!msfType.isEmpty()) {
        types.append(msfType);
    }
    if (QFileInfo::exists(mimeAppsPath())) {
        try {
            const QString text = readMimeApps();
            const QString edited =
                MimeAppsList::remove(text, types, ApplicationId::desktopFileName());
            if (edited != text) {
                writeFile(mimeAppsPath(), edited.toUtf8());
            }
        } catch (const SonvoxError&) {
            remember(mimeAppsPath());
        }
    }

    if (!removeIfPresent(desktopFilePath())) {
        remember(desktopFilePath());
    }
    runTool(QStringLiteral("update-desktop-database"),
            locations_.dataHome + QStringLiteral("/applications"));

    if (!removeIfPresent(mimePackagePath())) {
        remember(mimePackagePath());
    }
    runTool(QStringLiteral("update-mime-database"), locations_.dataHome + QStringLiteral("/mime"));

    if (!failed.isEmpty()) {
        throwNotSet(failed);
    }
}

QString FreedesktopRegistration::readMimeApps() const {
    QFile file(mimeAppsPath());
    if (!file.exists()) {
        return {};
    }
    // A file that is there but cannot be read is not overwritten: its lines would be lost.
    if (!file.open(QIODevice::ReadOnly)) {
        throwNotSet(mimeAppsPath());
    }
    return QString::fromUtf8(file.readAll());
}

void FreedesktopRegistration::writeFile(const QString& path, const QByteArray& bytes) const {
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        throwNotSet(path);
    }
    if (!SafeFile::writeWhole(path, bytes)) {
        throwNotSet(path);
    }
}

// The database tools only speed up lookups and fill caches; when one is missing or fails,
// the files written are still what counts.
void FreedesktopRegistration::runTool(const QString& program, const QString& directory) const {
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty() || !QFileInfo(directory).isDir()) {
        return;
    }
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(path, {directory});
    if (process.waitForStarted() && !process.waitForFinished(kToolTimeoutMs)) {
        process.kill();
        process.waitForFinished();
    }
}
