#pragma once
// One MPEG audio stream (MPEG-1, 2 and 2.5, layers 1 to 3) read from a file or from memory
// and decoded by libmpg123. This is the only code that talks to the library.
//
// Output is always interleaved signed 16-bit stereo at the stream's own sampling rate
// (mono streams are copied to both channels). Opening scans the whole stream once, so the
// length is exact also for variable bit rate files without a length header, and seeking
// lands on the asked sample. The scan reads every frame header of the file, which takes
// tens of milliseconds for a track of some minutes: openUnscanned() leaves it for later,
// so that decoding can begin first.
//
// Thread rules: an object is used by one thread at a time and is not synchronised;
// separate objects may live on separate threads.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct mpg123_handle_struct;

// What the frame headers and the scan tell about an open stream.
struct StreamFacts {
    int version = 0;  // 1, 2, or 25 for MPEG-2.5
    int layer = 0;    // 1 to 3
    int kbps = 0;     // bit rate: the first frame's for a constant rate stream, the
                      // average over the stream for a variable (or free format) one
    bool variableRate = false;
    int rateHz = 0;                 // sampling rate, also the output rate
    int channelMode = 0;            // as in the frame header: 0 stereo, 1 joint, 2 dual, 3 mono
    std::int64_t lengthFrames = 0;  // decoded length in sample frames

    // The length rounded to the nearest whole second.
    int lengthSeconds() const;
};

class Mpg123Source {
public:
    Mpg123Source();
    ~Mpg123Source();
    Mpg123Source(const Mpg123Source&) = delete;
    Mpg123Source& operator=(const Mpg123Source&) = delete;

    // False when libmpg123 could not be set up; such an object opens nothing.
    bool valid() const { return handle_ != nullptr; }

    // Opens the file at `path` (file system bytes) and scans it. Fails, without waiting,
    // for anything that is not a regular file (directories, FIFOs, devices) and for files
    // in which no MPEG audio frame can be decoded. Closes any stream open before.
    bool open(const std::string& path);
    // Opens and scans a stream held in memory, with the same rules as a file. The bytes are
    // not copied: they must stay put until close() or the next open.
    bool openMemory(std::span<const unsigned char> bytes);
    // As open(), without the scan: the facts hold what the first frame tells and a length
    // of 0 until scan() has run. Decoding may begin at once.
    bool openUnscanned(const std::string& path);
    // Scans the open stream for its exact length and average bit rate and completes the
    // facts; decoding goes on where it was. False (the stream stays open) when the scan
    // fails. Does nothing more once the stream has been scanned.
    bool scan();
    bool isScanned() const { return scanned_; }
    void close();
    bool isOpen() const { return input_.open; }

    // Valid while a stream is open.
    const StreamFacts& facts() const { return facts_; }

    // Decodes the next frame. The samples stay valid until the next call on this object.
    // An empty result is the end of the stream; a damaged tail ends it the same way.
    std::span<const std::int16_t> decodeFrame();

    // Moves to sample frame `frame` (kept within the stream, once scanned) and returns the
    // frame at which decoding goes on.
    std::int64_t seek(std::int64_t frame);

    // The sample frame the next decodeFrame() starts with.
    std::int64_t position() const { return position_; }

    // Where the library reads from: a file descriptor of ours, or bytes in memory.
    struct Input {
        bool open = false;
        int fd = -1;
        const unsigned char* bytes = nullptr;
        std::int64_t size = 0;
        std::int64_t offset = 0;  // the read position in bytes
        // The library asks a file for a frame or less at a time; it is read in larger
        // pieces, so that playing costs a system call every few seconds, not dozens a second.
        std::vector<unsigned char> ahead;
        std::int64_t aheadStart = 0;  // the file offset of ahead[0]
        std::int64_t aheadSize = 0;   // how much of ahead holds the file
    };

private:
    bool openInput(const Input& input);
    void allowEveryRate();
    void allowOnlyRate(long rateHz);
    bool readFirstFrame();

    mpg123_handle_struct* handle_ = nullptr;
    Input input_;
    std::int64_t firstFrameOffset_ = 0;
    int firstFrameKbps_ = 0;
    bool firstFrameVbr_ = false;
    bool scanned_ = false;
    StreamFacts facts_;
    std::int64_t position_ = 0;
};
