#include "TKMVDrive.h"

#include <QDir>
#include <QSignalBlocker>

#include "FsIcons.h"
#include "TKMVDirList.h"
#include "core/DirScan.h"
#include "core/SonvoxError.h"

TKMVDrive::TKMVDrive(QWidget* parent) : QComboBox(parent) {
    volumes_ = mountedVolumes();
    fillItems();
    connect(this, &QComboBox::activated, this, [this](int index) {
        if (index >= 0 && index < volumes_.size())
            setDrive(volumes_[index].rootPath);
    });
}

// ---- Volumes --------------------------------------------------------------------------------

QString TKMVDrive::volumeText(const MountedVolume& volume) {
    if (volume.name.isEmpty() || volume.kind == MountedVolume::Removable)
        return volume.rootPath;
    return QStringLiteral("%1: %2").arg(volume.rootPath, volume.name);
}

void TKMVDrive::setVolumes(const QList<MountedVolume>& volumes) {
    volumes_ = volumes;
    fillItems();
}

void TKMVDrive::refreshVolumes() {
    setVolumes(mountedVolumes());
}

void TKMVDrive::fillItems() {
    const QSignalBlocker blocker(this);
    clear();
    for (const MountedVolume& volume : volumes_)
        addItem(driveIcon(volume.kind), volumeText(volume));
    followDirList();
}

// ---- Drive ----------------------------------------------------------------------------------

QString TKMVDrive::drive() const {
    const int index = currentIndex();
    return index >= 0 && index < volumes_.size() ? volumes_[index].rootPath : QString();
}

void TKMVDrive::setDrive(const QString& path) {
    const qsizetype index = volumeIndexOf(volumes_, dirscan::absoluteDirectory(path));
    if (index < 0)
        return;
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(int(index));
    }
    if (dirList_ && volumeIndexOf(volumes_, dirList_->directory()) != index) {
        try {
            dirList_->setDirectory(volumes_[index].rootPath);
        } catch (const SonvoxError&) {
            followDirList();
            throw;
        }
    }
    emit changed();
}

void TKMVDrive::showVolumeOf(const QString& path) {
    const QSignalBlocker blocker(this);
    setCurrentIndex(int(volumeIndexOf(volumes_, path)));
}

void TKMVDrive::followDirList() {
    showVolumeOf(dirList_ ? dirList_->directory()
                          : dirscan::absoluteDirectory(QDir::currentPath()));
}

// ---- Link -----------------------------------------------------------------------------------

TKMVDirList* TKMVDrive::dirList() const {
    return dirList_;
}

void TKMVDrive::setDirList(TKMVDirList* dirList) {
    disconnect(dirListConnection_);
    dirList_ = dirList;
    if (dirList_)
        dirListConnection_ =
            connect(dirList_, &TKMVDirList::changed, this, &TKMVDrive::followDirList);
    followDirList();
}
