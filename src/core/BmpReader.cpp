#include "BmpReader.h"

#include <array>
#include <bit>
#include <new>

namespace {

constexpr qsizetype kFileHeaderSize = 14;
constexpr quint32 kCoreHeaderSize = 12;  // the OS/2 header
constexpr quint32 kInfoHeaderSize = 40;
constexpr quint32 kLargestHeaderSize = 124;
constexpr int kMaxPaletteEntries = 256;

enum Compression : quint32 {
    kRgb = 0,
    kBitFields = 3,
    kAlphaBitFields = 6,
};

class Bytes {
public:
    explicit Bytes(QByteArrayView data) : data_(data) {}
    bool has(qsizetype offset, qsizetype count) const {
        return offset >= 0 && count >= 0 && offset <= data_.size() && count <= data_.size() - offset;
    }
    quint8 u8(qsizetype at) const { return static_cast<quint8>(data_[at]); }
    quint16 u16(qsizetype at) const { return quint16(u8(at) | (u8(at + 1) << 8)); }
    quint32 u32(qsizetype at) const { return quint32(u16(at)) | (quint32(u16(at + 2)) << 16); }
    qint32 i32(qsizetype at) const { return static_cast<qint32>(u32(at)); }
    const quint8* at(qsizetype offset) const {
        return reinterpret_cast<const quint8*>(data_.data()) + offset;
    }

private:
    QByteArrayView data_;
};

// One colour channel held in a bit mask, scaled to 0..255.
struct Channel {
    quint32 mask = 0;
    int shift = 0;
    quint32 max = 0;

    static Channel of(quint32 mask) {
        Channel c;
        c.mask = mask;
        if (mask != 0) {
            c.shift = std::countr_zero(mask);
            c.max = mask >> c.shift;
        }
        return c;
    }
    // A mask with a gap (bits not in one run) is not a channel.
    bool valid() const { return mask == 0 || ((max + 1) & max) == 0; }
    int value(quint32 pixel) const {
        return max == 0 ? 0 : int(quint64((pixel & mask) >> shift) * 255 / max);
    }
};

struct Layout {
    int width = 0;
    int height = 0;
    bool topDown = false;
    int bitsPerPixel = 0;
    quint32 compression = kRgb;
    std::array<Channel, 3> channels;  // red, green, blue
    std::array<quint32, kMaxPaletteEntries> palette{};
    int paletteSize = 0;
};

Picture fail(QString* error, const char* why) {
    if (error) {
        *error = QString::fromLatin1(why);
    }
    return {};
}

}  // namespace

Picture BmpReader::read(QByteArrayView data, QString* error) {
    if (error) {
        error->clear();
    }
    const Bytes in(data);
    if (!in.has(0, kFileHeaderSize + 4) || in.u8(0) != 'B' || in.u8(1) != 'M') {
        return fail(error, "The file is not a Windows bitmap");
    }
    const quint32 pixelOffset = in.u32(10);
    const quint32 headerSize = in.u32(kFileHeaderSize);
    if (headerSize != kCoreHeaderSize && (headerSize < kInfoHeaderSize || headerSize > kLargestHeaderSize)) {
        return fail(error, "The bitmap has a header of an unknown kind");
    }
    if (!in.has(kFileHeaderSize, headerSize)) {
        return fail(error, "The bitmap file ends inside its header");
    }

    Layout l;
    const qsizetype h = kFileHeaderSize;
    qint64 height = 0;
    int paletteEntryBytes = 4;
    quint32 colorsUsed = 0;
    if (headerSize == kCoreHeaderSize) {
        l.width = in.u16(h + 4);
        height = in.u16(h + 6);
        l.bitsPerPixel = in.u16(h + 10);
        paletteEntryBytes = 3;
    } else {
        l.width = in.i32(h + 4);
        height = in.i32(h + 8);
        l.bitsPerPixel = in.u16(h + 14);
        l.compression = in.u32(h + 16);
        colorsUsed = in.u32(h + 32);
    }
    l.topDown = height < 0;
    height = height < 0 ? -height : height;
    if (l.width <= 0 || height <= 0) {
        return fail(error, "The bitmap has no pixels");
    }
    if (l.width > kMaxSide || height > kMaxSide) {
        return fail(error, "The picture is larger than 10000 x 10000 pixels");
    }
    l.height = static_cast<int>(height);

    // Where the colour table or the masks begin.
    qsizetype after = h + headerSize;
    switch (l.bitsPerPixel) {
        case 1:
        case 4:
        case 8:
            if (l.compression != kRgb) {
                return fail(error, "Compressed bitmaps are not supported");
            }
            break;
        case 16:
        case 24:
        case 32:
            if (l.compression == kRgb) {
                l.channels = l.bitsPerPixel == 16
                                 ? std::array{Channel::of(0x7C00), Channel::of(0x03E0), Channel::of(0x001F)}
                                 : std::array{Channel::of(0xFF0000), Channel::of(0xFF00), Channel::of(0xFF)};
            } else if ((l.compression == kBitFields || l.compression == kAlphaBitFields) &&
                       l.bitsPerPixel != 24) {
                // The masks lie inside a larger header, or follow a 40-byte one.
                const qsizetype masks = h + kInfoHeaderSize;
                if (!in.has(masks, 12)) {
                    return fail(error, "The bitmap file ends inside its colour masks");
                }
                for (int c = 0; c < 3; ++c) {
                    l.channels[c] = Channel::of(in.u32(masks + 4 * c));
                    if (!l.channels[c].valid()) {
                        return fail(error, "The bitmap's colour masks are not valid");
                    }
                }
                if (headerSize == kInfoHeaderSize) {
                    after += l.compression == kAlphaBitFields ? 16 : 12;
                }
            } else {
                return fail(error, "Compressed bitmaps are not supported");
            }
            break;
        default:
            return fail(error, "The bitmap has an unsupported number of bits per pixel");
    }

    if (l.bitsPerPixel <= 8) {
        const int maxColors = 1 << l.bitsPerPixel;
        l.paletteSize = colorsUsed == 0 || colorsUsed > quint32(maxColors) ? maxColors
                                                                            : int(colorsUsed);
        // A table cut short by the pixel data keeps the entries before it.
        if (pixelOffset > after) {
            l.paletteSize = std::min<qint64>(l.paletteSize, (qint64(pixelOffset) - after) / paletteEntryBytes);
        }
        if (!in.has(after, qsizetype(l.paletteSize) * paletteEntryBytes)) {
            return fail(error, "The bitmap file ends inside its colour table");
        }
        for (int i = 0; i < l.paletteSize; ++i) {
            const qsizetype e = after + qsizetype(i) * paletteEntryBytes;
            l.palette[i] = Picture::rgb(in.u8(e + 2), in.u8(e + 1), in.u8(e));
        }
    }

    const qsizetype stride = (qsizetype(l.width) * l.bitsPerPixel + 31) / 32 * 4;
    const qsizetype lastRow = (qsizetype(l.width) * l.bitsPerPixel + 7) / 8;
    if (!in.has(pixelOffset, stride * (l.height - 1) + lastRow)) {
        return fail(error, "The bitmap file ends inside its pixels");
    }

    Picture picture;
    try {
        picture = Picture::allocate(l.width, l.height);
    } catch (const std::bad_alloc&) {
    }
    if (picture.isNull()) {
        return fail(error, "Not enough memory for the picture");
    }
    const quint32 black = Picture::rgb(0, 0, 0);
    for (int y = 0; y < l.height; ++y) {
        const quint8* src = in.at(pixelOffset + stride * (l.topDown ? y : l.height - 1 - y));
        quint32* dst = picture.row(y);
        for (int x = 0; x < l.width; ++x) {
            quint32 value = 0;
            switch (l.bitsPerPixel) {
                case 1:
                    value = (src[x >> 3] >> (7 - (x & 7))) & 1;
                    break;
                case 4:
                    value = (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF;
                    break;
                case 8:
                    value = src[x];
                    break;
                case 16:
                    value = quint32(src[2 * x]) | (quint32(src[2 * x + 1]) << 8);
                    break;
                case 24:
                    value = quint32(src[3 * x]) | (quint32(src[3 * x + 1]) << 8) |
                            (quint32(src[3 * x + 2]) << 16);
                    break;
                default:
                    value = quint32(src[4 * x]) | (quint32(src[4 * x + 1]) << 8) |
                            (quint32(src[4 * x + 2]) << 16) | (quint32(src[4 * x + 3]) << 24);
                    break;
            }
            if (l.bitsPerPixel <= 8) {
                dst[x] = int(value) < l.paletteSize ? l.palette[value] : black;
            } else {
                dst[x] = Picture::rgb(l.channels[0].value(value), l.channels[1].value(value),
                                      l.channels[2].value(value));
            }
        }
    }
    return picture;
}
