// The main window's keys and Edit menu: real key events sent to whatever has the focus,
// the transport reaching the (fake) decoder through the engine, and the volume and
// title-information windows opened from them.
#include <QAccessible>
#include <QAction>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QtTest>

#include "FakeDecoder.h"
#include "TestSupport.h"
#include "app/SonvoxApplication.h"
#include "app/TPlayerForm.h"
#include "controls/TKMVButton.h"
#include "controls/TKMVStringGrid.h"
#include "controls/TKmvTrackBar.h"
#include "core/DecoderEvent.h"
#include "core/PlayerEngine.h"
#include "lists/TrackLists.h"
#include "playback/PlayerPanel.h"
#include "playback/TVolumeForm.h"

namespace {

// Counts the key presses that reach a widget.
class KeyCounter : public QObject {
public:
    int presses = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        presses += event->type() == QEvent::KeyPress ? 1 : 0;
        return false;
    }
};

}  // namespace

class TestPlayerKeys : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> home_;
    FakeDecoder* decoder_ = nullptr;
    std::unique_ptr<TPlayerForm> form_;

    PlayerEngine& engine() { return form_->engine(); }
    void deliver(DecoderEvent* event) {
        decoder_->post(event);
        decoder_->deliver();
    }
    // A track loaded and playing at 20 s of 200.
    void playing() {
        engine().loadTrack(QStringLiteral("/m/a.mp3"));
        deliver(DecoderEvent::duration(200));
        deliver(DecoderEvent::streamInfo(1, 3, 128, 44100, 0));
        deliver(DecoderEvent::state(1));
        deliver(DecoderEvent::timeCode(0, 0, 20));
        decoder_->clear();
    }
    void key(int key, Qt::KeyboardModifiers modifiers = {}, bool press = true,
             bool repeat = false) {
        QWidget* to = QApplication::focusWidget() ? QApplication::focusWidget() : form_.get();
        QKeyEvent event(press ? QEvent::KeyPress : QEvent::KeyRelease, key, modifiers, QString(),
                        repeat);
        QApplication::sendEvent(to, &event);
    }

private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        qputenv("SONVOX_CONFIG_DIR", home_->filePath("config").toUtf8());
        qputenv("SONVOX_DATA_DIR", home_->filePath("data").toUtf8());
        SonvoxApplication::setErrorSink([](const QString& m) { QFAIL(qPrintable(m)); });
        auto fake = std::make_unique<FakeDecoder>();
        decoder_ = fake.get();
        form_ = std::make_unique<TPlayerForm>(std::move(fake), QStringList());
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
        form_->activateWindow();
        form_->panel().setFocus();
    }
    void cleanup() { form_.reset(); }

    void transportKeys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QStringList>("sent");
        QTest::newRow("F2 restart")
            << int(Qt::Key_F2) << 0 << QStringList{"Stop", "Seek 0 0", "Play"};
        QTest::newRow("F4 stop") << int(Qt::Key_F4) << 0 << QStringList{"Stop"};
        QTest::newRow("F5 pause") << int(Qt::Key_F5) << 0 << QStringList{"Pause"};
        QTest::newRow("F6 play") << int(Qt::Key_F6) << 0 << QStringList{"Play"};
        QTest::newRow("M while playing pauses") << int(Qt::Key_M) << 0 << QStringList{"Pause"};
        QTest::newRow("Shift+F5 still pauses")
            << int(Qt::Key_F5) << int(Qt::ShiftModifier) << QStringList{"Pause"};
        QTest::newRow("Ctrl+F9 next")
            << int(Qt::Key_F9) << int(Qt::ControlModifier)
            << QStringList{"Stop", "OpenInput " + testsupport::dataFile("tone440.mp3"), "Play"};
        QTest::newRow("F7 volume") << int(Qt::Key_F7) << 0 << QStringList{"VolumeWindowCommand"};
    }
    void transportKeys() {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        playing();
        form_->lists().FillPlaylist({testsupport::dataFile("tone440.mp3")});
        QTRY_VERIFY(form_->lists().commands().idle());  // tags are read on a worker
        decoder_->clear();
        this->key(key, Qt::KeyboardModifiers(modifiers));
        QTEST(decoder_->log(), "sent");
    }

    void mTogglesAndKeysAlsoReachAFocusedList() {
        playing();
        QWidget* grid = form_->lists().playlistPanel()->findChild<TKMVStringGrid*>();
        QVERIFY(grid);
        grid->setFocus();
        KeyCounter counter;
        QApplication::focusWidget()->installEventFilter(&counter);
        key(Qt::Key_M);
        key(Qt::Key_M);
        QCOMPARE(decoder_->log(), QStringList({"Pause", "Play"}));
        QCOMPARE(counter.presses, 2);
    }

    void listsAreNamedTables() {
        const auto grids = form_->findChildren<TKMVStringGrid*>();
        QStringList names;
        for (TKMVStringGrid* grid : grids) {
            QAccessibleInterface* face = QAccessible::queryAccessibleInterface(grid);
            QCOMPARE(face->role(), QAccessible::Table);
            names << face->text(QAccessible::Name);
        }
        names.sort();
        QCOMPARE(names, QStringList({"Playlist", "Selection"}));
    }

    void heldF8SeeksUntilTheRealRelease() {
        playing();
        key(Qt::Key_F8);
        engine().Timer1Timer();
        for (int i = 0; i < 3; ++i) {  // auto-repeat: release and press, both marked
            key(Qt::Key_F8, {}, false, true);
            key(Qt::Key_F8, {}, true, true);
            QVERIFY(engine().state().Positioning);
        }
        engine().Timer1Timer();
        QCOMPARE(decoder_->log(), QStringList({"Seek 22 200", "Seek 24 200"}));
        key(Qt::Key_F8, {}, false);
        QVERIFY(!engine().state().Positioning && engine().fastSeek() == FastSeek::None);
        key(Qt::Key_F3);
        QCOMPARE(engine().fastSeek(), FastSeek::Backward);
        key(Qt::Key_F3, {}, false);
        QCOMPARE(engine().fastSeek(), FastSeek::None);
    }

    void aSwitchesThePlayMode() {
        key(Qt::Key_A);
        QCOMPARE(engine().playMode(), PlayMode::Single);
        QCOMPARE(form_->settings().playMode, PlayMode::Single);
        QVERIFY(!form_->panel().ModeAutoPause->isHidden());
        key(Qt::Key_A);
        QCOMPARE(engine().playMode(), PlayMode::Continuous);
    }

    void volumeWindowFollowsReportsWhileHidden() {
        playing();  // reports come from a decoder that runs
        deliver(DecoderEvent::volume(40));
        QVERIFY(!form_->volumeForm());
        QTest::mouseClick(form_->panel().MonitorPL1, Qt::LeftButton);
        QVERIFY(form_->volumeForm() && form_->volumeForm()->isVisible());
        QCOMPARE(form_->volumeForm()->VolumeTrackBar->position(), 40);
        form_->volumeForm()->hide();
        deliver(DecoderEvent::balance(30));
        QCOMPARE(form_->volumeForm()->BalanceTrackBar->position(), 30);
    }

    void infoOnlyWithALoadedTrack() {
        QStringList opened;
        form_->setTitleInformation([&opened](const QString& track, const QString& length) {
            opened << track + " " + length;
        });
        key(Qt::Key_I);
        QVERIFY(opened.isEmpty());
        playing();
        key(Qt::Key_I);
        QTest::mouseClick(form_->panel().InfoUp, Qt::LeftButton);
        QCOMPARE(opened, QStringList({"/m/a.mp3 03:20", "/m/a.mp3 03:20"}));
    }

    void editMenuInItsOrder() {
        QMenu* edit = nullptr;
        for (QAction* a : form_->menuBar()->actions()) {
            if (a->text() == "&Edit")
                edit = a->menu();
        }
        QVERIFY(edit);
        QStringList texts;
        for (QAction* a : edit->actions())
            texts << (a->isSeparator() ? "-" : a->text());
        QCOMPARE(texts, QStringList({"&Restart", "&Stop", "&Pause", "P&lay", "&Volume", "&Next",
                                     "&Info", "-", "&Continuous Play", "Singl&e Play"}));
        playing();
        edit->actions().at(2)->trigger();  // &Pause
        edit->actions().at(3)->trigger();  // P&lay
        edit->actions().at(1)->trigger();  // &Stop
        QCOMPARE(decoder_->log(), QStringList({"Pause", "Play", "Stop"}));
    }
};

QTEST_MAIN(TestPlayerKeys)
#include "tst_playerkeys.moc"
