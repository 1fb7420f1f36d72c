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
#include "TrackListsCommand.h"
#include "controls/TDigit.h"
#include "controls/TKMVButton.h"
#include "core/XaudioPlayer.h"
#include "core/PlayerEngine.h"
#include "playback/PlayerPanel.h"

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
    // The menus open without a modal loop of their own, so a long command that lets events
    // through is not held up by an open menu; their entries are refused while one runs.
    connect(PlaylistGrid, &TKMVStringGrid::contextMenuRequested, this,
            [this](const QPoint&, const QPoint& globalPos) { PopupMenu3->popup(globalPos); });
    connect(Auswahlgrid, &TKMVStringGrid::contextMenuRequested, this,
            [this](const QPoint&, const QPoint& globalPos) { PopupMenu1->popup(globalPos); });
}

// ---- Marking --------------------------------------------------------------------------

// Toggles the mark of the row under pos by the rules both lists share; false when there is
// no track there. In the selection a press on a marked row of a marked group changes
// nothing, so that the group can be dragged.
bool TrackLists::toggleMark(TrackGrid& grid, QPoint pos, Qt::KeyboardModifiers modifiers) {
    togglePending_ = false;
    const int r = grid.mouseToCell(pos).row;
    if (r < 1 || !grid.holdsTrack(r)) {
        return false;
    }
    if (grid.kind() == TrackGrid::Kind::Selection && grid.mark(r) != 0 && grid.otherRowMarked(r)) {
        return true;
    }
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool was = grid.mark(r) != 0;
    grid.setMark(r, was ? 0 : 1);
    if (!shift && !ctrl && !was) {
        for (int other = 1; other < grid.rowCount(); ++other) {
            if (other != r) {
                grid.setMark(other, 0);
            }
        }
    }
    if (!shift) {
        anchor_ = r;
    } else if (anchor_ < 0) {
        anchor_ = r;
    } else {
        grid.markRange(anchor_, r);
        anchor_ = -1;
    }
    grid.update();
    return true;
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
    moveMarkedIntoPlaylist(p);
}

// Each marked track is loaded in turn from the bottom up, so the topmost stays loaded.
void TrackLists::PL1DragDrop() {
    if (!selectionDrag_) {
        return;
    }
    selectionDrag_ = false;
    WaitCursor wait;
    for (int r = Auswahlgrid->lastRow(); r >= 1; --r) {
        if (Auswahlgrid->mark(r) == 0) {
            continue;
        }
        Auswahlgrid->setMark(r, 0);
        if (Auswahlgrid->holdsTrack(r) && engine_) {
            const QString file = Auswahlgrid->fileName(r);
            engine_->switchToTrack(file);
        }
        Auswahlgrid->repaint();
    }
}

// ---- What lies under the pointer ----------------------------------------------------------

TrackLists::DropTarget TrackLists::targetAt(QPoint globalPos, QPoint* local) const {
    QWidget* hit = QApplication::widgetAt(globalPos);
    if (!hit) {
        // Platforms that know no global positions find no window there; the lists and the
        // panel, all in one window, are then found by their own geometry.
        for (QWidget* widget :
             {static_cast<QWidget*>(PlaylistGrid), static_cast<QWidget*>(Auswahlgrid),
              static_cast<QWidget*>(panel_)}) {
            if (widget && widget->isVisible() &&
                widget->rect().contains(widget->mapFromGlobal(globalPos))) {
                QWidget* child = widget->childAt(widget->mapFromGlobal(globalPos));
                hit = child ? child : widget;
                break;
            }
        }
    }
    for (QWidget* widget = hit; widget; widget = widget->parentWidget()) {
        if (widget == PlaylistGrid || widget == Auswahlgrid) {
            *local = widget->mapFromGlobal(globalPos);
            return widget == PlaylistGrid ? DropTarget::Playlist : DropTarget::Selection;
        }
        if (const std::optional<DropTarget> part = panelTarget(widget)) {
            return *part;
        }
    }
    return DropTarget::None;
}

// Whether widget, part of the player panel, takes a drop like the panel (Panel) or refuses
// it (None); nothing for a widget that decides nothing itself (its parent does). The
// digit displays, the info and load buttons and the lamp images other than the off lamp
// take no part; the sampling-rate value does, although its strip does not.
std::optional<TrackLists::DropTarget> TrackLists::panelTarget(QWidget* widget) const {
    if (!panel_) {
        return std::nullopt;
    }
    const PlayerPanel& p = *panel_;
    if (widget == &p || widget == p.kHz) {
        return DropTarget::Panel;
    }
    const QWidget* const refusing[] = {
        p.SegmentTimePl1Min, p.SegmentTimePl1Sec, p.SegmentTimePl1Frame,
        p.SegmentRestPl1Min, p.SegmentRestPl1Sec, p.InfoUp,
        p.OpenButton,        p.Button1,           p.LampeOnPL1,
        p.LampeFlashPL1,     p.PL1PanelKhz,
    };
    for (const QWidget* part : refusing) {
        if (widget == part) {
            return DropTarget::None;
        }
    }
    return std::nullopt;
}
