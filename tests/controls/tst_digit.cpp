#include <QBackingStore>
#include <QPainter>
#include <QtTest>
#include <climits>

#include "controls/TDigit.h"

namespace {

constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kDarkRed = 0xff800000;
constexpr QRgb kBlack = 0xff000000;

// The size-3 figure, written out independently of the code under test.
struct Run {
    int y, x0, x1;
};
const QList<QList<Run>> kSegments = {
    {{3, 4, 13}, {4, 5, 12}, {5, 6, 11}},                                    // a
    {{4, 14, 14}, {5, 13, 14}, {6, 12, 14}, {11, 12, 14}, {12, 13, 13}},     // b
    {{14, 13, 13}, {15, 12, 14}, {20, 12, 14}, {21, 13, 14}, {22, 14, 14}},  // c
    {{21, 6, 11}, {22, 5, 12}, {23, 4, 13}},                                 // d
    {{14, 4, 4}, {15, 3, 5}, {20, 3, 5}, {21, 3, 4}, {22, 3, 3}},            // e
    {{4, 3, 3}, {5, 3, 4}, {6, 3, 5}, {11, 3, 5}, {12, 4, 4}},               // f
    {{12, 6, 11}, {13, 5, 12}, {14, 6, 11}},                                 // g
};
const char* const kLit[10] = {"abcdef", "bc",     "abdeg", "abcdg",   "bcfg",
                              "acdfg",  "acdefg", "abc",   "abcdefg", "abcdfg"};

// Runs listed as first and last row of a block stand for the rows in between too.
QList<Run> expandRuns(const QList<Run>& runs) {
    QList<Run> rows;
    for (int i = 0; i < runs.size(); ++i) {
        rows.append(runs[i]);
        if (i + 1 < runs.size() && runs[i].x0 == runs[i + 1].x0 && runs[i].x1 == runs[i + 1].x1)
            for (int y = runs[i].y + 1; y < runs[i + 1].y; ++y)
                rows.append({y, runs[i].x0, runs[i].x1});
    }
    return rows;
}

// A 15 x 27 cell showing `c` (a digit or ' '), unlit segments dotted on even x + y.
QImage expectedCell(char c) {
    QImage cell(15, 27, QImage::Format_RGB32);
    cell.fill(kBlack);
    const QByteArray lit = c == ' ' ? QByteArray() : QByteArray(kLit[c - '0']);
    for (int s = 0; s < 7; ++s) {
        const bool on = lit.contains(char('a' + s));
        for (const Run& run : expandRuns(kSegments[s]))
            for (int x = run.x0; x <= run.x1; ++x)
                if (on)
                    cell.setPixel(x, run.y, kRed);
                else if ((x + run.y) % 2 == 0)
                    cell.setPixel(x, run.y, kDarkRed);
    }
    return cell;
}

QImage expectedColon() {
    QImage colon(6, 27, QImage::Format_RGB32);
    colon.fill(kBlack);
    for (int y : {7, 8, 9, 17, 18, 19})
        for (int x = 3; x <= 5; ++x)
            colon.setPixel(x, y, kRed);
    return colon;
}

QImage expectedDisplay(const QByteArray& text, bool colon) {
    QImage image(15 * int(text.size()) + (colon ? 6 : 3), 27, QImage::Format_RGB32);
    image.fill(kBlack);
    QPainter p(&image);
    for (int k = 0; k < text.size(); ++k)
        p.drawImage(15 * k, 0, expectedCell(text[k]));
    if (colon)
        p.drawImage(15 * int(text.size()), 0, expectedColon());
    return image;
}

// Empty when equal, else where they first differ.
QString difference(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size())
        return QString("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return QString("pixel (%1,%2) is %3, expected %4")
                    .arg(x)
                    .arg(y)
                    .arg(actual.pixel(x, y), 8, 16)
                    .arg(expected.pixel(x, y), 8, 16);
    return {};
}

#define COMPARE_IMAGE(actual, expected)                    \
    do {                                                   \
        const QString diff = difference(actual, expected); \
        QVERIFY2(diff.isEmpty(), qPrintable(diff));        \
    } while (false)

}  // namespace

class TestDigit : public QObject {
    Q_OBJECT
private slots:
    void newDisplayIsBlank();
    void segmentFigure_data();
    void segmentFigure();
    void colonFollowsTwoDigits();
    void valueShowsLastDigitsAndRedrawsOnlyChangedCells();
    void setNowDrawsIntoTheWindowAtOnce();
    void negativeNumbersShowTheirMagnitude();
    void switchedOffShowsBlankUntilSwitchedOn();
    void geometry_data();
    void geometry();
    void outOfRangeSettersAreIgnored();
    void otherSizesKeepTheFigure();
    // Changes the shared pictures for good, so it runs last.
    void recolouringShowsInEveryDisplay();
};

void TestDigit::newDisplayIsBlank() {
    TDigit display;
    QCOMPARE(display.size(), QSize(153, 27));
    COMPARE_IMAGE(display.render(), expectedDisplay(QByteArray(10, ' '), false));
}

void TestDigit::segmentFigure_data() {
    QTest::addColumn<int>("digit");
    for (int d = 0; d <= 9; ++d)
        QTest::addRow("%d", d) << d;
}

void TestDigit::segmentFigure() {
    QFETCH(int, digit);
    TDigit display;
    display.setDigits(1);
    display.setValue(digit);
    COMPARE_IMAGE(display.render(), expectedDisplay(QByteArray(1, char('0' + digit)), false));
}

void TestDigit::colonFollowsTwoDigits() {
    TDigit display;
    display.setDigits(2);
    display.setSeperator(true);
    display.setValue(59);
    QCOMPARE(display.size(), QSize(36, 27));
    COMPARE_IMAGE(display.render(), expectedDisplay("59", true));
}

void TestDigit::valueShowsLastDigitsAndRedrawsOnlyChangedCells() {
    QWidget window;
    auto* display = new TDigit(&window);
    display->setDigits(2);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    display->setValue(7);
    COMPARE_IMAGE(display->render(), expectedDisplay("07", false));
    display->setValue(123);  // the hundreds digit changes too, but is not shown
    COMPARE_IMAGE(display->render(), expectedDisplay("23", false));
    QCOMPARE(display->lastChangedCells(), quint16(0b11));

    QTRY_COMPARE(display->lastPaintedCells(), quint16(0b11));
    display->setValue(124);
    QCOMPARE(display->lastChangedCells(), quint16(0b10));
    QTRY_COMPARE(display->lastPaintedCells(), quint16(0b10));
    display->setValue(124);
    QCOMPARE(display->lastChangedCells(), quint16(0));
}

// What the window's backing store holds where `display` is.
QImage shownInWindow(TDigit* display) {
    QWidget* top = display->window();
    auto* image = static_cast<QImage*>(top->backingStore()->paintDevice());
    return image->copy(QRect(display->mapTo(top, QPoint(0, 0)), display->size()))
        .convertToFormat(QImage::Format_RGB32);
}

void TestDigit::setNowDrawsIntoTheWindowAtOnce() {
    QWidget window;
    window.resize(200, 60);
    auto* display = new TDigit(&window);
    display->setDigits(2);
    display->move(10, 20);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    display->setValue(45);
    QTRY_COMPARE(display->lastPaintedCells(), quint16(0b11));

    // Straight into the backing store, before the event loop turns; only the changed cell.
    display->setValueNow(47);
    QCOMPARE(display->lastPaintedCells(), quint16(0b10));
    COMPARE_IMAGE(shownInWindow(display), expectedDisplay("47", false));

    // A sibling over the display is not drawn over: the display repaints around it.
    auto* cover = new QWidget(&window);
    cover->setAutoFillBackground(true);
    cover->setPalette(QPalette(Qt::white));
    cover->setGeometry(display->geometry().adjusted(0, 0, -20, 0));
    cover->show();
    cover->raise();
    QTest::qWait(20);
    display->setValueNow(83);
    QCOMPARE(shownInWindow(display).pixel(0, 0), qRgb(255, 255, 255));
    COMPARE_IMAGE(shownInWindow(display).copy(15, 0, 18, 27),
                  expectedDisplay("83", false).copy(15, 0, 18, 27));

    // Hidden, the value is kept and shows with the window.
    delete cover;
    window.hide();
    display->setValueNow(12);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QTRY_VERIFY(difference(shownInWindow(display), expectedDisplay("12", false)).isEmpty());
}

void TestDigit::negativeNumbersShowTheirMagnitude() {
    TDigit display;
    display.setDigits(2);
    display.setValue(-42);
    QCOMPARE(display.value(), -42);
    COMPARE_IMAGE(display.render(), expectedDisplay("42", false));

    display.setDigits(10);
    display.setValue(INT_MIN);
    COMPARE_IMAGE(display.render(), expectedDisplay("2147483648", false));
}

void TestDigit::switchedOffShowsBlankUntilSwitchedOn() {
    TDigit display;
    display.setDigits(2);
    display.setSeperator(true);
    display.setValue(35);
    display.setDisplayOn(false);
    COMPARE_IMAGE(display.render(), expectedDisplay("  ", true));
    display.setValue(9);
    COMPARE_IMAGE(display.render(), expectedDisplay("  ", true));
    display.setDisplayOn(true);
    COMPARE_IMAGE(display.render(), expectedDisplay("09", true));
}

void TestDigit::geometry_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("digits");
    QTest::addColumn<bool>("seperator");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("size 1, 2 digits") << 1 << 2 << false << QSize(11, 9);
    QTest::newRow("size 1, 2 digits, colon") << 1 << 2 << true << QSize(12, 9);
    QTest::newRow("size 5, 10 digits, colon") << 5 << 10 << true << QSize(260, 45);
    QTest::newRow("size 3, 1 digit") << 3 << 1 << false << QSize(18, 27);
}

void TestDigit::geometry() {
    QFETCH(int, size);
    QFETCH(int, digits);
    QFETCH(bool, seperator);
    QFETCH(QSize, expected);
    TDigit display;
    display.setDigitSize(size);
    display.setDigits(digits);
    display.setSeperator(seperator);
    QCOMPARE(display.size(), expected);
    QCOMPARE(display.render().size(), expected);
}

void TestDigit::outOfRangeSettersAreIgnored() {
    TDigit display;
    display.setDigits(4);
    display.setValue(1234);
    const QImage before = display.render();
    for (int digits : {0, 11, -1}) {
        display.setDigits(digits);
        QCOMPARE(display.digits(), 4);
    }
    for (int size : {0, 6}) {
        display.setDigitSize(size);
        QCOMPARE(display.digitSize(), 3);
    }
    QCOMPARE(display.size(), QSize(63, 27));
    COMPARE_IMAGE(display.render(), before);
}

void TestDigit::otherSizesKeepTheFigure() {
    // An 8 lights every segment pixel; the blank figure dots exactly within them.
    for (int size = 1; size <= 5; ++size) {
        TDigit eight, blank;
        for (TDigit* d : {&eight, &blank}) {
            d->setDigitSize(size);
            d->setDigits(1);
        }
        eight.setValue(8);
        const QImage lit = eight.render();
        const QImage dotted = blank.render();
        int litPixels = 0;
        for (int y = 0; y < lit.height(); ++y) {
            for (int x = 0; x < lit.width(); ++x) {
                const QRgb l = lit.pixel(x, y), d = dotted.pixel(x, y);
                QVERIFY(l == kRed || l == kBlack);
                QVERIFY(d == kDarkRed || d == kBlack);
                if (d == kDarkRed)
                    QVERIFY2(l == kRed,
                             qPrintable(QString("size %1 (%2,%3)").arg(size).arg(x).arg(y)));
                if (l == kRed) {
                    ++litPixels;
                    QCOMPARE(d == kDarkRed, (x + y) % 2 == 0);
                }
            }
        }
        QVERIFY(litPixels > 0);
    }
}

void TestDigit::recolouringShowsInEveryDisplay() {
    constexpr QRgb kGreen = 0xff00ff00, kBlue = 0xff0000ff;
    TDigit first, second;
    first.setDigits(2);
    second.setDigits(2);
    second.setValue(88);

    first.setLineColor(QColor::fromRgb(kGreen));
    QImage shown = second.render();
    QCOMPARE(shown.pixel(8, 3), kGreen);       // segment a of the first 8
    QCOMPARE(second.lineColor().rgb(), kRed);  // the other display's property stays

    // Shadow takes the line colour: the two merge and move together from now on.
    TDigit blank;
    blank.setDigits(1);
    first.setShadowColor(QColor::fromRgb(kGreen));
    first.setLineColor(QColor::fromRgb(kBlue));
    QCOMPARE(blank.render().pixel(3, 5), kBlue);   // a dot of segment f
    QCOMPARE(blank.render().pixel(4, 5), kBlack);  // the gap beside it
    shown = second.render();
    QCOMPARE(shown.pixel(8, 3), kBlue);
    QCOMPARE(shown.pixel(0, 0), kBlack);
}

QTEST_MAIN(TestDigit)
#include "tst_digit.moc"
