#pragma once
// The seam between the track lists and the load dialog ("Load Mpegs"). The lists open the
// dialog for the playlist or the selection, read back what the user chose and load it;
// the dialog itself, with its drive, directory and file lists, lives elsewhere and
// implements this interface. Until one is given, the lists' load commands do nothing and
// the "Append" box counts as ticked.
//
// GUI thread only. exec() runs a modal loop.

#include <QString>
#include <QStringList>

// What kind of thing the dialog is prepared for before it opens.
enum class LoadKind {
    Tracks,     // filter 0 "Mpeg Files", the track directory, mask "*.mp*;*.msf"
    Playlist,   // filter 2 "Playlist", the playlist directory, mask "*.ply;*.m3u;*.pls"
    Selection,  // filter 3 "Selection", the selection directory, mask "*.sel;*.m3u;*.pls"
};

// The dialog's filter indexes, as handed back.
namespace LoadFilter {
inline constexpr int MpegFiles = 0;  // the chosen track files
inline constexpr int Directory = 1;  // every track file of the directory
inline constexpr int Playlist = 2;   // one list file
inline constexpr int Selection = 3;  // one list file
}  // namespace LoadFilter

// What the dialog hands back after its modal loop has ended.
struct LoadDialogResult {
    bool accepted = false;  // closed by OK (or a double click), not cancelled
    QString directory;      // the directory its directory list shows
    int filterIndex = LoadFilter::MpegFiles;
    bool append = true;         // "Append" ticked
    bool displayTitle = false;  // "Display Title" ticked
    QStringList chosen;         // bare file names, in list order
};

class LoadDialogSource {
public:
    virtual ~LoadDialogSource() = default;

    // Sets the filter, the directory and the file mask for kind, as the next exec() shows.
    virtual void prepare(LoadKind kind) = 0;

    // Shows the dialog modally and returns the user's choices.
    virtual LoadDialogResult exec() = 0;

    // Whether "Append" is ticked now; the lists read it for every batch they append.
    virtual bool appendTicked() const = 0;

    // Remembers dir as the track directory (in memory and in the settings file), after a
    // load of track files or of a whole directory.
    virtual void storeTrackDirectory(const QString& dir) = 0;
};
