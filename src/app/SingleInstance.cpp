#include "SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>
#include <cerrno>
#include <cstring>
#include <optional>

namespace {

// Holds an flock() on a file for its lifetime, waiting for it at most waitMs; goes on
// without the lock when it cannot be had.
class StartLock {
public:
    StartLock(const QString& path, int waitMs) {
        fd_ = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0) {
            return;
        }
        QElapsedTimer waited;
        waited.start();
        while (::flock(fd_, LOCK_EX | LOCK_NB) != 0 && waited.elapsed() < waitMs) {
            ::usleep(5000);
        }
    }
    ~StartLock() {
        if (fd_ >= 0) {
            ::close(fd_);  // releases the lock
        }
    }
    StartLock(const StartLock&) = delete;
    StartLock& operator=(const StartLock&) = delete;

private:
    int fd_ = -1;
};

constexpr qsizetype kHeaderBytes = InstanceFrame::kHeaderBytes;
constexpr int kConnectTimeoutMs = 1000;
constexpr int kWriteTimeoutMs = 5000;
constexpr int kLockWaitMs = 3000;
constexpr int kListenBacklog = 16;
// While this many messages wait to be dispatched, the connections stop reading (and nothing
// more is accepted) until the queue has room again.
constexpr qsizetype kMaxQueuedMessages = 256;
// How long an accepted connection may send nothing before a waiting one may take its place.
constexpr int kSilentMs = 100;

QString fullServerName(const QString& name) {
    return QDir::isAbsolutePath(name) ? name : QDir::tempPath() + QLatin1Char('/') + name;
}

std::optional<sockaddr_un> socketAddress(const QString& fullName) {
    const QByteArray path = QFile::encodeName(fullName);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || path.size() >= qsizetype(sizeof address.sun_path)) {
        return std::nullopt;
    }
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    return address;
}

// Waits until fd is ready for `events`; false on timeout or error.
bool waitFor(int fd, short events, int timeoutMs) {
    pollfd entry{fd, events, 0};
    int result;
    do {
        result = ::poll(&entry, 1, timeoutMs);
    } while (result < 0 && errno == EINTR);
    return result > 0 && (entry.revents & events) != 0;
}

// A connected, non-blocking socket to the server, or -1.
int connectTo(const QString& fullName, int timeoutMs) {
    const std::optional<sockaddr_un> address = socketAddress(fullName);
    if (!address) {
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        return -1;
    }
    // A server whose backlog is full refuses with EAGAIN until it accepts again (a Unix
    // socket does not finish such a connect later): try again until the time is up. Anything
    // else is no server.
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (::connect(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0) {
            return fd;
        }
        if ((errno != EAGAIN && errno != EINTR) || clock.elapsed() >= timeoutMs) {
            ::close(fd);
            return -1;
        }
        ::usleep(errno == EINTR ? 0 : 1000);
    }
}

bool peerIsSameUser(int fd) {
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0) {
        return false;
    }
    return credentials.uid == ::geteuid();
}

}  // namespace

// ---- one incoming connection ----------------------------------------------------------------

// Reads frames off one socket, holding at most one frame, and hands each complete
// message to the SingleInstance. Deletes itself when the peer is gone, on a bad frame
// and on timeout; owns and closes its socket.
class SingleInstance::Connection : public QObject {
public:
    Connection(int fd, SingleInstance* owner)
        : QObject(owner), fd_(fd), owner_(owner), notifier_(fd, QSocketNotifier::Read, this) {
        ++owner_->connections_;
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, &Connection::finish);
        connect(&notifier_, &QSocketNotifier::activated, this, &Connection::readFrames);
        timer_.start(kFrameTimeoutMs);
        accepted_.start();
        readFrames();
    }

    // Reads what has come, also after a pause for a full queue.
    void readPending() {
        if (!finished_ && !notifier_.isEnabled()) {
            notifier_.setEnabled(true);
            timer_.start(kFrameTimeoutMs);
        }
        readFrames();
    }
    ~Connection() override {
        countOff();
        notifier_.setEnabled(false);
        ::close(fd_);
    }

    // Has sent nothing in the kSilentMs since it was accepted, and is not finished. A
    // sender writes right after connecting; one that stays silent holds a place for nothing.
    bool silent() const { return !finished_ && !heard_ && accepted_.elapsed() >= kSilentMs; }

    void finish() {
        if (finished_) {
            return;
        }
        finished_ = true;
        timer_.stop();
        notifier_.setEnabled(false);
        ::shutdown(fd_, SHUT_RDWR);
        countOff();
        deleteLater();
    }

private:
    // A finished connection no longer holds a place.
    void countOff() {
        if (!countedOff_) {
            countedOff_ = true;
            --owner_->connections_;
            owner_->resumeAccepting();
        }
    }

    void readFrames() {
        while (!finished_) {
            if (owner_->queue_.size() >= kMaxQueuedMessages) {
                // Wait, without a deadline, until the queue has room (readPending()).
                notifier_.setEnabled(false);
                timer_.stop();
                return;
            }
            const qsizetype target = haveHeader_ ? kHeaderBytes + bodyBytes_ : kHeaderBytes;
            if (buffer_.size() < target) {
                const qsizetype had = buffer_.size();
                buffer_.resize(target);
                const ssize_t got = ::read(fd_, buffer_.data() + had, size_t(target - had));
                buffer_.resize(had + std::max<ssize_t>(got, 0));
                if (got < 0 && (errno == EAGAIN || errno == EINTR)) {
                    return;  // wait for more
                }
                if (got <= 0) {
                    finish();  // the peer is gone; a partial frame is dropped
                    return;
                }
                heard_ = true;
                continue;
            }
            if (!haveHeader_) {
                const qsizetype length = InstanceFrame::bodyLength(buffer_);
                if (length < 0) {
                    finish();
                    return;
                }
                bodyBytes_ = length;
                haveHeader_ = true;
                continue;
            }
            const std::optional<InstanceMessage> message =
                decodeFrameBody(buffer_.sliced(kHeaderBytes));
            buffer_.clear();
            haveHeader_ = false;
            if (!message) {
                finish();
                return;
            }
            timer_.start(kFrameTimeoutMs);
            owner_->deliver(*message);
        }
    }

    int fd_;
    SingleInstance* owner_;
    QSocketNotifier notifier_;
    QTimer timer_;
    QByteArray buffer_;
    qsizetype bodyBytes_ = 0;
    bool haveHeader_ = false;
    bool finished_ = false;
    bool heard_ = false;  // a byte has come
    QElapsedTimer accepted_;
    bool countedOff_ = false;  // see countOff()
};

// ---- the instance ---------------------------------------------------------------------------

SingleInstance::SingleInstance(const QString& socketName, QObject* parent)
    : QObject(parent), fullName_(fullServerName(socketName)) {}

SingleInstance::~SingleInstance() {
    // The connections go first, while this object is whole: they count themselves off.
    const QObjectList kids = children();  // deleting one changes children()
    for (QObject* child : kids) {
        delete dynamic_cast<Connection*>(child);  // not a Q_OBJECT: qobject_cast cannot tell
    }
    if (listenFd_ >= 0) {
        delete listenNotifier_;
        listenNotifier_ = nullptr;
        ::close(listenFd_);
        QFile::remove(fullName_);
    }
}

bool SingleInstance::listen() {
    if (isListening()) {
        return true;
    }
    // Two starts at the same moment must not both decide that the socket is stale. An
    // advisory lock on a file beside the socket: the system drops it when its holder ends,
    // and taking it writes nothing.
    const StartLock lock(fullName_ + QStringLiteral(".lock"), kLockWaitMs);

    if (answers(fullName_)) {
        return false;  // a running instance answered
    }
    QFile::remove(fullName_);  // a crashed instance's socket, if any

    const std::optional<sockaddr_un> address = socketAddress(fullName_);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    // Only this user may connect: the socket file is the user's alone (and every peer's
    // user is checked on accepting).
    const mode_t oldMask = ::umask(0077);
    const bool bound =
        address && fd >= 0 &&
        ::bind(fd, reinterpret_cast<const sockaddr*>(&*address), sizeof *address) == 0;
    ::umask(oldMask);
    if (!bound || ::listen(fd, kListenBacklog) != 0) {
        qWarning("Sonvox: cannot listen on %s: %s", qPrintable(fullName_), std::strerror(errno));
        if (fd >= 0) {
            ::close(fd);
        }
        return true;
    }
    listenFd_ = fd;
    listenNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(listenNotifier_, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    return true;
}

bool SingleInstance::answers(const QString& socketName) {
    const int fd = connectTo(fullServerName(socketName), 0);
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
}

bool SingleInstance::isListening() const {
    return listenFd_ >= 0;
}

// While kMaxConnections are served or kMaxQueuedMessages wait, nothing more is accepted:
// later senders wait in the backlog (and then in connect) instead of losing their message.
// Accepting resumes when a connection ends or the queue is drained.
void SingleInstance::acceptConnections() {
    if (listenFd_ < 0) {
        return;
    }
    for (;;) {
        if (connections_ >= kMaxConnections) {
            // A connection that has sent nothing yet gives up its place: silent peers must
            // not hold off those that have something to say.
            for (QObject* child : children()) {
                auto* connection = dynamic_cast<Connection*>(child);
                if (connection && connection->silent()) {
                    connection->finish();
                    break;
                }
            }
        }
        if (connections_ >= kMaxConnections || queue_.size() >= kMaxQueuedMessages) {
            listenNotifier_->setEnabled(false);
            if (connections_ >= kMaxConnections) {
                // A silent connection may be taken over once it has been silent long enough.
                QTimer::singleShot(kSilentMs, this, &SingleInstance::acceptConnections);
            }
            return;
        }
        listenNotifier_->setEnabled(true);
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            return;  // nothing more pending
        }
        if (!peerIsSameUser(fd)) {
            ::close(fd);
            continue;
        }
        // A sender writes its message before it connects again: what the connections
        // accepted before this one hold is read first, so messages keep their order.
        readConnections();
        new Connection(fd, this);
    }
}

void SingleInstance::readConnections() {
    for (QObject* child : children()) {
        if (auto* connection = dynamic_cast<Connection*>(child)) {
            connection->readPending();
        }
    }
}

void SingleInstance::resumeAccepting() {
    if (listenNotifier_ && !listenNotifier_->isEnabled()) {
        QMetaObject::invokeMethod(this, &SingleInstance::acceptConnections, Qt::QueuedConnection);
    }
}

// Connection::readFrames stops before the queue is full, so every message is kept.
void SingleInstance::deliver(const InstanceMessage& message) {
    queue_.append(message);
    // Never call out from inside a connection's read loop: the slots may run event loops.
    QMetaObject::invokeMethod(this, &SingleInstance::drainQueue, Qt::QueuedConnection);
}

void SingleInstance::drainQueue() {
    if (dispatching_) {
        return;  // the outer drain picks the message up
    }
    dispatching_ = true;
    struct Reset {
        SingleInstance* self;
        ~Reset() {
            self->dispatching_ = false;
            if (!self->queue_.isEmpty()) {  // a slot threw; go on with the rest later
                QMetaObject::invokeMethod(self, &SingleInstance::drainQueue, Qt::QueuedConnection);
            }
        }
    } reset{this};
    while (!queue_.isEmpty()) {
        dispatch(queue_.takeFirst());
    }
    readConnections();
    resumeAccepting();
}

void SingleInstance::dispatch(const InstanceMessage& message) {
    if (message.name == kBringToFrontName) {
        emit bringToFront();
    } else if (message.name == kStartName) {
        // A longer name cannot have come from a well-behaved sender, and a cut one would
        // name a different file; it is refused rather than shortened.
        if (message.text.size() > kMaxStartNameLength) {
            qWarning("Sonvox: a start file name of more than %d characters is refused",
                     int(kMaxStartNameLength));
        } else if (!message.text.isEmpty()) {
            emit startReceived(message.text);
        }
    } else {
        const std::optional<QStringList> files = parseEncoderList(message.text);
        if (!files || files->isEmpty()) {
            return;
        }
        if (message.name == kPlaylistName) {
            emit playlistReceived(*files);
        } else {
            emit selectionReceived(*files);
        }
    }
}

// ---- sending --------------------------------------------------------------------------------

bool SingleInstance::send(const QString& socketName, const InstanceMessage& message) {
    return send(socketName, QList<InstanceMessage>{message});
}

bool SingleInstance::send(const QString& socketName, const QList<InstanceMessage>& messages) {
    QByteArray data;
    for (const InstanceMessage& message : messages) {
        const QByteArray frame = encodeFrame(message);
        if (frame.isEmpty()) {
            return false;
        }
        data += frame;
    }
    const int fd = connectTo(fullServerName(socketName), kConnectTimeoutMs);
    if (fd < 0) {
        return false;
    }
    QElapsedTimer clock;
    clock.start();
    qsizetype sent = 0;
    while (sent < data.size()) {
        const ssize_t n =
            ::send(fd, data.constData() + sent, size_t(data.size() - sent), MSG_NOSIGNAL);
        if (n > 0) {
            sent += n;
            continue;
        }
        const int left = kWriteTimeoutMs - int(clock.elapsed());
        if (n < 0 && (errno == EAGAIN || errno == EINTR) && left > 0 &&
            waitFor(fd, POLLOUT, left)) {
            continue;
        }
        break;
    }
    ::close(fd);
    return sent == data.size();
}
