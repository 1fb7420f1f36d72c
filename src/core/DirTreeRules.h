#pragma once
// Which directories the directory tree shows, without any window. A directory found while
// reading a node is shown when
//   1. it is neither "." nor "..";
//   2. unless goBelowRecycleBin: it does not lie below a trash folder (the trash folder
//      itself stays visible, what lies below it does not);
//   3. onAddDir, if set, does not veto it;
//   4. its attributes pass dirType: with dtAll every directory passes; otherwise a hidden
//      one (name starting with ".") needs dtHidden, and a directory passes when dtNormal
//      is set or it has one of the hidden, system or archive attributes that are asked
//      for (Linux knows only "hidden").
// Rules 2 and 3 also decide whether a volume root becomes a drive node.
//
// Paths handed to onAddDir and isBelowRecycleBin() are absolute and end in "/".
//
// Windowless; safe to use from any thread as long as the hooks are.

#include <QFlags>
#include <QString>
#include <QStringList>
#include <functional>

// The directory tree's `DirType` set.
enum DirAttr {
    dtReadOnly = 0x01,  // no effect
    dtHidden = 0x02,    // names starting with "."
    dtSystem = 0x04,    // never set on Linux
    dtArchive = 0x08,   // never set on Linux
    dtNormal = 0x10,    // directories without those attributes
    dtAll = 0x20,       // every directory
};
Q_DECLARE_FLAGS(DirTypes, DirAttr)
Q_DECLARE_OPERATORS_FOR_FLAGS(DirTypes)

// Rule 4 for a directory with the given attribute.
bool passesDirType(DirTypes types, bool hidden);

// True when a component of `path` other than its last is a trash folder: ".Trash" or
// ".Trash-<uid>" at a volume's root, or "Trash" in the user's data directory
// ($XDG_DATA_HOME, else ~/.local/share).
bool isBelowRecycleBin(const QString& path);

struct DirTreeRules {
    DirTypes dirType = DirTypes(dtNormal) | dtAll;
    bool goBelowRecycleBin = true;
    // OnAddDir: returns false to hide the directory at `path`.
    std::function<bool(const QString& path)> onAddDir;
    // OnFindDir: replaces reading the names of the subdirectories of `dir`.
    std::function<QStringList(const QString& dir)> onFindDir;

    // Rules 2 and 3.
    bool passesPathRules(const QString& path) const;
    // Rules 1 to 4 for the directory `name` inside `parent` (which ends in "/").
    bool shows(const QString& parent, const QString& name) const;
    // The names of the shown subdirectories of `dir`, sorted without regard to case.
    QStringList shownSubdirectories(const QString& dir) const;
    // True when `dir` holds at least one shown directory; stops at the first one.
    bool hasShownSubdirectory(const QString& dir) const;
};
