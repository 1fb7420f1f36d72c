// Marking and dragging: presses on the two lists, the drag of marked selection rows onto
// the playlist or the player panel, double clicks, and the context menus.
//
// A drag follows the mouse through the selection grid, which keeps the mouse grabbed while
// a button is held, so every move and the release arrive there whatever lies under the
// pointer. The widget under the pointer decides where the drag is over (targetAt):
//
//   press on a selection row  -> AuswahlgridStartDrag, then the first drag-over at once
//   move                      -> drag-over of the target under the pointer (cursor shows
//                                whether it accepts)
//   release                   -> drop on the target when it accepts, then the end of the
//                                drag wherever it is

#include <QApplication>
#include <QMenu>
#include <QMouseEvent>
#include <QScopeGuard>

#include "TrackGrid.h"
#include "TrackLists.h"

namespace {

// Above and below these distances from the playlist's top and bottom edge a marking press
// moves the current row, which scrolls the playlist by one row.
constexpr int kScrollUpBelowPx = 10;
constexpr int kScrollDownWithinPx = 5;

}  // namespace

void TrackLists::connectGrids() {
    connect(PlaylistGrid, &TKMVStringGrid::mousePressed, this, &TrackLists::PlaylistGridMouseDown);
    connect(Auswahlgrid, &TKMVStringGrid::mousePressed, this, &TrackLists::AuswahlgridMouseDown);
    connect(Auswahlgrid, &TKMVStringGrid::mouseMoved, this, &TrackLists::selectionMouseMoved);
    connect(Auswahlgrid, &TKMVStringGrid::mouseReleased, this, &TrackLists::selectionMouseReleased);
    connect(Auswahlgrid, &TKMVStringGrid::doubleClicked, this, &TrackLists::AuswahlgridDblClick);
    // A release that never comes (the grid hidden, the focus or the window gone) ends the
    // drag without a drop.
    connect(Auswahlgrid, &TKMVStringGrid::mouseLost, this, &TrackLists::AuswahlgridEndDrag);
    // The menus open without a modal loop of their own, so a long command that lets events
    // through is not held up by an open menu; their entries are refused while one runs.
    connect(PlaylistGrid, &TKMVStringGrid::contextMenuRequested, this,
            [this](const QPoint&, const QPoint& globalPos) { PopupMenu3->popup(globalPos); });
    connect(Auswahlgrid, &TKMVStringGrid::contextMenuRequested, this,
            [this](const QPoint&, const QPoint& globalPos) { PopupMenu1->popup(globalPos); });
}

// ---- Marking --------------------------------------------------------------------------

// Toggles the mark of the row under pos (ListCommands::toggleMark); false when there is no
// track there.
bool TrackLists::toggleMark(TrackGrid& grid, QPoint pos, Qt::KeyboardModifiers modifiers) {
    togglePending_ = false;
    const int r = grid.mouseToCell(pos).row;
    return r >= 1 && commands_.toggleMark(grid.list(), r, modifiers.testFlag(Qt::ShiftModifier),
                                          modifiers.testFlag(Qt::ControlModifier));
}

void TrackLists::markplay(QPoint pos, Qt::KeyboardModifiers modifiers) {
    if (!toggleMark(*PlaylistGrid, pos, modifiers)) {
        return;
    }
    const int current = PlaylistGrid->row();
    if (pos.y() < kScrollUpBelowPx && current > 1) {
        PlaylistGrid->setRow(current - 1);
    }
    if (pos.y() > PlaylistGrid->clientHeight() - kScrollDownWithinPx &&
        current < PlaylistGrid->lastRow()) {
        PlaylistGrid->setRow(current + 1);
    }
}

void TrackLists::setInfoFileName(const TrackGrid& grid, QPoint pos) {
    if (pos.y() > TrackGrid::kHeaderStripPx) {
        const int r = grid.mouseToCell(pos).row;
        if (grid.holdsTrack(r)) {
            InfoFileName = grid.fileName(r);
        }
    }
}

// ---- Presses ----------------------------------------------------------------------------

void TrackLists::PlaylistGridMouseDown(QMouseEvent* event) {
    if (busy()) {
        // No marking and no row moving while a command works on the lists.
        PlaylistGrid->cancelMouseMode();
        return;
    }
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        setInfoFileName(*PlaylistGrid, pos);
    }
    if (TrackGrid::onRowArea(pos) && !selectionDrag_) {
        markplay(pos, event->modifiers());
    }
}

void TrackLists::AuswahlgridMouseDown(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (event->button() == Qt::RightButton) {
        setInfoFileName(*Auswahlgrid, pos);
        return;
    }
    if (busy() || selectionDrag_ || !TrackGrid::onRowArea(pos)) {
        return;
    }
    // The drag takes the mouse over from the grid's own selecting.
    Auswahlgrid->cancelMouseMode();
    AuswahlgridStartDrag(event->button());
    // The first drag-over comes at once, at the press point.
    const bool accepted = AuswahlgridDragOver(pos, event->modifiers());
    QGuiApplication::changeOverrideCursor(accepted ? Qt::DragCopyCursor : Qt::ForbiddenCursor);
}

void TrackLists::AuswahlgridDblClick(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        PlaylistDouble();
    }
}

// ---- The drag -----------------------------------------------------------------------------

void TrackLists::AuswahlgridStartDrag(Qt::MouseButton button) {
    togglePending_ = true;
    selectionDrag_ = true;
    dragButton_ = button;
    QGuiApplication::setOverrideCursor(Qt::DragCopyCursor);
}

bool TrackLists::AuswahlgridDragOver(QPoint pos, Qt::KeyboardModifiers modifiers) {
    if (!togglePending_) {
        return true;
    }
    return toggleMark(*Auswahlgrid, pos, modifiers);
}

bool TrackLists::PlaylistGridDragOver() const {
    return selectionDrag_ && !busy();
}

bool TrackLists::PL1DragOver() const {
    return selectionDrag_ && !busy();
}

void TrackLists::AuswahlgridEndDrag() {
    if (!selectionDrag_ && dragButton_ == Qt::NoButton) {
        return;
    }
    selectionDrag_ = false;
    togglePending_ = false;
    dragButton_ = Qt::NoButton;
    QGuiApplication::restoreOverrideCursor();
}

void TrackLists::selectionMouseMoved(QMouseEvent* event) {
    if (dragButton_ == Qt::NoButton) {
        return;
    }
    if (!event->buttons().testFlag(dragButton_)) {
        // The release was lost (the grab ended elsewhere): the drag ends without a drop.
        AuswahlgridEndDrag();
        return;
    }
    QPoint local;
    const DropTarget target = targetAt(event->globalPosition().toPoint(), &local);
    const bool accepted = dragOver(target, local, event->modifiers());
    QGuiApplication::changeOverrideCursor(accepted ? Qt::DragCopyCursor : Qt::ForbiddenCursor);
}

void TrackLists::selectionMouseReleased(QMouseEvent* event) {
    if (dragButton_ == Qt::NoButton || event->button() != dragButton_) {
        return;
    }
    const auto end = qScopeGuard([this] { AuswahlgridEndDrag(); });
    if (busy()) {
        return;
    }
    QPoint local;
    const DropTarget target = targetAt(event->globalPosition().toPoint(), &local);
    if (!dragOver(target, local, event->modifiers())) {
        return;
    }
    if (target == DropTarget::Playlist) {
        PlaylistGridDragDrop(local);
    } else if (target == DropTarget::Panel) {
        PL1DragDrop();
    }
}

bool TrackLists::dragOver(DropTarget target, QPoint local, Qt::KeyboardModifiers modifiers) {
    switch (target) {
        case DropTarget::Selection:
            return AuswahlgridDragOver(local, modifiers);
        case DropTarget::Playlist:
            return PlaylistGridDragOver();
        case DropTarget::Panel:
            return PL1DragOver();
        case DropTarget::None:
            break;
    }
    return false;
}

// The header row inserts at the top; a point below the last row or beside the cells
// appends.
void TrackLists::PlaylistGridDragDrop(QPoint pos) {
    if (!selectionDrag_) {
        return;
    }
    const int row = PlaylistGrid->mouseToCell(pos).row;
    const int p = row < 0 ? PlaylistGrid->rowCount() : std::max(row, 1);
    selectionDrag_ = false;
    commands_.moveMarkedIntoPlaylist(p);
}

// Each marked track is loaded in turn from the bottom up, so the topmost stays loaded.
void TrackLists::PL1DragDrop() {
    if (!selectionDrag_) {
        return;
    }
    selectionDrag_ = false;
    commands_.dropOnPlayer();
}

// ---- What lies under the pointer ----------------------------------------------------------

TrackLists::DropTarget TrackLists::targetAt(QPoint globalPos, QPoint* local) const {
    for (TrackGrid* grid : {PlaylistGrid, Auswahlgrid}) {
        const QPoint at = grid->mapFromGlobal(globalPos);
        if (grid->isVisible() && grid->rect().contains(at)) {
            // Another window above the grid hides it.
            QWidget* hit = QApplication::widgetAt(globalPos);
            if (hit && hit->window() != grid->window()) {
                return DropTarget::None;
            }
            *local = at;
            return grid == PlaylistGrid ? DropTarget::Playlist : DropTarget::Selection;
        }
    }
    if (overPlayerPanel_ && overPlayerPanel_(globalPos)) {
        return DropTarget::Panel;
    }
    return DropTarget::None;
}
