#pragma once
// The org.mpris.MediaPlayer2.Player interface of MprisService, exported on its object.

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QVariantMap>

#include "MprisService.h"

class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE setRate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanControl)
    Q_PROPERTY(bool CanSeek READ CanControl)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    explicit MprisPlayerAdaptor(MprisService* service)
        : QDBusAbstractAdaptor(service), service_(service) {
        connect(service, &MprisService::seeked, this, &MprisPlayerAdaptor::Seeked);
    }

    QString PlaybackStatus() const { return service_->playbackStatus(); }
    double Rate() const { return 1.0; }
    void setRate(double) {}  // one rate only
    QVariantMap Metadata() const { return service_->metadata(); }
    double Volume() const { return service_->volume(); }
    void setVolume(double volume) { service_->setVolume(volume); }
    qlonglong Position() const { return service_->positionUs(); }
    bool CanGoNext() const { return service_->canGoNext(); }
    bool CanGoPrevious() const { return false; }
    bool CanPlay() const { return service_->canPlay(); }
    bool CanControl() const { return true; }

public slots:
    void Next() { service_->next(); }
    void Previous() {}
    void Pause() { service_->pause(); }
    void PlayPause() { service_->playPause(); }
    void Stop() { service_->stop(); }
    void Play() { service_->play(); }
    void Seek(qlonglong offset) { service_->seek(offset); }
    void SetPosition(const QDBusObjectPath& trackId, qlonglong position) {
        service_->setPosition(trackId.path(), position);
    }
    void OpenUri(const QString& uri) { service_->openUri(uri); }

signals:
    void Seeked(qlonglong position);

private:
    MprisService* service_;
};
