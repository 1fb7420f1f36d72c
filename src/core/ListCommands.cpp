// ListCommands: batches from outside, fills on worker threads, list files, and the queue
// that holds batches back while the lists are busy.

#include "ListCommands.h"

#include <dirent.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include "core/FileMask.h"
#include "core/ListFile.h"
#include "core/ListPlayer.h"
#include "core/Paths.h"
#include "core/SonvoxError.h"
#include "core/TrackFill.h"

namespace {

// A path as it arrives: relative ones against the current directory now, so that nothing
// later depends on it.
QString absoluteAtArrival(const QString& path) {
    if (path.isEmpty() || isAbsoluteFileName(path)) {
        return path;
    }
    return QDir::cleanPath(QDir::currentPath() + u'/' + path);
}

QStringList absoluteAtArrival(const QStringList& paths) {
    QStringList result;
    result.reserve(paths.size());
    for (const QString& path : paths) {
        result.append(absoluteAtArrival(path));
    }
    return result;
}

QString notAddedMessage(qsizetype count, const TrackListModel& list) {
    return QStringLiteral("%1 files were not added: the %2 holds at most %3 tracks.")
        .arg(count)
        .arg(list.name())
        .arg(TrackListModel::kMaxDataRows);
}

}  // namespace

ListCommands::ListCommands(QObject* parent) : QObject(parent) {}

ListCommands::~ListCommands() = default;

ListCommands::Hold::Hold(ListCommands& lists) : lists_(lists) {
    if (lists_.holds_++ == 0 && !lists_.fill_) {
        emit lists_.busyChanged(true);
    }
}

ListCommands::Hold::~Hold() {
    if (--lists_.holds_ == 0 && !lists_.fill_) {
        lists_.released();
    }
}

void ListCommands::released() {
    emit busyChanged(false);
    scheduleQueue();
}

// ---- The queue ------------------------------------------------------------------------------

void ListCommands::runOrQueue(std::function<void()> batch) {
    if (!busy() && queued_.empty()) {
        batch();
        return;
    }
    queued_.push_back(std::move(batch));
    scheduleQueue();
}

void ListCommands::scheduleQueue() {
    if (!queueScheduled_ && !queued_.empty() && !busy()) {
        queueScheduled_ = true;
        QTimer::singleShot(0, this, &ListCommands::runQueued);
    }
}

// One batch per turn of the event loop; one that starts a fill holds the rest back until
// the fill ends.
void ListCommands::runQueued() {
    queueScheduled_ = false;
    if (busy() || queued_.empty()) {
        return;
    }
    std::function<void()> batch = std::move(queued_.front());
    queued_.pop_front();
    try {
        batch();
    } catch (const SonvoxError& e) {
        emit failed(e.message());
    }
    scheduleQueue();
}

// ---- Fills ----------------------------------------------------------------------------------

void ListCommands::FillPlaylist(const QStringList& files) {
    if (!files.isEmpty()) {
        const QStringList absolute = absoluteAtArrival(files);
        runOrQueue([this, absolute] { fillNow(playlist_, absolute); });
    }
}

void ListCommands::FillSelection(const QStringList& files) {
    if (!files.isEmpty()) {
        const QStringList absolute = absoluteAtArrival(files);
        runOrQueue([this, absolute] { fillNow(selection_, absolute); });
    }
}

void ListCommands::loadChosenTracks(TrackListModel& list, const QStringList& files) {
    if (!busy() && !files.isEmpty()) {
        fillNow(list, absoluteAtArrival(files));
    }
}

void ListCommands::fillNow(TrackListModel& list, QStringList files) {
    QStringList undecodable;
    files.removeIf([&undecodable](const QString& file) {
        if (Paths::isFaithfulFileName(file)) {
            return false;
        }
        undecodable.append(file);
        return true;
    });
    if (!undecodable.isEmpty()) {
        emit failed(Paths::undecodableNamesText(undecodable));
        if (files.isEmpty()) {
            return;
        }
    }
    if (!appendTicked()) {
        list.clear();
    }
    if (&list == &playlist_) {
        if (!trackLoaded() && player_) {
            player_->loadTrack(files.takeFirst());
        }
        emit growHeightWanted();
    } else {
        emit growWidthWanted();
    }
    if (files.isEmpty()) {
        enableNext();
        return;
    }
    startFill(list, files);
}

void ListCommands::startFill(TrackListModel& list, const QStringList& files) {
    const bool wasBusy = busy();
    fillList_ = &list;
    fill_ = std::make_unique<TrackFill>(list, files);
    connect(fill_.get(), &TrackFill::progressed, this,
            [this](qsizetype done, qsizetype) { fillProgress(done); });
    connect(fill_.get(), &TrackFill::finished, this, &ListCommands::fillFinished);
    if (!wasBusy) {
        emit busyChanged(true);
    }
    emit fillStarted(&list, files.size());
}

void ListCommands::fillProgress(qsizetype done) {
    if (fillList_ == &playlist_) {
        enableNext();
        if (takeWhenRowArrives_ && playlist_.holdsAnyTrack()) {
            takeWhenRowArrives_ = false;
            if (player_) {
                player_->NextUpClick();
            }
        }
    }
    emit fillProgressed(fillList_, done);
}

void ListCommands::fillFinished(const QString& error) {
    TrackListModel* list = std::exchange(fillList_, nullptr);
    // The fill is done; it is deleted once its signal has returned.
    fill_.release()->deleteLater();
    takeWhenRowArrives_ = false;
    if (list == &playlist_) {
        enableNext();
    }
    emit fillEnded(list);
    if (holds_ == 0) {
        released();
    }
    if (!error.isEmpty()) {
        emit failed(error);
    }
}

void ListCommands::playlistRanOut() {
    if (fillList_ == &playlist_) {
        takeWhenRowArrives_ = true;
    }
}

// ---- List files -----------------------------------------------------------------------------

void ListCommands::loadfile(const QString& name, ListLoadMode mode) {
    const QString path = absoluteAtArrival(name);
    runOrQueue([this, path, mode] { loadListNow(playlist_, path, mode); });
}

void ListCommands::loadfile2(const QString& name, ListLoadMode mode) {
    const QString path = absoluteAtArrival(name);
    runOrQueue([this, path, mode] { loadListNow(selection_, path, mode); });
}

void ListCommands::loadChosenList(TrackListModel& list, const QString& path, ListLoadMode mode) {
    if (busy()) {
        return;
    }
    const QString absolute = absoluteAtArrival(path);
    loadListNow(list, absolute, mode);
    if (&list == &playlist_) {
        emit growHeightWanted();
        enableNext();
        const bool batch = endsWithLetters(absolute, QLatin1StringView("M3U")) ||
                           endsWithLetters(absolute, QLatin1StringView("PLS"));
        if (!trackLoaded() && !batch && player_) {
            player_->NextUpClick();
        }
    } else {
        emit growWidthWanted();
    }
}

// Row format: the rows are taken as saved, after the list's tracks when appending to a list
// that holds any, else in place of its rows; then every row whose file is gone is removed,
// the list's earlier rows included. M3U and PLS files become a batch.
void ListCommands::loadListNow(TrackListModel& list, const QString& path, ListLoadMode mode) {
    const bool afterTracks = mode == ListLoadMode::Append && list.holdsAnyTrack();
    if (endsWithLetters(path, QLatin1StringView("M3U")) ||
        endsWithLetters(path, QLatin1StringView("PLS"))) {
        const ListFileContent content = readListFile(path);
        if (!content.paths.isEmpty()) {
            fillNow(list, content.paths);
        }
        return;
    }
    std::vector<PackedTrack> rows;
    try {
        rows = readRowFile(path);
    } catch (const ListReadError& error) {
        // The list keeps what was read up to the failure, untrimmed, unfiltered.
        std::vector<PackedTrack> kept;
        if (afterTracks) {
            for (int r = 1; r < list.rowCount(); ++r) {
                kept.push_back(*list.packed(r));
            }
        }
        for (const TrackRow& group : error.groupsRead()) {
            kept.emplace_back(group);
        }
        list.replaceRows(std::move(kept));
        throw;
    }
    keepRows(rows, afterTracks);
    std::erase_if(rows, [](const PackedTrack& row) {
        return !trackFileExists(row.cell(TrackColumn::Filename));
    });
    if (afterTracks) {
        list.removeRows([&list](int r) { return !trackFileExists(list.fileName(r)); });
    } else {
        list.clear();
    }
    const qsizetype wanted = qsizetype(rows.size());
    const int appended = list.appendTracks(std::move(rows));
    if (appended < wanted) {
        throw SonvoxError(notAddedMessage(wanted - appended, list));
    }
}

QStringList ListCommands::directoryTracks(const QString& dir) {
    const QString base = absoluteAtArrival(dir);
    // Read with readdir: Qt's directory iterators pass over names that are not UTF-8
    // without a word, and the user is to hear of such a track (see fillNow).
    QStringList names;
    if (DIR* stream = ::opendir(QFile::encodeName(base).constData())) {
        while (const dirent* entry = ::readdir(stream)) {
            const QByteArrayView name(entry->d_name);
            if (name != "." && name != "..") {
                names.append(QFile::decodeName(entry->d_name));
            }
        }
        ::closedir(stream);
    }
    QStringList files;
    for (const char* mask : {"*.mp*", "*.msf"}) {
        const FileMask matcher{QString::fromLatin1(mask)};
        for (const QString& name : std::as_const(names)) {
            if (matcher.matches(name)) {
                files.append(QDir(base).filePath(name));
            }
        }
    }
    return files;
}

// ---- Small helpers --------------------------------------------------------------------------

bool ListCommands::trackLoaded() const {
    return player_ && player_->trackLoaded();
}

// NextUp goes on whenever the playlist has something to take.
void ListCommands::enableNext() {
    if (player_ && playlist_.holdsAnyTrack()) {
        player_->setNextEnabled(true);
    }
}
