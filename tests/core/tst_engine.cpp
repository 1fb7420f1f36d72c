// The player engine without a window, driven by scripts: commands as the panel, the keys
// and the lists send them, notifications as the decoder posts them (through the event
// loop, stamped with their load number). A script is a list of steps separated by ";"; a
// step "? key=value & key=value" checks what the engine shows at that point. After every
// step a mirror built only from displayChanged() must equal the engine's display, so a
// view that repaints only the parts it is told about never falls behind.
//
// Steps: queue FILES | next | load SECONDS (the decoder's answer to OpenInput) | loadfile F
//   | switch F | mode single|continuous | play | pause | stop | restart | ffdown | ffup
//   | fbdown | fbup | bar SECONDS | release | seek SECONDS | tick [N] | clear (the log)
//   | state N | duration N | time SECONDS | tc H M S | info V L KBPS HZ MODE | failed REASON
//   | stale NOTIFICATION... (the same, stamped with the previous load's number)
// File names are short: "a" stands for /m/a.mp3.

#include <QSignalSpy>
#include <QTest>

#include "FakeDecoder.h"
#include "NotificationReceiver.h"
#include "core/DecoderEvent.h"
#include "core/PlayerEngine.h"
#include "core/QueuePlaylist.h"
#include "core/SonvoxError.h"
#include "core/XaudioPlayer.h"

namespace {

QString path(const QString& shortName) {
    return "/m/" + shortName + ".mp3";
}
QString shortName(QString file) {
    return file.remove(QStringLiteral("/m/")).remove(QStringLiteral(".mp3"));
}

PanelTagText tagOf(const QString& file) {
    return {PanelTagSource::Tag, "Artist of " + shortName(file), "Title of " + shortName(file),
            "1998", "Jazz"};
}

QString mmss(int minutes, int seconds) {
    return QStringLiteral("%1:%2")
        .arg(minutes, 2, 10, QChar(u'0'))
        .arg(seconds, 2, 10, QChar(u'0'));
}

// What a view holds after rendering `parts` of `d`.
void render(PlayerDisplay& view, const PlayerDisplay& d, unsigned parts) {
    using P = PlayerDisplay;
    if (parts & P::TagPart)
        view.tag = d.tag;
    if (parts & P::StreamPart)
        view.stream = d.stream;
    if (parts & P::LengthPart) {
        view.length = d.length;
        view.frequency = d.frequency;
        view.lengthText = d.lengthText;
    }
    if (parts & P::PositionPart)
        view.position = d.position;
    if (parts & P::TimePart) {
        view.elapsedMinutes = d.elapsedMinutes;
        view.elapsedSeconds = d.elapsedSeconds;
        view.remainingMinutes = d.remainingMinutes;
        view.remainingSeconds = d.remainingSeconds;
    }
    if (parts & P::ThirdPart)
        view.thirdField = d.thirdField;
    if (parts & P::LampPart)
        view.lamp = d.lamp;
    if (parts & P::LookPart)
        view.playLook = d.playLook;
    if (parts & P::TransportPart) {
        view.playDown = d.playDown;
        view.forwardHeld = d.forwardHeld;
        view.backwardHeld = d.backwardHeld;
    }
    if (parts & P::NextPart)
        view.nextEnabled = d.nextEnabled;
    if (parts & P::ModePart)
        view.playMode = d.playMode;
}

bool sameDisplay(const PlayerDisplay& a, const PlayerDisplay& b) {
    return a.tag.artist == b.tag.artist && a.tag.title == b.tag.title && a.tag.year == b.tag.year &&
           a.tag.genre == b.tag.genre && a.stream == b.stream && a.lengthText == b.lengthText &&
           a.length == b.length && a.frequency == b.frequency && a.position == b.position &&
           a.elapsedMinutes == b.elapsedMinutes && a.elapsedSeconds == b.elapsedSeconds &&
           a.remainingMinutes == b.remainingMinutes && a.remainingSeconds == b.remainingSeconds &&
           a.thirdField == b.thirdField && a.lamp == b.lamp && a.playLook == b.playLook &&
           a.playDown == b.playDown && a.forwardHeld == b.forwardHeld &&
           a.backwardHeld == b.backwardHeld && a.nextEnabled == b.nextEnabled &&
           a.playMode == b.playMode;
}

}  // namespace

class TestEngine : public QObject {
    Q_OBJECT

    NotificationReceiver receiver_;
    QueuePlaylist playlist_;
    FakeDecoder* decoder_ = nullptr;
    std::unique_ptr<XaudioPlayer> player_;
    std::unique_ptr<PlayerEngine> engine_;
    PlayerDisplay mirror_;
    QStringList failed_;
    QStringList errors_;
    int asked_ = 0;
    int ranOut_ = 0;

    PlayerEngine& engine() { return *engine_; }

    void makeEngine(PlayerEngine::TagReader reader) {
        engine_ = std::make_unique<PlayerEngine>(*player_, playlist_, std::move(reader));
        receiver_.engine = engine_.get();
        mirror_ = engine_->display();
        connect(engine_.get(), &PlayerEngine::displayChanged, this,
                [this](unsigned parts) { render(mirror_, engine_->display(), parts); });
        connect(engine_.get(), &PlayerEngine::trackFailed, this,
                [this](const QString& file, int reason) {
                    failed_.append(shortName(file) + ":" + QString::number(reason));
                });
        connect(engine_.get(), &PlayerEngine::errorOccurred, this,
                [this](const QString& message) { errors_.append(message); });
        connect(engine_.get(), &PlayerEngine::loadTracksRequested, this, [this] { ++asked_; });
        connect(engine_.get(), &PlayerEngine::playlistRanOut, this, [this] { ++ranOut_; });
    }

    QString field(const QString& key) {
        const PlayerDisplay& d = engine().display();
        const PlayerState& s = engine().state();
        if (key == "log") {
            QStringList log = decoder_->log();
            for (QString& line : log) {
                line = shortName(line);
            }
            return log.join(',');
        }
        if (key == "playing")
            return QString::number(s.Playing);
        if (key == "positioning")
            return QString::number(s.Positioning);
        if (key == "track")
            return shortName(s.CurrentTrack);
        if (key == "queue") {
            QStringList names;
            for (const QString& f : playlist_.files())
                names.append(shortName(f));
            return names.join(' ');
        }
        if (key == "look")
            return d.playLook ? "play" : "pause";
        if (key == "lamp")
            return d.lamp == Lamp::On ? "on" : d.lamp == Lamp::Flash ? "flash" : "off";
        if (key == "buttons")
            return d.playDown ? "play" : "pause";
        if (key == "held") {
            const FastSeek f = engine().fastSeek();
            return f == FastSeek::Forward    ? "forward"
                   : f == FastSeek::Backward ? "backward"
                                             : "none";
        }
        if (key == "bar")
            return QStringLiteral("%1/%2").arg(d.position).arg(d.length);
        if (key == "freq")
            return QString::number(d.frequency);
        if (key == "length")
            return d.lengthText;
        if (key == "elapsed")
            return mmss(d.elapsedMinutes, d.elapsedSeconds);
        if (key == "remaining")
            return mmss(d.remainingMinutes, d.remainingSeconds);
        if (key == "third")
            return QString::number(d.thirdField);
        if (key == "artist")
            return d.tag.artist;
        if (key == "title")
            return d.tag.title;
        if (key == "stream") {
            return QStringList{d.stream.mpeg, d.stream.layer, d.stream.kbps, d.stream.khz,
                               d.stream.stereo}
                .join('/');
        }
        if (key == "next")
            return QString::number(d.nextEnabled);
        if (key == "mode")
            return d.playMode == PlayMode::Single ? "single" : "continuous";
        if (key == "loaded")
            return QString::number(engine().trackLoaded());
        if (key == "asked")
            return QString::number(asked_);
        if (key == "ranout")
            return QString::number(ranOut_);
        if (key == "failed")
            return failed_.join(' ');
        if (key == "errors")
            return QString::number(errors_.size());
        qFatal("unknown key %s", qPrintable(key));
    }

    void notify(const QStringList& w, bool stale) {
        const QString& what = w[0];
        auto n = [&w](int i) { return w.value(i).toInt(); };
        DecoderEvent* e = nullptr;
        if (what == "state")
            e = DecoderEvent::state(n(1));
        else if (what == "duration")
            e = DecoderEvent::duration(n(1));
        else if (what == "time")
            e = DecoderEvent::timeCode(n(1) / 3600, n(1) / 60 % 60, n(1) % 60);
        else if (what == "tc")
            e = DecoderEvent::timeCode(n(1), n(2), n(3));
        else if (what == "info")
            e = DecoderEvent::streamInfo(n(1), n(2), n(3), n(4), n(5));
        else if (what == "failed")
            e = DecoderEvent::trackFailed(decoder::FailReason(n(1)));
        else
            qFatal("unknown step %s", qPrintable(w.join(' ')));
        if (stale) {
            decoder_->postAs(player_->loadNumber() - 1, e);
        } else {
            decoder_->post(e);
        }
        decoder_->deliver();
    }

    void step(const QString& text) {
        QStringList w = text.split(' ', Qt::SkipEmptyParts);
        const QString what = w.value(0);
        if (what == "queue") {
            for (const QString& f : w.mid(1))
                playlist_.append(path(f));
            engine().setNextEnabled(true);
        } else if (what == "next")
            engine().NextUpClick();
        else if (what == "load") {
            decoder_->postDuration(w[1].toInt());
            decoder_->postStreamInfo(1, 3, 128, 44100, 1);
            if (engine().playMode() == PlayMode::Continuous)
                decoder_->postState(1);
            decoder_->deliver();
        } else if (what == "loadfile")
            engine().loadTrack(path(w[1]));
        else if (what == "switch")
            engine().switchToTrack(path(w[1]));
        else if (what == "mode")
            engine().setPlayMode(w[1] == "single" ? PlayMode::Single : PlayMode::Continuous);
        else if (what == "play")
            engine().PlayUpMouseDown();
        else if (what == "pause")
            engine().PauseUpMouseDown();
        else if (what == "stop")
            engine().PrevUpClick();
        else if (what == "restart")
            engine().AnfangUpClick();
        else if (what == "ffdown")
            engine().ForwardUpMouseDown();
        else if (what == "ffup")
            engine().ForwardUpMouseUp();
        else if (what == "fbdown")
            engine().BackwardUpMouseDown();
        else if (what == "fbup")
            engine().BackwardUpMouseUp();
        else if (what == "bar")
            engine().TrackBar1Change(w[1].toInt());
        else if (what == "release")
            engine().TrackBar1MouseUp();
        else if (what == "seek")
            engine().seekTo(w[1].toInt());
        else if (what == "tick") {
            for (int i = 0; i < qMax(1, w.value(1).toInt()); ++i)
                engine().Timer1Timer();
        } else if (what == "clear")
            decoder_->clear();
        else if (what == "stale")
            notify(w.mid(1), true);
        else
            notify(w, false);
    }

private slots:
    void init() {
        auto fake = std::make_unique<FakeDecoder>();
        decoder_ = fake.get();
        player_ = std::make_unique<XaudioPlayer>(std::move(fake));
        QCOMPARE(player_->start(&receiver_), 0);
        makeEngine(tagOf);
    }
    void cleanup() {
        receiver_.engine = nullptr;
        engine_.reset();
        player_.reset();
        playlist_.clear();
        failed_.clear();
        errors_.clear();
        asked_ = ranOut_ = 0;
    }

    void scripts_data() {
        QTest::addColumn<QString>("script");
        const char* const at180 = "queue a b; next; load 180";
        auto row = [](const char* name, const QString& script) { QTest::newRow(name) << script; };
        row("at start",
            "? look=pause & lamp=off & buttons=pause & next=0 & bar=0/0 & mode=continuous & "
            "loaded=0");
        row("play with no track asks for the load dialog",
            "play; ? asked=1 & log= & look=pause & playing=0; state 7; ? buttons=pause");
        row("continuous play walks the playlist",
            "queue a b c; next; ? log=Stop,OpenInput a,Play & track=a & queue=b c & artist=Artist "
            "of a;"
            "load 180; ? playing=1 & look=play & lamp=on & buttons=play & length=03:00 & "
            "remaining=03:00 & loaded=1;"
            "clear; time 179; state 3; ? log=Seek 0 0,OpenInput b,Play & track=b & queue=c;"
            "load 180; clear; state 3; ? track=c & queue= & next=0;"
            "load 180; clear; time 100; tick; state 3;"
            "? log=Seek 0 0 & track=c & playing=0 & look=pause & lamp=off & buttons=pause & "
            "bar=0/180"
            " & elapsed=00:00 & remaining=03:00 & third=0 & next=0 & ranout=1");
        row("single play loads and waits",
            "mode single; queue a b; next; ? log=Stop,OpenInput a,Stop & mode=single;"
            "load 120; ? playing=0 & look=pause; clear; play; ? log=Play & playing=1 & look=play;"
            "clear; state 3; ? log=Seek 0 0,OpenInput b,Stop & title=Title of b;"
            "load 90; ? playing=0 & look=pause & buttons=pause & remaining=01:30");
        row("a load in single play clears Playing",
            QString(at180) +
                "; mode single; clear; loadfile x; ? log=OpenInput x,Stop & playing=0 & track=x");
        row("switching replaces what is loaded",
            QString(at180) + "; clear; switch x; ? log=Stop,OpenInput x,Play & track=x & queue=b");
        row("states 0 and 2 show the pause look, Playing stays",
            QString(at180) +
                "; state 2; ? buttons=pause & look=pause & lamp=off & playing=1;"
                "state 1; ? buttons=play & look=play; state 0; ? buttons=pause & playing=1");
        row("duration drops hours and may be 0",
            "queue a; next; load 3725; ? length=02:05 & bar=0/125 & freq=2 & remaining=02:05;"
            "tc 1 1 10; ? elapsed=01:10 & bar=70/125 & remaining=00:55;"
            "duration 0; ? bar=0/0 & freq=1 & remaining=00:00 & length=00:00");
        row("the lamp blinks below 30 seconds left",
            "queue a; next; load 100; time 70; tick; ? lamp=on; time 71; tick; ? lamp=flash;"
            "tick; ? lamp=on; tick; ? lamp=flash; pause; ? lamp=off; tick; ? lamp=off");
        row("fast forward stops at the end",
            "queue a; next; load 100; time 99; clear; ffdown; tick 2;"
            "? log=Seek 100 100,Seek 100 100 & remaining=00:00 & positioning=1 & held=forward;"
            "tc 0 0 3; ? bar=100/100; ffup; ? held=none & positioning=0 & playing=1");
        row("fast backward stops at the start",
            "queue a; next; load 100; time 1; clear; fbdown; tick 2;"
            "? log=Seek 0 100,Seek 0 100 & elapsed=00:00 & held=backward; fbup; ? playing=1");
        row("paused, fast seek only holds notifications off",
            "queue a; next; load 100; pause; clear; ffdown; tick; tc 0 0 50; ? log= & bar=0/100;"
            "ffup; tc 0 0 50; ? bar=50/100");
        row("dragging the bar while playing",
            "queue a; next; load 200; time 20; clear; bar 80; tc 0 0 21; state 2;"
            "? bar=80/200 & elapsed=01:20 & remaining=02:00 & lamp=on & positioning=1;"
            "release; ? log=Pause,Seek 80 200,Play & positioning=0; release; ? log=Pause,Seek 80 "
            "200,Play");
        row("dragging the bar while paused",
            "queue a; next; load 200; pause; clear; bar 300; state 1; ? bar=200/200 & lamp=off;"
            "release; ? log=Pause,Seek 200 200");
        row("seek to",
            QString(at180) +
                "; clear; seek 42; ? log=Pause,Seek 42 180,Play & elapsed=00:42 & positioning=0");
        row("stop and restart",
            "queue a; next; load 150; time 60; clear; stop;"
            "? log=Stop & elapsed=00:00 & remaining=02:30 & playing=0 & lamp=off;"
            "play; clear; restart; ? log=Stop,Seek 0 0,Play;"
            "time 30; pause; clear; restart; ? log=Stop,Seek 0 0 & bar=0/150 & elapsed=00:00 & "
            "remaining=02:30 & playing=0");
        row("the third field runs while playing",
            "queue a; next; load 100; tick 3; stop; ? third=0");
        row("stream information",
            "info 25 2 320 8000 3; ? stream=2.5/2/320/8/Mono & loaded=1;"
            "info 2 1 32 22050 1; ? stream=2/1/32/22/Stereo; info 1 3 128 48000 2; ? "
            "stream=1/3/128/48/Mono;"
            "info 1 3 128 44100 0; ? stream=1/3/128/44/Stereo");
        // Faults mended.
        row("an end while fast forward is held is acted on at the release, once",
            "queue a b; next; load 100; time 99; ffdown; clear; tick; state 3; ? log=Seek 100 100 "
            "& track=a;"
            "ffup; ? log=Seek 100 100,Seek 0 0,OpenInput b,Play & track=b & positioning=0;"
            "ffdown; ffup; ? log=Seek 100 100,Seek 0 0,OpenInput b,Play");
        row("an end while the bar is held is acted on at the release",
            "queue a b; next; load 100; bar 50; clear; state 3; ? track=a;"
            "release; ? log=Pause,Seek 50 100,Play,Seek 0 0,OpenInput b,Play & track=b");
        row("an end kept while positioning is dropped by a new load",
            "queue a b c; next; load 100; ffdown; state 3; next; ffup; ? track=b & queue=c");
        row("notifications of a replaced track are dropped",
            "queue a b c; next; load 100; clear; next; ? log=Stop,OpenInput b,Play;"
            "stale state 3; stale duration 50; stale tc 0 0 40; stale info 2 2 64 22050 3; stale "
            "failed 1;"
            "? track=b & queue=c & log=Stop,OpenInput b,Play & stream=1/3/128/44/Stereo & failed=;"
            "load 120; ? remaining=02:00; state 3; ? track=c");
        row("a track that cannot be opened shows its tag and no stream, then the next plays",
            "queue a bad b; next; load 180; time 50; clear; state 3; ? track=bad & artist=Artist "
            "of bad;"
            "failed 1; ? stream=//// & length= & bar=0/0 & elapsed=00:00 & remaining=00:00 & "
            "failed=bad:1"
            " & artist=Artist of bad & loaded=1;"
            "state 3; ? track=b & log=Seek 0 0,OpenInput bad,Play,Seek 0 0,OpenInput b,Play");
        row("a track that cannot be opened in single play loads the next",
            "mode single; queue bad b; next; failed 2; state 3; ? track=b & failed=bad:2 & "
            "playing=0");
        row("a failed last track runs the playlist out",
            "queue bad; next; failed 1; state 3; ? ranout=1 & next=0 & failed=bad:1 & track=bad");
    }
    void scripts() {
        QFETCH(QString, script);
        for (const QString& raw : script.split(';')) {
            const QString text = raw.trimmed();
            if (text.startsWith('?')) {
                for (const QString& check : text.mid(1).split('&')) {
                    const QString key = check.section('=', 0, 0).trimmed();
                    const QString want = check.section('=', 1).trimmed();
                    QCOMPARE(QString(key + '=' + field(key)), QString(key + '=' + want));
                }
            } else {
                step(text);
            }
            QVERIFY2(sameDisplay(mirror_, engine().display()),
                     qPrintable("the view fell behind after: " + text));
        }
    }

    void streamInformationGoesToTheOtherWindows() {
        QSignalSpy shown(&engine(), &PlayerEngine::streamInfoShown);
        QSignalSpy cover(&engine(), &PlayerEngine::coverRefreshRequested);
        engine().setCurrentTrack("/m/x.mp3");
        step("info 1 2 320 44100 1");
        QCOMPARE(shown.at(0), (QVariantList{"1", "2", "320", "44", 1}));
        QCOMPARE(cover.at(0).at(0).toString(), "/m/x.mp3");
    }

    void timerTicksAndWrapsTheThirdField() {
        QSignalSpy firstTick(&engine(), &PlayerEngine::firstTick);
        for (const char* s : {"queue a", "next", "load 100", "time 10"}) {
            step(s);
        }
        step("tick 2");
        QCOMPARE(firstTick.count(), 1);
        const int third = engine().display().thirdField;
        QVERIFY(third >= 20 && third <= 28);
        step("tick 8");
        QVERIFY(engine().display().thirdField >= 100 && engine().display().thirdField <= 108);
        QCOMPARE(engine().state().TickCount, 0);
    }

    void soundCommandsGoToTheDecoder() {
        QSignalSpy balance(&engine(), &PlayerEngine::balanceReported);
        QSignalSpy volume(&engine(), &PlayerEngine::volumeReported);
        engine().requestVolumeReport();
        engine().setVolume(30, 70);
        engine().setMuted(true);
        engine().setMuted(false);
        engine().setStereo(false);
        engine().setStereo(true);
        engine().quit();
        QCOMPARE(decoder_->log(),
                 QStringList({"VolumeWindowCommand", "SetVolume 30 70 100", "Mute", "Unmute",
                              "SetChannels 0", "SetChannels 1", "Stop", "Quit"}));
        decoder_->postBalance(30);
        decoder_->postVolume(70);
        decoder_->postAs(99, DecoderEvent::end());  // belongs to no track
        QSignalSpy end(&engine(), &PlayerEngine::endReceived);
        decoder_->deliver();
        QCOMPARE(balance.at(0).at(0).toInt(), 30);
        QCOMPARE(volume.at(0).at(0).toInt(), 70);
        QCOMPARE(end.count(), 1);
    }

    void longNamesReachTheDecoderWhole() {
        const QString name = "/music/" + QString(150, u'x') + ".mp3";
        playlist_.append(name);
        engine().NextUpClick();
        QCOMPARE(decoder_->commands().at(1).text, name);
        QCOMPARE(engine().display().tag.artist, tagOf(name).artist);
    }

    void anUnreadableTagIsReportedAndTheRowStillTaken() {
        makeEngine([](const QString& f) -> PanelTagText { throw SonvoxError("read error " + f); });
        playlist_.append({"/m/bad.mp3", "/m/b.mp3"});
        engine().setNextEnabled(true);
        engine().start();
        engine().NextUpClick();
        QCOMPARE(errors_, QStringList({"read error /m/bad.mp3"}));
        QCOMPARE(engine().currentTrack(), "/m/bad.mp3");
        QCOMPARE(playlist_.files(), QStringList({"/m/b.mp3"}));
        QVERIFY(engine().timer().isActive() && engine().display().nextEnabled);
        engine().timer().stop();
    }
};

QTEST_GUILESS_MAIN(TestEngine)
#include "tst_engine.moc"
