#pragma once
// The one decoder object of the run. It owns a DecoderBackend and offers one call per
// decoder command; each call is a single send. When start() failed, every command is
// dropped silently, so the rest of the program runs on without sound.
//
// Each OpenInput is numbered (1, 2, ...); the decoder stamps the notifications of that
// track with the number, and loadNumber() says which one was sent last.
//
// The backend may be started at once (start) or when it is first needed
// (startOnFirstCommand): the decoder thread and the sound device then cost nothing until
// the first command that is not Stop or Quit. Before that nothing plays, so Stop and Quit
// have nothing to act on and are dropped. Use from the GUI thread.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "DecoderBackend.h"

class QObject;

class XaudioPlayer {
public:
    explicit XaudioPlayer(std::unique_ptr<DecoderBackend> backend);
    ~XaudioPlayer();

    // Starts the backend; returns its result (0 = running).
    int start(QObject* receiver);
    // Starts the backend with `receiver` just before the first command that needs it, or
    // at start(). When that start fails, `failed` is called once with the backend's result.
    void startOnFirstCommand(QObject* receiver, std::function<void(int)> failed);
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
    QObject* deferredReceiver_ = nullptr;  // set while a start on first command waits
    std::function<void(int)> failed_;
};
