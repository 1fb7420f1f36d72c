#pragma once
// A row of seven-segment digits showing a whole number, optionally followed by a colon; the
// player panel's time read-out is made of these. The display draws the shared pictures of
// DigitImages, one per character, and never scales them.
//
// Geometry is fixed by the properties: 9 * digitSize() high, digitSize() * (5 * digits() + 2)
// wide with a colon, digitSize() * (5 * digits() + 1) without. Digit cell k (0 = leftmost)
// starts at x = 5 * digitSize() * k; the colon or the narrow end piece follows the last cell.
//
// The display keeps its shown text: 10 characters, each a digit or a space, of which the
// last digits() are drawn. setValue() compares the new text with it and schedules a repaint
// of only the cells whose character changed; it allocates nothing, so it can be called many
// times a second. A new display shows blank figures until a value is set.
//
// Colours are the shared pictures' colours: a colour setter replaces the pixels of the
// display's previous colour in all shared pictures, so the change shows in every display
// (whose own colour properties stay as they were). See DigitImages for merging.
//
// GUI thread only.

#include <QColor>
#include <QImage>
#include <QWidget>

class TDigit : public QWidget {
    Q_OBJECT
public:
    explicit TDigit(QWidget* parent = nullptr);
    ~TDigit() override;

    // ---- Properties ---------------------------------------------------------------------
    // The design's `Size` (QWidget::size() is taken): each cell is 5 x 9 times this.
    // Values outside 1 to 5 are ignored; an accepted one resets the three colour
    // properties to their defaults without touching the shared pictures.
    int digitSize() const { return size_; }
    void setDigitSize(int size);

    bool seperator() const { return seperator_; }
    void setSeperator(bool on);

    // Negative numbers show their absolute value; only the last digits() digits show,
    // with leading zeros. While the display is off the value is only stored.
    int value() const { return value_; }
    void setValue(int value);
    // As setValue(), but the changed cells are painted and shown at once instead of at the
    // event loop's next turn. For a display set from a timer whose other widgets did not
    // change (the player's tenths field, ten times a second): the cells are copied straight
    // into the window's backing store and only they are flushed, which costs a fraction of
    // a widget repaint and no wake-up of the event loop. Where that cannot be done (the
    // display hidden or covered by a sibling, another pixel format or scale) it repaints.
    // Not to be called from a paint event.
    void setValueNow(int value);

    // 1 to 10; other values and the current one are ignored.
    int digits() const { return digits_; }
    void setDigits(int digits);

    QColor lineColor() const { return QColor::fromRgb(line_); }
    void setLineColor(const QColor& color);
    QColor shadowColor() const { return QColor::fromRgb(shadow_); }
    void setShadowColor(const QColor& color);
    // The ground colour (the design's `Color`).
    QColor color() const { return QColor::fromRgb(ground_); }
    void setColor(const QColor& color);

    // Off shows every digit blank; the colon or end piece stays. Ignored when unchanged.
    bool displayOn() const { return displayOn_; }
    void setDisplayOn(bool on);

    // ---- Inspection ---------------------------------------------------------------------
    // The display as it currently looks, at its own size.
    QImage render() const;
    // Bit k set: cell k's character changed at the last setValue() (0 when off).
    quint16 lastChangedCells() const { return lastChangedCells_; }
    // Bit k set: cell k was drawn by the last paint; bit 10 stands for the colon/end piece.
    quint16 lastPaintedCells() const { return lastPaintedCells_; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kTextLength = 10;
    static constexpr int kEndBit = 10;

    int widthFor() const;
    QRect cellRect(int cell) const;
    QRect endRect() const;
    void applyGeometry();
    // The shared picture of what cell shows.
    const QImage& cellImage(int cell) const;
    // Draws the cells whose bits are set in `cells` (kEndBit for the colon or end piece).
    void paintCells(QPainter& painter, quint16 cells) const;
    void recolour(QRgb& property, const QColor& color);
    // Takes the new value into shown_; returns the cells whose character changed.
    quint16 takeValue(int value);
    // Copies `cells` into the top-level's backing store and flushes them; false when the
    // display cannot be drawn that way (see setValueNow).
    bool paintIntoBackingStore(quint16 cells);

    int size_ = 3;
    bool seperator_ = false;
    int value_ = 0;
    int digits_ = 10;
    QRgb line_;
    QRgb shadow_;
    QRgb ground_;
    bool displayOn_ = true;
    char shown_[kTextLength];
    quint16 lastChangedCells_ = 0;
    quint16 lastPaintedCells_ = 0;
};
