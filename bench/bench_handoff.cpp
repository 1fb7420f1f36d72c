// Hand-offs under load: a client that speaks the socket protocol sends 10,000 one-file
// ENCODER hand-offs as fast as it can, and 100 real later starts ("sonvox --playlist FILE")
// come in between, to the instance and the main window of this process.
//   handoff_taken        hand-offs whose file reached the playlist, in the order sent
//   handoff_max_stall_ms the longest the window's thread went without running a 5 ms timer
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "BenchSupport.h"
#include "FakeDecoder.h"
#include "app/SingleInstance.h"
#include "app/TPlayerForm.h"
#include "core/DecoderEvent.h"
#include "core/Paths.h"
#include "core/PlayerEngine.h"
#include "core/TrackListModel.h"
#include "lists/TrackLists.h"

namespace {

constexpr int kHandOffs = 10'000;
constexpr int kRealStarts = 100;
constexpr int kFiles = 200;

// Track files with a tag, so that every hand-off gives a row.
QStringList makeTracks(const QString& dir) {
    QStringList files;
    for (int i = 0; i < kFiles; ++i) {
        QByteArray tag(128, '\0');
        std::memcpy(tag.data(), "TAG", 3);
        const QByteArray artist = "Artist " + QByteArray::number(i);
        std::memcpy(tag.data() + 33, artist.constData(), size_t(artist.size()));
        const QString path = QStringLiteral("%1/t%2.mp3").arg(dir).arg(i);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(QByteArray(256, 'x') + tag) != 384) {
            std::fprintf(stderr, "bench: cannot write %s\n", qPrintable(path));
            std::exit(1);
        }
        files << path;
    }
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QTemporaryDir home;
    qputenv("SONVOX_CONFIG_DIR", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("SONVOX_DATA_DIR", home.filePath(QStringLiteral("data")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    QApplication app(argc, argv);
    const QStringList files = makeTracks(home.path());

    SingleInstance instance(Paths::instanceSocketName());
    if (!instance.listen()) {
        std::fprintf(stderr, "bench: cannot listen\n");
        return 1;
    }
    TPlayerForm form(std::make_unique<FakeDecoder>(), QStringList(), false);
    QObject::connect(&instance, &SingleInstance::playlistReceived, &form,
                     &TPlayerForm::playlistReceived);
    form.show();
    // A track counts as loaded, so every hand-off goes into the playlist.
    const std::unique_ptr<DecoderEvent> loaded(DecoderEvent::streamInfo(1, 3, 128, 44100, 1));
    form.engine().handleNotification(*loaded);

    // The order of sending, as the client thread keeps it.
    QStringList sent;
    sent.reserve(kHandOffs + kRealStarts);
    std::atomic<int> failed{0};
    std::atomic<bool> done{false};
    const QString socket = Paths::instanceSocketName();
    const QString program = QCoreApplication::applicationDirPath() + QStringLiteral("/../sonvox");
    std::thread client([&] {
        for (int i = 0; i < kHandOffs; ++i) {
            const QString file = files[i % kFiles];
            if (!SingleInstance::send(socket, InstanceMessage::playlist({file}))) {
                ++failed;
            }
            sent << file;
            if (i % (kHandOffs / kRealStarts) == kHandOffs / kRealStarts / 2) {
                const QString started = files[(i * 7) % kFiles];
                QProcess later;
                later.start(program, {QStringLiteral("--playlist"), started});
                if (!later.waitForFinished(20000) || later.exitCode() != 0) {
                    ++failed;
                }
                sent << started;
            }
        }
        done = true;
    });

    StallMeter stalls;
    stalls.start();
    TrackListModel& playlist = form.lists().playlistModel();
    QElapsedTimer overall;
    overall.start();
    while (overall.elapsed() < 300'000 &&
           !(done && form.lists().commands().idle() &&
             playlist.rowCount() - 1 >= kHandOffs + kRealStarts - failed)) {
        app.processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    const qint64 longestGapMs = stalls.longestMs();
    client.join();

    int inOrder = 0;
    for (int row = 1; row < playlist.rowCount() && row - 1 < sent.size(); ++row) {
        if (playlist.fileName(row) != sent[row - 1]) {
            break;
        }
        ++inOrder;
    }
    std::printf("bench: handoff_taken %d of %d (target = %d, %d failed to send)\n", inOrder,
                kHandOffs + kRealStarts, kHandOffs + kRealStarts, int(failed));
    std::printf("bench: handoff_max_stall_ms %lld ms (target <= 100)\n",
                static_cast<long long>(longestGapMs));
    std::printf("bench: handoff_total_s %.1f s (reported)\n", overall.elapsed() / 1000.0);
    return 0;
}
