#include "TCover.h"

#include <QCloseEvent>
#include <QResizeEvent>

#include "CoverImage.h"
#include "ReportError.h"

TCover::TCover(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("Cover"));
    setWindowTitle(QStringLiteral("Cover"));
    setMinimumSize(kMinimumSide, kMinimumSide);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::black);
    setPalette(palette);
    setAutoFillBackground(true);
    Image4 = new CoverImage(this);
    Image4->setGeometry(rect());
    connect(Image4, &CoverImage::loadFailed, this, &reportError);
}

void TCover::place(int left, int top, int clientWidth) {
    const int side = std::max(clientWidth, kMinimumSide);
    resize(side, side);
    move(left, top);
}

void TCover::FormShow(const QString& track) {
    Image4->loadCoverOf(track, coverPath_);
}

void TCover::followTrack(const QString& track) {
    if (isHidden()) {
        return;
    }
    FormShow(track);
    raise();
}

void TCover::coverChanged(const QString& track) {
    if (!isHidden() && track == Image4->track()) {
        FormShow(track);
    }
}

void TCover::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Image4->setGeometry(rect());
    if (height() != width() && !squaring_) {
        squaring_ = true;
        resize(width(), width());
        squaring_ = false;
    }
}

void TCover::closeEvent(QCloseEvent* event) {
    event->accept();
    emit closedByFrame();
}
