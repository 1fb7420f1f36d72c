#pragma once
// What the player panel shows, as the engine holds it: one value per control of the
// display. The engine is the only writer; views read it when PlayerEngine::displayChanged
// names the parts that changed, and repaint only those.

#include <QString>

#include "Id3v1Tag.h"
#include "PlayMode.h"

// The lamp over the play-mode image: exactly one of its three pictures shows.
enum class Lamp { Off, On, Flash };

// The stream line, as texts. All empty before the first track and after a track that
// could not be opened.
struct StreamText {
    QString mpeg;    // "1", "2" or "2.5"
    QString layer;   // "1" to "3"
    QString kbps;    // bit rate in kbit/s
    QString khz;     // sampling rate in whole kHz
    QString stereo;  // "Stereo" (stereo and joint stereo) or "Mono"
    int channelMode = -1;

    bool operator==(const StreamText&) const = default;
};

struct PlayerDisplay {
    // Parts of the display, or-ed together in PlayerEngine::displayChanged.
    enum Part : unsigned {
        TagPart = 1u << 0,        // tag
        StreamPart = 1u << 1,     // stream
        LengthPart = 1u << 2,     // length, frequency, lengthText
        PositionPart = 1u << 3,   // position (the bar)
        TimePart = 1u << 4,       // the elapsed and remaining fields
        ThirdPart = 1u << 5,      // thirdField
        LampPart = 1u << 6,       // lamp
        LookPart = 1u << 7,       // playLook
        TransportPart = 1u << 8,  // playDown, forwardHeld, backwardHeld
        NextPart = 1u << 9,       // nextEnabled
        ModePart = 1u << 10,      // playMode
        AllParts = (1u << 11) - 1,
    };

    PanelTagText tag;  // artist, title, year and genre name
    StreamText stream;
    QString lengthText;  // the track length as "mm:ss"; empty while there is none
    int length = 0;      // the bar's maximum, whole seconds (hours dropped)
    int frequency = 1;   // the bar's tick spacing
    int position = 0;    // the bar's position, within 0 and length
    int elapsedMinutes = 0;
    int elapsedSeconds = 0;
    int remainingMinutes = 0;
    int remainingSeconds = 0;
    int thirdField = 0;
    Lamp lamp = Lamp::Off;
    bool playLook = false;     // the labels in the play colours rather than the pause grey
    bool playDown = false;     // the play button latched down; the pause button the opposite
    bool forwardHeld = false;  // the fast-seek buttons held down
    bool backwardHeld = false;
    bool nextEnabled = false;  // the next-track button usable
    PlayMode playMode = PlayMode::Continuous;
};
