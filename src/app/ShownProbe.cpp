#include "ShownProbe.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <QWindow>
#include <cstdio>

namespace {
class ExposeWatcher : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Expose) {
            auto* window = qobject_cast<QWindow*>(watched);
            if (window && window->isExposed()) {
                std::fputs("shown\n", stdout);
                std::fflush(stdout);
                QCoreApplication::exit(0);
            }
        }
        return false;
    }
};
}  // namespace

void installShownProbe(QWidget* window) {
    if (qEnvironmentVariableIsEmpty("SONVOX_EXIT_WHEN_SHOWN")) {
        return;
    }
    window->winId();  // make sure the native window exists
    if (QWindow* handle = window->windowHandle()) {
        handle->installEventFilter(new ExposeWatcher(handle));
    }
}
