// Writes cut short by SIGKILL at random moments, and writes into a full disk. After every
// kill the file is the old one or the new one, whole, and once the next start has cleaned
// up nothing else lies beside it; a full disk is reported and keeps the old file.

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <optional>

#include "core/CoverFiles.h"
#include "core/Id3v1Tag.h"
#include "core/ListFile.h"
#include "core/Profile.h"
#include "core/SafeFile.h"

namespace {

// Kills a kind; the sanitizer run, where a fork costs many times more, asks for fewer.
const int kKills =
    qEnvironmentVariableIsSet("SONVOX_KILLS") ? qEnvironmentVariableIntValue("SONVOX_KILLS") : 200;
constexpr int kRows = 30000;

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

void put(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

// Runs write in a child; with a file size limit when limit is set. Returns the pid.
pid_t startChild(const std::function<bool()>& write, std::optional<rlim_t> limit = {}) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (limit) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit fileSize{*limit, *limit};
            ::setrlimit(RLIMIT_FSIZE, &fileSize);
        }
        bool written = false;
        try {
            written = write();
        } catch (const SonvoxError&) {
        }
        ::_exit(written ? 0 : 1);
    }
    return pid;
}

int waitFor(pid_t pid) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    return status;
}

// A 24-bit bitmap of side x side pixels whose colours depend on seed.
QByteArray bitmap(int side, int seed) {
    const int stride = side * 3;
    QByteArray b(54 + stride * side, '\0');
    const auto put32 = [&b](int at, quint32 v) {
        for (int i = 0; i < 4; ++i)
            b[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B', b[1] = 'M';
    put32(2, quint32(b.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, quint32(side));
    put32(22, quint32(side));
    b[26] = 1, b[28] = 24;
    for (int i = 54; i < b.size(); ++i)
        b[i] = char((i * 7 + seed * 91) & 0xFF);
    return b;
}

// A file written by one of the program's writers, in version 0 or 1.
struct Writer {
    QString target;
    std::function<bool(int version)> write;  // false or SonvoxError: a failure reported
    QStringList besides;                     // the other names that belong in the folder
    bool grows = true;                       // a full disk can stop it
};

}  // namespace

class TestCrashSafe : public QObject {
    Q_OBJECT

    QTemporaryDir home_;
    std::unique_ptr<QTemporaryDir> dir_;
    std::array<std::vector<PackedTrack>, 2> rows_;
    std::array<std::vector<const PackedTrack*>, 2> pointers_;

    QString folderOf(const Writer& writer) const { return QFileInfo(writer.target).absolutePath(); }
    QStringList leftovers(const Writer& writer) const {
        QStringList names =
            QDir(folderOf(writer)).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
        names.removeOne(QFileInfo(writer.target).fileName());
        for (const QString& name : writer.besides)
            names.removeOne(name);
        return names;
    }

    Writer listWriter(ListFormat format, const QString& name) {
        return {dir_->filePath(name),
                [this, format, name](int version) {
                    saveList(dir_->filePath(name), format, pointers_[size_t(version)]);
                    return true;
                },
                {}};
    }

    Writer writer(const QString& kind) {
        if (kind == "ply")
            return listWriter(ListFormat::Playlist, "big.ply");
        if (kind == "sel")
            return listWriter(ListFormat::Selection, "big.sel");
        if (kind == "m3u")
            return listWriter(ListFormat::M3u, "big.m3u");
        if (kind == "pls")
            return listWriter(ListFormat::Pls, "big.pls");
        if (kind == "settings") {
            const QString file = dir_->filePath("KMV.INI");
            QByteArray lines("[Sonvox]\r\n");
            for (int i = 0; i < 300; ++i)
                lines += "Key" + QByteArray::number(i) + "=value\r\n";
            put(file, lines);
            return {file,
                    [file](int version) {
                        Profile(file).writeString("Sonvox", "Key7",
                                                  QString(2000, QChar(u'a' + version)));
                        return true;
                    },
                    {}};
        }
        if (kind == "cover") {
            const QString track = dir_->filePath("Song.mp3");
            put(track, "audio");
            for (int v : {0, 1})
                put(dir_->filePath(QString("pic%1.bmp").arg(v)), bitmap(300, v));
            return {
                dir_->filePath("Song.jpg"),
                [this, track](int version) {
                    const CoverFiles::Import picture = CoverFiles::importFile(
                        dir_->filePath(QString("pic%1.bmp").arg(version)), 300, 300);
                    return picture.error.isEmpty() &&
                           CoverFiles(dir_->filePath("covers/")).writeCover(track, picture.jpeg) ==
                               CoverFiles::Write::Written;
                },
                {"Song.mp3", "pic0.bmp", "pic1.bmp"}};
        }
        // A tag is written in place, at the end of the audio.
        const QString track = dir_->filePath("Tagged.mp3");
        put(track, QByteArray(200000, '\xAA'));
        return {track,
                [track](int version) {
                    saveTag(track, {QString("Title %1").arg(version), "Artist", "Album", "1999",
                                    "Note", "Rock"});
                    return true;
                },
                {},
                false};
    }

private slots:
    void initTestCase() {
        qputenv("SONVOX_DATA_DIR", home_.filePath("data").toUtf8());
        for (int v : {0, 1}) {
            for (int n = 0; n < kRows; ++n) {
                rows_[size_t(v)].emplace_back(
                    TrackRow{QString(), QString("Artist %1").arg(n),
                             QString("Title %1 of version %2").arg(n).arg(v), "1999", "Rock",
                             "Album", "Note", QString("/music/v%1/track %2.mp3").arg(v).arg(n)});
            }
            for (const PackedTrack& row : rows_[size_t(v)])
                pointers_[size_t(v)].push_back(&row);
        }
    }
    void init() { dir_ = std::make_unique<QTemporaryDir>(); }

    void killedAtRandom_data() {
        QTest::addColumn<QString>("kind");
        for (const char* kind : {"ply", "sel", "m3u", "pls", "settings", "cover", "tag"}) {
            QTest::newRow(kind) << QString(kind);
        }
    }
    void killedAtRandom() {
        QFETCH(QString, kind);
        const Writer w = writer(kind);
        std::array<QByteArray, 2> version;
        for (int v : {1, 0}) {
            QVERIFY(w.write(v));
            version[size_t(v)] = contents(w.target);
        }
        QVERIFY(version[0] != version[1]);

        // How long a child takes to start and make one write. The children below write the
        // two versions in turn until they are killed, at any moment of that and the next write.
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(waitFor(startChild([&] { return w.write(1); })), 0);
        const qint64 spanUs = std::max<qint64>(2 * clock.nsecsElapsed() / 1000, 1000);
        for (int kill = 0; kill < kKills; ++kill) {
            const pid_t child = startChild([&w, next = kill % 2]() mutable {
                for (;; next = 1 - next)
                    w.write(next);
                return true;
            });
            ::usleep(useconds_t(QRandomGenerator::global()->bounded(spanUs)));
            ::kill(child, SIGKILL);
            QVERIFY(WIFSIGNALED(waitFor(child)));

            const QByteArray now = contents(w.target);
            QVERIFY2(now == version[0] || now == version[1],
                     qPrintable(
                         QString("kill %1: %2 bytes, neither version").arg(kill).arg(now.size())));
            removeUnfinishedWrites();  // what the next start does
            QCOMPARE(leftovers(w), QStringList());
        }
    }

    // A replaced file keeps its permission bits; a link stays a link to the new contents.
    void keepsModeAndLinks() {
        const QString file = dir_->filePath("real.ini");
        const QString link = dir_->filePath("link.ini");
        put(file, "old");
        QVERIFY(QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner));
        QVERIFY(QFile::link(file, link));
        QVERIFY(SafeFile::writeWhole(link, "new"));
        QCOMPARE(contents(file), QByteArray("new"));
        QCOMPARE(QFileInfo(link).symLinkTarget(), file);
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(file).constData(), &info), 0);
        QCOMPARE(info.st_mode & 07777, mode_t(0600));

        QString error;
        QVERIFY(!SafeFile::writeWhole(dir_->filePath("none/x"), "new", &error));
        QVERIFY2(error.contains("No such file"), qPrintable(error));
    }

    void fullDisk_data() { killedAtRandom_data(); }
    void fullDisk() {
        QFETCH(QString, kind);
        const Writer w = writer(kind);
        if (!w.grows) {
            return;  // a tag written over a tag takes no more room
        }
        QVERIFY(w.write(1));
        const QByteArray whole = contents(w.target);
        QVERIFY(w.write(0));
        const QByteArray old = contents(w.target);
        const int status =
            waitFor(startChild([&] { return w.write(1); }, rlim_t(whole.size() / 2)));
        QVERIFY(WIFEXITED(status));
        QCOMPARE(WEXITSTATUS(status), 1);  // reported
        QCOMPARE(contents(w.target), old);
        QCOMPARE(leftovers(w), QStringList());
    }
};

QTEST_GUILESS_MAIN(TestCrashSafe)
#include "tst_crashsafe.moc"
