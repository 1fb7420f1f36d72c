// JPEG decoding and encoding through libjpeg, and the bitmap reader: good pictures in every
// stored form, and damaged, truncated, oversized and foreign data, which must give an
// error and no picture (libjpeg's own handler would end the process).

#include <QTest>

#include <cstdio>
#include <functional>

extern "C" {
#include <jpeglib.h>
}

#include "core/BmpReader.h"
#include "core/JpegCodec.h"
#include "core/Picture.h"

namespace {

// A picture with four flat quadrants (red, green, blue, white): JPEG keeps flat areas
// close to their colour.
Picture quadrants(int width, int height) {
    Picture p = Picture::allocate(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool right = x >= width / 2, low = y >= height / 2;
            p.row(y)[x] = !low ? (right ? Picture::rgb(0, 255, 0) : Picture::rgb(255, 0, 0))
                               : (right ? Picture::rgb(255, 255, 255) : Picture::rgb(0, 0, 255));
        }
    }
    return p;
}

// Busy content, so that the entropy-coded data is long enough to damage.
Picture noise(int width, int height) {
    Picture p = Picture::allocate(width, height);
    quint32 state = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            p.row(y)[x] = 0xFF000000u | (state >> 8);
        }
    }
    return p;
}

bool near(quint32 pixel, int r, int g, int b, int tolerance = 24) {
    return qAbs(int((pixel >> 16) & 0xFF) - r) <= tolerance &&
           qAbs(int((pixel >> 8) & 0xFF) - g) <= tolerance && qAbs(int(pixel & 0xFF) - b) <= tolerance;
}

// A JPEG of `components` channels (1 grey, 4 CMYK) made with libjpeg directly, every pixel
// holding `sample`.
QByteArray plainJpeg(int components, const std::array<unsigned char, 4>& sample, bool adobe) {
    jpeg_compress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = 16;
    info.image_height = 16;
    info.input_components = components;
    info.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_CMYK;
    jpeg_set_defaults(&info);
    info.write_Adobe_marker = adobe ? TRUE : FALSE;
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(16 * components);
    for (int x = 0; x < 16; ++x) {
        std::copy_n(sample.begin(), components, row.begin() + x * components);
    }
    while (info.next_scanline < info.image_height) {
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray out(reinterpret_cast<const char*>(buffer), qsizetype(size));
    free(buffer);
    return out;
}

// ---- Bitmaps ------------------------------------------------------------------------------

void put16(QByteArray& b, int at, quint32 v) {
    b[at] = char(v & 0xFF);
    b[at + 1] = char((v >> 8) & 0xFF);
}
void put32(QByteArray& b, int at, quint32 v) {
    put16(b, at, v & 0xFFFF);
    put16(b, at + 2, v >> 16);
}

struct BmpLayout {
    int bits = 24;
    int headerSize = 40;
    quint32 compression = 0;
    QList<quint32> masks = {};  // red, green, blue (bit fields)
    bool topDown = false;
    int width = 3;
    int height = 2;
};

// The 3 x 2 test picture's colours; a palette picture uses them as its table.
const quint32 kColours[6] = {Picture::rgb(255, 0, 0),   Picture::rgb(0, 255, 0),
                             Picture::rgb(0, 0, 255),   Picture::rgb(255, 255, 255),
                             Picture::rgb(0, 0, 0),     Picture::rgb(128, 64, 32)};

int paletteIndex(int x, int y, int bits) {
    return (x + 3 * y) % (1 << bits);
}

// Encodes the test picture in layout's form.
QByteArray makeBmp(const BmpLayout& layout) {
    const int paletteSize = layout.bits <= 8 ? (layout.bits == 1 ? 2 : 6) : 0;
    const int entry = layout.headerSize == 12 ? 3 : 4;
    const int maskBytes = layout.headerSize == 40 && layout.compression == 3 ? 12 : 0;
    const int stride = (layout.width * layout.bits + 31) / 32 * 4;
    const int offset = 14 + layout.headerSize + maskBytes + paletteSize * entry;
    QByteArray b(offset + stride * layout.height, '\0');
    b[0] = 'B';
    b[1] = 'M';
    put32(b, 2, b.size());
    put32(b, 10, offset);
    put32(b, 14, layout.headerSize);
    if (layout.headerSize == 12) {
        put16(b, 18, layout.width);
        put16(b, 20, layout.height);
        put16(b, 22, 1);
        put16(b, 24, layout.bits);
    } else {
        put32(b, 18, layout.width);
        put32(b, 22, layout.topDown ? -layout.height : layout.height);
        put16(b, 26, 1);
        put16(b, 28, layout.bits);
        put32(b, 30, layout.compression);
        for (int i = 0; i < layout.masks.size(); ++i) {
            put32(b, 54 + 4 * i, layout.masks[i]);
        }
    }
    for (int i = 0; i < paletteSize; ++i) {
        const int at = 14 + layout.headerSize + maskBytes + i * entry;
        b[at] = char(kColours[i] & 0xFF);
        b[at + 1] = char((kColours[i] >> 8) & 0xFF);
        b[at + 2] = char((kColours[i] >> 16) & 0xFF);
    }
    for (int y = 0; y < layout.height; ++y) {
        const int row = offset + stride * (layout.topDown ? y : layout.height - 1 - y);
        for (int x = 0; x < layout.width; ++x) {
            const quint32 c = kColours[(x + 3 * y) % 6];
            const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, bl = c & 0xFF;
            switch (layout.bits) {
                case 1:
                case 4:
                case 8: {
                    const int index = paletteIndex(x, y, layout.bits);
                    const int bit = x * layout.bits;
                    b[row + bit / 8] = char(b[row + bit / 8] | (index << (8 - layout.bits - bit % 8)));
                    break;
                }
                case 16:
                    if (layout.compression == 3) {  // 5-6-5
                        put16(b, row + 2 * x, ((r >> 3) << 11) | ((g >> 2) << 5) | (bl >> 3));
                    } else {
                        put16(b, row + 2 * x, ((r >> 3) << 10) | ((g >> 3) << 5) | (bl >> 3));
                    }
                    break;
                case 24:
                    b[row + 3 * x] = char(bl), b[row + 3 * x + 1] = char(g), b[row + 3 * x + 2] = char(r);
                    break;
                case 32:
                    put32(b, row + 4 * x, layout.compression == 3 ? (quint32(bl) << 24) | (g << 16) | (r << 8)
                                                                 : quint32(c & 0xFFFFFF));
                    break;
            }
        }
    }
    return b;
}

}  // namespace

Q_DECLARE_METATYPE(BmpLayout)

class PicturesTest : public QObject {
    Q_OBJECT

private slots:
    void jpegRoundTrip() {
        const QByteArray jpeg = JpegCodec::encode(quadrants(64, 48));
        QVERIFY(JpegCodec::looksLikeJpeg(jpeg));
        const JpegCodec::Decoded d = JpegCodec::decode(jpeg);
        QVERIFY2(d.ok(), qPrintable(d.error));
        QCOMPARE(d.picture.width, 64);
        QCOMPARE(d.picture.height, 48);
        QVERIFY(near(d.picture.pixel(8, 8), 255, 0, 0));
        QVERIFY(near(d.picture.pixel(56, 8), 0, 255, 0));
        QVERIFY(near(d.picture.pixel(8, 40), 0, 0, 255));
        QVERIFY(near(d.picture.pixel(56, 40), 255, 255, 255));
        QCOMPARE(d.picture.pixel(0, 0) >> 24, 0xFFu);  // opaque
    }

    void jpegScale_data() {
        QTest::addColumn<int>("minWidth");
        QTest::addColumn<int>("minHeight");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("full size") << 0 << 0 << QSize(800, 600);
        QTest::newRow("1/8 exactly") << 100 << 75 << QSize(100, 75);
        QTest::newRow("just above 1/8") << 101 << 10 << QSize(200, 150);
        QTest::newRow("height decides") << 10 << 76 << QSize(200, 150);
        QTest::newRow("larger than the picture") << 900 << 600 << QSize(800, 600);
    }
    void jpegScale() {
        QFETCH(int, minWidth);
        QFETCH(int, minHeight);
        QFETCH(QSize, expected);
        static const QByteArray jpeg = JpegCodec::encode(quadrants(800, 600));
        const JpegCodec::Decoded d = JpegCodec::decode(jpeg, minWidth, minHeight);
        QVERIFY2(d.ok(), qPrintable(d.error));
        QCOMPARE(QSize(d.picture.width, d.picture.height), expected);
        QCOMPARE(QSize(d.fullWidth, d.fullHeight), QSize(800, 600));
        QVERIFY(near(d.picture.pixel(d.picture.width - 4, 4), 0, 255, 0));
    }

    void jpegColourSpaces_data() {
        QTest::addColumn<QByteArray>("jpeg");
        QTest::addColumn<quint32>("expected");
        QTest::newRow("grey") << plainJpeg(1, {200, 0, 0, 0}, false) << Picture::rgb(200, 200, 200);
        // Plain CMYK: 0 is no ink. Adobe's inverted CMYK: 255 is no ink.
        QTest::newRow("cmyk") << plainJpeg(4, {0, 255, 255, 0}, false) << Picture::rgb(255, 0, 0);
        QTest::newRow("adobe cmyk") << plainJpeg(4, {255, 0, 0, 255}, true) << Picture::rgb(255, 0, 0);
    }
    void jpegColourSpaces() {
        QFETCH(QByteArray, jpeg);
        QFETCH(quint32, expected);
        const JpegCodec::Decoded d = JpegCodec::decode(jpeg);
        QVERIFY2(d.ok(), qPrintable(d.error));
        QVERIFY(near(d.picture.pixel(8, 8), (expected >> 16) & 0xFF, (expected >> 8) & 0xFF,
                     expected & 0xFF, 8));
    }

    void badJpegs_data() {
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QString>("reason");
        const QByteArray good = JpegCodec::encode(noise(256, 256));
        QTest::newRow("empty") << QByteArray() << "empty";
        QTest::newRow("text") << QByteArray("no picture here") << "";
        QTest::newRow("marker only") << QByteArray("\xFF\xD8\xFF", 3) << "";
        QTest::newRow("header only") << good.left(600) << "";
        QTest::newRow("half") << good.left(good.size() / 2) << "Premature end";
        QTest::newRow("without end marker") << good.left(good.size() - 2) << "Premature end";
        QByteArray marker = good;
        marker.replace(good.size() / 2, 2, QByteArray("\xFF\xD9", 2));
        QTest::newRow("end marker inside the data") << marker << "";
        // A header that claims 20000 x 20000 pixels: refused before any pixel is decoded.
        QByteArray huge = good;
        const qsizetype sof = huge.indexOf(QByteArray("\xFF\xC0", 2));
        QVERIFY(sof > 0);
        put16(huge, int(sof + 5), 0x204E);  // big-endian 20000
        put16(huge, int(sof + 7), 0x204E);
        QTest::newRow("huge") << huge << "10000";
    }
    void badJpegs() {
        QFETCH(QByteArray, data);
        QFETCH(QString, reason);
        for (const int min : {0, 64}) {
            const JpegCodec::Decoded d = JpegCodec::decode(data, min, min);
            QVERIFY(!d.ok());
            QVERIFY(d.picture.isNull());
            QVERIFY(!d.cancelled);
            QVERIFY2(d.error.contains(reason, Qt::CaseInsensitive), qPrintable(d.error));
        }
    }

    void cancelStopsADecode() {
        const QByteArray jpeg = JpegCodec::encode(noise(512, 512));
        int polls = 0;
        const JpegCodec::Decoded d = JpegCodec::decode(jpeg, 0, 0, [&polls] { return ++polls > 3; });
        QVERIFY(d.cancelled);
        QVERIFY(d.picture.isNull());
        QCOMPARE(polls, 4);
    }

    void encodeRefuses() {
        QString error;
        QVERIFY(JpegCodec::encode(Picture{}, &error).isEmpty());
        QVERIFY(!error.isEmpty());
        Picture wide;
        wide.width = 10001;
        wide.height = 1;
        wide.pixels = QByteArray(10001 * 4, '\0');
        QVERIFY(JpegCodec::encode(wide, &error).isEmpty());
        QVERIFY(error.contains("10000"));
    }

    void bitmaps_data() {
        QTest::addColumn<BmpLayout>("layout");
        QTest::newRow("24 bits, padded rows") << BmpLayout{};
        QTest::newRow("24 bits, top-down") << BmpLayout{.topDown = true};
        QTest::newRow("24 bits, OS/2 header") << BmpLayout{.headerSize = 12};
        QTest::newRow("32 bits") << BmpLayout{.bits = 32};
        QTest::newRow("32 bits, bit fields")
            << BmpLayout{.bits = 32, .compression = 3, .masks = {0xFF00, 0xFF0000, 0xFF000000}};
        QTest::newRow("32 bits, masks in a v5 header")
            << BmpLayout{.bits = 32, .headerSize = 124, .compression = 3,
                       .masks = {0xFF00, 0xFF0000, 0xFF000000}};
        QTest::newRow("16 bits, 5-5-5") << BmpLayout{.bits = 16};
        QTest::newRow("16 bits, 5-6-5") << BmpLayout{.bits = 16, .compression = 3,
                                                    .masks = {0xF800, 0x07E0, 0x001F}};
        QTest::newRow("8 bits") << BmpLayout{.bits = 8};
        QTest::newRow("4 bits") << BmpLayout{.bits = 4};
        QTest::newRow("1 bit") << BmpLayout{.bits = 1, .width = 11};
        QTest::newRow("8 bits, OS/2 header") << BmpLayout{.bits = 8, .headerSize = 12};
    }
    void bitmaps() {
        QFETCH(BmpLayout, layout);
        QString error;
        const Picture p = BmpReader::read(makeBmp(layout), &error);
        QVERIFY2(!p.isNull(), qPrintable(error));
        QCOMPARE(QSize(p.width, p.height), QSize(layout.width, layout.height));
        for (int y = 0; y < layout.height; ++y) {
            for (int x = 0; x < layout.width; ++x) {
                const quint32 c = layout.bits <= 8 ? kColours[paletteIndex(x, y, layout.bits) % 6]
                                                 : kColours[(x + 3 * y) % 6];
                const int tolerance = layout.bits == 16 ? 8 : 0;
                QVERIFY2(near(p.pixel(x, y), (c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF, tolerance),
                         qPrintable(QStringLiteral("%1,%2: %3").arg(x).arg(y).arg(p.pixel(x, y), 0, 16)));
            }
        }
    }

    void badBitmaps_data() {
        QTest::addColumn<QByteArray>("data");
        const QByteArray good = makeBmp(BmpLayout{});
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("not BM") << QByteArray("XX") + good.mid(2);
        QTest::newRow("header cut") << good.left(30);
        QTest::newRow("pixels cut") << good.left(good.size() - 5);
        QByteArray offset = good;
        put32(offset, 10, 0x7FFFFFF0);
        QTest::newRow("pixels far away") << offset;
        QByteArray huge = good;
        put32(huge, 18, 20000);
        QTest::newRow("too wide") << huge;
        QByteArray negative = good;
        put32(negative, 18, quint32(-3));
        QTest::newRow("negative width") << negative;
        QByteArray tall = good;
        put32(tall, 22, 0x80000000u);
        QTest::newRow("height INT_MIN") << tall;
        QTest::newRow("run-length") << makeBmp(BmpLayout{.bits = 8, .compression = 1});
        QTest::newRow("7 bits") << makeBmp(BmpLayout{.bits = 7});
        QTest::newRow("masks with gaps")
            << makeBmp(BmpLayout{.bits = 32, .compression = 3, .masks = {0xF0F0, 0xFF0000, 0xFF000000}});
        QByteArray header = good;
        put32(header, 14, 1000);
        QTest::newRow("header size") << header;
    }
    void badBitmaps() {
        QFETCH(QByteArray, data);
        QString error;
        QVERIFY(BmpReader::read(data, &error).isNull());
        QVERIFY(!error.isEmpty());
    }
};


QTEST_GUILESS_MAIN(PicturesTest)
#include "tst_pictures.moc"
