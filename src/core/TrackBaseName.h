#pragma once
// The short name of a track file, under which its fallback titles and its picture in the
// cover directory are found.

#include <QString>
#include <QStringView>

// The characters of path after its last "/", up to but not including the first "." that
// follows the first character. The first character is always kept, so a name that begins
// with a dot keeps it; a path without "/" is taken whole, and so is a name without a
// further dot. "/Music/Artist - Song.mp3" gives "Artist - Song", "/d/a.b.mp2" gives "a",
// "/d/.hidden.mp3" gives ".hidden".
QString TrackBaseName(QStringView path);
