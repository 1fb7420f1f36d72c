#pragma once
// One running player per settings directory, and the hand-offs to it.
//
// The first start listens on a Unix-domain socket (see Paths::instanceSocketName), served
// with plain system calls and a QSocketNotifier, so the program needs no network library; a later
// start finds it, sends its messages and exits with code 0. A socket file left by a crashed
// instance is noticed (nobody answers), removed, and the new start takes over. The socket
// accepts connections of the same user only.
//
// Wire format. A connection carries one or more frames as InstanceFrame describes them; a
// "Start" names one file of at most kMaxStartNameLength characters. A frame with a wrong marker, a
// length out of range, text that is not UTF-8 or an unknown name is dropped together with the rest
// of its connection; so is a connection that takes longer than kFrameTimeoutMs for a frame. Memory
// held per connection never exceeds one frame, and at most kMaxConnections are served at a time.
//
// Received messages are emitted as signals in the order they arrived. A slot that runs a
// nested event loop does not see the next message re-entrantly: it is delivered when the
// slot has returned. Use from the GUI thread.

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

#include "core/InstanceFrame.h"

class QSocketNotifier;

class SingleInstance : public QObject {
    Q_OBJECT

public:
    static constexpr qsizetype kMaxFrameBytes = InstanceFrame::kMaxBodyBytes;
    static constexpr qsizetype kMaxStartNameLength = 254;
    static constexpr int kFrameTimeoutMs = 5000;
    static constexpr int kMaxConnections = 8;

    static inline const QString& kBringToFrontName = InstanceFrame::kBringToFrontName;
    static inline const QString& kStartName = InstanceFrame::kStartName;
    static inline const QString& kPlaylistName = InstanceFrame::kPlaylistName;
    static inline const QString& kSelectionName = InstanceFrame::kSelectionName;
    static inline const QString& kEncoderMarker = InstanceFrame::kEncoderMarker;

    // socketName: a full path, or a bare name placed in the temporary directory.
    explicit SingleInstance(const QString& socketName, QObject* parent = nullptr);
    ~SingleInstance() override;

    // True when no other instance answers on the socket: this process is the first one
    // and listens from now on. False when another instance is running. Concurrent
    // starts are serialised through a lock file beside the socket. When the socket
    // cannot be created at all this is still the first instance, just one that cannot
    // be reached; isListening() tells.
    bool listen();
    bool isListening() const;

    // Whether a player answers on the socket now. Plain system calls: usable before any Qt
    // application object exists, so that a later start needs no display.
    static bool answers(const QString& socketName);

    // For a later start: connects, sends the messages in order over one connection and
    // waits until they are written. False when nobody listens, a message does not fit
    // into a frame, or the writing does not finish in time.
    static bool send(const QString& socketName, const InstanceMessage& message);
    static bool send(const QString& socketName, const QList<InstanceMessage>& messages);

    // ---- the pure parts (see InstanceFrame), for tests ----
    static QByteArray encodeFrame(const InstanceMessage& message) {
        return InstanceFrame::encode(message);
    }
    static std::optional<InstanceMessage> decodeFrameBody(const QByteArray& body) {
        return InstanceFrame::decodeBody(body);
    }
    static QString encoderListText(const QStringList& fileNames) {
        return InstanceFrame::encoderListText(fileNames);
    }
    static std::optional<QStringList> parseEncoderList(const QString& text) {
        return InstanceFrame::parseEncoderList(text);
    }

signals:
    void bringToFront();
    void startReceived(const QString& file);           // never empty, at most kMaxStartNameLength
    void playlistReceived(const QStringList& files);   // never empty
    void selectionReceived(const QStringList& files);  // never empty

private:
    class Connection;

    void acceptConnections();
    void readConnections();
    void resumeAccepting();
    void deliver(const InstanceMessage& message);
    void drainQueue();
    void dispatch(const InstanceMessage& message);

    QString fullName_;
    int listenFd_ = -1;
    QSocketNotifier* listenNotifier_ = nullptr;
    QList<InstanceMessage> queue_;
    bool dispatching_ = false;
    int connections_ = 0;
};
