// The real decoder on real files, playing through SDL's silent "dummy" driver in real
// time: stream facts, transport, time codes, seeking, failures and the thread's life.

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <csignal>

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "NotificationLog.h"
#include "TestSupport.h"
#include "core/AudioOutput.h"
#include "core/Mpg123Source.h"
#include "core/MpgDecoder.h"
#include "core/XaudioPlayer.h"

using decoder::Command;
using decoder::Notification;
using testsupport::dataFile;

namespace {

constexpr int kOpenTimeoutMs = 5000;

// An output that cannot be made to work, as when not even SDL's dummy driver opens.
class BrokenOutput final : public AudioOutput {
public:
    bool initialise() override { return false; }
    bool configure(int) override { return false; }
    void write(std::span<const std::int16_t>) override {}
    std::int64_t pendingFrames() const override { return 0; }
    void setRunning(bool) override {}
    std::int64_t discard() override { return 0; }
};

// An output the test plays by hand: frames leave its queue only when the test takes them.
class HandPlayedOutput final : public AudioOutput {
public:
    bool initialise() override { return true; }
    bool configure(int) override { return true; }
    void write(std::span<const std::int16_t> samples) override {
        std::lock_guard lock(mutex_);
        queued_.insert(queued_.end(), samples.begin(), samples.end());
    }
    std::int64_t pendingFrames() const override {
        std::lock_guard lock(mutex_);
        return std::int64_t(queued_.size() / 2);
    }
    void setRunning(bool) override {}
    std::int64_t discard() override {
        std::lock_guard lock(mutex_);
        const auto frames = std::int64_t(queued_.size() / 2);
        queued_.clear();
        ++discards_;
        return frames;
    }
    int discards() const {
        std::lock_guard lock(mutex_);
        return discards_;
    }
    // Plays `frames` frames as soon as that many are queued.
    bool play(std::size_t frames) {
        return QTest::qWaitFor(
            [&] {
                std::lock_guard lock(mutex_);
                if (queued_.size() < 2 * frames) {
                    return false;
                }
                played_.insert(played_.end(), queued_.begin(), queued_.begin() + 2 * frames);
                queued_.erase(queued_.begin(), queued_.begin() + 2 * frames);
                return true;
            },
            kOpenTimeoutMs);
    }
    std::vector<std::int16_t> played() const {
        std::lock_guard lock(mutex_);
        return played_;
    }

private:
    mutable std::mutex mutex_;
    std::deque<std::int16_t> queued_;
    std::vector<std::int16_t> played_;
    int discards_ = 0;
};

struct Started {
    NotificationLog log;
    MpgDecoder decoder;

    Started() {
        const int result = decoder.start(&log);
        if (result != 0) {
            qFatal("decoder did not start: %d", result);
        }
        // The start reports balance and volume; tests look at what follows.
        QTRY_VERIFY_WITH_TIMEOUT(log.count(Notification::Volume) == 1, kOpenTimeoutMs);
        log.clear();
    }
    void send(Command c, int a1 = 0, int a2 = 0, int a3 = 0) { decoder.send({c, a1, a2, a3}); }
    int loads = 0;
    void open(const QString& path) { decoder.send({Command::OpenInput, ++loads, 0, 0, path}); }
    bool opened() {
        return QTest::qWaitFor([this] { return log.count(Notification::StreamInfo) > 0; },
                               kOpenTimeoutMs);
    }
};

std::vector<std::int16_t> decodeAll(const QString& path) {
    Mpg123Source source;
    std::vector<std::int16_t> samples;
    if (source.open(QFile::encodeName(path).toStdString())) {
        for (auto frame = source.decodeFrame(); !frame.empty(); frame = source.decodeFrame()) {
            samples.insert(samples.end(), frame.begin(), frame.end());
        }
    }
    return samples;
}

}  // namespace

class TestDecoder : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) {
            qputenv("SDL_AUDIODRIVER", "dummy");
        }
    }

    // --- Opening ----------------------------------------------------------------------

    void streamFacts_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("layer");
        QTest::addColumn<int>("minKbps");
        QTest::addColumn<int>("maxKbps");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("seconds");

        QTest::newRow("MPEG-1 layer 3, joint stereo")
            << "tone440.mp3" << 1 << 3 << 64 << 64 << 44100 << 1 << 3;
        QTest::newRow("MPEG-1 layer 3, stereo")
            << "stereo-lr.mp3" << 1 << 3 << 128 << 128 << 44100 << 0 << 1;
        // 5.04 s of VBR without a length header; the first frame alone says 32 kbit/s.
        QTest::newRow("VBR without header: average rate, exact length")
            << "vbr-noxing.mp3" << 1 << 3 << 80 << 160 << 44100 << 1 << 5;
        QTest::newRow("MPEG-2 layer 3, mono")
            << "mpeg2.mp3" << 2 << 3 << 32 << 32 << 22050 << 3 << 2;
        QTest::newRow("MPEG-2.5 layer 3") << "mpeg25.mp3" << 25 << 3 << 16 << 16 << 8000 << 3 << 2;
        QTest::newRow("MPEG-1 layer 2, dual channel")
            << "layer2.mp2" << 1 << 2 << 128 << 128 << 44100 << 2 << 2;
        QTest::newRow("MPEG-1 layer 1") << "layer1.mp1" << 1 << 1 << 64 << 64 << 32000 << 3 << 3;
        QTest::newRow("header before the first frame")
            << "asmp.mp3" << 1 << 3 << 32 << 32 << 44100 << 3 << 1;
        // Cut inside a frame at 1.8 s: plays what is there.
        QTest::newRow("truncated") << "truncated.mp3" << 1 << 3 << 64 << 64 << 44100 << 1 << 2;
    }

    void streamFacts() {
        QFETCH(QString, file);
        // Opened alone, and with Play sent at once (the scan then follows the first sound):
        // the same facts, before anything else.
        for (const bool playing : {false, true}) {
            Started s;
            s.open(dataFile(file));
            if (playing) {
                s.send(Command::Play);
                QTRY_VERIFY_WITH_TIMEOUT(s.log.count(Notification::State) > 0, kOpenTimeoutMs);
                QCOMPARE(s.log.entries().at(2).what, Notification::State);
                QCOMPARE(s.log.states().first(), 1);
            } else {
                QVERIFY(s.opened());
                QTest::qWait(50);  // nothing else may follow
                QCOMPARE(s.log.entries().size(), 2);
            }
            QCOMPARE(s.log.entries().at(0).what, Notification::Duration);
            QFETCH(int, seconds);
            QCOMPARE(s.log.values(Notification::Duration), QList<int>{seconds});
            const auto& info = s.log.entries().at(1).record;
            const DecoderEvent e(Notification::StreamInfo, info);
            QTEST(int(e.uint8At(4)), "version");
            QTEST(int(e.uint8At(5)), "layer");
            QFETCH(int, minKbps);
            QFETCH(int, maxKbps);
            QVERIFY2(e.uint16At(6) >= minKbps && e.uint16At(6) <= maxKbps,
                     qPrintable(QString::number(e.uint16At(6))));
            QTEST(int(e.uint16At(8)), "rate");
            QTEST(int(e.uint8At(10)), "mode");
        }
    }

    void unplayableInput_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("reason");
        const int cannotOpen = int(decoder::FailReason::CannotOpen);
        const int notMpeg = int(decoder::FailReason::NotMpegAudio);
        QTest::newRow("missing") << "missing" << cannotOpen;
        QTest::newRow("empty") << "empty" << notMpeg;
        QTest::newRow("not MPEG") << "notmpeg" << notMpeg;
        QTest::newRow("100 bytes") << "short" << notMpeg;
        QTest::newRow("directory") << "directory" << cannotOpen;
        QTest::newRow("FIFO without writer") << "fifo" << cannotOpen;
    }

    // Says why the track failed, ends it as a stream that ended at once (State 3), without
    // stream facts and without hanging; all of it carries the load's number; the next track
    // still plays.
    void unplayableInput() {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QString path = dir.filePath(kind);
        if (kind == "empty") {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
        } else if (kind == "notmpeg" || kind == "short") {
            path = dataFile(kind + ".mp3");
        } else if (kind == "directory") {
            QVERIFY(QDir(dir.path()).mkdir(kind));
        } else if (kind == "fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        }

        Started s;
        s.open(path);
        s.send(Command::Play);
        QTRY_COMPARE_WITH_TIMEOUT(s.log.states(), (QList<int>{3, 0}), kOpenTimeoutMs);
        QTEST(s.log.values(Notification::TrackFailed).value(0), "reason");
        QCOMPARE(s.log.entries().first().what, Notification::TrackFailed);
        QCOMPARE(s.log.count(Notification::Duration), 0);
        QCOMPARE(s.log.count(Notification::StreamInfo), 0);
        QCOMPARE(s.log.count(Notification::TimeCode), 0);
        for (const auto& e : s.log.entries()) {
            QCOMPARE(e.load, 1u);
        }

        s.open(dataFile("tone440.mp3"));
        QVERIFY(s.opened());
        QCOMPARE(s.log.last(Notification::StreamInfo)->load, 2u);
    }

    // --- Playing ----------------------------------------------------------------------

    // From 1 s of a 3 s track: the time codes follow what is heard, then the end.
    void timeCodesFollowTheListener() {
        Started s;
        s.open(dataFile("tone440.mp3"));
        QVERIFY(s.opened());
        s.send(Command::Seek, 1, 3);
        QTRY_COMPARE_WITH_TIMEOUT(s.log.timeCodes(), QList<int>{1}, kOpenTimeoutMs);
        s.log.clear();
        s.send(Command::Play);
        QTRY_COMPARE_WITH_TIMEOUT(s.log.states(), (QList<int>{1, 3}), 5000);
        QCOMPARE(s.log.timeCodes(), (QList<int>{2, 3}));
        // Sound is decoded ahead; the time code waits for the listener.
        const qint64 second2 = s.log.timeCodeAt(2);
        QVERIFY2(second2 >= 900 && second2 <= 2500, qPrintable(QString::number(second2)));
        QVERIFY(s.log.last(Notification::State)->atMs >= s.log.timeCodeAt(3));
    }

    void pauseHoldsTheTimeAndStopRewinds() {
        Started s;
        s.open(dataFile("tone440.mp3"));
        QVERIFY(s.opened());
        s.send(Command::Play);
        QTRY_COMPARE_WITH_TIMEOUT(s.log.timeCodes(), QList<int>{0}, kOpenTimeoutMs);
        QTest::qWait(300);
        s.send(Command::Pause);
        QTRY_COMPARE_WITH_TIMEOUT(s.log.states(), (QList<int>{1, 2}), kOpenTimeoutMs);
        QTest::qWait(900);  // paused long enough to have passed a second otherwise
        QCOMPARE(s.log.timeCodes(), QList<int>{0});

        s.log.clear();
        s.send(Command::Play);
        QTRY_COMPARE_WITH_TIMEOUT(s.log.timeCodes(), QList<int>{1}, 3000);
        QVERIFY2(s.log.timeCodeAt(1) >= 300, qPrintable(QString::number(s.log.timeCodeAt(1))));

        s.send(Command::Stop);
        s.send(Command::Play);
        QTRY_COMPARE_WITH_TIMEOUT(s.log.timeCodes(), (QList<int>{1, 0}), kOpenTimeoutMs);
        QCOMPARE(s.log.states(), (QList<int>{1, 0, 1}));
        s.send(Command::Stop);
        QTRY_COMPARE_WITH_TIMEOUT(s.log.states(), (QList<int>{1, 0, 1, 0}), kOpenTimeoutMs);
    }

    void seekPostsTheLandingSecond() {
        Started s;
        s.open(dataFile("vbr-noxing.mp3"));
        QVERIFY(s.opened());
        s.send(Command::Seek, 2, 5);
        s.send(Command::Seek, 0, 0);
        s.send(Command::Seek, 4, 5);
        s.send(Command::Seek, 9, 5);  // beyond the end: the end
        QTRY_COMPARE_WITH_TIMEOUT(s.log.timeCodes(), (QList<int>{2, 0, 4, 5}), kOpenTimeoutMs);
        QCOMPARE(s.log.count(Notification::State), 0);

        // Playing from the end ends at once; Play after the end starts again.
        s.send(Command::Play);
        QTRY_COMPARE_WITH_TIMEOUT(s.log.states(), (QList<int>{1, 3}), kOpenTimeoutMs);
        s.log.clear();
        s.send(Command::Play);
        QTRY_COMPARE_WITH_TIMEOUT(s.log.timeCodes(), QList<int>{0}, kOpenTimeoutMs);
        s.send(Command::Seek, 5, 5);
        QTRY_COMPARE_WITH_TIMEOUT(s.log.states(), (QList<int>{1, 3}), kOpenTimeoutMs);
    }

    // Decoding after a seek gives the very samples a straight decode has at that point,
    // within one frame of the asked one; also without a length header.
    void seekLandsWithinAFrame_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("VBR without header") << "vbr-noxing.mp3";
        QTest::newRow("layer 2") << "layer2.mp2";
        QTest::newRow("MPEG-2.5") << "mpeg25.mp3";
    }

    void seekLandsWithinAFrame() {
        QFETCH(QString, file);
        const std::vector<std::int16_t> whole = decodeAll(dataFile(file));
        Mpg123Source source;
        QVERIFY(source.open(QFile::encodeName(dataFile(file)).toStdString()));
        QCOMPARE(std::int64_t(whole.size() / 2), source.facts().lengthFrames);
        const std::int64_t rate = source.facts().rateHz;
        for (const double second : {1.0, 0.25, 1.5}) {
            const auto target = static_cast<std::int64_t>(second * rate);
            const std::int64_t landed = source.seek(target);
            QVERIFY2(std::abs(landed - target) <= 1152, qPrintable(QString::number(landed)));
            const auto frame = source.decodeFrame();
            QVERIFY(!frame.empty());
            QCOMPARE(source.position(), landed + std::int64_t(frame.size() / 2));
            QVERIFY(std::equal(frame.begin(), frame.end(), whole.begin() + 2 * landed));
        }
    }

    // A stream in memory is the same stream as in its file: same facts, same samples; and
    // a damaged one that the library counts past its end still seeks within it.
    void memoryStreamMatchesFile_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("VBR without header") << "vbr-noxing.mp3";
        QTest::newRow("header before the first frame") << "asmp.mp3";
        QTest::newRow("truncated") << "truncated.mp3";
        QTest::newRow("mixed-up frames") << "fuzz/decoder/seek-past-end.mp3";
    }

    void memoryStreamMatchesFile() {
        QFETCH(QString, file);
        QFile in(dataFile(file));
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray bytes = in.readAll();
        Mpg123Source fromFile;
        Mpg123Source fromMemory;
        QVERIFY(fromFile.open(QFile::encodeName(in.fileName()).toStdString()));
        QVERIFY(fromMemory.openMemory({reinterpret_cast<const unsigned char*>(bytes.constData()),
                                       std::size_t(bytes.size())}));
        const StreamFacts& facts = fromMemory.facts();
        QCOMPARE(facts.lengthFrames, fromFile.facts().lengthFrames);
        QCOMPARE(facts.kbps, fromFile.facts().kbps);
        QCOMPARE(facts.variableRate, fromFile.facts().variableRate);
        for (auto frame = fromFile.decodeFrame(); !frame.empty(); frame = fromFile.decodeFrame()) {
            const auto same = fromMemory.decodeFrame();
            QVERIFY(std::equal(frame.begin(), frame.end(), same.begin(), same.end()));
        }
        QVERIFY(fromMemory.decodeFrame().empty());
        QCOMPARE(fromMemory.seek(facts.lengthFrames), facts.lengthFrames);
    }

    // --- Volume reports -----------------------------------------------------------------

    void reportsBalanceAndVolume() {
        NotificationLog log;
        MpgDecoder decoder;
        QCOMPARE(decoder.start(&log), 0);
        QTRY_COMPARE_WITH_TIMEOUT(log.entries().size(), 2, kOpenTimeoutMs);
        QCOMPARE(log.entries().at(0).what, Notification::Balance);
        QCOMPARE(log.values(Notification::Balance), QList<int>{50});
        QCOMPARE(log.values(Notification::Volume, 8), QList<int>{99});

        decoder.send({Command::SetVolume, 20, 40, 100});
        decoder.send({Command::SetVolume, 70, 70, 0});  // no range: ignored
        decoder.send({Command::VolumeWindowCommand});
        decoder.send({Command::SetVolume, 150, 130, 100});  // kept within 0..99
        decoder.send({Command::VolumeWindowCommand});
        QTRY_COMPARE_WITH_TIMEOUT(log.values(Notification::Balance), (QList<int>{50, 20, 99}),
                                  kOpenTimeoutMs);
        QCOMPARE(log.values(Notification::Volume, 8), (QList<int>{99, 40, 99}));
    }

    // Sound queued ahead is mixed again when the controls change: muting is heard from
    // the next frame played, and unmuting goes on exactly where the track then is.
    void volumeChangesAreHeardAtOnce() {
        const QString file = dataFile("vbr-noxing.mp3");
        const std::vector<std::int16_t> whole = decodeAll(file);
        auto owned = std::make_unique<HandPlayedOutput>();
        HandPlayedOutput& output = *owned;
        NotificationLog log;
        MpgDecoder decoder(std::move(owned));
        QCOMPARE(decoder.start(&log), 0);
        decoder.send({Command::OpenInput, 1, 0, 0, file});
        decoder.send({Command::Play});
        QVERIFY(output.play(10000));
        for (const Command change : {Command::Mute, Command::Unmute}) {
            const int discards = output.discards();
            decoder.send({change});
            QTRY_VERIFY_WITH_TIMEOUT(output.discards() > discards, kOpenTimeoutMs);
            QVERIFY(output.play(5000));
        }
        std::vector<std::int16_t> expected(whole.begin(), whole.begin() + 2 * 10000);
        expected.resize(2 * 15000, 0);
        expected.insert(expected.end(), whole.begin() + 2 * 15000, whole.begin() + 2 * 20000);
        QVERIFY(output.played() == expected);
    }

    // --- The thread's life ------------------------------------------------------------

    void endOnlyAfterQuit() {
        Started s;
        s.open(dataFile("tone440.mp3"));
        s.send(Command::Play);
        QTRY_COMPARE_WITH_TIMEOUT(s.log.states(), QList<int>{1}, kOpenTimeoutMs);
        QTest::qWait(100);
        QCOMPARE(s.log.count(Notification::End), 0);

        s.send(Command::Stop);
        s.send(Command::Quit);
        s.send(Command::VolumeWindowCommand);  // after Quit: dropped
        QTRY_COMPARE_WITH_TIMEOUT(s.log.count(Notification::End), 1, kOpenTimeoutMs);
        QTest::qWait(100);
        QCOMPARE(s.log.entries().constLast().what, Notification::End);
        QCOMPARE(s.log.count(Notification::Balance), 0);
    }

    // Destroyed while playing, without Quit: the thread ends and posts nothing more.
    void destroyWithoutQuit() {
        NotificationLog log;
        {
            MpgDecoder decoder;
            QCOMPARE(decoder.start(&log), 0);
            decoder.send({Command::OpenInput, 0, 0, 0, dataFile("tone440.mp3")});
            decoder.send({Command::Play});
            QTRY_COMPARE_WITH_TIMEOUT(log.states(), QList<int>{1}, kOpenTimeoutMs);
        }
        const auto seen = log.entries().size();
        QTest::qWait(100);
        QCOMPARE(log.entries().size(), seen);
        QCOMPARE(log.count(Notification::End), 0);
    }

    void startFailureIsReported() {
        NotificationLog log;
        MpgDecoder decoder(std::make_unique<BrokenOutput>());
        QVERIFY(decoder.start(&log) != 0);
        QVERIFY(decoder.start(&log) != 0);
        decoder.send({Command::VolumeWindowCommand});
        QTest::qWait(50);
        QVERIFY(log.entries().isEmpty());

        XaudioPlayer player(std::make_unique<MpgDecoder>(std::make_unique<BrokenOutput>()));
        QVERIFY(player.start(&log) != 0);
        QVERIFY(!player.isRunning());
    }

    // With a driver that does not exist, the decoder still runs, silently in real time.
    void fallsBackToSilentOutput() {
        const QByteArray before = qgetenv("SDL_AUDIODRIVER");
        qputenv("SDL_AUDIODRIVER", "no-such-driver");
        {
            Started s;
            s.open(dataFile("stereo-lr.mp3"));
            s.send(Command::Play);
            QTRY_COMPARE_WITH_TIMEOUT(s.log.states(), (QList<int>{1, 3}), 4000);
            QVERIFY(s.log.last(Notification::State)->atMs >= 800);
        }
        qputenv("SDL_AUDIODRIVER", before);
    }

    // Started on first use, the decoder runs nothing (no thread, no sound device) until a
    // command needs it; Stop and Quit alone have nothing to act on. A failed start is
    // reported once. Starting SDL's audio leaves SIGINT and SIGTERM to the program.
    void startsOnFirstCommand() {
        // SDL takes a signal only while it has its default action, so give it that.
        struct sigaction saved[2]{};
        const int numbers[2] = {SIGINT, SIGTERM};
        for (int i = 0; i < 2; ++i) {
            sigaction(numbers[i], nullptr, &saved[i]);
            signal(numbers[i], SIG_DFL);
        }
        const auto untouched = [&numbers] {
            for (const int number : numbers) {
                struct sigaction action {};
                sigaction(number, nullptr, &action);
                if (action.sa_handler != SIG_DFL) {
                    return false;
                }
            }
            return true;
        };
        NotificationLog log;
        XaudioPlayer player(makeDefaultDecoder());
        QList<int> failures;
        player.startOnFirstCommand(&log, [&](int result) { failures << result; });
        player.Stop();
        player.Quit();
        QVERIFY(!player.isRunning());
        player.OpenInput(dataFile("mpeg2.mp3"));
        QVERIFY(player.isRunning());
        QTRY_COMPARE_WITH_TIMEOUT(log.count(Notification::StreamInfo), 1, kOpenTimeoutMs);
        const bool signalsUntouched = untouched();
        for (int i = 0; i < 2; ++i) {
            sigaction(numbers[i], &saved[i], nullptr);
        }
        QVERIFY(signalsUntouched);
        player.Quit();
        QTRY_COMPARE_WITH_TIMEOUT(log.count(Notification::End), 1, kOpenTimeoutMs);
        QVERIFY(failures.isEmpty());

        XaudioPlayer broken(std::make_unique<MpgDecoder>(std::make_unique<BrokenOutput>()));
        broken.startOnFirstCommand(&log, [&](int result) { failures << result; });
        broken.Play();
        broken.Play();
        QCOMPARE(failures.size(), 1);
        QVERIFY(failures.first() != 0);
        QVERIFY(!broken.isRunning());
    }

    void factoryMakesARunningDecoder() {
        NotificationLog log;
        XaudioPlayer player(makeDefaultDecoder());
        QCOMPARE(player.start(&log), 0);
        player.OpenInput(dataFile("mpeg2.mp3"));
        QTRY_COMPARE_WITH_TIMEOUT(log.count(Notification::StreamInfo), 1, kOpenTimeoutMs);
        player.Stop();
        player.Quit();
        QTRY_COMPARE_WITH_TIMEOUT(log.count(Notification::End), 1, kOpenTimeoutMs);
    }
};

QTEST_GUILESS_MAIN(TestDecoder)
#include "tst_decoder.moc"
