// The list model and its commands without a window: packed rows, sorting and shuffling,
// fills on worker threads with the first-file rule and a player that runs out mid-fill,
// paths that stay absolute when the current directory changes, deleting only track files,
// and the capacity of a list loaded from a row-format file.

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include "TestFiles.h"
#include "core/ListCommands.h"
#include "core/ListFile.h"
#include "core/ListPlayer.h"
#include "core/SonvoxError.h"
#include "core/TrackListModel.h"

namespace {

// The player as the lists see it: notes what it is asked, takes rows like the engine.
class FakePlayer : public ListPlayer {
public:
    explicit FakePlayer(PlaylistSource& playlist) : playlist_(playlist) {}
    bool trackLoaded() const override { return loaded; }
    QString currentTrack() const override { return current; }
    void loadTrack(const QString& file) override {
        log << "load " + file;
        current = file;
    }
    void switchToTrack(const QString& file) override {
        log << "switch " + file;
        current = file;
    }
    void NextUpClick() override {
        const QString file = playlist_.firstFileName();
        if (!file.isEmpty()) {
            loadTrack(file);
            playlist_.removeFirstRow();
        }
    }
    void setNextEnabled(bool enabled) override { nextEnabled = enabled; }

    bool loaded = true;
    bool nextEnabled = false;
    QString current;
    QStringList log;

private:
    PlaylistSource& playlist_;
};

TrackRow rowOf(const QString& file, const QString& artist = "A", const QString& year = {}) {
    return {QString(), artist, "T", year, QString(), QString(), QString(), file};
}

QStringList filesOf(const TrackListModel& list) {
    QStringList files;
    for (int r = 1; r < list.rowCount(); ++r) {
        files << list.fileName(r);
    }
    return files;
}

QList<int> marksOf(const TrackListModel& list) {
    QList<int> rows;
    for (int r = 1; r < list.rowCount(); ++r) {
        if (list.mark(r) != 0) {
            rows << r;
        }
    }
    return rows;
}

}  // namespace

class TestTrackListModel : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir_;
    std::unique_ptr<ListCommands> lists_;
    std::unique_ptr<FakePlayer> player_;

    QString track(const QString& name, const QString& artist = "A") {
        return testsupport::writeTaggedTrack(dir_->filePath(name), {artist, "T", "", "", "", ""});
    }
    QStringList tracks(int count) {
        QStringList files;
        for (int i = 1; i <= count; ++i) {
            files << track(QStringLiteral("t%1.mp3").arg(i), QStringLiteral("A%1").arg(i));
        }
        return files;
    }
    void settle() {
        QVERIFY(QTest::qWaitFor([this] { return lists_->idle(); }, 10000));
    }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        lists_ = std::make_unique<ListCommands>();
        player_ = std::make_unique<FakePlayer>(lists_->playlist());
        lists_->setPlayer(player_.get());
    }
    void cleanup() {
        lists_.reset();
        QDir::setCurrent(QDir::tempPath());
    }

    void packedRowsKeepEveryCell() {
        const TrackRow row{"", "Ærø", "Déjà vu", "1987", "Jazz", "", "Note ♪", "/m/a b.mp3"};
        const PackedTrack packed(row);
        QCOMPARE(packed.row(), row);
        PackedTrack copy = packed;
        copy.setCell(TrackColumn::Album, u"LP");
        QCOMPARE(copy.cell(TrackColumn::Album), QString("LP"));
        QCOMPARE(copy.cell(TrackColumn::Note), row[TrackColumn::Note]);
        QCOMPARE(packed.cell(TrackColumn::Album), QString());
        QVERIFY(PackedTrack(TrackRow{}).isEmpty() && !PackedTrack(TrackRow{}).holdsTrack());
    }

    // Year then artist: empty years first, years as text, equal years by artist, marks
    // travelling with their rows; the header and the row count stay.
    void sortingByYearThenArtist() {
        TrackListModel list(TrackListModel::Kind::Selection);
        for (const auto& [year, artist] : {std::pair{"1998", "beta"},
                                           {"1975", "Zeta"},
                                           {"", "Omega"},
                                           {"1998", "Alpha"},
                                           {"", "alpha"}}) {
            list.appendTrack(rowOf(QStringLiteral("/%1/%2").arg(year, artist), artist, year));
        }
        list.setMark(2, 1);
        list.sortRows(TrackColumn::Year, TrackColumn::Artist);
        QCOMPARE(filesOf(list),
                 QStringList({"//alpha", "//Omega", "/1975/Zeta", "/1998/Alpha", "/1998/beta"}));
        QCOMPARE(marksOf(list), QList<int>({3}));
        QCOMPARE(list.cell(TrackColumn::Artist, 0), QString("Artist"));
    }

    // Every shuffle is a sequence of 2 x row count + 2 exchanges of two distinct rows: with
    // three data rows ten, an even number, so each result is an even permutation (a
    // rotation), and some seed moves the rows. Two rows end as they were.
    void shuffleExchangesAnEvenNumberOfTimes() {
        TrackListModel list(TrackListModel::Kind::Playlist);
        for (const char* file : {"/a", "/b", "/c"}) {
            list.appendTrack(rowOf(file));
        }
        list.setMark(1, 1);
        const QList<QStringList> rotations = {
            {"/a", "/b", "/c"}, {"/b", "/c", "/a"}, {"/c", "/a", "/b"}};
        bool moved = false;
        for (quint32 seed = 1; seed <= 20; ++seed) {
            QRandomGenerator random(seed);
            list.shuffleRows(&random);
            QVERIFY2(rotations.contains(filesOf(list)), qPrintable(filesOf(list).join(' ')));
            QCOMPARE(list.fileName(marksOf(list).value(0)), QString("/a"));
            moved = moved || filesOf(list) != rotations.first();
        }
        QVERIFY(moved);

        list.clear();
        list.appendTrack(rowOf("/a"));
        list.appendTrack(rowOf("/b"));
        QRandomGenerator random(7);
        list.shuffleRows(&random);
        QCOMPARE(filesOf(list), QStringList({"/a", "/b"}));
    }

    void theFirstFileGoesToThePlayerAndTheRestArrivesInOrder() {
        const QStringList files = tracks(40);
        player_->loaded = false;
        QSignalSpy ended(lists_.get(), &ListCommands::fillEnded);
        lists_->FillPlaylist(files);
        QCOMPARE(player_->log, QStringList({"load " + files[0]}));
        QVERIFY(lists_->busy());
        lists_->clearList(lists_->playlist());   // refused while the fill runs
        lists_->FillSelection(files.mid(0, 2));  // queued
        settle();
        QCOMPARE(filesOf(lists_->playlist()), files.mid(1));
        QCOMPARE(filesOf(lists_->selection()), files.mid(0, 2));
        QCOMPARE(lists_->playlist().cell(TrackColumn::Artist, 1), QString("A2"));
        QCOMPARE(ended.size(), 2);
        QVERIFY(player_->nextEnabled);
    }

    // The player ran out of rows while a fill was still reading: the next row that arrives
    // is taken at once.
    void aPlayerThatRanOutTakesTheNextRowThatArrives() {
        const QStringList files = tracks(30);
        lists_->FillPlaylist(files);
        lists_->playlistRanOut();
        settle();
        QCOMPARE(player_->log, QStringList({"load " + files[0]}));
        QCOMPARE(filesOf(lists_->playlist()), files.mid(1));
        // Without a fill running, running out changes nothing later.
        lists_->playlistRanOut();
        lists_->FillPlaylist({files[0]});
        settle();
        QCOMPARE(player_->log.size(), 1);
    }

    // A list with relative rows, then the current directory changes (the load dialog does
    // that): the rows still name the files beside the list, and so do play and delete.
    void relativeRowsStayWithTheirListFile() {
        const QString sub = dir_->filePath("sub");
        QVERIFY(QDir().mkpath(sub));
        const QString kept = track("sub/keep.mp3");
        const QString doomed = track("sub/doomed.mp3");
        saveList(dir_->filePath("sub/rel.sel"), ListFormat::Selection,
                 {rowOf("keep.mp3"), rowOf("./doomed.mp3")});
        QDir::setCurrent(sub);
        lists_->loadChosenList(lists_->playlist(), "rel.sel", ListLoadMode::Replace);
        lists_->loadfile2(dir_->filePath("sub/rel.sel"), ListLoadMode::Replace);
        // The other folder holds files of the same names.
        const QString elsewhere = dir_->filePath("elsewhere");
        QVERIFY(QDir().mkpath(elsewhere));
        const QString decoy = track("elsewhere/doomed.mp3");
        QDir::setCurrent(elsewhere);
        QCOMPARE(filesOf(lists_->selection()), QStringList({kept, doomed}));
        player_->NextUpClick();
        QCOMPARE(player_->current, kept);

        lists_->selection().setMark(2, 1);
        lists_->deleteMarkedFiles([](const TrackRow&) { return ListCommands::DeleteAnswer::Yes; });
        QVERIFY(!QFile::exists(doomed));
        QVERIFY(QFile::exists(decoy) && QFile::exists(kept));
    }

    // Only regular files matching the track masks are deleted; any other row keeps its row,
    // unmarked, and the one message at the end names it.
    void onlyTrackFilesAreDeleted() {
        const QString upper = track("LOUD.MP3");
        const QString document = dir_->filePath("letter.txt");
        QFile(document).open(QIODevice::WriteOnly);
        const QString link = dir_->filePath("link.mp3");
        QVERIFY(QFile::link(document, link));
        const QString folder = dir_->filePath("folder.mp3");
        QVERIFY(QDir().mkpath(folder));
        for (const QString& file : {upper, document, link, folder}) {
            lists_->selection().appendTrack(rowOf(file));
        }
        for (int r = 1; r <= 4; ++r) {
            lists_->selection().setMark(r, 1);
        }
        QStringList asked;
        QString error;
        try {
            lists_->deleteMarkedFiles([&](const TrackRow& row) {
                asked << row[TrackColumn::Filename];
                return ListCommands::DeleteAnswer::All;
            });
        } catch (const SonvoxError& e) {
            error = e.message();
        }
        QCOMPARE(asked, QStringList({folder}));
        QVERIFY(!QFile::exists(upper));
        QVERIFY(QFile::exists(document) && QFileInfo(link).isSymLink() &&
                QFileInfo(folder).isDir());
        QCOMPARE(filesOf(lists_->selection()), QStringList({document, link, folder}));
        QCOMPARE(marksOf(lists_->selection()), QList<int>());
        QCOMPARE(error, "These files could not be deleted and stay on disk:\n" +
                            QStringList({folder, link, document}).join('\n'));
    }

    // A row-format file holding more rows than fit: the list is filled to its capacity and
    // the command says how many were left out.
    void aRowFormatFileBeyondTheCapacity() {
        const QString file = track("one.mp3");
        QList<TrackRow> rows(TrackListModel::kMaxDataRows + 5, rowOf(file));
        lists_->selection().appendTrack(rowOf(file));
        saveList(dir_->filePath("big.sel"), ListFormat::Selection, rows);
        QString error;
        try {
            lists_->loadfile2(dir_->filePath("big.sel"), ListLoadMode::Append);
        } catch (const SonvoxError& e) {
            error = e.message();
        }
        QCOMPARE(lists_->selection().rowCount(), TrackListModel::kMaxRows);
        QCOMPARE(error,
                 QString("6 files were not added: the selection holds at most 30000 tracks."));
    }
};

QTEST_GUILESS_MAIN(TestTrackListModel)
#include "tst_tracklistmodel.moc"
