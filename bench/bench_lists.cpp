// The track lists under a full load: filling the playlist with 10,000 and with 30,000 tagged
// files from a warm disk cache, against a plain loop that opens each file, seeks to its tag,
// reads 128 bytes and closes it (a fill is done when its last row is in the list); the
// longest pause of the event loop during the fill; sorting and shuffling 30,000 shown rows;
// and the memory both lists take with 30,000 rows each.

#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>

#include "core/DecoderBackend.h"
#include "core/DecoderEvent.h"
#include "core/PlayerEngine.h"
#include "core/XaudioPlayer.h"
#include "lists/EngineListPlayer.h"
#include "lists/ListWindowHost.h"
#include "lists/TrackGrid.h"
#include "lists/TrackLists.h"
#include "playback/PlayerPanel.h"

#include "BenchSupport.h"

namespace {

constexpr int kFiles = 30000;

void report(const char* name, double value, const char* unit, const char* op, double limit) {
    std::printf("bench: %s %.2f %s (target %s %g)\n", name, value, unit, op, limit);
    std::fflush(stdout);
}

// Runs the event loop until the lists have taken every row handed to them; milliseconds.
double fillMs(TrackLists& lists, const QStringList& paths) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QObject::connect(&lists.commands(), &ListCommands::fillEnded, &loop, &QEventLoop::quit);
    lists.FillPlaylist(paths);
    if (!lists.commands().idle()) {
        loop.exec();
    }
    return double(clock.nsecsElapsed()) / 1e6;
}

// A decoder that takes every command and answers nothing.
class SilentDecoder : public DecoderBackend {
public:
    int start(QObject*) override { return 0; }
    void send(const DecoderCommand&) override {}
};

class NoGrowth : public ListWindowHost {
public:
    void growHeight() override {}
    void growWidth() override {}
};

// Small track files: 400 bytes of audio and a tag with varied texts.
QStringList makeTracks(const QString& dir, int count) {
    QStringList paths;
    paths.reserve(count);
    for (int i = 0; i < count; ++i) {
        QByteArray bytes(400, '\x55');
        QByteArray tag(128, '\0');
        auto put = [&tag](int offset, const QByteArray& text) {
            std::memcpy(tag.data() + offset, text.constData(),
                        size_t(std::min<qsizetype>(text.size(), 30)));
        };
        tag[0] = 'T';
        tag[1] = 'A';
        tag[2] = 'G';
        put(3, "Title number " + QByteArray::number(i));
        put(33, "Artist " + QByteArray::number(i % 997));
        put(63, "Album " + QByteArray::number(i % 3001));
        put(93, QByteArray::number(1950 + i % 70));
        put(97, "A note about track " + QByteArray::number(i));
        tag[127] = char(i % 80);
        const QString path =
            QStringLiteral("%1/Artist %2 - Title number %3.mp3").arg(dir).arg(i % 997).arg(i);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes + tag) != 528) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
        paths << path;
    }
    return paths;
}

// The floor: open, seek to the tag, read 128 bytes, close; returns milliseconds.
double plainLoopMs(const QStringList& paths) {
    QElapsedTimer clock;
    clock.start();
    char block[128];
    qint64 sum = 0;
    for (const QString& path : paths) {
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        if (fd < 0) {
            continue;
        }
        if (::lseek(fd, -128, SEEK_END) >= 0 && ::read(fd, block, sizeof block) == 128) {
            sum += block[3];
        }
        ::close(fd);
    }
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    if (sum == 42) {
        std::printf("%lld\n", static_cast<long long>(sum));  // keeps the reads
    }
    return ms;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QStringList paths = makeTracks(dir.path(), kFiles);
    plainLoopMs(paths);  // warms the cache

    // The lists as the main window holds them, shown, with a track counted as loaded.
    XaudioPlayer player(std::make_unique<SilentDecoder>());
    QWidget window;
    auto* panel = new PlayerPanel(&window);
    TrackLists lists;
    PlayerEngine engine(player, lists.playlistSource());
    panel->setEngine(&engine);
    EngineListPlayer listPlayer(engine, lists.commands());
    NoGrowth host;
    lists.attach(listPlayer, host, [panel](QPoint at) { return panel->takesDropAt(at); });
    lists.playlistPanel()->setParent(&window);
    lists.selectionPanel()->setParent(&window);
    lists.playlistPanel()->setGeometry(0, PlayerPanel::kHeight, PlayerPanel::kWidth, 300);
    lists.selectionPanel()->setGeometry(PlayerPanel::kWidth, 0, 700, PlayerPanel::kHeight + 300);
    window.resize(PlayerPanel::kWidth + 700, PlayerPanel::kHeight + 300);
    window.show();
    const std::unique_ptr<DecoderEvent> loaded(DecoderEvent::streamInfo(1, 3, 128, 44100, 1));
    engine.handleNotification(*loaded);
    for (int i = 0; i < 20; ++i) {
        app.processEvents();
    }
    const double emptyMb = residentMb();

    // 10,000 files; the floor is measured right before, in the same run.
    const QStringList tenThousand = paths.mid(0, 10000);
    double plain = plainLoopMs(tenThousand);
    double fill = fillMs(lists, tenThousand);
    report("fill10k_ratio", fill / plain, "x", "<=", 1.5);
    lists.MenuItem7Click();

    // 30,000 files, with a 5 ms timer noting the longest gap between its ticks.
    StallMeter stalls;
    plain = plainLoopMs(paths);
    stalls.start();
    fill = fillMs(lists, paths);
    const qint64 longestGapMs = stalls.longestMs();
    report("fill30k_ratio", fill / plain, "x", "<=", 1.5);
    report("fill_max_stall_ms", double(longestGapMs), "ms", "<=", 30);
    if (lists.playlistGrid()->rowCount() != kFiles + 1) {
        std::fprintf(stderr, "the playlist holds %d rows\n", lists.playlistGrid()->rowCount());
        return 1;
    }

    lists.FillSelection(paths);
    while (!lists.commands().idle()) {
        app.processEvents(QEventLoop::WaitForMoreEvents);
    }
    app.processEvents();
    report("rss30k_extra_mb", residentMb() - emptyMb, "MB", "<=", 15);

    // Sorting the shown selection by artist and title, shuffling the shown playlist; each
    // until the grid has painted the result.
    QElapsedTimer clock;
    clock.start();
    lists.Interpret1Click();
    lists.selectionGrid()->repaint();
    report("sort30k_ms", double(clock.nsecsElapsed()) / 1e6, "ms", "<=", 30);
    clock.restart();
    lists.Randomize1Click();
    lists.playlistGrid()->repaint();
    report("shuffle30k_ms", double(clock.nsecsElapsed()) / 1e6, "ms", "<=", 10);
    return 0;
}
