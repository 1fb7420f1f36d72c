#include "PictureImage.h"

#include <QPainter>

#include <cstring>

namespace PictureImage {

QImage toImage(const Picture& picture) {
    if (picture.isNull()) {
        return {};
    }
    // The image refers to the bytes of a shared copy of the buffer, released with it.
    auto* holder = new QByteArray(picture.pixels);
    return QImage(
        reinterpret_cast<const uchar*>(holder->constData()), picture.width, picture.height,
        qsizetype(picture.width) * Picture::kBytesPerPixel, QImage::Format_RGB32,
        [](void* bytes) { delete static_cast<QByteArray*>(bytes); }, holder);
}

Picture fromImage(const QImage& image) {
    if (image.isNull()) {
        return {};
    }
    QImage opaque;
    if (image.hasAlphaChannel()) {
        opaque = QImage(image.size(), QImage::Format_RGB32);
        if (opaque.isNull()) {
            return {};
        }
        opaque.fill(Qt::white);
        QPainter painter(&opaque);
        painter.drawImage(0, 0, image);
    } else {
        opaque = image.convertToFormat(QImage::Format_RGB32);
    }
    Picture picture = Picture::allocate(opaque.width(), opaque.height());
    if (picture.isNull() || opaque.isNull()) {
        return {};
    }
    const std::size_t rowBytes = std::size_t(picture.width) * Picture::kBytesPerPixel;
    for (int y = 0; y < picture.height; ++y) {
        std::memcpy(picture.row(y), opaque.constScanLine(y), rowBytes);
        // Format_RGB32 leaves the top byte undefined; a picture is opaque.
        for (quint32 *p = picture.row(y), *end = p + picture.width; p != end; ++p) {
            *p |= 0xFF000000u;
        }
    }
    return picture;
}

}  // namespace PictureImage
