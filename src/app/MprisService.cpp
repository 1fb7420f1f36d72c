#include "MprisService.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QUrl>
#include <cmath>

#include "MprisPlayerAdaptor.h"
#include "MprisRootAdaptor.h"
#include "core/Paths.h"
#include "core/PlayerEngine.h"

namespace {

constexpr qlonglong kMicroseconds = 1'000'000;
constexpr int kMaxVolume = 99;
constexpr int kCentreBalance = 50;
const char* const kPlayerInterface = "org.mpris.MediaPlayer2.Player";

}  // namespace

MprisService::MprisService(PlayerEngine& engine, Hooks hooks, QObject* parent)
    : QObject(parent), engine_(engine), hooks_(std::move(hooks)) {
    new MprisRootAdaptor(this);
    new MprisPlayerAdaptor(this);

    constexpr unsigned kAnnounced =
        PlayerDisplay::TagPart | PlayerDisplay::LengthPart | PlayerDisplay::NextPart;
    connect(&engine_, &PlayerEngine::displayChanged, this, [this](unsigned parts) {
        if (parts & kAnnounced) {
            announceChanges();
        }
    });
    connect(&engine_, &PlayerEngine::playbackStatusChanged, this, &MprisService::announceChanges);
    connect(&engine_, &PlayerEngine::streamInfoShown, this, &MprisService::announceChanges);
    connect(&engine_, &PlayerEngine::volumeReported, this, &MprisService::announceChanges);
    connect(&engine_, &PlayerEngine::nextEnabledChanged, this, &MprisService::announceChanges);
    connect(&engine_, &PlayerEngine::trackFailed, this, &MprisService::announceChanges);
    connect(&engine_, &PlayerEngine::positionJumped, this,
            [this](int seconds) { emit seeked(seconds * kMicroseconds); });
    lastPlayer_ = playerProperties();
}

MprisService::~MprisService() {
    if (registered_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(QString::fromLatin1(kServiceName));
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
    }
}

bool MprisService::registerOnSessionBus() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return false;
    }
    if (!bus.registerObject(QString::fromLatin1(kObjectPath), this,
                            QDBusConnection::ExportAdaptors)) {
        return false;
    }
    if (!bus.registerService(QString::fromLatin1(kServiceName))) {
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
        return false;
    }
    registered_ = true;
    return true;
}

QStringList MprisService::supportedMimeTypes() const {
    return {QStringLiteral("audio/mpeg"), QStringLiteral("audio/mp2")};
}

void MprisService::raise() {
    if (hooks_.raise) {
        hooks_.raise();
    }
}

void MprisService::quit() {
    if (hooks_.quit) {
        hooks_.quit();
    }
}

// ---- Properties -------------------------------------------------------------------------

QString MprisService::playbackStatus() const {
    switch (engine_.playbackStatus()) {
        case PlaybackStatus::Playing:
            return QStringLiteral("Playing");
        case PlaybackStatus::Paused:
            return QStringLiteral("Paused");
        case PlaybackStatus::Stopped:
            break;
    }
    return QStringLiteral("Stopped");
}

QString MprisService::trackId() const {
    if (!engine_.trackLoaded() || engine_.currentTrack().isEmpty()) {
        return {};
    }
    return QStringLiteral("/org/sonvox/track/%1").arg(engine_.loadNumber());
}

QVariantMap MprisService::metadata() const {
    const QString id = trackId();
    if (id.isEmpty()) {
        return {};
    }
    const QString track = engine_.currentTrack();
    const PanelTagText& tag = engine_.display().tag;
    QVariantMap m;
    m.insert(QStringLiteral("mpris:trackid"), QVariant::fromValue(QDBusObjectPath(id)));
    m.insert(QStringLiteral("mpris:length"), qlonglong(engine_.trackSeconds()) * kMicroseconds);
    m.insert(QStringLiteral("xesam:title"), tag.title);
    m.insert(QStringLiteral("xesam:artist"), QStringList{tag.artist});
    m.insert(QStringLiteral("xesam:album"), engine_.currentTag().album);
    m.insert(QStringLiteral("xesam:url"), QUrl::fromLocalFile(track).toString(QUrl::FullyEncoded));
    const QString cover = hooks_.coverFile ? hooks_.coverFile(track) : QString();
    if (!cover.isEmpty()) {
        m.insert(QStringLiteral("mpris:artUrl"), QUrl::fromLocalFile(cover).toString(QUrl::FullyEncoded));
    }
    return m;
}

qlonglong MprisService::positionUs() const {
    return qlonglong(engine_.display().position) * kMicroseconds;
}

double MprisService::volume() const {
    const int reported = engine_.reportedVolume();
    return reported < 0 ? 1.0 : double(reported) / kMaxVolume;
}

void MprisService::setVolume(double volume) {
    const int value = int(std::lround(std::clamp(volume, 0.0, 1.0) * kMaxVolume));
    const int balance = engine_.reportedBalance() < 0 ? kCentreBalance : engine_.reportedBalance();
    engine_.setVolume(balance, value, 100);
}

bool MprisService::canGoNext() const {
    return engine_.hasNextTrack();
}

bool MprisService::canPlay() const {
    return !trackId().isEmpty() || engine_.hasNextTrack();
}

QVariantMap MprisService::playerProperties() const {
    return {{QStringLiteral("PlaybackStatus"), playbackStatus()},
            {QStringLiteral("Metadata"), metadata()},
            {QStringLiteral("Volume"), volume()},
            {QStringLiteral("CanGoNext"), canGoNext()},
            {QStringLiteral("CanPlay"), canPlay()}};
}

void MprisService::announceChanges() {
    const QVariantMap now = playerProperties();
    QVariantMap changed;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        if (lastPlayer_.value(it.key()) != it.value()) {
            changed.insert(it.key(), it.value());
        }
    }
    lastPlayer_ = now;
    if (changed.isEmpty() || !registered_) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(
        QString::fromLatin1(kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QString::fromLatin1(kPlayerInterface) << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

// ---- Methods ------------------------------------------------------------------------------

void MprisService::play() {
    if (!trackId().isEmpty()) {
        engine_.PlayUpMouseDown();
    } else if (engine_.hasNextTrack()) {
        engine_.NextUpClick();
    }
}

void MprisService::pause() {
    engine_.PauseUpMouseDown();
}

void MprisService::playPause() {
    if (engine_.playbackStatus() == PlaybackStatus::Playing) {
        pause();
    } else {
        play();
    }
}

void MprisService::stop() {
    engine_.PrevUpClick();
}

void MprisService::next() {
    engine_.NextUpClick();
}

void MprisService::seek(qlonglong offsetUs) {
    if (trackId().isEmpty()) {
        return;
    }
    const qlonglong target = positionUs() + offsetUs;
    if (target > qlonglong(engine_.trackSeconds()) * kMicroseconds) {
        next();
        return;
    }
    engine_.seekTo(int(std::max<qlonglong>(0, target) / kMicroseconds));
}

void MprisService::setPosition(const QString& id, qlonglong positionUs) {
    if (id.isEmpty() || id != trackId() || positionUs < 0 ||
        positionUs > qlonglong(engine_.trackSeconds()) * kMicroseconds) {
        return;
    }
    engine_.seekTo(int(positionUs / kMicroseconds));
}

void MprisService::openUri(const QString& uri) {
    const QUrl url(uri);
    const QString file = url.isLocalFile()        ? url.toLocalFile()
                         : url.scheme().isEmpty() ? uri
                                                  : QString();
    // A URL whose bytes are not UTF-8 decodes to another name, which must not be opened.
    if (!Paths::isFaithfulFileName(file)) {
        qWarning("Sonvox: not opened, the name is not valid UTF-8: %s", qPrintable(uri));
    } else if (!file.isEmpty() && hooks_.open) {
        hooks_.open(file);
    }
}
