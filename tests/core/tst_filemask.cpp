// The windowless side of the file-system controls: mask matching, directory listing,
// the directory tree's showing rules and the volume look-ups.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "core/DirScan.h"
#include "core/DirTreeRules.h"
#include "core/FileMask.h"
#include "core/MountedVolumes.h"
#include "core/SonvoxError.h"

#include "TestFiles.h"

namespace {

using testsupport::makeTree;

QStringList texts(const std::vector<dirscan::Entry>& entries) {
    QStringList result;
    for (const dirscan::Entry& entry : entries)
        result.append(entry.text);
    return result;
}

}  // namespace

class TestFileMask : public QObject {
    Q_OBJECT

private slots:
    void cleanupTestCase() { QDir::setCurrent(QDir::tempPath()); }

    void matches_data() {
        QTest::addColumn<QString>("mask");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("expected");
        const struct {
            const char* mask;
            const char* name;
            bool expected;
        } cases[] = {
            {"*.mp*;*.msf", "song.mp3", true},
            {"*.mp*;*.msf", "mix.msf", true},
            {"*.mp*;*.msf", "SONG.MP3", true},
            {"*.mp*;*.msf", "Song.Mp2", true},
            {"*.mp*;*.msf", "cover.jpg", false},
            {"*.mp*;*.msf", "mp3list.txt", false},
            {" *.ply ; *.m3u ", "Rock.M3U", true},
            {";;*.sel;", "a.sel", true},
            {" ; ", "a.sel", false},
            {"*.*", "README", true},
            {"*.*", "a.b.c", true},
            {"song.*", "song", true},
            {"song.*", "songs", false},
            {"*.", "Makefile", true},
            {"*.", "a.txt", false},
            {"track?.mp3", "track1.mp3", true},
            {"track?.mp3", "track.mp3", false},
            {"Zzz.ZZZ", "zzz.zzz", true},
            {"zzz.zzz", "song.mp3", false},
            {"*a*b*c", "xaxbxbxc", true},
            {"*.ÄBC", "x.äbc", true},
        };
        for (const auto& c : cases) {
            QTest::addRow("'%s' '%s'", c.mask, c.name)
                << QString::fromUtf8(c.mask) << QString::fromUtf8(c.name) << c.expected;
        }
    }
    void matches() {
        QFETCH(QString, mask);
        QFETCH(QString, name);
        QFETCH(bool, expected);
        QCOMPARE(FileMask(mask).matches(name), expected);
    }

    void listsEntriesInTheirCaseSortedAndFiltered() {
        QTemporaryDir tmp;
        const QString dir = makeTree(tmp, {"b.MP3", "A.mp3", "a.mp3", "c.msf", "notes.txt",
                                           ".hidden.mp3", "Rock/", "x.mp3dir/", ".cache/"});
        const FileMask tracks("*.mp*;*.msf;*.mp3");  // overlapping masks list a file once
        QCOMPARE(texts(dirscan::listEntries(dir, tracks, ftNormal)),
                 QStringList({"A.mp3", "a.mp3", "b.MP3", "c.msf"}));
        QCOMPARE(texts(dirscan::listEntries(dir, tracks, FileTypes(ftNormal) | ftHidden)),
                 QStringList({".hidden.mp3", "A.mp3", "a.mp3", "b.MP3", "c.msf"}));
        QCOMPARE(
            texts(dirscan::listEntries(dir, FileMask("*.*"), FileTypes(ftNormal) | ftDirectory)),
            QStringList({"[Rock]", "[x.mp3dir]", "A.mp3", "a.mp3", "b.MP3", "c.msf", "notes.txt"}));
        // Directories only: the mask applies to them too.
        QCOMPARE(texts(dirscan::listEntries(dir, tracks, ftDirectory)),
                 QStringList({"[x.mp3dir]"}));
        QVERIFY(dirscan::listEntries(dir + "/gone", FileMask("*.*"), ftNormal).empty());

        QCOMPARE(dirscan::subdirectories(dir, false), QStringList({"Rock", "x.mp3dir"}));
        QCOMPARE(dirscan::subdirectories(dir, true), QStringList({".cache", "Rock", "x.mp3dir"}));
    }

    void resolvesAndEntersDirectories() {
        QTemporaryDir tmp;
        const QString dir = makeTree(tmp, {"One/Two/", "file"});
        QDir::setCurrent(dir);
        QCOMPARE(dirscan::absoluteDirectory("One//Two/../Two/"), dir + "/One/Two");
        QCOMPARE(dirscan::absoluteDirectory("/"), QStringLiteral("/"));

        dirscan::enterDirectory(dir + "/One/Two");
        QCOMPARE(QDir::currentPath(), dir + "/One/Two");
        try {
            dirscan::enterDirectory(dir + "/gone");
            QFAIL("no error for a missing directory");
        } catch (const SonvoxError& error) {
            QCOMPARE(error.message(), "Verzeichnis nicht gefunden - " + dir + "/gone");
        }
        QVERIFY_THROWS_EXCEPTION(SonvoxError, dirscan::enterDirectory(dir + "/file"));
        QCOMPARE(QDir::currentPath(), dir + "/One/Two");
    }

    void treeRules() {
        QVERIFY(passesDirType(dtAll, true));
        QVERIFY(passesDirType(dtNormal, false));
        QVERIFY(!passesDirType(dtNormal, true));
        QVERIFY(passesDirType(DirTypes(dtNormal) | dtHidden, true));
        QVERIFY(!passesDirType(dtHidden, false));
        QVERIFY(!passesDirType(dtReadOnly, false));

        qputenv("XDG_DATA_HOME", "/data/share");
        QVERIFY(!isBelowRecycleBin("/media/stick/.Trash-1000/"));
        QVERIFY(isBelowRecycleBin("/media/stick/.Trash-1000/files/"));
        QVERIFY(isBelowRecycleBin("/srv/.Trash/1000/"));
        QVERIFY(!isBelowRecycleBin("/data/share/Trash/"));
        QVERIFY(isBelowRecycleBin("/data/share/Trash/files/"));
        QVERIFY(!isBelowRecycleBin("/music/Trash/Metal/"));
        qunsetenv("XDG_DATA_HOME");

        QTemporaryDir tmp;
        const QString dir = makeTree(tmp, {"top/b/", "top/.hid/", "top/A/", "top/veto/in/",
                                           "top/.Trash-0/files/", "top/f", "onlyhidden/.x/"});
        const QString top = dir + "/top/";
        DirTreeRules rules;
        QCOMPARE(rules.shownSubdirectories(top),
                 QStringList({".hid", ".Trash-0", "A", "b", "veto"}));
        QVERIFY(!rules.shows(top, "..") && !rules.shows(top, "."));

        rules.dirType = dtNormal;
        rules.onAddDir = [](const QString& path) { return !path.endsWith("/veto/"); };
        QCOMPARE(rules.shownSubdirectories(top), QStringList({"A", "b"}));
        QVERIFY(rules.hasShownSubdirectory(top));
        QVERIFY(!rules.hasShownSubdirectory(dir + "/onlyhidden/"));
        QVERIFY(!rules.hasShownSubdirectory(dir + "/gone/"));

        rules = DirTreeRules();
        rules.goBelowRecycleBin = false;
        QVERIFY(rules.shows(top, ".Trash-0"));
        QVERIFY(!rules.hasShownSubdirectory(top + ".Trash-0/"));
    }

    void volumeLookup() {
        QVERIFY(pathLiesOn("/home/u", "/"));
        QVERIFY(pathLiesOn("/home/u/", "/home"));
        QVERIFY(!pathLiesOn("/homer/u", "/home"));
        const QList<MountedVolume> volumes = {{"/", "", MountedVolume::Fixed},
                                              {"/home", "HOME", MountedVolume::Fixed},
                                              {"/home/u/net", "", MountedVolume::Network}};
        QCOMPARE(volumeIndexOf(volumes, "/etc"), 0);
        QCOMPARE(volumeIndexOf(volumes, "/home/u/Music"), 1);
        QCOMPARE(volumeIndexOf(volumes, "/home/u/net/x"), 2);
        QCOMPARE(volumeIndexOf(volumes.mid(1), "/etc"), -1);

        QCOMPARE(volumeKind("nfs4", "server:/export"), MountedVolume::Network);
        QCOMPARE(volumeKind("iso9660", "/dev/sr0"), MountedVolume::CdRom);
        QCOMPARE(volumeKind("tmpfs", "tmpfs"), MountedVolume::Ram);
        QCOMPARE(volumeKind("ext4", "/dev/no-such-disk1"), MountedVolume::Fixed);

        // The system's list holds the file-system root once, first.
        const QList<MountedVolume> system = mountedVolumes();
        QVERIFY(!system.isEmpty());
        QCOMPARE(system.first().rootPath, QStringLiteral("/"));
        QVERIFY(std::none_of(system.begin() + 1, system.end(),
                             [](const MountedVolume& v) { return v.rootPath == "/"; }));
    }
};

QTEST_GUILESS_MAIN(TestFileMask)
#include "tst_filemask.moc"
