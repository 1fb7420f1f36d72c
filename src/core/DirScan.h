#pragma once
// Reading directories for the file-system controls, without any window: the entries of a
// file list, the subdirectories of a directory list, and changing the process's current
// directory with the controls' error texts.
//
// Listing reads each directory once with QDirIterator and looks at no file beyond what
// the directory entry itself tells (name and kind); only a request for read-only files
// without ordinary ones asks the system about each file. A directory that cannot be read
// lists as empty.
//
// Linux has no system, archive or volume attributes: a name starting with "." is hidden,
// a file that cannot be written is read-only, and the other attributes are never set.
//
// Sorting is the controls' order: without regard to case, names that differ only in case
// ordered by their code points, so the order is the same on every run.
//
// Windowless; safe to use from any thread except enterDirectory(), which changes the
// process's current directory.

#include <QFlags>
#include <QString>
#include <QStringList>
#include <vector>

class FileMask;

// Which entries a file list shows (its `FileType`).
enum FileAttr {
    ftReadOnly = 0x01,   // files that cannot be written
    ftHidden = 0x02,     // names starting with "."
    ftSystem = 0x04,     // never set on Linux
    ftVolumeID = 0x08,   // never set on Linux
    ftDirectory = 0x10,  // subdirectories, shown as "[name]"
    ftArchive = 0x20,    // never set on Linux
    ftNormal = 0x40,     // every file that is not hidden
};
Q_DECLARE_FLAGS(FileTypes, FileAttr)
Q_DECLARE_OPERATORS_FOR_FLAGS(FileTypes)

namespace dirscan {

struct Entry {
    QString name;  // as stored on disk
    bool isDir = false;
    QString text;  // as shown: "[name]" for a directory, the name for a file
};

// The entries of `dir` whose names match `mask` and whose kind and attributes `types`
// asks for, each once, sorted by their text. With ftNormal every file that is not hidden is
// taken; without it only files that carry one of the requested attributes.
std::vector<Entry> listEntries(const QString& dir, const FileMask& mask, FileTypes types);

// The names of the subdirectories of `dir` ("." and ".." never), sorted; hidden ones only
// when `withHidden`.
QStringList subdirectories(const QString& dir, bool withHidden);

// Sorts names in the controls' order.
void sortNames(QStringList& names);
bool lessName(const QString& a, const QString& b);

// `path` made absolute against the current directory and cleaned: no "." or ".." parts,
// single separators, no trailing "/" except for the root "/". Case is kept.
QString absoluteDirectory(const QString& path);

// Makes `dir` the process's current directory. Throws SonvoxError
// "Verzeichnis nicht gefunden - <dir>" when it is not an existing directory and
// "Zugriff verweigert - <dir>" when it exists but cannot be entered.
void enterDirectory(const QString& dir);

}  // namespace dirscan
