#pragma once
// TKMVStringGrid: the grid control behind both track lists. It shows the rows of a model
// (GridModel) and turns the user's row moves into the model's commands; without a model it
// keeps the cells in a store of its own, which is how it works standalone. It shows string cells in
// rows and columns with a fixed header row and a fixed handle column, scrolls, moves a
// current cell by keyboard, sizes columns and moves rows by dragging. On top of that it
// keeps a mark byte per row (painted in the highlight colours instead of any selection),
// sorts all data rows by two columns, shuffles them, and pauses painting while it does.
// In-place editing is not part of it.
//
// Coordinates. The grid paints itself and places its own scroll bars (shown when needed)
// at its right and bottom edges; its client area is the rest, starting at the widget's own
// (0, 0). Every position the grid takes or reports (mouseToCell, the mouse signals,
// cellRect, contextMenuRequested) is in these client coordinates, the header strip
// included: with the lists' settings row 0 covers y 0 to 15 (15 pixels and its line) and
// column 0 covers x 0 to 10. update() and repaint() repaint the grid as for any widget.
//
// Cells. Any cell with column and row 0 or more can be written and read, also beyond
// RowCount and ColCount; such cells are kept and show once the counts grow. Lowering the
// row count does not erase cells. Writing never fails (negative indices are ignored).
//
// Marks. Every row below kMaxRows has a mark byte, 0 unmarked, anything else marked. Rows
// beyond RowCount read 0 and ignore writes; rows added by growing RowCount start at 0.
// Sorting and shuffling move marks with their rows; moveRow and row moving by dragging
// move cells only, leaving marks at their row positions.
//
// Capacity. At most kMaxRows rows, row 0 being the header, and kMaxCols columns. Asking
// for more throws SonvoxError (for rows with capacityMessage()) and changes nothing;
// callers that add rows in bulk check against kMaxRows first. Besides that the grid raises
// exactly two errors, as SonvoxError: "Gitterindex außerhalb des zulässigen Bereichs" for a column
// width, row height, current row, exchange or move with an index outside the counts, and "Zu viele
// Zeilen oder Spalten gelöscht" (see GridAxis).
//
// Input. Mouse presses, moves and releases are handled by the grid first (a left press on
// a data cell makes it current and starts selecting, on a header line it starts column
// sizing, in the fixed column row moving) and then reported by the signals below; a
// receiver that takes the mouse over, such as the lists' drag protocol, calls
// cancelMouseMode() to end the grid's own mode without effect. A double click is reported
// as doubleClicked followed by mousePressed for the same event, and starts no mode. The
// mouse stays grabbed by the grid while a button is held, so moves and the release arrive
// here wherever the pointer goes. Key presses go the other way: keyPressed comes first with
// the event unaccepted, and a receiver that accept()s it keeps the grid from acting on it;
// keys the grid does not use stay unaccepted and travel on to the parent window.
//
// Model. setModel() makes the grid a view of a GridModel: the row count, cells and marks
// are the model's, read again whenever it announces a change; cell and mark writes, row
// moves, exchanges, sorts and shuffles go to the model, and setRowCount() is ignored (the
// model decides its rows). A row dragged by its handle is found again by its identity when
// it is dropped, so rows the model removed meanwhile do not make the wrong row move.
// The model must outlive the grid or be taken away first (setModel(nullptr)).
//
// Mouse loss. When the grid loses the mouse while a button is held (it is hidden, loses
// the focus, or its window is deactivated), its own mode ends without effect and
// mouseLost() tells receivers that took the mouse over, so no gesture stays stuck.
//
// Without a model, sorting and shuffling let pending events be handled while they run (in slices of
// a few milliseconds), so the rows may be half sorted when a handler looks at them; no grid of this
// class paints its cells until the operation ends. A handler may even change the row count or
// destroy the grid meanwhile: the operation stays within the rows it started on and stops once the
// grid is gone. GUI thread only.

#include <QBasicTimer>
#include <QFlags>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QWidget>
#include <vector>

#include "GridAxis.h"
#include "TKMVStringGridStrings.h"
#include "core/GridModel.h"
#include "core/GridStore.h"

class QRandomGenerator;
class QScrollBar;

// A cell position; both -1 for a point that lies on no cell.
struct GridCoord {
    int col = -1;
    int row = -1;
    bool operator==(const GridCoord&) const = default;
};

class TKMVStringGrid : public QWidget {
    Q_OBJECT

public:
    enum GridOption : unsigned {
        goFixedVertLine = 1u << 0,      // lines between the cells of the fixed column
        goFixedHorzLine = 1u << 1,      // lines between the cells of the header row
        goVertLine = 1u << 2,           // lines between the other columns
        goHorzLine = 1u << 3,           // lines between the other rows
        goRangeSelect = 1u << 4,        // dragging with the button held selects a range
        goDrawFocusSelected = 1u << 5,  // a marked current cell is painted marked too
        goRowSizing = 1u << 6,          // accepted, no effect: rows are not sized by mouse
        goColSizing = 1u << 7,          // dragging a header line sizes its column
        goRowMoving = 1u << 8,          // dragging in the fixed column moves a row
        goColMoving = 1u << 9,          // accepted, no effect: columns do not move
        goEditing = 1u << 10,           // accepted, no effect: no in-place editing
        goTabs = 1u << 11,              // Tab and Shift+Tab move the current cell
        goRowSelect = 1u << 12,         // whole rows are current; Left/Right scroll
        goAlwaysShowEditor = 1u << 13,  // accepted, no effect
        goThumbTracking = 1u << 14,     // accepted; the grid always follows the thumb
    };
    Q_DECLARE_FLAGS(TGridOptions, GridOption)
    Q_FLAG(TGridOptions)

    enum DrawStateFlag : unsigned {
        gdSelected = 1u << 0,  // the cell's row is marked
        gdFocused = 1u << 1,   // the grid has focus and the cell is the current cell
        gdFixed = 1u << 2,     // header row or fixed column
    };
    Q_DECLARE_FLAGS(GridDrawState, DrawStateFlag)

    // Rows including the header row 0: 30,000 data rows.
    static constexpr int kMaxRows = 30001;
    static constexpr int kMaxDataRows = kMaxRows - 1;
    static constexpr int kMaxCols = 256;
    // The auto-scroll step while a button is held beyond the data area.
    static constexpr int kAutoScrollIntervalMs = 60;

    explicit TKMVStringGrid(QWidget* parent = nullptr);
    ~TKMVStringGrid() override;

    // ---- size and look ----
    int rowCount() const { return rows_.count(); }
    void setRowCount(int count);
    int colCount() const { return cols_.count(); }
    void setColCount(int count);
    int fixedRows() const { return rows_.fixed(); }
    int fixedCols() const { return cols_.fixed(); }
    void setFixedCols(int count);
    int defaultRowHeight() const { return rows_.defaultSize(); }
    void setDefaultRowHeight(int height);
    int defaultColWidth() const { return cols_.defaultSize(); }
    void setDefaultColWidth(int width);
    int colWidth(int col) const { return cols_.size(col); }
    void setColWidth(int col, int width);
    int rowHeight(int row) const { return rows_.size(row); }
    void setRowHeight(int row, int height);
    int gridLineWidth() const { return gridLineWidth_; }
    void setGridLineWidth(int width);
    TGridOptions options() const { return options_; }
    void setOptions(TGridOptions options);
    static QString capacityMessage();

    // ---- cells, objects, row views, marks ----
    // ---- the model shown ----
    void setModel(GridModel* model);
    GridModel* model() const { return model_; }

    QString cell(int col, int row) const;
    // A view into the grid's own store; empty while a model is shown.
    QStringView cellView(int col, int row) const {
        return model_ ? QStringView() : store_.cellView(col, row);
    }
    void setCell(int col, int row, const QString& text);
    QObject* object(int col, int row) const { return store_.object(col, row); }
    void setObject(int col, int row, QObject* object);
    TKMVStringGridStrings rows(int row) {
        return TKMVStringGridStrings(this, TKMVStringGridStrings::Line::Row, row);
    }
    TKMVStringGridStrings cols(int col) {
        return TKMVStringGridStrings(this, TKMVStringGridStrings::Line::Column, col);
    }
    quint8 mark(int row) const;
    void setMark(int row, quint8 mark);

    // ---- current cell, scrolling, hit testing ----
    int row() const { return row_; }
    void setRow(int row);  // scrolls it into view; throws outside 0 ... RowCount - 1
    int col() const { return col_; }
    void setCol(int col);
    int topRow() const { return rows_.first(); }
    void setTopRow(int row);
    int leftCol() const { return cols_.first(); }
    void setLeftCol(int col);
    int visibleRowCount() const;  // scrolled rows wholly in view
    int clientWidth() const;      // the width without the vertical scroll bar
    int clientHeight() const;     // the height without the horizontal scroll bar
    GridCoord mouseToCell(int x, int y) const;
    GridCoord mouseToCell(QPoint pos) const { return mouseToCell(pos.x(), pos.y()); }
    QRect cellRect(int col, int row) const;  // empty when the cell is not in view
    // Ends selecting, row moving or column sizing at once, without moving or sizing.
    void cancelMouseMode();

    // ---- whole-row operations ----
    // Sorts rows 1 ... RowCount - 1 ascending by the two columns' keys (see SortKey.h).
    void sortRows(int primaryCol, int secondaryCol);
    // Exchanges 2 x RowCount + 2 random pairs of distinct data rows; nothing below two data
    // rows. The generator defaults to QRandomGenerator::global().
    void shuffleRows(QRandomGenerator* generator = nullptr);
    // Both take row indices below RowCount and throw otherwise.
    void exchangeRows(int a, int b);  // cells, objects and marks
    void moveRow(int from, int to);   // cells and objects; rows between shift by one
    // True while any grid of the class sorts or shuffles.
    static bool paintPaused();

signals:
    void mousePressed(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);
    void mouseReleased(QMouseEvent* event);
    void doubleClicked(QMouseEvent* event);
    void keyPressed(QKeyEvent* event);
    void contextMenuRequested(const QPoint& pos, const QPoint& globalPos);
    // A row was dragged in the fixed column from one index to another.
    void rowMoved(int from, int to);
    // After a cell was drawn; the painter may draw over it.
    void drawCell(QPainter* painter, int col, int row, const QRect& rect,
                  TKMVStringGrid::GridDrawState state);
    // At every pass of the sort's partition loop.
    void progress();
    void topLeftChanged();
    // The grid lost the mouse while a button was held (hidden, focus or window lost).
    void mouseLost();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    friend class TKMVStringGridStrings;
    class PaintPause;
    // Every grid alive, so that the end of a paint pause can repaint those that skipped.
    static std::vector<TKMVStringGrid*>& instances();
    enum class MouseMode { None, Selecting, RowMoving, ColSizing };

    // Row-view helpers that keep repainting in step with the store.
    void copyRowCells(int from, int to, int limit);
    void clearRowCells(int row, int limit);

    void applyLineWidths();
    void updateScrollBars();
    void setFirstRow(int first);
    void setFirstCol(int first);
    void scrollIntoView(int col, int row);
    void moveCurrent(int col, int row);
    void updateRow(int row);
    void updateCell(int col, int row);
    void paintCell(QPainter& painter, int col, int row, const QRect& rect);
    void paintMouseFeedback(QPainter& painter);

    void startMouseMode(QMouseEvent* event);
    void trackMouse(QPoint pos);
    void finishMouseMode();
    int sizingColumnAt(QPoint pos) const;
    int rowForTracking(int y) const;
    bool navigate(QKeyEvent* event);

    class EventPump;
    bool quickSort(int lo, int hi, std::vector<QString>& keys, EventPump& pump,
                   const QPointer<TKMVStringGrid>& alive);
    void swapRows(int a, int b);
    void releaseMarksBeyondCount();
    void syncWithModel();
    void loseMouse();

    QPointer<GridModel> model_;
    QMetaObject::Connection modelChanged_;
    QMetaObject::Connection modelRowsChanged_;
    GridStore store_{kMaxRows};
    std::vector<quint8> marks_;  // kMaxRows bytes, 0 at and beyond RowCount
    GridAxis cols_;
    GridAxis rows_;
    int gridLineWidth_ = 1;
    bool syncingBars_ = false;
    QScrollBar* verticalBar_;
    QScrollBar* horizontalBar_;
    TGridOptions options_;
    int col_ = 1;
    int row_ = 1;

    MouseMode mouseMode_ = MouseMode::None;
    QPoint mousePos_;
    QBasicTimer autoScroll_;
    int moveFrom_ = -1;
    int moveTo_ = -1;
    quint64 moveId_ = 0;  // the model's identity of the row being moved
    int sizingCol_ = -1;
    int sizingStart_ = 0;
    int sizingPos_ = 0;
    bool paintSkipped_ = false;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TKMVStringGrid::TGridOptions)
Q_DECLARE_OPERATORS_FOR_FLAGS(TKMVStringGrid::GridDrawState)
