#include "XaudioPlayer.h"

#include <utility>

using decoder::Command;

XaudioPlayer::XaudioPlayer(std::unique_ptr<DecoderBackend> backend)
    : backend_(std::move(backend)) {}

XaudioPlayer::~XaudioPlayer() = default;

int XaudioPlayer::start(QObject* receiver) {
    deferredReceiver_ = nullptr;
    const int result = backend_ ? backend_->start(receiver) : -1;
    running_ = (result == 0);
    if (!running_ && failed_) {
        std::exchange(failed_, {})(result);
    }
    failed_ = {};
    return result;
}

void XaudioPlayer::startOnFirstCommand(QObject* receiver, std::function<void(int)> failed) {
    deferredReceiver_ = receiver;
    failed_ = std::move(failed);
}

void XaudioPlayer::send(const DecoderCommand& command) {
    if (deferredReceiver_ && command.code != Command::Stop && command.code != Command::Quit) {
        start(deferredReceiver_);
    }
    if (running_) {
        backend_->send(command);
    }
}

void XaudioPlayer::Play() {
    send({Command::Play});
}
void XaudioPlayer::Pause() {
    send({Command::Pause});
}
void XaudioPlayer::Stop() {
    send({Command::Stop});
}
void XaudioPlayer::Seek(int offset, int range) {
    send({Command::Seek, offset, range});
}
void XaudioPlayer::Quit() {
    send({Command::Quit});
}
void XaudioPlayer::Mute() {
    send({Command::Mute});
}
void XaudioPlayer::Unmute() {
    send({Command::Unmute});
}
void XaudioPlayer::OpenInput(const QString& fileName) {
    ++loadNumber_;
    send({Command::OpenInput, static_cast<int>(loadNumber_), 0, 0, fileName});
}
void XaudioPlayer::VolumeWindowCommand() {
    send({Command::VolumeWindowCommand});
}
void XaudioPlayer::SetVolume(int balance, int volume, int range) {
    send({Command::SetVolume, balance, volume, range});
}
void XaudioPlayer::SetChannels(int channels) {
    send({Command::SetChannels, channels});
}
