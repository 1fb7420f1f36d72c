#pragma once
// What the player does with a track it has just loaded. Stored in the settings as the key
// "AutoStart" (1 continuous, 0 single); the player engine reads it on every load.

enum class PlayMode {
    Continuous,  // every loaded track starts at once; the playlist is played to its end
    Single,      // a loaded track waits, stopped, for the user to press play
};
