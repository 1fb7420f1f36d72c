#pragma once
// The small pictures of the file-system controls, one per kind of entry, taken from
// QFileIconProvider once and shared by every control and every row: a directory of
// thousands of files costs one icon, not one per file.
//
// GUI thread only, and only while the application object exists (the cache belongs to
// it).

#include <QIcon>

#include "core/MountedVolumes.h"

enum class FsIcon {
    File,        // any file
    Folder,      // a closed directory
    OpenFolder,  // a directory on the way to the current one
    Drive,       // a local volume
    NetworkDrive,
};

const QIcon& fsIcon(FsIcon kind);
// The picture of a volume of the given kind.
const QIcon& driveIcon(MountedVolume::Kind kind);
