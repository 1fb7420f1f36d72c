#pragma once
// The drive box of the load dialog: a drop-down list of the mounted volumes (see
// MountedVolumes), each shown as "<root path>: <volume name>" with a picture of its kind;
// a volume without a name, and a removable one, shows its root path alone.
//
// Choosing a volume, by the user or through setDrive(), makes its root the linked
// directory list's directory, unless that directory already lies on the volume. When
// the directory list's directory changes by other means, the box follows it and selects
// the volume holding it, without touching the list.
//
// `TextCase` is kept for the load dialog's sake but changes nothing: paths are never
// re-cased on Linux.
//
// GUI thread only.

#include <QComboBox>
#include <QList>
#include <QPointer>
#include <QString>

#include "core/MountedVolumes.h"

class TKMVDirList;

class TKMVDrive : public QComboBox {
    Q_OBJECT
public:
    enum TextCase { tcLowerCase, tcUpperCase };
    Q_ENUM(TextCase)

    // Lists the system's mounted volumes and selects the one holding the current
    // directory.
    explicit TKMVDrive(QWidget* parent = nullptr);

    // ---- Volumes ------------------------------------------------------------------------
    const QList<MountedVolume>& volumes() const { return volumes_; }
    // Replaces the listed volumes (the system's are read again by refreshVolumes()). The
    // selection follows the linked list's directory, else the current directory.
    void setVolumes(const QList<MountedVolume>& volumes);
    void refreshVolumes();
    // The shown text of a volume.
    static QString volumeText(const MountedVolume& volume);

    // ---- Drive --------------------------------------------------------------------------
    // The root path of the chosen volume; empty when none is chosen.
    QString drive() const;
    // Chooses the volume holding `path` and passes its root to the linked directory list
    // (see above); a path on no listed volume is ignored. Emits changed(). When the
    // directory list throws, the box goes back to the list's volume and the error
    // propagates.
    void setDrive(const QString& path);

    TextCase textCase() const { return textCase_; }
    void setTextCase(TextCase textCase) { textCase_ = textCase; }

    // ---- Link ---------------------------------------------------------------------------
    TKMVDirList* dirList() const;
    void setDirList(TKMVDirList* dirList);

signals:
    // A volume was chosen.
    void changed();

private:
    void fillItems();
    // Selects the volume holding `path` without passing anything on.
    void showVolumeOf(const QString& path);
    void followDirList();

    QList<MountedVolume> volumes_;
    TextCase textCase_ = tcLowerCase;
    QPointer<TKMVDirList> dirList_;
    QMetaObject::Connection dirListConnection_;
};
