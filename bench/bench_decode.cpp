// Decoding cost of the decoder thread against mpg123 itself, in the same run.
//
// decode_ratio: CPU time of MpgDecoder decoding a 60-second file through its own thread and
//   decode path into a NullAudioOutput (open, scan, decode, mix stage, thread start and
//   end), divided by the CPU time of the child process `mpg123 -q -o dummy FILE` (its dummy
//   output discards the samples without waiting, so it decodes as fast as it can). Each
//   side runs several times, alternately; the fastest run of each counts.
// playing_cpu: the CPU the decoder, its thread and SDL's audio thread use while a track
//   plays in real time (SDL's silent "dummy" driver unless SDL_AUDIODRIVER names another),
//   in per cent of one core.
//
// The 60-second file is built here from the first demo track: its frames, without the
// leading LAME info frame (which would announce the length of one copy) and without the
// tag, written three times in a row.

#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "BenchSupport.h"
#include "core/DecoderEvent.h"
#include "core/Mpg123Source.h"
#include "core/MpgDecoder.h"
#include "core/NullAudioOutput.h"

extern char** environ;

namespace {

const char* const kSourceTrack = SONVOX_DEMO_DIR "/Nordlicht Ensemble - Glass Harbour.mp3";
constexpr int kCopies = 3;
constexpr int kRounds = 7;
constexpr int kPlayingSeconds = 5;

double seconds(const timeval& t) {
    return t.tv_sec + t.tv_usec / 1e6;
}

double processCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// Waits for one State notification of a given value.
class StateWaiter : public QObject {
public:
    explicit StateWaiter(int wanted) : wanted_(wanted) {}
    void wait(int timeoutMs) {
        QTimer::singleShot(timeoutMs, &loop_, &QEventLoop::quit);
        if (!seen_) {
            loop_.exec();
        }
    }
    bool seen() const { return seen_; }

protected:
    bool event(QEvent* e) override {
        if (e->type() == static_cast<QEvent::Type>(decoder::Notification::State)) {
            if (static_cast<DecoderEvent*>(e)->int32At(4) == wanted_) {
                seen_ = true;
                loop_.quit();
            }
            return true;
        }
        return QObject::event(e);
    }

private:
    int wanted_;
    bool seen_ = false;
    QEventLoop loop_;
};

double decoderCpu(const QString& path) {
    const double before = processCpuSeconds();
    StateWaiter ended(static_cast<int>(decoder::StreamState::EndOfStream));
    {
        MpgDecoder decoder(std::make_unique<NullAudioOutput>());
        if (decoder.start(&ended) != 0) {
            return -1;
        }
        decoder.send({decoder::Command::OpenInput, 0, 0, 0, path});
        decoder.send({decoder::Command::Play});
        ended.wait(60000);
    }
    return ended.seen() ? processCpuSeconds() - before : -1;
}

double mpg123Cpu(const QString& path) {
    const QByteArray file = QFile::encodeName(path);
    char* const argv[] = {const_cast<char*>("mpg123"),
                          const_cast<char*>("-q"),
                          const_cast<char*>("-o"),
                          const_cast<char*>("dummy"),
                          const_cast<char*>(file.constData()),
                          nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "mpg123", nullptr, nullptr, argv, environ) != 0) {
        return -1;
    }
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1;
    }
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double playingCpuPercent() {
    StateWaiter never(-1);
    MpgDecoder decoder;
    if (decoder.start(&never) != 0) {
        return -1;
    }
    decoder.send({decoder::Command::OpenInput, 0, 0, 0, QString::fromUtf8(kSourceTrack)});
    decoder.send({decoder::Command::Play});
    never.wait(500);  // settle: open, scan, first refill
    const double before = processCpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    never.wait(kPlayingSeconds * 1000);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = processCpuSeconds() - before;
    decoder.send({decoder::Command::Stop});
    return 100.0 * cpu / wall;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) {
        qputenv("SDL_AUDIODRIVER", "dummy");  // a benchmark plays nothing out loud
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sixty-seconds.mp3"));
    if (!dir.isValid() || !writeLongFile(QString::fromUtf8(kSourceTrack), path, kCopies)) {
        std::fprintf(stderr, "bench_decode: cannot build the 60-second file from %s\n",
                     kSourceTrack);
        return 1;
    }
    Mpg123Source probe;
    if (!probe.open(QFile::encodeName(path).toStdString())) {
        std::fprintf(stderr, "bench_decode: the 60-second file does not decode\n");
        return 1;
    }
    std::printf("bench_decode: %s, %.1f s, %d copies of %s\n", qPrintable(path),
                double(probe.facts().lengthFrames) / probe.facts().rateHz, kCopies, kSourceTrack);

    double ours = 1e9;
    double theirs = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        const double a = decoderCpu(path);
        const double b = mpg123Cpu(path);
        if (a < 0 || b <= 0) {
            std::fprintf(stderr, "bench_decode: a run failed (decoder %.4f, mpg123 %.4f)\n", a, b);
            return 1;
        }
        ours = std::min(ours, a);
        theirs = std::min(theirs, b);
    }
    std::printf("bench_decode: fastest of %d runs: decoder %.1f ms, mpg123 -q -o dummy %.1f ms\n",
                kRounds, ours * 1000, theirs * 1000);
    std::printf("bench: decode_ratio %.2f x (target <= 1.15)\n", ours / theirs);

    const double playing = playingCpuPercent();
    if (playing < 0) {
        std::fprintf(stderr, "bench_decode: the decoder did not start\n");
        return 1;
    }
    std::printf("bench: playing_cpu %.2f %% (target <= 1)\n", playing);
    return 0;
}
