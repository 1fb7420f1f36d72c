#pragma once
// The real decoder: a thread of its own that decodes with libmpg123 (Mpg123Source), shapes
// the samples with the volume controls (ChannelMixer) and plays them through an
// AudioOutput, by default the sound device through SDL2 (SdlAudioOutput).
//
// Thread contract
// - start(), send() and the destructor are called on one thread, the GUI thread.
// - send() only appends the command to a queue and wakes the decoder thread; it never
//   waits for decoding or output. Commands are carried out in the order sent.
// - The decoder thread alone touches the stream, the mixer and the output. While playing
//   it sleeps between refills of the output queue (up to a second and a half ahead of the
//   listener) and wakes for commands and when the heard second changes; it never spins.
// - Notifications go to the receiver only through QCoreApplication::postEvent, as
//   DecoderEvents. The receiver must outlive this object, or this object must be
//   destroyed first: once the destructor has begun, nothing more is posted.
// - Quit ends the thread; End is its last notification and later commands are dropped.
//   Destroying the object without Quit ends the thread as well, without End.
//
// Behaviour, command by command
// - OpenInput: State 0 when a track was playing or paused, then Duration (whole seconds,
//   rounded) and StreamInfo; the track waits, stopped, at its start. A path that cannot
//   be opened, holds no MPEG audio or whose rate the output refuses gives TrackFailed with
//   its reason, then State 3, as a stream that ended at once.
// - A track's exact length needs a scan of the whole file, tens of milliseconds for a
//   track of some minutes. When Play is the next command after OpenInput, the first
//   quarter second is queued and sounding before the scan, so that the next track of a
//   list follows without that wait; Duration and StreamInfo still come before its
//   State 1. A file whose scan fails then ends as one without MPEG audio (TrackFailed,
//   State 3), and the Play answers State 0.
// - Every notification after an OpenInput carries that command's load number (the
//   State 0 of the track it replaces still the earlier one's); End, Balance and Volume
//   are stamped too but belong to no track.
// - Play: State 1 (a finished track starts again from its beginning). Pause: State 2,
//   the position is kept. Stop: State 0, back to the start of the track. Each of them
//   answers State 0 when no track is open.
// - TimeCode: whenever the whole second the listener hears changes while playing, and
//   after every seek. The time counts what has been played, not what is decoded ahead.
// - Seek(offset, range): to offset/range of the track's length (range 0: the start);
//   playing goes on if it was playing. The end of the stream gives State 3.
// - SetVolume, SetChannels, Mute, Unmute: change what is heard at once; the sound queued
//   ahead is mixed again, continuing exactly at the first frame not yet played.
//   At start and on VolumeWindowCommand: Balance, then Volume (start: 50 and 99).

#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "DecoderBackend.h"

class AudioOutput;
class DecoderEvent;

class MpgDecoder final : public DecoderBackend {
public:
    // Plays through the sound device.
    MpgDecoder();
    // Plays through `output` (for instance a NullAudioOutput to measure decoding).
    explicit MpgDecoder(std::unique_ptr<AudioOutput> output);
    ~MpgDecoder() override;
    MpgDecoder(const MpgDecoder&) = delete;
    MpgDecoder& operator=(const MpgDecoder&) = delete;

    // 0: the thread runs. 1: libmpg123 cannot be used. 2: no output, not even a silent
    // one. A second call returns the first result and changes nothing.
    int start(QObject* receiver) override;
    void send(const DecoderCommand& command) override;

private:
    class Worker;
    friend class Worker;

    void run();
    void post(DecoderEvent* event);

    std::unique_ptr<AudioOutput> output_;
    std::unique_ptr<Worker> worker_;
    QObject* receiver_ = nullptr;
    int startResult_ = -1;

    std::mutex queueMutex_;
    std::condition_variable wake_;
    std::deque<DecoderCommand> queue_;
    bool accepting_ = false;  // commands are taken (after start, until Quit)
    bool stopping_ = false;   // the destructor asks the thread to end

    std::mutex postMutex_;
    bool posting_ = false;  // cleared first thing in the destructor

    std::thread thread_;
    std::uint32_t load_ = 0;  // decoder thread only: the load number of the open track
};

// The decoder the program uses: an MpgDecoder playing through the sound device.
std::unique_ptr<DecoderBackend> makeDefaultDecoder();
