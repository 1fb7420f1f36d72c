#pragma once
// For window tests: answers the next modal window that opens (a message box, a dialog run
// with exec()) from inside its own event loop. The window found is handed to `act`, which
// must close it; a message box's caption and text are kept for the test to check.
//
//     ModalAnswer box;                  // watches from now on
//     form.MenuCoverDeleteClick();      // opens a message box and returns when it closes
//     QCOMPARE(box.text, "Dateizugriff verweigert.");

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>

class ModalAnswer {
public:
    // Windows already open (the window under test) are not answered.
    explicit ModalAnswer(std::function<void(QWidget*)> act = {}) : act_(std::move(act)) {
        before_ = QApplication::activeModalWidget();
        timer_.setInterval(5);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start();
    }

    bool seen = false;
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal == before_) {
            return;
        }
        timer_.stop();
        seen = true;
        caption = modal->windowTitle();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            text = box->text();
            icon = box->icon();
        }
        if (act_) {
            act_(modal);
        } else {
            modal->close();
        }
    }

    std::function<void(QWidget*)> act_;
    QWidget* before_ = nullptr;
    QTimer timer_;
};
