// What reaches the sound device, caught by SDL's "disk" driver, which writes the device's
// samples to a file (faster than real time here): at the default settings the decoded
// samples arrive unchanged; volume, balance, mono and mute change them as they should.
//
// The device plays silence whenever the decoder has nothing queued (before Play, after
// the end, and when the fast disk driver outruns the refills), so the checks ignore
// silent frames: they compare the sequence of sounding frames, or the energy per channel.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <vector>

#include "NotificationLog.h"
#include "TestSupport.h"
#include "core/Mpg123Source.h"
#include "core/MpgDecoder.h"

using decoder::Command;

namespace {

using Samples = std::vector<std::int16_t>;

// 1 s, 440 Hz at -6 dB on the left, 660 Hz at -12 dB on the right.
const char* const kTrack = "stereo-lr.mp3";

Samples sounding(const Samples& samples) {
    Samples result;
    for (std::size_t i = 0; i + 1 < samples.size(); i += 2) {
        if (samples[i] != 0 || samples[i + 1] != 0) {
            result.push_back(samples[i]);
            result.push_back(samples[i + 1]);
        }
    }
    return result;
}

double energy(const Samples& samples, int channel) {
    double sum = 0;
    for (std::size_t i = channel; i < samples.size(); i += 2) {
        sum += double(samples[i]) * samples[i];
    }
    return sum;
}

}  // namespace

class TestDecoderOutput : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    int runs_ = 0;
    Samples reference_;  // a straight decode of the track

    // Plays the track to its end after the `setup` commands and returns what the device
    // was given.
    void play(const std::vector<DecoderCommand>& setup, Samples& played) {
        const QString file = dir_.filePath(QStringLiteral("device%1.raw").arg(++runs_));
        qputenv("SDL_DISKAUDIOFILE", QFile::encodeName(file));
        {
            NotificationLog log;
            MpgDecoder decoder;
            QCOMPARE(decoder.start(&log), 0);
            for (const DecoderCommand& command : setup) {
                decoder.send(command);
            }
            decoder.send({Command::OpenInput, 0, 0, 0, testsupport::dataFile(kTrack)});
            decoder.send({Command::Play});
            QTRY_COMPARE_WITH_TIMEOUT(log.states(), (QList<int>{1, 3}), 10000);
        }
        QFile raw(file);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        const QByteArray bytes = raw.readAll();
        played.resize(bytes.size() / sizeof(std::int16_t));
        std::memcpy(played.data(), bytes.constData(), played.size() * sizeof(std::int16_t));
    }

    void compareEnergy(const Samples& played, double left, double right) {
        const double playedLeft = energy(played, 0) / energy(reference_, 0);
        const double playedRight = energy(played, 1) / energy(reference_, 1);
        const auto report = QStringLiteral("left %1 right %2").arg(playedLeft).arg(playedRight);
        QVERIFY2(std::abs(playedLeft - left) <= 0.02 * left + 1e-9, qPrintable(report));
        QVERIFY2(std::abs(playedRight - right) <= 0.02 * right + 1e-9, qPrintable(report));
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        qputenv("SDL_AUDIODRIVER", "disk");
        qputenv("SDL_DISKAUDIODELAY", "4");  // ms per 1024-frame buffer: about 6x real time
        Mpg123Source source;
        QVERIFY(source.open(QFile::encodeName(testsupport::dataFile(kTrack)).toStdString()));
        for (auto frame = source.decodeFrame(); !frame.empty(); frame = source.decodeFrame()) {
            reference_.insert(reference_.end(), frame.begin(), frame.end());
        }
        QCOMPARE(reference_.size(), std::size_t{2 * 44100});
    }

    void passesDecodedSamplesUnchanged_data() {
        QTest::addColumn<int>("setup");
        QTest::newRow("defaults") << 0;
        QTest::newRow("mute, unmute") << 1;
        QTest::newRow("mono, stereo") << 2;
        QTest::newRow("volume and balance back to full") << 3;
    }

    void passesDecodedSamplesUnchanged() {
        QFETCH(int, setup);
        std::vector<DecoderCommand> commands;
        if (setup == 1) {
            commands = {{Command::Mute}, {Command::Unmute}};
        } else if (setup == 2) {
            commands = {{Command::SetChannels, 0}, {Command::SetChannels, 1}};
        } else if (setup == 3) {
            commands = {{Command::SetVolume, 10, 20, 100}, {Command::SetVolume, 50, 100, 100}};
        }
        Samples played;
        play(commands, played);
        if (QTest::currentTestFailed()) {
            return;
        }
        QVERIFY(sounding(played) == sounding(reference_));
    }

    void volumeScalesBothChannels() {
        Samples played;
        play({{Command::SetVolume, 50, 50, 100}}, played);
        if (QTest::currentTestFailed()) {
            return;
        }
        compareEnergy(played, 0.25, 0.25);
    }

    void balanceFadesOneSide_data() {
        QTest::addColumn<int>("balance");
        QTest::addColumn<double>("left");
        QTest::addColumn<double>("right");
        QTest::newRow("0: left only") << 0 << 1.0 << 0.0;
        QTest::newRow("25: right at half") << 25 << 1.0 << 0.25;
        QTest::newRow("74: left at about half") << 74 << (25.0 / 49) * (25.0 / 49) << 1.0;
        QTest::newRow("99: right only") << 99 << 0.0 << 1.0;
    }

    void balanceFadesOneSide() {
        QFETCH(int, balance);
        QFETCH(double, left);
        QFETCH(double, right);
        Samples played;
        play({{Command::SetVolume, balance, 100, 100}}, played);
        if (QTest::currentTestFailed()) {
            return;
        }
        compareEnergy(played, left, right);
    }

    void monoCarriesTheMeanOnBothChannels() {
        Samples played;
        play({{Command::SetChannels, 0}}, played);
        if (QTest::currentTestFailed()) {
            return;
        }
        Samples mean;
        for (std::size_t i = 0; i < reference_.size(); i += 2) {
            const auto m = static_cast<std::int16_t>((reference_[i] + reference_[i + 1]) / 2);
            mean.push_back(m);
            mean.push_back(m);
        }
        QVERIFY(sounding(played) == sounding(mean));
    }

    void muteSilencesButPlaysOn() {
        Samples played;
        play({{Command::Mute}}, played);  // still reaches the end of the stream
        if (QTest::currentTestFailed()) {
            return;
        }
        QVERIFY(!played.empty());
        QVERIFY(sounding(played).empty());
    }
};

QTEST_GUILESS_MAIN(TestDecoderOutput)
#include "tst_decoder_output.moc"
