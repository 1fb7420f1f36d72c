#pragma once
// JPEG pictures through libjpeg's own API. This is the only code that talks to the
// library.
//
// The library's default error handler ends the process; here every error returns to the
// caller instead, so corrupt, truncated or oversized data gives an error text and a null
// picture, never a crash or an exit. Data that makes the decoder resynchronise or run out
// early counts as corrupt (the library would otherwise fill the rest with grey). Pictures
// wider or higher than kMaxSide pixels are refused from their header, before anything is
// decoded or allocated.
//
// Decoding for display uses the library's DCT scaling: the picture comes out at the
// smallest scale (1/8, 2/8, ... 8/8) whose size is not below the size asked for, which is
// much faster for a large picture shown small. Encoding uses the library's default
// settings (quality 75, 4:2:0).
//
// Thread rules: no state is kept between calls; every function may be called from any
// thread, also at the same time.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>

#include "Picture.h"

class JpegCodec {
public:
    static constexpr int kMaxSide = 10000;  // pixels, in either direction

    struct Decoded {
        Picture picture;    // null on failure
        QString error;      // why it failed; empty on success
        bool cancelled = false;
        int fullWidth = 0;  // the picture's own size, from its header
        int fullHeight = 0;
        bool ok() const { return error.isEmpty() && !picture.isNull(); }
    };

    // Returns true to give up a decode under way; polled between rows and scans.
    using CancelCheck = std::function<bool()>;

    // Decodes JPEG data. With minWidth and minHeight above 0 the picture is decoded at the
    // smallest DCT scale whose size is at least minWidth x minHeight (or at full size when
    // even that is smaller); with 0 at full size. Grey and CMYK pictures come out as RGB.
    static Decoded decode(QByteArrayView jpeg, int minWidth = 0, int minHeight = 0,
                          const CancelCheck& cancelled = {});

    // Whether the data begins like a JPEG file (the start-of-image marker then a marker).
    static bool looksLikeJpeg(QByteArrayView data);

    // Encodes an opaque picture with the library's defaults. Returns empty data and sets
    // error when the picture is null, too large or the library fails.
    static QByteArray encode(const Picture& picture, QString* error = nullptr);

    // The library's version as the running program sees it, and the file it was loaded from.
    static QString runtimeVersion();
    static QString libraryFile();
};
