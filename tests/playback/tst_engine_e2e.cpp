// The player engine with the real decoder (SDL's dummy output): a demo track is loaded from
// the playlist, shows its tag and stream data, plays, is sent near its end with the keys on
// the position bar, and the next track follows on its own.

#include <QSlider>
#include <QTest>

#include "NotificationReceiver.h"
#include "TestSupport.h"
#include "controls/TKMVButton.h"
#include "controls/TKmvTrackBar.h"
#include "core/DecoderEvent.h"
#include "core/MpgDecoder.h"
#include "core/QueuePlaylist.h"
#include "core/XaudioPlayer.h"
#include "core/PlayerEngine.h"
#include "playback/PlayerPanel.h"

namespace {

constexpr int kLoadTimeoutMs = 10000;

}  // namespace

class TestEngineEndToEnd : public QObject {
    Q_OBJECT

private slots:
    void demoTrackPlaysToItsEndAndTheNextFollows() {
        NotificationReceiver receiver;
        Id3v1Tag currentTag;
        QueuePlaylist playlist;
        const QString first = testsupport::demoFile("Nordlicht Ensemble - Glass Harbour.mp3");
        const QString second = testsupport::demoFile("Mira Holm - Paper Lanterns.mp3");
        playlist.append({first, second});

        XaudioPlayer player(makeDefaultDecoder());
        QCOMPARE(player.start(&receiver), 0);
        PlayerPanel panel;
        PlayerEngine engine(player, playlist, PlayerEngine::tagReaderInto(currentTag));
        panel.setEngine(&engine);
        receiver.engine = &engine;
        engine.setNextEnabled(true);
        engine.start();
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));

        QTest::mouseClick(panel.NextUp, Qt::LeftButton);
        QCOMPARE(engine.currentTrack(), first);
        QCOMPARE(panel.IntLabelpl1->text(), QStringLiteral("Nordlicht Ensemble"));
        QCOMPARE(panel.TitLabelPl1->text(), QStringLiteral("Glass Harbour"));
        QCOMPARE(panel.JahrLabel->text(), QStringLiteral("2024"));
        QCOMPARE(panel.LabelStylePL1->text(), QStringLiteral("Ambient"));

        QTRY_VERIFY_WITH_TIMEOUT(engine.trackLoaded(), kLoadTimeoutMs);
        QCOMPARE(panel.MPEG->text(), QStringLiteral("1"));
        QCOMPARE(panel.Layer->text(), QStringLiteral("3"));
        QCOMPARE(panel.kHz->text(), QStringLiteral("44"));
        QCOMPARE(panel.StereoLab->text(), QStringLiteral("Stereo"));
        QVERIFY(panel.kbps->text().toInt() > 0);
        QVERIFY(engine.state().Playing);
        const int length = panel.TrackBar1->maximum();
        QVERIFY(length > 5);
        QTRY_VERIFY_WITH_TIMEOUT(panel.PlayUp->IsDown(), kLoadTimeoutMs);

        // Two seconds before the end: End, then Left twice, in one keyboard gesture.
        QSlider* slider = panel.TrackBar1->findChild<QSlider*>();
        slider->setFocus();
        QTest::keyPress(slider, Qt::Key_End);
        QTest::keyPress(slider, Qt::Key_Left);
        QTest::keyPress(slider, Qt::Key_Left);
        QTest::keyRelease(slider, Qt::Key_Left);
        QTest::keyRelease(slider, Qt::Key_End);
        QVERIFY(!engine.state().Positioning);

        QTRY_COMPARE_WITH_TIMEOUT(engine.currentTrack(), second, kLoadTimeoutMs);
        QVERIFY(playlist.isEmpty());
        QVERIFY(!panel.NextUp->isEnabled());
        QCOMPARE(panel.IntLabelpl1->text(), QStringLiteral("Mira Holm"));
        QTRY_COMPARE_WITH_TIMEOUT(panel.kHz->text(), QStringLiteral("22"), kLoadTimeoutMs);
        QCOMPARE(panel.MPEG->text(), QStringLiteral("2"));
        QCOMPARE(panel.StereoLab->text(), QStringLiteral("Mono"));
        QTRY_VERIFY_WITH_TIMEOUT(engine.state().Playing && panel.PlayUp->IsDown(), kLoadTimeoutMs);

        receiver.engine = nullptr;
        player.Stop();
    }
};

QTEST_MAIN(TestEngineEndToEnd)
#include "tst_engine_e2e.moc"
