// The load dialog on temporary directories of small tagged files: the title entries, the
// title list's order, selection and cache, the filter's effect on what is shown and handed
// back, the directory question, the presets and the results after OK and Cancel. Input
// goes through real mouse and key events on the offscreen platform; the dialog is shown
// with open() so the test keeps running, and once with the modal exec() of the seam.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>

#include "controls/TKMVDirList.h"
#include "controls/TKMVFileList.h"
#include "controls/TKMVFilter.h"
#include "core/SonvoxError.h"
#include "lists/TLoadDialog.h"

#include "CatchingApplication.h"

namespace {

// A file of 64 bytes of sound followed by an ID3v1 tag with this artist and title, or
// without a tag when tagged is false.
void writeTrack(const QString& path, const QByteArray& artist, const QByteArray& title,
                bool tagged = true) {
    QByteArray bytes(64, '\x55');
    if (tagged) {
        QByteArray tag(128, '\0');
        tag.replace(0, 3, "TAG");
        tag.replace(3, title.size(), title);
        tag.replace(33, artist.size(), artist);
        tag[127] = char(255);
        bytes += tag;
    }
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

QStringList texts(const QListWidget& list) {
    QStringList result;
    for (int row = 0; row < list.count(); ++row) {
        result.append(list.item(row)->text());
    }
    return result;
}

void clickRow(QListWidget& list, int row, Qt::KeyboardModifiers modifiers = {}) {
    QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers,
                      list.visualItemRect(list.item(row)).center());
}

// A press and release, then the double click that a second quick press makes.
void doubleClickRow(QListWidget& list, int row, Qt::KeyboardModifiers modifiers = {}) {
    const QPoint at = list.visualItemRect(list.item(row)).center();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers, at);
    QTest::mouseDClick(list.viewport(), Qt::LeftButton, modifiers, at);
    QTest::mouseRelease(list.viewport(), Qt::LeftButton, modifiers, at);
}

int rowOf(const QListWidget& list, const QString& text) {
    return texts(list).indexOf(text);
}

// Answers the next message box with `button`, remembering what it showed.
struct BoxAnswer {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    bool asked = false;
};

void answerNextBox(QMessageBox::StandardButton button, BoxAnswer* answer) {
    auto* poll = new QTimer(qApp);
    QObject::connect(poll, &QTimer::timeout, [poll, button, answer] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) {
            return;
        }
        poll->deleteLater();
        poll->stop();
        *answer = {box->windowTitle(), box->text(), box->icon(), box->standardButtons(), true};
        QTest::mouseClick(box->button(button), Qt::LeftButton);
    });
    poll->start(5);
}

}  // namespace

class TestLoadDialog : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tmp_;
    std::unique_ptr<TLoadDialog> dialog_;
    QString dir_;

    // a: X/Y, b: no tag, c and d: A/B, e: "A"/"B (Remix)", f: blanks only; and two list files.
    void makeTracks() {
        writeTrack(dir_ + "/a.mp3", "X", "Y");
        writeTrack(dir_ + "/b.mp3", "", "", false);
        writeTrack(dir_ + "/c.mp3", "A", "B");
        writeTrack(dir_ + "/d.mp2", " A", "B  ");
        writeTrack(dir_ + "/e.msf", "A", "B (Remix)");
        writeTrack(dir_ + "/f.mp3", "   ", " ");
        writeTrack(dir_ + "/list.ply", "", "", false);
        writeTrack(dir_ + "/list.m3u", "", "", false);
    }
    void openOn(const QString& dir) {
        dialog_->setDirectory(dir);
        dialog_->open();
        QVERIFY(QTest::qWaitForWindowExposed(dialog_.get()));
        QTRY_VERIFY(!dialog_->fillingTitles());
    }
    void tickDisplayTitle() {
        QTest::mouseClick(dialog_->displayTitleBox(), Qt::LeftButton);
        QTRY_VERIFY(!dialog_->fillingTitles());
    }
    void clickOk() { QTest::mouseClick(dialog_->okButton(), Qt::LeftButton); }

private slots:
    void init() {
        tmp_ = std::make_unique<QTemporaryDir>();
        dir_ = QDir(tmp_->path()).canonicalPath();
        dialog_ = std::make_unique<TLoadDialog>();
    }
    void cleanup() {
        dialog_.reset();
        QDir::setCurrent(QDir::tempPath());
        tmp_.reset();
    }

    void titleEntries_data() {
        QTest::addColumn<QByteArray>("artist");
        QTest::addColumn<QByteArray>("title");
        QTest::addColumn<bool>("tagged");
        QTest::addColumn<QString>("text");
        QTest::newRow("artist and title") << QByteArray("X") << QByteArray("Y") << true << "X - Y";
        QTest::newRow("trimmed") << QByteArray(" X\t") << QByteArray("Y  ") << true << "X - Y";
        QTest::newRow("artist only") << QByteArray("X") << QByteArray() << true << "X - ";
        QTest::newRow("blanks only") << QByteArray("  ") << QByteArray(" ") << true << " - ";
        QTest::newRow("Windows-1252")
            << QByteArray("Caf\xe9") << QByteArray("\x80") << true << QString::fromUtf8("Café - €");
        QTest::newRow("empty fields") << QByteArray() << QByteArray() << true << "t.mp3";
        QTest::newRow("no tag") << QByteArray() << QByteArray() << false << "t.mp3";
    }
    void titleEntries() {
        QFETCH(QByteArray, artist);
        QFETCH(QByteArray, title);
        QFETCH(bool, tagged);
        QFETCH(QString, text);
        writeTrack(dir_ + "/t.mp3", artist, title, tagged);
        const TitleEntry entry = readTitleEntry(dir_, "t.mp3");
        QCOMPARE(entry.text, text);
        QCOMPARE(entry.fileName, QStringLiteral("t.mp3"));
    }

    void unreadableFilesAreListedByName() {
        QDir(dir_).mkdir("folder.mp3");
        QCOMPARE(readTitleEntry(dir_, "folder.mp3").text, QStringLiteral("folder.mp3"));
        QCOMPARE(readTitleEntry(dir_, "gone.mp3").text, QStringLiteral("gone.mp3"));
    }

    void titleListIsSortedAndHandsBackItsFiles() {
        makeTracks();
        openOn(dir_);
        QVERIFY(dialog_->fileList()->isVisible() && !dialog_->titleList()->isVisible());
        tickDisplayTitle();
        QListWidget& titles = *dialog_->titleList();
        QVERIFY(titles.isVisible() && !dialog_->fileList()->isVisible());
        QCOMPARE(titles.geometry(), dialog_->fileList()->geometry());
        QCOMPARE(texts(titles),
                 QStringList({" - ", "A - B", "A - B", "A - B (Remix)", "b.mp3", "X - Y"}));

        clickRow(titles, rowOf(titles, "X - Y"));
        clickRow(titles, rowOf(titles, "A - B (Remix)"), Qt::ControlModifier);
        QCOMPARE(dialog_->chosenFiles(), QStringList({"e.msf", "a.mp3"}));
        clickRow(titles, 1);
        clickRow(titles, 2, Qt::ShiftModifier);
        QCOMPARE(dialog_->chosenFiles(), QStringList({"c.mp3", "d.mp2"}));
        clickRow(titles, 2);
        clickOk();
        QVERIFY(dialog_->accepted() && !dialog_->isVisible());
        QCOMPARE(dialog_->choices().chosen, QStringList({"d.mp2"}));
        QVERIFY(dialog_->choices().displayTitle);
    }

    void fileListSelectionThroughTheModalSeam() {
        makeTracks();
        dialog_->setDirectory(dir_);
        QStringList listed;
        QTimer::singleShot(0, [this, &listed] {
            TKMVFileList& files = *dialog_->fileList();
            listed = texts(files);
            clickRow(files, 4);
            clickRow(files, 1, Qt::ControlModifier);
            doubleClickRow(files, 2, Qt::ControlModifier);
        });
        const LoadDialogResult result = dialog_->source().exec();
        QCOMPARE(listed, QStringList({"a.mp3", "b.mp3", "c.mp3", "d.mp2", "e.msf", "f.mp3"}));
        QVERIFY(result.accepted);
        QCOMPARE(result.directory, dir_);
        QCOMPARE(result.filterIndex, LoadFilter::MpegFiles);
        QVERIFY(result.append && !result.displayTitle);
        QCOMPARE(result.chosen, QStringList({"b.mp3", "c.mp3", "e.msf"}));
        QVERIFY(dialog_->source().appendTicked());
    }

    void filterDecidesWhatIsShownAndHandedBack() {
        makeTracks();
        openOn(dir_);
        tickDisplayTitle();
        TKMVFilter& filter = *dialog_->filterBox();
        filter.setFocus();
        QTest::keyClick(&filter, Qt::Key_Down);  // "Directory"
        QVERIFY(!dialog_->titleList()->isVisible() && dialog_->fileList()->isVisible());
        QCOMPARE(dialog_->fileList()->count(), 0);
        QTest::keyClick(&filter, Qt::Key_Down);  // "Playlist"
        QCOMPARE(texts(*dialog_->fileList()), QStringList({"list.m3u", "list.ply"}));
        clickRow(*dialog_->fileList(), 1);
        clickOk();
        // "Display Title" stays ticked, yet the list file comes from the file list.
        QCOMPARE(dialog_->filterIndex(), LoadFilter::Playlist);
        QCOMPARE(dialog_->chosenFiles(), QStringList({"list.ply"}));

        // The next showing lists what the filter box says.
        dialog_->open();
        QCOMPARE(texts(*dialog_->fileList()), QStringList({"list.m3u", "list.ply"}));
        QTest::keyClick(&filter, Qt::Key_Up);
        QTest::keyClick(&filter, Qt::Key_Up);  // "Mpeg Files": the cached titles at once
        QVERIFY(dialog_->titleList()->isVisible() && !dialog_->fillingTitles());
        QCOMPARE(dialog_->titleList()->count(), 6);
    }

    void titleCacheKeepsTheListOfItsDirectoryAndAFillFollowsTheDialog() {
        makeTracks();
        QDir(dir_).mkdir("sub");
        writeTrack(dir_ + "/sub/s.mp3", "S", "T");
        openOn(dir_);
        tickDisplayTitle();
        QCOMPARE(dialog_->titleCacheDirectory(), dir_);
        dialog_->reject();

        // Reopening on the same directory reads no tag: the changed one and the new file
        // stay as they were, though the file list shows the new file.
        writeTrack(dir_ + "/a.mp3", "Z", "Y");
        writeTrack(dir_ + "/g.mp3", "G", "H");
        openOn(dir_);
        QVERIFY(texts(*dialog_->fileList()).contains("g.mp3"));
        QVERIFY(texts(*dialog_->titleList()).contains("X - Y"));
        QCOMPARE(dialog_->titleList()->count(), 6);
        dialog_->reject();

        // Without a cache the fill starts with the showing, runs from the event loop and
        // stops with the dialog.
        dialog_->clearTitleCache();
        dialog_->open();
        QVERIFY(dialog_->fillingTitles() && QGuiApplication::overrideCursor());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
        dialog_->reject();
        QVERIFY(!dialog_->fillingTitles() && !QGuiApplication::overrideCursor());
        QCOMPARE(dialog_->titleCacheDirectory(), QString());

        // A fill under way follows a click into another directory; back again reads anew.
        dialog_->open();
        TKMVDirList& dirs = *dialog_->dirList();
        clickRow(dirs, dirs.directoryRow() + 1);
        QTRY_VERIFY(!dialog_->fillingTitles());
        QCOMPARE(texts(*dialog_->titleList()), QStringList({"S - T"}));
        QCOMPARE(dialog_->titleCacheDirectory(), dir_ + "/sub");
        clickRow(dirs, dirs.directoryRow() - 1);
        QTRY_VERIFY(!dialog_->fillingTitles());
        QVERIFY(texts(*dialog_->titleList()).contains("Z - Y"));
        QCOMPARE(dialog_->titleList()->count(), 7);
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    void okWithoutSelectionAsksForTheDirectory_data() {
        QTest::addColumn<int>("list");  // 0 file list, 1 title list, 2 title list filling
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<int>("filterIndex");
        for (const int list : {0, 1}) {
            QTest::addRow("%d Yes", list) << list << int(QMessageBox::Yes) << true << 1;
            QTest::addRow("%d No", list) << list << int(QMessageBox::No) << true << 0;
            QTest::addRow("%d Cancel", list) << list << int(QMessageBox::Cancel) << false << 0;
        }
        QTest::addRow("2 Yes") << 2 << int(QMessageBox::Yes) << true << 1;
    }
    void okWithoutSelectionAsksForTheDirectory() {
        QFETCH(int, list);
        QFETCH(int, answer);
        QFETCH(bool, closed);
        QFETCH(int, filterIndex);
        makeTracks();
        openOn(dir_);
        if (list > 0) {
            tickDisplayTitle();
        }
        if (list == 2) {
            dialog_->reject();
            dialog_->clearTitleCache();
            dialog_->open();
            QVERIFY(dialog_->fillingTitles() && dialog_->titleList()->count() == 0);
        }
        BoxAnswer asked;
        answerNextBox(QMessageBox::StandardButton(answer), &asked);
        clickOk();
        QVERIFY(asked.asked);
        QCOMPARE(asked.caption, QStringLiteral("No Mpeg File selected!"));
        QCOMPARE(asked.text, QStringLiteral("Should the complete Directory be loaded?"));
        QCOMPARE(asked.icon, QMessageBox::Question);
        QCOMPARE(asked.buttons, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(dialog_->isVisible(), !closed);
        QCOMPARE(dialog_->accepted(), closed);
        QCOMPARE(dialog_->filterIndex(), filterIndex);
        QCOMPARE(dialog_->chosenFiles(), QStringList());
    }

    void cancelEscapeAndTheFrameLeaveTheOkFlagFalse() {
        makeTracks();
        for (int way = 0; way < 3; ++way) {
            openOn(dir_);
            clickRow(*dialog_->fileList(), 0);
            clickOk();
            QVERIFY(dialog_->accepted());
            dialog_->open();  // without a preset the selection is kept
            QVERIFY(!dialog_->accepted());
            QCOMPARE(dialog_->chosenFiles(), QStringList({"a.mp3"}));
            if (way == 0) {
                QTest::mouseClick(dialog_->cancelButton(), Qt::LeftButton);
            } else if (way == 1) {
                QTest::keyClick(dialog_.get(), Qt::Key_Escape);
            } else {
                dialog_->close();
            }
            QVERIFY(!dialog_->isVisible() && !dialog_->accepted());
        }
    }

    void aDirectoryGoneSinceTheLastShowingIsReported() {
        QDir(dir_).mkdir("gone");
        writeTrack(dir_ + "/gone/a.mp3", "X", "Y");
        openOn(dir_ + "/gone");
        tickDisplayTitle();
        dialog_->reject();
        QDir(dir_ + "/gone").removeRecursively();
        auto& app = *static_cast<CatchingApplication*>(qApp);
        app.errors.clear();
        dialog_->open();
        QCOMPARE(app.errors, QStringList({"Verzeichnis nicht gefunden - " + dir_ + "/gone"}));
        QVERIFY(dialog_->isVisible());
        QCOMPARE(dialog_->fileList()->count(), 0);
        QTRY_COMPARE(dialog_->titleList()->count(), 0);
        clickRow(*dialog_->dirList(), dialog_->dirList()->directoryRow() - 1);
        QCOMPARE(dialog_->directory(), dir_);
        clickOk();  // nothing listed: no question
        QVERIFY(dialog_->accepted() && dialog_->chosenFiles().isEmpty());
    }

    void presetsAndTheDirectoryList() {
        makeTracks();
        QDir(dir_).mkpath("z/alpha");
        QDir(dir_).mkpath("z/sub/child");
        dialog_->setDirectorySource([this](LoadKind) { return dir_; });
        QString stored;
        dialog_->setTrackDirectoryStore([&stored](const QString& dir) { stored = dir; });
        dialog_->source().prepare(LoadKind::Selection);
        QCOMPARE(QDir::currentPath(), dir_);
        QCOMPARE(dialog_->filterIndex(), LoadFilter::Selection);
        QCOMPARE(dialog_->fileMask(), TLoadDialog::kSelectionMask);
        dialog_->setFileMask(TLoadDialog::kPlaylistMask);
        QVERIFY_THROWS_EXCEPTION(SonvoxError, dialog_->setDirectory(dir_ + "/missing"));
        QCOMPARE(dialog_->directory(), dir_);
        dialog_->source().storeTrackDirectory("/music");
        QCOMPARE(stored, QStringLiteral("/music"));

        openOn(dir_ + "/z");
        QCOMPARE(texts(*dialog_->fileList()), QStringList());
        // One click opens a directory; the second click of a double click opens nothing
        // more, although "child" has moved under the pointer.
        TKMVDirList& dirs = *dialog_->dirList();
        doubleClickRow(dirs, texts(dirs).indexOf("sub"));
        QCOMPARE(dialog_->directory(), dir_ + "/z/sub");
        QCOMPARE(QDir::currentPath(), dir_ + "/z/sub");
    }
};

int main(int argc, char** argv) {
    CatchingApplication app(argc, argv);
    TestLoadDialog test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_loaddialog.moc"
