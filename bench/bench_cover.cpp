// Cover and title-information figures, for 3000 x 3000 JPEG covers of about 2.5 MB:
//   cover_show_ratio           loading and showing a track's cover in the 240 x 240 picture
//                              (file read, decode off the GUI thread, picture painted),
//                              against libjpeg alone reading the same file and decoding it at
//                              scale 1/8 into memory, measured in turns in the same run
//   cover_show_unscaled_ratio  the same path decoding at full size and scaling the picture
//                              down afterwards: what the scaled decode saves
//   cover_max_stall_ms         the longest the GUI thread did not answer (a 1 ms timer) while
//                              the cover window followed track changes to tracks with
//                              progressive covers, quick ones included
//   info_open_ms               opening the title-information window on a tagged track with a
//                              baseline cover, until it is shown with its picture
//   tag_save_ms                "&Edit", a new title, OK: until the tag is written
// Times are medians of several runs; the stall is the worst of all track changes.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

extern "C" {
#include <jpeglib.h>
}

#include "core/CoverLoader.h"
#include "core/Id3v1Tag.h"
#include "metadata/CoverImage.h"
#include "metadata/PictureImage.h"
#include "metadata/TCover.h"
#include "metadata/TInfoForm.h"

namespace {

constexpr int kSide = 3000;
constexpr int kShownSide = 240;
constexpr int kRuns = 7;

// Soft shapes with fine grain: compresses like a photograph, about 2.5 MB at quality 75.
QByteArray photoLikeJpeg(bool progressive) {
    jpeg_compress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_compress(&info);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = kSide;
    info.image_height = kSide;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    if (progressive) {
        jpeg_simple_progression(&info);
    }
    jpeg_start_compress(&info, TRUE);
    std::vector<unsigned char> row(kSide * 3);
    quint32 noise = 2463534242u;
    while (info.next_scanline < info.image_height) {
        const int y = int(info.next_scanline);
        for (int x = 0; x < kSide; ++x) {
            noise ^= noise << 13, noise ^= noise >> 17, noise ^= noise << 5;
            const int grain = int(noise % 61) - 30;
            const double shape = 60 * std::sin(x / 97.0) * std::cos(y / 131.0);
            row[x * 3] = uchar(std::clamp(int(120 + shape + grain), 0, 255));
            row[x * 3 + 1] = uchar(std::clamp(int(90 + x / 40 - shape / 2 + grain), 0, 255));
            row[x * 3 + 2] = uchar(std::clamp(int(70 + y / 30 + grain), 0, 255));
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    QByteArray out(reinterpret_cast<const char*>(buffer), qsizetype(size));
    free(buffer);
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "bench: cannot write %s\n", qPrintable(path));
        std::exit(1);
    }
}

// The peer: libjpeg alone, reading the file and decoding it at 1/8 into memory.
double peerMs(const QString& path) {
    QElapsedTimer clock;
    clock.start();
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    const QByteArray bytes = f.readAll();
    jpeg_decompress_struct info;
    jpeg_error_mgr err;
    info.err = jpeg_std_error(&err);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(bytes.constData()),
                 static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    info.scale_num = 1;
    info.scale_denom = 8;
    jpeg_start_decompress(&info);
    std::vector<unsigned char> pixels(size_t(info.output_width) * info.output_height *
                                      info.output_components);
    while (info.output_scanline < info.output_height) {
        JSAMPROW r =
            &pixels[size_t(info.output_scanline) * info.output_width * info.output_components];
        jpeg_read_scanlines(&info, &r, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return clock.nsecsElapsed() / 1e6;
}

// Our path: the picture loads the cover and is painted with it.
double showMs(CoverImage& picture, const QString& track) {
    QSignalSpy finished(&picture, &CoverImage::loadFinished);
    QElapsedTimer clock;
    clock.start();
    picture.loadCoverOf(track, QString());
    if (!finished.wait(10000) || picture.isEmpty()) {
        std::fprintf(stderr, "bench: the cover did not show\n");
        std::exit(1);
    }
    picture.repaint();
    return clock.nsecsElapsed() / 1e6;
}

// The same path without the scaled decode: full size, then scaled down for the picture.
double unscaledMs(const QString& track) {
    CoverLoader loader;
    QSignalSpy loaded(&loader, &CoverLoader::loaded);
    QElapsedTimer clock;
    clock.start();
    loader.load(track, QString(), 0, 0);
    loaded.wait(10000);
    const auto result = loaded.at(0).at(0).value<CoverLoader::Result>();
    const QImage shown =
        PictureImage::toImage(result.picture)
            .scaled(kShownSide, kShownSide, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    return shown.isNull() ? 0 : clock.nsecsElapsed() / 1e6;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Measures the longest pause of the event loop while work() runs it.
template <typename Work>
double maxStallMs(Work work) {
    QElapsedTimer clock;
    qint64 last = 0, worst = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        worst = std::max(worst, now - last);
        last = now;
    });
    clock.start();
    probe.start();
    work();
    return worst / 1e6;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QTemporaryDir tmp;
    const QString baselineTrack = tmp.filePath("Baseline.mp3");
    const QString progressiveTracks[2] = {tmp.filePath("Progressive A.mp3"),
                                          tmp.filePath("Progressive B.mp3")};
    const QByteArray baseline = photoLikeJpeg(false);
    const QByteArray progressive = photoLikeJpeg(true);
    writeFile(tmp.filePath("Baseline.jpg"), baseline);
    for (const QString& track : progressiveTracks) {
        writeFile(track.chopped(4) + ".jpg", progressive);
    }
    writeFile(baselineTrack, QByteArray(4096, '\x55'));
    saveTag(baselineTrack, {"Artist", "Title", "2001", "Note", "Album", "Rock"});
    std::printf("bench: cover_file_mb %.2f MB (baseline), %.2f MB (progressive)\n",
                baseline.size() / 1048576.0, progressive.size() / 1048576.0);

    // ---- Showing a cover against libjpeg alone -------------------------------------------
    CoverImage picture;
    picture.resize(kShownSide + 2 * picture.frameWidth(), kShownSide + 2 * picture.frameWidth());
    picture.show();
    (void)QTest::qWaitForWindowExposed(&picture);
    const QString baselineFile = tmp.filePath("Baseline.jpg");
    std::vector<double> ours, peer, unscaled;
    peerMs(baselineFile);  // warm the page cache and the library
    showMs(picture, baselineTrack);
    for (int i = 0; i < kRuns; ++i) {
        peer.push_back(peerMs(baselineFile));
        ours.push_back(showMs(picture, baselineTrack));
        unscaled.push_back(unscaledMs(baselineTrack));
    }
    const double peerMedian = median(peer);
    std::printf("bench: cover_show_ms %.1f ms (libjpeg 1/8 alone %.1f ms)\n", median(ours),
                peerMedian);
    std::printf("bench: cover_show_ratio %.2f x (target <= 1.3)\n", median(ours) / peerMedian);
    std::printf("bench: cover_show_unscaled_ratio %.2f x (full decode %.1f ms)\n",
                median(unscaled) / peerMedian, median(unscaled));

    // ---- The cover window following track changes --------------------------------------
    TCover cover;
    cover.place(0, 0, kShownSide);
    cover.show();
    (void)QTest::qWaitForWindowExposed(&cover);
    QSignalSpy finished(cover.picture(), &CoverImage::loadFinished);
    const double stall = maxStallMs([&] {
        for (int i = 0; i < 2 * kRuns; ++i) {
            cover.followTrack(progressiveTracks[i % 2]);
            if (i % 3 == 2) {
                continue;  // a quick change: the next one comes before this decode ends
            }
            finished.wait(10000);
        }
        finished.wait(10000);
        QTest::qWait(20);
    });
    std::printf("bench: cover_max_stall_ms %.1f ms (target <= 30)\n", stall);

    // ---- The title-information window ---------------------------------------------------
    std::vector<double> opens, saves;
    for (int i = 0; i < kRuns; ++i) {
        TInfoForm form;
        form.setInfoFileName(baselineTrack);
        QSignalSpy shown(form.Image4, &CoverImage::loadFinished);
        QElapsedTimer clock;
        clock.start();
        form.open();
        if (!shown.wait(10000) || form.Image4->isEmpty()) {
            std::fprintf(stderr, "bench: the title information showed no picture\n");
            return 1;
        }
        form.Image4->repaint();
        opens.push_back(clock.nsecsElapsed() / 1e6);

        QTest::mouseClick(form.BitBtn3, Qt::LeftButton);
        form.TitEdit->setText(QStringLiteral("Title %1").arg(i));
        clock.restart();
        QTest::mouseClick(form.BitBtn1, Qt::LeftButton);
        saves.push_back(clock.nsecsElapsed() / 1e6);
    }
    std::printf("bench: info_open_ms %.1f ms (target <= 100)\n", median(opens));
    std::printf("bench: tag_save_ms %.2f ms (reported)\n", median(saves));
    return 0;
}
