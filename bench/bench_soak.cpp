// Long runs of continuous play: the headless engine walking a playlist of short tracks
// through the real decoder and SDL, as the program plays a list, with no window.
//
//   soak_tracks_not_played  of 1,000 tracks of about 0.3 s, played through SDL's silent
//            "dummy" driver in real time: those that did not start playing and then end
//            (a failed open, a lost end of stream, or a run that stalled)
//   soak_rss_growth_mb, soak_fd_growth  resident memory and open file descriptors when
//            track 1,000 starts, against when track 100 started (a track is open at both)
//   track_gap_ms  the median silence between two tracks in continuous play, from the last
//            sample of one track to the first of the next, read from what SDL's "disk"
//            driver wrote. The tracks are 5-minute tones up to their last sample, so that
//            opening one costs what a real track's does; each plays its first 0.3 s and is
//            then moved to its last second (a silence that move may leave is counted too).
//
// The soak's tracks are cut at run time from the test fixtures, whole frames at a time:
// five sources in turn (layers 1, 2 and 3; 8, 22.05, 32 and 44.1 kHz, so the device is
// opened anew at most track changes). The gap run's track loops layer 2 frames from the
// middle of a tone, which decode on their own, at one rate.
//
// `bench_soak [TRACKS]` plays TRACKS tracks in the soak instead of 1,000.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <vector>

#include "BenchSupport.h"
#include "ShortTracks.h"
#include "core/DecoderEvent.h"
#include "core/MpgDecoder.h"
#include "core/PlayerEngine.h"
#include "core/QueuePlaylist.h"
#include "core/XaudioPlayer.h"

using decoder::Notification;
using decoder::StreamState;
using testsupport::writeCutTrack;

namespace {

constexpr int kSoakTracks = 1000;
constexpr int kFirstMeasuredTrack = 100;
// The gap run plays the first kPlayedMs of each 5-minute track, then seeks to its last
// kSkipToEndSeconds: the change of track costs what a real track's does, the run does not.
constexpr int kGapTracks = 20;
constexpr double kGapTrackSeconds = 300;
constexpr int kPlayedMs = 300;
constexpr int kSkipToEndSeconds = 1;
constexpr double kTrackSeconds = 0.3;
// Track k is (k % 5 - 2) times this longer than kTrackSeconds, so that the ends of tracks
// fall at different points of the device's buffer.
constexpr double kTrackStepSeconds = 0.026;
// A track may take this long beyond its own length before the run counts as stalled.
constexpr int kTrackSlackMs = 2000;
constexpr int kDiskRateHz = 44100;
// Runs of digital silence shorter than this are a tone's own zero crossings, not a gap.
constexpr int kMinGapFrames = 8;

struct Source {
    const char* file;
    int firstFrame;
};
// layer 1 at 32 kHz, layer 3 at 44.1 kHz, MPEG-2 layer 3 at 22.05 kHz, layer 2 at
// 44.1 kHz, MPEG-2.5 layer 3 at 8 kHz
const Source kSoakSources[] = {
    {"layer1.mp1", 0}, {"tone440.mp3", 0}, {"mpeg2.mp3", 0}, {"layer2.mp2", 10}, {"mpeg25.mp3", 0}};
const Source kGapSource = {"layer2.mp2", 10};

int openFds() {
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size());
}

// One continuous run: the engine, its playlist and the real decoder, with the receiver
// the main window would be. It notes per load what the decoder said of the track.
class ContinuousRun : public QObject {
public:
    struct Checkpoint {
        double rssMb = 0;
        int fds = 0;
    };

    // With `skipToEnd` seconds, each track moves to that much before its end once it has
    // played kPlayedMs.
    ContinuousRun(const QStringList& tracks, int measuredTrack, int skipToEnd = 0)
        : skipToEnd_(skipToEnd),
          player_(std::make_unique<MpgDecoder>()),
          playlist_(tracks.mid(1)),
          engine_(player_, playlist_),
          tracks_(tracks.size()),
          measuredTrack_(measuredTrack) {
        engine_.setPlayMode(PlayMode::Continuous);
        // The first readings allocate what every later one reuses.
        residentMb();
        openFds();
        started_ = player_.start(this) == 0;
        if (started_) {
            engine_.loadTrack(tracks.first());
        }
    }

    // Plays the list to its end; false when the decoder did not start or the run stalled.
    bool play(int timeoutMs) {
        if (!started_) {
            return false;
        }
        QTimer::singleShot(timeoutMs, &loop_, &QEventLoop::quit);
        if (!finished_) {
            loop_.exec();
        }
        return finished_;
    }

    int notPlayed() const {
        int played = 0;
        for (const auto& [load, track] : loads_) {
            played += track.playing && track.ended && !track.failed ? 1 : 0;
        }
        return tracks_ - played;
    }
    const Checkpoint& atMeasuredTrack() const { return measured_; }
    const Checkpoint& atLastTrack() const { return last_; }

protected:
    void customEvent(QEvent* e) override {
        const auto& event = *static_cast<DecoderEvent*>(e);
        note(event);
        engine_.handleNotification(event);
    }

private:
    struct Track {
        bool playing = false;
        bool ended = false;
        bool failed = false;
    };

    void note(const DecoderEvent& event) {
        const auto load = static_cast<int>(event.load());
        if (event.notification() == Notification::TrackFailed) {
            loads_[load].failed = true;
        }
        if (event.notification() != Notification::State) {
            return;
        }
        const auto state = static_cast<StreamState>(event.int32At(4));
        if (state == StreamState::Playing && !loads_[load].playing) {
            loads_[load].playing = true;
            if (skipToEnd_ > 0) {
                QTimer::singleShot(kPlayedMs, this, [this, load] {
                    if (player_.loadNumber() == static_cast<std::uint32_t>(load)) {
                        engine_.seekTo(engine_.trackSeconds() - skipToEnd_);
                    }
                });
            }
            if (load == measuredTrack_) {
                measured_ = {residentMb(), openFds()};
            }
            if (load == tracks_) {
                last_ = {residentMb(), openFds()};
            }
        } else if (state == StreamState::EndOfStream) {
            loads_[load].ended = true;
            if (load == tracks_) {
                finished_ = true;
                loop_.quit();
            }
        }
    }

    int skipToEnd_;
    XaudioPlayer player_;
    QueuePlaylist playlist_;
    PlayerEngine engine_;
    int tracks_;
    int measuredTrack_;
    bool started_ = false;
    bool finished_ = false;
    std::map<int, Track> loads_;  // by load number: load k is track k
    Checkpoint measured_;
    Checkpoint last_;
    QEventLoop loop_;
};

// Writes `count` tracks into `dir`, the sources taken in turn; empty on failure.
QStringList writeTracks(const QTemporaryDir& dir, const Source* sources, int sourceCount, int count,
                        double* totalSeconds) {
    QStringList tracks;
    *totalSeconds = 0;
    for (int i = 0; i < count; ++i) {
        const Source& source = sources[i % sourceCount];
        const QString path = dir.filePath(QStringLiteral("track%1-%2").arg(i + 1).arg(source.file));
        const double seconds =
            writeCutTrack(QStringLiteral(SONVOX_TEST_DATA "/") + source.file, path,
                          source.firstFrame, kTrackSeconds + (i % 5 - 2) * kTrackStepSeconds);
        if (seconds <= 0) {
            std::fprintf(stderr, "bench_soak: cannot cut a track from %s\n", source.file);
            return {};
        }
        *totalSeconds += seconds;
        tracks.append(path);
    }
    return tracks;
}

int timeoutMs(double totalSeconds, int tracks) {
    return static_cast<int>(totalSeconds * 1000) + tracks * kTrackSlackMs;
}

bool soak(int trackCount) {
    QTemporaryDir dir;
    double seconds = 0;
    const QStringList tracks =
        writeTracks(dir, kSoakSources, std::size(kSoakSources), trackCount, &seconds);
    if (!dir.isValid() || tracks.isEmpty()) {
        return false;
    }
    std::printf("bench_soak: %d tracks, %.1f s of sound\n", trackCount, seconds);
    ContinuousRun run(tracks, std::min(kFirstMeasuredTrack, trackCount / 10 + 1));
    QElapsedTimer clock;
    clock.start();
    const bool finished = run.play(timeoutMs(seconds, trackCount));
    if (finished) {
        // Most changes here open the device at a new rate, which SDL does not do quickly.
        std::printf("bench_soak: played in %.1f s, %.0f ms a track beyond the sound\n",
                    clock.elapsed() / 1000.0, (clock.elapsed() - seconds * 1000) / trackCount);
    } else {
        std::printf("bench_soak: the run did not reach the end of track %d\n", trackCount);
    }
    const double rssGrowth = run.atLastTrack().rssMb - run.atMeasuredTrack().rssMb;
    const int fdGrowth = run.atLastTrack().fds - run.atMeasuredTrack().fds;
    std::printf("bench: soak_tracks_not_played %d tracks (target = 0)\n", run.notPlayed());
    std::printf("bench: soak_rss_growth_mb %.2f MB (target <= 2)\n", rssGrowth);
    std::printf("bench: soak_fd_growth %d fds (target = 0)\n", fdGrowth);
    return finished;
}

// The lengths in ms of the runs of digital silence between the first and the last
// sounding frame of interleaved 16-bit stereo `samples`.
std::vector<double> silentGapsMs(const std::vector<std::int16_t>& samples) {
    const std::size_t frames = samples.size() / 2;
    const auto silent = [&samples](std::size_t f) {
        return samples[2 * f] == 0 && samples[2 * f + 1] == 0;
    };
    std::size_t first = 0;
    while (first < frames && silent(first)) {
        ++first;
    }
    std::size_t last = frames;
    while (last > first && silent(last - 1)) {
        --last;
    }
    std::vector<double> gaps;
    for (std::size_t f = first; f < last;) {
        std::size_t end = f;
        while (end < last && silent(end)) {
            ++end;
        }
        if (end - f >= kMinGapFrames) {
            gaps.push_back(1000.0 * double(end - f) / kDiskRateHz);
        }
        f = std::max(end, f + 1);
    }
    return gaps;
}

bool trackGap() {
    QTemporaryDir dir;
    const QString track = dir.filePath(QStringLiteral("five-minutes.mp2"));
    if (!dir.isValid() || writeCutTrack(QStringLiteral(SONVOX_TEST_DATA "/") + kGapSource.file,
                                        track, kGapSource.firstFrame, kGapTrackSeconds) <= 0) {
        std::fprintf(stderr, "bench_soak: cannot write the gap run's track\n");
        return false;
    }
    const QStringList tracks(kGapTracks, track);
    const QString written = dir.filePath(QStringLiteral("written.raw"));
    qputenv("SDL_AUDIODRIVER", "disk");
    qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(written));
    bool finished = false;
    {
        ContinuousRun run(tracks, 1, kSkipToEndSeconds);
        finished = run.play(kGapTracks * (kPlayedMs + kSkipToEndSeconds * 1000 + kTrackSlackMs));
    }  // closing the device closes the file
    QFile file(written);
    if (!finished || !file.open(QIODevice::ReadOnly)) {
        std::printf("bench: track_gap_ms failed (the run through the disk driver %s)\n",
                    finished ? "wrote nothing" : "did not end");
        return false;
    }
    const QByteArray bytes = file.readAll();
    std::vector<std::int16_t> samples(bytes.size() / sizeof(std::int16_t));
    std::memcpy(samples.data(), bytes.constData(), samples.size() * sizeof(std::int16_t));
    std::vector<double> gaps = silentGapsMs(samples);
    // A change of track without any silence leaves no run to find.
    const int boundaries = kGapTracks - 1;
    while (static_cast<int>(gaps.size()) < boundaries) {
        gaps.push_back(0);
    }
    std::sort(gaps.begin(), gaps.end());
    std::printf("bench_soak: %zu silences between %d tracks; shortest %.1f ms, longest %.1f ms\n",
                gaps.size(), kGapTracks, gaps.front(), gaps.back());
    std::printf("bench: track_gap_ms %.1f ms (target <= 50)\n", gaps[gaps.size() / 2]);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int trackCount = argc > 1 ? std::max(2, std::atoi(argv[1])) : kSoakTracks;
    if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) {
        qputenv("SDL_AUDIODRIVER", "dummy");  // a benchmark plays nothing out loud
    }
    const bool soaked = soak(trackCount);
    const bool gapMeasured = trackGap();
    return soaked && gapMeasured ? 0 : 1;
}
