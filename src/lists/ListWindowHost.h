#pragma once
// What the track lists need of the main window: room to show them. Filling the playlist
// makes sure the window is tall enough to show some of its rows, filling the selection that
// it is wide enough to show the selection beside the player panel. The main window
// implements both from its client size and its place on the screen; tests use a stand-in.
//
// GUI thread only.

class ListWindowHost {
public:
    virtual ~ListWindowHost() = default;

    // For the playlist: a client height of at least 333 pixels, then the window moved up
    // as far as needed to keep its lower edge on the screen.
    virtual void growHeight() = 0;

    // For the selection: when the window shows the player panel alone, twice its width,
    // then the window moved left as far as needed to stay on the screen (never past 0).
    virtual void growWidth() = 0;
};
