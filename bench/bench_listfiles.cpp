// List file figures, for a 30,000-row ".ply" (the most a list holds) with typical tag text:
//   ply30k_ms     saving it and loading it back as the lists do, from and into packed rows
//                 (saveList, readRowFile and the trimming; without the existence test of the
//                 30,000 track files, which is the file system's cost)
//   ply30k_ratio  the same against writing and reading the same bytes with plain stdio
//                 (fwrite to a temporary file, fsync and rename as the safe save does; fgets)
//   dir100k_list_ms  saving and reading back a ".ply" and an ".m3u" of 100,000 entries
//                 naming one existing track (entries beyond a list's capacity, as a crafted
//                 or foreign list may hold)
// Each figure is the best of several runs (the machine may be busy with other work), all
// in the same run of this program. The rows
// come in album order; ply30k_shuffled_ms repeats the measure for the rows shuffled.
#include <unistd.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <random>
#include <vector>

#include "core/ListFile.h"

namespace {

constexpr int kRows = 30'000;
constexpr int kRuns = 9;

// Albums of twelve tracks in order, as a list filled from a music folder looks: artist,
// album, year, genre and note repeat within an album, title and path never do.
QList<TrackRow> typicalRows() {
    static const char* const kGenres[] = {"Rock", "Pop", "Jazz", "Classical", "Hip-Hop"};
    QList<TrackRow> rows;
    rows.reserve(kRows);
    for (int i = 0; i < kRows; ++i) {
        const int album = i / 12;
        const QString artist = album % 10 == 0
                                   ? QString::fromUtf8("Motörhead Tribute %1").arg(album % 97)
                                   : QStringLiteral("The Artist Number %1").arg(album % 997);
        const QString albumName = QStringLiteral("Greatest Album Vol. %1").arg(album);
        const QString title = QStringLiteral("A Song With a Longer Title %1").arg(i);
        rows.append({QString(), artist, title, QString::number(1960 + album % 60),
                     QString::fromLatin1(kGenres[album % 5]), albumName,
                     QStringLiteral("ripped from CD %1").arg(album % 13),
                     QStringLiteral("/home/user/Music/%1/%2/%3 - %4.mp3")
                         .arg(artist, albumName)
                         .arg(i % 12 + 1, 2, 10, QLatin1Char('0'))
                         .arg(title)});
    }
    return rows;
}

double bestMs(const std::function<void()>& work) {
    std::vector<double> ms;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        ms.push_back(timer.nsecsElapsed() / 1e6);
    }
    return *std::min_element(ms.begin(), ms.end());
}

void stdioWrite(const QByteArray& bytes, const QByteArray& path) {
    const QByteArray temporary = path + ".tmp";
    FILE* f = std::fopen(temporary.constData(), "wb");
    if (!f || std::fwrite(bytes.constData(), 1, bytes.size(), f) != size_t(bytes.size()) ||
        std::fflush(f) != 0 || fsync(fileno(f)) != 0 || std::fclose(f) != 0 ||
        std::rename(temporary.constData(), path.constData()) != 0) {
        std::fprintf(stderr, "stdio write failed\n");
        std::exit(1);
    }
}

qsizetype stdioRead(const QByteArray& path) {
    static char line[kMaxListLineBytes + 2];
    FILE* f = std::fopen(path.constData(), "rb");
    if (!f) {
        std::exit(1);
    }
    qsizetype lines = 0;
    while (std::fgets(line, sizeof line, f)) {
        ++lines;
    }
    std::fclose(f);
    return lines;
}

struct Figures {
    double save, load, plainWrite, plainRead, megabytes;
};

Figures measure(const QList<TrackRow>& rows, const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("bench.ply"));
    saveList(path, ListFormat::Playlist, rows);
    if (rowsToKeep(readListFile(path).groups, false) != rows) {
        std::fprintf(stderr, "bench: ply30k round trip failed\n");
        std::exit(1);
    }
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray bytes = file.readAll();
    const QByteArray stdioPath = QFile::encodeName(dir.filePath(QStringLiteral("stdio.ply")));

    Figures f{};
    f.megabytes = bytes.size() / 1e6;
    const std::vector<PackedTrack> packed(rows.begin(), rows.end());
    std::vector<const PackedTrack*> pointers;
    for (const PackedTrack& row : packed) {
        pointers.push_back(&row);
    }
    f.save = bestMs([&] { saveList(path, ListFormat::Playlist, pointers); });
    f.load = bestMs([&] {
        std::vector<PackedTrack> read = readRowFile(path);
        keepRows(read, false);
        if (read.size() != size_t(kRows)) {
            std::exit(1);
        }
    });
    f.plainWrite = bestMs([&] { stdioWrite(bytes, stdioPath); });
    f.plainRead = bestMs([&] {
        if (stdioRead(stdioPath) != 8 * (kRows + 2)) {
            std::exit(1);
        }
    });
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QList<TrackRow> rows = typicalRows();
    const Figures f = measure(rows, dir);
    std::printf("bench: ply30k_save_ms %.1f ms (stdio %.1f ms)\n", f.save, f.plainWrite);
    std::printf("bench: ply30k_load_ms %.1f ms (stdio %.1f ms)\n", f.load, f.plainRead);
    std::printf("bench: ply30k_ms %.1f ms (stdio %.1f ms, file %.1f MB)\n", f.save + f.load,
                f.plainWrite + f.plainRead, f.megabytes);
    std::printf("bench: ply30k_ratio %.2f x (target <= 1.5)\n",
                (f.save + f.load) / (f.plainWrite + f.plainRead));

    // The same rows shuffled, so that no cell repeats the row above (a randomized playlist).
    QList<TrackRow> shuffled = rows;
    std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(7));
    const Figures s = measure(shuffled, dir);
    std::printf("bench: ply30k_shuffled_ms %.1f ms (stdio %.1f ms, ratio %.2f)\n", s.save + s.load,
                s.plainWrite + s.plainRead, (s.save + s.load) / (s.plainWrite + s.plainRead));

    // 100,000 entries through the row format and M3U, existence tests included.
    const QString track = dir.filePath(QStringLiteral("a.mp3"));
    QFile(track).open(QIODevice::WriteOnly);
    const QList<TrackRow> many(
        100'000, TrackRow{QString(), QStringLiteral("Artist"), QStringLiteral("Title"), QString(),
                          QString(), QString(), QString(), track});
    QElapsedTimer clock;
    clock.start();
    saveList(dir.filePath(QStringLiteral("big.ply")), ListFormat::Playlist, many);
    const qsizetype rowsRead =
        rowsToKeep(readListFile(dir.filePath(QStringLiteral("big.ply"))).groups, false).size();
    saveList(dir.filePath(QStringLiteral("big.m3u")), ListFormat::M3u, many);
    const qsizetype pathsRead = readListFile(dir.filePath(QStringLiteral("big.m3u"))).paths.size();
    if (rowsRead != many.size() || pathsRead != many.size()) {
        std::fprintf(stderr, "bench: the 100,000-entry lists did not come back whole\n");
        return 1;
    }
    std::printf("bench: dir100k_list_ms %.1f ms (target <= 20000)\n", clock.nsecsElapsed() / 1e6);
    return 0;
}
