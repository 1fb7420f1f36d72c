#pragma once
// What main decides before any Qt application object exists, so that a second start,
// --help and a hand-off work without a display:
//   - whether a player already listens on the instance socket (a plain connect, no Qt);
//   - whether a display can be reached at all, so that a start without one ends with one
//     line on standard error instead of Qt's abort;
// the font configuration, read ahead on a thread of its own;
// and, once the window exists, the routing of SIGINT and SIGTERM into the event loop
// (through a pipe the handler writes to), so that they end Sonvox as closing its window does.

#include <QString>
#include <functional>
#include <future>

class QObject;

namespace startgate {

// True when something accepts connections on the local socket at `path`.
bool playerListens(const QString& path);

// Empty when the platform Qt will use can be reached; else why not, in one line.
QString displayProblem();

// Work started on a thread of its own; the destructor waits for it to end.
using Background = std::future<void>;

// Reads the system's font configuration (fontconfig's set-up: its configuration files and
// font lists) on a thread of its own, so that it overlaps the application object's
// connection to the display; the first font the window asks for then finds it done.
// Thread-safe as fontconfig is; does nothing where Qt does not use fontconfig.
Background loadFontConfiguration();

// Calls `onSignal` on the GUI thread, from the event loop, when SIGINT or SIGTERM arrives.
// `context` owns the notifier. Call once, after the application object exists.
void routeTerminationSignals(QObject* context, std::function<void()> onSignal);

}  // namespace startgate
