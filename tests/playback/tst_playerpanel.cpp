// The player panel on its own: every control in its place at its fixed size, the
// momentary buttons' pressed look, and the mode menu's right click.

#include <QFrame>
#include <QSignalSpy>
#include <QTest>

#include "controls/TDigit.h"
#include "controls/TKMVButton.h"
#include "controls/TKmvTrackBar.h"
#include "playback/PlayerPanel.h"

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
        const QList<QWidget*> lamps = {p.LampeOnPL1, p.LampeFlashPL1, p.LampeOffPL1};
        const QList<QWidget*> modes = {p.ModeAutoPause, p.ModePlaylist};
        for (QWidget* a : leaves) {
            QVERIFY(p.rect().contains(area(a)));
            for (QWidget* b : leaves) {
                const bool shared = (lamps.contains(a) && lamps.contains(b)) ||
                                    (modes.contains(a) && modes.contains(b));
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
};

QTEST_MAIN(TestPlayerPanel)
#include "tst_playerpanel.moc"
