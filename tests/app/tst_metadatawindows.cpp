// The main window's side of the title-information and cover windows: opening the title
// information from the panel (only with a loaded track; the panel shows a saved tag at
// once) and from a list row, the Window menu's cover commands with their saved state and
// place, and the cover window following the loaded track.
#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "FakeDecoder.h"
#include "ModalAnswer.h"
#include "TestFiles.h"
#include "app/MetadataWindows.h"
#include "app/SonvoxApplication.h"
#include "app/TPlayerForm.h"
#include "controls/TKMVButton.h"
#include "core/AppSettings.h"
#include "core/JpegCodec.h"
#include "core/Paths.h"
#include "core/Profile.h"
#include "lists/TrackGrid.h"
#include "lists/TrackLists.h"
#include "metadata/CoverImage.h"
#include "metadata/TCover.h"
#include "metadata/TInfoForm.h"
#include "core/PlayerEngine.h"
#include "playback/PlayerPanel.h"

class TestMetadataWindows : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> home_;
    FakeDecoder* decoder_ = nullptr;

    std::unique_ptr<TPlayerForm> makeForm() {
        auto fake = std::make_unique<FakeDecoder>();
        decoder_ = fake.get();
        return std::make_unique<TPlayerForm>(std::move(fake), QStringList{}, false);
    }
    QString track(const QString& name, const QString& artist) {
        return testsupport::writeTaggedTrack(home_->filePath(name),
                                             {artist, "Title", "1999", "", "", ""});
    }
    // Loads file as the player would and lets the decoder report its stream.
    void load(TPlayerForm& form, const QString& file) {
        form.engine().loadTrack(file);
        decoder_->postDuration(100);
        decoder_->postStreamInfo(1, 3, 128, 44100, 1);
        decoder_->deliver();
    }
    QAction* windowEntry(TPlayerForm& form, const QString& text) {
        for (QAction* menu : form.menuBar()->actions()) {
            for (QAction* a : menu->menu() ? menu->menu()->actions() : QList<QAction*>{}) {
                if (a->text() == text) {
                    return a;
                }
            }
        }
        qFatal("no entry %s", qPrintable(text));
    }
    int stored(const QString& key) {
        return Profile(Paths::settingsFile()).readInteger("WindowPosition", key, -1);
    }

private slots:
    void init() {
        home_ = std::make_unique<QTemporaryDir>();
        qputenv("SONVOX_CONFIG_DIR", home_->filePath("config").toUtf8());
        qputenv("SONVOX_DATA_DIR", home_->filePath("data").toUtf8());
    }

    void infoFromThePanel() {
        auto form = makeForm();
        form->show();
        {
            ModalAnswer none;
            QTest::mouseClick(form->panel().InfoUp, Qt::LeftButton);  // nothing loaded
            QVERIFY(!none.seen);
        }
        const QString file = track("a.mp3", "Before");
        load(*form, file);
        QCOMPARE(form->panel().IntLabelpl1->text(), QString("Before"));
        QString stereo, length, shown;
        ModalAnswer edit([&](QWidget* w) {
            auto* info = qobject_cast<TInfoForm*>(w);
            stereo = info->StereoLab->text();
            length = info->TTLabel->text();
            shown = info->FileLabel->text();
            QTest::mouseClick(info->BitBtn3, Qt::LeftButton);
            info->IntEdit->setText("After");
            QTest::mouseClick(info->BitBtn1, Qt::LeftButton);
        });
        QTest::mouseClick(form->panel().InfoUp, Qt::LeftButton);
        QVERIFY(edit.seen);
        QCOMPARE(shown, file);
        QCOMPARE(stereo, QString("Stereo"));
        QCOMPARE(length, form->panel().TTLabel->text());
        QCOMPARE(form->panel().IntLabelpl1->text(), QString("After"));
    }

    void infoFromAListRow() {
        auto form = makeForm();
        form->show();
        const QString file = track("b.mp3", "Row");
        form->lists().FillSelection({file});
        QTRY_VERIFY(form->lists().commands().idle());  // tags are read on a worker
        TrackGrid* grid = form->lists().selectionGrid();
        QTest::mousePress(grid, Qt::RightButton, {}, grid->cellRect(1, 1).center());
        QTest::mouseRelease(grid, Qt::RightButton, {}, grid->cellRect(1, 1).center());
        QCOMPARE(form->lists().infoFileName(), file);
        QAction* info = nullptr;
        for (QAction* a : form->lists().selectionMenu()->actions()) {
            info = a->text() == "&Info" ? a : info;
        }
        QVERIFY(info);
        QString artist, length;
        ModalAnswer look([&](QWidget* w) {
            auto* form = qobject_cast<TInfoForm*>(w);
            artist = form->IntLab->text();
            length = form->TTLabel->text();
            form->close();
        });
        info->trigger();
        QCOMPARE(artist, QString("Row"));
        QVERIFY(length.isEmpty());
    }

    void coverCommandsAndPlace() {
        auto form = makeForm();
        form->show();
        QAction* hide = windowEntry(*form, "&Hide Cover");
        QVERIFY(!hide->isEnabled());
        QVERIFY(!form->metadataWindows().coverWindow());  // made on first use
        windowEntry(*form, "&Show Cover")->trigger();
        TCover* cover = form->metadataWindows().coverWindow();
        QVERIFY(cover && cover->isVisible() && hide->isEnabled());
        QCOMPARE(cover->size(), QSize(kDefaultCoverWidth, kDefaultCoverWidth));
        cover->close();  // by its frame: as "&Hide Cover"
        QVERIFY(cover->isHidden() && !hide->isEnabled());
        windowEntry(*form, "&Show Cover")->trigger();
        cover->place(30, 40, 300);
        QTRY_COMPARE(cover->width(), 300);
        form->SaveWindowpositions1Click();
        QCOMPARE(stored("ShowCover"), 1);
        QCOMPARE(stored("CoverWidth"), 300);
        QCOMPARE(stored("CoverLeft"), cover->framePosition().x());
        form->DefaultPositions1Click();
        QCOMPARE(cover->size(), QSize(kDefaultCoverWidth, kDefaultCoverWidth));
        hide->trigger();
        QVERIFY(cover->isHidden());
    }

    void savedCoverWindowComesBackAndFollowsTheTrack() {
        Profile profile(Paths::settingsFile());
        profile.writeInteger("WindowPosition", "ShowCover", 1);
        profile.writeInteger("WindowPosition", "CoverWidth", 200);
        const QString file = track("c.mp3", "Cover");
        Picture p = Picture::allocate(400, 400);
        p.pixels.fill('\x7f');
        QFile jpg(home_->filePath("c.jpg"));
        QVERIFY(jpg.open(QIODevice::WriteOnly) && jpg.write(JpegCodec::encode(p)) > 0);
        jpg.close();

        auto form = makeForm();
        QVERIFY(!form->metadataWindows().coverWindow());
        form->show();
        TCover* cover = form->metadataWindows().coverWindow();
        QVERIFY(cover && cover->isVisible());
        QCOMPARE(cover->width(), 200);
        QSignalSpy finished(cover->picture(), &CoverImage::loadFinished);
        load(*form, file);
        QCOMPARE(cover->picture()->track(), file);
        QVERIFY(finished.wait(5000));
        QVERIFY(!cover->picture()->isEmpty());
    }
};

int main(int argc, char** argv) {
    SonvoxApplication app(argc, argv);
    TestMetadataWindows test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_metadatawindows.moc"
