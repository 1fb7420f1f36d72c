// Dragging marked selection rows with real mouse events: marking by the drag's first pass,
// drops on the playlist at the drop row, drops on the player panel (loaded bottom-up),
// refusing targets, double clicks, the drag cursor, and drops while a command runs.

#include <QCursor>
#include <QTimer>

#include <QApplication>

#include "ListsTestRig.h"
#include "controls/TDigit.h"
#include "controls/TKMVButton.h"
#include "controls/TKmvTrackBar.h"

class TestDragDrop : public QObject {
    Q_OBJECT

    std::unique_ptr<ListsTestRig> rig_;
    ListsTestRig& rig() { return *rig_; }
    TrackGrid& selection() { return rig_->selection(); }
    TrackGrid& playlist() { return rig_->playlist(); }
    QStringList playlistFiles() { return ListsTestRig::files(playlist()); }
    QList<int> selectionMarks() { return ListsTestRig::marked(selection()); }

    void click(int row, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mouseClick(&selection(), Qt::LeftButton, modifiers,
                          ListsTestRig::rowPoint(selection(), row));
    }
    // The pointer's point over `target`, in the selection's coordinates: the selection keeps
    // the mouse grabbed, so the moves and the release of a drag arrive there.
    QPoint over(QWidget* target, QPoint at) {
        return selection().mapFromGlobal(target->mapToGlobal(at));
    }
    QPoint over(QWidget* target) { return over(target, target->rect().center()); }
    void press(QPoint at, Qt::KeyboardModifiers modifiers = {}) {
        QTest::mousePress(&selection(), Qt::LeftButton, modifiers, at);
    }
    void moveTo(QPoint at) { QTest::mouseMove(&selection(), at); }
    void release(QPoint at) { QTest::mouseRelease(&selection(), Qt::LeftButton, {}, at); }
    void drag(QPoint from, QPoint to, Qt::KeyboardModifiers modifiers = {}) {
        press(from, modifiers);
        moveTo(to);
        release(to);
    }
    Qt::CursorShape cursor() {
        const QCursor* shown = QGuiApplication::overrideCursor();
        return shown ? shown->shape() : Qt::BlankCursor;  // Blank: no override at all
    }

private slots:
    void init() {
        rig_ = std::make_unique<ListsTestRig>();
        ListsTestRig::put(selection(), {"/s/1", "/s/2", "/s/3", "/s/4", "/s/5"});
    }
    void cleanup() { rig_.reset(); }

    void aDropOnThePlaylistInsertsAtTheDropRow_data() {
        QTest::addColumn<int>("tracks");
        QTest::addColumn<int>("dropRow");  // 0 the header, -1 below the last row
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("on row 3") << 5 << 3 << QStringList{"/p/1", "/p/2", "/s/2", "/s/3",
                                                           "/p/3", "/p/4", "/p/5"};
        QTest::newRow("on the header") << 2 << 0 << QStringList{"/s/2", "/s/3", "/p/1", "/p/2"};
        QTest::newRow("below the rows") << 2 << -1 << QStringList{"/p/1", "/p/2", "/s/2", "/s/3"};
        QTest::newRow("empty playlist") << 0 << 1 << QStringList{"/s/2", "/s/3"};
        QTest::newRow("empty, below") << 0 << -1 << QStringList{"/s/2", "/s/3"};
    }

    void aDropOnThePlaylistInsertsAtTheDropRow() {
        QFETCH(int, tracks);
        QFETCH(int, dropRow);
        QFETCH(QStringList, expected);
        for (int i = 1; i <= tracks; ++i) {
            ListsTestRig::put(playlist(), {QStringLiteral("/p/%1").arg(i)});
        }
        playlist().setMark(1, 1);
        click(2);
        click(3, Qt::ControlModifier);
        const QPoint at = dropRow == 0  ? QPoint(60, 8)
                          : dropRow < 0 ? ListsTestRig::rowPoint(playlist(), tracks + 3)
                                        : ListsTestRig::rowPoint(playlist(), dropRow);
        // A press on a marked row of a marked group, with Ctrl or without, leaves the group
        // as it is and drags all of it.
        drag(ListsTestRig::rowPoint(selection(), 3), over(&playlist(), at),
             tracks % 2 ? Qt::ControlModifier : Qt::NoModifier);
        QCOMPARE(playlistFiles(), expected);
        QCOMPARE(selectionMarks(), QList<int>());
        QCOMPARE(ListsTestRig::marked(playlist()), QList<int>());
        QCOMPARE(ListsTestRig::files(selection()).size(), 5);
        QVERIFY(rig().panel->NextUp->isEnabled());
        QVERIFY(!rig().lists.selectionDragging());
        QCOMPARE(cursor(), Qt::BlankCursor);
    }

    void aPressBelowTheRowsDragsWhatWasMarked() {
        click(1);
        click(4, Qt::ControlModifier);
        const QPoint below = ListsTestRig::rowPoint(selection(), 9);
        press(below);
        QCOMPARE(selectionMarks(), QList<int>({1, 4}));
        QCOMPARE(cursor(), Qt::ForbiddenCursor);  // refused over the selection
        const QPoint there = over(&playlist(), ListsTestRig::rowPoint(playlist(), 1));
        moveTo(there);
        QCOMPARE(cursor(), Qt::DragCopyCursor);
        release(there);
        QCOMPARE(playlistFiles(), QStringList({"/s/1", "/s/4"}));
    }

    void aDoubleClickAppendsTheClickedRow() {
        ListsTestRig::put(playlist(), {"/p/1"});
        const QPoint row2 = ListsTestRig::rowPoint(selection(), 2);
        QTest::mouseClick(&selection(), Qt::LeftButton, {}, row2);
        QTest::mouseDClick(&selection(), Qt::LeftButton, {}, row2);
        QTest::mouseRelease(&selection(), Qt::LeftButton, {}, row2);
        QCOMPARE(playlistFiles(), QStringList({"/p/1", "/s/2"}));
        QCOMPARE(selectionMarks(), QList<int>({2}));  // marked again by the second press
        QVERIFY(!rig().lists.selectionDragging());
    }

    void aDropOnThePlayerPanelLoadsBottomUp_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("title label") << "TitLabelPl1";
        QTest::newRow("next button") << "NextUp";
        QTest::newRow("position bar") << "TrackBar1";
    }

    void aDropOnThePlayerPanelLoadsBottomUp() {
        QFETCH(QString, target);
        const QStringList files = {rig().track("a.mp3", "Top Artist"), rig().track("b.mp3", "B"),
                                   rig().track("c.mp3", "C")};
        selection().list().clear();
        ListsTestRig::put(selection(), files);
        ListsTestRig::put(playlist(), {"/p/1"});
        click(1);
        click(3, Qt::ControlModifier);
        const PlayerPanel* panel = rig().panel;
        const QHash<QString, QWidget*> targets = {{"TitLabelPl1", panel->TitLabelPl1},
                                                  {"NextUp", panel->NextUp},
                                                  {"TrackBar1", panel->TrackBar1}};
        rig().decoder->clear();
        drag(ListsTestRig::rowPoint(selection(), 1), over(targets[target]));
        QCOMPARE(rig().decoder->log(), QStringList({"Stop", "OpenInput " + files[2], "Play", "Stop",
                                                    "OpenInput " + files[0], "Play"}));
        QCOMPARE(rig().engine->currentTrack(), files[0]);
        QCOMPARE(rig().panel->IntLabelpl1->text(), QString("Top Artist"));
        QCOMPARE(selectionMarks(), QList<int>());
        QCOMPARE(playlistFiles(), QStringList({"/p/1"}));
        QCOMPARE(cursor(), Qt::BlankCursor);
    }

    void otherTargetsRefuseTheDrop_data() {
        QTest::addColumn<QString>("target");
        QTest::newRow("info button") << "InfoUp";
        QTest::newRow("digit display") << "SegmentTimePl1Min";
        QTest::newRow("load button") << "OpenButton";
        QTest::newRow("outside the window") << "outside";
    }

    void otherTargetsRefuseTheDrop() {
        QFETCH(QString, target);
        ListsTestRig::put(playlist(), {"/p/1"});
        PlayerPanel* panel = rig().panel;
        const QHash<QString, QWidget*> targets = {
            {"InfoUp", panel->InfoUp},
            {"SegmentTimePl1Min", panel->SegmentTimePl1Min},
            {"OpenButton", panel->OpenButton},
        };
        const QPoint there = target == "outside" ? QPoint(-400, -300) : over(targets[target]);
        rig().decoder->clear();
        press(ListsTestRig::rowPoint(selection(), 2));
        QCOMPARE(cursor(), Qt::DragCopyCursor);
        moveTo(there);
        QCOMPARE(cursor(), Qt::ForbiddenCursor);
        release(there);
        QCOMPARE(playlistFiles(), QStringList({"/p/1"}));
        QVERIFY(rig().decoder->isEmpty());
        QCOMPARE(selectionMarks(), QList<int>({2}));
        QVERIFY(!rig().lists.selectionDragging());
        QCOMPARE(cursor(), Qt::BlankCursor);
        // The drag has ended: a new press starts a new one.
        click(4);
        QCOMPARE(selectionMarks(), QList<int>({4}));
    }

    // A fill that starts during a drag ends the drag without a drop; presses start none
    // while it runs.
    void noDropWhileACommandRuns() {
        rig().decodeSomething();
        const QStringList files = rig().tracks(6);
        click(2);
        press(ListsTestRig::rowPoint(selection(), 3), Qt::ControlModifier);  // a drag is on
        QVERIFY(rig().lists.selectionDragging());
        const QPoint there = over(&playlist(), ListsTestRig::rowPoint(playlist(), 1));
        bool ran = false;
        bool dragging = true;
        QTimer::singleShot(0, this, [&] {
            dragging = rig().lists.selectionDragging();
            moveTo(there);
            release(there);
            press(ListsTestRig::rowPoint(selection(), 5));  // no new drag meanwhile
            dragging = dragging || rig().lists.selectionDragging();
            release(ListsTestRig::rowPoint(selection(), 5));
            ran = true;
        });
        rig().lists.FillPlaylist(files);
        QTRY_VERIFY(ran);
        QVERIFY(!dragging);
        rig().settle();
        QCOMPARE(playlistFiles(), files);
        QCOMPARE(selectionMarks(), QList<int>({2, 3}));
        QVERIFY(!rig().lists.selectionDragging());
        QCOMPARE(cursor(), Qt::BlankCursor);
        // Afterwards the same drag goes through.
        drag(ListsTestRig::rowPoint(selection(), 2), there);
        QCOMPARE(playlistFiles(), QStringList({"/s/2", "/s/3"}) + files);
    }

    // A drag whose release never comes (the grid is hidden, the window loses the focus)
    // ends without a drop; the next press starts a new one.
    void aLostReleaseEndsTheDrag() {
        ListsTestRig::put(playlist(), {"/p/1"});
        press(ListsTestRig::rowPoint(selection(), 2));
        QVERIFY(rig().lists.selectionDragging());
        selection().hide();
        QVERIFY(!rig().lists.selectionDragging());
        selection().show();
        press(ListsTestRig::rowPoint(selection(), 3));
        QVERIFY(rig().lists.selectionDragging());
        QFocusEvent lost(QEvent::FocusOut, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(&selection(), &lost);
        QVERIFY(!rig().lists.selectionDragging());
        QCOMPARE(playlistFiles(), QStringList({"/p/1"}));
        QCOMPARE(cursor(), Qt::BlankCursor);
    }

    // The player takes row 1 while a row is being moved by its handle: the row that was
    // pressed moves, not the one now at its old index.
    void aRowMovedWhileThePlayerTakesRowOneKeepsItsIdentity() {
        ListsTestRig::put(playlist(), {"/p/1", "/p/2", "/p/3", "/p/4"});
        rig().engine->setNextEnabled(true);
        const QPoint handle3(5, ListsTestRig::rowPoint(playlist(), 3).y());
        const QPoint handle1(5, ListsTestRig::rowPoint(playlist(), 1).y());
        QTest::mousePress(&playlist(), Qt::LeftButton, {}, handle3);
        QTest::mouseMove(&playlist(), handle1);
        rig().engine->NextUpClick();
        QTest::mouseRelease(&playlist(), Qt::LeftButton, {}, handle1);
        QCOMPARE(playlistFiles(), QStringList({"/p/3", "/p/2", "/p/4"}));
    }

    void aPlaylistRowMovesByItsHandle() {
        ListsTestRig::put(playlist(), {"/p/1", "/p/2", "/p/3"});
        const QPoint handle1(5, ListsTestRig::rowPoint(playlist(), 1).y());
        const QPoint handle3(5, ListsTestRig::rowPoint(playlist(), 3).y());
        QTest::mousePress(&playlist(), Qt::LeftButton, {}, handle1);
        QTest::mouseMove(&playlist(), handle3);
        QTest::mouseRelease(&playlist(), Qt::LeftButton, {}, handle3);
        QCOMPARE(playlistFiles(), QStringList({"/p/2", "/p/3", "/p/1"}));
        QCOMPARE(ListsTestRig::marked(playlist()), QList<int>());
    }
};

QTEST_MAIN(TestDragDrop)
#include "tst_dragdrop.moc"
