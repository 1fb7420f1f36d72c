#pragma once
// The one exception type of the program. A command that cannot go on throws it with the
// text the user is to read; the application object catches it at the event loop, shows
// it in a critical message box and the command ends there. Lower layers throw it too,
// which is why it lives in the lowest folder.

#include <QString>
#include <stdexcept>

class SonvoxError : public std::runtime_error {
public:
    explicit SonvoxError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& message() const { return message_; }

private:
    QString message_;
};
