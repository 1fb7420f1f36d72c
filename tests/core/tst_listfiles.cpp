// List files on disk: the four formats written and read back, the rules for reading each,
// the trimming of row-format groups, failures, and input that is broken or huge.

#include <sys/resource.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <memory>

#include "core/ListFile.h"

namespace {

TrackRow row(const QString& artist, const QString& title, const QString& file) {
    return {QString(), artist, title, "1999", "Rock", "Album", "Note", file};
}

// The message of the SonvoxError that f throws, or "no error".
template <typename F>
QString errorOf(F f) {
    try {
        f();
    } catch (const SonvoxError& e) {
        return e.message();
    }
    return QStringLiteral("no error");
}

}  // namespace

class TestListFiles : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir_;

    QString path(const QString& name) const { return dir_->filePath(name); }
    QString put(const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
            qFatal("cannot write a fixture");
        }
        return file.fileName();
    }
    QByteArray contents(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
    }
    QList<TrackRow> threeTracks() {
        return {row(QString::fromUtf8("Mötley"), "Kickstart", put("a.mp3", {})),
                row("B", QString::fromUtf8("日本 €"), put("b.mp3", {})),
                row("C", "c", put("x=y.mp3", {}))};
    }

private slots:
    void init() {
        dir_ = std::make_unique<QTemporaryDir>();
        QVERIFY(dir_->isValid());
        QDir::setCurrent(QDir::rootPath());  // relative names must not resolve by chance
    }

    void saveName_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("expected");
        QTest::newRow("bare under Selection") << "list" << 2 << "list.SEL";
        QTest::newRow("other case kept") << "list.sel" << 2 << "list.sel";
        QTest::newRow("filter wins over typed") << "mix.m3u" << 1 << "mix.m3u.PLY";
        QTest::newRow("m3u") << "mix.ply" << 4 << "mix.ply.M3U";
        QTest::newRow("pls mixed case") << "/l/a.PlS" << 3 << "/l/a.PlS";
        QTest::newRow("shorter than three") << "ly" << 1 << "ly.PLY";
    }
    void saveName() {
        QFETCH(QString, typed);
        QFETCH(int, filter);
        QFETCH(QString, expected);
        QCOMPARE(listSaveName(typed, *listFormatForFilter(filter)), expected);
        QVERIFY(!listFormatForFilter(0) && !listFormatForFilter(5));
    }

    void rowFormatRoundTrip() {
        const QList<TrackRow> rows = threeTracks();
        saveList(path("list.ply"), ListFormat::Playlist, rows);
        saveList(path("list.sel"), ListFormat::Selection, rows);
        const QByteArray bytes = contents("list.ply");
        QCOMPARE(bytes, contents("list.sel"));
        QCOMPARE(bytes.count('\n'), 40);
        QCOMPARE(bytes.count("\r\n"), 40);
        QVERIFY(bytes.startsWith("\r\nM\xC3\xB6tley\r\nKickstart\r\n1999\r\n"));
        QVERIFY(bytes.endsWith(rows[2][7].toUtf8() + QByteArray("\r\n").repeated(17)));

        const ListFileContent read = readListFile(path("list.ply"));
        QCOMPARE(read.groups.size(), 5);
        QCOMPARE(rowsWithExistingFiles(rowsToKeep(read.groups, false)), rows);
        QCOMPARE(rowsWithExistingFiles(rowsToKeep(read.groups, true)), rows);
    }

    void pathRoundTrip() {
        const QList<TrackRow> rows = threeTracks();
        const QStringList paths = {rows[0][7], rows[1][7], rows[2][7]};
        saveList(path("l.m3u"), ListFormat::M3u, rows);
        saveList(path("l.pls"), ListFormat::Pls, rows);
        QCOMPARE(readListFile(path("l.m3u")).paths, paths);
        QCOMPARE(readListFile(path("l.pls")).paths, paths);
        QCOMPARE(contents("l.pls"),
                 "[playlist]\r\nFile1=" + paths[0].toUtf8() + "\r\nFile2=" + paths[1].toUtf8() +
                     "\r\nFile3=" + paths[2].toUtf8() + "\r\nNumberOfEntries=3\r\n");
    }

    // A name with a line break is left out and named; the rest is saved as without it.
    void lineBreakInNameIsRefused() {
        const QList<TrackRow> rows = threeTracks();
        const QString broken = path("two\nlines.mp3");
        const QList<TrackRow> withBroken = {rows[0], row("A", "T", broken), rows[1],
                                            row("A", "T", path("cr\r.mp3")), rows[2]};
        for (const ListFormat format :
             {ListFormat::Playlist, ListFormat::Selection, ListFormat::M3u, ListFormat::Pls}) {
            QCOMPARE(saveList(path("with"), format, withBroken),
                     QStringList({broken, path("cr\r.mp3")}));
            QVERIFY(saveList(path("without"), format, rows).isEmpty());
            QCOMPARE(contents("with"), contents("without"));
        }
        QVERIFY(refusedNamesText("l.m3u", {broken}).endsWith("\n" + path("two\\nlines.mp3")));
    }

    void emptyList() {
        saveList(path("e.ply"), ListFormat::Playlist, QList<TrackRow>{TrackRow{}});
        saveList(path("e.pls"), ListFormat::Pls, QList<TrackRow>{TrackRow{}});
        saveList(path("e.m3u"), ListFormat::M3u, QList<TrackRow>{});
        QCOMPARE(contents("e.ply"), QByteArray("\r\n").repeated(24));
        QCOMPARE(contents("e.pls"), "[playlist]\r\nFile1=\r\nNumberOfEntries=1\r\n");
        QCOMPARE(contents("e.m3u"), "\r\n");
        const QList<TrackRow> groups = readListFile(path("e.ply")).groups;
        QCOMPARE(groups.size(), 3);
        QCOMPARE(rowsToKeep(groups, false), QList<TrackRow>(1));  // the list's empty row 1
        QVERIFY(rowsToKeep(groups, true).isEmpty());
        QVERIFY(readListFile(path("e.pls")).paths.isEmpty());
        QVERIFY(readListFile(path("e.m3u")).paths.isEmpty());
        QVERIFY(readListFile(put("zero.ply", {})).groups.isEmpty());
    }

    // Groups: `tracks` rows with a file name followed by `empty` empty groups.
    void discarding_data() {
        QTest::addColumn<int>("tracks");
        QTest::addColumn<int>("empty");
        QTest::addColumn<bool>("appending");
        QTest::addColumn<int>("kept");
        QTest::newRow("saved, replacing") << 3 << 2 << false << 3;
        QTest::newRow("saved, appending") << 3 << 2 << true << 3;
        QTest::newRow("no trailer, replacing loses one") << 3 << 0 << false << 2;
        QTest::newRow("no trailer, appending loses two") << 3 << 0 << true << 1;
        QTest::newRow("one trailer, replacing") << 3 << 1 << false << 3;
        QTest::newRow("one group, appending keeps none") << 1 << 0 << true << 0;
        QTest::newRow("nothing") << 0 << 0 << true << 0;
    }
    void discarding() {
        QFETCH(int, tracks);
        QFETCH(int, empty);
        QFETCH(bool, appending);
        QFETCH(int, kept);
        QList<TrackRow> groups;
        for (int i = 0; i < tracks; ++i) {
            groups.append(row(QString::number(i), {}, QStringLiteral("/t%1.mp3").arg(i)));
        }
        groups.resize(tracks + empty);
        QCOMPARE(rowsToKeep(groups, appending), groups.first(kept));
    }

    void missingFilesDropped() {
        QList<TrackRow> rows = threeTracks();
        rows.append(row("a directory", {}, dir_->path()));
        saveList(path("l.ply"), ListFormat::Playlist, rows);
        QVERIFY(QFile::remove(rows[1][7]));
        const QList<TrackRow> kept = rowsToKeep(readListFile(path("l.ply")).groups, false);
        QCOMPARE(rowsWithExistingFiles(kept), QList<TrackRow>({rows[0], rows[2]}));
    }

    // %D stands for the list's directory; names in `expected` are relative to it.
    void pathLists_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("expected");
        const auto pls = [](const char* tag, const char* text, QStringList expected) {
            QTest::newRow(tag) << "l.pls" << QByteArray(text) << expected;
        };
        pls("pls: title lines between", "[playlist]\nFile1=a.mp3\nTitle1=A\nFile2=b.mp3\n",
            {"a.mp3", "b.mp3"});
        pls("pls: after first =", "[playlist]\r\nFile1=%D/x=y.mp3\r\n", {"x=y.mp3"});
        pls("pls: key in any case", "[playlist]\nfile1=a.mp3\nFILE2=b.mp3\n", {"a.mp3", "b.mp3"});
        pls("pls: missing skipped", "[playlist]\nFile1=no.mp3\nFile2=./s/../b.mp3\nNum", {"b.mp3"});
        pls("pls: no header", "File1=a.mp3\nFile2=b.mp3", {"a.mp3", "b.mp3"});
        pls("pls: as other players write it",
            "[playlist]\r\nNumberOfEntries=3\r\n\r\nFile1 = b.mp3\r\nTitle1=B\r\nLength1=-1\r\n\r\n"
            "File2=file://%D/a%20b.mp3\r\nFile3=http://radio/x.mp3\r\nFile4=a.mp3\r\nVersion=2\r\n",
            {"b.mp3", "a b.mp3", "a.mp3"});
        pls("pls: not a file key", "[playlist]\nFile=a.mp3\nFileX=a.mp3\nTitle1=b.mp3\n", {});
        pls("pls: no =", "[playlist]\nFile1\nFile2=b.mp3", {"b.mp3"});
        QTest::newRow("m3u: marker, comments, blanks, missing, dirs")
            << "l.M3u" << QByteArray("#EXTM3U\n#EXTINF:1,a.mp3\na.mp3\n\nno.mp3\ns\n%D/b.mp3\n")
            << QStringList{"a.mp3", "b.mp3"};
        QTest::newRow("m3u: a track named like a comment, file URLs")
            << "l.m3u"
            << QByteArray(
                   "#EXTM3U\n#Intro.mp3\nfile://%D/a%20b.mp3\nfile:///nowhere.mp3\n"
                   "file:b.mp3\n")
            << QStringList{"#Intro.mp3", "a b.mp3", "b.mp3"};
        QTest::newRow("m3u: only CR")
            << "l.m3u" << QByteArray("a.mp3\rb.mp3") << QStringList{"a.mp3", "b.mp3"};
    }
    void pathLists() {
        QFETCH(QString, name);
        QFETCH(QByteArray, text);
        QFETCH(QStringList, expected);
        put("a.mp3", {});
        put("b.mp3", {});
        put("x=y.mp3", {});
        put("a b.mp3", {});
        put("#Intro.mp3", {});
        QVERIFY(QDir(dir_->path()).mkdir("s"));
        put(name, text.replace("%D", dir_->path().toUtf8()));
        for (QString& file : expected) {
            file = path(file);
        }
        QCOMPARE(readListFile(path(name)).paths, expected);
    }

    void lineReading_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("cells");  // of the only group
        const QStringList at = {"", "A", "T", "", "", "", "", ""};
        QTest::newRow("CR LF") << QByteArray("\r\nA\r\nT\r\n") << at;
        QTest::newRow("LF") << QByteArray("\nA\nT\n") << at;
        QTest::newRow("CR") << QByteArray("\rA\rT\r") << at;
        QTest::newRow("no final break, short group") << QByteArray("\nA\nT") << at;
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF\nA\nT") << at;
        QTest::newRow("per line UTF-8 or 1252")
            << QByteArray("\nM\xFCller \x80\nM\xC3\xBCller\n")
            << QStringList{
                   "", QString::fromUtf8("Müller €"), QString::fromUtf8("Müller"), "", "", "", "",
                   ""};
        const QByteArray longLine(65535, 'x');  // its CR LF straddles the first read
        QTest::newRow("CR LF across reads") << longLine + "\r\nA\r\nT\r\n"
                                            << QStringList{longLine, "A", "T", "", "", "", "", ""};
    }
    void lineReading() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, cells);
        const ListFileContent read = readListFile(put("l.ply", bytes));
        QCOMPARE(read.groups.size(), 1);
        QCOMPARE(QStringList(read.groups[0].begin(), read.groups[0].end()), cells);
    }

    // The in-memory reader is the file reader; a name beginning with ":" is relative, never
    // one of the program's resources.
    void bytesInMemoryReadLikeTheFile() {
        const QByteArray rows("\r\nA\r\nT\r\n\r\n\r\n\r\n\r\n:/x.mp3\r\n");
        const ListFileContent fromFile = readListFile(put("l.ply", rows));
        const ListFileContent fromBytes = parseListFile(rows, path("l.ply"));
        QCOMPARE(fromBytes.groups, fromFile.groups);
        QCOMPARE(fromBytes.groups[0][7], dir_->path() + "/:/x.mp3");
        QStringList asked;
        const ListFileContent m3u =
            parseListFile("a.mp3\n:b.mp3\n", "/l/x.m3u", [&asked](const QString& f) {
                asked << f;
                return f.endsWith("b.mp3");
            });
        QCOMPARE(asked, QStringList({"/l/a.mp3", "/l/:b.mp3"}));
        QCOMPARE(m3u.paths, QStringList({"/l/:b.mp3"}));
    }

    // The packed rows of the list models are saved and read as the same bytes and groups.
    void packedRowsLikeStrings() {
        QList<TrackRow> rows = threeTracks();
        rows[0][1] = QString::fromUtf8("Motörhead\r\nLive");
        rows[1][7] = "rel/b.mp3";
        std::vector<PackedTrack> packed(rows.begin(), rows.end());
        std::vector<const PackedTrack*> pointers;
        for (const PackedTrack& row : packed) {
            pointers.push_back(&row);
        }
        saveList(path("s.ply"), ListFormat::Playlist, rows);
        saveList(path("p.ply"), ListFormat::Playlist, pointers);
        QCOMPARE(contents("p.ply"), contents("s.ply"));
        saveList(path("e.ply"), ListFormat::Playlist, std::vector<const PackedTrack*>{});
        QCOMPARE(contents("e.ply"), QByteArray("\r\n").repeated(24));

        put("w.ply", contents("s.ply") + "\xC4rger 1252\r\n\r\n");  // a group cut short
        const QList<TrackRow> groups = readListFile(path("w.ply")).groups;
        std::vector<PackedTrack> read = readRowFile(path("w.ply"));
        QCOMPARE(qsizetype(read.size()), groups.size());
        for (size_t i = 0; i < read.size(); ++i) {
            QCOMPARE(read[i].row(), groups[qsizetype(i)]);
        }
        QCOMPARE(read[1].cell(7), path("rel/b.mp3"));
        keepRows(read, true);
        QCOMPARE(qsizetype(read.size()), rowsToKeep(groups, true).size());
    }

    void lineBreaksInCellsBecomeBlanks() {
        const TrackRow broken = row("a\nb", "c\r\nd\r", put("t.mp3", {}));
        saveList(path("l.ply"), ListFormat::Playlist, {broken});
        QCOMPARE(contents("l.ply").count('\n'), 24);
        QCOMPARE(rowsToKeep(readListFile(path("l.ply")).groups, false),
                 QList<TrackRow>({row("a b", "c  d ", broken[7])}));
    }

    void failedSaveKeepsOldFile() {
        saveList(path("l.ply"), ListFormat::Playlist, threeTracks());
        const QByteArray before = contents("l.ply");
        const QList<TrackRow> many(200, row("Artist", "Title", path("t.mp3")));
        // A file size limit makes the write fail with EFBIG, even for root.
        rlimit old{};
        QVERIFY(getrlimit(RLIMIT_FSIZE, &old) == 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old;
        small.rlim_cur = 4096;
        QVERIFY(setrlimit(RLIMIT_FSIZE, &small) == 0);
        const QString error = errorOf([&] { saveList(path("l.ply"), ListFormat::Playlist, many); });
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldHandler);
        QVERIFY2(error.contains(path("l.ply")) && error.contains("too large"), qPrintable(error));
        QCOMPARE(contents("l.ply"), before);
        QCOMPARE(QDir(dir_->path()).entryList(QDir::Files).size(), 4);  // no temporary left
    }

    void readFailures() {
        QString error = errorOf([&] { readListFile(path("none.ply")); });
        QVERIFY2(error.contains(path("none.ply")) && error.contains("No such file"),
                 qPrintable(error));
        QVERIFY(QDir(dir_->path()).mkdir("d.m3u"));
        error = errorOf([&] { readListFile(path("d.m3u")); });
        QVERIFY2(error.contains("Is a directory"), qPrintable(error));
        QCOMPARE(mkfifo(QFile::encodeName(path("f.pls")).constData(), 0600), 0);
        error = errorOf([&] { readListFile(path("f.pls")); });  // must not block
        QVERIFY2(error.contains("not a regular file"), qPrintable(error));
        // Opens, then every read fails: the row format reports what it read (nothing).
        try {
            readListFile("/proc/self/mem");
            QFAIL("no error");
        } catch (const ListReadError& e) {
            QVERIFY2(e.message().contains("Input/output error"), qPrintable(e.message()));
            QVERIFY(e.groupsRead().isEmpty());
        }
    }

    void brokenInput() {
        QByteArray garbage(1 << 20, Qt::Uninitialized);
        QRandomGenerator random(42);
        for (char& c : garbage) {
            c = char(random.bounded(256));
        }
        for (const char* name : {"g.ply", "g.m3u", "g.pls"}) {
            const ListFileContent read = readListFile(put(name, garbage));
            QVERIFY(read.paths.isEmpty());
            QVERIFY(rowsWithExistingFiles(rowsToKeep(read.groups, false)).isEmpty());
        }
        const QByteArray huge(10 << 20, 'y');
        const ListFileContent line = readListFile(put("huge.ply", huge));
        QCOMPARE(line.groups.size(), 1);
        QCOMPARE(line.groups[0][0], QString(kMaxListLineBytes, u'y'));
        QVERIFY(readListFile(put("huge.m3u", huge)).paths.isEmpty());

        QFile sparse(path("sparse.ply"));
        QVERIFY(sparse.open(QIODevice::WriteOnly) && sparse.resize(kMaxListFileBytes + 1));
        QString error = errorOf([&] { readListFile(path("sparse.ply")); });
        QVERIFY2(error.contains("longer than"), qPrintable(error));
        put("many.ply", QByteArray((kMaxListEntries + 1) * 8, '\n'));
        error = errorOf([&] { readListFile(path("many.ply")); });
        QVERIFY2(error.contains("more than"), qPrintable(error));
    }

    void hundredThousandEntries() {
        const QList<TrackRow> rows(100'000, row("Artist", "Title", put("a.mp3", {})));
        saveList(path("big.ply"), ListFormat::Playlist, rows);
        QCOMPARE(rowsToKeep(readListFile(path("big.ply")).groups, false), rows);
        saveList(path("big.m3u"), ListFormat::M3u, rows);
        QCOMPARE(readListFile(path("big.m3u")).paths.size(), 100'000);
    }
};

QTEST_GUILESS_MAIN(TestListFiles)
#include "tst_listfiles.moc"
