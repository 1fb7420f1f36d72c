#pragma once
// ListCommands: the two track lists of the main window and every command on them, apart
// from any window. The playlist is a queue the player takes row 1 from; the selection is
// a pool whose marked rows are copied into the playlist or loaded into the player. The list
// view (TrackLists with its grids) turns mouse, keys, menus and dialogs into these calls and
// shows the models and the signals below.
//
// Batches. FillPlaylist, FillSelection, loadfile and loadfile2 take files from outside (the
// load dialog, list files, hand-offs, the start file). Paths are made absolute the moment
// they arrive: relative entries of list files against the list file's folder, any other
// relative path against the current directory at arrival, so that later changes of the
// current directory (the load dialog makes them) never change which file a row names. Tags
// are read by a TrackFill on worker threads; the rows arrive in file order while the window
// stays responsive.
//
// Busy. While a fill runs or a command holds the lists (Hold, around a modal question),
// the lists are busy: the user's commands are refused (they return without effect), and
// batches handed in are queued and run one per event-loop turn, in arrival order, once the
// lists are free. A fill counts as finished when its last row is in its model.
//
// The first-file rule. While no track has been loaded since the start, the first file of a
// playlist batch goes to the player (ListPlayer::loadTrack) instead of into the list. When
// the player runs out of playlist rows while a playlist fill is still under way
// (playlistRanOut), it takes the next row as soon as one arrives.
//
// Errors. A command that cannot finish throws SonvoxError to its caller after the lists are
// consistent again: a row-format list file that cannot be read (the rows read so far stay),
// rows that do not fit (at most 30,000 tracks a list), files that could not be deleted.
// Errors of queued batches and of fills, which have no caller to throw to, are sent with
// failed().
//
// GUI thread only.

#include <QObject>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>

#include "core/TrackListModel.h"

class ListPlayer;
class QRandomGenerator;
class TrackFill;

// How loadfile and loadfile2 treat the list they load into.
enum class ListLoadMode {
    Replace,  // the list file's rows take the place of the list's rows
    Append,   // they follow the list's tracks
};

class ListCommands : public QObject {
    Q_OBJECT

public:
    // The answers to "delete this file?".
    enum class DeleteAnswer { Yes, No, All, Cancel };

    explicit ListCommands(QObject* parent = nullptr);
    ~ListCommands() override;

    TrackListModel& playlist() { return playlist_; }
    TrackListModel& selection() { return selection_; }
    const TrackListModel& playlist() const { return playlist_; }
    const TrackListModel& selection() const { return selection_; }

    // The player, once it exists; until then no track counts as loaded.
    void setPlayer(ListPlayer* player) { player_ = player; }
    // Whether the load dialog's "Append" box is ticked, read for every batch; ticked when
    // unset.
    void setAppendTicked(std::function<bool()> ticked) { appendTicked_ = std::move(ticked); }

    bool busy() const { return fill_ != nullptr || holds_ > 0; }
    // Not busy, and no batch waits in the queue.
    bool idle() const { return !busy() && queued_.empty(); }
    // The lists are busy for as long as a Hold lives.
    class Hold {
    public:
        explicit Hold(ListCommands& lists);
        ~Hold();
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        ListCommands& lists_;
    };

    // ---- batches (queued while busy) ------------------------------------------------------
    // Appends the tracks to the playlist, replacing its rows when "Append" is not ticked.
    // While no track is loaded, the first file goes to the player instead.
    void FillPlaylist(const QStringList& files);
    // Appends the tracks to the selection, replacing its rows when "Append" is not ticked.
    void FillSelection(const QStringList& files);
    // Reads a list file into the playlist, the selection. Row-format rows are taken as saved
    // and rows whose files are gone removed; M3U and PLS files become a batch.
    void loadfile(const QString& name, ListLoadMode mode);
    void loadfile2(const QString& name, ListLoadMode mode);
    // What the load dialog handed back, run at once (the view calls it only when not busy):
    // track files for a fill, or one list file, after which the playlist's first row starts
    // when no track is loaded and the file was in the row format.
    void loadChosenTracks(TrackListModel& list, const QStringList& files);
    void loadChosenList(TrackListModel& list, const QString& path, ListLoadMode mode);

    // Every entry of dir that matches "*.mp*", then every one that matches "*.msf", in the
    // order the file system gives them, as absolute paths (the load dialog's "Directory").
    static QStringList directoryTracks(const QString& dir);

    // ---- the user's edits (refused while busy) --------------------------------------------
    void deleteMarked(TrackListModel& list);  // "&Delete Selected"
    void clearList(TrackListModel& list);     // "&Clear Playlist", "&Clear Selection"
    // "&Sorted by..." of the selection.
    void sortSelection(int primaryCol, int secondaryCol);
    // "&Randomize" of the playlist.
    void shufflePlaylist(QRandomGenerator* generator = nullptr);
    // Appends the marked selection rows to the playlist (double click, Insert key).
    void PlaylistDouble();
    // Inserts copies of the marked selection rows before playlist row p (p = row count:
    // after the last row), in their selection order; unmarks them and every playlist row.
    void moveMarkedIntoPlaylist(int p);
    // A drop on the player panel: every marked selection row from the bottom up is unmarked
    // and loaded into the player, so the topmost stays loaded.
    void dropOnPlayer();
    // A press on a row: toggles its mark by the rules both lists share (Ctrl adds, Shift
    // marks from the anchor, a plain press on an unmarked row leaves it the only one; in
    // the selection a press on a marked row of a marked group keeps the group). False when
    // the row holds no track. One anchor serves both lists.
    bool toggleMark(TrackListModel& list, int row, bool shift, bool ctrl);
    int markAnchor() const { return anchor_; }
    // "Delete Mpeg &File": asks about the marked selection rows (with one data row, about
    // that row), bottom-up and then top-down, and deletes the confirmed files. Only a
    // regular file whose name matches the track masks is ever deleted; a row whose file is
    // anything else, or cannot be deleted, keeps its row, and the command then throws one
    // error naming every such file.
    void deleteMarkedFiles(const std::function<DeleteAnswer(const TrackRow& row)>& ask);

    // ---- the player -----------------------------------------------------------------------
    // The player found the playlist empty at the end of a track.
    void playlistRanOut();

    // At most this many names are listed in a message about files.
    static constexpr int kMaxNamesInMessage = 20;

signals:
    // The window is to make room: for the playlist (height), for the selection (width).
    void growHeightWanted();
    void growWidthWanted();
    // A fill into list began, advanced, ended.
    void fillStarted(TrackListModel* list, qsizetype total);
    void fillProgressed(TrackListModel* list, qsizetype done);
    void fillEnded(TrackListModel* list);
    void busyChanged(bool busy);
    // An error no caller can be given (a queued batch, a fill).
    void failed(const QString& message);

private:
    void runOrQueue(std::function<void()> batch);
    void scheduleQueue();
    void runQueued();
    void fillNow(TrackListModel& list, QStringList files);
    void startFill(TrackListModel& list, const QStringList& files);
    void fillFinished(const QString& error);
    void fillProgress(qsizetype done);
    void loadListNow(TrackListModel& list, const QString& path, ListLoadMode mode);
    void enableNext();
    bool trackLoaded() const;
    bool appendTicked() const { return !appendTicked_ || appendTicked_(); }
    void released();

    TrackListModel playlist_{TrackListModel::Kind::Playlist};
    TrackListModel selection_{TrackListModel::Kind::Selection};
    ListPlayer* player_ = nullptr;
    std::function<bool()> appendTicked_;
    int anchor_ = -1;

    std::unique_ptr<TrackFill> fill_;
    TrackListModel* fillList_ = nullptr;
    bool takeWhenRowArrives_ = false;
    int holds_ = 0;
    std::deque<std::function<void()>> queued_;
    bool queueScheduled_ = false;
};
