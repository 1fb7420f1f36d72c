#pragma once
// The picture area of the cover and title-information windows (Image4): a track's cover
// stretched to fill the area, on black inside a bevel.
//
// loadCoverOf() empties the picture and has the cover read and decoded off the GUI thread
// (CoverLoader), at the smallest scale that still fills the area; the picture shows when
// it is ready. A newer load, clear() or setPicture() wins over a load under way. When the
// area grows beyond what the picture was decoded for, the cover is decoded again at the
// larger size, the old picture staying on screen meanwhile. Cover files that cannot be
// decoded leave the picture empty and are reported through loadFailed().
//
// GUI thread only. The loader and its worker thread are made at the first load.

#include <QFrame>
#include <QImage>
#include <QString>

#include "core/CoverLoader.h"
#include "core/Picture.h"

class CoverImage : public QFrame {
    Q_OBJECT
public:
    explicit CoverImage(QWidget* parent = nullptr);
    ~CoverImage() override;

    // Empties the picture, then loads the cover of track from its two places (coverPath:
    // the cover directory, ending in "/").
    void loadCoverOf(const QString& track, const QString& coverPath);
    // Shows a picture that was not loaded here (an import). file: the cover file that now
    // holds it, if any.
    void setPicture(const Picture& picture, const QString& file = {});
    // Empties the picture; a load under way is dropped.
    void clear();

    bool isEmpty() const { return image_.isNull(); }
    // The picture as decoded or set, before it is stretched to the area.
    const QImage& image() const { return image_; }
    // The track of the last load.
    const QString& track() const { return track_; }
    // The cover file the picture was read from or written to; empty when there is none.
    const QString& coverFile() const { return file_; }
    bool loading() const { return loader_ && loader_->busy(); }

    // The size in device pixels the picture is stretched to.
    QSize pixelSize() const;

signals:
    // A load has ended: the picture shows, or there was no cover, or it failed.
    void loadFinished();
    // A cover file could not be shown; message names the file and says why.
    void loadFailed(const QString& message);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void startLoad();
    void onLoaded(const CoverLoader::Result& result);
    // Takes image as the picture decoded or set for the area's size at the time.
    void takeImage(QImage image, const QString& file);

    CoverLoader* loader_ = nullptr;
    QImage image_;            // decoded or set
    QImage shown_;            // image_ stretched to the area, made when first painted at that size
    QSize requested_;         // the area's size in device pixels when image_ was made
    bool atFullSize_ = true;  // image_ cannot get larger by decoding its file again
    QString track_;
    QString coverPath_;
    QString file_;
};
