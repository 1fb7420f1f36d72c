#pragma once
// The one decoder object of the run. It owns a DecoderBackend and offers one call per
// decoder command; each call is a single send. When start() failed, every command is
// dropped silently, so the rest of the program runs on without sound.
//
// Each OpenInput is numbered (1, 2, ...); the decoder stamps the notifications of that
// track with the number, and loadNumber() says which one was sent last.

#include <QString>
#include <cstdint>
#include <memory>

#include "DecoderBackend.h"

class QObject;

class XaudioPlayer {
public:
    explicit XaudioPlayer(std::unique_ptr<DecoderBackend> backend);
    ~XaudioPlayer();

    // Starts the backend; returns its result (0 = running).
    int start(QObject* receiver);
    bool isRunning() const { return running_; }

    void Play();
    void Pause();
    void Stop();
    void Seek(int offset, int range);
    void Quit();
    void Mute();
    void Unmute();
    void OpenInput(const QString& fileName);
    void VolumeWindowCommand();
    void SetVolume(int balance, int volume, int range = 100);
    void SetChannels(int channels);

    std::uint32_t loadNumber() const { return loadNumber_; }

    DecoderBackend* backend() const { return backend_.get(); }

private:
    void send(const DecoderCommand& command);

    std::unique_ptr<DecoderBackend> backend_;
    bool running_ = false;
    std::uint32_t loadNumber_ = 0;
};
