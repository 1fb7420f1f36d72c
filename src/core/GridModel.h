#pragma once
// What the list grid shows when it is given a model: rows of string cells with a header row
// 0, a mark byte per row, and the whole-row operations the grid's own input and commands
// reach (moving a row by its handle, sorting, shuffling). The track lists' model implements
// it; the grid keeps its own cell store for when it has none.
//
// Changes are announced after they are made: rowsChanged for cells or marks of rows that
// stay where they are, layoutChanged whenever rows were added, removed or reordered. A view
// reads what it needs again on either; it caches nothing.
//
// Row identity. rowId() names the track that sits in a row, whatever rows are added or
// removed around it, so that a gesture that began on a row (a row drag) can find that row
// again after the model changed meanwhile; rowOfId() gives its current index or -1.
//
// GUI thread only.

#include <QObject>
#include <QString>

class QRandomGenerator;

class GridModel : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    // Rows including the header row 0.
    virtual int rowCount() const = 0;
    virtual QString cell(int col, int row) const = 0;
    virtual void setCell(int col, int row, const QString& text) = 0;
    virtual quint8 mark(int row) const = 0;
    virtual void setMark(int row, quint8 mark) = 0;

    virtual quint64 rowId(int row) const = 0;
    virtual int rowOfId(quint64 id) const = 0;

    // The row at from goes to index to, the rows between shifting by one; marks stay at
    // their row positions.
    virtual void moveRow(int from, int to) = 0;
    // Exchanges two data rows with their marks.
    virtual void exchangeRows(int a, int b) = 0;
    // Sorts the data rows ascending by two columns (SortKey); marks travel with their rows.
    virtual void sortRows(int primaryCol, int secondaryCol) = 0;
    // Exchanges 2 x rowCount() + 2 random pairs of distinct data rows.
    virtual void shuffleRows(QRandomGenerator* generator) = 0;

signals:
    void rowsChanged(int first, int last);
    void layoutChanged();
};
