// The player engine driven the way a user and the decoder drive it: real mouse and key
// events on the panel's controls, notifications posted by the fake decoder and delivered
// through the event loop.

#include <QSignalSpy>
#include <QSlider>
#include <QTest>

#include "FakeDecoder.h"
#include "NotificationReceiver.h"
#include "controls/TDigit.h"
#include "controls/TKMVButton.h"
#include "controls/TKmvTrackBar.h"
#include "core/DecoderEvent.h"
#include "core/QueuePlaylist.h"
#include "core/SonvoxError.h"
#include "core/XaudioPlayer.h"
#include "playback/PlayerEngine.h"
#include "playback/PlayerPanel.h"

namespace {

PanelTagText tagOf(const QString& file) {
    return {PanelTagSource::Tag, "Artist of " + file, "Title of " + file, "1998", "Jazz"};
}

QString mmss(int minutes, int seconds) {
    return QStringLiteral("%1:%2")
        .arg(minutes, 2, 10, QChar(u'0'))
        .arg(seconds, 2, 10, QChar(u'0'));
}

}  // namespace

class TestEngine : public QObject {
    Q_OBJECT

    NotificationReceiver receiver_;
    QueuePlaylist playlist_;
    FakeDecoder* decoder_ = nullptr;
    std::unique_ptr<XaudioPlayer> player_;
    std::unique_ptr<PlayerPanel> panel_;
    std::unique_ptr<PlayerEngine> engine_;

    PlayerPanel& p() { return *panel_; }
    PlayerEngine& engine() { return *engine_; }
    QSlider* slider() { return panel_->TrackBar1->findChild<QSlider*>(); }
    int position() { return panel_->TrackBar1->position(); }
    QString elapsed() {
        return mmss(p().SegmentTimePl1Min->value(), p().SegmentTimePl1Sec->value());
    }
    QString remaining() {
        return mmss(p().SegmentRestPl1Min->value(), p().SegmentRestPl1Sec->value());
    }
    // Which lamp shows; exactly one may.
    QString lamp() {
        const bool on = !p().LampeOnPL1->isHidden(), flash = !p().LampeFlashPL1->isHidden(),
                   off = !p().LampeOffPL1->isHidden();
        if (on + flash + off != 1) {
            return QStringLiteral("%1 lamps").arg(on + flash + off);
        }
        return on ? "on" : flash ? "flash" : "off";
    }
    bool playLook() {
        return p().IntLabelpl1->palette().color(QPalette::WindowText) == QColor(0, 255, 0) &&
               p().StereoLab->palette().color(QPalette::WindowText) == QColor(255, 0, 0) &&
               lamp() == "on" && p().PlayUp->IsDown() && !p().PauseUp->IsDown();
    }
    bool stoppedLook() { return lamp() == "off" && p().PauseUp->IsDown() && !p().PlayUp->IsDown(); }

    void deliver(const std::function<void()>& post) {
        post();
        decoder_->deliver();
    }
    // The decoder's answer to OpenInput: duration, stream information, and state 1 when
    // it was told to play.
    void answerLoad(int seconds, bool playing = true) {
        decoder_->postDuration(seconds);
        decoder_->postStreamInfo(1, 3, 128, 44100, 1);
        if (playing) {
            decoder_->postState(1);
        }
        decoder_->deliver();
    }
    // A track taken with NextUp and playing at `at` seconds of `length`; the log cleared.
    void playAt(int length, int at) {
        playlist_.append(QStringLiteral("/m/track.mp3"));
        engine().setNextEnabled(true);
        QTest::mouseClick(p().NextUp, Qt::LeftButton);
        answerLoad(length);
        deliver([&] { decoder_->postElapsed(at); });
        decoder_->clear();
    }
    void pause() {
        QTest::mousePress(p().PauseUp, Qt::LeftButton);
        decoder_->clear();
    }

private slots:
    void init() {
        auto fake = std::make_unique<FakeDecoder>();
        decoder_ = fake.get();
        player_ = std::make_unique<XaudioPlayer>(std::move(fake));
        QCOMPARE(player_->start(&receiver_), 0);
        panel_ = std::make_unique<PlayerPanel>();
        engine_ = std::make_unique<PlayerEngine>(*player_, *panel_, playlist_, tagOf);
        receiver_.engine = engine_.get();
        panel_->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel_.get()));
    }
    void cleanup() {
        receiver_.engine = nullptr;
        engine_.reset();
        panel_.reset();
        player_.reset();
        playlist_.clear();
    }

    void continuousPlayWalksThePlaylistToItsEnd() {
        const QStringList tracks = {"/m/a.mp3", "/m/b.mp3", "/m/c.mp3"};
        playlist_.append(tracks);
        engine().setNextEnabled(true);
        QTest::mouseClick(p().NextUp, Qt::LeftButton);
        QCOMPARE(decoder_->log(), QStringList({"Stop", "OpenInput /m/a.mp3", "Play"}));
        QVERIFY(!p().NextUp->IsDown());
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(engine().currentTrack(), tracks[i]);
            QCOMPARE(playlist_.files(), tracks.mid(i + 1));
            QCOMPARE(p().IntLabelpl1->text(), tagOf(tracks[i]).artist);
            answerLoad(180);
            QVERIFY(engine().state().Playing);
            QVERIFY(playLook());
            decoder_->clear();
            deliver([&] {
                decoder_->postElapsed(179);
                decoder_->postState(3);
            });
            if (i < 2) {
                QCOMPARE(decoder_->log(),
                         QStringList({"Seek 0 0", "OpenInput " + tracks[i + 1], "Play"}));
            }
        }
        // After the third it stays loaded, stopped at its start, with no next track.
        QCOMPARE(decoder_->log(), QStringList({"Seek 0 0"}));
        QCOMPARE(engine().currentTrack(), tracks[2]);
        QVERIFY(!engine().state().Playing);
        QVERIFY(stoppedLook());
        QCOMPARE(position(), 0);
        QCOMPARE(elapsed(), "00:00");
        QCOMPARE(p().SegmentTimePl1Frame->value(), 0);
        QCOMPARE(remaining(), "03:00");
        QVERIFY(!p().NextUp->isEnabled());
    }

    void singlePlayLoadsAndWaits() {
        engine().setPlayMode(PlayMode::Single);
        QVERIFY(!p().ModeAutoPause->isHidden() && p().ModePlaylist->isHidden());
        playlist_.append({"/m/a.mp3", "/m/b.mp3"});
        engine().setNextEnabled(true);
        QTest::mouseClick(p().NextUp, Qt::LeftButton);
        QCOMPARE(decoder_->log(), QStringList({"Stop", "OpenInput /m/a.mp3", "Stop"}));
        answerLoad(120, false);
        QVERIFY(!engine().state().Playing);
        decoder_->clear();
        QTest::mouseClick(p().PlayUp, Qt::LeftButton);
        QCOMPARE(decoder_->log(), QStringList({"Play"}));
        QVERIFY(engine().state().Playing && playLook());

        decoder_->clear();
        deliver([&] { decoder_->postState(3); });
        QCOMPARE(decoder_->log(), QStringList({"Seek 0 0", "OpenInput /m/b.mp3", "Stop"}));
        answerLoad(90, false);
        QCOMPARE(p().TitLabelPl1->text(), tagOf("/m/b.mp3").title);
        QVERIFY(!engine().state().Playing);
        QVERIFY(stoppedLook());
        QCOMPARE(remaining(), "01:30");
    }

    void durationDropsHoursAndMayBeZero() {
        playAt(3725, 0);  // 1 h 2 min 5 s
        QCOMPARE(p().TTLabel->text(), "02:05");
        QCOMPARE(p().TrackBar1->maximum(), 125);
        QCOMPARE(p().TrackBar1->frequency(), 2);
        QCOMPARE(remaining(), "02:05");
        deliver([&] { decoder_->postTimeCode(1, 1, 10); });
        QCOMPARE(elapsed(), "01:10");
        QCOMPARE(position(), 70);
        QCOMPARE(remaining(), "00:55");

        deliver([&] { decoder_->postDuration(0); });
        QCOMPARE(p().TrackBar1->maximum(), 0);
        QCOMPARE(p().TrackBar1->frequency(), 1);
        QCOMPARE(remaining(), "00:00");
    }

    void timerRunsTheThirdFieldAndTheLamp() {
        QSignalSpy firstTick(&engine(), &PlayerEngine::firstTick);
        playAt(100, 69);  // 31 s left: no blinking yet
        engine().Timer1Timer();
        engine().Timer1Timer();
        QCOMPARE(firstTick.count(), 1);
        QCOMPARE(lamp(), "on");
        const TDigit* frame = p().SegmentTimePl1Frame;
        QVERIFY(frame->value() >= 20 && frame->value() <= 28);
        for (int i = 0; i < 8; ++i) {
            engine().Timer1Timer();
        }
        QVERIFY(frame->value() >= 100 && frame->value() <= 108);  // shown as 00 to 08
        QCOMPARE(engine().state().TickCount, 0);

        deliver([&] { decoder_->postElapsed(71); });  // 29 s left
        QStringList seen;
        for (int i = 0; i < 4; ++i) {
            engine().Timer1Timer();
            seen.append(lamp());
        }
        QCOMPARE(seen, QStringList({"flash", "on", "flash", "on"}));
        engine().Timer1Timer();
        pause();
        QCOMPARE(lamp(), "off");
        engine().Timer1Timer();
        QCOMPARE(lamp(), "off");
    }

    void fastSeekStopsAtBothEnds() {
        playAt(100, 99);
        QTest::mousePress(p().ForwardUp, Qt::LeftButton);
        QVERIFY(p().ForwardUp->IsDown() && engine().state().Positioning);
        engine().Timer1Timer();
        engine().Timer1Timer();
        QCOMPARE(decoder_->log(), QStringList({"Seek 100 100", "Seek 100 100"}));
        QCOMPARE(remaining(), "00:00");
        deliver([&] { decoder_->postTimeCode(0, 0, 3); });  // dropped while held
        QCOMPARE(position(), 100);
        QTest::mouseRelease(p().ForwardUp, Qt::LeftButton);
        QVERIFY(!p().ForwardUp->IsDown() && !engine().state().Positioning);

        deliver([&] { decoder_->postTimeCode(0, 0, 1); });
        decoder_->clear();
        QTest::mousePress(p().BackwardUp, Qt::LeftButton);
        engine().Timer1Timer();
        engine().Timer1Timer();
        QCOMPARE(decoder_->log(), QStringList({"Seek 0 100", "Seek 0 100"}));
        QCOMPARE(elapsed(), "00:00");
        QTest::mouseRelease(p().BackwardUp, Qt::LeftButton);
        QVERIFY(engine().state().Playing);

        // Paused, the button only holds the notifications off.
        pause();
        QTest::mousePress(p().ForwardUp, Qt::LeftButton);
        engine().Timer1Timer();
        deliver([&] { decoder_->postTimeCode(0, 0, 50); });
        QVERIFY(decoder_->isEmpty());
        QCOMPARE(position(), 0);
        QTest::mouseRelease(p().ForwardUp, Qt::LeftButton);
        deliver([&] { decoder_->postTimeCode(0, 0, 50); });
        QCOMPARE(position(), 50);
    }

    void draggingTheBar_data() {
        QTest::addColumn<bool>("playing");
        QTest::newRow("playing") << true;
        QTest::newRow("paused") << false;
    }
    void draggingTheBar() {
        QFETCH(bool, playing);
        playAt(200, 20);
        if (!playing) {
            pause();
        }
        const QPoint from = slider()->mapFrom(p().TrackBar1, p().TrackBar1->thumbRect().center());
        QTest::mousePress(slider(), Qt::LeftButton, {}, from);
        QTest::mouseMove(slider(), from + QPoint(60, 0));
        QTest::mouseMove(slider(), from + QPoint(120, 0));
        const int at = position();
        QVERIFY(at > 60 && engine().state().Positioning);
        QCOMPARE(elapsed(), mmss(at / 60, at % 60));
        QCOMPARE(remaining(), mmss((200 - at) / 60, (200 - at) % 60));
        deliver([&] {  // what the decoder says meanwhile is lost
            decoder_->postTimeCode(0, 0, 21);
            decoder_->postState(playing ? 2 : 1);
        });
        QCOMPARE(position(), at);
        QCOMPARE(lamp(), playing ? "on" : "off");

        QTest::mouseRelease(slider(), Qt::LeftButton, {}, from + QPoint(120, 0));
        QStringList expected = {"Pause", QStringLiteral("Seek %1 200").arg(at)};
        if (playing) {
            expected.append("Play");
        }
        QCOMPARE(decoder_->log(), expected);
        QVERIFY(!engine().state().Positioning);
    }

    void keyboardMoveSeeksWhenTheKeyIsReleased() {
        playAt(200, 10);
        slider()->setFocus();
        QTest::keyPress(slider(), Qt::Key_Right);
        QCOMPARE(elapsed(), "00:11");
        QVERIFY(engine().state().Positioning);
        QTest::keyRelease(slider(), Qt::Key_Right);
        QCOMPARE(decoder_->log(), QStringList({"Pause", "Seek 11 200", "Play"}));
        QVERIFY(!engine().state().Positioning);
        deliver([&] { decoder_->postTimeCode(0, 0, 12); });  // the display follows again
        QCOMPARE(elapsed(), "00:12");
    }

    void stopAndRestart() {
        playAt(150, 60);
        QTest::mouseClick(p().PrevUp, Qt::LeftButton);
        QCOMPARE(decoder_->log(), QStringList({"Stop"}));
        QCOMPARE(elapsed(), "00:00");
        QCOMPARE(remaining(), "02:30");
        QVERIFY(!engine().state().Playing && lamp() == "off");

        QTest::mousePress(p().PlayUp, Qt::LeftButton);
        decoder_->clear();
        QTest::mouseClick(p().AnfangUp, Qt::LeftButton);  // playing: from the beginning
        QCOMPARE(decoder_->log(), QStringList({"Stop", "Seek 0 0", "Play"}));

        deliver([&] { decoder_->postElapsed(30); });
        pause();
        QTest::mouseClick(p().AnfangUp, Qt::LeftButton);  // paused: back to 0, stopped
        QCOMPARE(decoder_->log(), QStringList({"Stop", "Seek 0 0"}));
        QCOMPARE(position(), 0);
        QCOMPARE(elapsed(), "00:00");
        QCOMPARE(remaining(), "02:30");
        QVERIFY(!engine().state().Playing);
    }

    void playWithNoTrackAsksForTheLoadDialog() {
        QVERIFY(stoppedLook() && !p().NextUp->isEnabled());
        QSignalSpy spy(&engine(), &PlayerEngine::loadTracksRequested);
        QTest::mousePress(p().PlayUp, Qt::LeftButton);
        QCOMPARE(spy.count(), 1);
        QVERIFY(decoder_->isEmpty());
        QVERIFY(stoppedLook() && !engine().state().Playing);
        QSignalSpy end(&engine(), &PlayerEngine::endReceived);
        deliver([&] {
            decoder_->postState(7);  // not a state: nothing changes
            decoder_->postEnd();
        });
        QVERIFY(stoppedLook());
        QCOMPARE(end.count(), 1);
    }

    void streamInformation_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("mpeg");
        QTest::addColumn<QString>("khz");
        QTest::addColumn<QString>("stereo");
        QTest::newRow("stereo") << 1 << 44100 << 0 << "1"
                                << "44"
                                << "Stereo";
        QTest::newRow("joint stereo") << 2 << 22050 << 1 << "2"
                                      << "22"
                                      << "Stereo";
        QTest::newRow("dual channel") << 1 << 48000 << 2 << "1"
                                      << "48"
                                      << "Mono";
        QTest::newRow("mono, MPEG-2.5") << 25 << 8000 << 3 << "2.5"
                                        << "8"
                                        << "Mono";
    }
    void streamInformation() {
        QFETCH(int, version);
        QFETCH(int, rate);
        QFETCH(int, mode);
        QSignalSpy shown(&engine(), &PlayerEngine::streamInfoShown);
        QSignalSpy cover(&engine(), &PlayerEngine::coverRefreshRequested);
        engine().setCurrentTrack("/m/x.mp3");
        deliver([&] { decoder_->postStreamInfo(version, 2, 320, rate, mode); });
        QTEST(p().MPEG->text(), "mpeg");
        QCOMPARE(p().Layer->text(), "2");
        QCOMPARE(p().kbps->text(), "320");
        QTEST(p().kHz->text(), "khz");
        QTEST(p().StereoLab->text(), "stereo");
        QVERIFY(engine().trackLoaded());
        QTEST(shown.at(0).at(0).toString(), "mpeg");
        QCOMPARE(shown.at(0).at(4).toInt(), mode);  // the info window says "Stereo" for 1 only
        QCOMPARE(cover.at(0).at(0).toString(), "/m/x.mp3");
    }

    void longNamesReachTheDecoderWhole() {
        const QString name = "/music/" + QString(150, u'x') + ".mp3";
        playlist_.append(name);
        engine().setNextEnabled(true);
        QTest::mouseClick(p().NextUp, Qt::LeftButton);
        QCOMPARE(decoder_->commands().at(1).text, name);
        QCOMPARE(p().IntLabelpl1->text(), tagOf(name).artist);
    }

    void failedTagReadStillTakesTheRow() {
        engine_ = std::make_unique<PlayerEngine>(
            *player_, *panel_, playlist_,
            [](const QString& f) -> PanelTagText { throw SonvoxError("read error " + f); });
        receiver_.engine = engine_.get();
        playlist_.append({"/m/bad.mp3", "/m/b.mp3"});
        engine().setNextEnabled(true);
        engine().start();
        QVERIFY_THROWS_EXCEPTION(SonvoxError, engine().NextUpClick());
        QCOMPARE(engine().currentTrack(), "/m/bad.mp3");
        QCOMPARE(playlist_.files(), QStringList({"/m/b.mp3"}));
        QVERIFY(engine().timer().isActive() && p().NextUp->isEnabled());
        engine().timer().stop();
    }
};

QTEST_MAIN(TestEngine)
#include "tst_engine.moc"
