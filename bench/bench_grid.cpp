// The list grid on its own cell store, without a model, under a full load: sorting and
// shuffling 30,000 rows, and the memory two full lists of tag text take in the store.

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <cstdio>

#include "controls/TKMVStringGrid.h"

#include "BenchSupport.h"

namespace {

constexpr int kRows = 30000;

QString word(QRandomGenerator& random, int minLength, int maxLength) {
    static const QString letters = QStringLiteral("abcdefghijklmnopqrstuvwxyzäöü");
    QString out;
    const int length = minLength + int(random.bounded(maxLength - minLength + 1));
    for (int i = 0; i < length; ++i) {
        out += letters.at(int(random.bounded(int(letters.size()))));
    }
    out[0] = out[0].toUpper();
    return out;
}

QString phrase(QRandomGenerator& random, int words) {
    QStringList parts;
    for (int i = 0; i < words; ++i) {
        parts << word(random, 3, 8);
    }
    return parts.join(QLatin1Char(' '));
}

// Fills a grid as the lists do: columns 1 to 7 of every data row, column 0 left empty.
void fillLikeAList(TKMVStringGrid& grid, QRandomGenerator& random) {
    grid.setColCount(8);
    grid.setRowCount(kRows + 1);
    QStringList artists;
    for (int i = 0; i < 2000; ++i) {
        artists << phrase(random, 1 + int(random.bounded(3)));
    }
    for (int r = 1; r <= kRows; ++r) {
        const QString artist = artists.at(int(random.bounded(int(artists.size()))));
        const QString title = phrase(random, 2 + int(random.bounded(3)));
        grid.setCell(1, r, artist);
        grid.setCell(2, r, title);
        grid.setCell(3, r, QString::number(1960 + random.bounded(60)));
        grid.setCell(4, r, QStringLiteral("Rock"));
        grid.setCell(5, r, phrase(random, 2 + int(random.bounded(2))));
        grid.setCell(6, r, phrase(random, 1 + int(random.bounded(2))));
        grid.setCell(7, r,
                     QStringLiteral("/home/user/Music/%1/%2 - %3.mp3")
                         .arg(artist, title, QString::number(r)));
    }
}

void report(const char* name, double value, const char* unit, const char* op, double limit) {
    std::printf("bench: %s %.1f %s (target %s %g)\n", name, value, unit, op, limit);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QRandomGenerator random(20240601);

    const double before = residentMb();
    TKMVStringGrid playlist;
    TKMVStringGrid selection;
    fillLikeAList(playlist, random);
    fillLikeAList(selection, random);
    const double after = residentMb();
    report("grid_rss30k_mb", after - before, "MB", "<=", 40);

    selection.resize(800, 400);
    selection.show();
    QElapsedTimer clock;
    clock.start();
    selection.sortRows(1, 2);
    report("grid_sort30k_ms", double(clock.nsecsElapsed()) / 1e6, "ms", "<=", 300);

    playlist.resize(800, 400);
    playlist.show();
    clock.restart();
    playlist.shuffleRows();
    report("grid_shuffle30k_ms", double(clock.nsecsElapsed()) / 1e6, "ms", "<=", 50);
    return 0;
}
