// The player panel: every control in its place at its fixed size, the momentary buttons'
// pressed look, the mode menu's right click, and the panel as a view of the engine: real
// mouse and key events become engine commands, and what the engine shows is rendered.

#include <QFrame>
#include <QSignalSpy>
#include <QTest>

#include <QAccessible>
#include <QSlider>

#include "FakeDecoder.h"
#include "NotificationReceiver.h"
#include "controls/TDigit.h"
#include "controls/TKMVButton.h"
#include "controls/TKmvTrackBar.h"
#include "core/PlayerEngine.h"
#include "core/QueuePlaylist.h"
#include "core/XaudioPlayer.h"
#include "playback/PlayerPanel.h"

namespace {

// A panel showing an engine that runs against the fake decoder.
struct Rig {
    NotificationReceiver receiver;
    QueuePlaylist playlist;
    FakeDecoder* decoder;
    XaudioPlayer player;
    PlayerEngine engine;
    PlayerPanel panel;

    Rig()
        : decoder(new FakeDecoder),
          player(std::unique_ptr<FakeDecoder>(decoder)),
          engine(player, playlist, [](const QString& f) {
              return PanelTagText{PanelTagSource::Tag, "Artist " + f, "Title " + f, "1998", "Jazz"};
          }) {
        player.start(&receiver);
        receiver.engine = &engine;
        panel.setEngine(&engine);
        panel.show();
    }
    // A track taken with NextUp, answered, and playing at `at` seconds of `length`.
    void playAt(int length, int at) {
        playlist.append(QStringLiteral("/m/a.mp3"));
        engine.setNextEnabled(true);
        QTest::mouseClick(panel.NextUp, Qt::LeftButton);
        decoder->postDuration(length);
        decoder->postStreamInfo(1, 3, 128, 44100, 0);
        decoder->postState(1);
        decoder->postElapsed(at);
        decoder->deliver();
        decoder->clear();
    }
    QSlider* slider() { return panel.TrackBar1->findChild<QSlider*>(); }
    QString lamp() const {
        const Glyphs::Lamp shown = panel.shownLamp();
        if (panel.LampPL1->isHidden()) {
            return QStringLiteral("no lamp");
        }
        return shown == Glyphs::Lamp::LampeOnPL1      ? "on"
               : shown == Glyphs::Lamp::LampeFlashPL1 ? "flash"
                                                      : "off";
    }
    QString times() const {
        auto two = [](const TDigit* d) {
            return QStringLiteral("%1").arg(d->value(), 2, 10, QChar(u'0'));
        };
        return two(panel.SegmentTimePl1Min) + ":" + two(panel.SegmentTimePl1Sec) + " -" +
               two(panel.SegmentRestPl1Min) + ":" + two(panel.SegmentRestPl1Sec);
    }
    bool playLook() const {
        return panel.IntLabelpl1->palette().color(QPalette::WindowText) == QColor(0, 255, 0) &&
               panel.StereoLab->palette().color(QPalette::WindowText) == QColor(255, 0, 0) &&
               lamp() == "on" && panel.PlayUp->IsDown() && !panel.PauseUp->IsDown();
    }
    bool pauseLook() const {
        return panel.IntLabelpl1->palette().color(QPalette::WindowText) == QColor(128, 128, 128) &&
               lamp() == "off" && panel.PauseUp->IsDown() && !panel.PlayUp->IsDown();
    }
};

}  // namespace

class TestPlayerPanel : public QObject {
    Q_OBJECT

private slots:
    void controlsHaveTheirSizesAndDoNotOverlap() {
        PlayerPanel p;
        QCOMPARE(p.size(), QSize(315, 201));
        for (TKMVButton* b : {p.PrevUp, p.BackwardUp, p.ForwardUp, p.PauseUp}) {
            QCOMPARE(b->size(), QSize(37, 24));
        }
        for (TKMVButton* b : {p.AnfangUp, p.NextUp, p.MonitorPL1}) {
            QCOMPARE(b->size(), QSize(24, 24));
        }
        QCOMPARE(p.PlayUp->size(), QSize(64, 24));
        QCOMPARE(p.InfoUp->size(), QSize(40, 24));
        QCOMPARE(p.OpenButton->size(), QSize(41, 33));
        QCOMPARE(p.Button1->size(), QSize(41, 33));
        QCOMPARE(p.TrackBar1->size(), QSize(301, 22));
        QCOMPARE(p.SegmentTimePl1Min->size(), QSize(36, 27));  // two digits and the colon
        QCOMPARE(p.SegmentTimePl1Frame->size(), QSize(33, 27));

        // Every control but the strips lies inside the panel and overlaps no other one,
        // except the images that share one place.
        QList<QWidget*> leaves;
        for (QWidget* w : p.findChildren<QWidget*>()) {
            const bool strip = qobject_cast<QFrame*>(w) && !qobject_cast<QLabel*>(w);
            if (!strip && !qobject_cast<TKmvTrackBar*>(w->parentWidget())) {
                leaves.append(w);
            }
        }
        auto area = [&p](QWidget* w) { return QRect(w->mapTo(&p, QPoint(0, 0)), w->size()); };
        const QList<QWidget*> modes = {p.ModeAutoPause, p.ModePlaylist};
        for (QWidget* a : leaves) {
            QVERIFY(p.rect().contains(area(a)));
            for (QWidget* b : leaves) {
                const bool shared = modes.contains(a) && modes.contains(b);
                if (a != b && !a->isAncestorOf(b) && !b->isAncestorOf(a) && !shared) {
                    QVERIFY2(!area(a).intersects(area(b)),
                             qPrintable(a->toolTip() + " / " + b->toolTip()));
                }
            }
        }
    }

    void momentaryButtonsAndTheModeMenu() {
        PlayerPanel p;
        p.show();
        QVERIFY(QTest::qWaitForWindowExposed(&p));
        for (TKMVButton* button : {p.AnfangUp, p.PrevUp, p.MonitorPL1, p.OpenButton, p.Button1}) {
            QTest::mousePress(button, Qt::LeftButton);
            QVERIFY(button->IsDown());
            QTest::mouseRelease(button, Qt::LeftButton);
            QVERIFY(!button->IsDown());
        }
        QTest::mousePress(p.PlayUp, Qt::LeftButton);  // latched buttons are the engine's
        QVERIFY(!p.PlayUp->IsDown());
        QTest::mouseRelease(p.PlayUp, Qt::LeftButton);

        QSignalSpy menu(&p, &PlayerPanel::modeMenuRequested);
        QTest::mouseClick(p.ModePlaylist, Qt::LeftButton);
        QCOMPARE(menu.count(), 0);
        QTest::mousePress(p.ModePlaylist, Qt::RightButton, {}, QPoint(4, 5));
        QCOMPARE(menu.count(), 1);
        QCOMPARE(menu.at(0).at(0).toPoint(), p.ModePlaylist->mapToGlobal(QPoint(4, 5)));
    }

    void showsTheEngine() {
        Rig r;
        QVERIFY(QTest::qWaitForWindowExposed(&r.panel));
        PlayerPanel& p = r.panel;
        QVERIFY(r.pauseLook() && !p.NextUp->isEnabled() && p.TrackBar1->maximum() == 0);
        const QPoint lampAt = p.LampPL1->mapToGlobal(p.LampPL1->rect().center());
        QCOMPARE(r.lamp(), "off");
        QVERIFY(p.takesDropAt(lampAt));  // the dark lamp takes drops, a lit one refuses them
        QVERIFY(p.ModeAutoPause->isHidden() && !p.ModePlaylist->isHidden());
        r.engine.setPlayMode(PlayMode::Single);
        QVERIFY(!p.ModeAutoPause->isHidden() && p.ModePlaylist->isHidden());
        r.engine.setPlayMode(PlayMode::Continuous);

        r.playAt(3725, 70);
        QCOMPARE(p.IntLabelpl1->text(), "Artist /m/a.mp3");
        QCOMPARE(p.TitLabelPl1->text(), "Title /m/a.mp3");
        QCOMPARE(p.JahrLabel->text(), "1998");
        QCOMPARE(p.LabelStylePL1->text(), "Jazz");
        QCOMPARE(QStringList({p.MPEG->text(), p.Layer->text(), p.kbps->text(), p.kHz->text(),
                              p.StereoLab->text()}),
                 QStringList({"1", "3", "128", "44", "Stereo"}));
        QCOMPARE(p.TTLabel->text(), "02:05");
        QCOMPARE(p.TrackBar1->maximum(), 125);
        QCOMPARE(p.TrackBar1->frequency(), 2);
        QCOMPARE(p.TrackBar1->position(), 70);
        QCOMPARE(r.times(), "01:10 -00:55");
        QVERIFY(r.playLook());
        QVERIFY(!p.NextUp->isEnabled());

        r.decoder->postElapsed(100);  // 25 s left: the lamp blinks with the timer
        r.decoder->deliver();
        r.engine.Timer1Timer();
        QCOMPARE(r.lamp(), "flash");
        QVERIFY(!p.takesDropAt(lampAt));
        r.engine.Timer1Timer();
        QCOMPARE(r.lamp(), "on");
        QVERIFY(!p.takesDropAt(lampAt));
        QCOMPARE(p.SegmentTimePl1Frame->value(), r.engine.display().thirdField);

        QTest::mousePress(p.PauseUp, Qt::LeftButton);
        QCOMPARE(r.decoder->log(), QStringList({"Pause"}));
        QVERIFY(r.pauseLook());
        QTest::mousePress(p.PlayUp, Qt::LeftButton);
        QVERIFY(r.playLook());
    }

    void buttonsAndTheBarSendCommands() {
        Rig r;
        QVERIFY(QTest::qWaitForWindowExposed(&r.panel));
        PlayerPanel& p = r.panel;
        r.playAt(200, 20);

        QTest::mousePress(p.ForwardUp, Qt::LeftButton);
        QVERIFY(p.ForwardUp->IsDown() && r.engine.state().Positioning);
        r.engine.Timer1Timer();
        QCOMPARE(r.times(), "00:22 -02:58");
        QTest::mouseRelease(p.ForwardUp, Qt::LeftButton);
        QVERIFY(!p.ForwardUp->IsDown() && !r.engine.state().Positioning);
        QTest::mousePress(p.BackwardUp, Qt::LeftButton);
        QVERIFY(p.BackwardUp->IsDown());
        QTest::mouseRelease(p.BackwardUp, Qt::LeftButton);
        QVERIFY(!p.BackwardUp->IsDown());
        QCOMPARE(r.decoder->log(), QStringList({"Seek 22 200"}));

        // A drag: the fields follow the thumb; the release seeks.
        r.decoder->clear();
        const QPoint from = r.slider()->mapFrom(p.TrackBar1, p.TrackBar1->thumbRect().center());
        QTest::mousePress(r.slider(), Qt::LeftButton, {}, from);
        QTest::mouseMove(r.slider(), from + QPoint(60, 0));
        QTest::mouseMove(r.slider(), from + QPoint(120, 0));
        const int at = p.TrackBar1->position();
        QVERIFY(at > 60 && r.engine.state().Positioning);
        QCOMPARE(r.engine.display().position, at);
        QTest::mouseRelease(r.slider(), Qt::LeftButton, {}, from + QPoint(120, 0));
        QCOMPARE(r.decoder->log(),
                 QStringList({"Pause", QStringLiteral("Seek %1 200").arg(at), "Play"}));

        // A keyboard move seeks when its key is released.
        r.decoder->clear();
        r.slider()->setFocus();
        QTest::keyPress(r.slider(), Qt::Key_Right);
        QVERIFY(r.engine.state().Positioning);
        QTest::keyRelease(r.slider(), Qt::Key_Right);
        QCOMPARE(r.decoder->log(),
                 QStringList({"Pause", QStringLiteral("Seek %1 200").arg(at + 1), "Play"}));

        r.decoder->clear();
        QTest::mouseClick(p.PrevUp, Qt::LeftButton);
        QTest::mouseClick(p.AnfangUp, Qt::LeftButton);
        QCOMPARE(r.decoder->log(), QStringList({"Stop", "Stop", "Seek 0 0"}));
        QCOMPARE(r.times(), "00:00 -03:20");
        QVERIFY(!p.NextUp->IsDown() && !p.PrevUp->IsDown());
    }

    void assistiveToolsCanReadAndPress() {
        Rig r;
        QVERIFY(QTest::qWaitForWindowExposed(&r.panel));
        PlayerPanel& p = r.panel;
        auto face = [](QObject* o) { return QAccessible::queryAccessibleInterface(o); };
        for (TKMVButton* b : p.findChildren<TKMVButton*>()) {
            QCOMPARE(face(b)->role(), QAccessible::Button);
            QVERIFY2(!face(b)->text(QAccessible::Name).isEmpty(), qPrintable(b->toolTip()));
        }
        for (TDigit* d : p.findChildren<TDigit*>()) {
            QCOMPARE(face(d)->role(), QAccessible::StaticText);
            QVERIFY(!face(d)->text(QAccessible::Name).isEmpty());
        }
        QCOMPARE(face(r.slider())->role(), QAccessible::Slider);
        QCOMPARE(face(r.slider())->text(QAccessible::Name), "Titelpositionierung");
        QCOMPARE(face(p.ModePlaylist)->text(QAccessible::Name), p.ModePlaylist->toolTip());

        r.playAt(200, 70);
        QCOMPARE(face(p.IntLabelpl1)->text(QAccessible::Name), "Artist /m/a.mp3");
        QCOMPARE(face(p.IntLabelpl1)->text(QAccessible::Description), "Interpret");
        QCOMPARE(face(p.SegmentTimePl1Min)->text(QAccessible::Value), "01");
        QCOMPARE(face(p.SegmentRestPl1Sec)->text(QAccessible::Value), "10");
        QVERIFY(face(p.PlayUp)->state().pressed);
        face(p.PauseUp)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(r.decoder->log(), QStringList({"Pause"}));
        QVERIFY(!face(p.PlayUp)->state().pressed);
    }
};

QTEST_MAIN(TestPlayerPanel)
#include "tst_playerpanel.moc"
