#pragma once
// The texts of the freedesktop files that make Sonvox a desktop application: its desktop
// entry and its MIME package. The per-user registration writes them at run time and the
// build writes the copies that `make install` installs, so both always say the same.
//
// Sonvox opens six file types. ".mp3" and ".mp1" are audio/mpeg (the system knows no
// glob for ".mp1"; the package adds it); ".mp2" is audio/mp2, whose glob the package
// weights above the video type the system also gives "*.mp2"; ".ply" and ".sel" get
// types of their own, and ".msf" too unless the system already has a type for it.
//
// Pure functions; any thread.

#include <QString>
#include <QStringList>

namespace DesktopFiles {

// ---- MIME types ---------------------------------------------------------------------------
inline const QString kMpegType = QStringLiteral("audio/mpeg");                     // .mp3, .mp1
inline const QString kMp2Type = QStringLiteral("audio/mp2");                       // .mp2
inline const QString kOwnMsfType = QStringLiteral("audio/x-sonvox-msf");           // .msf
inline const QString kPlaylistType = QStringLiteral("audio/x-sonvox-playlist");    // .ply
inline const QString kSelectionType = QStringLiteral("audio/x-sonvox-selection");  // .sel

// The glob weight that makes "*.mp2" resolve to audio; the system's globs weigh 50.
constexpr int kMp2GlobWeight = 60;

// The types of the six extensions, without repeats, given the type ".msf" resolves to.
QStringList mimeTypes(const QString& msfType = kOwnMsfType);

// ---- Desktop entry ------------------------------------------------------------------------

// The value of `Exec` for the program at programPath: the path in double quotes, with the
// characters that the desktop-entry rules reserve inside quotes escaped, then " %F" (any
// number of files from a file manager). Ready to be written after "Exec=".
QString execValue(const QString& programPath);

// The whole desktop entry. execValue is written as given (see above, or a bare "sonvox
// %F" for the installed entry, which finds the program on the PATH).
QString desktopEntry(const QString& execValue, const QStringList& mimeTypes);

// ---- MIME package -------------------------------------------------------------------------

// The shared-mime-info package. ownMsfType false leaves ".msf" to the system's type.
QString mimePackage(bool ownMsfType = true);

}  // namespace DesktopFiles
