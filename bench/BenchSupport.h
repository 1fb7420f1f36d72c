#pragma once
// Small helpers shared by the benchmarks.

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QTimer>
#include <algorithm>

// The longest the event loop went without running a 5 ms timer, from start() to
// longestMs().
class StallMeter {
public:
    StallMeter() {
        ticker_.setInterval(5);
        QObject::connect(&ticker_, &QTimer::timeout,
                         [this] { longest_ = std::max(longest_, sinceTick_.restart()); });
    }
    void start() {
        longest_ = 0;
        ticker_.start();
        sinceTick_.start();
    }
    qint64 longestMs() {
        ticker_.stop();
        return std::max(longest_, sinceTick_.elapsed());
    }

private:
    QTimer ticker_;
    QElapsedTimer sinceTick_;
    qint64 longest_ = 0;
};

// Resident set size of this process in MB.
inline double residentMb() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) {
        return 0;
    }
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
        }
    }
    return 0;
}

// Length in bytes of the MPEG-1 layer 3 frame whose header starts at `h`, or 0.
inline int mpeg1Layer3FrameBytes(const unsigned char* h) {
    static const int kKbps[16] = {0,   32,  40,  48,  56,  64,  80,  96,
                                  112, 128, 160, 192, 224, 256, 320, 0};
    static const int kRates[4] = {44100, 48000, 32000, 0};
    if (h[0] != 0xFF || (h[1] & 0xFE) != 0xFA) {
        return 0;
    }
    const int kbps = kKbps[h[2] >> 4];
    const int rate = kRates[(h[2] >> 2) & 3];
    return kbps && rate ? 144000 * kbps / rate + ((h[2] >> 1) & 1) : 0;
}

// A long track for the benchmarks: the audio frames of an MPEG-1 layer 3 `source`, without
// its leading info frame (which would announce the length of one copy) and its tag,
// written `copies` times in a row into `path`.
inline bool writeLongFile(const QString& source, const QString& path, int copies) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        return false;
    }
    QByteArray stream = in.readAll();
    if (stream.size() > 128 && stream.sliced(stream.size() - 128).startsWith("TAG")) {
        stream.chop(128);
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(stream.constData());
    const int first = stream.size() >= 4 ? mpeg1Layer3FrameBytes(bytes) : 0;
    if (first == 0) {
        return false;
    }
    const QByteArray head = stream.first(first);
    if (head.contains("Info") || head.contains("Xing")) {
        stream.remove(0, first);
    }
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        return false;
    }
    for (int i = 0; i < copies; ++i) {
        out.write(stream);
    }
    return true;
}
