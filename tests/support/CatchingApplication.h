#pragma once
// Stands in for the application's general error handler in tests of windows: a
// SonvoxError thrown by an event handler is collected instead of shown.

#include <QApplication>
#include <QStringList>

#include "core/SonvoxError.h"

class CatchingApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override {
        try {
            return QApplication::notify(receiver, event);
        } catch (const SonvoxError& error) {
            errors.append(error.message());
            return true;
        }
    }
    QStringList errors;
};
