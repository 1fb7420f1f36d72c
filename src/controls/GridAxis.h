#pragma once
// One axis of the list grid, its columns or its rows: how many cells there are, how many of
// them are fixed, their sizes, the grid lines after them and the cell at which the scrolled
// part starts. It turns positions along the axis into cell indices and back. Windowless.
//
// Geometry. The fixed cells come first, then the scrolled cells from first() on; the cells
// between the fixed ones and first() are scrolled out of view. Every cell is followed by
// its grid line, fixedLineWidth() wide after a fixed cell and lineWidth() after the others;
// a position on a line belongs to the cell before it. Positions are in pixels from the
// start of the grid's client area.
//
// Size table. Sizes are kept per cell only once one of them differs from the default;
// setting the default drops the table. Its two errors are the grid's two errors, both
// thrown as SonvoxError: an index outside the cells ("Gitterindex außerhalb des zulässigen
// Bereichs") and removing more cells than there are ("Zu viele Zeilen oder Spalten
// gelöscht").

#include <QString>
#include <vector>

namespace GridError {
inline QString indexOutOfRange() {
    return QStringLiteral("Gitterindex außerhalb des zulässigen Bereichs");
}
inline QString tooManyDeleted() {
    return QStringLiteral("Zu viele Zeilen oder Spalten gelöscht");
}
}  // namespace GridError

class GridAxis {
public:
    GridAxis(int count, int fixed, int defaultSize);

    int count() const { return count_; }
    // Adds or removes cells at the end (a negative count removes more than there are and
    // throws). When the count is not above the fixed cells, the fixed cells drop to
    // count - 1; first() stays inside the new bounds.
    void setCount(int count);

    int fixed() const { return fixed_; }
    void setFixed(int fixed);  // clamped to 0 ... count - 1

    int defaultSize() const { return defaultSize_; }
    void setDefaultSize(int size);
    int size(int index) const;          // the default outside the cells
    void setSize(int index, int size);  // throws for an index outside the cells

    int lineWidth() const { return lineWidth_; }
    int fixedLineWidth() const { return fixedLineWidth_; }
    void setLineWidths(int fixedLine, int line);

    int first() const { return first_; }
    void setFirst(int first);  // clamped to fixed ... count - 1

    // ---- positions ----
    int fixedExtent() const;  // the fixed cells with their lines
    // The cell at pos, or -1 before the grid, beyond the last cell or on no visible cell.
    int cellAt(int pos) const;
    // Where a visible cell starts, or -1 when it is scrolled out or starts at or past limit.
    int start(int index, int limit) const;
    // The last scrolled cell that is at least partly visible in extent, or first() - 1.
    int lastVisible(int extent) const;
    // How many scrolled cells from first() fit wholly into extent (at least 1).
    int fullyVisible(int extent) const;
    // The smallest first() from which every cell up to last fits wholly into extent (last
    // itself when not even it fits); with the last cell, the end of the scroll range.
    int firstShowing(int last, int extent) const;
    int maxFirst(int extent) const { return firstShowing(count_ - 1, extent); }

private:
    int span(int index) const;  // size plus line

    int count_;
    int fixed_;
    int defaultSize_;
    int lineWidth_ = 1;
    int fixedLineWidth_ = 1;
    int first_;
    std::vector<int> sizes_;  // empty while every cell has the default size
};
