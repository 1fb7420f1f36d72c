// Whole-row operations of TKMVStringGrid: exchanging and moving rows, the two-column sort,
// the shuffle, and the class-wide paint pause that both hold while they run.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocale>
#include <QRandomGenerator>
#include <algorithm>

#include "TKMVStringGrid.h"
#include "core/SonvoxError.h"
#include "core/SortKey.h"

namespace {

// How often a sort or shuffle lets pending events through.
constexpr int kEventSliceMs = 10;

int paintPauseDepth = 0;

}  // namespace

std::vector<TKMVStringGrid*>& TKMVStringGrid::instances() {
    static std::vector<TKMVStringGrid*> grids;
    return grids;
}

bool TKMVStringGrid::paintPaused() {
    return paintPauseDepth > 0;
}

// Holds the class-wide paint pause for one sort or shuffle. Nested pauses (a handler that
// sorts another grid meanwhile) count, so painting resumes only when the last one ends;
// then every grid that skipped a paint is repainted.
class TKMVStringGrid::PaintPause {
public:
    PaintPause() { ++paintPauseDepth; }
    ~PaintPause() {
        if (--paintPauseDepth > 0) {
            return;
        }
        for (TKMVStringGrid* grid : instances()) {
            if (grid->paintSkipped_) {
                grid->paintSkipped_ = false;
                grid->update();
            }
        }
    }
    PaintPause(const PaintPause&) = delete;
    PaintPause& operator=(const PaintPause&) = delete;
};

// Lets pending events be handled at most once per slice, so that a pass-by-pass call does
// not dominate the sort while input, timers and the decoder's notifications still flow.
class TKMVStringGrid::EventPump {
public:
    EventPump() { clock_.start(); }
    void run() {
        if (clock_.elapsed() >= kEventSliceMs) {
            QCoreApplication::processEvents();
            clock_.restart();
        }
    }

private:
    QElapsedTimer clock_;
};

void TKMVStringGrid::exchangeRows(int a, int b) {
    if (a < 0 || b < 0 || a >= rowCount() || b >= rowCount()) {
        throw SonvoxError(GridError::indexOutOfRange());
    }
    if (model_) {
        model_->exchangeRows(a, b);
        return;
    }
    swapRows(a, b);
    updateRow(a);
    updateRow(b);
}

void TKMVStringGrid::moveRow(int from, int to) {
    if (from < 0 || to < 0 || from >= rowCount() || to >= rowCount()) {
        throw SonvoxError(GridError::indexOutOfRange());
    }
    if (model_) {
        model_->moveRow(from, to);
        return;
    }
    store_.moveRow(from, to);
    update();
}

void TKMVStringGrid::swapRows(int a, int b) {
    store_.exchangeRows(a, b);
    std::swap(marks_[size_t(a)], marks_[size_t(b)]);
}

void TKMVStringGrid::releaseMarksBeyondCount() {
    std::fill(marks_.begin() + rowCount(), marks_.end(), quint8(0));
}

void TKMVStringGrid::sortRows(int primaryCol, int secondaryCol) {
    if (model_) {
        model_->sortRows(primaryCol, secondaryCol);
        return;
    }
    const int last = rowCount() - 1;
    if (last < 2) {
        return;  // one data row or none: nothing to order
    }
    PaintPause pause;
    const QPointer<TKMVStringGrid> alive(this);
    // Keys are built once per sort instead of at every comparison; they travel with their
    // rows through the exchanges.
    std::vector<QString> keys(size_t(last) + 1);
    const QLocale locale;
    for (int r = 1; r <= last; ++r) {
        keys[size_t(r)] = SortKey::make(cellView(primaryCol, r), cellView(secondaryCol, r), locale);
    }
    EventPump pump;
    if (quickSort(1, last, keys, pump, alive)) {
        releaseMarksBeyondCount();
        update();
    }
}

// The partition scheme is the classic one with the middle row's key as pivot, so equal
// keys split evenly and the sort is not stable. The smaller part is sorted first by
// recursion and the larger one by the loop, which bounds the stack depth by log2(rows).
// Returns false when the grid was destroyed by a handler while events were let through.
bool TKMVStringGrid::quickSort(int lo, int hi, std::vector<QString>& keys, EventPump& pump,
                               const QPointer<TKMVStringGrid>& alive) {
    while (lo < hi) {
        const QString pivot = keys[size_t((lo + hi) / 2)];
        int i = lo;
        int j = hi;
        do {
            pump.run();
            if (!alive) {
                return false;
            }
            emit progress();
            if (!alive) {
                return false;
            }
            while (SortKey::compare(keys[size_t(i)], pivot) < 0) {
                ++i;
            }
            while (SortKey::compare(keys[size_t(j)], pivot) > 0) {
                --j;
            }
            if (i <= j) {
                swapRows(i, j);
                std::swap(keys[size_t(i)], keys[size_t(j)]);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - lo < hi - i) {
            if (lo < j && !quickSort(lo, j, keys, pump, alive)) {
                return false;
            }
            lo = i;
        } else {
            if (i < hi && !quickSort(i, hi, keys, pump, alive)) {
                return false;
            }
            hi = j;
        }
    }
    return true;
}

void TKMVStringGrid::shuffleRows(QRandomGenerator* generator) {
    if (model_) {
        model_->shuffleRows(generator);
        return;
    }
    if (rowCount() < 3) {
        return;  // fewer than two data rows
    }
    QRandomGenerator& random = generator ? *generator : *QRandomGenerator::global();
    PaintPause pause;
    const QPointer<TKMVStringGrid> alive(this);
    const int dataRows = rowCount() - 1;
    const int exchanges = 2 * rowCount() + 2;
    EventPump pump;
    for (int n = 0; n < exchanges; ++n) {
        pump.run();
        if (!alive) {
            return;
        }
        const int a = 1 + int(random.bounded(dataRows));
        int b = a;
        while (b == a) {
            b = 1 + int(random.bounded(dataRows));
        }
        swapRows(a, b);
    }
    releaseMarksBeyondCount();
    update();
}
