#pragma once
// The one exception type of the program. A command that cannot go on throws it with the
// text the user is to read; the application object catches it at the event loop, shows
// it in a critical message box and the command ends there. Lower layers throw it too,
// which is why it lives in the lowest folder.

#include <QString>
#include <QtGlobal>
#include <stdexcept>

class SonvoxError : public std::runtime_error {
public:
    explicit SonvoxError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};

// Where errors of commands started from a menu go. The application sets it once (a message
// box); without it they are written to the log.
using SonvoxErrorReporter = void (*)(const QString& message);
inline SonvoxErrorReporter& sonvoxErrorReporter() {
    static SonvoxErrorReporter reporter = nullptr;
    return reporter;
}

// Runs a command triggered by a menu entry. Its SonvoxError is reported here, so that it
// never unwinds through Qt's menu code, which is not built to be unwound.
template <typename Command>
void runReported(Command&& command) {
    try {
        command();
    } catch (const SonvoxError& e) {
        if (SonvoxErrorReporter report = sonvoxErrorReporter()) {
            report(e.message());
        } else {
            qWarning("%s", qUtf8Printable(e.message()));
        }
    }
}
