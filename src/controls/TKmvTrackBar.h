#pragma once
// The position bar of the player panel: a slider whose change signal reports only what
// the user does. Setting the range or the position from the program clamps and is silent,
// so the engine can move the bar from decoder notifications without hearing itself.
//
// Signals.
//   changed()        the user moved the bar: a thumb drag (once per position reached), a
//                    click in the channel, an arrow, Page, Home or End key, the wheel; and
//                    once more when a mouse or key gesture that moved the bar ends.
//   mouseReleased()  a mouse button pressed on the bar was released, after the gesture's
//                    last changed().
//   keyReleased()    the key of a keyboard move was released (auto-repeat excluded), after
//                    the gesture's last changed().
// position() is up to date whenever changed() is emitted.
//
// Position rule. Every setter ends in the same step: the position is raised to minimum(),
// then lowered to maximum(). A maximum below the minimum is accepted (the position then
// equals the maximum); the slider on screen shows such a range as empty.
//
// GUI thread only.

#include <QWidget>

class TrackBarSlider;

class TKmvTrackBar : public QWidget {
    Q_OBJECT
public:
    enum TrackBarOrientation { trHorizontal, trVertical };
    Q_ENUM(TrackBarOrientation)
    enum TickMark { tmBottomRight, tmTopLeft, tmBoth };
    Q_ENUM(TickMark)
    enum TickStyle { tsNone, tsAuto, tsManual };
    Q_ENUM(TickStyle)

    explicit TKmvTrackBar(QWidget* parent = nullptr);
    ~TKmvTrackBar() override;

    // ---- Range and position (silent) ----------------------------------------------------
    int minimum() const { return min_; }
    void setMin(int minimum);
    int maximum() const { return max_; }
    void setMax(int maximum);
    int position() const { return position_; }
    void setPosition(int position);

    // ---- Appearance and steps -----------------------------------------------------------
    TrackBarOrientation orientation() const { return orientation_; }
    void setOrientation(TrackBarOrientation orientation);
    // Spacing of the tick marks, in positions.
    int frequency() const { return frequency_; }
    void setFrequency(int frequency);
    TickMark tickMarks() const { return tickMarks_; }
    void setTickMarks(TickMark marks);
    // tsManual draws no marks (ticks are not set one by one here).
    TickStyle tickStyle() const { return tickStyle_; }
    void setTickStyle(TickStyle style);
    // Step of the arrow keys, and of the Page keys and channel clicks.
    int lineSize() const { return lineSize_; }
    void setLineSize(int size);
    int pageSize() const { return pageSize_; }
    void setPageSize(int size);
    // A highlighted range of the channel, shown unless both ends are 0.
    int selStart() const { return selStart_; }
    void setSelStart(int position);
    int selEnd() const { return selEnd_; }
    void setSelEnd(int position);

    // Where the thumb is drawn, in this widget's coordinates.
    QRect thumbRect() const;

    QSize sizeHint() const override;

signals:
    void changed();
    void mouseReleased();
    void keyReleased();

private:
    friend class TrackBarSlider;

    void applyRange();
    void applyTicks();
    // Called by the slider.
    void userAction();
    void mouseGestureEnded();
    void keyGestureEnded();

    TrackBarSlider* slider_;
    int min_ = 0;
    int max_ = 10;
    int position_ = 0;
    TrackBarOrientation orientation_ = trHorizontal;
    int frequency_ = 1;
    TickMark tickMarks_ = tmBottomRight;
    TickStyle tickStyle_ = tsAuto;
    int lineSize_ = 1;
    int pageSize_ = 2;
    int selStart_ = 0;
    int selEnd_ = 0;
    bool movedByMouse_ = false;
    bool movedByKey_ = false;
};
