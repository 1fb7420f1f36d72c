#pragma once
// Reads Windows bitmap files (".bmp") for importing a cover picture.
//
// Accepted: the Windows headers of 40, 52, 56, 108 and 124 bytes and the old OS/2 header of
// 12 bytes; 1, 4 and 8 bits per pixel with a colour table, 16, 24 and 32 bits per pixel
// without compression or with bit fields; rows stored bottom-up or top-down. Compressed
// (run-length, embedded JPEG or PNG) bitmaps are refused. Every size and offset is
// checked against the data before it is used, so a damaged or hostile file gives an error
// text and a null picture, never a read outside the data. Pictures wider or higher than
// 10000 pixels are refused before anything is allocated. Alpha is dropped: a cover is
// opaque.
//
// Thread rules: no state; callable from any thread.

#include <QByteArrayView>
#include <QString>

#include "Picture.h"

class BmpReader {
public:
    static constexpr int kMaxSide = 10000;

    // The picture in data, or a null picture with error set.
    static Picture read(QByteArrayView data, QString* error = nullptr);
};
