#include "CoverImage.h"

#include <QFileInfo>
#include <QPainter>
#include <QResizeEvent>

#include "PictureImage.h"

namespace {
constexpr int kBevelPx = 2;
}

CoverImage::CoverImage(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("Image4"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(kBevelPx);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

CoverImage::~CoverImage() = default;

QSize CoverImage::pixelSize() const {
    const QSize area = contentsRect().size();
    const qreal ratio = devicePixelRatioF();
    return QSize(qCeil(area.width() * ratio), qCeil(area.height() * ratio)).expandedTo(QSize(1, 1));
}

void CoverImage::loadCoverOf(const QString& track, const QString& coverPath) {
    clear();
    track_ = track;
    coverPath_ = coverPath;
    if (!track.isEmpty()) {
        startLoad();
    }
}

void CoverImage::startLoad() {
    if (!loader_) {
        loader_ = new CoverLoader(this);
        connect(loader_, &CoverLoader::loaded, this, &CoverImage::onLoaded);
    }
    requested_ = pixelSize();
    loader_->load(track_, coverPath_, requested_.width(), requested_.height());
}

void CoverImage::takeImage(QImage image, const QString& file) {
    image_ = std::move(image);
    shown_ = QImage();
    file_ = image_.isNull() ? QString() : file;
    // The decoder gives the smallest scale that is not below the size asked for, or the
    // full size when even that is smaller.
    atFullSize_ = image_.width() < requested_.width() || image_.height() < requested_.height();
    update();
}

void CoverImage::setPicture(const Picture& picture, const QString& file) {
    if (loader_) {
        loader_->cancel();
    }
    requested_ = pixelSize();
    takeImage(PictureImage::toImage(picture), file);
}

void CoverImage::clear() {
    setPicture(Picture{});
}

void CoverImage::onLoaded(const CoverLoader::Result& result) {
    takeImage(PictureImage::toImage(result.picture), result.file);
    if (!result.error.isEmpty()) {
        emit loadFailed(QStringLiteral("The cover picture \"%1\" cannot be shown: %2.")
                            .arg(QFileInfo(result.file).fileName(), result.error));
    }
    emit loadFinished();
}

void CoverImage::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    // A picture decoded for a smaller area is decoded again from its file, which would
    // otherwise show blurred; the old picture stays until the new one is ready.
    const QSize size = pixelSize();
    if (!image_.isNull() && !file_.isEmpty() && !atFullSize_ && !loading() &&
        (size.width() > requested_.width() || size.height() > requested_.height())) {
        startLoad();
    }
}

void CoverImage::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    const QRect area = contentsRect();
    if (image_.isNull()) {
        painter.fillRect(area, Qt::black);
        return;
    }
    const QSize size = pixelSize();
    if (shown_.size() != size) {
        shown_ = image_.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    }
    painter.drawImage(area, shown_);
}
