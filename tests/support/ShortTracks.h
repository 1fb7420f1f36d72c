#pragma once
// Short tracks cut at run time from the MPEG fixtures, whole frames at a time, for runs
// that play many tracks (continuous play in the tests and the soak benchmark).

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>

namespace testsupport {

// What the header of an MPEG audio frame at `h` (four bytes) says about the frame.
struct MpegFrameHeader {
    int bytes = 0;            // the whole frame; 0 when `h` is no frame header
    int samplesPerFrame = 0;  // sample frames it decodes to
    int rateHz = 0;
};

inline MpegFrameHeader mpegFrameHeader(const unsigned char* h) {
    static const int kKbps[2][3][16] = {
        // MPEG-1: layers 1, 2, 3
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
        // MPEG-2 and 2.5: layers 1, 2, 3
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}}};
    static const int kRates[4] = {44100, 48000, 32000, 0};
    const int versionBits = (h[1] >> 3) & 3;  // 0: 2.5, 2: 2, 3: 1
    const int layerBits = (h[1] >> 1) & 3;    // 1: layer 3, 2: layer 2, 3: layer 1
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0 || versionBits == 1 || layerBits == 0) {
        return {};
    }
    const bool mpeg1 = versionBits == 3;
    const int layer = 4 - layerBits;
    const int kbps = kKbps[mpeg1 ? 0 : 1][layer - 1][h[2] >> 4];
    const int rate = kRates[(h[2] >> 2) & 3] >> (mpeg1 ? 0 : versionBits == 2 ? 1 : 2);
    const int padding = (h[2] >> 1) & 1;
    if (kbps == 0 || rate == 0) {
        return {};
    }
    MpegFrameHeader header;
    header.rateHz = rate;
    if (layer == 1) {
        header.bytes = (12 * kbps * 1000 / rate + padding) * 4;
        header.samplesPerFrame = 384;
    } else {
        const int factor = layer == 3 && !mpeg1 ? 72 : 144;
        header.bytes = factor * kbps * 1000 / rate + padding;
        header.samplesPerFrame = factor * 8;
    }
    return header;
}

// A track cut from `source` (which starts with a frame): about `seconds` of its audio
// frames from frame `firstFrame` on, not counting a leading info frame, followed by the
// source's ID3v1 tag if it has one. A track longer than the source repeats the frames
// between the first `firstFrame` and the last `firstFrame` in a loop. Layer 3 frames may
// borrow bits from the frames before them, so a layer 3 cut should start at frame 0 and
// not loop. Returns the seconds written, or 0 when the source cannot be cut.
inline double writeCutTrack(const QString& source, const QString& path, int firstFrame,
                            double seconds) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        return 0;
    }
    QByteArray stream = in.readAll();
    QByteArray tag;
    if (stream.size() > 128 && stream.sliced(stream.size() - 128).startsWith("TAG")) {
        tag = stream.sliced(stream.size() - 128);
        stream.chop(128);
    }
    QList<QByteArray> frames;
    int rate = 0;
    int samples = 0;
    for (qsizetype at = 0; at + 4 <= stream.size();) {
        const MpegFrameHeader header =
            mpegFrameHeader(reinterpret_cast<const unsigned char*>(stream.constData() + at));
        if (header.bytes == 0 || at + header.bytes > stream.size()) {
            break;
        }
        frames.append(stream.sliced(at, header.bytes));
        rate = header.rateHz;
        samples = header.samplesPerFrame;
        at += header.bytes;
    }
    if (!frames.isEmpty() && (frames.first().contains("Info") || frames.first().contains("Xing"))) {
        frames.removeFirst();
    }
    const int count = rate > 0 ? static_cast<int>(seconds * rate / samples + 0.5) : 0;
    QFile out(path);
    const qsizetype loop = frames.size() - 2 * qsizetype{firstFrame};
    if (count == 0 || loop <= 0 || !out.open(QIODevice::WriteOnly)) {
        return 0;
    }
    for (int i = 0; i < count; ++i) {
        out.write(frames[firstFrame + i % loop]);
    }
    out.write(tag);
    return double(count) * samples / rate;
}

}  // namespace testsupport
