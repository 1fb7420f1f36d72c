#include "MpgDecoder.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <optional>
#include <vector>

#include "AudioOutput.h"
#include "ChannelMixer.h"
#include "DecoderEvent.h"
#include "Mpg123Source.h"
#include "SdlAudioOutput.h"

using decoder::Command;
using decoder::FailReason;
using decoder::StreamState;
using Wait = std::optional<std::chrono::microseconds>;  // nullopt: until the next command

namespace {

// The output queue is refilled to kAheadMs of sound whenever it has run down to kRefillMs.
// The thread wakes anyway when the heard second changes, and each such wake tops the queue
// up, so while a track plays it wakes about three times a second, not at every buffer the
// device takes. A change of the volume controls mixes the queued sound again from what was
// heard last (remix()), so it is heard at once however much is queued.
constexpr std::int64_t kAheadMs = 1500;
constexpr std::int64_t kRefillMs = 500;
// What a track that has just been opened queues before its scan.
constexpr std::int64_t kStartMs = 250;
// MPEG frames decoded in one go before the command queue is looked at again.
constexpr int kFramesPerBatch = 32;
constexpr std::chrono::microseconds kMinSleep{1000};
constexpr std::chrono::microseconds kMaxSleep{500000};
// How long an opened track waits for a Play before it is scanned (and stays stopped).
constexpr std::chrono::microseconds kNextCommandWait{2000};

}  // namespace

// ---------------------------------------------------------------------------------------
// The decoder thread's side: the open track, the mixer and the transport state. Lives on
// the decoder thread only.

class MpgDecoder::Worker {
public:
    Worker(MpgDecoder& owner, AudioOutput& output) : owner_(owner), output_(output) {}

    bool valid() const { return source_.valid(); }
    void handle(const DecoderCommand& command);
    // A track has been opened but not yet scanned, so its Duration and StreamInfo are due.
    bool openPending() const { return openPending_; }
    // Scans the track opened last and posts its Duration and StreamInfo; a track whose
    // scan fails ends as one that cannot be opened. False when it failed.
    bool finishOpen();
    // Refills the output while playing, posts time codes and the end of the stream;
    // returns how long the thread may sleep.
    Wait pump();
    void reportVolume();
    // After a change of the volume controls, drops what is queued and decodes it again
    // from the first frame not yet played, through the mixer as it is now.
    void remixIfDue();
    void shutdown();

private:
    enum class Status { Idle, Stopped, Playing, Paused, Ended };

    void openInput(const QString& fileName, std::uint32_t load);
    void play();
    void pause();
    void stop();
    void seek(int offset, int range);
    void moveTo(std::int64_t frame);
    void decodeFrom(std::int64_t frame);
    void write(std::span<const std::int16_t> samples);
    void failTrack(decoder::FailReason reason);
    std::int64_t heardFrame(std::int64_t pending) const;
    void postState(StreamState state);
    void postTimeCode(std::int64_t second);

    MpgDecoder& owner_;
    AudioOutput& output_;
    Mpg123Source source_;
    ChannelMixer mixer_;
    std::vector<std::int16_t> mixed_;

    Status status_ = Status::Idle;
    std::int64_t base_ = 0;         // frame at which the output queue was last emptied
    std::int64_t written_ = 0;      // frames written to the output since then
    std::int64_t lastSecond_ = -1;  // second of the last TimeCode; -1 forces the next one
    bool inputEnded_ = false;       // the stream has no more frames to decode
    bool openPending_ = false;      // see openPending()
    bool remixDue_ = false;         // the mixer changed since the queue was filled
};

void MpgDecoder::Worker::handle(const DecoderCommand& command) {
    // Only a Play may start a track before its scan; anything else sees it complete.
    if (openPending_ && command.code != Command::Play) {
        finishOpen();
    }
    const ChannelMixer mixerBefore = mixer_;
    switch (command.code) {
        case Command::Play:
            play();
            break;
        case Command::Pause:
            pause();
            break;
        case Command::Stop:
            stop();
            break;
        case Command::Seek:
            seek(command.arg1, command.arg2);
            break;
        case Command::Mute:
            mixer_.setMuted(true);
            break;
        case Command::Unmute:
            mixer_.setMuted(false);
            break;
        case Command::OpenInput:
            openInput(command.text, static_cast<std::uint32_t>(command.arg1));
            break;
        case Command::VolumeWindowCommand:
            reportVolume();
            break;
        case Command::SetVolume:
            mixer_.setVolume(command.arg1, command.arg2, command.arg3);
            break;
        case Command::SetChannels:
            mixer_.setMono(command.arg1 == 0);
            break;
        case Command::Quit:  // handled by the thread loop
            break;
    }
    remixDue_ = remixDue_ || mixer_ != mixerBefore;
}

void MpgDecoder::Worker::openInput(const QString& fileName, std::uint32_t load) {
    const bool wasActive = status_ == Status::Playing || status_ == Status::Paused;
    output_.setRunning(false);
    output_.discard();
    status_ = Status::Idle;
    if (wasActive) {
        postState(StreamState::Stopped);  // the end of the track being replaced
    }
    owner_.load_ = load;
    std::optional<FailReason> failure;
    if (!source_.openUnscanned(QFile::encodeName(fileName).toStdString())) {
        const QFileInfo file(fileName);
        failure =
            file.isFile() && file.isReadable() ? FailReason::NotMpegAudio : FailReason::CannotOpen;
    } else if (!output_.configure(source_.facts().rateHz)) {
        failure = FailReason::NoOutput;
    }
    if (failure) {
        failTrack(*failure);
        return;
    }
    status_ = Status::Stopped;
    moveTo(0);
    lastSecond_ = -1;
    // The scan waits for the next command: a Play starts the sound first.
    openPending_ = true;
}

bool MpgDecoder::Worker::finishOpen() {
    if (!openPending_) {
        return status_ != Status::Idle;
    }
    openPending_ = false;
    if (!source_.scan()) {
        output_.setRunning(false);
        output_.discard();
        status_ = Status::Idle;
        failTrack(FailReason::NotMpegAudio);
        return false;
    }
    const StreamFacts& facts = source_.facts();
    owner_.post(DecoderEvent::duration(facts.lengthSeconds()));
    owner_.post(DecoderEvent::streamInfo(facts.version, facts.layer, facts.kbps, facts.rateHz,
                                         facts.channelMode));
    return true;
}

// Told as a stream that ended at once, so that whoever plays a list moves on.
void MpgDecoder::Worker::failTrack(FailReason reason) {
    source_.close();
    owner_.post(DecoderEvent::trackFailed(reason));
    postState(StreamState::EndOfStream);
}

void MpgDecoder::Worker::play() {
    if (openPending_ && status_ == Status::Stopped) {
        // A track just opened: its first quarter second plays while the scan runs.
        status_ = Status::Playing;
        output_.setRunning(true);
        const std::int64_t ahead = source_.facts().rateHz * kStartMs / 1000;
        for (int frames = 0; frames < kFramesPerBatch && written_ < ahead; ++frames) {
            const std::span<const std::int16_t> samples = source_.decodeFrame();
            if (samples.empty()) {
                break;  // the stream ends so soon: pump() finds that out again
            }
            write(samples);
        }
        if (!finishOpen()) {
            postState(StreamState::Stopped);  // as a Play with no track open
            return;
        }
    }
    if (status_ == Status::Idle) {
        postState(StreamState::Stopped);
        return;
    }
    if (status_ == Status::Ended) {
        moveTo(0);
        lastSecond_ = -1;
    }
    status_ = Status::Playing;
    output_.setRunning(true);
    postState(StreamState::Playing);
}

void MpgDecoder::Worker::pause() {
    if (status_ == Status::Idle) {
        postState(StreamState::Stopped);
        return;
    }
    if (status_ == Status::Playing) {
        output_.setRunning(false);
        status_ = Status::Paused;
    }
    postState(StreamState::Paused);
}

void MpgDecoder::Worker::stop() {
    output_.setRunning(false);
    if (status_ != Status::Idle) {
        moveTo(0);
        lastSecond_ = -1;
        status_ = Status::Stopped;
    }
    postState(StreamState::Stopped);
}

void MpgDecoder::Worker::seek(int offset, int range) {
    if (status_ == Status::Idle) {
        return;
    }
    const StreamFacts& facts = source_.facts();
    std::int64_t target = 0;
    if (range > 0 && offset > 0) {
        if (offset >= range) {
            target = facts.lengthFrames;
        } else if (range == facts.lengthSeconds()) {
            // The program's usual call: a second of the track and the length it was told.
            target = std::int64_t{offset} * facts.rateHz;
        } else {
            target = static_cast<std::int64_t>(double(offset) / range * facts.lengthFrames);
        }
    }
    moveTo(target);
    if (status_ == Status::Ended) {
        status_ = Status::Stopped;
    }
    postTimeCode(base_ / facts.rateHz);
}

// Empties the output queue and goes on decoding from `frame`.
void MpgDecoder::Worker::moveTo(std::int64_t frame) {
    output_.discard();
    decodeFrom(frame);
}

// The output queue is empty: the next refill starts at `frame`.
void MpgDecoder::Worker::decodeFrom(std::int64_t frame) {
    base_ = source_.seek(frame);
    written_ = 0;
    inputEnded_ = false;
}

// Seeking is exact to the frame, so the listener hears no seam.
void MpgDecoder::Worker::remixIfDue() {
    const bool queued = (status_ == Status::Playing || status_ == Status::Paused) && written_ > 0;
    if (remixDue_ && queued) {
        decodeFrom(base_ + written_ - output_.discard());
    }
    remixDue_ = false;  // with nothing queued, the next refill mixes as it is
}

Wait MpgDecoder::Worker::pump() {
    if (status_ != Status::Playing) {
        return std::nullopt;
    }
    const std::int64_t rate = source_.facts().rateHz;
    const std::int64_t ahead = rate * kAheadMs / 1000;
    const std::int64_t refill = rate * kRefillMs / 1000;

    std::int64_t pending = output_.pendingFrames();
    bool batchFull = false;
    for (int frames = 0; !inputEnded_ && pending < ahead; ++frames) {
        if (frames == kFramesPerBatch) {
            batchFull = true;
            break;
        }
        const std::span<const std::int16_t> samples = source_.decodeFrame();
        if (samples.empty()) {
            inputEnded_ = true;
            break;
        }
        write(samples);
        pending = output_.pendingFrames();
    }

    const std::int64_t heard = heardFrame(pending);
    const std::int64_t second = heard / rate;
    if (second != lastSecond_) {
        postTimeCode(second);
    }
    if (inputEnded_ && pending == 0) {
        status_ = Status::Ended;
        output_.setRunning(false);
        postState(StreamState::EndOfStream);
        return std::nullopt;
    }
    if (batchFull || (!inputEnded_ && pending < refill)) {
        return std::chrono::microseconds{0};  // an output that keeps nothing back
    }
    // Sleep until the queue runs low (or empty, at the end) or the next second is heard.
    const std::int64_t untilRefill =
        inputEnded_ ? pending : std::max<std::int64_t>(0, pending - refill);
    const std::int64_t untilNextSecond = (second + 1) * rate - heard;
    const std::chrono::microseconds sleep{std::min(untilRefill, untilNextSecond) * 1000000 / rate};
    return std::clamp(sleep + kMinSleep, kMinSleep, kMaxSleep);
}

void MpgDecoder::Worker::write(std::span<const std::int16_t> samples) {
    if (mixer_.isTransparent()) {
        output_.write(samples);
    } else {
        mixed_.resize(samples.size());
        mixer_.apply(samples, mixed_);
        output_.write(mixed_);
    }
    written_ += static_cast<std::int64_t>(samples.size() / 2);
}

std::int64_t MpgDecoder::Worker::heardFrame(std::int64_t pending) const {
    return base_ + std::max<std::int64_t>(0, written_ - pending);
}

void MpgDecoder::Worker::reportVolume() {
    owner_.post(DecoderEvent::balance(mixer_.balance()));
    owner_.post(DecoderEvent::volume(mixer_.reportedVolume()));
}

void MpgDecoder::Worker::shutdown() {
    openPending_ = false;
    output_.setRunning(false);
    output_.discard();
    source_.close();
    status_ = Status::Idle;
}

void MpgDecoder::Worker::postState(StreamState state) {
    owner_.post(DecoderEvent::state(static_cast<int>(state)));
}

void MpgDecoder::Worker::postTimeCode(std::int64_t second) {
    lastSecond_ = second;
    const int s = static_cast<int>(second);
    owner_.post(DecoderEvent::timeCode(s / 3600, s / 60 % 60, s % 60));
}

// ---------------------------------------------------------------------------------------
// The GUI thread's side: starting, queueing commands, and ending the thread.

MpgDecoder::MpgDecoder() : MpgDecoder(std::make_unique<SdlAudioOutput>()) {}

MpgDecoder::MpgDecoder(std::unique_ptr<AudioOutput> output) : output_(std::move(output)) {}

MpgDecoder::~MpgDecoder() {
    {
        std::lock_guard lock(postMutex_);
        posting_ = false;
    }
    {
        std::lock_guard lock(queueMutex_);
        stopping_ = true;
        accepting_ = false;
    }
    wake_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
    worker_.reset();  // before the output it refers to
}

int MpgDecoder::start(QObject* receiver) {
    if (startResult_ != -1) {
        return startResult_;
    }
    if (!output_) {
        return startResult_ = 2;
    }
    worker_ = std::make_unique<Worker>(*this, *output_);
    if (!worker_->valid()) {
        worker_.reset();
        return startResult_ = 1;
    }
    if (!output_->initialise()) {
        worker_.reset();
        return startResult_ = 2;
    }
    receiver_ = receiver;
    posting_ = receiver != nullptr;
    accepting_ = true;
    thread_ = std::thread([this] { run(); });
    return startResult_ = 0;
}

void MpgDecoder::send(const DecoderCommand& command) {
    {
        std::lock_guard lock(queueMutex_);
        if (!accepting_) {
            return;
        }
        queue_.push_back(command);
    }
    wake_.notify_one();
}

void MpgDecoder::run() {
    Worker& worker = *worker_;
    worker.reportVolume();
    Wait wait;
    std::deque<DecoderCommand> batch;
    for (;;) {
        batch.clear();
        {
            std::unique_lock lock(queueMutex_);
            const auto ready = [this] { return stopping_ || !queue_.empty(); };
            if (!wait) {
                wake_.wait(lock, ready);
            } else if (wait->count() > 0) {
                wake_.wait_for(lock, *wait, ready);
            }
            if (stopping_) {
                break;
            }
            batch.swap(queue_);
        }
        const auto quit = std::find_if(batch.begin(), batch.end(), [](const DecoderCommand& c) {
            return c.code == Command::Quit;
        });
        std::for_each(batch.begin(), quit,
                      [&worker](const DecoderCommand& c) { worker.handle(c); });
        if (quit != batch.end()) {
            worker.finishOpen();
            {
                std::lock_guard lock(queueMutex_);
                accepting_ = false;
                queue_.clear();
            }
            worker.shutdown();
            post(DecoderEvent::end());
            return;
        }
        if (worker.openPending()) {
            // The Play that usually follows an OpenInput may be on its way.
            std::unique_lock lock(queueMutex_);
            if (wake_.wait_for(lock, kNextCommandWait,
                               [this] { return stopping_ || !queue_.empty(); })) {
                wait = std::chrono::microseconds{0};
                continue;
            }
        }
        if (worker.openPending()) {
            worker.finishOpen();
        }
        worker.remixIfDue();
        wait = worker.pump();
    }
    worker.shutdown();
}

void MpgDecoder::post(DecoderEvent* event) {
    std::unique_ptr<DecoderEvent> owned(event);
    owned->setLoad(load_);
    std::lock_guard lock(postMutex_);
    if (posting_) {
        QCoreApplication::postEvent(receiver_, owned.release());
    }
}

std::unique_ptr<DecoderBackend> makeDefaultDecoder() {
    return std::make_unique<MpgDecoder>();
}
