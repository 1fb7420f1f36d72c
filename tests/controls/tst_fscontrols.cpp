// The load dialog's four linked controls on temporary directory trees: the file list's
// masks and selection, the directory list's navigation, the drive box and the filter box,
// their links and their errors. User input goes through real mouse and key events; an
// error thrown from an event handler is caught the way the application object catches it.

#include <unistd.h>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "controls/TKMVDirList.h"
#include "controls/TKMVDrive.h"
#include "controls/TKMVFileList.h"
#include "controls/TKMVFilter.h"
#include "core/SonvoxError.h"

#include "CatchingApplication.h"

#include "TestFiles.h"

namespace {

QStringList& reportedErrors() {
    return static_cast<CatchingApplication*>(qApp)->errors;
}

using testsupport::makeTree;

QStringList rows(const QListWidget& list) {
    QStringList texts;
    for (int row = 0; row < list.count(); ++row)
        texts.append(list.item(row)->text());
    return texts;
}

QPoint rowCenter(const QListWidget& list, const QString& text) {
    return list.visualItemRect(list.findItems(text, Qt::MatchExactly).value(0)).center();
}

void click(QListWidget& list, const QString& text, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, rowCenter(list, text));
}

void doubleClick(QListWidget& list, const QString& text) {
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, {}, rowCenter(list, text));
}

}  // namespace

class TestFsControls : public QObject {
    Q_OBJECT

private:
    QString originalDir_ = QDir::currentPath();

private slots:
    void init() { reportedErrors().clear(); }
    void cleanup() { QDir::setCurrent(originalDir_); }

    // ---- File list ----------------------------------------------------------------------

    void fileListShowsMatchingNamesInTheirCase() {
        QTemporaryDir tmp;
        const QString dir = makeTree(
            tmp, {"b.MP3", "a.mp3", "Cover.JPG", "c.Msf", ".d.mp3", "Sub/", "Gone/", "Gone/g.mp3"});
        TKMVFileList list;
        list.setMask("*.mp*;*.msf");
        list.setDirectory(dir);
        QCOMPARE(rows(list), QStringList({"a.mp3", "b.MP3", "c.Msf"}));
        QCOMPARE(QDir::currentPath(), dir);

        list.setFileType(FileTypes(ftNormal) | ftDirectory);
        list.setMask("*.*");
        QCOMPARE(rows(list),
                 QStringList({"[Gone]", "[Sub]", "a.mp3", "b.MP3", "c.Msf", "Cover.JPG"}));

        // A directory that vanished empties the list and says so.
        list.setDirectory(dir + "/Gone");
        QVERIFY(QDir(dir + "/Gone").removeRecursively());
        try {
            list.refresh();
            QFAIL("no error for a vanished directory");
        } catch (const SonvoxError& error) {
            QCOMPARE(error.message(), "Verzeichnis nicht gefunden - " + dir + "/Gone");
        }
        QCOMPARE(list.count(), 0);
    }

    void fileListMultiSelectWithMouseAndKeys() {
        QTemporaryDir tmp;
        const QString dir = makeTree(tmp, {"1.mp3", "2.mp3", "3.mp3", "4.mp3", "5.mp3"});
        TKMVFileList list;
        list.setDirectory(dir);
        list.setMultiSelect(true);
        list.show();
        QVERIFY(QTest::qWaitForWindowExposed(&list));

        click(list, "1.mp3");
        click(list, "3.mp3", Qt::ShiftModifier);
        click(list, "2.mp3", Qt::ControlModifier);
        QCOMPARE(list.selectedNames(), QStringList({"1.mp3", "3.mp3"}));

        // Selected from the bottom up, handed back in list order.
        click(list, "5.mp3");
        click(list, "2.mp3", Qt::ShiftModifier);
        QCOMPARE(list.selectedNames(), QStringList({"2.mp3", "3.mp3", "4.mp3", "5.mp3"}));

        click(list, "3.mp3");
        QTest::keyClick(&list, Qt::Key_Down, Qt::ShiftModifier);
        QCOMPARE(list.selectedNames(), QStringList({"3.mp3", "4.mp3"}));
        QCOMPARE(list.fileName(), dir + "/4.mp3");

        list.setMultiSelect(false);
        click(list, "1.mp3");
        click(list, "4.mp3", Qt::ShiftModifier);
        QCOMPARE(list.selectedNames(), QStringList({"4.mp3"}));
    }

    void fileEditAppliesWhatIsTyped() {
        QTemporaryDir tmp;
        const QString dir = makeTree(tmp, {"a.mp3", "c.msf", "Cover.JPG", "Sub/", "Sub/s.mp3"});
        TKMVDirList dirList;
        TKMVFileList files;
        QLineEdit edit;
        dirList.setDirectory(dir);
        dirList.setFileList(&files);
        files.setFileEdit(&edit);
        files.setMask("*.mp*;*.msf");
        QCOMPARE(edit.text(), QStringLiteral("*.mp*;*.msf"));
        auto type = [&edit](const QString& text) {
            edit.clear();
            QTest::keyClicks(&edit, text);
            QTest::keyClick(&edit, Qt::Key_Return);
        };

        type("*.MSF");
        QCOMPARE(rows(files), QStringList({"c.msf"}));
        // An existing file the mask hides is shown by its own name and selected.
        type("Cover.JPG");
        QCOMPARE(files.selectedNames(), QStringList({"Cover.JPG"}));
        QCOMPARE(edit.text(), QStringLiteral("Cover.JPG"));

        // Names that do not exist are errors and change nothing.
        type("cover.jpg");
        type("Nowhere/x.mp3");
        QCOMPARE(reportedErrors(), QStringList({"Ungültiger Dateiname - cover.jpg",
                                                "Ungültiger Dateiname - Nowhere/x.mp3"}));
        QCOMPARE(files.mask(), QStringLiteral("Cover.JPG"));
        QCOMPARE(files.directory(), dir);

        // A directory part goes through the linked directory list.
        type("Sub/*.mp3");
        QCOMPARE(dirList.directory(), dir + "/Sub");
        QCOMPARE(rows(files), QStringList({"s.mp3"}));
        type("..");
        QCOMPARE(dirList.directory(), dir);
        QCOMPARE(files.directory(), dir);
    }

    void largeDirectoryListsWithSharedIcons() {
        QTemporaryDir tmp;
        constexpr int kFiles = 5000;
        for (int i = 0; i < kFiles; ++i)
            QVERIFY(
                QFile(tmp.filePath(QStringLiteral("t%1.mp3").arg(i))).open(QIODevice::WriteOnly));
        TKMVFileList list;
        list.setShowGlyphs(true);
        list.setDirectory(tmp.path());
        QCOMPARE(list.count(), kFiles);
        QVERIFY(!list.item(0)->icon().isNull());
        QCOMPARE(list.item(kFiles - 1)->icon().cacheKey(), list.item(0)->icon().cacheKey());
    }

    // ---- Directory list -----------------------------------------------------------------

    void dirListShowsLevelsAndNavigates() {
        QTemporaryDir tmp;
        const QString dir =
            makeTree(tmp, {"A/rock/", "A/Jazz/", "A/.hidden/", "A/a.mp3", "A/Jazz/j.mp3"});
        TKMVDirList dirs;
        TKMVFileList files;
        QLabel label;
        dirs.setDirLabel(&label);
        dirs.setFileList(&files);
        QSignalSpy changed(&dirs, &TKMVDirList::changed);
        dirs.setDirectory(dir + "/A");

        QStringList expected = QStringList{"/"} + (dir + "/A").split('/', Qt::SkipEmptyParts);
        const int self = int(expected.size()) - 1;
        QCOMPARE(rows(dirs), expected + QStringList({"Jazz", "rock"}));
        QCOMPARE(dirs.directoryRow(), self);
        QCOMPARE(dirs.currentRow(), self);
        QCOMPARE(dirs.itemPath(0), QStringLiteral("/"));
        QCOMPARE(dirs.itemPath(self - 1), dir);
        QCOMPARE(dirs.itemPath(self + 1), dir + "/A/Jazz");
        QCOMPARE(QDir::currentPath(), dir + "/A");
        QCOMPARE(label.text(), dir + "/A");
        QCOMPARE(rows(files), QStringList({"a.mp3"}));
        QCOMPARE(changed.count(), 1);

        dirs.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dirs));
        click(dirs, "Jazz");  // a single click only selects
        QCOMPARE(dirs.directory(), dir + "/A");
        doubleClick(dirs, "Jazz");
        QCOMPARE(dirs.directory(), dir + "/A/Jazz");
        QCOMPARE(files.directory(), dir + "/A/Jazz");
        QCOMPARE(rows(files), QStringList({"j.mp3"}));
        QCOMPARE(QDir::currentPath(), dir + "/A/Jazz");

        // Enter on the level above goes up.
        dirs.setCurrentRow(dirs.directoryRow() - 1);
        QTest::keyClick(&dirs, Qt::Key_Return);
        QCOMPARE(dirs.directory(), dir + "/A");
        QCOMPARE(changed.count(), 3);
        QVERIFY(reportedErrors().isEmpty());
    }

    void dirListErrorsChangeNothing() {
        QTemporaryDir tmp;
        const QString dir = makeTree(tmp, {"A/Gone/", "A/Stay/", "file.mp3"});
        TKMVDirList dirs;
        TKMVFileList files;
        dirs.setDirectory(dir + "/A");
        dirs.setFileList(&files);
        const QStringList before = rows(dirs);
        QVERIFY_THROWS_EXCEPTION(SonvoxError, dirs.setDirectory(dir + "/missing"));
        QVERIFY_THROWS_EXCEPTION(SonvoxError, dirs.setDirectory(dir + "/file.mp3"));
        QCOMPARE(rows(dirs), before);

        // A listed directory that vanished before the double click.
        dirs.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dirs));
        QVERIFY(QDir(dir + "/A/Gone").removeRecursively());
        doubleClick(dirs, "Gone");
        QCOMPARE(reportedErrors(),
                 QStringList({"Verzeichnis nicht gefunden - " + dir + "/A/Gone"}));
        QCOMPARE(dirs.directory(), dir + "/A");
        QCOMPARE(files.directory(), dir + "/A");
        QCOMPARE(QDir::currentPath(), dir + "/A");
    }

    void dirListRefusesADirectoryThatCannotBeEntered() {
        if (geteuid() == 0)
            QSKIP("root enters every directory");
        QTemporaryDir tmp;
        const QString dir = makeTree(tmp, {"Locked/"});
        QVERIFY(QFile::setPermissions(dir + "/Locked", QFileDevice::ReadOwner));
        TKMVDirList dirs;
        dirs.setDirectory(dir);
        try {
            dirs.setDirectory(dir + "/Locked");
            QFAIL("no error for a directory that cannot be entered");
        } catch (const SonvoxError& error) {
            QCOMPARE(error.message(), "Zugriff verweigert - " + dir + "/Locked");
        }
        QCOMPARE(dirs.directory(), dir);
        QFile::setPermissions(dir + "/Locked", QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                   QFileDevice::ExeOwner);
    }

    // ---- Drive and filter boxes ---------------------------------------------------------

    void driveLeadsAndFollowsTheDirectoryList() {
        QTemporaryDir tmp;
        const QString dir = makeTree(tmp, {"volA/sub/", "volB/", "volB/b.mp3"});
        TKMVDrive drive;
        drive.setVolumes({{dir + "/volA", "", MountedVolume::Fixed},
                          {dir + "/volB", "Music", MountedVolume::Fixed},
                          {dir + "/volB/stick", "STICK", MountedVolume::Removable}});
        QCOMPARE(drive.itemText(0), dir + "/volA");
        QCOMPARE(drive.itemText(1), dir + "/volB: Music");
        QCOMPARE(drive.itemText(2), dir + "/volB/stick");

        TKMVDirList dirs;
        TKMVFileList files;
        dirs.setDirectory(dir + "/volA/sub");
        dirs.setFileList(&files);
        drive.setDirList(&dirs);
        QCOMPARE(drive.drive(), dir + "/volA");

        QSignalSpy changed(&drive, &TKMVDrive::changed);
        drive.show();
        QVERIFY(QTest::qWaitForWindowExposed(&drive));
        QTest::keyClick(&drive, Qt::Key_Down);
        QCOMPARE(dirs.directory(), dir + "/volB");
        QCOMPARE(rows(files), QStringList({"b.mp3"}));
        QCOMPARE(changed.count(), 1);

        dirs.setDirectory(dir + "/volA");
        QCOMPARE(drive.drive(), dir + "/volA");

        // A volume whose root has gone: the error comes through, the box stays right.
        QVERIFY(QDir(dir + "/volB").removeRecursively());
        QTest::keyClick(&drive, Qt::Key_Down);
        QCOMPARE(reportedErrors(), QStringList({"Verzeichnis nicht gefunden - " + dir + "/volB"}));
        QCOMPARE(drive.drive(), dir + "/volA");
        QCOMPARE(dirs.directory(), dir + "/volA");
        QCOMPARE(changed.count(), 1);
    }

    void filterBuildsItemsAndSetsTheFileMask() {
        QTemporaryDir tmp;
        const QString dir = makeTree(tmp, {"a.mp3", "b.sel", "c.m3u", "d.ply"});
        TKMVFileList files;
        files.setDirectory(dir);
        TKMVFilter filter;
        filter.setFileList(&files);
        filter.setFilter(
            "Mpeg Files|*.mp*;*.msf|Directory|zzz.zzz|Playlist|*.ply;*.m3u;*.pls|"
            "Selection|*.sel;*.m3u;*.pls");
        QCOMPARE(filter.count(), 4);
        QCOMPARE(filter.itemText(1), QStringLiteral("Directory"));
        QCOMPARE(filter.mask(), QStringLiteral("*.mp*;*.msf"));

        // From code nothing passes on; the user's choice does.
        QSignalSpy changed(&filter, &TKMVFilter::changed);
        filter.setCurrentIndex(2);
        QCOMPARE(files.mask(), QStringLiteral("*.*"));
        filter.show();
        QVERIFY(QTest::qWaitForWindowExposed(&filter));
        QTest::keyClick(&filter, Qt::Key_Down);
        QCOMPARE(rows(files), QStringList({"b.sel", "c.m3u"}));
        QTest::keyClick(&filter, Qt::Key_Up);
        QTest::keyClick(&filter, Qt::Key_Up);
        QCOMPARE(files.mask(), QStringLiteral("zzz.zzz"));
        QCOMPARE(rows(files), QStringList());
        QCOMPARE(changed.count(), 3);

        filter.setCurrentIndex(-1);
        QCOMPARE(filter.mask(), QStringLiteral("*.sel;*.m3u;*.pls"));
        filter.setFilter("Only|*.a|Dangling");
        QCOMPARE(filter.masks(), QStringList({"*.a"}));
        filter.setFilter("no bars at all");
        QCOMPARE(filter.mask(), QStringLiteral("*.*"));
    }
};

int main(int argc, char** argv) {
    CatchingApplication app(argc, argv);
    TestFsControls test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_fscontrols.moc"
