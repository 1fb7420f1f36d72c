#include "UpDown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>

UpDown::UpDown(QWidget* parent) : QWidget(parent) {
    up_ = new QToolButton(this);
    up_->setArrowType(Qt::UpArrow);
    up_->setAutoRepeat(true);
    down_ = new QToolButton(this);
    down_->setArrowType(Qt::DownArrow);
    down_->setAutoRepeat(true);
    for (QToolButton* b : {up_, down_}) {
        b->setFocusPolicy(Qt::NoFocus);
    }
    connect(up_, &QToolButton::clicked, this, [this] { step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
}

void UpDown::setBuddy(QLineEdit* buddy) {
    if (buddy_) {
        buddy_->removeEventFilter(this);
    }
    buddy_ = buddy;
    if (buddy_) {
        buddy_->installEventFilter(this);
    }
}

void UpDown::setRange(int minimum, int maximum) {
    min_ = minimum;
    max_ = std::max(minimum, maximum);
    position_ = clamped(position_);
}

void UpDown::setPosition(int position) {
    position_ = clamped(position);
}

void UpDown::step(int delta) {
    if (buddy_) {
        bool ok = false;
        const int typed = buddy_->text().trimmed().toInt(&ok);
        if (ok) {
            position_ = clamped(typed);
        }
    }
    position_ = clamped(position_ + delta);
    if (buddy_) {
        buddy_->setText(QString::number(position_));
    }
}

bool UpDown::eventFilter(QObject* watched, QEvent* event) {
    if (watched == buddy_ && event->type() == QEvent::KeyPress && isVisible()) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void UpDown::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int half = height() / 2;
    up_->setGeometry(0, 0, width(), half);
    down_->setGeometry(0, half, width(), height() - half);
}
