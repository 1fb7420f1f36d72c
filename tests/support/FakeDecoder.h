#pragma once
// A stand-in decoder for driving XaudioPlayer and the player engine in tests. It records
// every command it is sent and posts exactly the notifications the test asks for, to the
// receiver given in start(), the way the real decoder does (QCoreApplication::postEvent),
// so they arrive when the event loop runs.
//
//     auto fake = std::make_unique<FakeDecoder>();
//     FakeDecoder* decoder = fake.get();
//     XaudioPlayer player(std::move(fake));
//     player.start(&window);
//     ... click something ...
//     QCOMPARE(decoder->log(), QStringList({"Stop", "OpenInput /x.mp3", "Play"}));
//     decoder->postDuration(187);
//     decoder->deliver();  // or let QTRY_ spin the loop
//
// Everything happens on the test's thread; nothing here is synchronised.

#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>

#include "core/DecoderBackend.h"

class DecoderEvent;

class FakeDecoder final : public DecoderBackend {
public:
    // `startResult` is what start() returns; anything but 0 is a decoder that failed.
    explicit FakeDecoder(int startResult = 0) : startResult_(startResult) {}

    // --- DecoderBackend --------------------------------------------------------------
    int start(QObject* receiver) override;
    void send(const DecoderCommand& command) override;

    // --- Set-up ----------------------------------------------------------------------
    void setStartResult(int result) { startResult_ = result; }
    QObject* receiver() const { return receiver_; }
    int startCount() const { return startCount_; }

    // --- What was sent ---------------------------------------------------------------
    const QList<DecoderCommand>& commands() const { return commands_; }
    QList<decoder::Command> codes() const;
    // One line per command: its name, then its arguments as it takes them, for instance
    // "Play", "Seek 63 187", "OpenInput /music/a.mp3", "SetVolume 50 70 100",
    // "SetChannels 0", "VolumeWindowCommand".
    QStringList log() const;
    int count(decoder::Command code) const;
    bool isEmpty() const { return commands_.isEmpty(); }
    // The last command sent; the test must check isEmpty() first.
    const DecoderCommand& last() const { return commands_.constLast(); }
    void clear() { commands_.clear(); }

    static QString describe(const DecoderCommand& command);
    static QString name(decoder::Command code);

    // --- Notifications to post (to the receiver given in start()) -------------------
    void postEnd();
    void postState(int state);
    void postDuration(int seconds);
    void postPosition();
    void postTimeCode(int hours, int minutes, int seconds);
    // The same with the elapsed time in seconds split into hours, minutes and seconds.
    void postElapsed(int totalSeconds);
    void postStreamInfo(int version, int layer, int kbps, int rateHz, int channelMode);
    void postBalance(int balance);
    void postVolume(int volume);
    void postTrackFailed(decoder::FailReason reason);
    // Posts a ready-made event (takes ownership). Every event is stamped with the load
    // number of the last OpenInput sent, as the decoder does; postAs() stamps another one
    // (a late notification of a replaced track).
    void post(DecoderEvent* event);
    void postAs(std::uint32_t load, DecoderEvent* event);

    // Delivers the notifications posted so far to the receiver, now.
    void deliver();

private:
    int startResult_;
    int startCount_ = 0;
    QObject* receiver_ = nullptr;
    QList<DecoderCommand> commands_;
    std::uint32_t load_ = 0;
};
