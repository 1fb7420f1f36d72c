#pragma once
// TrackFill: one batch of track files read into a list model off the GUI thread. The tags
// are read on worker threads, a chunk of files per task; the chunks come back to the GUI
// thread in any order and are applied to the model strictly in file order, so the rows
// arrive as if read one by one, only without holding up the window.
//
// Each file gives a row from its tag (readTrackTag, with the fallback names); a file that
// does not exist or cannot be opened gives none and is skipped silently. An input/output
// error while reading a tag ends the batch at that file: the rows before it are applied,
// the rest is dropped, and finished() carries the error's text. A full list ends it the
// same way, naming how many files were left out.
//
// Life cycle: the fill starts when constructed and reports finished() exactly once, from
// the event loop, after its last row is in the model (also for an empty batch). Destroying
// it stops it at once: no further row is applied and no signal is sent. The model must
// outlive the fill.
//
// GUI thread only; the worker threads touch nothing but their own chunk.

#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <atomic>
#include <map>
#include <memory>
#include <optional>
#include <vector>

#include "core/PackedTrack.h"

class TrackListModel;

class TrackFill : public QObject {
    Q_OBJECT

public:
    // Files per worker task; the first task is short so that the first rows show at once.
    static constexpr int kFirstChunkFiles = 8;
    static constexpr int kChunkFiles = 96;

    TrackFill(TrackListModel& model, QStringList files, QObject* parent = nullptr);
    ~TrackFill() override;

    qsizetype total() const { return files_.size(); }
    // Files whose rows (or lack of one) are applied so far.
    qsizetype done() const { return done_; }
    // Rows added to the model so far.
    int added() const { return added_; }
    bool isFinished() const { return finished_; }

    // The row of one track file: its tag, else its fallback names; nothing for a file that
    // cannot be opened. Throws SonvoxError on an input/output error. Any thread.
    static std::optional<PackedTrack> readRow(const QString& file);

signals:
    // After rows went into the model; done counts the files examined.
    void progressed(qsizetype done, qsizetype total);
    // The batch is over; error is empty unless it ended early.
    void finished(const QString& error);

private:
    struct Chunk {
        std::vector<PackedTrack> rows;
        std::vector<qsizetype> fileIndex;  // the file each row came from
        qsizetype examined = 0;            // files looked at, up to and excluding an error
        QString error;
    };
    void readChunk(int index, qsizetype from, qsizetype to);
    void chunkRead(int index, Chunk chunk);
    void finish(const QString& error);

    TrackListModel& model_;
    QStringList files_;
    std::vector<qsizetype> starts_;  // first file of each chunk, then the end
    std::map<int, Chunk> waiting_;   // chunks read but not yet in turn
    int nextChunk_ = 0;
    qsizetype done_ = 0;
    int added_ = 0;
    bool finished_ = false;
    std::shared_ptr<std::atomic<bool>> stop_ = std::make_shared<std::atomic<bool>>(false);
    QThreadPool pool_;
};
