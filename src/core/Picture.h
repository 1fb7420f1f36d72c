#pragma once
// A decoded picture as plain memory, for the layers that may not use Qt's image classes.
//
// Pixels are 32-bit words 0xFFRRGGBB in the machine's byte order, row after row with no
// padding: the layout of an opaque 32-bit image in the window layer, which wraps the
// buffer without copying it. The buffer is implicitly shared, so a picture may be handed
// from a worker thread to the GUI thread by value.

#include <QByteArray>
#include <QtGlobal>

struct Picture {
    int width = 0;
    int height = 0;
    QByteArray pixels;  // width * height * 4 bytes

    static constexpr int kBytesPerPixel = 4;

    bool isNull() const { return width <= 0 || height <= 0 || pixels.isEmpty(); }

    // A picture of this size whose pixels are not yet set; null when the buffer cannot be
    // had.
    static Picture allocate(int width, int height) {
        Picture p;
        const qsizetype bytes = qsizetype(width) * height * kBytesPerPixel;
        if (width <= 0 || height <= 0 || bytes / kBytesPerPixel / height != width) {
            return p;
        }
        p.pixels = QByteArray(bytes, Qt::Uninitialized);
        if (p.pixels.size() != bytes) {
            return Picture{};
        }
        p.width = width;
        p.height = height;
        return p;
    }

    quint32* row(int y) { return reinterpret_cast<quint32*>(pixels.data()) + qsizetype(y) * width; }
    const quint32* row(int y) const {
        return reinterpret_cast<const quint32*>(pixels.constData()) + qsizetype(y) * width;
    }
    quint32 pixel(int x, int y) const { return row(y)[x]; }

    static constexpr quint32 rgb(int r, int g, int b) {
        return 0xFF000000u | (quint32(r) << 16) | (quint32(g) << 8) | quint32(b);
    }
};
