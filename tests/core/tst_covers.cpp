// Cover files: both locations and their order, the writability probe, writing through a
// temporary file, deleting with its fallback, importing bitmaps and JPEG files, and the
// loader that decodes off the calling thread with the latest request winning.

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/CoverFiles.h"
#include "core/CoverLoader.h"
#include "core/JpegCodec.h"

namespace {

Picture flat(int width, int height, quint32 colour) {
    Picture p = Picture::allocate(width, height);
    for (int y = 0; y < height; ++y) {
        std::fill_n(p.row(y), width, colour);
    }
    return p;
}

QByteArray read(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void write(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

// Runs body in a child process and returns its exit code, or -1 when it did not exit.
int inChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        _exit(body());
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A 24-bit 2 x 2 bitmap, all blue.
QByteArray blueBitmap() {
    QByteArray b(14 + 40 + 16, '\0');
    const auto put32 = [&b](int at, quint32 v) {
        for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xFF);
    };
    b[0] = 'B', b[1] = 'M';
    put32(10, 54);
    put32(14, 40);
    put32(18, 2);
    put32(22, 2);
    b[26] = 1, b[28] = 24;
    for (int at : {54, 57, 62, 65}) b[at] = char(0xFF);
    return b;
}

}  // namespace

class CoversTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tmp_;
    QString music_;   // where the tracks lie
    QString covers_;  // the cover directory, ending in "/"

    static QByteArray jpegBytes(quint32 colour, int side = 32) {
        return JpegCodec::encode(flat(side, side, colour));
    }
    QStringList leftovers(const QString& dir) {
        return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }

private slots:
    void init() {
        tmp_ = std::make_unique<QTemporaryDir>();
        music_ = tmp_->filePath("music");
        covers_ = tmp_->filePath("covers") + "/";
        QDir().mkpath(music_);
        QDir().mkpath(covers_);
    }

    void locations_data() {
        QTest::addColumn<QString>("track");
        QTest::addColumn<QString>("beside");
        QTest::addColumn<QString>("inDirectory");
        QTest::addColumn<QString>("probe");
        QTest::newRow("plain") << "/m/Song.mp3" << "/m/Song.jpg" << "Song.jpg" << "/m/Song.xxx";
        QTest::newRow("two dots") << "/m/A.B.mp3" << "/m/A.B.jpg" << "A.jpg" << "/m/A.B.xxx";
        QTest::newRow("leading dot") << "/m/.x.mp2" << "/m/.x.jpg" << ".x.jpg" << "/m/.x.xxx";
        QTest::newRow("four characters cut") << "/m/Song.mpeg" << "/m/Song..jpg" << "Song.jpg"
                                             << "/m/Song..xxx";
    }
    void locations() {
        QFETCH(QString, track);
        QFETCH(QString, beside);
        QFETCH(QString, inDirectory);
        QFETCH(QString, probe);
        const CoverFiles files("/c/");
        QCOMPARE(CoverFiles::besideTrack(track), beside);
        QCOMPARE(files.inCoverDirectory(track), "/c/" + inDirectory);
        QCOMPARE(CoverFiles::probeName(beside), probe);
    }

    void bothLocationsInOrder() {
        const CoverFiles files(covers_);
        const QString track = music_ + "/A.B.mp3";
        write(music_ + "/A.B.jpg", "beside");
        write(covers_ + "A.jpg", "directory");
        QByteArray bytes;
        QString file;
        QCOMPARE(files.readCover(track, bytes, &file), CoverFiles::Read::Read);
        QCOMPARE(bytes, QByteArray("beside"));
        QCOMPARE(file, music_ + "/A.B.jpg");

        QCOMPARE(files.deleteCover(track), CoverFiles::Delete::Deleted);
        QVERIFY(QFile::exists(covers_ + "A.jpg"));
        QCOMPARE(files.readCover(track, bytes, &file), CoverFiles::Read::Read);
        QCOMPARE(bytes, QByteArray("directory"));

        QCOMPARE(files.deleteCover(track), CoverFiles::Delete::Deleted);
        QCOMPARE(files.readCover(track, bytes), CoverFiles::Read::None);
        QCOMPARE(files.deleteCover(track), CoverFiles::Delete::NoCover);

        // A folder in place of the cover is no cover to read and cannot be deleted.
        QDir().mkpath(music_ + "/A.B.jpg");
        QCOMPARE(files.readCover(track, bytes), CoverFiles::Read::None);
        QCOMPARE(files.deleteCover(track), CoverFiles::Delete::AccessDenied);
    }

    void readOnlyTracksUseTheCoverDirectory() {
        // A track whose folder cannot take files (here: it does not exist).
        const QString track = tmp_->filePath("disc/Song.mp3");
        const CoverFiles files(covers_);
        QString file;
        QCOMPARE(files.writeCover(track, "picture", &file), CoverFiles::Write::Written);
        QCOMPARE(file, covers_ + "Song.jpg");
        QByteArray bytes;
        QCOMPARE(files.readCover(track, bytes), CoverFiles::Read::Read);
        QCOMPARE(bytes, QByteArray("picture"));

        const CoverFiles nowhere(tmp_->filePath("missing") + "/");
        QCOMPARE(nowhere.writeCover(track, "picture"), CoverFiles::Write::AccessDenied);
        QVERIFY(!QFile::exists(tmp_->filePath("missing")));
    }

    void permissionsAreObeyed() {
        // As root the permission bits do not apply; the child gives up root first.
        const QString track = music_ + "/Song.mp3";
        QVERIFY(::chmod(QFile::encodeName(music_).constData(), 0555) == 0);
        QVERIFY(::chmod(QFile::encodeName(covers_).constData(), 0777) == 0);
        QVERIFY(::chmod(QFile::encodeName(tmp_->path()).constData(), 0755) == 0);
        const int code = inChild([&] {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0)) {
                return 2;
            }
            QString file;
            const auto result = CoverFiles(covers_).writeCover(track, "x", &file);
            return result == CoverFiles::Write::Written && file == covers_ + "Song.jpg" ? 0 : 1;
        });
        ::chmod(QFile::encodeName(music_).constData(), 0755);
        QCOMPARE(code, 0);
        QVERIFY(leftovers(music_).isEmpty());
    }

    void probeNeverTouchesAnExistingFile() {
        write(music_ + "/Song.xxx", "the user's own");
        QVERIFY(CoverFiles::isWritable(music_ + "/Song.jpg"));
        QCOMPARE(read(music_ + "/Song.xxx"), QByteArray("the user's own"));
        QCOMPARE(leftovers(music_), QStringList{"Song.xxx"});
    }

    void writesReplaceWhole() {
        const QString track = music_ + "/Song.mp3";
        const CoverFiles files(covers_);
        write(music_ + "/Song.jpg", "old cover");
        QCOMPARE(files.writeCover(track, "new cover"), CoverFiles::Write::Written);
        QCOMPARE(read(music_ + "/Song.jpg"), QByteArray("new cover"));
        QCOMPARE(leftovers(music_), QStringList{"Song.jpg"});

        // The disk fills half way through: the old cover stays as it was, no remains.
        const int code = inChild([&] {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{4096, 4096};
            setrlimit(RLIMIT_FSIZE, &limit);
            return files.writeCover(track, QByteArray(100000, 'x')) == CoverFiles::Write::Failed ? 0 : 1;
        });
        QCOMPARE(code, 0);
        QCOMPARE(read(music_ + "/Song.jpg"), QByteArray("new cover"));
        QCOMPARE(leftovers(music_), QStringList{"Song.jpg"});
    }

    void readingNeverBlocks() {
        const QString fifo = music_ + "/Song.jpg";
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QByteArray bytes;
        QCOMPARE(CoverFiles(covers_).readCover(music_ + "/Song.mp3", bytes), CoverFiles::Read::None);
    }

    void importFiles_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<bool>("unknownFormat");
        const QByteArray red = jpegBytes(0xFFFF0000);
        QTest::newRow("jpg") << "photo.jpg" << red << true << false;
        QTest::newRow("JPG") << "photo.JPG" << red << true << false;
        QTest::newRow("jpeg") << "photo.jpeg" << red << false << true;
        QTest::newRow("png") << "photo.png" << red << false << true;
        QTest::newRow("bmp") << "blue.bmp" << blueBitmap() << true << false;
        QTest::newRow("Bmp") << "blue.Bmp" << blueBitmap() << true << false;
        QTest::newRow("jpg holding text") << "fake.jpg" << QByteArray("text") << false << false;
        QTest::newRow("jpg holding a bitmap") << "fake.jpg" << blueBitmap() << false << false;
        QTest::newRow("truncated jpg") << "cut.jpg" << red.left(red.size() / 2) << false << false;
        QTest::newRow("bmp holding a jpeg") << "fake.bmp" << red << false << false;
        QTest::newRow("empty bmp") << "empty.bmp" << QByteArray() << false << false;
    }
    void importFiles() {
        QFETCH(QString, name);
        QFETCH(QByteArray, content);
        QFETCH(bool, accepted);
        QFETCH(bool, unknownFormat);
        const QString path = tmp_->filePath(name);
        write(path, content);
        const CoverFiles::Import import = CoverFiles::importFile(path, 16, 16);
        QCOMPARE(import.error.isEmpty(), accepted);
        QCOMPARE(import.unknownFormat, unknownFormat);
        if (unknownFormat) {
            QCOMPARE(import.error, kUnknownPictureFormatText);
        }
        if (!accepted) {
            QVERIFY(import.jpeg.isEmpty() && import.picture.isNull());
            return;
        }
        QVERIFY(!import.picture.isNull());
        if (CoverFiles::importKind(name) == CoverFiles::ImportKind::Jpeg) {
            QCOMPARE(import.jpeg, content);  // the file's own data, unchanged
        } else {
            const JpegCodec::Decoded d = JpegCodec::decode(import.jpeg);
            QVERIFY(d.ok());
            QCOMPARE(d.picture.width, 2);
            QVERIFY(qAbs(int(d.picture.pixel(0, 0) & 0xFF) - 255) < 8);
        }
    }

    void loaderDeliversTheLatest() {
        const CoverFiles files(covers_);
        write(music_ + "/big.jpg", JpegCodec::encode(flat(2000, 2000, 0xFF00FF00)));
        write(music_ + "/small.jpg", jpegBytes(0xFF0000FF, 64));
        write(music_ + "/broken.jpg", "not a picture");
        CoverLoader loader;
        QSignalSpy spy(&loader, &CoverLoader::loaded);
        loader.load(music_ + "/big.mp3", covers_, 240, 240);
        const int second = loader.load(music_ + "/small.mp3", covers_, 240, 240);
        QVERIFY(loader.busy());
        QVERIFY(spy.wait(5000));
        QTest::qWait(50);
        QCOMPARE(spy.count(), 1);
        auto result = spy.takeFirst().at(0).value<CoverLoader::Result>();
        QCOMPARE(result.request, second);
        QCOMPARE(result.file, music_ + "/small.jpg");
        QCOMPARE(result.picture.width, 64);
        QVERIFY(!loader.busy());

        loader.load(music_ + "/broken.mp3", covers_, 240, 240);
        QVERIFY(spy.wait(5000));
        result = spy.takeFirst().at(0).value<CoverLoader::Result>();
        QVERIFY(result.picture.isNull());
        QVERIFY(!result.error.isEmpty());

        loader.load(music_ + "/none.mp3", covers_, 240, 240);
        QVERIFY(spy.wait(5000));
        result = spy.takeFirst().at(0).value<CoverLoader::Result>();
        QVERIFY(result.picture.isNull() && result.file.isEmpty() && result.error.isEmpty());

        loader.load(music_ + "/big.mp3", covers_, 240, 240);
        loader.cancel();
        QVERIFY(!spy.wait(300));
    }
};

QTEST_GUILESS_MAIN(CoversTest)
#include "tst_covers.moc"
