#include "PlayerKeys.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "core/PlayerEngine.h"

PlayerKeys::PlayerKeys(QWidget& window, PlayerEngine& engine, Actions actions, QObject* parent)
    : QObject(parent), window_(window), engine_(engine), actions_(std::move(actions)) {}

void PlayerKeys::call(const std::function<void()>& action) {
    if (action) {
        action();
    }
}

bool PlayerKeys::FormKeyDown(int key) {
    switch (key) {
        case Qt::Key_Insert:
            call(actions_.playlistDouble);
            break;
        case Qt::Key_A:
            call(actions_.togglePlayMode);
            break;
        case Qt::Key_I:
            call(actions_.info);
            break;
        case Qt::Key_M:
            if (engine_.display().playDown) {
                engine_.PauseUpMouseDown();
            } else {
                engine_.PlayUpMouseDown();
            }
            break;
        case Qt::Key_P:
            call(actions_.loadIntoPlaylist);
            break;
        case Qt::Key_S:
            call(actions_.loadIntoSelection);
            break;
        case Qt::Key_F2:
            engine_.AnfangUpClick();
            break;
        case Qt::Key_F3:
            engine_.BackwardUpMouseDown();
            break;
        case Qt::Key_F4:
            engine_.PrevUpClick();
            break;
        case Qt::Key_F5:
            engine_.PauseUpMouseDown();
            break;
        case Qt::Key_F6:
            engine_.PlayUpMouseDown();
            break;
        case Qt::Key_F7:
            call(actions_.volume);
            break;
        case Qt::Key_F8:
            engine_.ForwardUpMouseDown();
            break;
        case Qt::Key_F9:
            engine_.NextUpClick();
            break;
        default:
            return false;
    }
    return true;
}

bool PlayerKeys::FormKeyUp(int key) {
    switch (key) {
        case Qt::Key_F3:
            engine_.BackwardUpMouseUp();
            break;
        case Qt::Key_F8:
            engine_.ForwardUpMouseUp();
            break;
        default:
            return false;
    }
    return true;
}

// Only the event's first receiver counts: an unaccepted key travels on to the parents and
// passes here again. Keys for other windows (dialogs, the tag editor) are theirs alone.
bool PlayerKeys::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease) {
        return false;
    }
    QWidget* focus = QApplication::focusWidget();
    QWidget* const receiver = focus ? focus : &window_;
    if (watched != receiver || receiver->window() != &window_) {
        return false;
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (type == QEvent::KeyPress) {
        FormKeyDown(key->key());
    } else if (!key->isAutoRepeat()) {
        FormKeyUp(key->key());
    }
    return false;  // the control gets the key as well
}
