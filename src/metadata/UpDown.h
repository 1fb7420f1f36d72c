#pragma once
// A spin control beside a text field (UpDown1 beside JahrEdit): two arrow buttons that step
// a whole number between a minimum and a maximum, without wrapping, and write it into the
// field as plain digits (no thousands separators). The Up and Down keys in the field step
// too. A step starts from the number the field holds when it is one (brought into the
// range), else from the control's position.
//
// GUI thread only.

#include <QWidget>

class QLineEdit;
class QToolButton;

class UpDown : public QWidget {
    Q_OBJECT
public:
    explicit UpDown(QWidget* parent = nullptr);

    // The field the control writes into and takes key steps from.
    void setBuddy(QLineEdit* buddy);
    void setRange(int minimum, int maximum);
    int minimum() const { return min_; }
    int maximum() const { return max_; }
    // The position, always inside the range; setting it does not touch the field.
    int position() const { return position_; }
    void setPosition(int position);

    // One step up (+1) or down (-1), written into the field.
    void step(int delta);

    QToolButton* upButton() const { return up_; }
    QToolButton* downButton() const { return down_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    int clamped(int value) const { return qBound(min_, value, max_); }

    QLineEdit* buddy_ = nullptr;
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 0;
    int max_ = 100;
    int position_ = 0;
};
