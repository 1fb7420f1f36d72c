#include <QSignalSpy>
#include <QSlider>
#include <QtTest>
#include <memory>

#include "controls/TKmvTrackBar.h"

class TestTrackBar : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void settersClampAndStaySilent();
    void dragReportsEveryPositionThenMouseUp();
    void channelClickChangesThenMouseUp();
    void keysChangeAndReportTheirRelease();
    void heldKeyReportsOneRelease();
    void wheelMovesNothing();

private:
    // Every signal of the bar in order, with the position at a change.
    QStringList events_;
    std::unique_ptr<TKmvTrackBar> bar_;
    QSlider* slider_ = nullptr;
};

void TestTrackBar::init() {
    bar_ = std::make_unique<TKmvTrackBar>();
    bar_->resize(301, 22);
    bar_->setMax(100);
    slider_ = bar_->findChild<QSlider*>();
    QVERIFY(slider_);
    events_.clear();
    connect(bar_.get(), &TKmvTrackBar::changed, this,
            [this] { events_ << QString("change %1").arg(bar_->position()); });
    connect(bar_.get(), &TKmvTrackBar::mouseReleased, this, [this] { events_ << "mouse up"; });
    connect(bar_.get(), &TKmvTrackBar::keyReleased, this, [this] { events_ << "key up"; });
    bar_->show();
    QVERIFY(QTest::qWaitForWindowExposed(bar_.get()));
}

void TestTrackBar::cleanup() {
    bar_.reset();
}

void TestTrackBar::settersClampAndStaySilent() {
    TKmvTrackBar& bar = *bar_;
    bar.setMax(200);
    bar.setPosition(120);
    QCOMPARE(bar.position(), 120);
    const int thumbAt120 = bar.thumbRect().center().x();
    bar.setMax(0);
    QCOMPARE(bar.position(), 0);
    QVERIFY(bar.thumbRect().center().x() < thumbAt120);  // the slider follows

    bar.setPosition(-5);
    QCOMPARE(bar.position(), 0);
    bar.setMin(10);
    QCOMPARE(bar.position(), 0);  // raised to 10, then lowered to the maximum 0
    bar.setMax(5);
    QCOMPARE(bar.position(), 5);
    QCOMPARE(bar.minimum(), 10);
    QCOMPARE(bar.maximum(), 5);

    bar.setMin(0);
    bar.setMax(50);
    bar.setPosition(80);
    QCOMPARE(bar.position(), 50);
    bar.setFrequency(7);
    bar.setLineSize(3);
    bar.setPageSize(9);
    QCOMPARE(events_, QStringList());
}

void TestTrackBar::dragReportsEveryPositionThenMouseUp() {
    const QPoint start = bar_->thumbRect().center() - slider_->pos();
    QTest::mousePress(slider_, Qt::LeftButton, {}, start);
    for (int step = 1; step <= 4; ++step)
        QTest::mouseMove(slider_, start + QPoint(30 * step, 0));
    QTest::mouseRelease(slider_, Qt::LeftButton, {}, start + QPoint(120, 0));

    QVERIFY2(events_.size() == 6, qPrintable(events_.join(", ")));
    int previous = 0;
    for (int i = 0; i < 4; ++i) {
        QVERIFY(events_[i].startsWith("change "));
        const int position = events_[i].mid(7).toInt();
        QVERIFY2(position > previous, qPrintable(events_.join(", ")));
        previous = position;
    }
    // Once more when the drag ends, then the release.
    QCOMPARE(events_.mid(4), (QStringList{QString("change %1").arg(previous), "mouse up"}));
    QCOMPARE(bar_->position(), previous);
}

void TestTrackBar::channelClickChangesThenMouseUp() {
    // In the channel, at the height of the thumb, far right of it.
    const QPoint farRight(slider_->width() - 10, bar_->thumbRect().center().y() - slider_->y());
    QTest::mouseClick(slider_, Qt::LeftButton, {}, farRight);
    QVERIFY(bar_->position() > 0);
    QVERIFY2(events_.size() >= 3, qPrintable(events_.join(", ")));
    QCOMPARE(events_.last(), QString("mouse up"));
    QCOMPARE(events_[events_.size() - 2], QString("change %1").arg(bar_->position()));

    // A press that moves nothing still reports its release, and no change.
    events_.clear();
    QTest::mouseClick(slider_, Qt::RightButton, {}, farRight);
    QCOMPARE(events_, QStringList{"mouse up"});
}

void TestTrackBar::keysChangeAndReportTheirRelease() {
    slider_->setFocus();
    QTest::keyClick(slider_, Qt::Key_Right);
    QCOMPARE(events_, (QStringList{"change 1", "change 1", "key up"}));

    events_.clear();
    QTest::keyClick(slider_, Qt::Key_End);
    QCOMPARE(bar_->position(), 100);
    QTest::keyClick(slider_, Qt::Key_PageDown);  // two positions back
    QCOMPARE(bar_->position(), 98);
    QTest::keyClick(slider_, Qt::Key_Home);
    QCOMPARE(bar_->position(), 0);
    QCOMPARE(events_.count("key up"), 3);

    // A key that moves nothing reports nothing.
    events_.clear();
    QTest::keyClick(slider_, Qt::Key_A);
    QCOMPARE(events_, QStringList());
}

void TestTrackBar::heldKeyReportsOneRelease() {
    slider_->setFocus();
    auto send = [this](QEvent::Type type, bool autoRepeat) {
        QKeyEvent event(type, Qt::Key_Right, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(slider_, &event);
    };
    send(QEvent::KeyPress, false);
    for (int i = 0; i < 2; ++i) {
        send(QEvent::KeyRelease, true);
        send(QEvent::KeyPress, true);
    }
    QCOMPARE(events_.count("key up"), 0);
    send(QEvent::KeyRelease, false);
    QCOMPARE(bar_->position(), 3);
    QCOMPARE(events_, (QStringList{"change 1", "change 2", "change 3", "change 3", "key up"}));
}

// A wheel turn has no release to end the move on, so the bar must not move at all.
void TestTrackBar::wheelMovesNothing() {
    bar_->setPosition(50);
    const QPointF at = slider_->rect().center();
    QWheelEvent wheel(at, slider_->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(slider_, &wheel);
    QCOMPARE(bar_->position(), 50);
    QVERIFY(events_.isEmpty());
}

QTEST_MAIN(TestTrackBar)
#include "tst_trackbar.moc"
