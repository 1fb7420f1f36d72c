#pragma once
// The main window's keys: it previews every key press and release meant for a control of
// that window (whichever has the focus, a list included) and acts on the two tables below;
// the key then still goes on to the control. Keys are told apart by their key code alone:
// Shift, Ctrl and Alt are not looked at.
//
//   press:   Insert copy marked selection rows | A switch play mode | I title information
//            | M pause when the play button is down, else play | P tracks into the playlist
//            | S tracks into the selection | F2 restart | F3 fast backward on | F4 stop
//            | F5 pause | F6 play | F7 volume window | F8 fast forward on | F9 next track
//   release: F3 fast backward off | F8 fast forward off
//
// A held key repeats its press action; the repeated releases of a held F3 or F8 are not
// releases and change nothing. Transport keys go to the engine; the others to the actions
// the main window supplies.
//
// GUI thread only. Install with qApp->installEventFilter(keys).

#include <QObject>
#include <functional>

class PlayerEngine;
class QWidget;

class PlayerKeys : public QObject {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> playlistDouble;     // Insert
        std::function<void()> togglePlayMode;     // A
        std::function<void()> info;               // I
        std::function<void()> loadIntoPlaylist;   // P
        std::function<void()> loadIntoSelection;  // S
        std::function<void()> volume;             // F7
    };

    PlayerKeys(QWidget& window, PlayerEngine& engine, Actions actions, QObject* parent = nullptr);

    // The two tables; true when the key is one of them.
    bool FormKeyDown(int key);
    bool FormKeyUp(int key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    static void call(const std::function<void()>& action);

    QWidget& window_;
    PlayerEngine& engine_;
    Actions actions_;
};
