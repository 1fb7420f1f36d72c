#include "InstanceFrame.h"

#include <QStringDecoder>
#include <QtEndian>

namespace {

const QByteArray kFrameMarker("SVX1");

bool knownName(const QString& name) {
    return name == InstanceFrame::kBringToFrontName || name == InstanceFrame::kStartName ||
           name == InstanceFrame::kPlaylistName || name == InstanceFrame::kSelectionName;
}

}  // namespace

InstanceMessage InstanceMessage::bringToFront() {
    return {InstanceFrame::kBringToFrontName, {}};
}

InstanceMessage InstanceMessage::start(const QString& fileName) {
    return {InstanceFrame::kStartName, fileName};
}

InstanceMessage InstanceMessage::playlist(const QStringList& fileNames) {
    return {InstanceFrame::kPlaylistName, InstanceFrame::encoderListText(fileNames)};
}

InstanceMessage InstanceMessage::selection(const QStringList& fileNames) {
    return {InstanceFrame::kSelectionName, InstanceFrame::encoderListText(fileNames)};
}

QByteArray InstanceFrame::encode(const InstanceMessage& message) {
    const QByteArray body = message.name.toUtf8() + '\n' + message.text.toUtf8();
    if (body.size() > kMaxBodyBytes) {
        return {};
    }
    QByteArray frame = kFrameMarker;
    frame.resize(kHeaderBytes);
    qToBigEndian<quint32>(static_cast<quint32>(body.size()), frame.data() + kFrameMarker.size());
    return frame + body;
}

qsizetype InstanceFrame::bodyLength(QByteArrayView header) {
    if (header.size() < kHeaderBytes || !header.startsWith(kFrameMarker)) {
        return -1;
    }
    const quint32 length = qFromBigEndian<quint32>(header.data() + kFrameMarker.size());
    if (length == 0 || length > static_cast<quint32>(kMaxBodyBytes)) {
        return -1;
    }
    return length;
}

std::optional<InstanceMessage> InstanceFrame::decodeBody(QByteArrayView body) {
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(body);
    if (decoder.hasError()) {
        return std::nullopt;
    }
    const qsizetype newline = text.indexOf(QLatin1Char('\n'));
    if (newline < 0) {
        return std::nullopt;
    }
    InstanceMessage message{text.left(newline), text.mid(newline + 1)};
    if (!knownName(message.name)) {
        return std::nullopt;
    }
    return message;
}

QList<InstanceMessage> InstanceFrame::decodeStream(QByteArrayView bytes, bool* complete) {
    QList<InstanceMessage> messages;
    bool whole = false;
    qsizetype at = 0;
    for (;;) {
        if (at == bytes.size()) {
            whole = true;
            break;
        }
        const qsizetype length = bodyLength(bytes.sliced(at));
        if (length < 0 || bytes.size() - at - kHeaderBytes < length) {
            break;
        }
        const std::optional<InstanceMessage> message =
            decodeBody(bytes.sliced(at + kHeaderBytes, length));
        if (!message) {
            break;
        }
        messages.append(*message);
        at += kHeaderBytes + length;
    }
    if (complete) {
        *complete = whole;
    }
    return messages;
}

QString InstanceFrame::encoderListText(const QStringList& fileNames) {
    QStringList lines{kEncoderMarker};
    lines += fileNames;
    return lines.join(QLatin1Char('\n'));
}

std::optional<QStringList> InstanceFrame::parseEncoderList(const QString& text) {
    QString normalised = text;
    normalised.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normalised.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    QStringList lines = normalised.split(QLatin1Char('\n'));
    if (lines.first() != kEncoderMarker) {
        return std::nullopt;
    }
    lines.removeFirst();
    lines.removeAll(QString());
    return lines;
}
