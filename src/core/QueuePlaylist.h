#pragma once
// A playlist held as a plain queue of file paths: the stand-in for the grid-based list
// model until that one lands, and the playlist the engine's tests drive. It keeps only
// the "Filename" column; the other columns of a list row are not its business.
//
// GUI thread only.

#include <QString>
#include <QStringList>
#include <utility>

#include "PlaylistSource.h"

class QueuePlaylist : public PlaylistSource {
public:
    QueuePlaylist() = default;
    explicit QueuePlaylist(QStringList files) : files_(std::move(files)) {}

    QString firstFileName() const override { return files_.isEmpty() ? QString() : files_.first(); }
    void removeFirstRow() override {
        if (!files_.isEmpty()) {
            files_.removeFirst();
        }
    }

    // ---- The owner's side -----------------------------------------------------------
    void append(const QString& file) { files_.append(file); }
    void append(const QStringList& files) { files_.append(files); }
    void clear() { files_.clear(); }
    const QStringList& files() const { return files_; }
    qsizetype count() const { return files_.size(); }
    bool isEmpty() const { return files_.isEmpty(); }

private:
    QStringList files_;
};
