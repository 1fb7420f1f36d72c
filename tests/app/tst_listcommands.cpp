// The list-file commands of the main window: File > Open and File > Save, the lists'
// context menus "&Open" and "&Save", and a list as the start file. The window runs on a
// fake decoder with its own settings directory; the tracks are real files with tags. The
// load dialog is the real one, driven by clicks once it shows; the save dialog is replaced
// by a function that answers at once, except in the test that drives the real one.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

#include "FakeDecoder.h"
#include "TestFiles.h"
#include "app/CommandLine.h"
#include "app/SingleInstance.h"
#include "app/SonvoxApplication.h"
#include "app/TPlayerForm.h"
#include "controls/TKMVButton.h"
#include "controls/TKMVFileList.h"
#include "controls/TKMVFilter.h"
#include "core/Id3v1Tag.h"
#include "core/ListFile.h"
#include "core/Paths.h"
#include "core/PlayerEngine.h"
#include "core/Profile.h"
#include "core/XaudioPlayer.h"
#include "lists/ListSaveDialog.h"
#include "lists/TLoadDialog.h"
#include "lists/TrackGrid.h"
#include "lists/TrackLists.h"
#include "playback/PlayerPanel.h"

namespace {

QStringList g_errors;
void collectError(const QString& message) {
    g_errors.append(message);
}

// Runs act on the modal dialog of type D as soon as it is the active modal widget. Gives
// up after five seconds, so a dialog that never comes fails the test instead of hanging it.
// act must close the dialog.
template <typename D>
void whenModal(std::function<void(D&)> act) {
    auto* timer = new QTimer;
    auto* clock = new QElapsedTimer;
    clock->start();
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, clock, act] {
        auto* dialog = qobject_cast<D*>(QApplication::activeModalWidget());
        if (!dialog && clock->elapsed() < 5000) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        delete clock;
        if (dialog) {
            act(*dialog);
        }
    });
    timer->start();
}

// A row as a list file keeps it: an artist and a file name.
TrackRow listRow(const QString& artist, const QString& file) {
    TrackRow row;
    row[TrackColumn::Artist] = artist;
    row[TrackColumn::Filename] = file;
    return row;
}

QStringList readLines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {QStringLiteral("<cannot open>")};
    }
    QStringList lines = QString::fromUtf8(file.readAll()).split(QStringLiteral("\r\n"));
    lines.removeLast();  // after the last line end
    return lines;
}

QStringList filesOf(const TrackGrid& grid) {
    QStringList files;
    for (const TrackRow& row : grid.list().dataRows()) {
        files.append(row[TrackColumn::Filename]);
    }
    return files;
}

QAction* actionNamed(const QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
        if (action->text() == text) {
            return action;
        }
    }
    return nullptr;
}

QStringList captions(const QMenu& menu) {
    QStringList texts;
    for (const QAction* action : menu.actions()) {
        if (!action->isSeparator()) {
            texts.append(action->text());
        }
    }
    return texts;
}

}  // namespace

class TestListCommands : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> home_;
    std::unique_ptr<TPlayerForm> form_;
    FakeDecoder* decoder_ = nullptr;
    QString playlistDir_;
    QString selectionDir_;
    QString trackDir_;
    struct SaveCall {
        QString directory;
        int filterIndex;
    };
    QList<SaveCall> saveCalls_;

    TrackLists& lists() { return form_->lists(); }
    TrackGrid& playlist() { return *lists().playlistGrid(); }
    TrackGrid& selection() { return *lists().selectionGrid(); }

    void makeForm(const QStringList& args = {}) {
        form_.reset();
        auto fake = std::make_unique<FakeDecoder>();
        decoder_ = fake.get();
        form_ = std::make_unique<TPlayerForm>(std::move(fake), args);
    }

    // A track file of 256 bytes of sound and a tag; genre "" for none.
    QString track(const QString& name, const QString& artist, const QString& title,
                  const QString& year, const QString& genre, const QString& album,
                  const QString& note) {
        const QString path = QDir(trackDir_).filePath(name);
        return testsupport::writeTaggedTrack(path, {artist, title, year, note, album, genre});
    }

    // Three tracks whose cells test the formats: texts beyond ASCII, a missing genre, and
    // file names with a blank and an "=" (a PLS line is split at its first "=").
    QStringList threeTracks() {
        return {
            track(QStringLiteral("a=b café.mp3"), QStringLiteral("Ærø Quartet"),
                  QStringLiteral("Déjà vu"), QStringLiteral("1987"), QStringLiteral("Jazz"),
                  QStringLiteral("Nuits"), QStringLiteral("first")),
            track(QStringLiteral("second.mp2"), QStringLiteral("Brass"), QStringLiteral("Two"),
                  QStringLiteral(""), QStringLiteral(""), QStringLiteral(""), QStringLiteral("")),
            track(QStringLiteral("third song.MP3"), QStringLiteral("Choir"),
                  QStringLiteral("Three"), QStringLiteral("2001"), QStringLiteral("Folklore"),
                  QStringLiteral("Live"), QStringLiteral("last one")),
        };
    }

    // Waits until the lists have read every batch handed to them.
    void settle() {
        QVERIFY(QTest::qWaitFor([this] { return lists().commands().idle(); }, 10000));
    }

    // From now on a track counts as loaded, so batches go into the playlist whole.
    void decodeSomething() {
        if (!form_->decoder().isRunning()) {  // the decoder starts with its first command
            form_->decoder().start(form_.get());
        }
        decoder_->postStreamInfo(1, 3, 128, 44100, 1);
        decoder_->deliver();
        QVERIFY(form_->engine().trackLoaded());
    }

    // The save dialog answers with this choice (nothing: cancelled) and notes each call.
    void answerSave(std::optional<SaveDialogChoice> answer) {
        lists().setSaveDialog([this, answer](const QString& dir, int filterIndex) {
            saveCalls_.append({dir, filterIndex});
            return answer;
        });
    }
    void answerSave(const QString& name, int filterIndex) {
        answerSave(SaveDialogChoice{name, filterIndex});
    }

    // What the load dialog showed when it opened.
    struct LoadSeen {
        bool shown = false;
        int filterIndex = -1;
        QString directory;
        QString mask;
    };

    // When the load dialog opens: note its presets, pick filterIndex in its filter box
    // (-1 keeps it), set "Append", click the entry name in the file list and OK. An empty
    // name cancels instead.
    void chooseInLoadDialog(const QString& name, int filterIndex, bool append,
                            LoadSeen* seen = nullptr) {
        whenModal<TLoadDialog>([=](TLoadDialog& dialog) {
            if (seen) {
                *seen = {true, dialog.filterIndex(), dialog.directory(), dialog.fileMask()};
            }
            if (name.isEmpty()) {
                QTest::mouseClick(dialog.cancelButton(), Qt::LeftButton);
                return;
            }
            TKMVFilter* filter = dialog.filterBox();
            while (filterIndex >= 0 && filter->currentIndex() != filterIndex) {
                QTest::keyClick(filter,
                                filter->currentIndex() < filterIndex ? Qt::Key_Down : Qt::Key_Up);
            }
            if (dialog.appendBox()->isChecked() != append) {
                QTest::keyClick(dialog.appendBox(), Qt::Key_Space);
            }
            TKMVFileList* files = dialog.fileList();
            const QList<QListWidgetItem*> items = files->findItems(name, Qt::MatchExactly);
            if (!items.isEmpty()) {
                QTest::mouseClick(files->viewport(), Qt::LeftButton, {},
                                  files->visualItemRect(items.first()).center());
            }
            QTest::mouseClick(dialog.okButton(), Qt::LeftButton);
        });
    }

    QStringList entries(const QString& dir) {
        return QDir(dir).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    }

private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        qputenv("SONVOX_CONFIG_DIR", home_->filePath(QStringLiteral("config")).toUtf8());
        qputenv("SONVOX_DATA_DIR", home_->filePath(QStringLiteral("data")).toUtf8());
        playlistDir_ = home_->filePath(QStringLiteral("playlists"));
        selectionDir_ = home_->filePath(QStringLiteral("selections"));
        trackDir_ = home_->filePath(QStringLiteral("tracks"));
        for (const QString& dir : {playlistDir_, selectionDir_, trackDir_}) {
            QDir().mkpath(dir);
        }
        QDir().mkpath(home_->filePath(QStringLiteral("config")));
        Profile profile(Paths::settingsFile());
        profile.writeString(QStringLiteral("Setup"), QStringLiteral("Playlistpath"), playlistDir_);
        profile.writeString(QStringLiteral("Setup"), QStringLiteral("Selectionpath"),
                            selectionDir_);
        profile.writeString(QStringLiteral("Directories"), QStringLiteral("MpegFiles"), trackDir_);
        g_errors.clear();
        SonvoxApplication::setErrorSink(collectError);
        saveCalls_.clear();
        makeForm();
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }

    void cleanup() {
        form_.reset();
        QDir::setCurrent(QDir::tempPath());  // the dialogs entered directories of home_
        home_.reset();
    }

    void menusOfferTheCommands() {
        QMenu* file = form_->menuBar()->actions().first()->menu();
        QCOMPARE(captions(*file), QStringList({QStringLiteral("&Open"), QStringLiteral("&Save"),
                                               QStringLiteral("E&xit")}));
        QCOMPARE(captions(*actionNamed(*file, QStringLiteral("&Open"))->menu()),
                 QStringList({QStringLiteral("&Mpeg File"), QStringLiteral("&Playlist"),
                              QStringLiteral("&Selection")}));
        QMenu* save = actionNamed(*file, QStringLiteral("&Save"))->menu();
        QCOMPARE(captions(*save),
                 QStringList({QStringLiteral("&Playlist"), QStringLiteral("&Selection")}));
        const QStringList playlistMenu = captions(*lists().playlistMenu());
        const QStringList selectionMenu = captions(*lists().selectionMenu());
        QCOMPARE(playlistMenu.mid(playlistMenu.size() - 5),
                 QStringList({QStringLiteral("&Delete Selected"), QStringLiteral("&Clear Playlist"),
                              QStringLiteral("&Randomize"), QStringLiteral("&Open"),
                              QStringLiteral("&Save")}));
        QCOMPARE(
            selectionMenu.mid(selectionMenu.size() - 6),
            QStringList({QStringLiteral("&Sorted by..."), QStringLiteral("&Delete Selected"),
                         QStringLiteral("&Clear Selection"), QStringLiteral("Delete Mpeg &File"),
                         QStringLiteral("&Open"), QStringLiteral("&Save")}));

        // Every save entry opens the dialog in its list's directory with its list's filter.
        answerSave(std::nullopt);
        actionNamed(*save, QStringLiteral("&Playlist"))->trigger();
        actionNamed(*save, QStringLiteral("&Selection"))->trigger();
        actionNamed(*lists().playlistMenu(), QStringLiteral("&Save"))->trigger();
        actionNamed(*lists().selectionMenu(), QStringLiteral("&Save"))->trigger();
        QCOMPARE(saveCalls_.size(), 4);
        for (int i = 0; i < 4; ++i) {
            const bool forPlaylist = i % 2 == 0;
            QCOMPARE(saveCalls_[i].directory, forPlaylist ? playlistDir_ : selectionDir_);
            QCOMPARE(saveCalls_[i].filterIndex, forPlaylist ? 1 : 2);
        }
        QVERIFY(entries(playlistDir_).isEmpty());  // cancelled: nothing written
        QVERIFY(entries(selectionDir_).isEmpty());
    }

    void openCommandsPresetTheLoadDialog_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QString>("directory");
        QTest::addColumn<QString>("mask");
        QTest::newRow("File > Open > Mpeg File") << "MpegFile1Click" << 0 << "tracks"
                                                 << "*.mp*;*.msf";
        QTest::newRow("File > Open > Playlist") << "Playlist2Click" << 2 << "playlists"
                                                << "*.ply;*.m3u;*.pls";
        QTest::newRow("playlist menu > Open") << "Open1" << 2 << "playlists"
                                              << "*.ply;*.m3u;*.pls";
        QTest::newRow("File > Open > Selection") << "Selection1Click" << 3 << "selections"
                                                 << "*.sel;*.m3u;*.pls";
        QTest::newRow("selection menu > Open") << "Open2" << 3 << "selections"
                                               << "*.sel;*.m3u;*.pls";
    }

    void openCommandsPresetTheLoadDialog() {
        QFETCH(QString, command);
        QFETCH(int, filterIndex);
        QFETCH(QString, directory);
        QFETCH(QString, mask);
        // Another kind first, so that the presets must change.
        form_->loadDialog().prepare(filterIndex == 3 ? LoadKind::Playlist : LoadKind::Selection);
        LoadSeen seen;
        chooseInLoadDialog(QString(), -1, true, &seen);
        if (command == QLatin1String("Open1")) {
            actionNamed(*lists().playlistMenu(), QStringLiteral("&Open"))->trigger();
        } else if (command == QLatin1String("Open2")) {
            actionNamed(*lists().selectionMenu(), QStringLiteral("&Open"))->trigger();
        } else {
            QVERIFY(QMetaObject::invokeMethod(form_.get(), command.toLatin1().constData()));
        }
        QVERIFY(seen.shown);
        QCOMPARE(seen.filterIndex, filterIndex);
        QCOMPARE(seen.directory, home_->filePath(directory));
        QCOMPARE(QDir::currentPath(), home_->filePath(directory));
        QCOMPARE(seen.mask, mask);
    }

    // Each list saved through each filter and loaded into the other list through the open
    // command keeps every cell: the row formats as saved, M3U and PLS by reading the same
    // tags again.
    void listsSurviveARoundTripThroughEveryFormat_data() {
        QTest::addColumn<bool>("fromPlaylist");
        QTest::addColumn<int>("saveFilter");
        QTest::addColumn<QString>("savedAs");
        for (bool fromPlaylist : {true, false}) {
            const char* from = fromPlaylist ? "playlist" : "selection";
            QTest::addRow("%s as Playlist", from) << fromPlaylist << 1 << "round.PLY";
            QTest::addRow("%s as Selection", from) << fromPlaylist << 2 << "round.SEL";
            QTest::addRow("%s as PLS", from) << fromPlaylist << 3 << "round.PLS";
            QTest::addRow("%s as M3U", from) << fromPlaylist << 4 << "round.M3U";
        }
    }

    void listsSurviveARoundTripThroughEveryFormat() {
        QFETCH(bool, fromPlaylist);
        QFETCH(int, saveFilter);
        QFETCH(QString, savedAs);
        decodeSomething();
        const QStringList tracks = threeTracks();
        TrackGrid& source = fromPlaylist ? playlist() : selection();
        TrackGrid& target = fromPlaylist ? selection() : playlist();
        if (fromPlaylist) {
            lists().FillPlaylist(tracks);
        } else {
            lists().FillSelection(tracks);
        }
        settle();
        QCOMPARE(filesOf(source), tracks);
        QCOMPARE(source.cell(TrackColumn::Artist, 1), QStringLiteral("Ærø Quartet"));
        QCOMPARE(source.cell(TrackColumn::Genre, 2), QString());
        const QList<TrackRow> saved = source.list().dataRows();

        const QString dir = fromPlaylist ? playlistDir_ : selectionDir_;
        answerSave(QDir(dir).filePath(QStringLiteral("round")), saveFilter);
        if (fromPlaylist) {
            form_->Playlist3Click();
        } else {
            form_->Selection2Click();
        }
        QCOMPARE(entries(dir), QStringList({savedAs}));

        // The target holds a track that a replacing load must remove. The other list's
        // open command starts in its own directory; both filters list the file there.
        const QString other = fromPlaylist ? selectionDir_ : playlistDir_;
        QVERIFY(QFile::copy(QDir(dir).filePath(savedAs), QDir(other).filePath(savedAs)));
        if (fromPlaylist) {
            lists().FillSelection({tracks[1]});
        } else {
            lists().FillPlaylist({tracks[1]});
        }
        settle();
        const int filterForTarget = fromPlaylist ? 3 : 2;
        const bool listedByTarget = saveFilter >= 3 || saveFilter == filterForTarget - 1;
        chooseInLoadDialog(savedAs, listedByTarget ? -1 : (filterForTarget == 3 ? 2 : 3), false);
        if (fromPlaylist) {
            form_->Selection1Click();
        } else {
            form_->Playlist2Click();
        }
        settle();  // M3U and PLS entries are read as a batch
        QCOMPARE(target.list().dataRows(), saved);
        QVERIFY(g_errors.isEmpty());
    }

    // The name typed is kept when it ends in the filter's extension in any case, else the
    // extension is appended; the filter alone decides the format.
    void saveNamesFollowTheFilter_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filterIndex");
        QTest::addColumn<QString>("savedAs");
        QTest::addColumn<QString>("firstLine");
        QTest::newRow("m3u name, Playlist") << "mix.m3u" << 1 << "mix.m3u.PLY"
                                            << "";
        QTest::newRow("bare name, Selection") << "list" << 2 << "list.SEL"
                                              << "";
        QTest::newRow("sel name, Selection") << "list.sel" << 2 << "list.sel"
                                             << "";
        QTest::newRow("ply name, M3U") << "mix.ply" << 4 << "mix.ply.M3U"
                                       << "<track>";
        QTest::newRow("mixed case, PLS") << "Mix.PlS" << 3 << "Mix.PlS"
                                         << "[playlist]";
    }

    void saveNamesFollowTheFilter() {
        QFETCH(QString, typed);
        QFETCH(int, filterIndex);
        QFETCH(QString, savedAs);
        QFETCH(QString, firstLine);
        decodeSomething();
        const QStringList tracks = threeTracks();
        lists().FillPlaylist(tracks);
        settle();
        answerSave(QDir(playlistDir_).filePath(typed), filterIndex);
        form_->Playlist3Click();
        QCOMPARE(entries(playlistDir_), QStringList({savedAs}));
        const QStringList lines = readLines(QDir(playlistDir_).filePath(savedAs));
        if (firstLine.isEmpty()) {  // row format: three groups and the two empty ones
            QCOMPARE(lines.size(), 8 * 5);
            const TrackRow first = playlist().track(1);
            QCOMPARE(lines.mid(0, 8), QStringList(first.begin(), first.end()));
        } else if (firstLine == QLatin1String("<track>")) {
            QCOMPARE(lines, tracks);
        } else {
            QCOMPARE(lines.first(), firstLine);
            QCOMPARE(lines.last(), QStringLiteral("NumberOfEntries=3"));
        }
    }

    // The failure is shown by the application's error report, naming the file, and an
    // existing list is left as it was.
    void failedSaveIsReportedAndKeepsTheOldFile() {
        decodeSomething();
        lists().FillPlaylist(threeTracks());
        settle();
        const QString old = QDir(playlistDir_).filePath(QStringLiteral("old.ply"));
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("kept\r\n");
        file.close();

        // A path through a regular file fails even for root.
        answerSave(old + QStringLiteral("/inner.ply"), 1);
        form_->Playlist3Click();
        QCOMPARE(g_errors.size(), 1);
        QVERIFY2(g_errors.first().contains(QStringLiteral("inner.ply")),
                 qPrintable(g_errors.first()));
        QCOMPARE(readLines(old), QStringList({QStringLiteral("kept")}));

        // A directory that cannot be written, when the permissions apply to this user.
        if (geteuid() != 0) {
            QFile::setPermissions(playlistDir_, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
            answerSave(old, 1);
            form_->Playlist3Click();
            QFile::setPermissions(playlistDir_, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ExeOwner);
            QCOMPARE(g_errors.size(), 2);
            QCOMPARE(readLines(old), QStringList({QStringLiteral("kept")}));
        }
        QCOMPARE(entries(playlistDir_), QStringList({QStringLiteral("old.ply")}));
    }

    // "Append" ticked: the file's rows follow the list's tracks; not ticked: they replace
    // them. Either way one list file is loaded, the first chosen.
    void appendTickedAppends() {
        decodeSomething();
        const QStringList tracks = threeTracks();
        saveList(QDir(playlistDir_).filePath(QStringLiteral("two.ply")), ListFormat::Playlist,
                 {listRow("X", tracks[0]), listRow("Y", tracks[2])});
        lists().FillPlaylist({tracks[1], tracks[2]});
        settle();
        chooseInLoadDialog(QStringLiteral("two.ply"), -1, true);
        form_->Playlist2Click();
        QCOMPARE(filesOf(playlist()), QStringList({tracks[1], tracks[2], tracks[0], tracks[2]}));
        QCOMPARE(playlist().cell(TrackColumn::Artist, 3), QStringLiteral("X"));  // as saved
        QVERIFY(decoder_->count(decoder::Command::OpenInput) == 0);  // a track was loaded

        chooseInLoadDialog(QStringLiteral("two.ply"), -1, false);
        form_->Playlist2Click();
        QCOMPARE(filesOf(playlist()), QStringList({tracks[0], tracks[2]}));
    }

    // Insert, with the focus anywhere in the main window, appends the marked selection rows.
    void insertKeyAppendsTheMarkedSelectionRows() {
        decodeSomething();
        const QStringList tracks = threeTracks();
        lists().FillSelection(tracks);
        settle();
        selection().setMark(1, 1);
        selection().setMark(3, 1);
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
        selection().setFocus();
        QTest::keyClick(&selection(), Qt::Key_Insert);
        QCOMPARE(filesOf(playlist()), QStringList({tracks[0], tracks[2]}));
        QTest::keyClick(form_.get(), Qt::Key_Insert);  // the marks are gone: nothing more
        QCOMPARE(filesOf(playlist()), QStringList({tracks[0], tracks[2]}));
    }

    // The real save dialog: created once, each run starting empty in the list's directory
    // with its filter; the filter left selected decides the format; an existing file is
    // replaced without a question; Escape cancels.
    void realSaveDialogIsDrivenByTheUser() {
        decodeSomething();
        const QStringList tracks = threeTracks();
        lists().FillSelection(tracks);
        lists().FillPlaylist({tracks[0]});
        settle();
        QCOMPARE(form_->saveDialog().objectName(), QStringLiteral("SaveDialog1"));

        struct Seen {
            QString directory;
            QString name;
            int filterIndex = 0;
            QStringList filterLabels;
        };
        auto drive = [](Seen* seen, int pickFilter, const QString& typed) {
            whenModal<ListSaveDialog>([=](ListSaveDialog& dialog) {
                auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
                auto* types = dialog.findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
                seen->directory = dialog.directory().absolutePath();
                seen->name = edit ? edit->text() : QStringLiteral("<no edit>");
                seen->filterIndex = dialog.filterIndex();
                for (int i = 0; types && i < types->count(); ++i) {
                    seen->filterLabels.append(types->itemText(i));
                }
                if (!edit || !types || typed.isEmpty()) {
                    QTest::keyClick(&dialog, Qt::Key_Escape);
                    return;
                }
                types->setFocus();
                while (types->currentIndex() != pickFilter - 1) {
                    QTest::keyClick(
                        types, types->currentIndex() < pickFilter - 1 ? Qt::Key_Down : Qt::Key_Up);
                }
                edit->setFocus();
                QTest::keyClicks(edit, typed);
                QTest::keyClick(edit, Qt::Key_Return);
                // A question about replacing would block the test: refuse it and cancel, so
                // that the file stays as it was and the test fails instead.
                QTimer::singleShot(1000, [] {
                    while (auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                        d->reject();
                    }
                });
            });
        };

        // The selection, switched to "M3U Playlist" in the dialog.
        Seen first;
        drive(&first, 4, QStringLiteral("mix"));
        form_->Selection2Click();
        QCOMPARE(first.directory, selectionDir_);
        QCOMPARE(first.name, QString());
        QCOMPARE(first.filterIndex, 2);
        QCOMPARE(first.filterLabels,
                 QStringList({QStringLiteral("Playlist"), QStringLiteral("Selection"),
                              QStringLiteral("PLS Playlist"), QStringLiteral("M3U Playlist")}));
        QCOMPARE(readLines(QDir(selectionDir_).filePath(QStringLiteral("mix.M3U"))), tracks);

        // The playlist, over an existing file: no question, and the name typed last time
        // is gone.
        const QString old = QDir(playlistDir_).filePath(QStringLiteral("old.PLY"));
        QFile file(old);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("old\r\n");
        file.close();
        Seen second;
        drive(&second, 1, QStringLiteral("old.PLY"));
        form_->Playlist3Click();
        QCOMPARE(second.directory, playlistDir_);
        QCOMPARE(second.name, QString());
        QCOMPARE(second.filterIndex, 1);
        QCOMPARE(readLines(old).size(), 8 * 3);
        QCOMPARE(readLines(old)[7], tracks[0]);

        // Escape: nothing is written.
        Seen third;
        drive(&third, 1, QString());
        form_->Playlist3Click();
        QCOMPARE(entries(playlistDir_), QStringList({QStringLiteral("old.PLY")}));
        QCOMPARE(entries(selectionDir_), QStringList({QStringLiteral("mix.M3U")}));
    }

    // A start list goes into the playlist, whatever its extension, and its first row is
    // taken into the player.
    // Names with blanks, quotes, "#", "=", a leading "-", letters beyond ASCII, 255 bytes, a
    // path of 4,000 bytes: through the load dialog into the playlist, handed over through
    // the instance socket, saved in every format and read into the selection, and tagged.
    // A name with a line break is left out of each list file with a message; one whose
    // bytes are not UTF-8 is left out when added, with one message, and never opened.
    void awkwardNamesGoEverywhere() {
        decodeSomething();
        QStringList tracks;
        for (const QString& name :
             {QStringLiteral("two  blanks .mp3"), QStringLiteral("quote\"s 'single'.mp3"),
              QStringLiteral("#first.mp3"), QStringLiteral("a=b=c.mp3"),
              QStringLiteral("-dash.mp3"), QStringLiteral("Ærø ünï 日本.mp3"),
              QString(251, u'n') + ".mp3", QStringLiteral("line\nbreak.mp3")}) {
            tracks.append(track(name, "A", "T", "1999", "Rock", "Al", "N"));
        }
        const QByteArray undecodable = QFile::encodeName(trackDir_) + "/bad\xff.mp3";
        QVERIFY(QFile::encodeName(QFile::decodeName(undecodable)) != undecodable);
        const auto removeOddFiles = qScopeGuard([&] {  // beyond what QTemporaryDir removes
            ::unlink(undecodable.constData());
            QDir(trackDir_ + u'/' + QString(200, u'd')).removeRecursively();
        });
        const int fd = ::open(undecodable.constData(), O_WRONLY | O_CREAT, 0644);
        QVERIFY(fd >= 0 && ::write(fd, "x", 1) == 1 && ::close(fd) == 0);
        QString deep = trackDir_;
        while (QFile::encodeName(deep).size() < 3700)
            deep += u'/' + QString(200, u'd');
        QVERIFY(QDir().mkpath(deep));
        const QString deepTrack = testsupport::writeTaggedTrack(
            deep + u'/' + QString(3995 - QFile::encodeName(deep).size(), u'e') + ".mp3", {});
        QCOMPARE(QFile::encodeName(deepTrack).size(), 4000);

        chooseInLoadDialog(QStringLiteral("-"), LoadFilter::Directory, false);
        form_->MpegFile1Click();
        settle();
        const auto sorted = [](QStringList names) {
            names.sort();
            return names;
        };
        QCOMPARE(sorted(filesOf(playlist())), sorted(tracks));
        QCOMPARE(g_errors.size(), 1);
        QVERIFY2(g_errors[0].contains("not valid UTF-8"), qPrintable(g_errors[0]));
        QVERIFY(!decoder_->log().join(' ').contains("bad"));

        SingleInstance instance(Paths::instanceSocketName());
        QVERIFY(instance.listen());
        connect(&instance, &SingleInstance::selectionReceived, form_.get(),
                &TPlayerForm::selectionReceived);
        const QStringList handed = tracks.mid(0, 7) << deepTrack;
        const QStringList args = QStringList{"--selection"} + tracks + QStringList{deepTrack};
        QVERIFY(SingleInstance::send(Paths::instanceSocketName(),
                                     CommandLine::parse(args, "/").handOverMessages()));
        QVERIFY(QTest::qWaitFor([&] { return filesOf(selection()).size() == 8; }, 5000));
        settle();
        QCOMPARE(filesOf(selection()), handed);

        form_->loadDialog().appendBox()->setChecked(true);
        lists().FillPlaylist({deepTrack});
        settle();
        form_->loadDialog().appendBox()->setChecked(false);
        const QStringList saved = filesOf(playlist());
        QStringList savable = saved;
        savable.removeAll(tracks[7]);
        for (int filter = 1; filter <= 4; ++filter) {
            g_errors.clear();
            answerSave(QDir(playlistDir_).filePath("names"), filter);
            form_->Playlist3Click();
            QCOMPARE(g_errors.size(), 1);  // the name with a line break was left out
            QVERIFY2(g_errors[0].contains("line\\nbreak.mp3"), qPrintable(g_errors[0]));
            const QString file =
                listSaveName(QDir(playlistDir_).filePath("names"), *listFormatForFilter(filter));
            lists().commands().loadChosenList(lists().commands().selection(), file,
                                              ListLoadMode::Replace);
            settle();
            QCOMPARE(filesOf(selection()), savable);
        }

        for (const QString& file : saved) {
            QCOMPARE(saveTag(file, {"Artist", "Retitled", "", "", "", ""}), SaveTagResult::Saved);
            QCOMPARE(readInfoTag(file).title, QStringLiteral("Retitled"));
        }
    }

    void selStartFileFillsThePlaylist() {
        const QStringList tracks = threeTracks();
        const QString start = QDir(selectionDir_).filePath(QStringLiteral("start.Sel"));
        saveList(start, ListFormat::Selection,
                 {listRow("A", tracks[0]), listRow("B", tracks[1]), listRow("C", tracks[2])});
        makeForm({start});
        form_->show();
        QVERIFY(decoder_->log().contains(QStringLiteral("OpenInput ") + tracks[0]));
        QCOMPARE(form_->engine().currentTrack(), tracks[0]);
        QCOMPARE(filesOf(playlist()), tracks.mid(1));
        QCOMPARE(filesOf(selection()), QStringList({QString()}));
        QVERIFY(form_->panel().NextUp->isEnabled());
    }

    // With "R" the playlist is shuffled before its first row is taken, so the track that
    // starts is not always the list's first. Of 40 tracks the first stays first in about
    // one start in twenty-five; five such starts in a row leave no doubt.
    void randomizedStartListIsShuffledBeforeTheFirstRowIsTaken() {
        QList<TrackRow> rows;
        QStringList files;
        for (int i = 1; i <= 40; ++i) {
            const QString path = QDir(trackDir_).filePath(QStringLiteral("r%1.mp3").arg(i));
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("x");
            files.append(path);
            rows.append(listRow(QStringLiteral("A%1").arg(i), path));
        }
        const QString start = QDir(playlistDir_).filePath(QStringLiteral("start.ply"));
        saveList(start, ListFormat::Playlist, rows);
        bool otherFirst = false;
        for (int attempt = 0; attempt < 5 && !otherFirst; ++attempt) {
            makeForm({start, QStringLiteral("r")});
            form_->show();
            const QString taken = form_->engine().currentTrack();
            QVERIFY(decoder_->log().contains(QStringLiteral("OpenInput ") + taken));
            QStringList all = filesOf(playlist());
            QVERIFY(!all.contains(taken));
            all.append(taken);
            all.sort();
            QStringList expected = files;
            expected.sort();
            QCOMPARE(all, expected);
            otherFirst = taken != files.first();
        }
        QVERIFY(otherFirst);
    }
};

int main(int argc, char** argv) {
    SonvoxApplication app(argc, argv);
    TestListCommands test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_listcommands.moc"
