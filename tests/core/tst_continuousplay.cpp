// Continuous play through the real decoder: the headless engine walks a playlist of short
// tracks cut from the fixtures (every layer, and rates that change at most track changes,
// so the output is opened anew) and plays each one to its end, in order, none lost.

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <map>

#include "ShortTracks.h"
#include "TestSupport.h"
#include "core/DecoderEvent.h"
#include "core/Mpg123Source.h"
#include "core/MpgDecoder.h"
#include "core/PlayerEngine.h"
#include "core/QueuePlaylist.h"
#include "core/XaudioPlayer.h"

using decoder::Notification;
using testsupport::dataFile;
using testsupport::writeCutTrack;

namespace {

constexpr double kTrackSeconds = 0.3;

struct Cut {
    const char* source;
    int firstFrame;
};
const Cut kCuts[] = {
    {"layer1.mp1", 0}, {"tone440.mp3", 0}, {"mpeg2.mp3", 0}, {"layer2.mp2", 10}, {"mpeg25.mp3", 0}};

// Hands the decoder's notifications to the engine, as the main window does, and keeps the
// states each load reported.
class Receiver : public QObject {
public:
    PlayerEngine* engine = nullptr;
    std::map<std::uint32_t, QList<int>> states;

protected:
    void customEvent(QEvent* e) override {
        const auto& event = *static_cast<DecoderEvent*>(e);
        if (event.notification() == Notification::State) {
            states[event.load()].append(event.int32At(4));
        }
        engine->handleNotification(event);
    }
};

}  // namespace

class TestContinuousPlay : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsEmpty("SDL_AUDIODRIVER")) {
            qputenv("SDL_AUDIODRIVER", "dummy");
        }
    }

    // A cut is whole frames that decode to the length it claims, from its first sample.
    void cutsDecodeToTheirLength_data() {
        QTest::addColumn<QString>("source");
        QTest::addColumn<int>("firstFrame");
        for (const Cut& cut : kCuts) {
            QTest::newRow(cut.source) << QString::fromLatin1(cut.source) << cut.firstFrame;
        }
    }
    void cutsDecodeToTheirLength() {
        QFETCH(QString, source);
        QFETCH(int, firstFrame);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("cut.mp3"));
        const double seconds = writeCutTrack(dataFile(source), path, firstFrame, kTrackSeconds);
        QVERIFY2(std::abs(seconds - kTrackSeconds) < 0.05, qPrintable(QString::number(seconds)));
        Mpg123Source decoded;
        QVERIFY(decoded.open(QFile::encodeName(path).toStdString()));
        QCOMPARE(decoded.facts().lengthFrames, std::llround(seconds * decoded.facts().rateHz));
        QVERIFY(!decoded.decodeFrame().empty());
    }

    // Each track starts and ends once; a track that cannot be opened is passed over; the
    // list runs out once, after the last track.
    void playsEveryTrackToItsEnd() {
        QTemporaryDir dir;
        QStringList tracks;
        for (const Cut& cut : kCuts) {
            tracks.append(dir.filePath(QStringLiteral("%1-%2").arg(tracks.size()).arg(cut.source)));
            QVERIFY(writeCutTrack(dataFile(QString::fromLatin1(cut.source)), tracks.last(),
                                  cut.firstFrame, kTrackSeconds) > 0);
        }
        const QString missing = dir.filePath(QStringLiteral("missing.mp3"));
        tracks.insert(2, missing);

        Receiver receiver;
        XaudioPlayer player(std::make_unique<MpgDecoder>());
        QueuePlaylist playlist(tracks.mid(1));
        PlayerEngine engine(player, playlist);
        receiver.engine = &engine;
        engine.setPlayMode(PlayMode::Continuous);
        QSignalSpy ranOut(&engine, &PlayerEngine::playlistRanOut);
        QSignalSpy failed(&engine, &PlayerEngine::trackFailed);
        QCOMPARE(player.start(&receiver), 0);
        engine.loadTrack(tracks.first());

        QTRY_COMPARE_WITH_TIMEOUT(ranOut.count(), 1, 15000);
        QCOMPARE(player.loadNumber(), std::uint32_t(tracks.size()));
        QCOMPARE(engine.currentTrack(), tracks.last());
        QCOMPARE(failed.count(), 1);
        QCOMPARE(failed.first().first().toString(), missing);
        for (int load = 1; load <= tracks.size(); ++load) {
            // The failed load's play finds no track open and answers 0, after the end.
            const QList<int> expected =
                tracks[load - 1] == missing ? QList<int>{3, 0} : QList<int>{1, 3};
            QCOMPARE(receiver.states[std::uint32_t(load)], expected);
        }
        QTest::qWait(100);
        QCOMPARE(ranOut.count(), 1);
    }
};

QTEST_GUILESS_MAIN(TestContinuousPlay)
#include "tst_continuousplay.moc"
