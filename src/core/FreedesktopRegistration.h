#pragma once
// FileTypeRegistration for freedesktop desktops: the per-user desktop file, MIME package
// and default-application lines that make Sonvox the user's player for its six types.
//
// Registering writes, in this order:
// 1. our MIME package, $XDG_DATA_HOME/mime/packages/<id>.xml, and runs
//    update-mime-database on $XDG_DATA_HOME/mime;
// 2. the desktop file $XDG_DATA_HOME/applications/<id>.desktop, its Exec the quoted path
//    of "sonvox" in the program's directory, and runs update-desktop-database there;
// 3. our id first in [Default Applications] and [Added Associations] of
//    $XDG_CONFIG_HOME/mimeapps.list for each type.
// Unregistering undoes the three and leaves other applications' lines alone. Only the
// user's own directories are written: a desktop file installed with the program (under
// $XDG_DATA_DIRS) is never touched; the user's file of the same id only shadows it.
// The database tools run when they are installed; without them the files still count.
//
// Each file is written whole through a temporary file, so a failure leaves the old one.
// Errors: see FileTypeRegistration. GUI thread only.

#include <QString>
#include <QStringList>

#include "core/FileTypeRegistration.h"

class FreedesktopRegistration : public FileTypeRegistration {
public:
    struct Locations {
        QString dataHome;      // $XDG_DATA_HOME, else ~/.local/share
        QString configHome;    // $XDG_CONFIG_HOME, else ~/.config
        QStringList dataDirs;  // $XDG_DATA_DIRS, else /usr/local/share and /usr/share
    };
    static Locations locationsFromEnvironment();

    // programDir: the directory of the running program (QCoreApplication::applicationDirPath).
    explicit FreedesktopRegistration(const QString& programDir,
                                     Locations locations = locationsFromEnvironment());

    bool isRegistered() const override;
    void registerTypes() override;
    void unregisterTypes() override;

    QString desktopFilePath() const;
    QString mimePackagePath() const;
    QString mimeAppsPath() const;

    // The type the system's MIME database (under dataDirs, not the user's) gives "*.msf",
    // other than ours; empty when it has none.
    QString systemMsfType() const;

private:
    void writeFile(const QString& path, const QByteArray& bytes) const;
    QString readMimeApps() const;
    void runTool(const QString& program, const QString& directory) const;

    QString programDir_;
    Locations locations_;
};
