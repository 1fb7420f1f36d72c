// The setup window with real clicks: the registration buttons swap, the play mode acts at
// once, "OK" and a page change save, "Abbrechen" does not; the file-cache page on a
// pretended 64 MB machine.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "app/TSetupForm.h"
#include "core/AppSettings.h"
#include "core/FileTypeRegistration.h"
#include "core/PhysicalMemory.h"
#include "core/Profile.h"

namespace {

struct FakeRegistration : FileTypeRegistration {
    bool registered = false;
    bool isRegistered() const override { return registered; }
    void registerTypes() override { registered = true; }
    void unregisterTypes() override { registered = false; }
};

struct Memory64 : PhysicalMemory {
    qint64 totalBytes() const override { return 64LL * 1024 * 1024; }
};

}  // namespace

class TestSetupForm : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<Profile> profile_;
    AppSettings settings_;
    PlayMode mode_ = PlayMode::Continuous;
    std::unique_ptr<TSetupForm> form_;

    void click(QAbstractButton* b) {
        QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(6, b->height() / 2));
    }

private slots:
    void init() {
        qputenv("SONVOX_CONFIG_DIR", dir_.filePath("config").toUtf8());
        profile_ = std::make_unique<Profile>(dir_.filePath("KMV.INI"));
        TSetupForm::Host host{[this] { return mode_; }, [] { return true; },
                              [this](PlayMode m) { mode_ = m; }, [](bool) {}};
        form_ = std::make_unique<TSetupForm>(*profile_, settings_, host,
                                             std::make_unique<FakeRegistration>(),
                                             std::make_unique<Memory64>());
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    void cleanup() { form_.reset(); }

    void pagesAndTheRegistrationButtons() {
        QCOMPARE(form_->windowTitle(), "Setup");
        QCOMPARE(form_->PageControl1->count(), 3);
        form_->PageControl1->setCurrentIndex(1);
        QVERIFY(form_->Button7->isVisible() && !form_->Button8->isVisible());
        QTest::mouseClick(form_->Button7, Qt::LeftButton);
        QVERIFY(!form_->Button7->isVisible() && form_->Button8->isVisible());
        QTest::mouseClick(form_->Button8, Qt::LeftButton);
        QVERIFY(form_->Button7->isVisible() && !form_->Button8->isVisible());
    }

    void playModeActsAtOnceAndOkSaves() {
        form_->PageControl1->setCurrentIndex(1);
        click(form_->autop);
        QCOMPARE(mode_, PlayMode::Single);
        form_->Edit3->setText("/m/start.ply");
        QTest::mouseClick(form_->BitBtn1, Qt::LeftButton);
        QVERIFY(!form_->isVisible());
        Profile saved(dir_.filePath("KMV.INI"));
        QCOMPARE(saved.readString("Setup", "StartFile", QString()), "/m/start.ply");
    }

    void cancelKeepsTheFileButAPageChangeSaves() {
        form_->PageControl1->setCurrentIndex(1);
        form_->Edit3->setText("/m/kept.ply");
        form_->PageControl1->setCurrentIndex(0);  // a page change saves
        form_->Edit3->setText("/m/dropped.ply");
        QTest::mouseClick(form_->BitBtn2, Qt::LeftButton);
        Profile saved(dir_.filePath("KMV.INI"));
        QCOMPARE(saved.readString("Setup", "StartFile", QString()), "/m/kept.ply");
    }

    void fileCacheOnA64MbMachine() {
        QCOMPARE(form_->cache().rangeMb(), 64);
        QVERIFY(form_->TrackBar1->value() <= form_->TrackBar2->value());
        QVERIFY(form_->MaxLabel->text().endsWith(" KB"));
    }
};

QTEST_MAIN(TestSetupForm)
#include "tst_setupform.moc"
