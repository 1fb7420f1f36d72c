// Mouse and keyboard handling of TKMVStringGrid: selecting with auto-scroll, sizing a
// column on a header line, moving a row by its fixed cell, and moving the current cell with
// the keys. Mouse events reach the signals after the grid has handled them, key presses
// before (see the header).

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <climits>

#include "TKMVStringGrid.h"

namespace {

// How far from a header line a press still grabs it for sizing.
constexpr int kSizingSlopPx = 2;

}  // namespace

bool TKMVStringGrid::event(QEvent* event) {
    // With goTabs, Tab moves the current cell instead of the focus.
    if (event->type() == QEvent::KeyPress && options_.testFlag(goTabs)) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
        if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
            keyPressEvent(key);
            return true;
        }
    }
    return QWidget::event(event);
}

// ---- mouse ----

void TKMVStringGrid::mousePressEvent(QMouseEvent* event) {
    if (mouseMode_ == MouseMode::None) {
        startMouseMode(event);
    }
    emit mousePressed(event);
    event->accept();
}

void TKMVStringGrid::mouseMoveEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (mouseMode_ != MouseMode::None) {
        trackMouse(pos);
    } else if (options_.testFlag(goColSizing) && sizingColumnAt(pos) >= 0) {
        setCursor(Qt::SplitHCursor);
    } else {
        unsetCursor();
    }
    emit mouseMoved(event);
    event->accept();
}

void TKMVStringGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && mouseMode_ != MouseMode::None) {
        trackMouse(event->position().toPoint());
        finishMouseMode();
    }
    emit mouseReleased(event);
    event->accept();
}

void TKMVStringGrid::mouseDoubleClickEvent(QMouseEvent* event) {
    // The double click first, then the press it also is; that press starts no mode.
    emit doubleClicked(event);
    emit mousePressed(event);
    event->accept();
}

void TKMVStringGrid::cancelMouseMode() {
    autoScroll_.stop();
    if (mouseMode_ != MouseMode::None) {
        mouseMode_ = MouseMode::None;
        update();
    }
}

void TKMVStringGrid::contextMenuEvent(QContextMenuEvent* event) {
    emit contextMenuRequested(event->pos(), event->globalPos());
    event->accept();
}

void TKMVStringGrid::startMouseMode(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const QPoint pos = event->position().toPoint();
    mousePos_ = pos;
    if (options_.testFlag(goColSizing)) {
        const int col = sizingColumnAt(pos);
        if (col >= 0) {
            mouseMode_ = MouseMode::ColSizing;
            sizingCol_ = col;
            sizingStart_ = cols_.start(col, INT_MAX);
            sizingPos_ = pos.x();
            update();
            return;
        }
    }
    const GridCoord hit = mouseToCell(pos);
    if (hit.col < 0 || hit.row < fixedRows()) {
        return;
    }
    if (hit.col < fixedCols()) {
        if (options_.testFlag(goRowMoving)) {
            mouseMode_ = MouseMode::RowMoving;
            moveFrom_ = hit.row;
            moveTo_ = hit.row;
            moveId_ = model_ ? model_->rowId(hit.row) : 0;
            autoScroll_.start(kAutoScrollIntervalMs, this);
            update();
        }
        return;
    }
    mouseMode_ = MouseMode::Selecting;
    // Shift with range selection extends from the current cell, which stays where it is;
    // the range itself is not shown, marks take its place.
    if (!(event->modifiers().testFlag(Qt::ShiftModifier) && options_.testFlag(goRangeSelect))) {
        moveCurrent(hit.col, hit.row);
    }
    autoScroll_.start(kAutoScrollIntervalMs, this);
}

void TKMVStringGrid::trackMouse(QPoint pos) {
    mousePos_ = pos;
    switch (mouseMode_) {
        case MouseMode::None:
            break;
        case MouseMode::ColSizing:
            sizingPos_ = pos.x();
            update();
            break;
        case MouseMode::RowMoving: {
            const int row = rowForTracking(pos.y());
            if (row != moveTo_) {
                moveTo_ = row;
                update();
            }
            break;
        }
        case MouseMode::Selecting:
            if (!options_.testFlag(goRangeSelect)) {
                const int col = cols_.cellAt(pos.x());
                moveCurrent(col >= fixedCols() ? col : col_, rowForTracking(pos.y()));
            }
            break;
    }
}

void TKMVStringGrid::finishMouseMode() {
    autoScroll_.stop();
    const MouseMode mode = mouseMode_;
    mouseMode_ = MouseMode::None;
    update();
    if (mode == MouseMode::RowMoving) {
        // The pressed row may have moved meanwhile (the player took rows above it); it is
        // the row that moves, wherever it is now, or nothing when it is gone.
        const int from = model_ ? model_->rowOfId(moveId_) : moveFrom_;
        if (from < 0) {
            return;
        }
        const int to = moveTo_;
        if (from != to && from < rowCount() && to < rowCount()) {
            moveRow(from, to);
            // The current row follows the rows that moved.
            if (row_ == from) {
                row_ = to;
            } else if (from < to && row_ > from && row_ <= to) {
                --row_;
            } else if (to < from && row_ >= to && row_ < from) {
                ++row_;
            }
            emit rowMoved(from, to);
        }
    } else if (mode == MouseMode::ColSizing) {
        const int width = sizingPos_ - sizingStart_;
        if (width >= 2 && sizingCol_ < colCount()) {
            setColWidth(sizingCol_, width);
        }
    }
}

int TKMVStringGrid::sizingColumnAt(QPoint pos) const {
    if (pos.y() < 0 || pos.y() >= rows_.fixedExtent()) {
        return -1;
    }
    const int width = clientWidth();
    for (int col = 0; col < colCount(); ++col) {
        const int start = cols_.start(col, width);
        if (start < 0) {
            if (col >= fixedCols() && col >= cols_.first()) {
                break;
            }
            continue;
        }
        const int line = start + cols_.size(col);
        if (pos.x() >= line - kSizingSlopPx && pos.x() <= line + kSizingSlopPx) {
            return col;
        }
    }
    return -1;
}

// The data row a dragging pointer stands for: the row under it, the first visible row
// above the data area, the last row at or below the end of the rows.
int TKMVStringGrid::rowForTracking(int y) const {
    const int height = clientHeight();
    int row;
    if (y < rows_.fixedExtent()) {
        row = rows_.first();
    } else {
        row = y < height ? rows_.cellAt(y) : -1;
        if (row < 0) {
            row = y < height ? rowCount() - 1 : rows_.lastVisible(height);
        }
    }
    return std::clamp(row, fixedRows(), rowCount() - 1);
}

void TKMVStringGrid::timerEvent(QTimerEvent* event) {
    if (event->timerId() != autoScroll_.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    if (mousePos_.y() < rows_.fixedExtent()) {
        setFirstRow(rows_.first() - 1);
    } else if (mousePos_.y() >= clientHeight()) {
        setFirstRow(rows_.first() + 1);
    }
    if (mouseMode_ == MouseMode::Selecting) {
        if (mousePos_.x() < cols_.fixedExtent()) {
            setFirstCol(cols_.first() - 1);
        } else if (mousePos_.x() >= clientWidth()) {
            setFirstCol(cols_.first() + 1);
        }
    }
    trackMouse(mousePos_);
}

// ---- keyboard ----

void TKMVStringGrid::keyPressEvent(QKeyEvent* event) {
    event->ignore();
    emit keyPressed(event);
    if (event->isAccepted()) {
        return;
    }
    // Keys the grid does not use stay unaccepted and go on to the window.
    if (navigate(event)) {
        event->accept();
    }
}

bool TKMVStringGrid::navigate(QKeyEvent* event) {
    const bool ctrl = event->modifiers().testFlag(Qt::ControlModifier);
    const bool rowSelect = options_.testFlag(goRowSelect);
    const int page = visibleRowCount();
    int col = col_;
    int row = row_;
    switch (event->key()) {
        case Qt::Key_Up:
            --row;
            break;
        case Qt::Key_Down:
            ++row;
            break;
        case Qt::Key_Left:
            if (rowSelect) {
                setFirstCol(cols_.first() - 1);
                return true;
            }
            --col;
            break;
        case Qt::Key_Right:
            if (rowSelect) {
                setFirstCol(cols_.first() + 1);
                return true;
            }
            ++col;
            break;
        case Qt::Key_PageUp:
            setFirstRow(rows_.first() - page);
            row -= page;
            break;
        case Qt::Key_PageDown:
            setFirstRow(rows_.first() + page);
            row += page;
            break;
        case Qt::Key_Home:
            if (ctrl || rowSelect) {
                row = fixedRows();
            } else {
                col = fixedCols();
            }
            break;
        case Qt::Key_End:
            if (ctrl || rowSelect) {
                row = rowCount() - 1;
            } else {
                col = colCount() - 1;
            }
            break;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            if (!options_.testFlag(goTabs)) {
                return false;
            }
            if (event->key() == Qt::Key_Tab) {
                if (++col >= colCount()) {
                    col = row < rowCount() - 1 ? fixedCols() : colCount() - 1;
                    row = std::min(row + 1, rowCount() - 1);
                }
            } else if (--col < fixedCols()) {
                col = row > fixedRows() ? colCount() - 1 : fixedCols();
                row = std::max(row - 1, fixedRows());
            }
            break;
        default:
            return false;
    }
    moveCurrent(col, row);
    return true;
}

void TKMVStringGrid::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    updateRow(row_);
}

void TKMVStringGrid::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    updateRow(row_);
    if (event->reason() != Qt::PopupFocusReason) {
        loseMouse();
    }
}

void TKMVStringGrid::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    loseMouse();
}

// A release that will never come: the grid's own mode ends without effect, and whoever took
// the mouse over hears of it.
void TKMVStringGrid::loseMouse() {
    cancelMouseMode();
    emit mouseLost();
}
