#include "FakeDecoder.h"

#include <QCoreApplication>

#include <algorithm>
#include <memory>

#include "core/DecoderEvent.h"

using decoder::Command;

int FakeDecoder::start(QObject* receiver) {
    ++startCount_;
    receiver_ = receiver;
    return startResult_;
}

void FakeDecoder::send(const DecoderCommand& command) {
    commands_.append(command);
    if (command.code == Command::OpenInput) {
        load_ = static_cast<std::uint32_t>(command.arg1);
    }
}

QList<Command> FakeDecoder::codes() const {
    QList<Command> result;
    for (const DecoderCommand& command : commands_) {
        result.append(command.code);
    }
    return result;
}

QStringList FakeDecoder::log() const {
    QStringList result;
    for (const DecoderCommand& command : commands_) {
        result.append(describe(command));
    }
    return result;
}

int FakeDecoder::count(Command code) const {
    return static_cast<int>(
        std::count_if(commands_.begin(), commands_.end(),
                      [code](const DecoderCommand& c) { return c.code == code; }));
}

QString FakeDecoder::name(Command code) {
    switch (code) {
        case Command::Play:
            return QStringLiteral("Play");
        case Command::Pause:
            return QStringLiteral("Pause");
        case Command::Stop:
            return QStringLiteral("Stop");
        case Command::Seek:
            return QStringLiteral("Seek");
        case Command::Quit:
            return QStringLiteral("Quit");
        case Command::Mute:
            return QStringLiteral("Mute");
        case Command::Unmute:
            return QStringLiteral("Unmute");
        case Command::OpenInput:
            return QStringLiteral("OpenInput");
        case Command::VolumeWindowCommand:
            return QStringLiteral("VolumeWindowCommand");
        case Command::SetVolume:
            return QStringLiteral("SetVolume");
        case Command::SetChannels:
            return QStringLiteral("SetChannels");
    }
    return QStringLiteral("Command%1").arg(static_cast<int>(code));
}

QString FakeDecoder::describe(const DecoderCommand& command) {
    const QString n = name(command.code);
    switch (command.code) {
        case Command::Seek:
            return QStringLiteral("%1 %2 %3").arg(n).arg(command.arg1).arg(command.arg2);
        case Command::SetVolume:
            return QStringLiteral("%1 %2 %3 %4")
                .arg(n)
                .arg(command.arg1)
                .arg(command.arg2)
                .arg(command.arg3);
        case Command::SetChannels:
            return QStringLiteral("%1 %2").arg(n).arg(command.arg1);
        case Command::OpenInput:
            return n + QLatin1Char(' ') + command.text;
        case Command::VolumeWindowCommand:
            return command.text.isEmpty() ? n : n + QLatin1Char(' ') + command.text;
        default:
            return n;
    }
}

void FakeDecoder::post(DecoderEvent* event) {
    postAs(load_, event);
}

void FakeDecoder::postAs(std::uint32_t load, DecoderEvent* event) {
    std::unique_ptr<DecoderEvent> owned(event);
    owned->setLoad(load);
    if (receiver_) {
        QCoreApplication::postEvent(receiver_, owned.release());
    }
}

void FakeDecoder::postTrackFailed(decoder::FailReason reason) {
    post(DecoderEvent::trackFailed(reason));
}

void FakeDecoder::postEnd() {
    post(DecoderEvent::end());
}
void FakeDecoder::postState(int state) {
    post(DecoderEvent::state(state));
}
void FakeDecoder::postDuration(int seconds) {
    post(DecoderEvent::duration(seconds));
}
void FakeDecoder::postPosition() {
    post(DecoderEvent::position());
}
void FakeDecoder::postTimeCode(int hours, int minutes, int seconds) {
    post(DecoderEvent::timeCode(hours, minutes, seconds));
}
void FakeDecoder::postElapsed(int totalSeconds) {
    postTimeCode(totalSeconds / 3600, totalSeconds / 60 % 60, totalSeconds % 60);
}
void FakeDecoder::postStreamInfo(int version, int layer, int kbps, int rateHz, int channelMode) {
    post(DecoderEvent::streamInfo(version, layer, kbps, rateHz, channelMode));
}
void FakeDecoder::postBalance(int balance) {
    post(DecoderEvent::balance(balance));
}
void FakeDecoder::postVolume(int volume) {
    post(DecoderEvent::volume(volume));
}

void FakeDecoder::deliver() {
    if (receiver_) {
        QCoreApplication::sendPostedEvents(receiver_);
    }
}
