// The cover window: it follows the player's track (the latest track wins, a hidden window
// loads nothing), stays square, reports a cover that cannot be decoded, decodes again when
// it grows, and tells its owner when the user closes it.
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include "core/JpegCodec.h"
#include "core/SonvoxError.h"
#include "metadata/CoverImage.h"
#include "metadata/TCover.h"

namespace {

QStringList g_errors;
void collect(const QString& message) {
    g_errors.append(message);
}

void writeCover(const QString& path, int side, quint32 colour) {
    Picture p = Picture::allocate(side, side);
    for (int y = 0; y < side; ++y) {
        std::fill_n(p.row(y), side, colour);
    }
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(JpegCodec::encode(p)) <= 0) {
        qFatal("cannot write %s", qPrintable(path));
    }
}

}  // namespace

class TestCoverWindow : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tmp_;
    std::unique_ptr<TCover> cover_;
    QString track(const QString& name) { return tmp_->filePath(name + ".mp3"); }
    // Whether the picture shows colour (JPEG may be a step or two off).
    bool shows(QRgb colour) {
        const QRgb p = cover_->picture()->image().pixel(4, 4);
        return qAbs(qRed(p) - qRed(colour)) < 8 && qAbs(qGreen(p) - qGreen(colour)) < 8 &&
               qAbs(qBlue(p) - qBlue(colour)) < 8;
    }

private slots:
    void init() {
        tmp_ = std::make_unique<QTemporaryDir>();
        QDir().mkpath(tmp_->filePath("covers"));
        writeCover(tmp_->filePath("big.jpg"), 2000, 0xFF00FF00);
        writeCover(tmp_->filePath("small.jpg"), 64, 0xFF0000FF);
        cover_ = std::make_unique<TCover>();
        cover_->setCoverPath(tmp_->filePath("covers/"));
        cover_->place(10, 20, 240);
        g_errors.clear();
        sonvoxErrorReporter() = collect;
    }
    void cleanup() {
        cover_.reset();
        sonvoxErrorReporter() = nullptr;
    }

    void followsTheLatestTrackWhileShown() {
        cover_->followTrack(track("small"));
        QVERIFY(cover_->picture()->track().isEmpty());  // hidden: nothing loaded
        cover_->show();
        QSignalSpy finished(cover_->picture(), &CoverImage::loadFinished);
        cover_->followTrack(track("big"));
        cover_->followTrack(track("small"));
        QVERIFY(finished.wait(5000));
        QTest::qWait(50);
        QCOMPARE(finished.count(), 1);
        QVERIFY(shows(0x0000FF));
        cover_->followTrack(track("none"));
        QVERIFY(cover_->picture()->isEmpty());  // emptied at once
        QVERIFY(g_errors.isEmpty());
    }

    void coverThatCannotBeDecodedIsReported() {
        QFile f(tmp_->filePath("broken.jpg"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("\xFF\xD8\xFF not really") > 0);
        f.close();
        cover_->show();
        QSignalSpy finished(cover_->picture(), &CoverImage::loadFinished);
        cover_->followTrack(track("broken"));
        QVERIFY(finished.wait(5000));
        QVERIFY(cover_->picture()->isEmpty());
        QCOMPARE(g_errors.size(), 1);
        QVERIFY(g_errors.first().contains("broken.jpg"));
    }

    void squareGrowingAndClosing() {
        cover_->place(0, 0, 100);
        cover_->show();
        QSignalSpy finished(cover_->picture(), &CoverImage::loadFinished);
        cover_->followTrack(track("big"));
        QVERIFY(finished.wait(5000));
        const int small = cover_->picture()->image().width();
        QCOMPARE(small, 250);  // 1/8 of 2000 already covers 100 pixels
        cover_->resize(300, 200);
        QTRY_COMPARE(cover_->size(), QSize(300, 300));
        QVERIFY(finished.wait(5000));  // decoded again for the larger area
        QCOMPARE(cover_->picture()->image().width(), 500);

        QSignalSpy closed(cover_.get(), &TCover::closedByFrame);
        cover_->close();
        QCOMPARE(closed.count(), 1);
        QVERIFY(cover_->isHidden());
    }

    void changedCoverOfTheShownTrackIsReloaded() {
        cover_->show();
        QSignalSpy finished(cover_->picture(), &CoverImage::loadFinished);
        cover_->followTrack(track("small"));
        QVERIFY(finished.wait(5000));
        writeCover(tmp_->filePath("small.jpg"), 64, 0xFFFF0000);
        cover_->coverChanged(track("other"));
        QVERIFY(shows(0x0000FF));
        cover_->coverChanged(track("small"));
        QVERIFY(finished.wait(5000));
        QVERIFY(shows(0xFF0000));
    }
};

QTEST_MAIN(TestCoverWindow)
#include "tst_coverwindow.moc"
