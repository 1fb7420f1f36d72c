#pragma once
// The "drives" of the file-system controls: the mounted volumes, each with its root path
// and name. The file-system root "/" is the drive root of everything not mounted
// elsewhere; a path belongs to the volume with the longest root that contains it.
//
// Windowless; safe to use from any thread.

#include <QByteArray>
#include <QList>
#include <QString>

struct MountedVolume {
    // What kind of device holds the volume; decides pictures and how eagerly the
    // directory tree looks at it.
    enum Kind {
        Fixed,      // a local disk
        Removable,  // a device the system marks removable (memory sticks, card readers)
        Network,    // a file system reached over the network
        CdRom,      // an optical disc
        Ram,        // a file system in memory
        Unknown,    // a volume that is not ready
    };

    QString rootPath;  // "/" or a path without trailing "/"
    QString name;      // the volume label; often empty
    Kind kind = Fixed;
};

// The mounted volumes whose root is a directory, each root once, sorted by root path.
QList<MountedVolume> mountedVolumes();

// The kind of a volume from its file-system type and device, as QStorageInfo gives them.
MountedVolume::Kind volumeKind(const QByteArray& fileSystemType, const QByteArray& device);

// True when `path` is `root` or lies below it ("/" contains every absolute path). Both
// are compared exactly, with or without trailing "/".
bool pathLiesOn(const QString& path, const QString& root);

// The index in `volumes` of the volume holding `path` (the longest root containing it),
// or -1.
qsizetype volumeIndexOf(const QList<MountedVolume>& volumes, const QString& path);
