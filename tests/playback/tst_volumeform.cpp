// The volume window with real mouse events on its controls, sending through the engine to
// the fake decoder.
#include <QCheckBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include "FakeDecoder.h"
#include "controls/TKmvTrackBar.h"
#include "core/PlayerEngine.h"
#include "core/QueuePlaylist.h"
#include "core/XaudioPlayer.h"
#include "playback/TVolumeForm.h"

class TestVolumeForm : public QObject {
    Q_OBJECT

    FakeDecoder* decoder_ = nullptr;
    std::unique_ptr<XaudioPlayer> player_;
    QueuePlaylist playlist_;
    std::unique_ptr<PlayerEngine> engine_;
    std::unique_ptr<TVolumeForm> form_;

    QSlider* slider(TKmvTrackBar* bar) { return bar->findChild<QSlider*>(); }

private slots:
    void init() {
        auto fake = std::make_unique<FakeDecoder>();
        decoder_ = fake.get();
        player_ = std::make_unique<XaudioPlayer>(std::move(fake));
        player_->start(nullptr);
        engine_ = std::make_unique<PlayerEngine>(*player_, playlist_);
        form_ = std::make_unique<TVolumeForm>();
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    void cleanup() {
        form_.reset();
        engine_.reset();
        player_.reset();
    }

    void startsAsTheWindowSaysAndSendsNothingUnattached() {
        QCOMPARE(form_->windowTitle(), "Volume Control");
        QCOMPARE(form_->VolumeTrackBar->position(), 0);
        QCOMPARE(form_->VolumeTrackBar->maximum(), 99);
        QCOMPARE(form_->VolumeTrackBar->frequency(), 3);
        QCOMPARE(form_->BalanceTrackBar->position(), 0);
        QVERIFY(!form_->MuteCheckBox->isChecked() && form_->StereoRadio->isChecked());
        QTest::mouseClick(form_->MuteCheckBox, Qt::LeftButton, {}, QPoint(6, 8));
        QVERIFY(form_->MuteCheckBox->isChecked() && decoder_->isEmpty());
    }

    void everyChangeGoesToTheDecoder() {
        form_->AttachPlayer(*engine_);
        form_->AttachPlayer(*engine_);
        QCOMPARE(decoder_->log(), QStringList({"VolumeWindowCommand", "VolumeWindowCommand"}));
        decoder_->clear();

        form_->SetVolumePosition(70);  // silent, and kept within 0..99
        form_->SetBalancePosition(150);
        QCOMPARE(form_->BalanceTrackBar->position(), 99);
        QVERIFY(decoder_->isEmpty());

        QTest::mouseClick(form_->CenterButton, Qt::LeftButton);
        QCOMPARE(decoder_->log(), QStringList({"SetVolume 50 70 100"}));
        QCOMPARE(form_->BalanceTrackBar->position(), 50);

        decoder_->clear();
        slider(form_->VolumeTrackBar)->setFocus();
        QTest::keyClick(slider(form_->VolumeTrackBar), Qt::Key_Right);
        QTest::keyClick(slider(form_->BalanceTrackBar), Qt::Key_Left);
        QCOMPARE(decoder_->log().first(), "SetVolume 50 71 100");
        QCOMPARE(decoder_->log().last(), "SetVolume 49 71 100");

        decoder_->clear();
        // On the indicators: the controls are wider than what they show.
        const QPoint box(6, form_->MuteCheckBox->height() / 2);
        QTest::mouseClick(form_->MuteCheckBox, Qt::LeftButton, {}, box);
        QTest::mouseClick(form_->MuteCheckBox, Qt::LeftButton, {}, box);
        QTest::mouseClick(form_->MonoRadio, Qt::LeftButton, {},
                          QPoint(6, form_->MonoRadio->height() / 2));
        QTest::mouseClick(form_->StereoRadio, Qt::LeftButton, {},
                          QPoint(6, form_->StereoRadio->height() / 2));
        QCOMPARE(decoder_->log(),
                 QStringList({"Mute", "Unmute", "SetChannels 0", "SetChannels 1"}));
    }

    void aDragSendsOnePerPosition() {
        form_->AttachPlayer(*engine_);
        decoder_->clear();
        QSlider* s = slider(form_->VolumeTrackBar);
        const QPoint from =
            s->mapFrom(form_->VolumeTrackBar, form_->VolumeTrackBar->thumbRect().center());
        QTest::mousePress(s, Qt::LeftButton, {}, from);
        QTest::mouseMove(s, from + QPoint(40, 0));
        QTest::mouseMove(s, from + QPoint(80, 0));
        QTest::mouseRelease(s, Qt::LeftButton, {}, from + QPoint(80, 0));
        const QStringList log = decoder_->log();
        QVERIFY(log.size() >= 2);
        QCOMPARE(log.last(),
                 QStringLiteral("SetVolume 0 %1 100").arg(form_->VolumeTrackBar->position()));
    }
};

QTEST_MAIN(TestVolumeForm)
#include "tst_volumeform.moc"
