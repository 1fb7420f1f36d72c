// Settings at start and the writes of the window and mode commands, against a settings
// file and a program directory of the test's own.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "core/AppSettings.h"
#include "core/Paths.h"
#include "core/Profile.h"
#include "core/SonvoxError.h"

namespace K = SettingsKeys;

class TestAppSettings : public QObject {
    Q_OBJECT

private:
    QTemporaryDir root_;
    QString programDir_;
    QString iniPath_;

    void put(const QByteArray& bytes) {
        QFile file(iniPath_);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
    }
    QString makeDir(const QString& name) {
        const QString path = root_.filePath(name);
        QDir().mkpath(path);
        return path;
    }
    QString makeFile(const QString& name) {
        QFile file(root_.filePath(name));
        file.open(QIODevice::WriteOnly);
        return file.fileName();
    }

private slots:
    void init() {
        QVERIFY(root_.isValid());
        QDir(root_.path()).removeRecursively();
        QDir().mkpath(root_.path());
        qputenv("SONVOX_CONFIG_DIR", root_.filePath("config").toUtf8());
        qputenv("SONVOX_DATA_DIR", root_.filePath("data").toUtf8());
        programDir_ = Paths::programDir();
        iniPath_ = Paths::settingsFile();
    }

    void paths() {
        QCOMPARE(Paths::settingsFile(), root_.filePath("config/KMV.INI"));
        QCOMPARE(programDir_, root_.filePath("data") + '/');
        QVERIFY(QFileInfo(root_.filePath("config")).isDir());
        QVERIFY(QFileInfo(root_.filePath("data")).isDir());

        qunsetenv("SONVOX_CONFIG_DIR");
        qputenv("XDG_CONFIG_HOME", root_.filePath("xdg").toUtf8());
        QCOMPARE(Paths::settingsDir(), root_.filePath("xdg/sonvox"));
        qputenv("XDG_CONFIG_HOME", "relative/is/ignored");
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", root_.filePath("home").toUtf8());
        QCOMPARE(Paths::settingsDir(), root_.filePath("home/.config/sonvox"));
        qputenv("HOME", home);
        qunsetenv("XDG_CONFIG_HOME");

        // The socket follows the settings directory and fits into a socket address.
        qputenv("SONVOX_CONFIG_DIR", root_.filePath("a").toUtf8());
        const QString a = Paths::instanceSocketName();
        qputenv("SONVOX_CONFIG_DIR", root_.filePath("b").toUtf8());
        QVERIFY(a != Paths::instanceSocketName());
        QVERIFY(a.toUtf8().size() < 100);
    }

    void firstStart() {
        const WindowPlacement p = readWindowPlacement(Profile(iniPath_));
        QVERIFY(p.centre);
        QVERIFY(!p.showCover);
        QCOMPARE(p.playerWidth, 315);
        QCOMPARE(p.playerHeight, 201);
        QCOMPARE(p.coverWidth, 240);
        QCOMPARE(p.coverLeft + p.coverTop + p.playerLeft + p.playerTop, 0);

        AppSettings s = loadDirectorySettings(Profile(iniPath_), programDir_);
        QCOMPARE(s.MpegFiles, programDir_);
        QCOMPARE(s.Coverpath, programDir_ + "Cover/");
        QCOMPARE(s.Playlistpath, programDir_ + "Playlist");
        QCOMPARE(s.Selectionpath, programDir_ + "Playlist");
        QVERIFY(QFileInfo(programDir_ + "Cover").isDir());
        QVERIFY(QFileInfo(programDir_ + "Playlist").isDir());
        QVERIFY(!QFileInfo::exists(programDir_ + "Selection"));

        QCOMPARE(readPlayMode(Profile(iniPath_)), PlayMode::Continuous);
        QVERIFY(readShowHint(Profile(iniPath_)));
        decideStartFile(s, Profile(iniPath_), {});
        QVERIFY(!s.startPending);
        QVERIFY(!QFileInfo::exists(iniPath_));  // reading writes nothing
    }

    void storedPlacement() {
        put("[WindowPosition]\nPlayerLeft=0x40\nPlayerTop=$10\nPlayerWidth=0\nCoverWidth=300\n"
            "ShowCover=1\n");
        WindowPlacement p = readWindowPlacement(Profile(iniPath_));
        QCOMPARE(p.playerLeft, 64);
        QCOMPARE(p.playerTop, 16);
        QVERIFY(p.centre);
        QCOMPARE(p.playerWidth, 0);  // the main window's minimum size raises it
        QCOMPARE(p.coverWidth, 300);
        QVERIFY(p.showCover);

        put("[WindowPosition]\nPlayerWidth=abc\n");
        p = readWindowPlacement(Profile(iniPath_), 400, 300);
        QVERIFY(p.centre);
        QCOMPARE(p.playerWidth, 400);
        QCOMPARE(p.playerHeight, 300);

        put("[WindowPosition]\nPlayerWidth=500\n");
        QVERIFY(!readWindowPlacement(Profile(iniPath_)).centre);
    }

    void playMode_data() {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<bool>("continuous");
        QTest::newRow("1") << QByteArray("1") << true;
        QTest::newRow("2") << QByteArray("2") << true;
        QTest::newRow("abc") << QByteArray("abc") << true;
        QTest::newRow("0") << QByteArray("0") << false;
        QTest::newRow("0x0") << QByteArray("0x0") << false;
    }
    void playMode() {
        QFETCH(QByteArray, value);
        QFETCH(bool, continuous);
        put("[Setup]\nAutoStart=" + value + "\n");
        QCOMPARE(readPlayMode(Profile(iniPath_)) == PlayMode::Continuous, continuous);
    }

    void mpegFilesFallback() {
        const QString encoder = makeDir("encoder");
        const QByteArray removed = root_.filePath("removed").toUtf8();
        put("[Directories]\nMpegFiles=" + removed + "\nEncoder=" + encoder.toUtf8() + "\n");
        QCOMPARE(loadDirectorySettings(Profile(iniPath_), programDir_).MpegFiles, encoder);
        QCOMPARE(Profile(iniPath_).readString(K::Directories, K::MpegFiles, ""), removed);

        put("[Directories]\nMpegFiles=" + removed + "\n");
        QCOMPARE(loadDirectorySettings(Profile(iniPath_), programDir_).MpegFiles, programDir_);
        put("[Directories]\nMpegFiles=" + removed + "\nEncoder=/no/such/dir\n");
        QCOMPARE(loadDirectorySettings(Profile(iniPath_), programDir_).MpegFiles, programDir_);
        put("[Directories]\nMpegFiles=\nEncoder=" + encoder.toUtf8() + "\n");
        QCOMPARE(loadDirectorySettings(Profile(iniPath_), programDir_).MpegFiles, encoder);
    }

    void configuredDirectories() {
        const QString lists = makeDir("lists");
        put("[Setup]\nCoverpath=/no/such/covers\nPlaylistpath=" + lists.toUtf8() +
            "\nSelectionpath=/no/such/selections\n");
        const AppSettings s = loadDirectorySettings(Profile(iniPath_), programDir_);
        QCOMPARE(s.Coverpath, QStringLiteral("/no/such/covers/"));
        QCOMPARE(s.Playlistpath, lists);
        QCOMPARE(s.Selectionpath, QStringLiteral("/no/such/selections"));
        QVERIFY(QFileInfo(programDir_ + "Cover").isDir());
        QVERIFY(!QFileInfo::exists(programDir_ + "Playlist"));
        QVERIFY(QFileInfo(programDir_ + "Selection").isDir());
    }

    void startFile_data() {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("expectedFile");  // empty: nothing pending
        QTest::addColumn<bool>("randomize");
        QTest::newRow("stored") << QByteArray("StartFile=@x.ply\nRandomizeStartFile=1")
                                << QStringList{} << "@x.ply" << true;
        QTest::newRow("stored missing")
            << QByteArray("StartFile=@gone.ply") << QStringList{} << "" << false;
        QTest::newRow("args win") << QByteArray("StartFile=@y.mp3\nRandomizeStartFile=0")
                                  << QStringList{"@x.ply", "r"} << "@x.ply" << true;
        QTest::newRow("second arg not R") << QByteArray("RandomizeStartFile=1")
                                          << QStringList{"@x.ply", "rr"} << "@x.ply" << false;
        QTest::newRow("missing arg ignores stored")
            << QByteArray("StartFile=@y.mp3") << QStringList{"@gone.mp3", "R"} << "" << false;
        QTest::newRow("directory") << QByteArray() << QStringList{"@"} << "" << false;
        // Relative names are made absolute against the current directory at start.
        QTest::newRow("stored relative")
            << QByteArray("StartFile=x.ply") << QStringList{} << "@x.ply" << false;
        QTest::newRow("arg relative")
            << QByteArray() << QStringList{"./sub/../y.mp3"} << "@y.mp3" << false;
    }
    void startFile() {
        QFETCH(QByteArray, stored);
        QFETCH(QStringList, args);
        QFETCH(QString, expectedFile);
        QFETCH(bool, randomize);
        makeFile("x.ply");
        makeFile("y.mp3");
        const QByteArray at = root_.path().toUtf8() + '/';
        put("[Setup]\n" + stored.replace('@', at) + "\n");
        for (QString& arg : args) {
            arg.replace('@', root_.path() + '/');
        }
        AppSettings s;
        const QString before = QDir::currentPath();
        QDir().mkpath(root_.filePath("sub"));
        QDir::setCurrent(root_.path());
        decideStartFile(s, Profile(iniPath_), args);
        QDir::setCurrent(before);
        QCOMPARE(s.startPending, !expectedFile.isEmpty());
        if (s.startPending) {
            QCOMPARE(s.startFile, expectedFile.replace('@', root_.path() + '/'));
        }
        QCOMPARE(s.randomizeStartFile, randomize);
    }

    void savePositions() {
        put("; mine\n[WindowPosition]\nPlayerWidth=1\n");
        Profile profile(iniPath_);
        const WindowPlacement saved{true, 10, 20, 600, 400, false, 30, 40, 250};
        saveWindowPositions(profile, saved);
        QFile file(iniPath_);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("; mine\n[WindowPosition]\nPlayerWidth=600\n"
                                            "ShowCover=1\nCoverLeft=30\nCoverTop=40\n"
                                            "CoverWidth=250\nPlayerLeft=10\nPlayerTop=20\n"
                                            "PlayerHeight=400\n"));
        const WindowPlacement read = readWindowPlacement(profile);
        QCOMPARE(read.coverWidth, 250);
        QCOMPARE(read.playerTop, 20);
        QVERIFY(read.showCover && !read.centre);
    }

    void commandsWrite() {
        Profile profile(iniPath_);
        writePlayMode(profile, PlayMode::Single);
        QCOMPARE(readPlayMode(profile), PlayMode::Single);
        writeShowHint(profile, false);
        QVERIFY(!readShowHint(profile));

        AppSettings s;
        rememberMpegFiles(profile, s, "/");
        QCOMPARE(s.MpegFiles, QStringLiteral("/"));
        QCOMPARE(profile.readString(K::Directories, K::MpegFiles, ""), QStringLiteral("/"));

        // A failed write throws before memory changes.
        QVERIFY(QFile::setPermissions(iniPath_, QFile::ReadOwner));
        QVERIFY_THROWS_EXCEPTION(SonvoxError, rememberMpegFiles(profile, s, "/tmp"));
        QCOMPARE(s.MpegFiles, QStringLiteral("/"));
    }
};

QTEST_GUILESS_MAIN(TestAppSettings)
#include "tst_appsettings.moc"
