#pragma once
// The org.mpris.MediaPlayer2 interface of MprisService, exported on its object.

#include <QDBusAbstractAdaptor>
#include <QStringList>

#include "MprisService.h"

class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit MprisRootAdaptor(MprisService* service)
        : QDBusAbstractAdaptor(service), service_(service) {}

    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool HasTrackList() const { return false; }
    QString Identity() const { return service_->identity(); }
    QString DesktopEntry() const { return service_->desktopEntry(); }
    QStringList SupportedUriSchemes() const { return {QStringLiteral("file")}; }
    QStringList SupportedMimeTypes() const { return service_->supportedMimeTypes(); }

public slots:
    void Raise() { service_->raise(); }
    void Quit() { service_->quit(); }

private:
    MprisService* service_;
};
