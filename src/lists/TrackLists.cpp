// The list model's set-up, its menus, the guard around long commands, and the edits that
// need no file: deleting, clearing, sorting, shuffling, moving marked rows, and the
// engine's view of the playlist.

#include "TrackLists.h"

#include <QCoreApplication>
#include <QFrame>
#include <QGuiApplication>
#include <QMenu>
#include <QProgressBar>
#include <QTimer>
#include <QVBoxLayout>

#include "ListWindowHost.h"
#include "TMpegDelete.h"
#include "TrackGrid.h"
#include "TrackListsCommand.h"
#include "core/PlayerEngine.h"
#include "core/SonvoxError.h"
#include "playback/PlayerPanel.h"

TrackLists::TrackLists(QObject* parent) : QObject(parent) {
    buildPanels();
    buildMenus();
    connectGrids();
}

TrackLists::~TrackLists() {
    // Panels that were never placed in a window are still ours.
    for (QWidget* panel : {Panel1, Panel2}) {
        if (!panel->parent()) {
            delete panel;
        }
    }
}

// ---- Set-up ---------------------------------------------------------------------------

namespace {

// A panel holding a hidden progress strip above a grid that fills the rest.
QWidget* listPanel(const QString& name, TrackGrid* grid, QFrame*& strip, QProgressBar*& gauge,
                   const QString& stripName, const QString& gaugeName) {
    auto* panel = new QWidget;
    panel->setObjectName(name);
    strip = new QFrame(panel);
    strip->setObjectName(stripName);
    strip->setFixedHeight(TrackLists::kProgressStripPx);
    gauge = new QProgressBar(strip);
    gauge->setObjectName(gaugeName);
    gauge->setTextVisible(false);
    auto* stripLayout = new QVBoxLayout(strip);
    stripLayout->setContentsMargins(2, 2, 2, 2);
    stripLayout->addWidget(gauge);
    strip->hide();
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(strip);
    grid->setParent(panel);
    layout->addWidget(grid, 1);
    return panel;
}

}  // namespace

void TrackLists::buildPanels() {
    PlaylistGrid = new TrackGrid(TrackGrid::Kind::Playlist);
    Auswahlgrid = new TrackGrid(TrackGrid::Kind::Selection);
    // What a screen reader calls the two tables.
    PlaylistGrid->setAccessibleName(QStringLiteral("Playlist"));
    Auswahlgrid->setAccessibleName(QStringLiteral("Selection"));
    Panel1 = listPanel(QStringLiteral("Panel1"), PlaylistGrid, Panel7, Gauge2,
                       QStringLiteral("Panel7"), QStringLiteral("Gauge2"));
    Panel2 = listPanel(QStringLiteral("Panel2"), Auswahlgrid, Panel3, Gauge1,
                       QStringLiteral("Panel3"), QStringLiteral("Gauge1"));
}

void TrackLists::buildMenus() {
    PopupMenu3 = new QMenu(PlaylistGrid);
    PopupMenu3->setObjectName(QStringLiteral("PopupMenu3"));
    listCommands_ = {
        PopupMenu3->addAction(QStringLiteral("&Delete Selected"), this,
                              [this] { runReported([this] { MenuItem6Click(); }); }),
        PopupMenu3->addAction(QStringLiteral("&Clear Playlist"), this,
                              [this] { runReported([this] { MenuItem7Click(); }); }),
        PopupMenu3->addAction(QStringLiteral("&Randomize"), this,
                              [this] { runReported([this] { Randomize1Click(); }); }),
        PopupMenu3->addAction(QStringLiteral("&Open"), this,
                              [this] { runReported([this] { Open1Click(); }); }),
        PopupMenu3->addAction(QStringLiteral("&Save"), this,
                              [this] { runReported([this] { Save2Click(); }); }),
    };

    PopupMenu1 = new QMenu(Auswahlgrid);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    QMenu* sorted = PopupMenu1->addMenu(QStringLiteral("&Sorted by..."));
    listCommands_.push_back(sorted->menuAction());
    const std::pair<const char*, void (TrackLists::*)()> sorts[] = {
        {"&Artist", &TrackLists::Interpret1Click},  {"&Title", &TrackLists::Titel1Click},
        {"&Year", &TrackLists::Jahr1Click},         {"&Genre", &TrackLists::Genre1Click},
        {"Al&bum", &TrackLists::Album1Click},       {"&Note", &TrackLists::Note1Click},
        {"&Filename", &TrackLists::Filename1Click},
    };
    for (const auto& [text, handler] : sorts) {
        sorted->addAction(QString::fromLatin1(text), this, [this, handler] {
            runReported([this, handler] { (this->*handler)(); });
        });
    }
    listCommands_.push_back(PopupMenu1->addAction(QStringLiteral("&Delete Selected"), this, [this] {
        runReported([this] { TitelLschen1Click(); });
    }));
    listCommands_.push_back(PopupMenu1->addAction(QStringLiteral("&Clear Selection"), this, [this] {
        runReported([this] { AuswahlLschen1Click(); });
    }));
    listCommands_.push_back(
        PopupMenu1->addAction(QStringLiteral("Delete Mpeg &File"), this,
                              [this] { runReported([this] { DeleteMpegFile1Click(); }); }));
    listCommands_.push_back(PopupMenu1->addAction(
        QStringLiteral("&Open"), this, [this] { runReported([this] { Open2Click(); }); }));
    listCommands_.push_back(PopupMenu1->addAction(
        QStringLiteral("&Save"), this, [this] { runReported([this] { Save3Click(); }); }));
    for (QMenu* menu : {PopupMenu3, PopupMenu1}) {
        connect(menu, &QMenu::aboutToShow, this, &TrackLists::updateMenus);
    }
}

void TrackLists::updateMenus() {
    for (QAction* action : listCommands_) {
        action->setEnabled(!busy());
    }
}

void TrackLists::attach(PlayerEngine& engine, XaudioPlayer& player, PlayerPanel& panel,
                        ListWindowHost& host) {
    engine_ = &engine;
    player_ = &player;
    panel_ = &panel;
    host_ = &host;
}

void TrackLists::setLoadDialog(LoadDialogSource* dialog) {
    loadDialog_ = dialog;
}

void TrackLists::setInfoWindowOpener(std::function<void(const QString&)> open) {
    openInfo_ = std::move(open);
    if (openInfo_ && !playlistInfo_) {
        auto openInfo = [this] {
            if (openInfo_ && !InfoFileName.isEmpty()) {
                openInfo_(InfoFileName);
            }
        };
        for (auto [menu, action] :
             {std::pair{PopupMenu3, &playlistInfo_}, std::pair{PopupMenu1, &selectionInfo_}}) {
            *action = new QAction(QStringLiteral("&Info"), menu);
            connect(*action, &QAction::triggered, this, openInfo);
            menu->insertAction(menu->actions().value(0), *action);
        }
    } else if (!openInfo_ && playlistInfo_) {
        delete std::exchange(playlistInfo_, nullptr);
        delete std::exchange(selectionInfo_, nullptr);
    }
}

QWidget* TrackLists::playlistPanel() const {
    return Panel1;
}

QWidget* TrackLists::selectionPanel() const {
    return Panel2;
}

// ---- The command guard ------------------------------------------------------------------

bool TrackLists::pumpDue() const {
    return pumpClock_.elapsed() >= eventSliceMs_;
}

void TrackLists::pump() {
    if (pumpDue()) {
        QCoreApplication::processEvents();
        pumpClock_.restart();
    }
}

void TrackLists::runOrQueue(std::function<void()> batch) {
    if (!busy()) {
        batch();
        return;
    }
    queued_.push_back(std::move(batch));
}

// One queued batch per turn of the event loop, in arrival order; an error in one leaves
// the others queued for the next turns.
void TrackLists::runQueued() {
    queueScheduled_ = false;
    if (busy() || queued_.empty()) {
        return;  // a command ending later schedules them again
    }
    std::function<void()> batch = std::move(queued_.front());
    queued_.erase(queued_.begin());
    if (!queued_.empty()) {
        queueScheduled_ = true;
        QTimer::singleShot(0, this, &TrackLists::runQueued);
    }
    batch();
}

// ---- Small helpers --------------------------------------------------------------------

bool TrackLists::trackLoaded() const {
    return engine_ && engine_->trackLoaded();
}

// NextUp goes on whenever the playlist has something to take.
void TrackLists::enableNext() {
    if (engine_ && PlaylistGrid->holdsAnyTrack()) {
        engine_->setNextEnabled(true);
    }
}

// Reading rows leaves the panel's labels alone, but the lists' reads and the player's
// must agree on what the panel shows: the tag of CurrentTrack.
void TrackLists::restorePanel() {
    if (engine_ && !engine_->currentTrack().isEmpty()) {
        engine_->showTrackTag(engine_->currentTrack());
    }
}

void TrackLists::growHeight() {
    if (host_) {
        host_->growHeight();
    }
}

void TrackLists::growWidth() {
    if (host_) {
        host_->growWidth();
    }
}

bool TrackLists::appendTicked() const {
    return !loadDialog_ || loadDialog_->appendTicked();
}

// ---- Deleting and clearing ------------------------------------------------------------

void TrackLists::DelRow(int row) {
    PlaylistGrid->deleteRow(row);
}

void TrackLists::DelaRow(int row) {
    Auswahlgrid->deleteRow(row);
}

void TrackLists::MenuItem6Click() {
    if (!busy()) {
        Command command(*this, /*reordersPlaylist=*/true);
        deleteMarked(*PlaylistGrid);
    }
}

void TrackLists::TitelLschen1Click() {
    if (!busy()) {
        Command command(*this);
        deleteMarked(*Auswahlgrid);
    }
}

// One data row goes whether marked or not; otherwise every marked row, the others keeping
// their order.
void TrackLists::deleteMarked(TrackGrid& grid) {
    WaitCursor wait;
    if (grid.rowCount() < 3) {
        grid.deleteRow(1);
        return;
    }
    grid.removeRows([&grid](int row) { return grid.mark(row) != 0; }, [this] { pump(); });
    grid.update();
}

void TrackLists::MenuItem7Click() {
    if (!busy()) {
        PlaylistGrid->clearList();
    }
}

void TrackLists::AuswahlLschen1Click() {
    if (!busy()) {
        Auswahlgrid->clearList();
    }
}

// ---- Sorting and shuffling ----------------------------------------------------------

void TrackLists::sortSelection(int primaryCol, int secondaryCol) {
    if (busy()) {
        return;
    }
    Command command(*this);
    WaitCursor wait;
    Auswahlgrid->sortRows(primaryCol, secondaryCol);
}

void TrackLists::Interpret1Click() {
    sortSelection(TrackColumn::Artist, TrackColumn::Title);
}
void TrackLists::Titel1Click() {
    sortSelection(TrackColumn::Title, TrackColumn::Artist);
}
void TrackLists::Jahr1Click() {
    sortSelection(TrackColumn::Year, TrackColumn::Artist);
}
void TrackLists::Genre1Click() {
    sortSelection(TrackColumn::Genre, TrackColumn::Artist);
}
void TrackLists::Album1Click() {
    sortSelection(TrackColumn::Album, TrackColumn::Artist);
}
void TrackLists::Note1Click() {
    sortSelection(TrackColumn::Note, TrackColumn::Artist);
}
void TrackLists::Filename1Click() {
    sortSelection(TrackColumn::Filename, TrackColumn::Artist);
}

void TrackLists::Randomize1Click() {
    if (busy()) {
        return;
    }
    Command command(*this, /*reordersPlaylist=*/true);
    WaitCursor wait;
    PlaylistGrid->shuffleRows();
}

// ---- Moving selection rows into the playlist ------------------------------------------

void TrackLists::Assignauswahl(int playlistRow, int selectionRow) {
    PlaylistGrid->setTrack(playlistRow, Auswahlgrid->track(selectionRow));
}

void TrackLists::PlaylistDouble() {
    if (busy()) {
        return;
    }
    growHeight();
    moveMarkedIntoPlaylist(PlaylistGrid->rowCount());
}

// Taken bottom-up and each inserted at the same p, the rows arrive in their selection
// order. In an empty playlist that holds only when p is 1: the first copy fills the empty
// row 1, and any later p would put the following copies after it. A row that no longer
// fits stays marked, with the rows above it.
void TrackLists::moveMarkedIntoPlaylist(int p) {
    if (!PlaylistGrid->holdsAnyTrack()) {
        p = 1;
    }
    qsizetype notMoved = 0;
    for (int r = Auswahlgrid->lastRow(); r >= 1; --r) {
        if (Auswahlgrid->mark(r) == 0) {
            continue;
        }
        if (Auswahlgrid->holdsTrack(r) && !PlaylistGrid->insertTrack(p, Auswahlgrid->track(r))) {
            for (int above = r; above >= 1; --above) {
                notMoved += Auswahlgrid->mark(above) != 0 && Auswahlgrid->holdsTrack(above);
            }
            break;
        }
        Auswahlgrid->setMark(r, 0);
    }
    Auswahlgrid->update();
    PlaylistGrid->unmarkAll();
    PlaylistGrid->update();
    enableNext();
    if (notMoved > 0) {
        throw SonvoxError(
            QStringLiteral("%1 tracks were not moved: the playlist holds at most %2 tracks.")
                .arg(notMoved)
                .arg(TrackGrid::kMaxDataRows));
    }
}

// ---- The engine's view of the playlist ------------------------------------------------

// While the playlist is reordered the engine's removals are only noted (claimed_); the
// tracks noted count as gone, so the engine sees the queue it would see had they been
// removed at once.
QString TrackLists::firstFileName() const {
    if (claimed_.isEmpty()) {
        return PlaylistGrid->fileName(1);
    }
    QStringList pending = claimed_;
    for (int r = 1; r < PlaylistGrid->rowCount(); ++r) {
        const QString file = PlaylistGrid->fileName(r);
        if (!file.isEmpty() && !pending.removeOne(file)) {
            return file;
        }
    }
    return QString();
}

void TrackLists::removeFirstRow() {
    if (reordering_) {
        const QString file = firstFileName();
        if (!file.isEmpty()) {
            claimed_.append(file);
        }
        return;
    }
    PlaylistGrid->takeRow(1);
}

// After a reordering: each track the engine took meanwhile leaves the queue, as the first
// row holding its file (the rows below move up; marks stay where they are).
void TrackLists::settleClaims() {
    const QStringList claimed = std::exchange(claimed_, {});
    for (const QString& file : claimed) {
        for (int r = 1; r < PlaylistGrid->rowCount(); ++r) {
            if (PlaylistGrid->fileName(r) == file) {
                PlaylistGrid->takeRow(r);
                break;
            }
        }
    }
    if (engine_ && !claimed.isEmpty() && !PlaylistGrid->holdsAnyTrack()) {
        engine_->setNextEnabled(false);
    }
}
