#include "TrackFill.h"

#include <QThread>
#include <QTimer>
#include <algorithm>

#include "core/GenreTable.h"
#include "core/Id3v1Tag.h"
#include "core/SonvoxError.h"
#include "core/TrackListModel.h"

namespace {

// Enough readers to keep the disk and the cores busy; the GUI thread applies the rows.
constexpr int kMaxReaders = 4;

}  // namespace

std::optional<PackedTrack> TrackFill::readRow(const QString& file) {
    Id3v1Tag tag;
    readTrackTag(file, tag);
    if (tag.artist.isEmpty()) {
        return std::nullopt;
    }
    return PackedTrack(TrackRow{QString(), tag.artist, tag.title, tag.year,
                                GenreTable::name(tag.genre), tag.album, tag.comment, file});
}

TrackFill::TrackFill(TrackListModel& model, QStringList files, QObject* parent)
    : QObject(parent), model_(model), files_(std::move(files)) {
    pool_.setMaxThreadCount(std::clamp(QThread::idealThreadCount(), 2, kMaxReaders));
    for (qsizetype from = 0; from < files_.size();) {
        starts_.push_back(from);
        from += starts_.size() == 1 ? kFirstChunkFiles : kChunkFiles;
    }
    starts_.push_back(files_.size());
    if (files_.isEmpty()) {
        QTimer::singleShot(0, this, [this] { finish(QString()); });
        return;
    }
    for (int index = 0; index + 1 < int(starts_.size()); ++index) {
        const qsizetype from = starts_[size_t(index)];
        const qsizetype to = std::min(starts_[size_t(index) + 1], files_.size());
        pool_.start([this, index, from, to] { readChunk(index, from, to); });
    }
}

TrackFill::~TrackFill() {
    stop_->store(true);
    pool_.clear();
    pool_.waitForDone();
}

// Worker thread: reads files [from, to) and posts the chunk to the GUI thread.
void TrackFill::readChunk(int index, qsizetype from, qsizetype to) {
    Chunk chunk;
    chunk.rows.reserve(size_t(to - from));
    chunk.fileIndex.reserve(size_t(to - from));
    for (qsizetype i = from; i < to; ++i) {
        if (stop_->load()) {
            return;
        }
        try {
            if (std::optional<PackedTrack> row = readRow(files_[i])) {
                chunk.rows.push_back(std::move(*row));
                chunk.fileIndex.push_back(i);
            }
        } catch (const SonvoxError& e) {
            chunk.error = e.message();
            break;
        }
        ++chunk.examined;
    }
    auto shared = std::make_shared<Chunk>(std::move(chunk));
    QMetaObject::invokeMethod(
        this, [this, index, shared] { chunkRead(index, std::move(*shared)); },
        Qt::QueuedConnection);
}

// GUI thread: applies every chunk that is in turn now.
void TrackFill::chunkRead(int index, Chunk chunk) {
    if (finished_) {
        return;
    }
    waiting_.emplace(index, std::move(chunk));
    bool applied = false;
    while (!finished_) {
        const auto next = waiting_.find(nextChunk_);
        if (next == waiting_.end()) {
            break;
        }
        Chunk ready = std::move(next->second);
        waiting_.erase(next);
        const qsizetype from = starts_[size_t(nextChunk_)];
        ++nextChunk_;
        const int offered = int(ready.rows.size());
        const int fitted = model_.appendTracks(std::move(ready.rows));
        added_ += fitted;
        done_ = from + ready.examined;
        applied = true;
        if (fitted < offered) {
            // The list is full: every file from the first track that did not fit is left out.
            const qsizetype leftOut = files_.size() - ready.fileIndex[size_t(fitted)];
            emit progressed(done_, total());
            finish(QStringLiteral("%1 files were not added: the %2 holds at most %3 tracks.")
                       .arg(leftOut)
                       .arg(model_.name())
                       .arg(TrackListModel::kMaxDataRows));
            return;
        }
        if (!ready.error.isEmpty()) {
            emit progressed(done_, total());
            finish(ready.error);
            return;
        }
    }
    if (applied) {
        emit progressed(done_, total());
    }
    if (!finished_ && nextChunk_ + 1 >= int(starts_.size())) {
        finish(QString());
    }
}

void TrackFill::finish(const QString& error) {
    if (finished_) {
        return;
    }
    finished_ = true;
    stop_->store(true);
    pool_.clear();
    emit finished(error);
}
