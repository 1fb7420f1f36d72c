#include "MountedVolumes.h"

#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <algorithm>

namespace {

QString withoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

// The block device's "removable" flag from sysfs; a partition carries it on its disk.
bool deviceIsRemovable(const QByteArray& device) {
    if (!device.startsWith("/dev/"))
        return false;
    const QString name = QFileInfo(QString::fromLocal8Bit(device)).fileName();
    const QString sysPath =
        QFileInfo(QStringLiteral("/sys/class/block/") + name).canonicalFilePath();
    if (sysPath.isEmpty())
        return false;
    for (const QString& dir : {sysPath, QFileInfo(sysPath).path()}) {
        QFile flag(dir + QStringLiteral("/removable"));
        if (flag.open(QIODevice::ReadOnly))
            return flag.read(1) == "1";
    }
    return false;
}

}  // namespace

MountedVolume::Kind volumeKind(const QByteArray& fileSystemType, const QByteArray& device) {
    static const QByteArray networkTypes[] = {
        "nfs",        "nfs4",  "cifs",  "smb3",        "smbfs",       "ncpfs",
        "afs",        "ceph",  "9p",    "coda",        "glusterfs",   "fuse.glusterfs",
        "fuse.sshfs", "sshfs", "davfs", "fuse.davfs2", "fuse.rclone", "fuse.s3fs"};
    const QByteArray type = fileSystemType.toLower();
    for (const QByteArray& network : networkTypes) {
        if (type == network)
            return MountedVolume::Network;
    }
    if (type == "iso9660" || type == "udf" || device.startsWith("/dev/sr"))
        return MountedVolume::CdRom;
    if (type == "tmpfs" || type == "ramfs")
        return MountedVolume::Ram;
    if (deviceIsRemovable(device))
        return MountedVolume::Removable;
    return MountedVolume::Fixed;
}

QList<MountedVolume> mountedVolumes() {
    QList<MountedVolume> volumes;
    auto add = [&volumes](const QStorageInfo& storage) {
        if (!storage.isValid())
            return;
        const QString root = withoutTrailingSlash(storage.rootPath());
        if (!QFileInfo(root).isDir())
            return;
        for (const MountedVolume& known : volumes) {
            if (known.rootPath == root)
                return;
        }
        MountedVolume volume;
        volume.rootPath = root;
        volume.name = storage.name();
        volume.kind = storage.isReady() ? volumeKind(storage.fileSystemType(), storage.device())
                                        : MountedVolume::Unknown;
        volumes.append(volume);
    };
    add(QStorageInfo::root());
    for (const QStorageInfo& storage : QStorageInfo::mountedVolumes())
        add(storage);
    std::sort(volumes.begin(), volumes.end(), [](const MountedVolume& a, const MountedVolume& b) {
        return a.rootPath < b.rootPath;
    });
    return volumes;
}

bool pathLiesOn(const QString& path, const QString& root) {
    const QString cleanRoot = withoutTrailingSlash(root);
    const QString cleanPath = withoutTrailingSlash(path);
    if (cleanRoot == QLatin1String("/"))
        return cleanPath.startsWith(QLatin1Char('/'));
    return cleanPath == cleanRoot ||
           (cleanPath.startsWith(cleanRoot) && cleanPath.at(cleanRoot.size()) == QLatin1Char('/'));
}

qsizetype volumeIndexOf(const QList<MountedVolume>& volumes, const QString& path) {
    qsizetype best = -1;
    for (qsizetype i = 0; i < volumes.size(); ++i) {
        if (pathLiesOn(path, volumes[i].rootPath) &&
            (best < 0 || volumes[i].rootPath.size() > volumes[best].rootPath.size()))
            best = i;
    }
    return best;
}
