#include "DirTreeRules.h"

#include <QDir>
#include <QDirIterator>
#include <algorithm>

#include "DirScan.h"

bool passesDirType(DirTypes types, bool hidden) {
    if (types & dtAll)
        return true;
    if (hidden && !(types & dtHidden))
        return false;
    return (types & dtNormal) || hidden;
}

bool isBelowRecycleBin(const QString& path) {
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty())
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    const QString userTrash = QDir::cleanPath(dataHome) + QStringLiteral("/Trash/");

    const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString prefix = QStringLiteral("/");
    // Every component but the last: the trash folder itself stays visible.
    for (qsizetype i = 0; i + 1 < parts.size(); ++i) {
        const QString& part = parts[i];
        prefix += part + QLatin1Char('/');
        if (part == QLatin1String(".Trash") || part.startsWith(QLatin1String(".Trash-")))
            return true;
        if (prefix == userTrash)
            return true;
    }
    return false;
}

bool DirTreeRules::passesPathRules(const QString& path) const {
    if (!goBelowRecycleBin && isBelowRecycleBin(path))
        return false;
    return !onAddDir || onAddDir(path);
}

bool DirTreeRules::shows(const QString& parent, const QString& name) const {
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    if (!passesPathRules(parent + name + QLatin1Char('/')))
        return false;
    return passesDirType(dirType, name.startsWith(QLatin1Char('.')));
}

QStringList DirTreeRules::shownSubdirectories(const QString& dir) const {
    const QStringList found = onFindDir ? onFindDir(dir) : dirscan::subdirectories(dir, true);
    QStringList shown;
    for (const QString& name : found) {
        if (shows(dir, name))
            shown.append(name);
    }
    dirscan::sortNames(shown);
    return shown;
}

bool DirTreeRules::hasShownSubdirectory(const QString& dir) const {
    if (onFindDir) {
        const QStringList found = onFindDir(dir);
        return std::any_of(found.begin(), found.end(),
                           [&](const QString& name) { return shows(dir, name); });
    }
    QDirIterator it(dir, QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        if (shows(dir, it.fileName()))
            return true;
    }
    return false;
}
