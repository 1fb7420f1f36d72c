#pragma once
// One running player per settings directory, and the hand-offs to it.
//
// The first start listens on a Unix-domain socket (see Paths::instanceSocketName), served
// with plain system calls and a QSocketNotifier, so the program needs no network library; a later
// start finds it, sends its messages and exits with code 0. A socket file left by a crashed
// instance is noticed (nobody answers), removed, and the new start takes over. The socket
// accepts connections of the same user only.
//
// Wire format. A connection carries one or more frames, each
//     "SVX1"  4-byte big-endian length N (1 .. kMaxFrameBytes)  N bytes of UTF-8
// where the UTF-8 text is the message name, "\n", and the message text. The names are
// "Sonvox" (bring to front, no text), "Start" (text: one file name of at most
// kMaxStartNameLength characters), "WM_PLAYLIST" and "WM_SELECTION" (text: "ENCODER" on
// the first line, then one file name per line). A frame with a wrong marker, a length out
// of range, text that is not UTF-8 or an unknown name is dropped together with the rest of
// its connection; so is a connection that takes longer than kFrameTimeoutMs for a frame.
// Memory held per connection never exceeds one frame, and at most kMaxConnections are
// served at a time.
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

class QSocketNotifier;

struct InstanceMessage {
    QString name;  // "Sonvox", "Start", "WM_PLAYLIST" or "WM_SELECTION"
    QString text;  // the message text, empty for "Sonvox"

    static InstanceMessage bringToFront();
    static InstanceMessage start(const QString& fileName);
    static InstanceMessage playlist(const QStringList& fileNames);
    static InstanceMessage selection(const QStringList& fileNames);

    bool operator==(const InstanceMessage&) const = default;
};

class SingleInstance : public QObject {
    Q_OBJECT

public:
    static constexpr qsizetype kMaxFrameBytes = 1024 * 1024;
    static constexpr qsizetype kMaxStartNameLength = 254;
    static constexpr int kFrameTimeoutMs = 5000;
    static constexpr int kMaxConnections = 8;

    static inline const QString kBringToFrontName = QStringLiteral("Sonvox");
    static inline const QString kStartName = QStringLiteral("Start");
    static inline const QString kPlaylistName = QStringLiteral("WM_PLAYLIST");
    static inline const QString kSelectionName = QStringLiteral("WM_SELECTION");
    static inline const QString kEncoderMarker = QStringLiteral("ENCODER");

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

    // ---- the pure parts, for tests ----

    // The whole frame for a message; empty when it would exceed kMaxFrameBytes.
    static QByteArray encodeFrame(const InstanceMessage& message);
    // The message in a frame's UTF-8 part (after marker and length); nullopt when
    // malformed: no "\n" after the name, an unknown name, or invalid UTF-8.
    static std::optional<InstanceMessage> decodeFrameBody(const QByteArray& body);

    // The list hand-off text: "ENCODER", then one name per line.
    static QString encoderListText(const QStringList& fileNames);
    // The names of a list hand-off, or nullopt when the first line is not exactly
    // "ENCODER". Lines end at "\r\n", "\n" or "\r"; a line break after the last name makes
    // no extra line, and empty lines are no file names and are skipped.
    static std::optional<QStringList> parseEncoderList(const QString& text);

signals:
    void bringToFront();
    void startReceived(const QString& file);           // never empty, at most kMaxStartNameLength
    void playlistReceived(const QStringList& files);   // never empty
    void selectionReceived(const QStringList& files);  // never empty

private:
    class Connection;

    void acceptConnections();
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
