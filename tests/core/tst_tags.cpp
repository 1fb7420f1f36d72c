// The tag codec against files written byte by byte: reading, the fallback names, saving,
// and files that are short, odd, read-only or not files at all.

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <fcntl.h>
#include <grp.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/Cp1252.h"
#include "core/GenreTable.h"
#include "core/Id3v1Tag.h"
#include "core/SonvoxError.h"
#include "core/TrackBaseName.h"

namespace {

// A raw tag block; text fields are padded with bytes 0.
QByteArray tagBlock(const QByteArray& title, const QByteArray& artist, const QByteArray& album,
                    const QByteArray& year, const QByteArray& comment, unsigned char genre) {
    QByteArray block(128, '\0');
    block.replace(0, 3, "TAG");
    const auto put = [&](int offset, const QByteArray& text) {
        block.replace(offset, text.size(), text);
    };
    put(3, title);
    put(33, artist);
    put(63, album);
    put(93, year);
    put(97, comment);
    block[127] = static_cast<char>(genre);
    return block;
}

// Stand-in audio data: no "TAG" and no "asmp" anywhere.
QByteArray audio(int size) {
    return QByteArray(size, '\xFB');
}

QByteArray contents(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Runs body in a child process and returns its exit code, or -1 when it did not exit.
int inChild(const std::function<int()>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        int code = 99;
        try {
            code = body();
        } catch (...) {
            code = 98;
        }
        _exit(code);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

class TagsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

    QString write(const QString& name, const QByteArray& bytes) {
        const QString path = dir_.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(bytes) != bytes.size()) {
            qFatal("cannot write %s", qPrintable(path));
        }
        return path;
    }

private slots:
    void cp1252() {
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i) {
            all[i] = static_cast<char>(i);
        }
        const QString text = Cp1252::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(text.at(0x80), QChar(0x20AC));
        QCOMPARE(text.at(0x81), QChar(0x81));
        QCOMPARE(text.at(0x9F), QChar(0x178));
        QCOMPARE(text.at(0xE4), QChar(0xE4));
        QCOMPARE(Cp1252::encode(text), all);

        // One "?" per character without a byte, a surrogate pair included.
        QCOMPARE(Cp1252::encode(u"a\u0080\u03A9\U0001F600\u20AC"), QByteArray("a???\x80"));
        char out[3];
        QCOMPARE(Cp1252::encodeInto(u"abcdef", out, 3), 3);
        QCOMPARE(QByteArray(out, 3), QByteArray("abc"));
    }

    void genreTable() {
        QCOMPARE(GenreTable::names().size(), 116);
        QCOMPARE(GenreTable::name(0), QStringLiteral("Blues"));
        QCOMPARE(GenreTable::name(67), QStringLiteral("Psychadelic"));
        QCOMPARE(GenreTable::name(81), QStringLiteral("Folk/Rock"));
        QCOMPARE(GenreTable::name(84), QStringLiteral("Fast-Fusion"));
        QCOMPARE(GenreTable::name(93), QStringLiteral("Psychedelic Rock"));
        QCOMPARE(GenreTable::name(115), QStringLiteral("Folklore"));
        QVERIFY(GenreTable::name(-1).isEmpty());
        QVERIFY(GenreTable::name(116).isEmpty());
        QVERIFY(GenreTable::name(255).isEmpty());
        QCOMPARE(GenreTable::indexOf(u"Rock & Roll"), 78);
        QCOMPARE(GenreTable::indexOf(u"blues"), -1);
        QCOMPARE(GenreTable::indexOf(u""), -1);
        for (int i = 0; i < GenreTable::kCount; ++i) {
            QCOMPARE(GenreTable::indexOf(GenreTable::name(i)), i);  // names are distinct
        }
    }

    void trackBaseName_data() {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("name");
        QTest::newRow("plain") << "/Music/Artist - Song.mp3"
                               << "Artist - Song";
        QTest::newRow("first dot") << "/d/a.b.mp2"
                                   << "a";
        QTest::newRow("leading dot") << "/d/.hidden.mp3"
                                     << ".hidden";
        QTest::newRow("no slash") << "song.mp3"
                                  << "song";
        QTest::newRow("no dot") << "/d.x/track"
                                << "track";
        QTest::newRow("only a dot") << "/d/."
                                    << ".";
        QTest::newRow("trailing slash") << "/d/"
                                        << "";
    }
    void trackBaseName() {
        QFETCH(QString, path);
        QFETCH(QString, name);
        QCOMPARE(TrackBaseName(path), name);
    }

    void tagFieldsAsStored() {
        const QString file = write(
            "tagged.mp3", audio(500) + tagBlock("Song \xE4", QByteArray(30, ' '),
                                                QByteArray(30, 'A'), "1998", "\tnote\x01", 130));
        Id3v1Tag tag;
        QVERIFY(writetag(file, tag));
        QCOMPARE(tag.title, QStringLiteral("Song \u00E4"));
        QCOMPARE(tag.artist, QString(30, ' '));  // not trimmed, so the fallback does not run
        QCOMPARE(tag.album, QString(30, 'A'));   // a full field has no byte 0
        QCOMPARE(tag.year, QStringLiteral("1998"));
        QCOMPARE(tag.genre, -1);  // 130 is no genre

        const PanelTagText panel = readTrackTag(file, tag);
        QCOMPARE(panel.source, PanelTagSource::Tag);
        QCOMPARE(panel.artist, QString(30, ' '));
        QVERIFY(panel.genre.isEmpty());

        const InfoTag info = readInfoTag(file);
        QVERIFY(!info.fallback);
        QVERIFY(info.artist.isEmpty());
        QCOMPARE(info.title, QStringLiteral("Song \u00E4"));
        QCOMPARE(info.comment, QStringLiteral("note"));
        QCOMPARE(info.genre, -1);

        bool named = false;
        QCOMPARE(readDialogTitles(file, &named),
                 std::make_pair(QString(), QStringLiteral("Song \u00E4")));
        QVERIFY(named);  // listed as " - " rather than by file name
    }

    void fallbackNames() {
        Id3v1Tag tag;
        PanelTagText panel = readTrackTag(write("Artist - Song.mp3", audio(300)), tag);
        QCOMPARE(panel.source, PanelTagSource::Fallback);
        QCOMPARE(tag.artist, QStringLiteral("Artist - Song"));
        QCOMPARE(tag.title, QStringLiteral("Artist - Song"));
        QCOMPARE(panel.year, QStringLiteral("0000"));
        QVERIFY(tag.year.isEmpty());

        const QString longName = "0123456789abcdefghijklmnopqrstuvwxyzABCD";
        readTrackTag(write(longName + ".mp3", audio(300)), tag);
        QCOMPARE(tag.artist, longName.first(30));
        QCOMPARE(tag.title, longName.last(30));

        // Header titles end before two spaces; a single space, also the 30th byte, stays.
        QByteArray header = audio(36) + "asmp" + "My Title  rest" + QByteArray(16, ' ');
        header += "xx" + QByteArray(29, 'b') + "  ";
        readTrackTag(write("header.mp3", header + audio(200)), tag);
        QCOMPARE(tag.title, QStringLiteral("My Title"));
        QCOMPARE(tag.artist, QString(29, 'b') + ' ');

        // A tag without an artist: artist and title from the fallback, year and album kept.
        const QString noArtist =
            write("No Artist.mp3", audio(200) + tagBlock("T", "", "Alb", "2001", "", 3));
        panel = readTrackTag(noArtist, tag);
        QCOMPARE(panel.source, PanelTagSource::Fallback);
        QCOMPARE(tag.title, QStringLiteral("No Artist"));
        QCOMPARE(tag.album, QStringLiteral("Alb"));
        QCOMPARE(tag.year, QStringLiteral("2001"));
        QCOMPARE(tag.genre, -1);
        QVERIFY(readInfoTag(noArtist).artist.isEmpty());  // the info window shows the tag
    }

    void shortFiles() {
        // Shorter than 128 bytes: no tag, silently, and no header titles either when the
        // file ends within "asmp".
        Id3v1Tag tag;
        tag.album = "left over";
        const QString small = write("small.mp3", audio(100));
        QVERIFY(!writetag(small, tag));
        QVERIFY(tag.album.isEmpty());
        QCOMPARE(readTrackTag(small, tag).source, PanelTagSource::Fallback);
        const InfoTag info = readInfoTag(small);
        QVERIFY(info.fallback);
        QCOMPARE(info.artist, QStringLiteral("small"));
        QCOMPARE(info.year, QStringLiteral("0000"));
        QCOMPARE(readDialogTitles(small), std::make_pair(QString(), QString()));

        readTrackTag(write("cut.mp3", audio(36) + "asm"), tag);
        QCOMPARE(tag.title, QStringLiteral("cut"));
        readTrackTag(write("cut2.mp3", audio(36) + "asmpShort"), tag);
        QCOMPARE(tag.title, QStringLiteral("Short"));
        QVERIFY(tag.artist.isEmpty());
    }

    void saveAppendsThenOverwrites() {
        const QByteArray body = audio(1000);
        const QString file = write("save.mp3", body);
        TagFields fields{"Artist", QString(40, 'T'), "19985", "", "Album", ""};
        QCOMPARE(saveTag(file, fields), SaveTagResult::Saved);
        QByteArray bytes = contents(file);
        QCOMPARE(bytes.size(), 1128);
        QCOMPARE(bytes.left(1000), body);
        QCOMPARE(bytes.mid(1000),
                 tagBlock(QByteArray(30, 'T'), "Artist", "Album", "1998", "", 255));

        fields.artist = "Other";
        fields.comment = "Note";
        QCOMPARE(saveTag(file, fields), SaveTagResult::Saved);
        bytes = contents(file);
        QCOMPARE(bytes.size(), 1128);
        QCOMPARE(bytes.mid(1000),
                 tagBlock(QByteArray(30, 'T'), "Other", "Album", "1998", "Note", 255));

        // A file shorter than a tag gets one appended.
        const QString small = write("small-save.mp3", audio(100));
        QCOMPARE(saveTag(small, fields), SaveTagResult::Saved);
        QCOMPARE(contents(small).size(), 228);
        QCOMPARE(contents(small).left(100), audio(100));
    }

    void saveGenre_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("byte");
        QTest::newRow("none") << "" << 255;
        QTest::newRow("Folklore") << "Folklore" << 115;
        QTest::newRow("Blues") << "Blues" << 0;
        QTest::newRow("unknown") << "blues" << 255;
    }
    void saveGenre() {
        QFETCH(QString, name);
        QFETCH(int, byte);
        const QString file = write("genre.mp3", audio(300));
        QCOMPARE(saveTag(file, {"A", "T", "2000", "", "", name}), SaveTagResult::Saved);
        QCOMPARE(int(static_cast<unsigned char>(contents(file).back())), byte);
    }

    void everyByteValue() {
        // Each byte value in every field: read by every reader and saved back unchanged.
        const QString file = write("bytes.mp3", audio(300) + tagBlock("", "", "", "", "", 0));
        for (int value = 0; value < 256; ++value) {
            const QByteArray field(30, static_cast<char>(value));
            const QByteArray block = tagBlock(field, field, field, field.left(4), field,
                                              static_cast<unsigned char>(value));
            write("bytes.mp3", audio(300) + block);
            Id3v1Tag tag;
            QVERIFY(writetag(file, tag));
            QCOMPARE(Cp1252::encode(tag.comment), value == 0 ? QByteArray() : field);
            readTrackTag(file, tag);
            readInfoTag(file);
            readDialogTitles(file);
            writetag(file, tag);
            const TagFields fields{tag.artist,  tag.title, tag.year,
                                   tag.comment, tag.album, GenreTable::name(tag.genre)};
            QCOMPARE(saveTag(file, fields), SaveTagResult::Saved);
            QByteArray expected = block;
            expected[127] = static_cast<char>(GenreTable::toByte(GenreTable::fromByte(value)));
            QCOMPARE(contents(file).mid(300), expected);
        }
    }

    void readOnlyFileIsAccessDenied() {
        const QByteArray body = audio(300);
        const QString file = write("readonly.mp3", body);
        QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::ExeOwner | QFile::ReadOther |
                                               QFile::ExeOther | QFile::ReadGroup |
                                               QFile::ExeGroup);
        QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        // As root the permission bits do not apply; the child gives up root first.
        const int code = inChild([&] {
            if (geteuid() == 0 &&
                (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
                return 2;
            }
            return saveTag(file, {"A", "T", "", "", "", ""}) == SaveTagResult::AccessDenied ? 0 : 1;
        });
        QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(code, 0);
        QCOMPARE(contents(file), body);
    }

    void notRegularFiles() {
        const QString fifo = dir_.filePath("fifo.mp3");
        QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const int reader = ::open(QFile::encodeName(fifo).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        const QString missing = dir_.filePath("missing.mp3");
        QElapsedTimer timer;
        timer.start();
        for (const QString& path : {dir_.path(), fifo, missing}) {
            Id3v1Tag tag;
            QCOMPARE(readTrackTag(path, tag).source, PanelTagSource::Unchanged);
            QVERIFY(tag.artist.isEmpty());
            QVERIFY(!writetagc(path, tag));
            const InfoTag info = readInfoTag(path);
            QVERIFY(!info.fallback && info.artist.isEmpty() && info.year.isEmpty());
            Id3v1Block block;
            QCOMPARE(readTagBlock(path, block), TagBlockRead::CannotOpen);
            QCOMPARE(saveTag(path, {"A", "T", "", "", "", ""}), SaveTagResult::AccessDenied);
        }
        QVERIFY(timer.elapsed() < 2000);
        char byte;
        QVERIFY(::read(reader, &byte, 1) <= 0);  // nothing was written into the FIFO
        ::close(reader);
        QVERIFY(!QFile::exists(missing));
    }

    void failedWriteLeavesFileUnchanged() {
        // The file may grow by only 64 bytes, so appending a tag fails half way.
        const QByteArray body = audio(1000);
        const QString file = write("full.mp3", body);
        const int code = inChild([&] {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{1064, 1064};
            setrlimit(RLIMIT_FSIZE, &limit);
            try {
                saveTag(file, {"A", "T", "", "", "", ""});
            } catch (const SonvoxError& error) {
                return error.message().contains(file) ? 0 : 1;
            }
            return 2;
        });
        QCOMPARE(code, 0);
        QCOMPARE(contents(file), body);
    }
};

QTEST_GUILESS_MAIN(TagsTest)
#include "tst_tags.moc"
