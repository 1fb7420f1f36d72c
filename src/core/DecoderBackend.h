#pragma once
// What XaudioPlayer drives: a decoder that takes numbered commands and posts
// DecoderEvents to a receiver. Two kinds exist: the real one (libmpg123 on a thread of
// its own, sound through SDL2) and the test fake in tests/support.
//
// Thread rules: start() and send() are called on the GUI thread only. send() never
// blocks on decoding; it queues the command and returns. Notifications reach the
// receiver only through QCoreApplication::postEvent, never by a direct call.

#include <QString>
#include <utility>

#include "DecoderCodes.h"

class QObject;

struct DecoderCommand {
    DecoderCommand(decoder::Command c, int a1 = 0, int a2 = 0, int a3 = 0, QString t = {})
        : code(c), arg1(a1), arg2(a2), arg3(a3), text(std::move(t)) {}
    decoder::Command code;
    int arg1;
    int arg2;
    int arg3;
    QString text;
};

class DecoderBackend {
public:
    virtual ~DecoderBackend() = default;
    // Starts the decoder with `receiver` as the target of its notifications. Returns 0 on
    // success; any other value means no decoder runs and commands are dropped.
    virtual int start(QObject* receiver) = 0;
    virtual void send(const DecoderCommand& command) = 0;
};
