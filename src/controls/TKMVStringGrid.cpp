#include "TKMVStringGrid.h"

#include <QCoreApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>
#include <algorithm>

#include "core/SonvoxError.h"

TKMVStringGrid::TKMVStringGrid(QWidget* parent)
    : QWidget(parent),
      marks_(size_t(kMaxRows), 0),
      cols_(5, 1, 64),
      rows_(5, 1, 24),
      options_(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect) {
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    verticalBar_ = new QScrollBar(Qt::Vertical, this);
    horizontalBar_ = new QScrollBar(Qt::Horizontal, this);
    for (QScrollBar* bar : {verticalBar_, horizontalBar_}) {
        bar->setFocusPolicy(Qt::NoFocus);
        bar->setSingleStep(1);
        bar->hide();
    }
    connect(verticalBar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (!syncingBars_) {
            setFirstRow(fixedRows() + value);
        }
    });
    connect(horizontalBar_, &QScrollBar::valueChanged, this, [this](int value) {
        if (!syncingBars_) {
            setFirstCol(fixedCols() + value);
        }
    });
    applyLineWidths();
    instances().push_back(this);
    updateScrollBars();
}

TKMVStringGrid::~TKMVStringGrid() {
    std::erase(instances(), this);
}

QString TKMVStringGrid::capacityMessage() {
    return QStringLiteral("Zu viele Zeilen: eine Liste fasst höchstens %1 Titel.")
        .arg(kMaxDataRows);
}

// ---- size and look ----

void TKMVStringGrid::setRowCount(int count) {
    if (model_) {
        return;  // the model decides its rows
    }
    if (count > kMaxRows) {
        throw SonvoxError(capacityMessage());
    }
    count = std::max(count, 1);
    const int old = rowCount();
    if (count == old) {
        return;
    }
    // Marks of dropped rows are released; rows added later start unmarked.
    std::fill(marks_.begin() + std::min(count, old), marks_.begin() + old, quint8(0));
    rows_.setCount(count);
    row_ = std::clamp(row_, fixedRows(), rowCount() - 1);
    updateScrollBars();
    update();
}

void TKMVStringGrid::setColCount(int count) {
    if (count > kMaxCols) {
        throw SonvoxError(
            QStringLiteral("Zu viele Spalten: ein Gitter hat höchstens %1 Spalten.").arg(kMaxCols));
    }
    count = std::max(count, 1);
    if (count == colCount()) {
        return;
    }
    cols_.setCount(count);
    col_ = std::clamp(col_, fixedCols(), colCount() - 1);
    updateScrollBars();
    update();
}

void TKMVStringGrid::setFixedCols(int count) {
    cols_.setFixed(count);
    col_ = std::clamp(col_, fixedCols(), colCount() - 1);
    updateScrollBars();
    update();
}

void TKMVStringGrid::setDefaultRowHeight(int height) {
    rows_.setDefaultSize(height);
    updateScrollBars();
    update();
}

void TKMVStringGrid::setDefaultColWidth(int width) {
    cols_.setDefaultSize(width);
    updateScrollBars();
    update();
}

void TKMVStringGrid::setColWidth(int col, int width) {
    cols_.setSize(col, width);
    updateScrollBars();
    update();
}

void TKMVStringGrid::setRowHeight(int row, int height) {
    rows_.setSize(row, height);
    updateScrollBars();
    update();
}

void TKMVStringGrid::setGridLineWidth(int width) {
    gridLineWidth_ = std::max(width, 0);
    applyLineWidths();
}

void TKMVStringGrid::setOptions(TGridOptions options) {
    options_ = options;
    applyLineWidths();
}

void TKMVStringGrid::applyLineWidths() {
    const auto width = [this](GridOption option) {
        return options_.testFlag(option) ? gridLineWidth_ : 0;
    };
    cols_.setLineWidths(width(goFixedVertLine), width(goVertLine));
    rows_.setLineWidths(width(goFixedHorzLine), width(goHorzLine));
    updateScrollBars();
    update();
}

// ---- cells and marks ----

// ---- the model shown ----

void TKMVStringGrid::setModel(GridModel* model) {
    if (model_ == model) {
        return;
    }
    disconnect(modelChanged_);
    disconnect(modelRowsChanged_);
    cancelMouseMode();
    model_ = model;
    if (model_) {
        modelChanged_ =
            connect(model_, &GridModel::layoutChanged, this, &TKMVStringGrid::syncWithModel);
        modelRowsChanged_ =
            connect(model_, &GridModel::rowsChanged, this, [this](int, int) { update(); });
    }
    syncWithModel();
}

// The row count follows the model; the current row and the scroll position stay inside it.
void TKMVStringGrid::syncWithModel() {
    if (model_ && model_->rowCount() != rowCount()) {
        rows_.setCount(std::clamp(model_->rowCount(), 1, kMaxRows));
        row_ = std::clamp(row_, fixedRows(), rowCount() - 1);
        updateScrollBars();
    }
    update();
}

QString TKMVStringGrid::cell(int col, int row) const {
    return model_ ? model_->cell(col, row) : store_.cell(col, row);
}

// ---- cells and marks ----

void TKMVStringGrid::setCell(int col, int row, const QString& text) {
    if (model_) {
        model_->setCell(col, row, text);
        return;
    }
    store_.setCell(col, row, text);
    updateCell(col, row);
}

void TKMVStringGrid::setObject(int col, int row, QObject* object) {
    store_.setObject(col, row, object);
}

void TKMVStringGrid::copyRowCells(int from, int to, int limit) {
    if (model_) {
        for (int col = 0; col < limit; ++col) {
            model_->setCell(col, to, model_->cell(col, from));
        }
        return;
    }
    store_.copyRow(from, to, limit);
    updateRow(to);
}

void TKMVStringGrid::clearRowCells(int row, int limit) {
    if (model_) {
        for (int col = 0; col < limit; ++col) {
            model_->setCell(col, row, QString());
        }
        return;
    }
    store_.clearRow(row, limit);
    updateRow(row);
}

quint8 TKMVStringGrid::mark(int row) const {
    if (model_) {
        return model_->mark(row);
    }
    return row >= 0 && row < rowCount() ? marks_[size_t(row)] : 0;
}

void TKMVStringGrid::setMark(int row, quint8 mark) {
    if (model_) {
        model_->setMark(row, mark);
        return;
    }
    if (row < 0 || row >= rowCount() || marks_[size_t(row)] == mark) {
        return;
    }
    marks_[size_t(row)] = mark;
    updateRow(row);
}

// ---- current cell and scrolling ----

void TKMVStringGrid::setRow(int row) {
    if (row < 0 || row >= rowCount()) {
        throw SonvoxError(GridError::indexOutOfRange());
    }
    moveCurrent(col_, row);
}

void TKMVStringGrid::setCol(int col) {
    if (col < 0 || col >= colCount()) {
        throw SonvoxError(GridError::indexOutOfRange());
    }
    moveCurrent(col, row_);
}

void TKMVStringGrid::setTopRow(int row) {
    setFirstRow(row);
}

void TKMVStringGrid::setLeftCol(int col) {
    setFirstCol(col);
}

int TKMVStringGrid::visibleRowCount() const {
    return rows_.fullyVisible(clientHeight());
}

int TKMVStringGrid::clientWidth() const {
    return width() - (verticalBar_->isVisibleTo(this) ? verticalBar_->width() : 0);
}

int TKMVStringGrid::clientHeight() const {
    return height() - (horizontalBar_->isVisibleTo(this) ? horizontalBar_->height() : 0);
}

// Shows each scroll bar when its cells do not fit (a bar taking room can make the other
// one needed) and sets its range to the scrolled cells: value 0 is the first scrolled cell
// at the top or left, the maximum the position that shows the last cell wholly.
void TKMVStringGrid::updateScrollBars() {
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    int width = this->width();
    int height = this->height();
    bool vertical = false;
    bool horizontal = false;
    for (int pass = 0; pass < 2; ++pass) {
        vertical = rows_.maxFirst(height) > fixedRows();
        width = this->width() - (vertical ? extent : 0);
        horizontal = cols_.maxFirst(width) > fixedCols();
        height = this->height() - (horizontal ? extent : 0);
    }
    verticalBar_->setGeometry(width, 0, extent, height);
    horizontalBar_->setGeometry(0, height, width, extent);
    verticalBar_->setVisible(vertical);
    horizontalBar_->setVisible(horizontal);

    rows_.setFirst(std::min(rows_.first(), rows_.maxFirst(height)));
    cols_.setFirst(std::min(cols_.first(), cols_.maxFirst(width)));
    syncingBars_ = true;
    verticalBar_->setRange(0, rows_.maxFirst(height) - fixedRows());
    verticalBar_->setPageStep(rows_.fullyVisible(height));
    verticalBar_->setValue(rows_.first() - fixedRows());
    horizontalBar_->setRange(0, cols_.maxFirst(width) - fixedCols());
    horizontalBar_->setPageStep(cols_.fullyVisible(width));
    horizontalBar_->setValue(cols_.first() - fixedCols());
    syncingBars_ = false;
}

void TKMVStringGrid::setFirstRow(int first) {
    first = std::clamp(first, fixedRows(), std::max(rows_.maxFirst(clientHeight()), fixedRows()));
    if (first == rows_.first()) {
        return;
    }
    rows_.setFirst(first);
    updateScrollBars();
    update();
    emit topLeftChanged();
}

void TKMVStringGrid::setFirstCol(int first) {
    first = std::clamp(first, fixedCols(), std::max(cols_.maxFirst(clientWidth()), fixedCols()));
    if (first == cols_.first()) {
        return;
    }
    cols_.setFirst(first);
    updateScrollBars();
    update();
    emit topLeftChanged();
}

void TKMVStringGrid::scrollIntoView(int col, int row) {
    const int height = clientHeight();
    if (row >= fixedRows()) {
        if (row < rows_.first()) {
            setFirstRow(row);
        } else if (row > rows_.first() + rows_.fullyVisible(height) - 1) {
            setFirstRow(rows_.firstShowing(row, height));
        }
    }
    const int width = clientWidth();
    if (col >= fixedCols() && !options_.testFlag(goRowSelect)) {
        if (col < cols_.first()) {
            setFirstCol(col);
        } else if (col > cols_.first() + cols_.fullyVisible(width) - 1) {
            setFirstCol(cols_.firstShowing(col, width));
        }
    }
}

void TKMVStringGrid::moveCurrent(int col, int row) {
    col = std::clamp(col, fixedCols(), colCount() - 1);
    row = std::clamp(row, fixedRows(), rowCount() - 1);
    if (col != col_ || row != row_) {
        updateRow(row_);
        col_ = col;
        row_ = row;
        updateRow(row_);
    }
    scrollIntoView(col_, row_);
}

GridCoord TKMVStringGrid::mouseToCell(int x, int y) const {
    if (x >= clientWidth() || y >= clientHeight()) {
        return {};
    }
    // A point beside the cells in either direction lies on no cell at all.
    const int col = cols_.cellAt(x);
    const int row = rows_.cellAt(y);
    if (col < 0 || row < 0) {
        return {};
    }
    return {col, row};
}

QRect TKMVStringGrid::cellRect(int col, int row) const {
    const int x = cols_.start(col, clientWidth());
    const int y = rows_.start(row, clientHeight());
    if (x < 0 || y < 0) {
        return {};
    }
    return QRect(x, y, cols_.size(col), rows_.size(row));
}

void TKMVStringGrid::updateRow(int row) {
    const int y = rows_.start(row, clientHeight());
    if (y >= 0) {
        update(0, y, clientWidth(), rows_.size(row) + rows_.lineWidth());
    }
}

void TKMVStringGrid::updateCell(int col, int row) {
    const QRect rect = cellRect(col, row);
    if (!rect.isEmpty()) {
        update(rect);
    }
}

// ---- painting ----

void TKMVStringGrid::paintEvent(QPaintEvent* event) {
    if (paintPaused()) {
        // The grid paints opaquely, so what it showed before stays on screen.
        paintSkipped_ = true;
        return;
    }
    QPainter painter(this);
    const QRect clip = event->rect();
    painter.fillRect(clip, palette().color(QPalette::Base));
    if (verticalBar_->isVisible() && horizontalBar_->isVisible()) {
        painter.fillRect(QRect(clientWidth(), clientHeight(), width() - clientWidth(),
                               height() - clientHeight()),
                         palette().color(QPalette::Window));
    }
    painter.setClipRect(QRect(0, 0, clientWidth(), clientHeight()), Qt::IntersectClip);
    const int width = clientWidth();
    const int height = clientHeight();

    struct Band {
        int index;
        int pos;
        int size;
        int line;
    };
    const auto bands = [](const GridAxis& axis, int extent) {
        std::vector<Band> out;
        int pos = 0;
        for (int i = 0; i < axis.fixed() && pos < extent; ++i) {
            out.push_back({i, pos, axis.size(i), axis.fixedLineWidth()});
            pos += axis.size(i) + axis.fixedLineWidth();
        }
        for (int i = axis.first(); i < axis.count() && pos < extent; ++i) {
            out.push_back({i, pos, axis.size(i), axis.lineWidth()});
            pos += axis.size(i) + axis.lineWidth();
        }
        return out;
    };
    const std::vector<Band> columns = bands(cols_, width);
    const std::vector<Band> rows = bands(rows_, height);
    const QColor fixedLine = palette().color(QPalette::Dark);
    const QColor line = palette().color(QPalette::Mid);

    painter.setFont(font());
    for (const Band& r : rows) {
        if (r.pos > clip.bottom() || r.pos + r.size + r.line <= clip.top()) {
            continue;
        }
        for (const Band& c : columns) {
            if (c.pos > clip.right() || c.pos + c.size + c.line <= clip.left()) {
                continue;
            }
            paintCell(painter, c.index, r.index, QRect(c.pos, r.pos, c.size, r.size));
            const bool fixed = r.index < fixedRows() || c.index < fixedCols();
            const QColor& colour = fixed ? fixedLine : line;
            if (c.line > 0) {
                painter.fillRect(QRect(c.pos + c.size, r.pos, c.line, r.size + r.line), colour);
            }
            if (r.line > 0) {
                painter.fillRect(QRect(c.pos, r.pos + r.size, c.size, r.line), colour);
            }
        }
    }
    paintMouseFeedback(painter);
}

void TKMVStringGrid::paintCell(QPainter& painter, int col, int row, const QRect& rect) {
    GridDrawState state;
    const bool fixed = row < fixedRows() || col < fixedCols();
    if (fixed) {
        state |= gdFixed;
    } else {
        if (mark(row) != 0) {
            state |= gdSelected;
        }
        if (hasFocus() && col == col_ && row == row_) {
            state |= gdFocused;
        }
    }
    const bool highlighted =
        state.testFlag(gdSelected) &&
        (!state.testFlag(gdFocused) || (options_ & (goRowSelect | goDrawFocusSelected)));
    const QPalette& colours = palette();
    QColor background = colours.color(fixed ? QPalette::Button : QPalette::Base);
    QColor text = colours.color(fixed ? QPalette::ButtonText : QPalette::Text);
    if (highlighted) {
        background = colours.color(QPalette::Highlight);
        text = colours.color(QPalette::HighlightedText);
    }
    painter.fillRect(rect, background);
    const QString cell = this->cell(col, row);
    if (!cell.isEmpty()) {
        painter.setPen(text);
        painter.drawText(rect.adjusted(2, 2, 0, 0),
                         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, cell);
    }
    emit drawCell(&painter, col, row, rect, state);
    if (fixed && rect.width() > 1 && rect.height() > 1) {
        painter.setPen(colours.color(QPalette::Light));
        painter.drawLine(rect.topLeft(), rect.topRight());
        painter.drawLine(rect.topLeft(), rect.bottomLeft());
        painter.setPen(colours.color(QPalette::Mid));
        painter.drawLine(rect.bottomLeft(), rect.bottomRight());
        painter.drawLine(rect.topRight(), rect.bottomRight());
    }
    if (state.testFlag(gdFocused) && !options_.testFlag(goRowSelect) &&
        !(options_.testFlag(goEditing) && options_.testFlag(goAlwaysShowEditor))) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = rect;
        option.backgroundColor = background;
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void TKMVStringGrid::paintMouseFeedback(QPainter& painter) {
    const QColor colour = palette().color(QPalette::Highlight);
    if (mouseMode_ == MouseMode::RowMoving && moveTo_ != moveFrom_) {
        int y = rows_.start(moveTo_, clientHeight());
        if (y >= 0) {
            if (moveTo_ > moveFrom_) {
                y += rows_.size(moveTo_);
            }
            painter.fillRect(QRect(0, y - 1, clientWidth(), 2), colour);
        }
    } else if (mouseMode_ == MouseMode::ColSizing) {
        painter.fillRect(QRect(sizingPos_ - 1, 0, 2, clientHeight()), colour);
    }
}

void TKMVStringGrid::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    updateScrollBars();
}

void TKMVStringGrid::wheelEvent(QWheelEvent* event) {
    QScrollBar* bar = event->angleDelta().y() != 0 ? verticalBar_ : horizontalBar_;
    QCoreApplication::sendEvent(bar, event);
}

void TKMVStringGrid::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::StyleChange) {
        updateScrollBars();
    }
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) {
        loseMouse();
    }
}
