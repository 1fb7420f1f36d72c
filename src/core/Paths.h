#pragma once
// Where Sonvox keeps its files on this machine.
//
// The settings file "KMV.INI" lives in the per-user settings directory; the per-user data
// directory plays the part of the program directory, the home of the default "Cover",
// "Playlist" and "Selection" folders (an installed program's own directory is not
// writable). Both directories are created when asked for. Tests point $SONVOX_CONFIG_DIR
// and $SONVOX_DATA_DIR at temporary directories, which also gives them an instance socket
// of their own, so a test never meets a running player.

#include <QString>
#include <QStringList>

namespace Paths {

// $SONVOX_CONFIG_DIR, else $XDG_CONFIG_HOME/sonvox, else ~/.config/sonvox; no trailing "/".
QString settingsDir();

// The settings file, "KMV.INI" in settingsDir().
QString settingsFile();

// The stand-in for the system's own profile, "system.INI" in settingsDir(). Only the setup
// window's file-cache page reads and writes it; nothing on Linux acts on it.
QString systemIniFile();

// $SONVOX_DATA_DIR, else $XDG_DATA_HOME/sonvox, else ~/.local/share/sonvox; no trailing "/".
QString dataDir();

// dataDir() with a trailing "/", so that folder names can be appended to it.
QString programDir();

// Full path of the local socket through which a second start reaches the running
// instance. It is derived from the settings directory and the user id, lies in
// $XDG_RUNTIME_DIR when that is usable (else in the temporary directory) and stays well
// below the length limit of a socket address.
QString instanceSocketName();

// False when path stands for a name whose bytes are not UTF-8. Qt decodes such bytes to
// U+FFFD, and the name encoded again is another one, which must not be opened in its place:
// a path holding U+FFFD is taken only when it names something on disk as it is.
bool isFaithfulFileName(const QString& path);

// The one message for names left out because they are not UTF-8, each on a line of its own.
QString undecodableNamesText(const QStringList& names);

}  // namespace Paths
