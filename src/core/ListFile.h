#pragma once
// Saving and loading list files, as functions over plain rows. Windowless: the save dialog
// supplies a name and a filter index, and the track lists write what these functions return
// into their grids. Everything here runs on the caller's thread and keeps no state.
//
// The formats. Every line is UTF-8 and ends with CR LF.
//   row format (".ply", ".sel"): for every data row one group of eight lines holding its
//     cells in column order, then two groups of eight empty lines. No header, no count, no
//     escape: a line break inside a cell is saved as a blank, so no cell can split a group
//     (a row whose file name holds one is not saved: see saveList).
//   M3U (".m3u"): one line per data row, its file name.
//   PLS (".pls"): "[playlist]", then "File<n>=<file name>" for n = 1, 2, ..., then
//     "NumberOfEntries=<n>".
// An empty list is saved as its one empty row: 24 empty lines, one empty line, or the lines
// "[playlist]", "File1=", "NumberOfEntries=1".
//
// Saving writes a temporary file beside the target and puts it in place only when it is
// complete, so a save that fails leaves the old file as it was.
//
// Reading. A line ends at LF, at CR LF, or at a CR alone (files with old Mac line ends). A
// UTF-8 byte-order mark at the start of the file is skipped. Each line is decoded as UTF-8
// when it is valid UTF-8, otherwise as Windows-1252. The name's last three characters
// decide the format, whatever the contents: "M3U" and "PLS" give a batch of paths, anything
// else the row format. The file is streamed, never held whole.
//
// Limits, so that no file can exhaust memory:
//   a line longer than kMaxListLineBytes is cut to that length (the rest is skipped; no
//     path is that long, and a cell that long is garbage);
//   a file longer than kMaxListFileBytes, or one giving more than kMaxListEntries groups or
//     paths, is refused with an error and nothing read from it is returned. Both lie far
//     beyond what a list can hold (30,000 rows).
//
// Errors are thrown as SonvoxError, with the file's name and the system's text for the
// failure, ready for the user.

#include <QByteArrayView>
#include <QLatin1StringView>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "core/PackedTrack.h"
#include "core/SonvoxError.h"
#include "core/TrackRow.h"

inline constexpr qsizetype kMaxListLineBytes = 64 * 1024;
inline constexpr qint64 kMaxListFileBytes = 64 * 1024 * 1024;
inline constexpr qsizetype kMaxListEntries = 200'000;

// ---- Names and formats ----------------------------------------------------------------

// The format a list is saved in; the save dialog's filter chooses it, not the name typed.
enum class ListFormat {
    Playlist,   // row format, extension "PLY"; filter index 1
    Selection,  // row format, extension "SEL"; filter index 2
    Pls,        // PLS, extension "PLS"; filter index 3
    M3u,        // M3U, extension "M3U"; filter index 4
};

// The format of the save dialog's filter index 1 to 4; nothing for any other index.
std::optional<ListFormat> listFormatForFilter(int filterIndex);

// The extension test of list files: true when the name's last three characters, upper-cased
// (ASCII letters only), equal letters, which are three upper-case ASCII characters such as
// "PLY". So "mix.ply", "MIX.PLY" and "mixply" all pass for "PLY".
bool endsWithLetters(const QString& name, QLatin1StringView letters);

// True when the name passes the extension test for "PLY", "SEL", "M3U" or "PLS".
bool isListFileName(const QString& name);

// The name a list is saved under: typed itself when it passes the extension test of the
// format, else typed with ".PLY", ".SEL", ".PLS" or ".M3U" appended ("mix.m3u" saved as
// Playlist becomes "mix.m3u.PLY", "list.sel" as Selection stays "list.sel").
QString listSaveName(const QString& typed, ListFormat format);

// ---- Saving ---------------------------------------------------------------------------

// Writes dataRows (rows 1 to row count - 1 of a list, as the list holds them) to path in the
// format, replacing any file of that name. An empty list passes its one empty row; an empty
// QList is taken as that row too. A row whose file name holds a line break cannot be stored
// in a line-based file: it is left out, and its file name is in the list returned, for the
// caller to tell. Throws SonvoxError when any step fails; an existing file is then left
// unchanged.
QStringList saveList(const QString& path, ListFormat format,
                     std::span<const PackedTrack* const> dataRows);

// The same for rows as strings.
QStringList saveList(const QString& path, ListFormat format, const QList<TrackRow>& dataRows);

// The message for the rows saveList left out of the file at path, their line breaks shown
// as "\n".
QString refusedNamesText(const QString& path, const QStringList& names);

// ---- Loading --------------------------------------------------------------------------

// What a list file gave.
struct ListFileContent {
    enum class Kind {
        Rows,   // row format: groups holds every group read, untrimmed, unfiltered
        Paths,  // M3U or PLS: paths holds the regular files named, in file order
    };
    Kind kind = Kind::Rows;
    QList<TrackRow> groups;
    QStringList paths;
};

// A read failure in the middle of a row-format file. The list keeps what was read up to the
// failure: the caller writes groupsRead() into its list as they are (no trimming, no removal
// of missing files) and then passes the error on to be shown.
class ListReadError : public SonvoxError {
public:
    ListReadError(const QString& message, QList<TrackRow> groupsRead)
        : SonvoxError(message), groupsRead_(std::move(groupsRead)) {}
    const QList<TrackRow>& groupsRead() const { return groupsRead_; }

private:
    QList<TrackRow> groupsRead_;
};

// Reads the list file at path (absolute, or relative to the current directory).
//   Row format: groups of eight lines until the end of the file; the end is tested only
//     before a group, so a group cut short gets empty cells. A relative file name in a
//     group is taken relative to the list file's directory.
//   M3U: every line that names a regular file, in file order, also a line beginning with
//     "#" (a track may be called "#Intro.mp3"); comments, the "#EXTM3U" marker and empty
//     lines name none and are skipped.
//   PLS: every "File<n>=" line in file order, whatever lines stand between ("[playlist]",
//     "Title<n>", "Length<n>", "NumberOfEntries", "Version", blank lines); the key in any
//     case and with blanks around it; everything after the line's first "=" is the path,
//     kept when it names a regular file.
//   In M3U and PLS files a "file:" URL is decoded to its path (percent escapes included),
//   other URLs are skipped, a relative path is taken relative to the list file's own
//   directory and cleaned, and an absolute path is kept as written. An entry that names no
//   file as written is tried once more without the blanks around it.
// Throws SonvoxError when the file cannot be opened, is not a regular file, breaks a limit,
// or (M3U, PLS) cannot be read; ListReadError when a row-format file fails after opening.
ListFileContent readListFile(const QString& path);

// Whether an M3U or PLS entry names a file to take.
using FileExists = std::function<bool(const QString& path)>;

// readListFile on bytes held in memory: path gives the format and the folder relative
// entries are taken against, and exists decides which M3U and PLS entries name a file
// (trackFileExists when empty). Nothing is read from disk but through exists.
ListFileContent parseListFile(QByteArrayView bytes, const QString& path,
                              const FileExists& exists = {});

// The rows a row-format load keeps of the groups it read, before missing files are removed.
// Replacing a list, or appending to a list that holds no track: the last group is dropped.
// Appending to a list that holds a track: the last two groups are dropped. Then a last row
// with an empty file name is dropped too (one row: a saved empty list still gives its empty
// row 1, which rowsWithExistingFiles removes). Only groups are ever dropped, never rows the
// list held before; a file written by saveList gives back exactly its data rows either way.
QList<TrackRow> rowsToKeep(QList<TrackRow> groups, bool appendingToListWithTrack);

// A row-format file (any name) read as readListFile reads it, into packed rows: the same
// groups, limits and errors, and relative file names made absolute against the list's folder.
// A read failure in the middle throws ListReadError with the groups read so far.
std::vector<PackedTrack> readRowFile(const QString& path);

// rowsToKeep on packed groups.
void keepRows(std::vector<PackedTrack>& groups, bool appendingToListWithTrack);

// True when name is an absolute file name: it begins with "/". A name beginning with ":"
// is a relative file name here, not one of the program's resources.
bool isAbsoluteFileName(QStringView name);

// True when path names a regular file (following symbolic links); false for an empty path.
bool trackFileExists(const QString& path);

// The rows whose file name names a regular file, in their order. After a row-format load
// the lists apply this to every data row, the rows they held before included.
QList<TrackRow> rowsWithExistingFiles(QList<TrackRow> rows);
