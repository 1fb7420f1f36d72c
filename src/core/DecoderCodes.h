#pragma once
// The numbers that cross the decoder boundary: commands going in, notifications coming
// out. They are part of the contract with the decoder thread and must never be renumbered.

#include <cstdint>

namespace decoder {

// Commands sent to the decoder thread.
enum class Command : int {
    Play = 1,                  // start or resume playing the open track
    Pause = 2,                 // hold playing at the current position
    Stop = 3,                  // stop and go back to the start; the next Play starts there
    Seek = 4,                  // ints: offset, range; go to offset/range of the track
    Quit = 5,                  // end the decoder thread; answered by Notification::End
    Mute = 6,                  // silence the output, keep decoding
    Unmute = 7,                // undo Mute
    OpenInput = 8,             // string: file name, int: load number; answered by Duration
                               // and StreamInfo, or by TrackFailed and State 3
    VolumeWindowCommand = 11,  // string (empty): report Balance and Volume again
    SetVolume = 14,            // ints: balance 0..99 (50 centre), volume, range
    SetChannels = 15,          // int: 0 both channels as their mean, 1 stereo
};

// Notifications posted to the receiver as DecoderEvent; the event type is the number.
enum class Notification : int {
    End = 0x9015,          // the decoder thread has ended (only after Quit); no payload
    State = 0x9016,        // int32 at 4: 0 stopped, 1 playing, 2 paused, 3 end of stream
    Duration = 0x9019,     // int32 at 4: length in whole seconds
    Position = 0x901A,     // no field is read
    TimeCode = 0x901B,     // int32 at 4 hours, at 8 minutes, at 12 seconds heard so far
    StreamInfo = 0x901C,   // u8 at 4 version, u8 at 5 layer, u16 at 6 kbit/s,
                           // u16 at 8 sampling rate in Hz, u8 at 10 channel mode
    Balance = 0x901D,      // int32 at 4: 0..99
    Volume = 0x901E,       // int32 at 8: 0..99
    TrackFailed = 0x901F,  // int32 at 4: FailReason; the opened track cannot be played
};

// Every notification but End, Balance and Volume belongs to one OpenInput: it carries the
// load number that OpenInput was sent with (0 before the first), outside the record.

// Why TrackFailed was posted.
enum class FailReason : int {
    CannotOpen = 1,    // the file is missing or cannot be read
    NotMpegAudio = 2,  // the file holds no MPEG audio the decoder can play
    NoOutput = 3,      // the sound output does not take the track's sampling rate
};

// Values of the State notification.
enum class StreamState : int {
    Stopped = 0,
    Playing = 1,
    Paused = 2,
    EndOfStream = 3,
};

// Channel modes in StreamInfo, as in the MPEG frame header.
enum class ChannelMode : int {
    Stereo = 0,
    JointStereo = 1,
    DualChannel = 2,
    Mono = 3,
};

// StreamInfo's version byte: 1 and 2 for MPEG-1 and MPEG-2, 25 for MPEG-2.5.
constexpr int kMpegVersion25 = 25;

}  // namespace decoder
