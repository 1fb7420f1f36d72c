// The media-player interface, driven over a real session bus (CTest runs this program
// under dbus-run-session) by a second connection, as a desktop shell or playerctl would;
// the engine behind it runs against the fake decoder.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QtTest>

#include "FakeDecoder.h"
#include "NotificationReceiver.h"
#include "app/MprisService.h"
#include "core/PlayerEngine.h"
#include "core/QueuePlaylist.h"
#include "core/XaudioPlayer.h"

namespace {
const QString kService = QString::fromLatin1(MprisService::kServiceName);
const QString kPath = QString::fromLatin1(MprisService::kObjectPath);
const QString kPlayer = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kRoot = QStringLiteral("org.mpris.MediaPlayer2");
}  // namespace

class SignalLog : public QObject {
    Q_OBJECT
public:
    QList<QVariantMap> changed;
    QList<qlonglong> seeked;

public slots:
    void propertiesChanged(const QString&, const QVariantMap& properties, const QStringList&) {
        changed.append(properties);
    }
    void onSeeked(qlonglong position) { seeked.append(position); }
};

class TestMpris : public QObject {
    Q_OBJECT

    NotificationReceiver receiver_;
    QueuePlaylist playlist_;
    FakeDecoder* decoder_ = nullptr;
    std::unique_ptr<XaudioPlayer> player_;
    std::unique_ptr<PlayerEngine> engine_;
    std::unique_ptr<MprisService> service_;
    QStringList opened_;
    int asked_ = 0;
    SignalLog log_;
    QDBusConnection client_ = QDBusConnection(QString());

    QDBusMessage call(const QString& method, const QVariantList& args = {},
                      const QString& interface = kPlayer) {
        QDBusMessage m = QDBusMessage::createMethodCall(kService, kPath, interface, method);
        m.setArguments(args);
        return client_.call(m, QDBus::BlockWithGui);
    }
    QVariant property(const QString& name, const QString& interface = kPlayer) {
        const QDBusMessage reply = call(QStringLiteral("Get"), {interface, name},
                                        QStringLiteral("org.freedesktop.DBus.Properties"));
        return reply.arguments().value(0).value<QDBusVariant>().variant();
    }
    QVariantMap metadata() {
        QVariantMap map;
        property(QStringLiteral("Metadata")).value<QDBusArgument>() >> map;
        return map;
    }
    void answerLoad(int seconds) {
        decoder_->postDuration(seconds);
        decoder_->postStreamInfo(1, 3, 128, 44100, 0);
        decoder_->postState(1);
        decoder_->deliver();
    }

private slots:
    void initTestCase() {
        client_ =
            QDBusConnection::connectToBus(QDBusConnection::SessionBus, QStringLiteral("client"));
        QVERIFY2(client_.isConnected(), "no session bus: run under dbus-run-session");
        QVERIFY(client_.connect(kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                QStringLiteral("PropertiesChanged"), &log_,
                                SLOT(propertiesChanged(QString, QVariantMap, QStringList))));
        QVERIFY(client_.connect(kService, kPath, kPlayer, QStringLiteral("Seeked"), &log_,
                                SLOT(onSeeked(qlonglong))));
    }
    void init() {
        auto fake = std::make_unique<FakeDecoder>();
        decoder_ = fake.get();
        player_ = std::make_unique<XaudioPlayer>(std::move(fake));
        player_->start(&receiver_);
        engine_ = std::make_unique<PlayerEngine>(*player_, playlist_, [](const QString& f) {
            return PanelTagText{PanelTagSource::Tag, "Artist " + f.section('/', -1),
                                "Title " + f.section('/', -1), "1998", "Jazz"};
        });
        receiver_.engine = engine_.get();
        connect(engine_.get(), &PlayerEngine::loadTracksRequested, this, [this] { ++asked_; });
        MprisService::Hooks hooks;
        hooks.open = [this](const QString& file) { opened_.append(file); };
        hooks.desktopEntry = QStringLiteral("org.example.Player");
        hooks.coverFile = [](const QString& track) {
            return track.endsWith("a.mp3") ? QStringLiteral("/covers/a b.jpg") : QString();
        };
        service_ = std::make_unique<MprisService>(*engine_, hooks);
        QVERIFY(service_->registerOnSessionBus());
        log_.changed.clear();
        log_.seeked.clear();
    }
    void cleanup() {
        service_.reset();
        receiver_.engine = nullptr;
        engine_.reset();
        player_.reset();
        playlist_.clear();
        opened_.clear();
        asked_ = 0;
    }

    void rootInterface() {
        QCOMPARE(property("Identity", kRoot).toString(), "Sonvox");
        QCOMPARE(property("DesktopEntry", kRoot).toString(), "org.example.Player");
        QCOMPARE(property("CanQuit", kRoot).toBool(), true);
        QCOMPARE(property("HasTrackList", kRoot).toBool(), false);
        QCOMPARE(property("SupportedUriSchemes", kRoot).toStringList(), QStringList{"file"});
        QVERIFY(property("SupportedMimeTypes", kRoot).toStringList().contains("audio/mpeg"));
    }

    void playTakesTheNextRowAndNeverAsksForTheDialog() {
        QCOMPARE(property("PlaybackStatus").toString(), "Stopped");
        QVERIFY(metadata().isEmpty());
        QCOMPARE(property("CanPlay").toBool(), false);
        call("Play");
        QVERIFY(decoder_->isEmpty());
        QCOMPARE(asked_, 0);

        playlist_.append({"/m/a.mp3", "/m/b.mp3"});
        engine_->setNextEnabled(true);
        QTRY_VERIFY(!log_.changed.isEmpty() && log_.changed.last().value("CanGoNext").toBool());
        QCOMPARE(property("CanPlay").toBool(), true);
        call("Play");
        QCOMPARE(decoder_->log(), QStringList({"Stop", "OpenInput /m/a.mp3", "Play"}));
        answerLoad(3725);
        QCOMPARE(property("PlaybackStatus").toString(), "Playing");
        const QVariantMap m = metadata();
        QCOMPARE(m.value("mpris:trackid").value<QDBusObjectPath>().path(), "/org/sonvox/track/1");
        QCOMPARE(m.value("mpris:length").toLongLong(), 3725LL * 1000000);
        QCOMPARE(m.value("xesam:artist").toStringList(), QStringList{"Artist a.mp3"});
        QCOMPARE(m.value("xesam:title").toString(), "Title a.mp3");
        QCOMPARE(m.value("xesam:url").toString(), "file:///m/a.mp3");
        QCOMPARE(m.value("mpris:artUrl").toString(), "file:///covers/a%20b.jpg");
        QTRY_VERIFY(std::any_of(
            log_.changed.cbegin(), log_.changed.cend(),
            [](const QVariantMap& c) { return c.value("PlaybackStatus") == "Playing"; }));
        for (const QVariantMap& c : log_.changed) {
            QVERIFY(!c.contains("Position"));
        }

        decoder_->clear();
        call("Next");
        QCOMPARE(decoder_->log(), QStringList({"Stop", "OpenInput /m/b.mp3", "Play"}));
        answerLoad(100);
        QCOMPARE(metadata().value("mpris:trackid").value<QDBusObjectPath>().path(),
                 "/org/sonvox/track/2");
        QVERIFY(!metadata().contains("mpris:artUrl"));  // b has no cover
    }

    void transportFollowsTheDecoder() {
        engine_->loadTrack("/m/a.mp3");
        answerLoad(185);
        decoder_->clear();
        call("Pause");
        decoder_->postState(2);
        decoder_->deliver();
        QCOMPARE(property("PlaybackStatus").toString(), "Paused");
        call("PlayPause");
        call("Stop");
        decoder_->postState(0);
        decoder_->deliver();
        QCOMPARE(property("PlaybackStatus").toString(), "Stopped");
        call("Previous");
        QCOMPARE(decoder_->log(), QStringList({"Pause", "Play", "Stop"}));
    }

    void seekingAndPositions() {
        engine_->loadTrack("/m/a.mp3");
        answerLoad(185);
        decoder_->postElapsed(20);
        decoder_->deliver();
        decoder_->clear();
        QCOMPARE(property("Position").toLongLong(), 20LL * 1000000);
        const QDBusObjectPath stale("/org/sonvox/track/99");
        call("SetPosition", {QVariant::fromValue(stale), 60LL * 1000000});
        QVERIFY(decoder_->isEmpty());
        const QDBusObjectPath current("/org/sonvox/track/1");
        call("SetPosition", {QVariant::fromValue(current), 60LL * 1000000});
        call("Seek", {qlonglong(-10) * 1000000});
        QCOMPARE(decoder_->log(),
                 QStringList({"Pause", "Seek 60 185", "Play", "Pause", "Seek 50 185", "Play"}));
        QTRY_COMPARE(log_.seeked, (QList<qlonglong>{60LL * 1000000, 50LL * 1000000}));
    }

    void volumeAndOpening() {
        call("Set", {kPlayer, "Volume", QVariant::fromValue(QDBusVariant(0.5))},
             QStringLiteral("org.freedesktop.DBus.Properties"));
        QCOMPARE(decoder_->log(), QStringList({"SetVolume 50 50 100"}));
        decoder_->postVolume(99);
        decoder_->deliver();
        QCOMPARE(property("Volume").toDouble(), 1.0);
        call("OpenUri", {"file:///music/x%20y.mp3"});
        QCOMPARE(opened_, QStringList({"/music/x y.mp3"}));
    }
};

QTEST_MAIN(TestMpris)
#include "tst_mpris.moc"
