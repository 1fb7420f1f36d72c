#pragma once
// The settings in force for the run, and the windowless part of reading and writing them.
//
// AppSettings is the one in-memory record the rest of the program uses without going back
// to "KMV.INI": the track, cover, playlist and selection directories, the play mode and
// the start file. The functions below are what the main window calls while it is created
// and when the user changes a setting; each reads or writes its keys through a Profile at
// once. Writers throw SonvoxError when the file cannot be written (see Profile) and then
// leave the in-memory record unchanged. Nothing here touches a widget.

#include <QString>
#include <QStringList>

#include "core/PlayMode.h"

class Profile;

// Sections and keys of "KMV.INI".
namespace SettingsKeys {
inline const QString WindowPosition = QStringLiteral("WindowPosition");
inline const QString ShowCover = QStringLiteral("ShowCover");
inline const QString PlayerLeft = QStringLiteral("PlayerLeft");
inline const QString PlayerTop = QStringLiteral("PlayerTop");
inline const QString PlayerWidth = QStringLiteral("PlayerWidth");
inline const QString PlayerHeight = QStringLiteral("PlayerHeight");
inline const QString CoverLeft = QStringLiteral("CoverLeft");
inline const QString CoverTop = QStringLiteral("CoverTop");
inline const QString CoverWidth = QStringLiteral("CoverWidth");

inline const QString Directories = QStringLiteral("Directories");
inline const QString MpegFiles = QStringLiteral("MpegFiles");
inline const QString Encoder = QStringLiteral("Encoder");

inline const QString Setup = QStringLiteral("Setup");
inline const QString Coverpath = QStringLiteral("Coverpath");
inline const QString Playlistpath = QStringLiteral("Playlistpath");
inline const QString Selectionpath = QStringLiteral("Selectionpath");
inline const QString AutoStart = QStringLiteral("AutoStart");
inline const QString ShowHint = QStringLiteral("ShowHint");
inline const QString StartFile = QStringLiteral("StartFile");
inline const QString RandomizeStartFile = QStringLiteral("RandomizeStartFile");
}  // namespace SettingsKeys

// Size of the player panel PL1: the smallest and the default client size of the main window.
constexpr int kPlayerPanelWidth = 315;
constexpr int kPlayerPanelHeight = 201;
// Client width and height of the square cover window when nothing is stored.
constexpr int kDefaultCoverWidth = 240;

struct AppSettings {
    QString MpegFiles;      // where the load dialog starts for tracks
    QString Coverpath;      // prefix of cover pictures in the cover directory, ends in "/"
    QString Playlistpath;   // where playlists are opened and saved
    QString Selectionpath;  // where selections are opened and saved
    PlayMode playMode = PlayMode::Continuous;
    QString startFile;                // track or list file acted on at the first showing
    bool randomizeStartFile = false;  // shuffle a start list once after loading it
    bool startPending = false;        // startFile exists and has not been acted on yet
};

// Where the windows go at start, as stored by "Save Positions".
struct WindowPlacement {
    bool showCover = false;  // the cover window is shown
    int playerLeft = 0;
    int playerTop = 0;
    int playerWidth = kPlayerPanelWidth;  // client size of the main window
    int playerHeight = kPlayerPanelHeight;
    bool centre = true;  // no positive width stored: open centred on the screen
    int coverLeft = 0;
    int coverTop = 0;
    int coverWidth = kDefaultCoverWidth;  // client width and height of the cover window
};

// ---- reading at main-window creation ---------------------------------------------------

// Window keys. The main window applies its minimum size after this, so stored widths and
// heights below the player panel's are returned as they are.
WindowPlacement readWindowPlacement(const Profile& profile, int panelWidth = kPlayerPanelWidth,
                                    int panelHeight = kPlayerPanelHeight);

// The four directories. MpegFiles falls back to Encoder when its directory is missing, and
// to programDir (which must end in "/") when that is missing too; the file keeps its
// value. For each of the cover, playlist and selection directories that does not exist,
// the folder "Cover", "Playlist" or "Selection" is created in programDir. Never throws.
AppSettings loadDirectorySettings(const Profile& profile, const QString& programDir);

// AutoStart: true (the default) is continuous play.
PlayMode readPlayMode(const Profile& profile);

// ShowHint: whether the application's tooltips are on (default true).
bool readShowHint(const Profile& profile);

// The start file. Without arguments it is the stored StartFile with its
// RandomizeStartFile flag; with arguments it is args[0], and the randomize flag is set
// when args[1] is "R" in either case. It is pending only when it names an existing file.
// args are the command-line arguments without the program name.
void decideStartFile(AppSettings& settings, const Profile& profile, const QStringList& args);

// ---- writing when the user changes a setting -------------------------------------------

// "Save Positions": ShowCover, CoverLeft, CoverTop, CoverWidth, PlayerLeft, PlayerTop,
// PlayerWidth, PlayerHeight, in this order. `centre` is not stored.
void saveWindowPositions(Profile& profile, const WindowPlacement& placement);

void writePlayMode(Profile& profile, PlayMode mode);
void writeShowHint(Profile& profile, bool on);

// After a load through the load dialog: stores dir as MpegFiles, then updates memory.
void rememberMpegFiles(Profile& profile, AppSettings& settings, const QString& dir);
