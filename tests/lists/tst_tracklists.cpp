// The list model: rows made from tagged files, the first-file rule, batches and their
// limits, deleting, sorting, marking, moving selection rows into the playlist,
// the engine's queue, list files, the load dialog's results, and the guard that keeps long
// commands from being re-entered.

#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>

#include "ListsTestRig.h"
#include "controls/TKMVButton.h"
#include "core/ListFile.h"

namespace {

class FakeLoadDialog : public LoadDialogSource {
public:
    void prepare(LoadKind kind) override { prepared << kind; }
    LoadDialogResult exec() override { return result; }
    bool appendTicked() const override { return append; }
    void storeTrackDirectory(const QString& dir) override { stored << dir; }

    LoadDialogResult result;
    bool append = true;
    QList<LoadKind> prepared;
    QStringList stored;
};

TrackRow rowFor(const QString& file, const QString& artist = "X", const QString& year = "") {
    return {"", artist, "", year, "", "", "", file};
}

}  // namespace

class TestTrackLists : public QObject {
    Q_OBJECT

    std::unique_ptr<ListsTestRig> rig_;
    ListsTestRig& rig() { return *rig_; }
    TrackLists& lists() { return rig_->lists; }
    TrackGrid& playlist() { return rig_->playlist(); }
    TrackGrid& selection() { return rig_->selection(); }
    QStringList playlistFiles() { return ListsTestRig::files(playlist()); }
    QStringList selectionFiles() { return ListsTestRig::files(selection()); }

private slots:
    void init() { rig_ = std::make_unique<ListsTestRig>(); }
    void cleanup() { rig_.reset(); }

    void theFirstFileGoesToThePlayerUntilATrackIsLoaded() {
        const QStringList files = rig().tracks(5);
        lists().FillPlaylist(files.mid(0, 3));
        rig().settle();
        QCOMPARE(rig().decoder->log(), QStringList({"OpenInput " + files[0], "Play"}));
        QCOMPARE(rig().engine->currentTrack(), files[0]);
        QCOMPARE(playlistFiles(), files.mid(1, 2));
        QVERIFY(rig().panel->NextUp->isEnabled());

        // Still nothing decoded: a single file goes to the player, not into the list.
        lists().MenuItem7Click();
        lists().FillPlaylist({files[3]});
        rig().settle();
        QCOMPARE(rig().engine->currentTrack(), files[3]);
        QCOMPARE(playlistFiles(), QStringList({""}));

        // Once a track has been decoded, batches go to the playlist whole.
        rig().decodeSomething();
        rig().decoder->clear();
        lists().FillPlaylist({files[4]});
        lists().FillPlaylist(files.mid(0, 2));
        rig().settle();
        QVERIFY(rig().decoder->isEmpty());
        QCOMPARE(playlistFiles(), QStringList({files[4], files[0], files[1]}));
        QVERIFY(rig().heightGrown > 0);
        // Each batch ends with the panel showing CurrentTrack.
        QCOMPARE(rig().panel->IntLabelpl1->text(), QString("A4"));
    }

    void rowsHoldTheTagOrTheFallback() {
        const QString tagged = rig().track("a.mp3", "Artist", "Title", "1975", "Jazz", "LP", "Hi");
        const QString untagged = rig().dir.filePath("plain song.mp3");
        QFile file(untagged);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(300, 1)) == 300);
        file.close();
        const QString noGenre = rig().track("b.mp3", "B", "T", "", "");
        lists().FillSelection({tagged, untagged, noGenre});
        rig().settle();
        QCOMPARE(selection().track(1),
                 (TrackRow{"", "Artist", "Title", "1975", "Jazz", "LP", "Hi", tagged}));
        QCOMPARE(selection().cell(TrackColumn::Artist, 2), QString("plain song"));
        QCOMPARE(selection().cell(TrackColumn::Genre, 3), QString());
        QCOMPARE(selectionFiles(), QStringList({tagged, untagged, noGenre}));
        QVERIFY(rig().widthGrown > 0);
    }

    void missingFilesLeaveNoEmptyRow() {
        rig().decodeSomething();
        const QStringList files = rig().tracks(2);
        const QString gone = rig().dir.filePath("gone.mp3");
        lists().FillPlaylist({files[0]});
        lists().FillPlaylist({gone, gone});
        lists().FillSelection({gone});
        rig().settle();
        QCOMPARE(playlistFiles(), QStringList({files[0]}));
        QCOMPARE(selectionFiles(), QStringList({""}));

        // Without "Append" a batch replaces the list, even when it adds nothing.
        FakeLoadDialog dialog;
        dialog.append = false;
        lists().setLoadDialog(&dialog);
        lists().FillPlaylist({gone, gone});
        lists().FillSelection({files[1], gone});
        rig().settle();
        QCOMPARE(playlistFiles(), QStringList({""}));
        QCOMPARE(selectionFiles(), QStringList({files[1]}));
    }

    void theProgressStripShowsDuringABatch() {
        rig().decodeSomething();
        QList<bool> visible;
        connect(lists().playlistGauge(), &QProgressBar::valueChanged, this, [&](int value) {
            if (value > 0) {
                visible << lists().playlistProgress()->isVisible();
            }
        });
        lists().FillPlaylist(rig().tracks(6));
        QVERIFY(lists().busy());
        QVERIFY(lists().playlistProgress()->isVisible());
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::BusyCursor);
        rig().settle();
        QVERIFY(!visible.isEmpty());
        QVERIFY(!visible.contains(false));
        QCOMPARE(lists().playlistGauge()->maximum(), 6);
        QVERIFY(lists().playlistProgress()->isHidden());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);
    }

    void aFullListStopsTheBatchAndSaysHowManyWereLeftOut() {
        rig().decodeSomething();
        QStringList full;
        for (int r = 1; r < TrackListModel::kMaxDataRows; ++r) {
            full << QStringLiteral("/m/%1.mp3").arg(r);
        }
        ListsTestRig::put(playlist(), full);
        const QStringList files = rig().tracks(3);
        QStringList errors;
        connect(&lists().commands(), &ListCommands::failed, this,
                [&](const QString& message) { errors << message; });
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(".*"));
        lists().FillPlaylist(files);
        rig().settle();
        QCOMPARE(errors,
                 QStringList({"2 files were not added: the playlist holds at most 30000 tracks."}));
        QCOMPARE(playlist().rowCount(), TrackGrid::kMaxRows);
        QCOMPARE(playlist().fileName(TrackGrid::kMaxRows - 1), files[0]);
        QVERIFY(lists().playlistProgress()->isHidden());
        QCOMPARE(QGuiApplication::overrideCursor(), nullptr);

        // Moving into the full playlist: nothing moves and the rows stay marked.
        ListsTestRig::put(selection(), files.mid(1));
        selection().setMark(1, 1);
        selection().setMark(2, 1);
        QCOMPARE(ListsTestRig::errorOf([&] { lists().PlaylistDouble(); }),
                 QString("2 tracks were not moved: the playlist holds at most 30000 tracks."));
        QCOMPARE(ListsTestRig::marked(selection()), QList<int>({1, 2}));
        QCOMPARE(playlist().rowCount(), TrackGrid::kMaxRows);
    }

    void deletingKeepsTheOtherRowsInOrder() {
        ListsTestRig::put(selection(), {"/m/1", "/m/2", "/m/3", "/m/4", "/m/5"});
        selection().setMark(2, 1);
        selection().setMark(4, 1);
        lists().TitelLschen1Click();
        QCOMPARE(selectionFiles(), QStringList({"/m/1", "/m/3", "/m/5"}));
        QCOMPARE(ListsTestRig::marked(selection()), QList<int>());
        QCOMPARE(selection().fileName(4), QString());  // nothing left beyond the count

        // One row: the marks move up with the rows below it.
        ListsTestRig::put(playlist(), {"/m/1", "/m/2", "/m/3"});
        playlist().setMark(3, 1);
        playlist().list().deleteRow(2);
        QCOMPARE(playlistFiles(), QStringList({"/m/1", "/m/3"}));
        QCOMPARE(ListsTestRig::marked(playlist()), QList<int>({2}));

        // A list of one track loses it to "Delete Selected", marked or not.
        lists().AuswahlLschen1Click();
        QCOMPARE(selection().rowCount(), 2);
        ListsTestRig::put(selection(), {"/m/9"});
        lists().TitelLschen1Click();
        QCOMPARE(selectionFiles(), QStringList({""}));
    }

    // Each entry of "&Sorted by..." sorts by its primary column and breaks ties by its
    // secondary one: rows A and B tie on the primary, differ on the secondary against every
    // other column, and row C leads on the primary.
    void everySortEntryUsesItsTwoColumns_data() {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<int>("primary");
        QTest::addColumn<int>("secondary");
        QTest::newRow("artist") << "&Artist" << 1 << 2;
        QTest::newRow("title") << "&Title" << 2 << 1;
        QTest::newRow("year") << "&Year" << 3 << 1;
        QTest::newRow("genre") << "&Genre" << 4 << 1;
        QTest::newRow("album") << "Al&bum" << 5 << 1;
        QTest::newRow("note") << "&Note" << 6 << 1;
        QTest::newRow("filename") << "&Filename" << 7 << 1;
    }
    void everySortEntryUsesItsTwoColumns() {
        QFETCH(QString, entry);
        QFETCH(int, primary);
        QFETCH(int, secondary);
        const auto make = [&](const QString& others, const QString& p, const QString& sec) {
            TrackRow row;
            for (int col = 1; col < TrackColumn::Count; ++col) {
                row[size_t(col)] = col == primary ? p : col == secondary ? sec : others;
            }
            row[TrackColumn::Filename] = "/" + row[TrackColumn::Filename];
            return row;
        };
        // Rows are told apart by a column that is neither key.
        const int id = primary == 6 || secondary == 6 ? 5 : 6;
        for (const TrackRow& row :
             {make("a", "same", "b"), make("b", "same", "a"), make("z", "0", "z")}) {
            selection().list().appendTrack(row);
        }
        selection().setMark(1, 1);
        QMenu* sorted = lists().selectionMenu()->actions().first()->menu();
        QVERIFY(sorted);
        for (QAction* action : sorted->actions()) {
            if (action->text() == entry) {
                action->trigger();
            }
        }
        QStringList order;
        for (int r = 1; r < selection().rowCount(); ++r) {
            order << selection().cell(id, r);
        }
        QCOMPARE(order, QStringList({"z", "b", "a"}));
        QCOMPARE(ListsTestRig::marked(selection()), QList<int>({3}));  // the mark travels
    }

    void marksFollowCtrlShiftAndOneAnchor() {
        ListsTestRig::put(playlist(), {"/p/1", "/p/2", "/p/3", "/p/4", "/p/5"});
        auto press = [&](int row, Qt::KeyboardModifiers modifiers = {},
                         Qt::MouseButton button = Qt::LeftButton) {
            QTest::mouseClick(&playlist(), button, modifiers,
                              ListsTestRig::rowPoint(playlist(), row));
        };
        auto marks = [&] { return ListsTestRig::marked(playlist()); };
        press(2);
        press(4);
        QCOMPARE(marks(), QList<int>({4}));
        press(2, Qt::ControlModifier);
        QCOMPARE(marks(), QList<int>({2, 4}));
        press(4, Qt::ControlModifier);  // in the playlist Ctrl unmarks a marked row
        QCOMPARE(marks(), QList<int>({2}));
        press(5, Qt::ShiftModifier);  // the range from the anchor, row 4
        QCOMPARE(marks(), QList<int>({2, 4, 5}));
        QCOMPARE(lists().markAnchor(), -1);
        press(1, Qt::ShiftModifier);  // no anchor: only the row, which becomes the anchor
        QCOMPARE(marks(), QList<int>({1, 2, 4, 5}));
        press(5);  // a plain press on a marked row only unmarks it
        QCOMPARE(marks(), QList<int>({1, 2, 4}));
        press(3, {}, Qt::RightButton);  // the right button marks by the same rules
        QCOMPARE(marks(), QList<int>({3}));
        // The header, the handle column and the space below the rows mark nothing.
        QTest::mouseClick(&playlist(), Qt::LeftButton, {}, QPoint(60, 8));
        QTest::mouseClick(&playlist(), Qt::LeftButton, {}, QPoint(5, 40));
        press(12);
        QCOMPARE(marks(), QList<int>({3}));

        // One anchor for both lists: a Shift press in the selection after a plain press in
        // the playlist marks the range between the two row numbers there.
        ListsTestRig::put(selection(), {"/s/1", "/s/2", "/s/3", "/s/4", "/s/5", "/s/6"});
        press(2);
        QTest::mouseClick(&selection(), Qt::LeftButton, Qt::ShiftModifier,
                          ListsTestRig::rowPoint(selection(), 5));
        QCOMPARE(ListsTestRig::marked(selection()), QList<int>({2, 3, 4, 5}));
    }

    void aRightPressChoosesTheInfoFile() {
        ListsTestRig::put(selection(), {"/s/1", "/s/2"});
        auto rightPress = [](TrackGrid& grid, QPoint at) {
            QTest::mouseClick(&grid, Qt::RightButton, {}, at);
        };
        rightPress(selection(), ListsTestRig::rowPoint(selection(), 2));
        QCOMPARE(lists().infoFileName(), QString("/s/2"));
        QCOMPARE(ListsTestRig::marked(selection()), QList<int>());
        rightPress(selection(), ListsTestRig::rowPoint(selection(), 6));  // below the rows
        rightPress(playlist(), ListsTestRig::rowPoint(playlist(), 1));    // an empty row
        QCOMPARE(lists().infoFileName(), QString("/s/2"));

        QStringList opened;
        lists().setInfoWindowOpener([&](const QString& file) { opened << file; });
        lists().selectionMenu()->actions().first()->trigger();  // "&Info"
        QCOMPARE(opened, QStringList({"/s/2"}));
    }

    void markedSelectionRowsMoveIntoThePlaylist() {
        ListsTestRig::put(selection(), {"/s/1", "/s/2", "/s/3", "/s/4", "/s/5"});
        ListsTestRig::put(playlist(), {"/p/1", "/p/2"});
        selection().setMark(2, 1);
        selection().setMark(5, 1);
        playlist().setMark(2, 1);
        lists().commands().moveMarkedIntoPlaylist(1);
        QCOMPARE(playlistFiles(), QStringList({"/s/2", "/s/5", "/p/1", "/p/2"}));
        QCOMPARE(selectionFiles().size(), 5);
        QCOMPARE(ListsTestRig::marked(selection()), QList<int>());
        QCOMPARE(ListsTestRig::marked(playlist()), QList<int>());
        QCOMPARE(playlist().track(1), selection().track(2));

        // Appended to an empty playlist: row 1 first, the order kept.
        lists().MenuItem7Click();
        for (int row : {1, 3, 4}) {
            selection().setMark(row, 1);
        }
        lists().PlaylistDouble();
        QCOMPARE(playlistFiles(), QStringList({"/s/1", "/s/3", "/s/4"}));
        QVERIFY(rig().heightGrown > 0);
        QVERIFY(rig().panel->NextUp->isEnabled());
    }

    void theEngineTakesRowsFromTheTop() {
        ListsTestRig::put(playlist(), {"/p/1", "/p/2", "/p/3"});
        rig().engine->setNextEnabled(true);
        playlist().setMark(2, 1);
        QTest::mouseClick(rig().panel->NextUp, Qt::LeftButton);
        QVERIFY(rig().decoder->log().contains("OpenInput /p/1"));
        QCOMPARE(playlistFiles(), QStringList({"/p/2", "/p/3"}));
        QCOMPARE(ListsTestRig::marked(playlist()), QList<int>({2}));  // marks stay put
        rig().engine->NextUpClick();
        rig().engine->NextUpClick();
        QCOMPARE(playlistFiles(), QStringList({""}));
        QVERIFY(!rig().panel->NextUp->isEnabled());
    }

    void listFilesReplaceAppendAndDropMissingTracks() {
        const QStringList files = rig().tracks(4);
        const QString gone = rig().dir.filePath("gone.mp3");
        const QString ply = rig().dir.filePath("mix.ply");
        saveList(ply, ListFormat::Playlist,
                 {rowFor(files[0], "One"), rowFor(gone), rowFor(files[1]), rowFor(files[2])});
        ListsTestRig::put(playlist(), {"/vanished/1.mp3", files[3]});
        lists().loadfile(ply, ListLoadMode::Replace);
        QCOMPARE(playlistFiles(), files.mid(0, 3));
        QCOMPARE(playlist().cell(TrackColumn::Artist, 1), QString("One"));  // as saved

        // Appending keeps the list's tracks first; those whose files are gone go too.
        ListsTestRig::put(selection(), {files[3], "/vanished/2.mp3"});
        lists().loadfile2(ply, ListLoadMode::Append);
        QCOMPARE(selectionFiles(), QStringList({files[3]}) + files.mid(0, 3));
        QVERIFY(ListsTestRig::errorOf([&] {
                    lists().loadfile2(rig().dir.filePath("none.sel"), ListLoadMode::Replace);
                }) != "no error");
        QCOMPARE(selectionFiles().size(), 4);

        // An M3U file is a batch: the first-file rule applies.
        const QString m3u = rig().dir.filePath("mix.m3u");
        saveList(m3u, ListFormat::M3u, {rowFor(files[3]), rowFor(gone), rowFor(files[0])});
        lists().MenuItem7Click();
        lists().loadfile(m3u, ListLoadMode::Replace);
        rig().settle();
        QCOMPARE(rig().engine->currentTrack(), files[3]);
        QCOMPARE(playlistFiles(), QStringList({files[0]}));
    }

    void theLoadDialogsChoicesAreLoaded() {
        FakeLoadDialog dialog;
        lists().setLoadDialog(&dialog);
        lists().loadTracksIntoPlaylist();  // cancelled
        QCOMPARE(dialog.prepared, QList<LoadKind>({LoadKind::Tracks}));
        QVERIFY(rig().decoder->isEmpty());

        // A list file: the first chosen entry with a list extension; with nothing loaded its
        // first row starts playing.
        const QStringList files = rig().tracks(2);
        saveList(rig().dir.filePath("b.ply"), ListFormat::Playlist,
                 {rowFor(files[0]), rowFor(files[1])});
        dialog.result = {true,  rig().dir.path(),   LoadFilter::Playlist, true,
                         false, {"t1.mp3", "b.ply"}};
        lists().OpenButtonClick();
        rig().settle();
        QCOMPARE(rig().engine->currentTrack(), files[0]);
        QCOMPARE(playlistFiles(), QStringList({files[1]}));

        // Chosen track files, in the dialog's order; the directory is remembered.
        dialog.result = {true,  rig().dir.path(),    LoadFilter::MpegFiles, true,
                         false, {"t2.mp3", "t1.mp3"}};
        lists().Button1Click();
        rig().settle();
        QCOMPARE(selectionFiles(), QStringList({files[1], files[0]}));
        QCOMPARE(dialog.stored, QStringList({rig().dir.path()}));

        // A whole directory: "*.mp*" entries before "*.msf" entries; nothing else.
        lists().AuswahlLschen1Click();
        rig().track("z.msf", "Z");
        rig().track("x.MP2", "X");
        dialog.result.filterIndex = LoadFilter::Directory;
        lists().Button1Click();
        rig().settle();
        QCOMPARE(selectionFiles().size(), 4);
        QCOMPARE(selectionFiles().last(), rig().dir.filePath("z.msf"));
    }

    void commandsWaitWhileALongOneRuns() {
        rig().decodeSomething();
        const QStringList files = rig().tracks(12);
        ListsTestRig::put(selection(), {"/s/1", "/s/2"});
        selection().setMark(1, 1);
        bool busySeen = false;
        QStringList playlistBefore, playlistAfter;
        QTimer::singleShot(0, this, [&] {
            busySeen = lists().busy();
            playlistBefore = playlistFiles();
            lists().MenuItem7Click();
            lists().AuswahlLschen1Click();
            lists().PlaylistDouble();
            lists().Randomize1Click();
            lists().Interpret1Click();
            lists().DeleteMpegFile1Click();
            QTest::mouseClick(&playlist(), Qt::LeftButton, {},
                              ListsTestRig::rowPoint(playlist(), 1));
            lists().FillSelection({files[0]});
            lists().FillPlaylist({files[1]});
            playlistAfter = playlistFiles();
        });
        lists().FillPlaylist(files);
        QTRY_VERIFY(busySeen);
        QCOMPARE(playlistAfter, playlistBefore);  // neither cleared, shuffled nor extended
        QCOMPARE(ListsTestRig::marked(playlist()), QList<int>());
        QCOMPARE(selectionFiles(), QStringList({"/s/1", "/s/2"}));
        // The batches handed in meanwhile run afterwards, in order.
        QTRY_COMPARE(selectionFiles(), QStringList({"/s/1", "/s/2", files[0]}));
        QTRY_COMPARE(playlistFiles(), files + QStringList({files[1]}));
    }

    void aTrackTakenWhileThePlaylistIsReorderedLeavesOnce() {
        ListsTestRig::put(playlist(), {"/p/1", "/p/2", "/p/3", "/p/4", "/p/5", "/p/6"});
        rig().engine->setNextEnabled(true);
        playlist().setMark(2, 1);
        playlist().setMark(4, 1);
        QTimer::singleShot(0, this, [&] { rig().engine->NextUpClick(); });
        lists().MenuItem6Click();
        QTRY_VERIFY(rig().decoder->log().contains("OpenInput /p/1"));
        QCOMPARE(playlistFiles(), QStringList({"/p/3", "/p/5", "/p/6"}));
    }
};

QTEST_MAIN(TestTrackLists)
#include "tst_tracklists.moc"
