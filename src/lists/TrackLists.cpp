// The list view's set-up, its menus, the progress strips, and the edits that need no
// dialog.

#include "TrackLists.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QProgressBar>
#include <QVBoxLayout>

#include "ListWindowHost.h"
#include "TMpegDelete.h"
#include "TrackGrid.h"
#include "core/ListPlayer.h"
#include "core/SonvoxError.h"

TrackLists::TrackLists(QObject* parent) : QObject(parent) {
    buildPanels();
    buildMenus();
    connectGrids();
    connectCommands();
}

TrackLists::~TrackLists() {
    if (busyCursor_) {
        QGuiApplication::restoreOverrideCursor();
    }
    PlaylistGrid->setModel(nullptr);
    Auswahlgrid->setModel(nullptr);
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
    PlaylistGrid = new TrackGrid(TrackGrid::Kind::Playlist, commands_.playlist());
    Auswahlgrid = new TrackGrid(TrackGrid::Kind::Selection, commands_.selection());
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

void TrackLists::connectCommands() {
    connect(&commands_, &ListCommands::growHeightWanted, this, [this] {
        if (host_) {
            host_->growHeight();
        }
    });
    connect(&commands_, &ListCommands::growWidthWanted, this, [this] {
        if (host_) {
            host_->growWidth();
        }
    });
    connect(&commands_, &ListCommands::fillStarted, this, &TrackLists::showFillStarted);
    connect(&commands_, &ListCommands::fillProgressed, this, &TrackLists::showFillProgress);
    connect(&commands_, &ListCommands::fillEnded, this, &TrackLists::showFillEnded);
    connect(&commands_, &ListCommands::busyChanged, this, [this](bool busy) {
        updateMenus();
        if (busy) {
            // No marking, row moving or dragging while a command works on the lists.
            PlaylistGrid->cancelMouseMode();
            AuswahlgridEndDrag();
        }
    });
    connect(&commands_, &ListCommands::failed, this, [](const QString& message) {
        runReported([&message] { throw SonvoxError(message); });
    });
}

// ---- Progress -------------------------------------------------------------------------------

void TrackLists::showFillStarted(TrackListModel* list, qsizetype total) {
    const bool playlist = list == &commands_.playlist();
    QFrame* strip = playlist ? Panel7 : Panel3;
    QProgressBar* gauge = playlist ? Gauge2 : Gauge1;
    gaugeClock_.invalidate();
    if (total >= 2) {
        gauge->setRange(0, int(total));
        gauge->setValue(0);
        strip->show();
    }
    if (!busyCursor_) {
        busyCursor_ = true;
        QGuiApplication::setOverrideCursor(Qt::BusyCursor);
    }
}

// A gauge repaints at once when its value changes visibly; rows may arrive hundreds of
// times a second, so the gauge follows them a few dozen times a second at most.
void TrackLists::showFillProgress(TrackListModel* list, qsizetype done) {
    QProgressBar* gauge = list == &commands_.playlist() ? Gauge2 : Gauge1;
    if (gaugeClock_.isValid() && gaugeClock_.elapsed() < kGaugeIntervalMs &&
        done < gauge->maximum()) {
        return;
    }
    gaugeClock_.start();
    gauge->setValue(int(std::min<qsizetype>(done, gauge->maximum())));
}

void TrackLists::showFillEnded(TrackListModel*) {
    Panel7->hide();
    Panel3->hide();
    if (busyCursor_) {
        busyCursor_ = false;
        QGuiApplication::restoreOverrideCursor();
    }
}

// ---- Wiring ---------------------------------------------------------------------------------

void TrackLists::attach(ListPlayer& player, ListWindowHost& host,
                        std::function<bool(QPoint)> overPlayerPanel) {
    commands_.setPlayer(&player);
    host_ = &host;
    overPlayerPanel_ = std::move(overPlayerPanel);
}

void TrackLists::setLoadDialog(LoadDialogSource* dialog) {
    loadDialog_ = dialog;
    if (dialog) {
        commands_.setAppendTicked([dialog] { return dialog->appendTicked(); });
    } else {
        commands_.setAppendTicked({});
    }
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

// ---- Edits ----------------------------------------------------------------------------------

void TrackLists::MenuItem6Click() {
    commands_.deleteMarked(commands_.playlist());
}

void TrackLists::TitelLschen1Click() {
    commands_.deleteMarked(commands_.selection());
}

void TrackLists::MenuItem7Click() {
    commands_.clearList(commands_.playlist());
}

void TrackLists::AuswahlLschen1Click() {
    commands_.clearList(commands_.selection());
}

void TrackLists::Interpret1Click() {
    commands_.sortSelection(TrackColumn::Artist, TrackColumn::Title);
}
void TrackLists::Titel1Click() {
    commands_.sortSelection(TrackColumn::Title, TrackColumn::Artist);
}
void TrackLists::Jahr1Click() {
    commands_.sortSelection(TrackColumn::Year, TrackColumn::Artist);
}
void TrackLists::Genre1Click() {
    commands_.sortSelection(TrackColumn::Genre, TrackColumn::Artist);
}
void TrackLists::Album1Click() {
    commands_.sortSelection(TrackColumn::Album, TrackColumn::Artist);
}
void TrackLists::Note1Click() {
    commands_.sortSelection(TrackColumn::Note, TrackColumn::Artist);
}
void TrackLists::Filename1Click() {
    commands_.sortSelection(TrackColumn::Filename, TrackColumn::Artist);
}

void TrackLists::Randomize1Click() {
    commands_.shufflePlaylist();
}
