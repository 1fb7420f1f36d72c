#pragma once
// TKMVStringGridStrings: one row (or one column) of a TKMVStringGrid seen as a list of
// strings, the way the track lists copy and clear whole rows. A view is a small value that
// names its grid and line; it holds no cells itself and reads and writes through the grid,
// so every change shows in the grid at once. It must not outlive its grid.
//
// A row view has ColCount entries, a column view RowCount. Cells outside the counts are
// never touched by a view; marks are never touched at all (assigning one row's view to
// another copies cells and objects, not the mark).

#include <QObject>
#include <QString>
#include <QStringList>

class TKMVStringGrid;

class TKMVStringGridStrings {
public:
    enum class Line { Row, Column };

    TKMVStringGridStrings(TKMVStringGrid* grid, Line line, int index)
        : grid_(grid), line_(line), index_(index) {}

    int count() const;
    QString at(int i) const;
    void put(int i, const QString& text);
    QObject* object(int i) const;
    void putObject(int i, QObject* object);

    // Empties every cell (and object) of the line's count entries.
    void clear();
    // Puts text into the first empty entry and returns its index, or -1 when none is empty.
    int add(const QString& text);
    // Copies the cells and objects of the first min(source count, count) entries; the
    // entries after them keep what they hold.
    void assign(const TKMVStringGridStrings& source);
    void assign(const QStringList& source);

    QStringList toStringList() const;
    int index() const { return index_; }
    Line line() const { return line_; }

private:
    int col(int i) const { return line_ == Line::Row ? i : index_; }
    int row(int i) const { return line_ == Line::Row ? index_ : i; }

    TKMVStringGrid* grid_;
    Line line_;
    int index_;
};
