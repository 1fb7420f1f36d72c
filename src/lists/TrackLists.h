#pragma once
// TrackLists: the view of the two track lists in the main window. The rows and every
// command on them live in ListCommands (src/core); this class shows its two models in
// grids, with a progress strip above each, and turns the user's presses, drags, keys,
// context menus and dialogs into its commands.
//
//   playlist  (PlaylistGrid, in Panel1 below the player panel): a queue. The player takes
//             the track of row 1, loads it and removes the row (PlaylistSource).
//   selection (Auswahlgrid, in Panel2 beside the player panel): a pool. Its marked rows are
//             copied into the playlist (double click, Insert, dragging onto the playlist) or
//             loaded into the player (dragging onto the player panel).
//
// Marks are the user's multi-row selection in each list (ListCommands::toggleMark). In the
// selection every left or middle press on a row starts a drag of the marked rows at once
// (the lists follow the mouse through the selection grid's grab, not the system's drag and
// drop); its first pass toggles the mark. Releasing over the playlist inserts copies at
// that row, over the player panel (asked through the function given to attach()) loads
// the rows into the player bottom-up, anywhere else changes nothing. A drag whose release
// is lost (the grid is hidden, loses the focus or its window) ends without a drop.
//
// While a fill runs, its list's progress strip shows how far it got and the busy cursor
// shows; the lists' commands are refused meanwhile (menu entries disabled, presses ignored)
// and batches handed in are queued (see ListCommands).
//
// Errors of menu commands are reported through runReported; errors of fills and queued
// batches through the same reporter when they arrive.
//
// GUI thread only.

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "core/ListCommands.h"
#include "core/PlaylistSource.h"
#include "core/TrackRow.h"
#include "lists/LoadDialogSource.h"
#include "lists/SaveDialogSource.h"

class ListPlayer;
class ListWindowHost;
class QAction;
class QFrame;
class QMenu;
class QMouseEvent;
class QProgressBar;
class QWidget;
#include "TMpegDelete.h"
class TrackGrid;

class TrackLists : public QObject {
    Q_OBJECT

public:
    // Height of the progress strips Panel7 and Panel3.
    static constexpr int kProgressStripPx = 20;
    // The gauges show a fill's progress at most this often.
    static constexpr int kGaugeIntervalMs = 40;

    explicit TrackLists(QObject* parent = nullptr);
    ~TrackLists() override;

    // ---- Wiring -----------------------------------------------------------------------
    // Once, by the main window, after the player exists. overPlayerPanel says whether a
    // point in global coordinates lies over the part of the player panel that takes drops.
    void attach(ListPlayer& player, ListWindowHost& host,
                std::function<bool(QPoint globalPos)> overPlayerPanel);
    // The load dialog, when it exists; nullptr removes it.
    void setLoadDialog(LoadDialogSource* dialog);
    // The save dialog, when there is one; an empty function removes it.
    void setSaveDialog(SaveDialogRunner run);
    // Where list files are opened and saved: the playlist directory for LoadKind::Playlist,
    // the selection directory for LoadKind::Selection. Asked at every save.
    void setListDirectories(std::function<QString(LoadKind)> directoryFor);
    // Opens the title-information window on a file. While one is set, both context menus
    // offer "&Info" for InfoFileName.
    void setInfoWindowOpener(std::function<void(const QString& file)> open);

    ListCommands& commands() { return commands_; }
    TrackListModel& playlistModel() { return commands_.playlist(); }
    TrackListModel& selectionModel() { return commands_.selection(); }
    PlaylistSource& playlistSource() { return commands_.playlist(); }

    // ---- Widgets ----------------------------------------------------------------------
    // The panels are placed by the main window; they and their children are owned by
    // whoever they are given to, else by this object.
    QWidget* playlistPanel() const { return Panel1; }   // the strip Panel7 over PlaylistGrid
    QWidget* selectionPanel() const { return Panel2; }  // the strip Panel3 over Auswahlgrid
    TrackGrid* playlistGrid() const { return PlaylistGrid; }
    TrackGrid* selectionGrid() const { return Auswahlgrid; }
    QFrame* playlistProgress() const { return Panel7; }
    QProgressBar* playlistGauge() const { return Gauge2; }
    QFrame* selectionProgress() const { return Panel3; }
    QProgressBar* selectionGauge() const { return Gauge1; }
    QMenu* playlistMenu() const { return PopupMenu3; }
    QMenu* selectionMenu() const { return PopupMenu1; }

    // ---- State read by other windows and by tests -------------------------------------
    // The file the title-information window is to show: set by a right press on a row.
    const QString& infoFileName() const { return InfoFileName; }
    int markAnchor() const { return commands_.markAnchor(); }
    bool selectionDragging() const { return selectionDrag_; }
    // True while a fill runs or a command holds the lists.
    bool busy() const { return commands_.busy(); }

    // ---- Batches (see ListCommands) ----------------------------------------------------
    void FillPlaylist(const QStringList& files) { commands_.FillPlaylist(files); }
    void FillSelection(const QStringList& files) { commands_.FillSelection(files); }
    void loadfile(const QString& name, ListLoadMode mode) { commands_.loadfile(name, mode); }
    void loadfile2(const QString& name, ListLoadMode mode) { commands_.loadfile2(name, mode); }
    // The load dialog as prepared, then what it hands back loaded into the playlist, the
    // selection. Nothing happens without a load dialog.
    void OpenButtonClick();
    void Button1Click();
    // The same, with the dialog first prepared for track files.
    void loadTracksIntoPlaylist();
    void loadTracksIntoSelection();

    // ---- List files through the dialogs ---------------------------------------------------
    // "&Open" of the playlist's context menu (and File > Open > "&Playlist"), of the
    // selection's (File > Open > "&Selection"): the load dialog prepared for a list file.
    void Open1Click();
    void Open2Click();
    // "&Save" of the playlist's context menu (and File > Save > "&Playlist"), of the
    // selection's (and File > Save > "&Selection"). The save dialog starts empty in the
    // list's directory with the filter "Playlist", "Selection"; the filter left selected
    // decides the format and the extension the name must end in, else gets appended
    // (listSaveName). Cancelling writes nothing; a failure throws SonvoxError and leaves an
    // existing file as it was.
    void Save2Click();
    void Save3Click();

    // ---- Edits --------------------------------------------------------------------------
    void MenuItem6Click();       // "&Delete Selected" in the playlist
    void TitelLschen1Click();    // "&Delete Selected" in the selection
    void MenuItem7Click();       // "&Clear Playlist"
    void AuswahlLschen1Click();  // "&Clear Selection"
    // "&Sorted by...": artist, title, year, genre, album, note, file name, each with the
    // artist (or, for the artist, the title) as the second key.
    void Interpret1Click();
    void Titel1Click();
    void Jahr1Click();
    void Genre1Click();
    void Album1Click();
    void Note1Click();
    void Filename1Click();
    void Randomize1Click();  // "&Randomize"
    // Appends the marked selection rows to the playlist (double click, Insert key).
    void PlaylistDouble() { commands_.PlaylistDouble(); }
    // The playlist's marking on a press at pos (client coordinates of PlaylistGrid).
    void markplay(QPoint pos, Qt::KeyboardModifiers modifiers);
    // "Delete Mpeg &File": asks about every marked selection row in TMpegDelete and
    // deletes the confirmed files from the disk.
    void DeleteMpegFile1Click();
    // The confirmation window, once made.
    TMpegDelete* mpegDelete() const { return mpegDelete_; }

private:
    enum class DropTarget { None, Selection, Playlist, Panel };

    // ---- set-up ----
    void buildPanels();
    void buildMenus();
    void updateMenus();
    void connectGrids();
    void connectCommands();
    void showFillStarted(TrackListModel* list, qsizetype total);
    void showFillProgress(TrackListModel* list, qsizetype done);
    void showFillEnded(TrackListModel* list);

    // ---- the load dialog ----
    void loadThroughDialog(TrackListModel& list);
    void prepareAndLoad(LoadKind kind, TrackListModel& list);
    void saveThroughDialog(const TrackListModel& list);

    // ---- marking and dragging (TrackListsDrag.cpp) ----
    bool toggleMark(TrackGrid& grid, QPoint pos, Qt::KeyboardModifiers modifiers);
    void setInfoFileName(const TrackGrid& grid, QPoint pos);
    void PlaylistGridMouseDown(QMouseEvent* event);
    void AuswahlgridMouseDown(QMouseEvent* event);
    void AuswahlgridStartDrag(Qt::MouseButton button);
    bool AuswahlgridDragOver(QPoint pos, Qt::KeyboardModifiers modifiers);
    void AuswahlgridEndDrag();
    void AuswahlgridDblClick(QMouseEvent* event);
    void selectionMouseMoved(QMouseEvent* event);
    void selectionMouseReleased(QMouseEvent* event);
    bool PlaylistGridDragOver() const;
    void PlaylistGridDragDrop(QPoint pos);
    bool PL1DragOver() const;
    void PL1DragDrop();
    DropTarget targetAt(QPoint globalPos, QPoint* local) const;
    bool dragOver(DropTarget target, QPoint local, Qt::KeyboardModifiers modifiers);

    ListCommands commands_;

    // Widgets, named as the main window's design names them.
    QWidget* Panel1;
    QFrame* Panel7;
    QProgressBar* Gauge2;
    TrackGrid* PlaylistGrid;
    QWidget* Panel2;
    QFrame* Panel3;
    QProgressBar* Gauge1;
    TrackGrid* Auswahlgrid;
    QMenu* PopupMenu3;
    QMenu* PopupMenu1;
    QAction* playlistInfo_ = nullptr;
    QAction* selectionInfo_ = nullptr;
    std::vector<QAction*> listCommands_;  // disabled while the lists are busy
    QPointer<TMpegDelete> mpegDelete_;

    ListWindowHost* host_ = nullptr;
    std::function<bool(QPoint)> overPlayerPanel_;
    LoadDialogSource* loadDialog_ = nullptr;
    SaveDialogRunner saveDialog_;
    std::function<QString(LoadKind)> listDirectory_;
    std::function<void(const QString&)> openInfo_;

    QString InfoFileName;

    // The drag protocol.
    bool selectionDrag_ = false;  // a drag of selection rows is under way
    bool togglePending_ = false;  // its first pass over the selection has yet to toggle
    Qt::MouseButton dragButton_ = Qt::NoButton;
    bool busyCursor_ = false;
    QElapsedTimer gaugeClock_;  // since the gauge last moved
};
