// The title-information window: what it shows for tagged, untagged and unreadable files,
// the edit and save rules driven by clicks (the audio before the tag never changes), the
// year spin control, the genre list, and the picture menu's imports, delete and copy.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDate>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include "ModalAnswer.h"
#include "TestFiles.h"
#include "core/CoverFiles.h"
#include "core/GenreTable.h"
#include "core/Id3v1Tag.h"
#include "core/JpegCodec.h"
#include "metadata/CoverImage.h"
#include "metadata/TInfoForm.h"
#include "metadata/UpDown.h"

namespace {

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

QByteArray flatJpeg(int side, QRgb colour) {
    Picture p = Picture::allocate(side, side);
    for (int y = 0; y < side; ++y) {
        std::fill_n(p.row(y), side, 0xFF000000u | colour);
    }
    return JpegCodec::encode(p);
}

}  // namespace

class TestInfoForm : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tmp_;
    std::unique_ptr<TInfoForm> form_;
    QString covers_;

    QString tagged(const QString& name,
                   const TagFields& tag = {"Artist", "Title", "1999", "Note", "Album", "Rock"}) {
        return testsupport::writeTaggedTrack(tmp_->filePath(name), tag);
    }
    QString untagged(const QString& name) {
        writeBytes(tmp_->filePath(name), QByteArray(300, '\x55'));
        return tmp_->filePath(name);
    }
    void open(const QString& file) {
        form_->setInfoFileName(file);
        form_->setCoverPath(covers_);
        form_->show();
        QVERIFY(QTest::qWaitForWindowExposed(form_.get()));
    }
    void click(QPushButton* button) { QTest::mouseClick(button, Qt::LeftButton); }
    void retype(QLineEdit* edit, const QString& text) {
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

private slots:
    void init() {
        tmp_ = std::make_unique<QTemporaryDir>();
        covers_ = tmp_->filePath("covers/");
        QDir().mkpath(covers_);
        form_ = std::make_unique<TInfoForm>();
        form_->setPictureFileChooser({});
    }
    void cleanup() { form_.reset(); }

    void showsWhatTheFileHolds_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QStringList>("shown");  // artist, title, album, note, year, genre
        QTest::newRow("tagged") << "tagged"
                                << QStringList{"Artist", "Title", "Album", "Note", "1999", "Rock"};
        QTest::newRow("no tag: base name, 0000")
            << "untagged" << QStringList{"Some Song", "Some Song", "", "", "0000", ""};
        QTest::newRow("genre byte 200")
            << "genre200" << QStringList{"Artist", "Title", "", "", "2001", ""};
        QTest::newRow("missing file") << "missing" << QStringList{"", "", "", "", "", ""};
    }
    void showsWhatTheFileHolds() {
        QFETCH(QString, kind);
        QFETCH(QStringList, shown);
        // A track with a genre first: the next one must not keep it.
        open(tagged("first.mp3"));
        form_->close();
        QString file = tmp_->filePath("Some Song.x.mp3");
        if (kind == "tagged") {
            file = tagged("t.mp3");
        } else if (kind == "untagged") {
            untagged("Some Song.x.mp3");
        } else if (kind == "genre200") {
            file = tagged("g.mp3", {"Artist", "Title", "2001", "", "", ""});
            QFile f(file);
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(f.size() - 1) && f.putChar(char(200)));
        }
        open(file);
        const QList<QLabel*> labels{form_->IntLab,    form_->Titlab,  form_->CDtitellab,
                                    form_->NoteLabel, form_->jahrlab, form_->Stillab};
        for (int i = 0; i < labels.size(); ++i) {
            QCOMPARE(labels[i]->text(), shown[i]);
        }
        QCOMPARE(form_->StilCombo->currentIndex() >= 0, !shown[5].isEmpty());
        QCOMPARE(form_->FileLabel->text(), file);
        QVERIFY(form_->BitBtn3->isVisible() && form_->BitBtn3->isEnabled());
        QVERIFY(!form_->IntEdit->isVisible() && !form_->BitBtn4->isVisible());
    }

    // Each step is a button to click or a field to retype ("field=text").
    void savingRules_data() {
        QTest::addColumn<bool>("tagged");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<bool>("saved");
        QTest::newRow("edit, OK") << true << QStringList{"edit", "title=New", "ok"} << true;
        QTest::newRow("OK alone") << true << QStringList{"title=New", "ok"} << false;
        QTest::newRow("no artist")
            << true << QStringList{"edit", "artist=", "title=New", "ok"} << false;
        QTest::newRow("edit, cancel, OK")
            << true << QStringList{"edit", "title=New", "cancel", "ok"} << false;
        QTest::newRow("edit, cancel, edit, OK")
            << true << QStringList{"edit", "title=New", "cancel", "edit", "ok"} << true;
        QTest::newRow("closed by its frame")
            << true << QStringList{"edit", "title=New", "close", "reopen", "ok"} << false;
        QTest::newRow("no tag: edit, OK appends") << false << QStringList{"edit", "ok"} << true;
    }
    void savingRules() {
        QFETCH(bool, tagged);
        QFETCH(QStringList, steps);
        QFETCH(bool, saved);
        const QString file = tagged ? this->tagged("Song.mp3") : untagged("Song.mp3");
        const QByteArray before = fileBytes(file);
        open(file);
        for (const QString& step : steps) {
            if (step == "edit") {
                click(form_->BitBtn3);
            } else if (step == "cancel") {
                click(form_->BitBtn4);
            } else if (step == "ok") {
                click(form_->BitBtn1);
            } else if (step == "close") {
                form_->close();
            } else if (step == "reopen") {
                open(file);
            } else {
                const QString field = step.section('=', 0, 0), text = step.section('=', 1);
                retype(field == "artist" ? form_->IntEdit : form_->TitEdit, text);
            }
        }
        QVERIFY(!form_->isVisible());
        QCOMPARE(fileBytes(file) != before, saved);
        // Not a byte of the audio before the tag changes.
        QCOMPARE(fileBytes(file).left(before.size() - (tagged ? 128 : 0)),
                 before.left(before.size() - (tagged ? 128 : 0)));
        if (!saved) {
            return;
        }
        const InfoTag tag = readInfoTag(file);
        if (tagged) {
            QCOMPARE(tag.title, QString("New"));
            QCOMPARE(tag.artist, QString("Artist"));
            QCOMPARE(tag.genre, GenreTable::indexOf(u"Rock"));
        } else {
            QCOMPARE(fileBytes(file).size(), before.size() + 128);
            QCOMPARE(tag.artist, QString("Song"));
            QCOMPARE(tag.year, QString("0000"));
            QCOMPARE(tag.genre, GenreTable::kNone);
            QVERIFY(!tag.fallback);
        }
    }

    void fileThatCannotBeWrittenStaysAsItWas() {
        const QString file = tagged("Song.mp3");
        open(file);
        click(form_->BitBtn3);
        retype(form_->TitEdit, "New");
        QVERIFY(QFile::remove(file));  // gone meanwhile: nothing to open for writing
        ModalAnswer box;
        click(form_->BitBtn1);
        QVERIFY(box.seen);
        QCOMPARE(box.caption, kAccessDeniedCaption);
        QCOMPARE(box.text, kAccessDeniedText);
        QCOMPARE(box.icon, QMessageBox::Critical);
        QVERIFY(!QFile::exists(file));
        QVERIFY(!form_->isVisible());
    }

    void yearSpinsInsideItsRange() {
        open(untagged("Song.mp3"));
        click(form_->BitBtn3);
        UpDown* spin = form_->UpDown1;
        const int thisYear = QDate::currentDate().year();
        QCOMPARE(spin->maximum(), thisYear);
        QCOMPARE(spin->minimum(), 1800);
        QTest::mouseClick(spin->upButton(), Qt::LeftButton);
        QCOMPARE(form_->JahrEdit->text(), QString("1801"));  // "0000" counts as 1800
        retype(form_->JahrEdit, QString::number(thisYear));
        QTest::keyClick(form_->JahrEdit, Qt::Key_Up);  // no wrapping past the maximum
        QCOMPARE(form_->JahrEdit->text(), QString::number(thisYear));
        QTest::keyClick(form_->JahrEdit, Qt::Key_Down);
        QCOMPARE(form_->JahrEdit->text(), QString::number(thisYear - 1));
    }

    void genresAreSortedAndDoubleClickSelectsAField() {
        const QString file = tagged("Song.mp3");
        open(file);
        QComboBox* combo = form_->StilCombo;
        QCOMPARE(combo->count(), GenreTable::kCount);
        for (int i = 1; i < combo->count(); ++i) {
            QVERIFY(QString::compare(combo->itemText(i - 1), combo->itemText(i),
                                     Qt::CaseInsensitive) <= 0);
        }
        click(form_->BitBtn3);
        form_->noteedit->setText("two words");
        QTest::mouseDClick(form_->noteedit, Qt::LeftButton, {}, QPoint(4, 5));
        QCOMPARE(form_->noteedit->selectedText(), QString("two words"));
    }

    void streamLineComesFromThePlayer() {
        form_->showStreamInfo("1", "3", "128", "44", 1);
        QCOMPARE(form_->StereoLab->text(), QString("Stereo"));
        form_->showStreamInfo("2", "2", "64", "22", 3);
        QCOMPARE(form_->StereoLab->text(), QString("Mono"));
        QCOMPARE(
            form_->MPEG->text() + form_->Layer->text() + form_->kbps->text() + form_->kHz->text(),
            QString("226422"));
    }

    void pictureMenu() {
        const QString track = tagged("Song.mp3");
        QSignalSpy changed(form_.get(), &TInfoForm::coverChanged);
        open(track);
        const QString beside = CoverFiles::besideTrack(track);

        // A file that is no picture of its kind, and a name of no known kind.
        for (const auto& [name, bytes, caption, text] :
             {std::tuple{QString("fake.jpg"), QByteArray("text"), QString("Fehler"), QString()},
              std::tuple{QString("photo.jpeg"), flatJpeg(16, 0xff0000), QString("Fehler"),
                         QString("Unbekanntes Bildformat!")}}) {
            writeBytes(tmp_->filePath(name), bytes);
            form_->setPictureFileChooser([&](QWidget*) { return tmp_->filePath(name); });
            ModalAnswer box;
            form_->MenuCoverFileClick();
            QCOMPARE(box.caption, caption);
            if (!text.isEmpty()) {
                QCOMPARE(box.text, text);
            }
            QVERIFY(!QFile::exists(beside));
        }

        // A JPG is written as it is; the picture shows at once.
        const QByteArray red = flatJpeg(800, 0xff0000);
        writeBytes(tmp_->filePath("photo.JPG"), red);
        form_->setPictureFileChooser([&](QWidget*) { return tmp_->filePath("photo.JPG"); });
        form_->MenuCoverFileClick();
        QCOMPARE(fileBytes(beside), red);
        QVERIFY(!form_->Image4->isEmpty());
        QCOMPARE(form_->Image4->image().width(), 300);  // decoded at 3/8 for 240 pixels
        QCOMPARE(changed.count(), 1);

        // Copied at the file's full size.
        QApplication::clipboard()->clear();
        form_->MenuCoverCopyClick();
        QCOMPARE(QApplication::clipboard()->image().size(), QSize(800, 800));

        // The clipboard's picture replaces it; an empty clipboard changes nothing.
        QImage green(50, 40, QImage::Format_RGB32);
        green.fill(Qt::green);
        QApplication::clipboard()->setImage(green);
        form_->MenuCoverClipboardClick();
        JpegCodec::Decoded written = JpegCodec::decode(fileBytes(beside));
        QCOMPARE(QSize(written.picture.width, written.picture.height), QSize(50, 40));
        QApplication::clipboard()->clear();
        {
            ModalAnswer box;
            form_->MenuCoverClipboardClick();
            QVERIFY(box.seen);
        }
        QCOMPARE(JpegCodec::decode(fileBytes(beside)).picture.width, 50);

        // Delete: the cover beside the track first, then the one in the cover directory.
        writeBytes(covers_ + "Song.jpg", flatJpeg(16, 0x0000ff));
        form_->MenuCoverDeleteClick();
        QVERIFY(form_->Image4->isEmpty());
        QVERIFY(!QFile::exists(beside) && QFile::exists(covers_ + "Song.jpg"));
        form_->MenuCoverDeleteClick();
        QVERIFY(!QFile::exists(covers_ + "Song.jpg"));
        ModalAnswer box;
        form_->MenuCoverDeleteClick();
        QCOMPARE(box.text, kAccessDeniedText);
        QCOMPARE(changed.count(), 4);
    }
};

QTEST_MAIN(TestInfoForm)
#include "tst_infoform.moc"
