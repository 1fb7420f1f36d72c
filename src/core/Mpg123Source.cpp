#include "Mpg123Source.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <mutex>

#include "core/FileIo.h"

namespace {

constexpr std::size_t kId3v1Bytes = 128;
// A stream whose average bit rate strays further than this from its first frame's is
// reported with the average.
constexpr double kVariableRateTolerance = 0.05;
// Frames decoded and dropped before a seek target. A layer 3 frame may take its data from
// up to 511 bytes back, six frames of the smallest MPEG-1 size; with the filter banks'
// memory that makes eight, and then what follows a seek is bit for bit what a straight
// decode gives.
constexpr long kFramesBeforeSeekTarget = 8;

bool libraryReady() {
    static std::once_flag once;
    static bool ready = false;
    std::call_once(once, [] { ready = mpg123_init() == MPG123_OK; });
    return ready;
}

int versionNumber(int version) {
    switch (version) {
        case MPG123_1_0:
            return 1;
        case MPG123_2_0:
            return 2;
        case MPG123_2_5:
            return 25;
    }
    return 0;
}

// Reads up to size bytes at offset, fewer only at the end; -1 on an error.
mpg123_ssize_t readAt(const Mpg123Source::Input& input, std::int64_t offset, void* buffer,
                      std::size_t size) {
    if (offset < 0) {
        return -1;
    }
    if (input.fd < 0) {
        const std::int64_t available = std::max<std::int64_t>(input.size - offset, 0);
        const std::size_t count = std::min<std::size_t>(size, available);
        if (count > 0) {
            std::memcpy(buffer, input.bytes + offset, count);
        }
        return static_cast<mpg123_ssize_t>(count);
    }
    return static_cast<mpg123_ssize_t>(
        readFullyAt(input.fd, offset, buffer, static_cast<std::int64_t>(size)));
}

constexpr std::int64_t kReadAheadBytes = 64 * 1024;

// readAt for the library's small reads of a file, through the input's read-ahead piece.
mpg123_ssize_t readAhead(Mpg123Source::Input& input, void* buffer, std::size_t size) {
    const std::int64_t offset = input.offset;
    const std::int64_t wanted = static_cast<std::int64_t>(size);
    if (offset < input.aheadStart || offset + wanted > input.aheadStart + input.aheadSize) {
        input.ahead.resize(kReadAheadBytes);
        input.aheadSize = 0;
        const mpg123_ssize_t got = readAt(input, offset, input.ahead.data(), kReadAheadBytes);
        if (got < 0) {
            return -1;
        }
        input.aheadStart = offset;
        input.aheadSize = got;
    }
    const std::int64_t count =
        std::min(wanted, std::max<std::int64_t>(input.aheadStart + input.aheadSize - offset, 0));
    if (count > 0) {
        std::memcpy(buffer, input.ahead.data() + (offset - input.aheadStart), size_t(count));
    }
    return static_cast<mpg123_ssize_t>(count);
}

// The library's read and seek calls, POSIX style, on an Input.
mpg123_ssize_t readInput(void* handle, void* buffer, std::size_t size) {
    auto& input = *static_cast<Mpg123Source::Input*>(handle);
    const mpg123_ssize_t n = input.fd >= 0 && static_cast<std::int64_t>(size) < kReadAheadBytes
                                 ? readAhead(input, buffer, size)
                                 : readAt(input, input.offset, buffer, size);
    if (n > 0) {
        input.offset += n;
    }
    return n;
}

off_t seekInput(void* handle, off_t offset, int whence) {
    auto& input = *static_cast<Mpg123Source::Input*>(handle);
    std::int64_t base = 0;
    switch (whence) {
        case SEEK_SET:
            break;
        case SEEK_CUR:
            base = input.offset;
            break;
        case SEEK_END:
            base = input.size;
            break;
        default:
            errno = EINVAL;
            return -1;
    }
    if ((offset < 0 && -static_cast<std::int64_t>(offset) > base) ||
        (offset > 0 && offset > std::numeric_limits<std::int64_t>::max() - base)) {
        errno = EINVAL;
        return -1;
    }
    input.offset = base + offset;
    return static_cast<off_t>(input.offset);
}

bool endsWithId3v1(const Mpg123Source::Input& input) {
    if (input.size < static_cast<std::int64_t>(kId3v1Bytes)) {
        return false;
    }
    char marker[3];
    return readAt(input, input.size - kId3v1Bytes, marker, sizeof marker) == sizeof marker &&
           std::memcmp(marker, "TAG", sizeof marker) == 0;
}

}  // namespace

int StreamFacts::lengthSeconds() const {
    return rateHz > 0 ? static_cast<int>(std::llround(double(lengthFrames) / rateHz)) : 0;
}

Mpg123Source::Mpg123Source() {
    if (!libraryReady()) {
        return;
    }
    handle_ = mpg123_new(nullptr, nullptr);
    if (handle_) {
        // No messages on standard error; mono comes out on both channels.
        mpg123_param(handle_, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_STEREO, 0);
        mpg123_param(handle_, MPG123_PREFRAMES, kFramesBeforeSeekTarget, 0);
    }
}

Mpg123Source::~Mpg123Source() {
    close();
    if (handle_) {
        mpg123_delete(handle_);
    }
}

bool Mpg123Source::open(const std::string& path) {
    if (!openUnscanned(path)) {
        return false;
    }
    if (!scan()) {
        close();
        return false;
    }
    return true;
}

bool Mpg123Source::openUnscanned(const std::string& path) {
    close();
    if (!handle_) {
        return false;
    }
    // Non-blocking, so that a FIFO without a writer cannot hold the open; only regular
    // files go further.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        return false;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    Input input;
    input.fd = fd;
    input.size = status.st_size;
    if (!openInput(input)) {
        ::close(fd);
        return false;
    }
    return true;
}

bool Mpg123Source::openMemory(std::span<const unsigned char> bytes) {
    close();
    if (!handle_) {
        return false;
    }
    Input input;
    input.bytes = bytes.data();
    input.size = static_cast<std::int64_t>(bytes.size());
    if (!openInput(input)) {
        return false;
    }
    if (!scan()) {
        close();
        return false;
    }
    return true;
}

bool Mpg123Source::openInput(const Input& input) {
    allowEveryRate();
    input_ = input;
    if (mpg123_replace_reader_handle(handle_, readInput, seekInput, nullptr) != MPG123_OK ||
        mpg123_open_handle(handle_, &input_) != MPG123_OK) {
        input_ = {};
        return false;
    }
    input_.open = true;
    if (!readFirstFrame()) {
        input_.fd = -1;  // the caller closes its own descriptor
        close();
        return false;
    }
    position_ = 0;
    return true;
}

void Mpg123Source::close() {
    if (input_.open) {
        mpg123_close(handle_);
        if (input_.fd >= 0) {
            ::close(input_.fd);
        }
    }
    input_ = {};
    facts_ = {};
    position_ = 0;
    scanned_ = false;
}

bool Mpg123Source::readFirstFrame() {
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    // Finds the first frame; fails for a file without MPEG audio.
    if (mpg123_getformat(handle_, &rate, &channels, &encoding) != MPG123_OK || rate <= 0) {
        return false;
    }
    mpg123_frameinfo info{};
    if (mpg123_info(handle_, &info) != MPG123_OK) {
        return false;
    }
    firstFrameOffset_ = std::max<off_t>(mpg123_framepos(handle_), 0);
    // The output format is now fixed; should the stream change its rate later on, the
    // library resamples instead of switching formats under the output.
    allowOnlyRate(rate);

    facts_ = {};
    facts_.version = versionNumber(info.version);
    facts_.layer = info.layer;
    facts_.rateHz = static_cast<int>(rate);
    facts_.channelMode = static_cast<int>(info.mode);
    facts_.kbps = info.bitrate;
    firstFrameKbps_ = info.bitrate;
    firstFrameVbr_ = info.vbr != MPG123_CBR;
    return true;
}

bool Mpg123Source::scan() {
    if (!input_.open) {
        return false;
    }
    if (scanned_) {
        return true;
    }
    if (mpg123_scan(handle_) != MPG123_OK) {
        return false;
    }
    // The scan returns to the frame decoded last, not behind it: go on exactly where the
    // samples handed out end.
    if (position_ > 0 && mpg123_seek(handle_, static_cast<off_t>(position_), SEEK_SET) < 0) {
        return false;
    }
    const off_t length = mpg123_length(handle_);
    if (length <= 0) {
        return false;
    }
    facts_.lengthFrames = length;
    std::int64_t audioBytes = input_.size - firstFrameOffset_;
    if (endsWithId3v1(input_)) {
        audioBytes -= kId3v1Bytes;
    }
    // A tag can overlap the only frames of a tiny file: no audio bytes of its own left.
    audioBytes = std::max<std::int64_t>(audioBytes, 0);
    const double seconds = double(length) / facts_.rateHz;
    const double averageKbps = audioBytes * 8.0 / seconds / 1000.0;
    facts_.variableRate = firstFrameVbr_ || std::abs(averageKbps - firstFrameKbps_) >
                                                kVariableRateTolerance * firstFrameKbps_;
    facts_.kbps =
        facts_.variableRate ? static_cast<int>(std::lround(averageKbps)) : firstFrameKbps_;
    scanned_ = true;
    return true;
}

std::span<const std::int16_t> Mpg123Source::decodeFrame() {
    if (!input_.open) {
        return {};
    }
    for (;;) {
        off_t frameNumber = 0;
        unsigned char* audio = nullptr;
        std::size_t bytes = 0;
        const int result = mpg123_decode_frame(handle_, &frameNumber, &audio, &bytes);
        if (result != MPG123_OK && result != MPG123_NEW_FORMAT) {
            return {};  // MPG123_DONE, or an error that ends the stream here
        }
        const std::size_t samples = bytes / sizeof(std::int16_t);
        if (samples >= 2) {
            position_ += static_cast<std::int64_t>(samples / 2);
            return {reinterpret_cast<const std::int16_t*>(audio), samples & ~std::size_t{1}};
        }
        // A frame that yields nothing yet (encoder delay being skipped): go on.
    }
}

std::int64_t Mpg123Source::seek(std::int64_t frame) {
    if (!input_.open) {
        return 0;
    }
    if (scanned_) {
        frame = std::clamp<std::int64_t>(frame, 0, facts_.lengthFrames);
    } else {
        frame = std::max<std::int64_t>(frame, 0);
    }
    const off_t landed = mpg123_seek(handle_, static_cast<off_t>(frame), SEEK_SET);
    // In a damaged stream (frames of another rate or layer mixed in) the library's sample
    // count can run past the length the scan found; the position never does.
    if (landed < 0) {
        position_ = frame;
    } else {
        position_ = scanned_ ? std::min<std::int64_t>(landed, facts_.lengthFrames) : landed;
    }
    return position_;
}

void Mpg123Source::allowEveryRate() {
    const long* rates = nullptr;
    std::size_t count = 0;
    mpg123_rates(&rates, &count);
    mpg123_format_none(handle_);
    for (std::size_t i = 0; i < count; ++i) {
        mpg123_format(handle_, rates[i], MPG123_STEREO, MPG123_ENC_SIGNED_16);
    }
}

void Mpg123Source::allowOnlyRate(long rateHz) {
    mpg123_format_none(handle_);
    mpg123_format(handle_, rateHz, MPG123_STEREO, MPG123_ENC_SIGNED_16);
}
