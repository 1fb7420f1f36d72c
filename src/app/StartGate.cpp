#include "StartGate.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <QSocketNotifier>

#include <cstring>
#include <system_error>

namespace startgate {

namespace {

int g_signalPipe[2] = {-1, -1};

extern "C" void onTerminationSignal(int) {
    const char byte = 1;
    // Nothing else is safe in a signal handler; a full pipe already holds a request.
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

bool connects(const QByteArray& path, bool abstract) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (path.isEmpty() || size_t(path.size()) + offset >= sizeof address.sun_path) {
        return false;
    }
    std::memcpy(address.sun_path + offset, path.constData(), size_t(path.size()));
    const socklen_t length = socklen_t(offsetof(sockaddr_un, sun_path) + offset +
                                       size_t(path.size()) + (abstract ? 0 : 1));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), length) == 0;
    ::close(fd);
    return ok;
}

// The X server of a local display (":N", ":N.S", "unix:N") listens on /tmp/.X11-unix/XN,
// on Linux also under the same name in the abstract namespace. Remote displays are assumed
// to be reachable: only the X library can tell.
bool xDisplayReachable(const QString& display) {
    const qsizetype colon = display.lastIndexOf(u':');
    if (colon < 0) {
        return false;
    }
    const QString host = display.left(colon);
    if (!host.isEmpty() && host != QLatin1String("unix")) {
        return true;
    }
    bool isNumber = false;
    const int number = display.mid(colon + 1).section(u'.', 0, 0).toInt(&isNumber);
    if (!isNumber) {
        return false;
    }
    const QByteArray socket = "/tmp/.X11-unix/X" + QByteArray::number(number);
    return connects(socket, false) || connects(socket, true);
}

}  // namespace

bool playerListens(const QString& path) {
    return connects(path.toLocal8Bit(), false);
}

QString displayProblem() {
    const QString platform = qEnvironmentVariable("QT_QPA_PLATFORM").section(u':', 0, 0);
    const QString display = qEnvironmentVariable("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (!platform.isEmpty() && platform != QLatin1String("xcb")) {
        return {};  // offscreen, wayland, ...: Qt's own business
    }
    if (platform.isEmpty() && wayland) {
        return {};
    }
    if (display.isEmpty()) {
        return QStringLiteral("no display to show the player on (DISPLAY is not set)");
    }
    if (!xDisplayReachable(display)) {
        return QStringLiteral("cannot reach the display %1").arg(display);
    }
    return {};
}

void routeTerminationSignals(QObject* context, std::function<void()> onSignal) {
    if (::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context,
                     [onSignal = std::move(onSignal)] {
                         char buffer[16];
                         while (::read(g_signalPipe[0], buffer, sizeof buffer) > 0) {
                         }
                         onSignal();
                     });
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, nullptr);
    ::sigaction(SIGTERM, &action, nullptr);
}

Background loadFontConfiguration() {
    try {
        return std::async(std::launch::async, [] {
            // The GUI library links fontconfig; when it is not in the process, there is
            // nothing to read ahead.
            using Init = int (*)();
            if (auto init = reinterpret_cast<Init>(dlsym(RTLD_DEFAULT, "FcInit"))) {
                init();
            }
        });
    } catch (const std::system_error&) {
        return {};  // no thread to be had: the first font reads it, as without this
    }
}

}  // namespace startgate
