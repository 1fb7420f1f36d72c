#pragma once
// Decodes cover pictures for display off the GUI thread.
//
// load() returns at once; a worker thread reads the track's cover file (CoverFiles) and
// decodes it at the display size (JpegCodec), and loaded() is emitted on the loader's
// thread when it is ready. Only the latest request counts: a newer load() or cancel()
// stops an older decode at its next row and its result is never delivered, so a quick run
// of track changes shows the last track's cover, never a late one.
//
// Thread rules: create, call and destroy on one thread that runs an event loop (the GUI
// thread). The destructor cancels and waits for the worker.

#include <QObject>
#include <QString>
#include <QThreadPool>
#include <atomic>
#include <memory>

#include "Picture.h"

class CoverLoader : public QObject {
    Q_OBJECT
public:
    struct Result {
        int request = 0;
        Picture picture;  // null when there is no cover or it could not be decoded
        QString file;     // the cover file read; empty when the track has none
        QString error;    // why a cover file gave no picture
    };

    explicit CoverLoader(QObject* parent = nullptr);
    ~CoverLoader() override;

    // Starts loading the cover of track, decoded at no less than minWidth x minHeight.
    // Returns the request's number, which loaded() reports.
    int load(const QString& track, const QString& coverPath, int minWidth, int minHeight);
    // Drops the request under way, if any.
    void cancel();
    // Whether a request has not been answered yet.
    bool busy() const { return pending_; }

signals:
    void loaded(const CoverLoader::Result& result);

private:
    void deliver(const Result& result);

    std::shared_ptr<std::atomic<int>> latest_;
    int next_ = 0;
    bool pending_ = false;
    QThreadPool pool_;
};
