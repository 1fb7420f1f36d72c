#include "SingleInstance.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

namespace {

constexpr qsizetype kHeaderBytes = InstanceFrame::kHeaderBytes;
constexpr int kConnectTimeoutMs = 1000;
constexpr int kWriteTimeoutMs = 5000;
constexpr int kLockWaitMs = 3000;
// More messages than this waiting behind a busy slot are not kept.
constexpr qsizetype kMaxQueuedMessages = 256;

QString fullServerName(const QString& name) {
    return QDir::isAbsolutePath(name) ? name : QDir::tempPath() + QLatin1Char('/') + name;
}

bool peerIsSameUser(QLocalSocket* socket) {
#ifdef SO_PEERCRED
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED,
                   &credentials, &length) != 0) {
        return false;
    }
    return credentials.uid == geteuid();
#else
    Q_UNUSED(socket);
    return true;  // the socket file's permissions still keep other users out
#endif
}

}  // namespace

// ---- one incoming connection ----------------------------------------------------------------

// Reads frames off one socket, holding at most one frame, and hands each complete
// message to the SingleInstance. Deletes itself when the peer is gone, on a bad frame
// and on timeout.
class SingleInstance::Connection : public QObject {
public:
    Connection(QLocalSocket* socket, SingleInstance* owner)
        : QObject(owner), socket_(socket), owner_(owner) {
        ++owner_->connections_;
        socket_->setParent(this);
        timer_.setSingleShot(true);
        connect(&timer_, &QTimer::timeout, this, &Connection::drop);
        connect(socket_, &QLocalSocket::readyRead, this, &Connection::readFrames);
        connect(socket_, &QLocalSocket::disconnected, this, &Connection::peerGone);
        timer_.start(kFrameTimeoutMs);
        readFrames();
    }
    ~Connection() override { --owner_->connections_; }

private:
    void readFrames() {
        while (!finished_) {
            const qsizetype target = haveHeader_ ? kHeaderBytes + bodyBytes_ : kHeaderBytes;
            if (buffer_.size() < target) {
                const QByteArray chunk = socket_->read(target - buffer_.size());
                if (chunk.isEmpty()) {
                    return;  // wait for more
                }
                buffer_ += chunk;
                continue;
            }
            if (!haveHeader_) {
                const qsizetype length = InstanceFrame::bodyLength(buffer_);
                if (length < 0) {
                    drop();
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
                drop();
                return;
            }
            timer_.start(kFrameTimeoutMs);
            owner_->deliver(*message);
        }
    }

    void peerGone() {
        if (finished_) {
            return;
        }
        readFrames();  // what the peer wrote before closing is still buffered
        finish();
    }

    void drop() {
        if (finished_) {
            return;
        }
        finish();
        socket_->abort();
    }

    void finish() {
        finished_ = true;
        timer_.stop();
        deleteLater();
    }

    QLocalSocket* socket_;
    SingleInstance* owner_;
    QTimer timer_;
    QByteArray buffer_;
    qsizetype bodyBytes_ = 0;
    bool haveHeader_ = false;
    bool finished_ = false;
};

// ---- the instance ---------------------------------------------------------------------------

SingleInstance::SingleInstance(const QString& socketName, QObject* parent)
    : QObject(parent), fullName_(fullServerName(socketName)) {}

SingleInstance::~SingleInstance() {
    // Connections are children and count themselves off in their destructors.
    if (server_) {
        server_->close();  // removes the socket file
    }
}

bool SingleInstance::listen() {
    if (isListening()) {
        return true;
    }
    // Two starts at the same moment must not both decide that the socket is stale.
    QLockFile lock(fullName_ + QStringLiteral(".lock"));
    lock.tryLock(kLockWaitMs);

    QLocalSocket probe;
    probe.connectToServer(fullName_);
    if (probe.waitForConnected(kConnectTimeoutMs)) {
        probe.abort();
        return false;  // a running instance answered
    }

    QLocalServer::removeServer(fullName_);  // a crashed instance's socket, if any
    if (!server_) {
        server_ = new QLocalServer(this);
        server_->setSocketOptions(QLocalServer::UserAccessOption);
        connect(server_, &QLocalServer::newConnection, this, &SingleInstance::acceptConnections);
    }
    if (!server_->listen(fullName_)) {
        qWarning("Sonvox: cannot listen on %s: %s", qPrintable(fullName_),
                 qPrintable(server_->errorString()));
    }
    return true;
}

bool SingleInstance::isListening() const {
    return server_ && server_->isListening();
}

void SingleInstance::acceptConnections() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        if (connections_ >= kMaxConnections || !peerIsSameUser(socket)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        new Connection(socket, this);
    }
}

void SingleInstance::deliver(const InstanceMessage& message) {
    if (queue_.size() >= kMaxQueuedMessages) {
        return;
    }
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
}

void SingleInstance::dispatch(const InstanceMessage& message) {
    if (message.name == kBringToFrontName) {
        emit bringToFront();
    } else if (message.name == kStartName) {
        // A longer name cannot have come from a well-behaved sender, and a cut one would
        // name a different file; it is refused rather than shortened.
        if (!message.text.isEmpty() && message.text.size() <= kMaxStartNameLength) {
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
    QLocalSocket socket;
    socket.connectToServer(fullServerName(socketName));
    if (!socket.waitForConnected(kConnectTimeoutMs)) {
        return false;
    }
    socket.write(data);
    while (socket.bytesToWrite() > 0) {
        if (!socket.waitForBytesWritten(kWriteTimeoutMs)) {
            socket.abort();
            return false;
        }
    }
    socket.disconnectFromServer();
    return true;
}
