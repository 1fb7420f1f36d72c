#pragma once
// Hands an error of a window command to the application's error report (a message box),
// for commands that end inside a window rather than unwinding to the event loop.

#include <QString>

#include "core/SonvoxError.h"

inline void reportError(const QString& message) {
    if (SonvoxErrorReporter report = sonvoxErrorReporter()) {
        report(message);
    } else {
        qWarning("%s", qUtf8Printable(message));
    }
}
