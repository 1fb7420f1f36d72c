// The main window's life cycle: creation from the settings, the start file, hand-offs,
// the resize rule, closing, and the play-mode and tooltip commands.
#include <QAction>
#include <QFile>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

#include "FakeDecoder.h"
#include "TestSupport.h"
#include "app/SonvoxApplication.h"
#include "app/TAboutForm.h"
#include "app/TPlayerForm.h"
#include "core/AppSettings.h"
#include "core/Paths.h"
#include "core/Profile.h"
#include "playback/PlayerEngine.h"

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
        QCOMPARE(decoder_->startCount(), 1);
        QVERIFY(QDir(Paths::programDir() + QStringLiteral("Cover")).exists());
        QVERIFY(QDir(Paths::programDir() + QStringLiteral("Playlist")).exists());
        QVERIFY(!QDir(Paths::programDir() + QStringLiteral("Selection")).exists());
        QCOMPARE(form->settings().playMode, PlayMode::Continuous);
        QVERIFY(modeAction(*form, QStringLiteral("Continuous &Play"))->isChecked());
        QVERIFY(modeAction(*form, QStringLiteral("Show &Hints"))->isChecked());
        QVERIFY(!form->settings().startPending);
        QVERIFY(g_errors.isEmpty());
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

    void decoderThatCannotStartIsReported() {
        auto form = makeForm({}, 1);
        QCOMPARE(g_errors, QStringList{QStringLiteral("Cannot start Xaudio Decoder")});
        form->show();  // the window opens all the same
        QVERIFY(form->isVisible());
    }

    void closingStopsThenQuitsTheDecoder() {
        auto form = makeForm();
        form->show();
        decoder_->clear();
        form->close();
        QCOMPARE(decoder_->log(), (QStringList{QStringLiteral("Stop"), QStringLiteral("Quit")}));
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

    void startFileEndingInM3uIsHandedOverAsATrack() {
        const QString list = writeFile(QStringLiteral("mix.m3u"));
        auto form = makeForm({list});
        form->show();
        QVERIFY(decoder_->log().contains(QStringLiteral("OpenInput ") + list));
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

    void hintsSwitchBeforeTheyAreWritten() {
        auto form = makeForm();
        auto* app = qobject_cast<SonvoxApplication*>(QCoreApplication::instance());
        form->Hinweiseaus1Click();
        QVERIFY(modeAction(*form, QStringLiteral("&No Hints"))->isChecked());
        if (app) {
            QVERIFY(!app->showHints());
        }
        Profile profile(Paths::settingsFile());
        QCOMPARE(profile.readBool(QStringLiteral("Setup"), QStringLiteral("ShowHint"), true),
                 false);
    }

    void savedPositionsComeBack() {
        {
            auto form = makeForm();
            form->show();
            form->setClientSize(640, 480);
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
};

int main(int argc, char** argv) {
    SonvoxApplication app(argc, argv);
    TestPlayerForm test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_playerform.moc"
