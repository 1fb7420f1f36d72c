#pragma once
// Files and folders that tests make on the fly.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include "core/Id3v1Tag.h"

namespace testsupport {

// Creates the entries below tmp (a name ending in "/" is a folder, any other an empty
// file) and returns tmp's path.
inline QString makeTree(const QTemporaryDir& tmp, const QStringList& entries) {
    for (const QString& entry : entries) {
        if (entry.endsWith(QLatin1Char('/')))
            QDir().mkpath(tmp.filePath(entry));
        else if (!QFile(tmp.filePath(entry)).open(QIODevice::WriteOnly))
            qFatal("cannot create %s", qPrintable(entry));
    }
    return QDir::cleanPath(tmp.path());
}

// A track file of 256 bytes of sound at path, tagged with these fields.
inline QString writeTaggedTrack(const QString& path, const TagFields& tag) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(256, '\x55')) != 256) {
        qFatal("cannot write a track file");
    }
    file.close();
    if (saveTag(path, tag) != SaveTagResult::Saved) {
        qFatal("cannot tag a track file");
    }
    return path;
}

}  // namespace testsupport
