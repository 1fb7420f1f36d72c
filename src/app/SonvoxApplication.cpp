#include "SonvoxApplication.h"

#include <QMessageBox>

#include "core/SonvoxError.h"

namespace {
void showBox(const QString& message) {
    QMessageBox::critical(QApplication::activeWindow(), QApplication::applicationName(), message);
}
SonvoxApplication::ErrorSink g_sink = showBox;
QString g_lastError;
}  // namespace

SonvoxApplication::SonvoxApplication(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Sonvox"));
    setApplicationVersion(QStringLiteral(SONVOX_VERSION));
    installEventFilter(this);
    sonvoxErrorReporter() = &SonvoxApplication::reportError;
}

bool SonvoxApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const SonvoxError& e) {
        reportError(e.message());
    } catch (const std::exception& e) {
        reportError(QString::fromLocal8Bit(e.what()));
    }
    return false;
}

bool SonvoxApplication::eventFilter(QObject* watched, QEvent* event) {
    if (!showHints_ && event->type() == QEvent::ToolTip) {
        return true;
    }
    return QApplication::eventFilter(watched, event);
}

void SonvoxApplication::reportError(const QString& message) {
    g_lastError = message;
    g_sink(message);
}

void SonvoxApplication::setErrorSink(ErrorSink sink) {
    g_sink = sink ? sink : showBox;
}

QString SonvoxApplication::lastError() {
    return g_lastError;
}
