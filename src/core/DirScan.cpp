#include "DirScan.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <algorithm>

#include "FileMask.h"
#include "SonvoxError.h"

namespace dirscan {

bool lessName(const QString& a, const QString& b) {
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

void sortNames(QStringList& names) {
    std::sort(names.begin(), names.end(), lessName);
}

std::vector<Entry> listEntries(const QString& dir, const FileMask& mask, FileTypes types) {
    std::vector<Entry> entries;
    if (mask.isEmpty())
        return entries;
    QDir::Filters filters = QDir::Files | QDir::NoDotAndDotDot | QDir::Hidden;
    if (types & ftDirectory)
        filters |= QDir::Dirs;
    const bool wantNormal = types.testFlag(ftNormal);
    const bool wantHidden = types.testFlag(ftHidden);
    const bool wantReadOnly = types.testFlag(ftReadOnly);

    QDirIterator it(dir, filters);
    while (it.hasNext()) {
        it.next();
        const QString name = it.fileName();
        const bool hidden = name.startsWith(QLatin1Char('.'));
        if (hidden && !wantHidden)
            continue;
        if (!mask.matches(name))
            continue;
        const bool isDir = it.fileInfo().isDir();
        if (!isDir && !wantNormal) {
            // Only files with a requested attribute; the write test is the one place a
            // file is looked at, and only when asked for.
            const bool readOnly = wantReadOnly && !it.fileInfo().isWritable();
            if (!(hidden && wantHidden) && !readOnly)
                continue;
        }
        entries.push_back(Entry{name, isDir, isDir ? QStringLiteral("[%1]").arg(name) : name});
    }
    std::sort(entries.begin(), entries.end(),
              [](const Entry& a, const Entry& b) { return lessName(a.text, b.text); });
    return entries;
}

QStringList subdirectories(const QString& dir, bool withHidden) {
    QStringList names;
    QDir::Filters filters = QDir::Dirs | QDir::NoDotAndDotDot;
    if (withHidden)
        filters |= QDir::Hidden;
    QDirIterator it(dir, filters);
    while (it.hasNext()) {
        it.next();
        names.append(it.fileName());
    }
    sortNames(names);
    return names;
}

QString absoluteDirectory(const QString& path) {
    QString absolute = QDir::cleanPath(QDir::current().absoluteFilePath(path));
    if (absolute.size() > 1 && absolute.endsWith(QLatin1Char('/')))
        absolute.chop(1);
    return absolute;
}

void enterDirectory(const QString& dir) {
    if (!QFileInfo(dir).isDir())
        throw SonvoxError(QStringLiteral("Verzeichnis nicht gefunden - %1").arg(dir));
    if (!QDir::setCurrent(dir))
        throw SonvoxError(QStringLiteral("Zugriff verweigert - %1").arg(dir));
}

}  // namespace dirscan
