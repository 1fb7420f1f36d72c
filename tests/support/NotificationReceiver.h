#pragma once
// Stands in for the main window in engine tests: hands every decoder notification that
// is posted to it to the engine.

#include <QObject>

#include "core/DecoderEvent.h"
#include "core/PlayerEngine.h"

class NotificationReceiver : public QObject {
public:
    PlayerEngine* engine = nullptr;

protected:
    void customEvent(QEvent* event) override {
        if (engine && DecoderEvent::isNotification(event->type())) {
            engine->handleNotification(*static_cast<DecoderEvent*>(event));
        }
    }
};
