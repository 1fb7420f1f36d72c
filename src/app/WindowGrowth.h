#pragma once
// Where the main window goes when a list makes it grow, on whichever screen it stands: all
// coordinates are global, the screen's too, so a screen that does not start at 0 (a second
// screen beside or above the first) is handled like the first.
//
// Pure functions; any thread.

#include <QRect>

namespace WindowGrowth {

// After the window grew taller: its top edge moves up as far as needed to keep its lower
// edge on the screen.
inline int topAfterGrowth(const QRect& screen, const QRect& frame) {
    const int limit = screen.top() + screen.height() - frame.height();
    return limit < frame.top() ? limit : frame.top();
}

// After the window grew wider: its left edge moves left to the screen's centring position
// when it stands right of it, but never past the screen's left edge.
inline int leftAfterGrowth(const QRect& screen, const QRect& frame) {
    const int centred = screen.left() + (screen.width() - frame.width()) / 2;
    const int left = centred < frame.left() ? centred : frame.left();
    return left < screen.left() ? screen.left() : left;
}

}  // namespace WindowGrowth
