#pragma once
// The application object. It is the program's general error handler: a SonvoxError (or
// any std::exception) that escapes an event handler ends that command and is shown in a
// critical message box. It also owns the application-wide tooltip switch.

#include <QApplication>

class SonvoxApplication : public QApplication {
    Q_OBJECT
public:
    SonvoxApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Tooltips of the whole application on or off.
    void setShowHints(bool on) { showHints_ = on; }
    bool showHints() const { return showHints_; }

    // Shows an error the way the general handler does. Tests replace the sink so that no
    // modal box blocks them; the last message shown is kept for them to read.
    static void reportError(const QString& message);
    using ErrorSink = void (*)(const QString&);
    static void setErrorSink(ErrorSink sink);
    static QString lastError();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool showHints_ = true;
};
