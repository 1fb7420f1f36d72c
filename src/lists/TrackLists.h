#pragma once
// TrackLists: the playlist and the selection of the main window, the program's list model.
//
//   playlist  (PlaylistGrid, in Panel1 below the player panel): a queue. The player engine
//             takes the track of row 1, loads it and removes the row (PlaylistSource), so
//             the list shows what is still to come.
//   selection (Auswahlgrid, in Panel2 beside the player panel): a pool. Its marked rows are
//             copied into the playlist (double click, Insert, dragging onto the playlist) or
//             loaded into the player (dragging onto the player panel).
//
// There is no model apart from the grids: every operation reads and writes grid cells (see
// TrackGrid for the row rules). Rows are made from track files by reading their tags;
// list files come in and go out through ListFile; the load dialog is reached through
// LoadDialogSource, the save dialog through SaveDialogSource.
//
// Marks are the user's multi-row selection in each list. A press toggles the mark under the
// pointer: Ctrl adds to the marked rows, Shift marks the range from the anchor, a plain press
// on an unmarked row leaves it the only marked row. One anchor serves both lists. In the
// selection every left or middle press starts a drag of the marked rows at once (the lists
// follow the mouse through the selection grid's grab, not the system's drag and drop); its
// first pass toggles the mark, and a press on a marked row of a marked group keeps the group.
// Releasing over the playlist inserts copies at that row, over the player panel loads the
// rows into the player bottom-up, anywhere else changes nothing.
//
// Long commands (filling, deleting marked rows or files, sorting, shuffling) let pending
// events through every few tens of milliseconds, so the window repaints, the player plays
// on and the decoder's notifications arrive. Meanwhile every other command that changes a
// list is refused (menu entries, Insert, presses on the lists, drops); batches handed in
// from outside (FillPlaylist, FillSelection, loadfile, loadfile2) are queued and run when
// the command has ended. A track the engine takes while the playlist is being reordered is
// taken from the queue once the reordering is over.
//
// Failures: a track file that does not exist or cannot be opened is skipped silently. What
// a command cannot finish is thrown as SonvoxError after the lists are consistent again, for
// the application's error report: an input/output error while reading a tag or a list file,
// a batch that does not fit into a list (at most 30,000 tracks each), files that could not
// be deleted.
//
// GUI thread only.

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>
#include <vector>

#include "core/Id3v1Tag.h"
#include "core/PlaylistSource.h"
#include "core/TrackRow.h"
#include "lists/LoadDialogSource.h"
#include "lists/SaveDialogSource.h"

class ListWindowHost;
class PlayerEngine;
class PlayerPanel;
class QAction;
class QFrame;
class QMenu;
class QMouseEvent;
class QProgressBar;
class QWidget;
class TMpegDelete;
class TrackGrid;
class XaudioPlayer;

// How loadfile and loadfile2 treat the list they load into.
enum class ListLoadMode {
    Replace,  // the list file's rows take the place of the list's rows
    Append,   // they follow the list's tracks
};

class TrackLists : public QObject, public PlaylistSource {
    Q_OBJECT

public:
    // While a batch runs, only the first screenful is repainted row by row.
    static constexpr int kPlaylistRepaintRows = 22;
    static constexpr int kSelectionRepaintRows = 35;
    // Height of the progress strips Panel7 and Panel3.
    static constexpr int kProgressStripPx = 20;
    // How often a long command lets pending events through.
    static constexpr int kEventSliceMs = 50;
    // At most this many names are listed in a message about files.
    static constexpr int kMaxNamesInMessage = 20;

    explicit TrackLists(QObject* parent = nullptr);
    ~TrackLists() override;

    // ---- Wiring -----------------------------------------------------------------------
    // Once, by the main window, after the engine exists. Until then no track is loaded as
    // far as the lists know, and the window does not grow.
    void attach(PlayerEngine& engine, XaudioPlayer& player, PlayerPanel& panel,
                ListWindowHost& host);
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
    PlaylistSource& playlistSource() { return *this; }

    // ---- Widgets ----------------------------------------------------------------------
    // The panels are placed by the main window; they and their children are owned by
    // whoever they are given to, else by this object.
    QWidget* playlistPanel() const;   // Panel1: the strip Panel7 over PlaylistGrid
    QWidget* selectionPanel() const;  // Panel2: the strip Panel3 over Auswahlgrid
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
    // The row last toggled without Shift, in either list; -1 after a Shift range.
    int markAnchor() const { return anchor_; }
    bool selectionDragging() const { return selectionDrag_; }
    // True while a list command runs (and lets events through).
    bool busy() const { return busyDepth_ > 0; }
    // How often long commands let events through; tests set 0 for every step.
    void setEventSliceMs(int ms) { eventSliceMs_ = ms; }

    // ---- Batches ------------------------------------------------------------------------
    // Appends the tracks to the playlist (replacing it when "Append" is not ticked). While no
    // track is loaded, the first file goes to the player instead and becomes CurrentTrack.
    void FillPlaylist(const QStringList& files);
    // Appends the tracks to the selection (replacing it when "Append" is not ticked).
    void FillSelection(const QStringList& files);
    // Reads a list file into the playlist, the selection. Row-format rows are taken as
    // saved and rows whose files are gone removed; M3U and PLS files become a batch.
    void loadfile(const QString& name, ListLoadMode mode);
    void loadfile2(const QString& name, ListLoadMode mode);
    // The load dialog as prepared, then what it hands back loaded into the playlist, the
    // selection. Nothing happens without a load dialog.
    void OpenButtonClick();
    void Button1Click();
    // The same, with the dialog first prepared for track files.
    void loadTracksIntoPlaylist();
    void loadTracksIntoSelection();

    // ---- List files through the dialogs ---------------------------------------------------
    // "&Open" of the playlist's context menu (and File > Open > "&Playlist"): the load
    // dialog prepared for a playlist file, then OpenButtonClick.
    void Open1Click();
    // "&Open" of the selection's context menu (and File > Open > "&Selection"): prepared for
    // a selection file, then Button1Click.
    void Open2Click();
    // "&Save" of the playlist's context menu (and File > Save > "&Playlist"), of the
    // selection's (and File > Save > "&Selection"). The save dialog starts empty in the
    // list's directory with the filter "Playlist", "Selection"; the filter left selected
    // decides the format and the extension the name must end in, else gets appended
    // (listSaveName). Data rows 1 to row count - 1 are written as the list holds them,
    // replacing a file of that name. Cancelling writes nothing; a failure throws
    // SonvoxError and leaves an existing file as it was.
    void Save2Click();
    void Save3Click();

    // ---- Edits --------------------------------------------------------------------------
    void DelRow(int row);        // one playlist row
    void DelaRow(int row);       // one selection row
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
    // "&Randomize": shuffles the playlist.
    void Randomize1Click();
    // Copies the eight cells of a selection row into a playlist row (not the mark).
    void Assignauswahl(int playlistRow, int selectionRow);
    // Appends the marked selection rows to the playlist (double click, Insert key).
    void PlaylistDouble();
    // Inserts copies of the marked selection rows before playlist row p (p = row count:
    // after the last row), in their selection order; unmarks them and every playlist row.
    void moveMarkedIntoPlaylist(int p);
    // The playlist's marking on a press at pos (client coordinates of PlaylistGrid).
    void markplay(QPoint pos, Qt::KeyboardModifiers modifiers);
    // "Delete Mpeg &File": asks about every marked selection row and deletes the confirmed
    // files from the disk.
    void DeleteMpegFile1Click();

    // ---- PlaylistSource ---------------------------------------------------------------
    QString firstFileName() const override;
    void removeFirstRow() override;

private:
    class Command;
    class WaitCursor;
    enum class DropTarget { None, Selection, Playlist, Panel };

    // ---- setup (TrackLists.cpp) ----
    void buildPanels();
    void buildMenus();
    void updateMenus();
    void connectGrids();

    // ---- commands and their guard (TrackLists.cpp) ----
    // Whether the running command is due to let events through; pump() does it then.
    bool pumpDue() const;
    void pump();
    // Runs a batch that came in from outside now, or after the running command.
    void runOrQueue(std::function<void()> batch);
    void runQueued();
    void settleClaims();
    void sortSelection(int primaryCol, int secondaryCol);
    void deleteMarked(TrackGrid& grid);
    bool trackLoaded() const;
    void enableNext();
    void restorePanel();
    void growHeight();
    void growWidth();
    bool appendTicked() const;

    // ---- filling (TrackListsFill.cpp) ----
    bool readTrack(const QString& file, TrackRow& row);
    void fillPlaylistNow(const QStringList& files);
    void fillSelectionNow(const QStringList& files);
    // Reads files[from ...] into grid; returns how many did not fit.
    int fillRows(TrackGrid& grid, const QStringList& files, qsizetype from, QProgressBar* gauge,
                 int repaintBelow);
    void showProgress(QFrame* strip, QProgressBar* gauge, qsizetype steps);
    void loadListFile(TrackGrid& grid, const QString& name, ListLoadMode mode);
    void loadThroughDialog(TrackGrid& grid);
    void prepareAndLoad(LoadKind kind, TrackGrid& grid);
    static QString notAddedMessage(qsizetype count, const TrackGrid& grid);

    // ---- saving (TrackListsSave.cpp) ----
    void saveThroughDialog(const TrackGrid& grid);

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
    std::optional<DropTarget> panelTarget(QWidget* widget) const;
    bool dragOver(DropTarget target, QPoint local, Qt::KeyboardModifiers modifiers);

    // ---- deleting files (TrackListsDelete.cpp) ----
    void askAndDelete(int row, QStringList& stayed);

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
    std::vector<QAction*> listCommands_;  // disabled while a command runs
    QPointer<TMpegDelete> mpegDelete_;

    PlayerEngine* engine_ = nullptr;
    XaudioPlayer* player_ = nullptr;
    PlayerPanel* panel_ = nullptr;
    ListWindowHost* host_ = nullptr;
    LoadDialogSource* loadDialog_ = nullptr;
    SaveDialogRunner saveDialog_;
    std::function<QString(LoadKind)> listDirectory_;
    std::function<void(const QString&)> openInfo_;

    Id3v1Tag tag_;  // the tag read last for a row
    QString InfoFileName;
    int anchor_ = -1;

    // The drag protocol.
    bool selectionDrag_ = false;  // a drag of selection rows is under way
    bool togglePending_ = false;  // its first pass over the selection has yet to toggle
    Qt::MouseButton dragButton_ = Qt::NoButton;

    // The command guard.
    int busyDepth_ = 0;
    bool reordering_ = false;  // the playlist's rows are being reordered or removed
    QStringList claimed_;      // tracks the engine took meanwhile, to remove afterwards
    std::vector<std::function<void()>> queued_;
    bool queueScheduled_ = false;
    int eventSliceMs_ = kEventSliceMs;
    QElapsedTimer pumpClock_;

    // The delete command's flags (TMpegDelete's answers).
    bool deleteAll_ = false;
    bool deleteCancel_ = false;
};
