// Whole-program figures, measured under a virtual X display:
//   startup_ratio       exec to main window shown, against a minimal Qt window (same run)
//   startup_text_ratio  the same against a Qt window that shows one label, so that both
//                       pay for the fonts
//   idle_rss_ratio      resident memory 5 s after the window is shown, idle, against the
//                       one-label window
//   play_cpu_percent    CPU used by the whole program while it plays for 30 s, window shown
#include <unistd.h>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "BenchSupport.h"

namespace {

QString binDir() {
    return QCoreApplication::applicationDirPath();
}

// Starts Xvfb on a free display unless one is given; returns the display name.
QString ensureDisplay(QProcess& xvfb) {
    if (!qEnvironmentVariableIsEmpty("DISPLAY")) {
        return qEnvironmentVariable("DISPLAY");
    }
    for (int n = 97; n < 120; ++n) {
        if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))) {
            continue;
        }
        const QString display = QStringLiteral(":%1").arg(n);
        xvfb.start(QStringLiteral("Xvfb"), {display, QStringLiteral("-screen"), QStringLiteral("0"),
                                            QStringLiteral("1024x768x24"),
                                            QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        for (int i = 0; i < 50 && !QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n));
             ++i) {
            QThread::msleep(100);
        }
        return display;
    }
    return {};
}

QProcessEnvironment benchEnvironment(const QString& display, const QString& home) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("SDL_AUDIODRIVER"), QStringLiteral("dummy"));
    env.insert(QStringLiteral("SONVOX_CONFIG_DIR"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("SONVOX_DATA_DIR"), home + QStringLiteral("/data"));
    return env;
}

// Milliseconds from exec until the program printed "shown".
double timeToShown(const QString& program, const QStringList& args,
                   const QProcessEnvironment& env) {
    QProcess p;
    p.setProcessEnvironment(env);
    QProcessEnvironment e = env;
    e.insert(QStringLiteral("SONVOX_EXIT_WHEN_SHOWN"), QStringLiteral("1"));
    p.setProcessEnvironment(e);
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    while (p.state() != QProcess::NotRunning || p.bytesAvailable() > 0) {
        p.waitForReadyRead(20);
        if (p.readAll().contains("shown")) {
            const double ms = t.nsecsElapsed() / 1e6;
            p.waitForFinished(5000);
            return ms;
        }
        if (t.elapsed() > 20000) {
            break;
        }
    }
    p.kill();
    p.waitForFinished();
    return -1;
}

// Resident memory in kB, from /proc.
long residentKb(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/status").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    for (const QByteArray& line : f.readAll().split('\n')) {
        if (line.startsWith("VmRSS:")) {
            return line.mid(6).trimmed().split(' ').value(0).toLong();
        }
    }
    return -1;
}

// Starts the program, waits until its window is shown, idles 5 s and returns its resident
// memory in kB.
long idleRssKb(const QString& program, const QStringList& args, const QProcessEnvironment& env) {
    QProcess p;
    QProcessEnvironment e = env;
    e.insert(QStringLiteral("SONVOX_REPORT_SHOWN"), QStringLiteral("1"));
    p.setProcessEnvironment(e);
    p.start(program, args);
    QElapsedTimer t;
    t.start();
    bool shown = false;
    while (!shown && t.elapsed() < 20000 && p.state() != QProcess::NotRunning) {
        p.waitForReadyRead(50);
        shown = p.readAll().contains("shown");
    }
    long kb = -1;
    if (shown) {
        QThread::sleep(5);
        kb = residentKb(p.processId());
    }
    p.terminate();
    if (!p.waitForFinished(5000)) {
        p.kill();
        p.waitForFinished();
    }
    return kb;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

long cpuTicksOf(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) {
        return -1;
    }
    const QByteArray line = f.readAll();
    const int close = line.lastIndexOf(')');
    const QList<QByteArray> fields = line.mid(close + 2).split(' ');
    // fields[0] is the state (field 3); utime and stime are fields 14 and 15.
    return fields.value(11).toLong() + fields.value(12).toLong();
}

// Starts the player on `file` and prints the CPU it uses over 30 s of playing. The floor
// (a Qt window whose one label changes ten times a second) runs in the same 30 s, so that
// the machine's state of the moment shows beside the figure.
void reportPlayingCpu(const char* name, const QString& sonvox, const QString& file,
                      const QString& floor, const QProcessEnvironment& env, const char* target) {
    QProcess player;
    player.setProcessEnvironment(env);
    player.start(sonvox, {file});
    QProcess ticker;
    ticker.setProcessEnvironment(env);
    ticker.start(floor, {QStringLiteral("--tick")});
    player.waitForStarted();
    ticker.waitForStarted();
    QThread::sleep(3);  // past start-up
    const long hz = sysconf(_SC_CLK_TCK);
    const long before = cpuTicksOf(player.processId());
    const long floorBefore = cpuTicksOf(ticker.processId());
    QElapsedTimer t;
    t.start();
    QThread::sleep(30);
    const long after = cpuTicksOf(player.processId());
    const long floorAfter = cpuTicksOf(ticker.processId());
    const double seconds = t.nsecsElapsed() / 1e9;
    for (QProcess* p : {&player, &ticker}) {
        p->terminate();
        p->waitForFinished(5000);
    }
    const auto percent = [&](long from, long to) {
        return 100.0 * double(to - from) / double(hz) / seconds;
    };
    if (before >= 0 && after >= 0) {
        std::printf("bench: %s %.2f %% %s\n", name, percent(before, after), target);
        if (floorBefore >= 0 && floorAfter >= 0) {
            std::printf("bench: %s_floor %.2f %% (a label changed ten times a second, same 30 s)\n",
                        name, percent(floorBefore, floorAfter));
        }
    } else {
        std::printf("bench: %s failed (the player did not run)\n", name);
    }
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QProcess xvfb;
    const QString display = ensureDisplay(xvfb);
    QTemporaryDir home;
    const QProcessEnvironment env = benchEnvironment(display, home.path());
    const QString sonvox = binDir() + QStringLiteral("/../sonvox");
    const QString floor = binDir() + QStringLiteral("/floor_window");

    // Warm all up once, then alternate so that machine noise hits them alike.
    const QStringList label{QStringLiteral("--label")};
    timeToShown(sonvox, {}, env);
    timeToShown(floor, {}, env);
    timeToShown(floor, label, env);
    std::vector<double> sonvoxMs, floorMs, labelMs;
    for (int i = 0; i < 15; ++i) {
        sonvoxMs.push_back(timeToShown(sonvox, {}, env));
        floorMs.push_back(timeToShown(floor, {}, env));
        labelMs.push_back(timeToShown(floor, label, env));
    }
    const double s = median(sonvoxMs), f = median(floorMs), l = median(labelMs);
    std::printf("bench: startup_ms %.1f ms (floor %.1f ms, one label %.1f ms)\n", s, f, l);
    std::printf("bench: startup_ratio %.2f x (target <= 1.5)\n", f > 0 ? s / f : 0.0);
    std::printf("bench: startup_text_ratio %.2f x (target <= 1.25)\n", l > 0 ? s / l : 0.0);
    std::fflush(stdout);

    const long sonvoxKb = idleRssKb(sonvox, {}, env);
    const long labelKb = idleRssKb(floor, label, env);
    std::printf("bench: idle_rss_mb %.1f MB (one label %.1f MB)\n", sonvoxKb / 1024.0,
                labelKb / 1024.0);
    std::printf("bench: idle_rss_ratio %.2f x (target <= 1.2)\n",
                labelKb > 0 && sonvoxKb > 0 ? double(sonvoxKb) / double(labelKb) : 0.0);
    std::fflush(stdout);

    // CPU of the whole program over 30 s of playing, window shown. Typical play: the first
    // 30 s of a 100-second track. The worst case: the short demo tracks, whose last 30 s
    // (with the lamp blinking every 100 ms) are all there is.
    const QString longTrack = home.path() + QStringLiteral("/long.mp3");
    writeLongFile(QStringLiteral(SONVOX_DEMO_DIR "/Nordlicht Ensemble - Glass Harbour.mp3"),
                  longTrack, 5);
    reportPlayingCpu("play_cpu_percent", sonvox, longTrack, floor, env, "(target <= 0.5)");
    reportPlayingCpu("play_cpu_blinking_percent", sonvox,
                     binDir() + QStringLiteral("/../demo/demo.ply"), floor, env, "(target <= 0.7)");
    if (xvfb.state() != QProcess::NotRunning) {
        xvfb.terminate();
        xvfb.waitForFinished();
    }
    return 0;
}
