#pragma once
// The messages a later start hands to the running player, and the frames that carry them
// over the instance socket, as pure functions on bytes (the socket itself is the app's
// SingleInstance).
//
// A frame is
//     "SVX1"  4-byte big-endian length N (1 .. kMaxBodyBytes)  N bytes of UTF-8
// where the UTF-8 text is the message name, "\n", and the message text. The names are
// "Sonvox" (bring to front, no text), "Start" (text: one file name), "WM_PLAYLIST" and
// "WM_SELECTION" (text: "ENCODER" on the first line, then one file name per line).
//
// All functions may be called from any thread.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

struct InstanceMessage {
    QString name;  // "Sonvox", "Start", "WM_PLAYLIST" or "WM_SELECTION"
    QString text;  // the message text, empty for "Sonvox"

    static InstanceMessage bringToFront();
    static InstanceMessage start(const QString& fileName);
    static InstanceMessage playlist(const QStringList& fileNames);
    static InstanceMessage selection(const QStringList& fileNames);

    bool operator==(const InstanceMessage&) const = default;
};

class InstanceFrame {
public:
    static constexpr qsizetype kHeaderBytes = 8;  // marker and length
    static constexpr qsizetype kMaxBodyBytes = 1024 * 1024;

    static inline const QString kBringToFrontName = QStringLiteral("Sonvox");
    static inline const QString kStartName = QStringLiteral("Start");
    static inline const QString kPlaylistName = QStringLiteral("WM_PLAYLIST");
    static inline const QString kSelectionName = QStringLiteral("WM_SELECTION");
    static inline const QString kEncoderMarker = QStringLiteral("ENCODER");

    // The whole frame for a message; empty when its body would exceed kMaxBodyBytes.
    static QByteArray encode(const InstanceMessage& message);

    // The body length a frame's first kHeaderBytes bytes announce; -1 when they are fewer,
    // the marker is wrong or the length is out of range.
    static qsizetype bodyLength(QByteArrayView header);

    // The message in a frame's body; nullopt when malformed: no "\n" after the name, an
    // unknown name, or invalid UTF-8.
    static std::optional<InstanceMessage> decodeBody(QByteArrayView body);

    // The messages of everything one connection sent, in order, as the receiver takes
    // them. Reading stops at the first malformed frame (the rest of the connection is
    // dropped, *complete set to false) or at an unfinished last frame (*complete false too).
    static QList<InstanceMessage> decodeStream(QByteArrayView bytes, bool* complete = nullptr);

    // The list hand-off text: "ENCODER", then one name per line.
    static QString encoderListText(const QStringList& fileNames);
    // The names of a list hand-off, or nullopt when the first line is not exactly
    // "ENCODER". Lines end at "\r\n", "\n" or "\r"; a line break after the last name makes
    // no extra line, and empty lines are no file names and are skipped.
    static std::optional<QStringList> parseEncoderList(const QString& text);
};
