// TKMVStringGrid as the track lists use it: cells and marks as the store of the lists,
// hit testing in client coordinates, the two-column sort, the shuffle, the paint pause,
// and the mouse and keyboard handling driven with real events.

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>

#include <QAccessible>
#include "controls/ControlAccessibility.h"
#include "controls/GridAxis.h"
#include "controls/TKMVStringGrid.h"
#include "core/SonvoxError.h"

using Grid = TKMVStringGrid;

namespace {

constexpr int kWidths[8] = {10, 125, 126, 30, 70, 125, 125, 140};

// A grid set up like the playlist (or, with selection = true, like the selection list).
void configure(Grid& grid, bool selection = false) {
    grid.setColCount(8);
    grid.setDefaultRowHeight(15);
    Grid::TGridOptions options = Grid::goFixedVertLine | Grid::goFixedHorzLine | Grid::goVertLine |
                                 Grid::goHorzLine | Grid::goColSizing | Grid::goRowSelect |
                                 Grid::goThumbTracking;
    if (!selection) {
        options |= Grid::goRangeSelect | Grid::goRowMoving;
    }
    grid.setOptions(options);
    for (int c = 0; c < 8; ++c) {
        grid.setColWidth(c, kWidths[c]);
    }
    grid.resize(800, 200);
}

// Data rows 1 ... n with artist "A<i>" and file name "f<i>".
void fill(Grid& grid, int n) {
    grid.setRowCount(n + 1);
    for (int r = 1; r <= n; ++r) {
        grid.setCell(1, r, QStringLiteral("A%1").arg(r));
        grid.setCell(7, r, QStringLiteral("f%1").arg(r));
    }
}

QStringList column(Grid& grid, int col) {
    QStringList out;
    for (int r = 1; r < grid.rowCount(); ++r) {
        out << grid.cell(col, r);
    }
    return out;
}

// The middle of row r's fixed cell, in client coordinates (16 pixels per row).
QPoint handleOf(int row) {
    return QPoint(5, row * 16 + 7);
}

template <typename F>
QString errorOf(F&& f) {
    try {
        f();
    } catch (const SonvoxError& error) {
        return error.message();
    }
    return QString();
}

}  // namespace

class TestStringGrid : public QObject {
    Q_OBJECT

private slots:
    void readsAsATable();
    void cellsBeyondTheCounts();
    void rowCountKeepsAndReleasesMarks();
    void capacityAndErrors();
    void mouseToCell_data();
    void mouseToCell();
    void mouseToCellFollowsScrolling();
    void sortOrdersRowsAndMovesMarks();
    void sortLeavesTinyGridsAlone();
    void shuffleKeepsTheRows();
    void shuffleOfTwoRowsEndsUnchanged();
    void noPaintingWhileSorting();
    void handlersMayChangeTheGridMidSort();
    void marksArePaintedInHighlightColours();
    void rowMovesByDraggingTheFixedCell();
    void takingOverTheMouseCancelsTheGridsMode();
    void columnSizingByHeaderLine();
    void keyboardNavigation();
    void doubleClickAndContextMenuSignals();
    void rowViews();
};

void TestStringGrid::cellsBeyondTheCounts() {
    Grid grid;
    configure(grid);
    grid.setRowCount(3);
    QCOMPARE(grid.fixedRows(), 1);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));

    // One past the last row: stored, not shown.
    grid.setCell(7, 3, QStringLiteral("later"));
    QCOMPARE(grid.cell(7, 3), QStringLiteral("later"));
    QVERIFY(grid.cellRect(7, 3).isEmpty());
    QList<int> drawnRows;
    connect(&grid, &Grid::drawCell, this,
            [&](QPainter*, int, int row, const QRect&, Grid::GridDrawState) { drawnRows << row; });
    grid.repaint();
    QVERIFY(!drawnRows.isEmpty());
    QVERIFY(!drawnRows.contains(3));
    grid.setRowCount(4);
    drawnRows.clear();
    grid.repaint();
    QVERIFY(drawnRows.contains(3));
    QCOMPARE(grid.cell(7, 3), QStringLiteral("later"));

    // Far out in both directions, and shrinking does not erase.
    grid.setCell(2, 1000000, QStringLiteral("far"));
    grid.setCell(100000, 2, QStringLiteral("wide"));
    grid.setCell(-1, 2, QStringLiteral("ignored"));
    QCOMPARE(grid.cell(2, 1000000), QStringLiteral("far"));
    QCOMPARE(grid.cell(100000, 2), QStringLiteral("wide"));
    QCOMPARE(grid.cell(-1, 2), QString());
    QCOMPARE(grid.cell(5, 999), QString());
    grid.setCell(1, 2, QStringLiteral("x"));
    grid.setRowCount(2);
    grid.setRowCount(4);
    QCOMPARE(grid.cell(1, 2), QStringLiteral("x"));
    QCOMPARE(grid.cell(100000, 2), QStringLiteral("wide"));
    grid.setCell(1, 2, QString());
    QCOMPARE(grid.cell(1, 2), QString());
    QCOMPARE(grid.cell(100000, 2), QStringLiteral("wide"));
}

void TestStringGrid::rowCountKeepsAndReleasesMarks() {
    Grid grid;
    grid.setRowCount(3);
    QCOMPARE(grid.fixedRows(), 1);
    grid.setMark(1, 1);
    grid.setMark(2, 7);
    grid.setRowCount(5);
    QCOMPARE(grid.mark(1), quint8(1));
    QCOMPARE(grid.mark(2), quint8(7));
    QCOMPARE(grid.mark(3), quint8(0));
    QCOMPARE(grid.mark(4), quint8(0));

    grid.setMark(3, 1);
    grid.setMark(4, 1);
    grid.setRowCount(3);
    QCOMPARE(grid.fixedRows(), 1);
    QCOMPARE(grid.mark(3), quint8(0));  // beyond the count
    grid.setMark(4, 1);                 // ignored there
    grid.setRowCount(5);
    QCOMPARE(grid.mark(3), quint8(0));
    QCOMPARE(grid.mark(4), quint8(0));
    QCOMPARE(grid.mark(2), quint8(7));

    grid.setRowCount(0);
    QCOMPARE(grid.rowCount(), 1);
    QCOMPARE(grid.fixedRows(), 0);
    QCOMPARE(grid.mark(-1), quint8(0));
}

void TestStringGrid::capacityAndErrors() {
    Grid grid;
    grid.setRowCount(Grid::kMaxRows);
    grid.setMark(Grid::kMaxRows - 1, 1);
    QCOMPARE(grid.mark(Grid::kMaxRows - 1), quint8(1));
    QCOMPARE(errorOf([&] { grid.setRowCount(Grid::kMaxRows + 1); }), Grid::capacityMessage());
    QCOMPARE(grid.rowCount(), Grid::kMaxRows);
    grid.setMark(Grid::kMaxRows, 1);  // no storage there: ignored
    QCOMPARE(grid.mark(Grid::kMaxRows), quint8(0));
    QVERIFY(!errorOf([&] { grid.setColCount(Grid::kMaxCols + 1); }).isEmpty());

    const QString outOfRange = QStringLiteral("Gitterindex außerhalb des zulässigen Bereichs");
    grid.setRowCount(3);
    QCOMPARE(grid.fixedRows(), 1);
    QCOMPARE(errorOf([&] { grid.setColWidth(grid.colCount(), 10); }), outOfRange);
    QCOMPARE(errorOf([&] { grid.setRowHeight(3, 10); }), outOfRange);
    QCOMPARE(errorOf([&] { grid.setRow(3); }), outOfRange);
    QCOMPARE(errorOf([&] { grid.moveRow(1, 3); }), outOfRange);
    QCOMPARE(grid.colWidth(99), grid.defaultColWidth());  // reading never fails

    GridAxis axis(5, 1, 20);
    QCOMPARE(errorOf([&] { axis.setCount(-1); }),
             QStringLiteral("Zu viele Zeilen oder Spalten gelöscht"));
}

void TestStringGrid::mouseToCell_data() {
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<int>("col");
    QTest::addColumn<int>("row");
    // Header row: 15 pixels and its line; fixed column: 10 pixels and its line.
    QTest::newRow("header top left") << QPoint(0, 0) << 0 << 0;
    QTest::newRow("header line") << QPoint(10, 15) << 0 << 0;
    QTest::newRow("first data cell") << QPoint(11, 16) << 1 << 1;
    QTest::newRow("fixed column of row 1") << QPoint(5, 31) << 0 << 1;
    QTest::newRow("row 2") << QPoint(200, 32) << 2 << 2;
    QTest::newRow("last row") << QPoint(750, 63) << 7 << 3;
    QTest::newRow("below the last row") << QPoint(20, 64) << -1 << -1;
    QTest::newRow("beside the last column") << QPoint(759, 20) << -1 << -1;
    QTest::newRow("left of the client area") << QPoint(-1, 20) << -1 << -1;
    QTest::newRow("above the client area") << QPoint(20, -1) << -1 << -1;
}

void TestStringGrid::mouseToCell() {
    QFETCH(QPoint, point);
    QFETCH(int, col);
    QFETCH(int, row);
    Grid grid;
    configure(grid);
    grid.setRowCount(4);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QCOMPARE(grid.mouseToCell(point), (GridCoord{col, row}));
}

void TestStringGrid::mouseToCellFollowsScrolling() {
    Grid grid;
    configure(grid);
    fill(grid, 100);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.setTopRow(10);
    QCOMPARE(grid.topRow(), 10);
    QCOMPARE(grid.mouseToCell(20, 5), (GridCoord{1, 0}));  // the header stays
    QCOMPARE(grid.mouseToCell(20, 16), (GridCoord{1, 10}));
    QCOMPARE(grid.cellRect(1, 10).top(), 16);
    QVERIFY(grid.cellRect(1, 9).isEmpty());
}

void TestStringGrid::sortOrdersRowsAndMovesMarks() {
    Grid grid;
    grid.setColCount(8);
    struct Row {
        const char* artist;
        const char* year;
    };
    const Row rows[] = {
        {"Beta", "1998"}, {"Zeta", "1975"}, {"Omega", ""}, {"Alpha", "1998"}, {"alpha0", ""}};
    grid.setRowCount(6);
    grid.setCell(1, 0, QStringLiteral("Artist"));
    for (int i = 0; i < 5; ++i) {
        grid.setCell(1, i + 1, QString::fromUtf8(rows[i].artist));
        grid.setCell(3, i + 1, QString::fromUtf8(rows[i].year));
        grid.setCell(7, i + 1, QStringLiteral("f%1").arg(i + 1));
    }
    grid.setMark(2, 1);  // Zeta
    grid.setCell(1, 6, QStringLiteral("beyond"));

    grid.sortRows(3, 1);  // "Year", then "Artist"
    QCOMPARE(column(grid, 1), (QStringList{"alpha0", "Omega", "Zeta", "Alpha", "Beta"}));
    QCOMPARE(column(grid, 7), (QStringList{"f5", "f3", "f2", "f4", "f1"}));
    for (int r = 1; r <= 5; ++r) {
        QCOMPARE(grid.mark(r) != 0, grid.cell(1, r) == QStringLiteral("Zeta"));
    }
    QCOMPARE(grid.cell(1, 0), QStringLiteral("Artist"));
    QCOMPARE(grid.cell(1, 6), QStringLiteral("beyond"));

    // Artist then title: a prefix first, case ignored, the title deciding a tie.
    const char* const artists[] = {"ABD", "abc", "AB", "ABC"};
    const char* const titles[] = {"x", "b", "y", "a"};
    grid.setRowCount(5);
    for (int i = 0; i < 4; ++i) {
        grid.setCell(1, i + 1, QString::fromUtf8(artists[i]));
        grid.setCell(2, i + 1, QString::fromUtf8(titles[i]));
    }
    grid.sortRows(1, 2);
    QCOMPARE(column(grid, 1), (QStringList{"AB", "ABC", "abc", "ABD"}));
}

void TestStringGrid::sortLeavesTinyGridsAlone() {
    Grid grid;
    grid.setRowCount(2);  // one empty data row
    grid.setCell(1, 2, QStringLiteral("beyond"));
    grid.sortRows(1, 2);
    grid.shuffleRows();
    QCOMPARE(grid.cell(1, 1), QString());
    QCOMPARE(grid.cell(1, 2), QStringLiteral("beyond"));
    grid.setRowCount(1);
    grid.sortRows(1, 2);
    QCOMPARE(grid.cell(1, 2), QStringLiteral("beyond"));
}

void TestStringGrid::shuffleKeepsTheRows() {
    Grid grid;
    grid.setColCount(8);
    fill(grid, 20);
    grid.setCell(1, 0, QStringLiteral("Artist"));
    grid.setCell(1, 21, QStringLiteral("beyond"));
    for (int r = 1; r <= 20; r += 3) {
        grid.setMark(r, 1);
    }
    QStringList before;
    for (int r = 1; r <= 20; ++r) {
        before << grid.cell(7, r) + QString::number(grid.mark(r));
    }
    QRandomGenerator random(42);
    grid.shuffleRows(&random);
    QStringList after;
    for (int r = 1; r <= 20; ++r) {
        QCOMPARE(grid.cell(1, r).mid(1), grid.cell(7, r).mid(1));  // rows stay whole
        after << grid.cell(7, r) + QString::number(grid.mark(r));
    }
    QVERIFY(after != before);
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    QCOMPARE(after, before);
    QCOMPARE(grid.cell(1, 0), QStringLiteral("Artist"));
    QCOMPARE(grid.cell(1, 21), QStringLiteral("beyond"));
}

// A shuffle is 2 x row count + 2 exchanges of distinct rows: ten for three data rows, an
// even number, so every result is a rotation, and some seeds do move the rows; eight for
// two rows, which therefore end as they were.
void TestStringGrid::shuffleOfTwoRowsEndsUnchanged() {
    Grid grid;
    grid.setColCount(8);
    fill(grid, 3);
    grid.setMark(1, 1);
    const QList<QStringList> rotations = {
        {"f1", "f2", "f3"}, {"f2", "f3", "f1"}, {"f3", "f1", "f2"}};
    bool moved = false;
    for (quint32 seed = 1; seed <= 20; ++seed) {
        QRandomGenerator random(seed);
        grid.shuffleRows(&random);
        QVERIFY2(rotations.contains(column(grid, 7)), qPrintable(column(grid, 7).join(' ')));
        for (int r = 1; r <= 3; ++r) {
            QCOMPARE(grid.mark(r) != 0, grid.cell(7, r) == QStringLiteral("f1"));
        }
        moved = moved || column(grid, 7) != rotations.first();
    }
    QVERIFY(moved);

    grid.setRowCount(1);
    fill(grid, 2);
    grid.setMark(2, 1);
    for (quint32 seed = 1; seed <= 5; ++seed) {
        QRandomGenerator random(seed);
        grid.shuffleRows(&random);
        QCOMPARE(column(grid, 7), (QStringList{"f1", "f2"}));
        QCOMPARE(grid.mark(2), quint8(1));
    }
}

void TestStringGrid::noPaintingWhileSorting() {
    Grid grid;
    Grid other;
    configure(grid);
    configure(other);
    fill(grid, 300);
    fill(other, 300);
    grid.show();
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QVERIFY(QTest::qWaitForWindowExposed(&other));

    int drawn = 0;
    const auto count = [&](QPainter*, int, int, const QRect&, Grid::GridDrawState) { ++drawn; };
    connect(&grid, &Grid::drawCell, this, count);
    connect(&other, &Grid::drawCell, this, count);
    int passes = 0;
    bool stillPausedAfterNested = true;
    connect(&grid, &Grid::progress, this, [&] {
        ++passes;
        grid.repaint();
        other.repaint();
        if (passes == 10) {
            other.sortRows(7, 1);  // a nested sort must not end the pause early
            stillPausedAfterNested = Grid::paintPaused();
            other.repaint();
        }
    });
    grid.sortRows(7, 1);
    QVERIFY(passes > 10);
    QVERIFY(stillPausedAfterNested);
    QCOMPARE(drawn, 0);
    QVERIFY(!Grid::paintPaused());
    grid.repaint();
    QVERIFY(drawn > 0);
}

void TestStringGrid::handlersMayChangeTheGridMidSort() {
    // Events are let through while a sort runs; a handler that shrinks the list or closes
    // the window must not make the sort touch freed storage.
    Grid grid;
    grid.setColCount(8);
    fill(grid, 2000);
    for (int r = 1; r <= 2000; r += 2) {
        grid.setMark(r, 1);
    }
    int passes = 0;
    connect(&grid, &Grid::progress, this, [&] {
        if (++passes == 5) {
            grid.setRowCount(2);
        }
    });
    grid.sortRows(7, 1);
    QCOMPARE(grid.rowCount(), 2);
    grid.setRowCount(2001);
    for (int r = 2; r <= 2000; ++r) {
        QCOMPARE(grid.mark(r), quint8(0));
    }

    auto* doomed = new Grid;
    fill(*doomed, 2000);
    connect(doomed, &Grid::progress, this, [&] { delete doomed; });
    doomed->sortRows(7, 1);
    QVERIFY(!Grid::paintPaused());
}

void TestStringGrid::marksArePaintedInHighlightColours() {
    for (const bool selection : {false, true}) {
        Grid grid;
        configure(grid, selection);
        QPalette palette = grid.palette();
        palette.setColor(QPalette::Base, Qt::white);
        palette.setColor(QPalette::Highlight, QColor(0, 0, 128));
        grid.setPalette(palette);
        fill(grid, 5);
        grid.setMark(3, 1);
        grid.setMark(4, 1);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.setFocus();
        grid.setRow(2);  // current, unmarked: not highlighted
        grid.setRow(4);  // current and marked: highlighted (whole rows are current)
        grid.setRow(2);
        const QImage image = grid.grab().toImage();
        const auto at = [&](int row) { return image.pixelColor(600, row * 16 + 12); };
        QCOMPARE(at(2), QColor(Qt::white));
        QCOMPARE(at(3), QColor(0, 0, 128));
        QCOMPARE(at(4), QColor(0, 0, 128));
        QCOMPARE(at(5), QColor(Qt::white));
    }
}

void TestStringGrid::rowMovesByDraggingTheFixedCell() {
    Grid grid;
    configure(grid);
    fill(grid, 5);
    grid.setMark(2, 1);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QSignalSpy moved(&grid, &Grid::rowMoved);
    QWidget* client = &grid;
    QTest::mousePress(client, Qt::LeftButton, {}, handleOf(2));
    QTest::mouseMove(client, handleOf(3));
    QTest::mouseMove(client, handleOf(4));
    QTest::mouseRelease(client, Qt::LeftButton, {}, handleOf(4));
    QCOMPARE(column(grid, 7), (QStringList{"f1", "f3", "f4", "f2", "f5"}));
    QCOMPARE(moved.count(), 1);
    QCOMPARE(moved.at(0), (QVariantList{2, 4}));
    QCOMPARE(grid.mark(2), quint8(1));  // marks stay at their positions
    QCOMPARE(grid.mark(4), quint8(0));

    // Upwards, released above the rows: to the first data row.
    QTest::mousePress(client, Qt::LeftButton, {}, handleOf(5));
    QTest::mouseMove(client, QPoint(5, 3));
    QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(5, 3));
    QCOMPARE(column(grid, 7), (QStringList{"f5", "f1", "f3", "f4", "f2"}));

    // The selection list has no row moving.
    Grid selection;
    configure(selection, true);
    fill(selection, 5);
    selection.show();
    QVERIFY(QTest::qWaitForWindowExposed(&selection));
    QTest::mousePress(&selection, Qt::LeftButton, {}, handleOf(2));
    QTest::mouseMove(&selection, handleOf(4));
    QTest::mouseRelease(&selection, Qt::LeftButton, {}, handleOf(4));
    QCOMPARE(column(selection, 7), (QStringList{"f1", "f2", "f3", "f4", "f5"}));
}

void TestStringGrid::takingOverTheMouseCancelsTheGridsMode() {
    Grid grid;
    configure(grid);
    fill(grid, 5);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    // The grid handles a press before reporting it: the pressed row is already current.
    QList<int> currentAtPress;
    auto watch = connect(&grid, &Grid::mousePressed, this,
                         [&](QMouseEvent*) { currentAtPress << grid.row(); });
    QTest::mouseClick(&grid, Qt::LeftButton, {}, QPoint(100, 3 * 16 + 5));
    QCOMPARE(currentAtPress, QList<int>{3});
    disconnect(watch);

    // A receiver that starts its own drag ends the grid's row moving.
    QList<GridCoord> presses;
    QList<QPoint> moves;
    connect(&grid, &Grid::mousePressed, this, [&](QMouseEvent* event) {
        presses << grid.mouseToCell(event->position().toPoint());
        grid.cancelMouseMode();
    });
    connect(&grid, &Grid::mouseMoved, this,
            [&](QMouseEvent* event) { moves << event->position().toPoint(); });
    QTest::mousePress(&grid, Qt::LeftButton, {}, handleOf(2));
    QTest::mouseMove(&grid, QPoint(5, 500));  // far below: the grab keeps reporting
    QTest::mouseRelease(&grid, Qt::LeftButton, {}, handleOf(4));
    QCOMPARE(presses, (QList<GridCoord>{{0, 2}}));
    QVERIFY(moves.contains(QPoint(5, 500)));
    QCOMPARE(column(grid, 7), (QStringList{"f1", "f2", "f3", "f4", "f5"}));
}

void TestStringGrid::columnSizingByHeaderLine() {
    Grid grid;
    configure(grid);
    fill(grid, 3);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QWidget* client = &grid;
    const int line = 11 + 125;  // the line after column 1
    QTest::mousePress(client, Qt::LeftButton, {}, QPoint(line, 5));
    QTest::mouseMove(client, QPoint(line + 50, 5));
    QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(line + 50, 5));
    QCOMPARE(grid.colWidth(1), 175);

    // Narrower than 2 pixels is not applied.
    QTest::mousePress(client, Qt::LeftButton, {}, QPoint(11 + 175, 5));
    QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(12, 5));
    QCOMPARE(grid.colWidth(1), 175);
    QTest::mousePress(client, Qt::LeftButton, {}, QPoint(11 + 175, 5));
    QTest::mouseRelease(client, Qt::LeftButton, {}, QPoint(13, 5));
    QCOMPARE(grid.colWidth(1), 2);
}

void TestStringGrid::keyboardNavigation() {
    Grid grid;
    configure(grid, true);
    fill(grid, 100);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    grid.setFocus();
    const int page = grid.visibleRowCount();
    QVERIFY(page > 3 && page < 20);

    QTest::keyClick(&grid, Qt::Key_Up);
    QCOMPARE(grid.row(), 1);
    QTest::keyClick(&grid, Qt::Key_Down);
    QCOMPARE(grid.row(), 2);
    QTest::keyClick(&grid, Qt::Key_PageDown);
    QCOMPARE(grid.row(), 2 + page);
    QVERIFY(!grid.cellRect(1, grid.row()).isEmpty());
    QTest::keyClick(&grid, Qt::Key_End);
    QCOMPARE(grid.row(), 100);
    QVERIFY(!grid.cellRect(1, 100).isEmpty());
    QCOMPARE(grid.topRow(), 100 - page + 1);
    QTest::keyClick(&grid, Qt::Key_Home);
    QCOMPARE(grid.row(), 1);
    QCOMPARE(grid.topRow(), 1);

    // Keys the grid does not use are offered and passed on.
    QSignalSpy keys(&grid, &Grid::keyPressed);
    QTest::keyClick(&grid, Qt::Key_Insert);
    QCOMPARE(keys.count(), 1);

    // Cell by cell without row selection; Tab only with goTabs.
    grid.setOptions(grid.options() & ~Grid::TGridOptions(Grid::goRowSelect));
    QTest::keyClick(&grid, Qt::Key_Right);
    QCOMPARE(grid.col(), 2);
    QTest::keyClick(&grid, Qt::Key_End);
    QCOMPARE(grid.col(), 7);
    grid.setOptions(grid.options() | Grid::goTabs);
    QTest::keyClick(&grid, Qt::Key_Tab);
    QCOMPARE(grid.col(), 1);
    QCOMPARE(grid.row(), 2);
    QTest::keyClick(&grid, Qt::Key_Backtab);
    QCOMPARE(grid.col(), 7);
    QCOMPARE(grid.row(), 1);
}

void TestStringGrid::doubleClickAndContextMenuSignals() {
    Grid grid;
    configure(grid, true);
    fill(grid, 5);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    QStringList order;
    connect(&grid, &Grid::doubleClicked, this, [&](QMouseEvent*) { order << "double"; });
    connect(&grid, &Grid::mousePressed, this, [&](QMouseEvent*) { order << "press"; });
    QTest::mouseDClick(&grid, Qt::LeftButton, {}, QPoint(100, 3 * 16 + 5));
    QCOMPARE(order.mid(order.indexOf("double")), (QStringList{"double", "press"}));

    QSignalSpy menu(&grid, &Grid::contextMenuRequested);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(40, 50),
                            grid.mapToGlobal(QPoint(40, 50)));
    QCoreApplication::sendEvent(&grid, &event);
    QCOMPARE(menu.count(), 1);
    QCOMPARE(menu.at(0).at(0).toPoint(), QPoint(40, 50));
}

void TestStringGrid::rowViews() {
    Grid grid;
    grid.setColCount(8);
    fill(grid, 3);
    grid.setMark(1, 1);
    QObject tag;
    grid.setObject(4, 1, &tag);

    // Assigning one row to another copies cells and objects, not the mark.
    grid.rows(3).assign(grid.rows(1));
    QCOMPARE(grid.rows(3).toStringList(), grid.rows(1).toStringList());
    QCOMPARE(grid.object(4, 3), &tag);
    QCOMPARE(grid.mark(3), quint8(0));

    // A shorter list replaces only its own entries.
    grid.rows(2).assign(QStringList{"", "New"});
    QCOMPARE(grid.cell(1, 2), QStringLiteral("New"));
    QCOMPARE(grid.cell(7, 2), QStringLiteral("f2"));

    // add fills the first empty entry; clear empties the whole row.
    TKMVStringGridStrings row = grid.rows(2);
    QCOMPARE(row.add(QStringLiteral("first")), 0);
    QCOMPARE(row.add(QStringLiteral("second")), 2);
    for (int i = 0; i < 4; ++i) {
        row.add(QStringLiteral("more"));
    }
    QCOMPARE(row.add(QStringLiteral("full")), -1);
    grid.setCell(9, 2, QStringLiteral("outside"));
    row.clear();
    QCOMPARE(row.toStringList(), QStringList(8, QString()));
    QCOMPARE(grid.cell(9, 2), QStringLiteral("outside"));  // beyond the view's count

    QCOMPARE(grid.cols(7).count(), grid.rowCount());
    QCOMPARE(grid.cols(7).at(1), QStringLiteral("f1"));
}

// An assistive tool sees the data rows as a table with the fixed row as its headers.
void TestStringGrid::readsAsATable() {
    installControlAccessibility();
    Grid grid;
    grid.setColCount(2);
    grid.setRowCount(3);
    QCOMPARE(grid.fixedRows(), 1);
    grid.setCell(0, 0, "Artist");
    grid.setCell(1, 0, "Title");
    grid.setCell(0, 2, "Mira Holm");
    grid.setCell(1, 2, "Paper Lanterns");
    grid.show();
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(&grid);
    QCOMPARE(face->role(), QAccessible::Table);
    QAccessibleTableInterface* table = face->tableInterface();
    QVERIFY(table);
    QCOMPARE(table->rowCount(), 2);
    QCOMPARE(table->columnCount(), 2);
    QCOMPARE(table->columnDescription(1), "Title");
    QAccessibleInterface* cell = table->cellAt(1, 1);
    QVERIFY(cell);
    QCOMPARE(cell->role(), QAccessible::Cell);
    QCOMPARE(cell->text(QAccessible::Name), "Paper Lanterns");
    QCOMPARE(cell->tableCellInterface()->rowIndex(), 1);
    QCOMPARE(face->indexOfChild(cell), 3);
    QCOMPARE(table->cellAt(1, 1), cell);  // one interface per cell
    QVERIFY(!table->cellAt(2, 0));
}

QTEST_MAIN(TestStringGrid)
#include "tst_stringgrid.moc"
