#include "GridAccessible.h"

#include <QPointer>

#include "TKMVStringGrid.h"

namespace {

class GridCell : public QAccessibleInterface, public QAccessibleTableCellInterface {
public:
    GridCell(TKMVStringGrid* grid, int row, int column) : grid_(grid), row_(row), column_(column) {}

    bool isValid() const override { return !grid_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return grid_ ? grid_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(grid_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text t) const override {
        if (!grid_ || (t != QAccessible::Name && t != QAccessible::Value)) {
            return {};
        }
        return grid_->cell(column_, row_ + grid_->fixedRows());
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!grid_) {
            return {};
        }
        const QRect local = grid_->cellRect(column_, row_ + grid_->fixedRows());
        return local.isEmpty() ? QRect() : QRect(grid_->mapToGlobal(local.topLeft()), local.size());
    }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override {
        QAccessible::State s;
        s.readOnly = true;
        s.invisible = rect().isEmpty();
        return s;
    }
    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::TableCellInterface
                   ? static_cast<QAccessibleTableCellInterface*>(this)
                   : nullptr;
    }

    // QAccessibleTableCellInterface
    bool isSelected() const override { return false; }
    QList<QAccessibleInterface*> columnHeaderCells() const override { return {}; }
    QList<QAccessibleInterface*> rowHeaderCells() const override { return {}; }
    int columnIndex() const override { return column_; }
    int rowIndex() const override { return row_; }
    int columnExtent() const override { return 1; }
    int rowExtent() const override { return 1; }
    QAccessibleInterface* table() const override { return parent(); }

private:
    QPointer<TKMVStringGrid> grid_;
    int row_;
    int column_;
};

}  // namespace

GridAccessible::GridAccessible(TKMVStringGrid* grid)
    : QAccessibleWidget(grid, QAccessible::Table) {}

GridAccessible::~GridAccessible() {
    for (QAccessible::Id id : std::as_const(cells_)) {
        QAccessible::deleteAccessibleInterface(id);
    }
}

TKMVStringGrid* GridAccessible::grid() const {
    return static_cast<TKMVStringGrid*>(widget());
}

void* GridAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TableInterface) {
        return static_cast<QAccessibleTableInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

int GridAccessible::rowCount() const {
    return qMax(0, grid()->rowCount() - grid()->fixedRows());
}

int GridAccessible::columnCount() const {
    return grid()->colCount();
}

QString GridAccessible::columnDescription(int column) const {
    return grid()->fixedRows() > 0 ? grid()->cell(column, 0) : QString();
}

int GridAccessible::childCount() const {
    return rowCount() * columnCount();
}

QAccessibleInterface* GridAccessible::child(int index) const {
    const int columns = columnCount();
    return columns > 0 && index >= 0 ? cellAt(index / columns, index % columns) : nullptr;
}

int GridAccessible::indexOfChild(const QAccessibleInterface* child) const {
    auto* cell = const_cast<QAccessibleInterface*>(child)->tableCellInterface();
    return cell ? cell->rowIndex() * columnCount() + cell->columnIndex() : -1;
}

QAccessibleInterface* GridAccessible::cellAt(int row, int column) const {
    if (row < 0 || column < 0 || row >= rowCount() || column >= columnCount()) {
        return nullptr;
    }
    const qint64 key = qint64(row) * 4096 + column;
    auto it = cells_.constFind(key);
    if (it == cells_.cend()) {
        auto* cell = new GridCell(grid(), row, column);
        it = cells_.insert(key, QAccessible::registerAccessibleInterface(cell));
    }
    return QAccessible::accessibleInterface(*it);
}
