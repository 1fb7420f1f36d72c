// The directory tree and the directory picker on temporary directory trees, each made a
// "volume" of its own: lazy reading with placeholders, drive nodes by kind, finding a
// directory level by level, the showing rules, and the picker driven by real clicks.

#include <QApplication>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "controls/TDirTree.h"
#include "controls/TDirTreeForm.h"
#include "core/SonvoxError.h"

namespace {

QString makeTree(const QTemporaryDir& tmp, const QStringList& dirs) {
    for (const QString& dir : dirs)
        QDir().mkpath(tmp.filePath(dir));
    return QDir::cleanPath(tmp.path());
}

QStringList captions(const QTreeWidgetItem* node) {
    QStringList texts;
    for (int i = 0; i < node->childCount(); ++i)
        texts.append(node->child(i)->text(0));
    return texts;
}

bool hasPlaceholder(const QTreeWidgetItem* node) {
    return node->childCount() == 1 && TDirTree::isPlaceholder(node->child(0)) &&
           node->child(0)->text(0) == QLatin1String("**");
}

void clickNode(TDirTree* tree, QTreeWidgetItem* node) {
    tree->scrollToItem(node);
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
}

// Runs `action` on the picker once its modal loop runs; a picker the action leaves open
// is closed after a while so that a failing test cannot hang.
void whenPickerShows(std::function<void(TDirTreeForm*)> action) {
    QTimer::singleShot(0, qApp, [action] {
        auto* form = qobject_cast<TDirTreeForm*>(QApplication::activeModalWidget());
        if (!form) {
            QTest::qFail("the picker is not showing", __FILE__, __LINE__);
            return;
        }
        auto* guard = new QTimer(form);
        guard->setSingleShot(true);
        QObject::connect(guard, &QTimer::timeout, form, &QDialog::reject);
        QObject::connect(form, &QDialog::finished, guard, &QObject::deleteLater);
        guard->start(3000);
        action(form);
    });
}

}  // namespace

class TestDirTree : public QObject {
    Q_OBJECT

private:
    QString originalDir_ = QDir::currentPath();

    static MountedVolume volume(const QString& root,
                                MountedVolume::Kind kind = MountedVolume::Fixed) {
        return MountedVolume{root, QString(), kind};
    }

private slots:
    void cleanup() { QDir::setCurrent(originalDir_); }

    // ---- Nodes --------------------------------------------------------------------------

    void expandsLazilyWithPlaceholders() {
        QTemporaryDir tmp;
        const QString root = makeTree(tmp, {"gamma/", "Beta/", "alpha/one/two/", "alpha/Zed/"});
        TDirTree tree;
        tree.setVolumes(QList<MountedVolume>{volume(root)});
        tree.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tree));

        QCOMPARE(tree.topLevelItemCount(), 1);
        QTreeWidgetItem* drive = tree.topLevelItem(0);
        QCOMPARE(TDirTree::nodePath(drive), root + "/");
        QVERIFY(hasPlaceholder(drive));
        QVERIFY(!TDirTree::childrenRead(drive));

        tree.setCurrentItem(drive);
        QTest::keyClick(&tree, Qt::Key_Right);
        QVERIFY(drive->isExpanded());
        QVERIFY(TDirTree::childrenRead(drive));
        QCOMPARE(captions(drive), QStringList({"alpha", "Beta", "gamma"}));
        QTreeWidgetItem* alpha = drive->child(0);
        QCOMPARE(TDirTree::nodePath(alpha), root + "/alpha/");
        QVERIFY(hasPlaceholder(alpha));
        QVERIFY(!TDirTree::childrenRead(alpha));
        QCOMPARE(drive->child(1)->childCount(), 0);

        alpha->setExpanded(true);
        QCOMPARE(captions(alpha), QStringList({"one", "Zed"}));
        QVERIFY(hasPlaceholder(alpha->child(0)));
        QCOMPARE(alpha->child(1)->childCount(), 0);
    }

    void driveNodesByKind() {
        QTemporaryDir tmp;
        const QString root =
            makeTree(tmp, {"fixedEmpty/", "fixedFull/x/", "stick/", "disc/", "net/x/", "ram/"});
        TDirTree tree;
        tree.setVolumes(QList<MountedVolume>{
            volume(root + "/disc", MountedVolume::CdRom),
            volume(root + "/fixedEmpty"),
            volume(root + "/fixedFull"),
            volume(root + "/net", MountedVolume::Network),
            volume(root + "/ram", MountedVolume::Ram),
            volume(root + "/stick", MountedVolume::Removable),
        });
        tree.buildDriveNodes();
        auto drive = [&tree, &root](const QString& name) {
            return tree.nodeAt(root + "/" + name + "/");
        };
        QCOMPARE(tree.topLevelItemCount(), 6);
        QVERIFY(hasPlaceholder(drive("disc")));
        QVERIFY(hasPlaceholder(drive("stick")));  // shown without looking at the device
        QVERIFY(hasPlaceholder(drive("fixedFull")));
        QVERIFY(hasPlaceholder(drive("net")));
        QCOMPARE(drive("fixedEmpty")->childCount(), 0);
        QCOMPARE(drive("ram")->childCount(), 0);

        // Expanding the empty stick only takes its button away.
        drive("stick")->setExpanded(true);
        QCOMPARE(drive("stick")->childCount(), 0);

        tree.setFastLoad(true);
        tree.buildDriveNodes();
        QVERIFY(hasPlaceholder(drive("fixedEmpty")));
        QVERIFY(hasPlaceholder(drive("ram")));

        tree.setAllowNetwork(false);
        QCOMPARE(tree.topLevelItemCount(), 5);
        QCOMPARE(drive("net"), nullptr);
    }

    // ---- Directory ----------------------------------------------------------------------

    void setsDirectoryLevelByLevel() {
        QTemporaryDir tmp;
        const QString root =
            makeTree(tmp, {"a/b/c/d/e/f/", "a/side/x/", "z/y/", "Case/in/", "case/", ".hid/deep/"});
        TDirTree tree;
        tree.setVolumes(QList<MountedVolume>{volume(root)});
        QCOMPARE(tree.directory(), QStringLiteral("?"));

        tree.setDirectory(root + "/a/b/c/d/e/f");
        QCOMPARE(tree.directory(), root + "/a/b/c/d/e/f/");
        QTreeWidgetItem* deep = tree.nodeAt(root + "/a/b/c/d/e/f/");
        QVERIFY(deep && deep->isSelected());
        for (QTreeWidgetItem* up = deep->parent(); up; up = up->parent())
            QVERIFY(up->isExpanded());
        // Only the levels on the way were read.
        QVERIFY(!TDirTree::childrenRead(tree.nodeAt(root + "/a/side/")));
        QVERIFY(!TDirTree::childrenRead(tree.nodeAt(root + "/z/")));
        QVERIFY(!TDirTree::childrenRead(deep));

        // Names are compared exactly: "Case" and "case" are two directories.
        tree.setDirectory(root + "/Case/in/");
        QCOMPARE(tree.directory(), root + "/Case/in/");
        tree.setDirectory(root + "/case");
        QCOMPARE(tree.directory(), root + "/case/");

        // Relative to the current directory, cleaned.
        QDir::setCurrent(root + "/a");
        tree.setDirectory("side/../b/./c");
        QCOMPARE(tree.directory(), root + "/a/b/c/");

        tree.setDirectory("?");
        QCOMPARE(tree.directory(), root + "/a/b/c/");
        try {
            tree.setDirectory(QString());
            QFAIL("no error for an empty directory");
        } catch (const SonvoxError& error) {
            QCOMPARE(error.message(), QStringLiteral("Invalid Directory Name"));
        }
        QCOMPARE(tree.directory(), root + "/a/b/c/");

        // A level that is not shown leaves the selection as it was.
        tree.setDirType(dtNormal);
        tree.setDirectory(root + "/a/b/c/");
        tree.setDirectory(root + "/.hid/deep");
        QCOMPARE(tree.directory(), root + "/a/b/c/");

        // A directory that does not exist: the root of the current directory's volume.
        tree.setDirectory(root + "/a/gone/");
        QCOMPARE(tree.directory(), root + "/");
    }

    void hiddenDirectoryRulesAndRebuilding() {
        QTemporaryDir tmp;
        const QString root = makeTree(tmp, {".config/x/", "Music/Rock/", ".Trash-0/files/f/"});
        TDirTree tree;
        tree.setVolumes(QList<MountedVolume>{volume(root)});
        tree.setDirectory(root + "/Music/Rock");
        QTreeWidgetItem* drive = tree.topLevelItem(0);
        QCOMPARE(captions(drive), QStringList({".config", ".Trash-0", "Music"}));
        QVERIFY(hasPlaceholder(tree.nodeAt(root + "/.Trash-0/")));

        // Rebuilding keeps the selection where it is still shown.
        tree.setDirType(dtNormal);
        drive = tree.topLevelItem(0);
        QCOMPARE(tree.directory(), root + "/Music/Rock/");
        QCOMPARE(captions(drive), QStringList({"Music"}));

        tree.setDirType(DirTypes(dtHidden));
        drive = tree.topLevelItem(0);
        drive->setExpanded(true);
        QCOMPARE(captions(drive), QStringList({".config", ".Trash-0"}));
        // The selection was no longer shown: its drive's root is selected instead.
        QCOMPARE(tree.directory(), root + "/");

        tree.setDirType(DirTypes(dtNormal) | dtAll);
        tree.setGoBelowRecycleBin(false);
        drive = tree.topLevelItem(0);
        drive->setExpanded(true);
        QTreeWidgetItem* trash = tree.nodeAt(root + "/.Trash-0/");
        QVERIFY(trash);
        QCOMPARE(trash->childCount(), 0);
    }

    // ---- Picker -------------------------------------------------------------------------

    void pickerOkReturnsThePathAsOnDisk() {
        QTemporaryDir tmp;
        const QString root = makeTree(tmp, {"My Music/Rock/Metal/", "My Music/jazz/"});
        TDirTreeForm form;
        form.dirTree()->setVolumes(QList<MountedVolume>{volume(root)});

        // The start directory as it is, by OK.
        whenPickerShows(
            [](TDirTreeForm* shown) { QTest::mouseClick(shown->okButton(), Qt::LeftButton); });
        QCOMPARE(form.pick(root + "/My Music/Rock"), root + "/My Music/Rock/");

        // Another node chosen by mouse and keyboard, then Enter for the default button.
        whenPickerShows([&root](TDirTreeForm* shown) {
            TDirTree* tree = shown->dirTree();
            clickNode(tree, tree->nodeAt(root + "/My Music/Rock/"));
            QTest::keyClick(tree, Qt::Key_Right);
            clickNode(tree, tree->nodeAt(root + "/My Music/Rock/Metal/"));
            QTest::keyClick(tree, Qt::Key_Return);
        });
        QCOMPARE(form.pick(root + "/My Music/Rock"), root + "/My Music/Rock/Metal/");
        QCOMPARE(form.chosenDirectory(), root + "/My Music/Rock/Metal/");

        // A drive root comes back as the root with its "/".
        whenPickerShows([&root](TDirTreeForm* shown) {
            clickNode(shown->dirTree(), shown->dirTree()->nodeAt(root + "/"));
            QTest::mouseClick(shown->okButton(), Qt::LeftButton);
        });
        QCOMPARE(form.pick(root + "/My Music/jazz"), root + "/");
    }

    void pickerLeftWithoutOkReturnsNothing() {
        QTemporaryDir tmp;
        const QString root = makeTree(tmp, {"Music/"});
        TDirTreeForm form;
        form.dirTree()->setVolumes(QList<MountedVolume>{volume(root)});

        whenPickerShows([&root](TDirTreeForm* shown) {
            clickNode(shown->dirTree(), shown->dirTree()->nodeAt(root + "/"));
            QTest::mouseClick(shown->cancelButton(), Qt::LeftButton);
        });
        QCOMPARE(form.pick(root + "/Music"), QString());

        whenPickerShows([](TDirTreeForm* shown) { shown->close(); });
        QCOMPARE(form.pick(root + "/Music"), QString());

        // OK with nothing selected hands back nothing rather than "?".
        whenPickerShows([](TDirTreeForm* shown) {
            shown->dirTree()->clearSelection();
            QTest::mouseClick(shown->okButton(), Qt::LeftButton);
        });
        QCOMPARE(form.pick(root + "/Music"), QString());

        // An empty start is refused before anything shows.
        QVERIFY_THROWS_EXCEPTION(SonvoxError, form.pick(QString()));
        QVERIFY(!form.isVisible());
    }

    void pickDirectoryOnTheRealFileSystem() {
        QTemporaryDir tmp;
        const QString root = makeTree(tmp, {"MiXeD/CaSe/"});
        whenPickerShows(
            [](TDirTreeForm* shown) { QTest::mouseClick(shown->okButton(), Qt::LeftButton); });
        QCOMPARE(pickDirectory(nullptr, root + "/MiXeD/CaSe"), root + "/MiXeD/CaSe/");

        // A start that no longer exists: the root of the current directory's volume.
        QDir::setCurrent(root);
        const QList<MountedVolume> volumes = mountedVolumes();
        const qsizetype current = volumeIndexOf(volumes, QDir::currentPath());
        QVERIFY(current >= 0);
        QString expected = volumes[current].rootPath;
        if (!expected.endsWith('/'))
            expected += '/';
        whenPickerShows(
            [](TDirTreeForm* shown) { QTest::mouseClick(shown->okButton(), Qt::LeftButton); });
        QCOMPARE(pickDirectory(nullptr, root + "/vanished"), expected);
    }
};

QTEST_MAIN(TestDirTree)
#include "tst_dirtree.moc"
