#include "ShownProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <cstdio>

namespace {
class ExposeWatcher : public QObject {
public:
    ExposeWatcher(QObject* parent, bool exit) : QObject(parent), exit_(exit) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose) {
            auto* window = qobject_cast<QWindow*>(watched);
            if (window && window->isExposed()) {
                std::fputs("shown\n", stdout);
                std::fflush(stdout);
                window->removeEventFilter(this);
                if (exit_) {
                    QCoreApplication::exit(0);
                }
            }
        }
        return false;
    }

private:
    bool exit_;
};
}  // namespace

void installShownProbe(QWidget* window) {
    const bool exit = !qEnvironmentVariableIsEmpty("SONVOX_EXIT_WHEN_SHOWN");
    if (!exit && qEnvironmentVariableIsEmpty("SONVOX_REPORT_SHOWN")) {
        return;
    }
    window->winId();  // make sure the native window exists
    if (QWindow* handle = window->windowHandle()) {
        handle->installEventFilter(new ExposeWatcher(handle, exit));
    }
}
