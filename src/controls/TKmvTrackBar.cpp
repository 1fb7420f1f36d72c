#include "TKmvTrackBar.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QSlider>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QVBoxLayout>
#include <QWheelEvent>

// The slider inside the bar. It tells the bar which gesture a user action belongs to and
// when that gesture ends, and draws the selection range over the channel.
class TrackBarSlider : public QSlider {
public:
    explicit TrackBarSlider(TKmvTrackBar* bar) : QSlider(Qt::Horizontal, bar), bar_(bar) {
        setFocusPolicy(Qt::StrongFocus);
    }

    bool inKeyPress() const { return inKeyPress_; }
    bool mouseHeld() const { return mouseHeld_; }

    QRect handleRect() const {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        mouseHeld_ = true;
        QSlider::mousePressEvent(event);
        // Every press belongs to the bar, so that its release comes back here.
        event->accept();
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        QSlider::mouseReleaseEvent(event);
        event->accept();
        if (event->buttons() == Qt::NoButton)
            mouseHeld_ = false;
        bar_->mouseGestureEnded();
    }

    void keyPressEvent(QKeyEvent* event) override {
        inKeyPress_ = true;
        QSlider::keyPressEvent(event);
        inKeyPress_ = false;
    }

    // The wheel moves nothing: a wheel turn has no end the owner could act on (no release),
    // so a seek begun by it would never be carried out.
    void wheelEvent(QWheelEvent* event) override { event->ignore(); }

    void keyReleaseEvent(QKeyEvent* event) override {
        QSlider::keyReleaseEvent(event);
        if (!event->isAutoRepeat())
            bar_->keyGestureEnded();
    }

    void paintEvent(QPaintEvent* event) override {
        QSlider::paintEvent(event);
        if (bar_->selStart() == 0 && bar_->selEnd() == 0)
            return;
        QStyleOptionSlider option;
        initStyleOption(&option);
        const QRect groove =
            style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderGroove, this);
        const QRect handle = handleRect();
        const bool horizontal = orientation() == Qt::Horizontal;
        const int handleLength = horizontal ? handle.width() : handle.height();
        const int span = (horizontal ? groove.width() : groove.height()) - handleLength;
        auto at = [&](int value) {
            return QStyle::sliderPositionFromValue(minimum(), maximum(), value, span,
                                                   option.upsideDown) +
                   handleLength / 2;
        };
        const int from = qMin(at(bar_->selStart()), at(bar_->selEnd()));
        const int to = qMax(at(bar_->selStart()), at(bar_->selEnd()));
        QPainter p(this);
        const QColor band = palette().color(QPalette::Highlight);
        if (horizontal)
            p.fillRect(groove.left() + from, groove.center().y() - 1, to - from + 1, 3, band);
        else
            p.fillRect(groove.center().x() - 1, groove.top() + from, 3, to - from + 1, band);
    }

private:
    TKmvTrackBar* bar_;
    bool inKeyPress_ = false;
    bool mouseHeld_ = false;
};

TKmvTrackBar::TKmvTrackBar(QWidget* parent) : QWidget(parent), slider_(new TrackBarSlider(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(slider_);
    setFocusPolicy(Qt::StrongFocus);
    setFocusProxy(slider_);
    // The sequence the platform control is set up in: steps, range, position, ticks.
    slider_->setSingleStep(lineSize_);
    slider_->setPageStep(pageSize_);
    applyRange();
    applyTicks();
    connect(slider_, &QAbstractSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderNoAction)
            userAction();
    });
    resize(sizeHint());
}

TKmvTrackBar::~TKmvTrackBar() = default;

QSize TKmvTrackBar::sizeHint() const {
    return QSize(150, 45);
}

QRect TKmvTrackBar::thumbRect() const {
    return slider_->handleRect().translated(slider_->pos());
}

// ---- Range and position ---------------------------------------------------------------------

void TKmvTrackBar::applyRange() {
    position_ = qMax(position_, min_);
    position_ = qMin(position_, max_);
    // The slider cannot hold a maximum below its minimum; it shows such a range as empty.
    slider_->setRange(min_, qMax(min_, max_));
    slider_->setValue(position_);
}

void TKmvTrackBar::setMin(int minimum) {
    min_ = minimum;
    applyRange();
}

void TKmvTrackBar::setMax(int maximum) {
    max_ = maximum;
    applyRange();
}

void TKmvTrackBar::setPosition(int position) {
    position_ = position;
    applyRange();
}

// ---- Appearance and steps -------------------------------------------------------------------

void TKmvTrackBar::applyTicks() {
    slider_->setTickInterval(frequency_);
    if (tickStyle_ != tsAuto)
        slider_->setTickPosition(QSlider::NoTicks);
    else if (tickMarks_ == tmBoth)
        slider_->setTickPosition(QSlider::TicksBothSides);
    else if (tickMarks_ == tmTopLeft)
        slider_->setTickPosition(QSlider::TicksAbove);
    else
        slider_->setTickPosition(QSlider::TicksBelow);
}

void TKmvTrackBar::setOrientation(TrackBarOrientation orientation) {
    orientation_ = orientation;
    slider_->setOrientation(orientation == trHorizontal ? Qt::Horizontal : Qt::Vertical);
}

void TKmvTrackBar::setFrequency(int frequency) {
    frequency_ = frequency;
    applyTicks();
}

void TKmvTrackBar::setTickMarks(TickMark marks) {
    tickMarks_ = marks;
    applyTicks();
}

void TKmvTrackBar::setTickStyle(TickStyle style) {
    tickStyle_ = style;
    applyTicks();
}

void TKmvTrackBar::setLineSize(int size) {
    lineSize_ = size;
    slider_->setSingleStep(size);
}

void TKmvTrackBar::setPageSize(int size) {
    pageSize_ = size;
    slider_->setPageStep(size);
}

void TKmvTrackBar::setSelStart(int position) {
    selStart_ = position;
    slider_->update();
}

void TKmvTrackBar::setSelEnd(int position) {
    selEnd_ = position;
    slider_->update();
}

// ---- User actions ---------------------------------------------------------------------------

void TKmvTrackBar::userAction() {
    // At this point the slider has moved its thumb but not yet committed the value.
    position_ = slider_->sliderPosition();
    if (slider_->inKeyPress())
        movedByKey_ = true;
    else if (slider_->mouseHeld())
        movedByMouse_ = true;
    emit changed();
}

void TKmvTrackBar::mouseGestureEnded() {
    if (movedByMouse_ && !slider_->mouseHeld()) {
        movedByMouse_ = false;
        emit changed();
    }
    emit mouseReleased();
}

void TKmvTrackBar::keyGestureEnded() {
    if (!movedByKey_)
        return;
    movedByKey_ = false;
    emit changed();
    emit keyReleased();
}
