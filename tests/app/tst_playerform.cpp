// The main window's life cycle: creation from the settings, the start file, hand-offs,
// the resize rule, closing, and the play-mode and tooltip commands.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QToolTip>
#include <QtTest>

#include "FakeDecoder.h"
#include "TestSupport.h"
#include "app/SonvoxApplication.h"
#include "app/TAboutForm.h"
#include "app/TPlayerForm.h"
#include "controls/TKMVButton.h"
#include "app/WindowGrowth.h"
#include "core/AppSettings.h"
#include "core/Paths.h"
#include "core/PlayerEngine.h"
#include "core/Profile.h"
#include "playback/PlayerPanel.h"

namespace {
QStringList g_errors;
void collectError(const QString& message) {
    g_errors.append(message);
}
}  // namespace

class TestPlayerForm : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> home_;
    FakeDecoder* decoder_ = nullptr;

    std::unique_ptr<TPlayerForm> makeForm(const QStringList& args = {}, int startResult = 0) {
        auto fake = std::make_unique<FakeDecoder>(startResult);
        decoder_ = fake.get();
        return std::make_unique<TPlayerForm>(std::move(fake), args);
    }
    QString writeFile(const QString& name, const QByteArray& bytes = "x") {
        const QString path = home_->filePath(name);
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }
    // A list file in the row format holding `tracks`.
    void storePlacement(int left, int top, int width, int height) {
        Profile profile(Paths::settingsFile());
        const QString section = QStringLiteral("WindowPosition");
        profile.writeInteger(section, QStringLiteral("PlayerLeft"), left);
        profile.writeInteger(section, QStringLiteral("PlayerTop"), top);
        profile.writeInteger(section, QStringLiteral("PlayerWidth"), width);
        profile.writeInteger(section, QStringLiteral("PlayerHeight"), height);
    }
    QAction* modeAction(TPlayerForm& form, const QString& text) {
        for (QAction* a : form.modeMenu()->actions()) {
            if (a->text() == text) {
                return a;
            }
        }
        return nullptr;
    }

private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        qputenv("SONVOX_CONFIG_DIR", home_->filePath(QStringLiteral("config")).toUtf8());
        qputenv("SONVOX_DATA_DIR", home_->filePath(QStringLiteral("data")).toUtf8());
        g_errors.clear();
        SonvoxApplication::setErrorSink(collectError);
    }

    void firstStartUsesDefaults() {
        auto form = makeForm();
        QCOMPARE(form->clientSize(), QSize(kPlayerPanelWidth, kPlayerPanelHeight));
        QVERIFY(QDir(Paths::programDir() + QStringLiteral("Cover")).exists());
        QVERIFY(QDir(Paths::programDir() + QStringLiteral("Playlist")).exists());
        QVERIFY(!QDir(Paths::programDir() + QStringLiteral("Selection")).exists());
        QCOMPARE(form->settings().playMode, PlayMode::Continuous);
        QVERIFY(modeAction(*form, QStringLiteral("Continuous &Play"))->isChecked());
        QVERIFY(modeAction(*form, QStringLiteral("Show &Hints"))->isChecked());
        QVERIFY(!form->settings().startPending);
        QVERIFY(g_errors.isEmpty());

        // The decoder starts with the first command that needs it, not with the window.
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(decoder_->startCount(), 0);
        form->engine().loadTrack(writeFile(QStringLiteral("first.mp3")));
        form->engine().loadTrack(writeFile(QStringLiteral("second.mp3")));
        QCOMPARE(decoder_->startCount(), 1);
        QCOMPARE(decoder_->receiver(), form.get());
    }

    // No stored width places the window at the screen's centre, whatever the stored edges;
    // a stored client area smaller than the player panel grows to it.
    void placementFromSettings_data() {
        QTest::addColumn<QList<int>>("stored");  // left, top, width, height; empty: none
        QTest::addColumn<bool>("centred");
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<QSize>("client");
        const QSize panel(kPlayerPanelWidth, kPlayerPanelHeight);
        QTest::newRow("nothing stored") << QList<int>{} << true << QPoint() << panel;
        QTest::newRow("width 0") << QList<int>{30, 40, 0, 300} << true << QPoint()
                                 << QSize(kPlayerPanelWidth, 300);
        QTest::newRow("too small")
            << QList<int>{30, 40, 100, 100} << false << QPoint(30, 40) << panel;
        QTest::newRow("stored") << QList<int>{5, 7, 500, 260} << false << QPoint(5, 7)
                                << QSize(500, 260);
    }
    void placementFromSettings() {
        QFETCH(QList<int>, stored);
        QFETCH(bool, centred);
        QFETCH(QPoint, pos);
        QFETCH(QSize, client);
        if (!stored.isEmpty()) {
            storePlacement(stored[0], stored[1], stored[2], stored[3]);
        }
        auto form = makeForm();
        QCOMPARE(form->clientSize(), client);
        if (centred) {
            const QRect screen = form->screen()->geometry();
            const QSize outer = form->frameGeometry().size();
            pos = QPoint((screen.width() - outer.width()) / 2,
                         (screen.height() - outer.height()) / 2);
        }
        QCOMPARE(form->frameGeometry().topLeft(), pos);
    }

    void storedPlacementIsApplied() {
        Profile profile(Paths::settingsFile());
        profile.writeString(QStringLiteral("WindowPosition"), QStringLiteral("PlayerLeft"),
                            QStringLiteral("0x40"));
        profile.writeInteger(QStringLiteral("WindowPosition"), QStringLiteral("PlayerTop"), 20);
        profile.writeInteger(QStringLiteral("WindowPosition"), QStringLiteral("PlayerWidth"), 700);
        profile.writeInteger(QStringLiteral("WindowPosition"), QStringLiteral("PlayerHeight"), 450);
        profile.writeInteger(QStringLiteral("Setup"), QStringLiteral("AutoStart"), 0);
        auto form = makeForm();
        QCOMPARE(form->clientSize(), QSize(700, 450));
        QCOMPARE(form->pos(), QPoint(64, 20));
        QCOMPARE(form->settings().playMode, PlayMode::Single);
        QVERIFY(modeAction(*form, QStringLiteral("&Single Play"))->isChecked());
        QVERIFY(!modeAction(*form, QStringLiteral("Continuous &Play"))->isChecked());
    }

    void clientAreaSpringsBackToThePanel() {
        auto form = makeForm();
        form->show();
        form->setClientSize(800, 600);
        QTRY_COMPARE(form->clientSize(), QSize(800, 600));
        form->resize(100, 100);
        QTRY_COMPARE(form->clientSize(), QSize(kPlayerPanelWidth, kPlayerPanelHeight));
    }

    // Reported once; the player then runs on without sound: its commands go nowhere.
    void decoderThatCannotStartIsReported() {
        const QString track = writeFile(QStringLiteral("song.mp3"));
        auto form = makeForm({track}, 1);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QTRY_COMPARE(g_errors, QStringList{QStringLiteral("Cannot start Xaudio Decoder")});
        form->engine().loadTrack(track);
        QTest::mouseClick(form->panel().PrevUp, Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(g_errors.size(), 1);
        QCOMPARE(decoder_->startCount(), 1);
        QVERIFY(decoder_->isEmpty());
        QCOMPARE(form->engine().currentTrack(), track);
    }

    // Closing stops and quits the decoder once; a decoder that never started is not started
    // to be quit.
    void closingStopsThenQuitsTheDecoder() {
        auto form = makeForm();
        form->show();
        form->engine().loadTrack(writeFile(QStringLiteral("song.mp3")));
        decoder_->clear();
        form->close();
        QCOMPARE(decoder_->log(), (QStringList{QStringLiteral("Stop"), QStringLiteral("Quit")}));

        auto idle = makeForm();
        idle->show();
        idle->close();
        QCOMPARE(decoder_->startCount(), 0);
    }

    void startFileTrackIsLoadedAtFirstShowing() {
        const QString track = writeFile(QStringLiteral("song.mp3"));
        auto form = makeForm({track});
        QVERIFY(form->settings().startPending);
        form->show();
        QVERIFY(decoder_->log().contains(QStringLiteral("OpenInput ") + track));
        QCOMPARE(form->engine().currentTrack(), track);
        QVERIFY(!form->settings().startPending);
        // A second showing does not load it again.
        decoder_->clear();
        form->hide();
        form->show();
        QCOMPARE(decoder_->count(decoder::Command::OpenInput), 0);
    }

    // Every list format is loaded as a list, at the first start and when a later start
    // hands one over; its first track goes to the player.
    void listFilesAreLoadedAsLists_data() {
        QTest::addColumn<bool>("handedOver");
        QTest::newRow("start file") << false;
        QTest::newRow("hand-off") << true;
    }
    void listFilesAreLoadedAsLists() {
        QFETCH(bool, handedOver);
        const QString track = home_->filePath(QStringLiteral("song.mp3"));
        QVERIFY(QFile::copy(testsupport::dataFile("tone440.mp3"), track));
        const QString m3u = writeFile(QStringLiteral("mix.m3u"), "song.mp3\n");
        const QString pls =
            writeFile(QStringLiteral("mix.pls"), "[playlist]\nFile1=song.mp3\nNumberOfEntries=1\n");
        for (const QString& list : {m3u, pls}) {
            auto form = makeForm(handedOver ? QStringList() : QStringList{list});
            form->show();
            if (handedOver) {
                form->engine().Timer1Timer();  // the first tick: hand-offs are taken from now on
                form->startReceived(list);
            }
            QVERIFY2(decoder_->log().contains(QStringLiteral("OpenInput ") + track),
                     qPrintable(list));
            QVERIFY(!decoder_->log().contains(QStringLiteral("OpenInput ") + list));
        }
    }

    void missingStartFileIsNotPending() {
        auto form = makeForm({home_->filePath(QStringLiteral("gone.mp3"))});
        form->show();
        QCOMPARE(decoder_->count(decoder::Command::OpenInput), 0);
    }

    void startHandOffBeforeFirstTickIsKeptForIt() {
        const QString track = writeFile(QStringLiteral("later.mp3"));
        auto form = makeForm();
        QVERIFY(!form->timerStarted());
        form->startReceived(track);
        QCOMPARE(decoder_->count(decoder::Command::OpenInput), 0);
        form->show();
        QTRY_VERIFY(form->timerStarted());
        QTRY_VERIFY(decoder_->log().contains(QStringLiteral("OpenInput ") + track));
    }

    void playModeCommandWritesFirst() {
        auto form = makeForm();
        form->Autopause1Click();
        QCOMPARE(form->settings().playMode, PlayMode::Single);
        Profile profile(Paths::settingsFile());
        QCOMPARE(profile.readInteger(QStringLiteral("Setup"), QStringLiteral("AutoStart"), 9), 0);

        // A settings file that cannot be written leaves the mode and its marks as they were.
        QFile::setPermissions(Paths::settingsFile(), QFileDevice::ReadOwner);
        modeAction(*form, QStringLiteral("Continuous &Play"))->trigger();
        QCOMPARE(form->settings().playMode, PlayMode::Single);
        QVERIFY(modeAction(*form, QStringLiteral("&Single Play"))->isChecked());
        QCOMPARE(g_errors.size(), 1);
        QVERIFY(g_errors.first().startsWith(QStringLiteral("nach ")));
        QVERIFY(g_errors.first().endsWith(QStringLiteral(" kann nicht geschrieben werden")));
    }

    // The hints switch at once, even when the settings file cannot take the change: the
    // error is reported and the marks show what is in force.
    void hintsSwitchBeforeTheyAreWritten_data() {
        QTest::addColumn<bool>("writable");
        QTest::newRow("written") << true;
        QTest::newRow("settings file cannot be written") << false;
    }
    void hintsSwitchBeforeTheyAreWritten() {
        QFETCH(bool, writable);
        auto form = makeForm();
        auto* app = qobject_cast<SonvoxApplication*>(QCoreApplication::instance());
        QVERIFY(app && app->showHints());
        if (!writable) {  // a folder where the file should be: no write can succeed, not even as
                          // root
            QFile::remove(Paths::settingsFile());
            QVERIFY(QDir().mkpath(Paths::settingsFile()));
        }
        modeAction(*form, QStringLiteral("&No Hints"))->trigger();
        QVERIFY(!app->showHints());
        QVERIFY(modeAction(*form, QStringLiteral("&No Hints"))->isChecked());
        QCOMPARE(g_errors.size(), writable ? 0 : 1);
        if (writable) {
            Profile profile(Paths::settingsFile());
            QCOMPARE(profile.readBool(QStringLiteral("Setup"), QStringLiteral("ShowHint"), true),
                     false);
        } else {
            QDir(Paths::settingsFile()).removeRecursively();
        }
        app->setShowHints(true);
    }

    // With hints off no tooltip shows; with them on the control's hint does.
    void tooltipSwitch() {
        auto form = makeForm();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QWidget* play = form->panel().PlayUp;
        auto hover = [play] {
            QToolTip::hideText();
            const QPoint at = play->rect().center();
            QHelpEvent event(QEvent::ToolTip, at, play->mapToGlobal(at));
            QCoreApplication::sendEvent(play, &event);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        form->Hinweiseaus1Click();
        QCOMPARE(hover(), QString());
        form->Hinweisean1Click();
        QCOMPARE(hover(), QStringLiteral("Wiedergabe"));
        QToolTip::hideText();
    }

    // The About window names the program, its libraries as they run, and the folders.
    void aboutTellsLibrariesAndFolders() {
        auto form = makeForm();
        QString shown;
        QTimer::singleShot(0, form.get(), [&] {
            shown = form->aboutForm()->text();
            form->aboutForm()->accept();
        });
        form->About2Click();
        for (const QString& part :
             {QStringLiteral("Sonvox 0.1"), QStringLiteral("Qt"), QStringLiteral("libmpg123"),
              QStringLiteral("SDL2"), QStringLiteral("libjpeg"), Paths::settingsDir(),
              Paths::dataDir()}) {
            QVERIFY2(shown.contains(part), qPrintable(part + " missing in:\n" + shown));
        }
    }

    // A start list makes room for the playlist and keeps the window on the screen.
    void startListGrowsTheWindowAndKeepsItOnScreen() {
        QVERIFY(QFile::copy(testsupport::dataFile("tone440.mp3"), home_->filePath("a.mp3")));
        const QString list = writeFile(QStringLiteral("start.m3u"), "a.mp3\n");
        auto form = makeForm({list});
        const int screenHeight = form->screen()->geometry().height();
        form->move(10, screenHeight - 150);
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(form->clientSize().height(), 333);
        QTRY_COMPARE(form->frameGeometry().top(), screenHeight - form->frameGeometry().height());
        QVERIFY(decoder_->log().contains("OpenInput " + home_->filePath("a.mp3")));
    }

    // Screen and window in global coordinates, also on a screen that does not start at 0.
    void windowGrowthStaysOnItsScreen_data() {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<int>("top");
        QTest::addColumn<int>("left");
        const QRect first(0, 0, 1280, 1024);
        const QRect right(1280, 0, 1920, 1080);
        const QRect below(0, 1024, 1280, 1024);
        QTest::newRow("first screen, fits") << first << QRect(100, 100, 630, 400) << 100 << 100;
        QTest::newRow("first screen, too low and right")
            << first << QRect(900, 800, 630, 400) << 624 << 325;
        QTest::newRow("wider than the screen") << first << QRect(10, 0, 1400, 400) << 0 << 0;
        QTest::newRow("right screen, fits") << right << QRect(1400, 100, 630, 400) << 100 << 1400;
        QTest::newRow("right screen, too far right")
            << right << QRect(2800, 100, 630, 400) << 100 << 1280 + 645;
        QTest::newRow("lower screen, too low")
            << below << QRect(100, 1800, 630, 400) << 1024 + 624 << 100;
    }
    void windowGrowthStaysOnItsScreen() {
        QFETCH(QRect, screen);
        QFETCH(QRect, frame);
        QFETCH(int, top);
        QFETCH(int, left);
        QCOMPARE(WindowGrowth::topAfterGrowth(screen, frame), top);
        QCOMPARE(WindowGrowth::leftAfterGrowth(screen, frame), left);
    }

    void savedPositionsComeBack() {
        {
            auto form = makeForm();
            form->show();
            form->setClientSize(640, 480);
            form->move(100, 80);
            QTRY_COMPARE(form->clientSize(), QSize(640, 480));
            form->SaveWindowpositions1Click();
            form->DefaultPositions1Click();
            QCOMPARE(form->clientSize(), QSize(kPlayerPanelWidth, kPlayerPanelHeight));
        }
        Profile profile(Paths::settingsFile());
        QCOMPARE(
            profile.readInteger(QStringLiteral("WindowPosition"), QStringLiteral("PlayerWidth"), 0),
            640);
        QCOMPARE(profile.readInteger(QStringLiteral("WindowPosition"),
                                     QStringLiteral("PlayerHeight"), 0),
                 480);
        QCOMPARE(
            profile.readInteger(QStringLiteral("WindowPosition"), QStringLiteral("CoverWidth"), 0),
            kDefaultCoverWidth);
        auto again = makeForm();
        QCOMPARE(again->clientSize(), QSize(640, 480));
        QCOMPARE(again->pos(), QPoint(100, 80));
    }
};

int main(int argc, char** argv) {
    SonvoxApplication app(argc, argv);
    TestPlayerForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_playerform.moc"
