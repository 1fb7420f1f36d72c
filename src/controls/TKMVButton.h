#pragma once
// The push button with a picture used for every transport and load button of the player
// panel. It never shows a mouse press by itself: it looks pressed, and shows its pressed
// picture, exactly while the program holds IsDown() true. That lets Play and Pause stay
// latched as a pair, and lets each owner decide how long another button shows a press (for
// instance from mousePressed() to mouseReleased()).
//
// Pictures. glyph() holds numGlyphs() pictures side by side, each glyph().width() /
// numGlyphs() wide: 0 normal, 1 pressed (IsDown), 2 disabled. Without a third picture the
// disabled look is engraved from picture 0: its ink (every pixel that is neither
// transparent, white nor light grey) drawn once one pixel right and down in the palette's
// Light colour and once in place in its Dark colour. Transparency is the picture's alpha channel; a
// picture without one treats the colour of its bottom-left pixel as transparent.
//
// Each button renders the picture of a state once, on first use, into a picture list
// shared by every button whose pictures have the same size; the list goes away with the
// last button that uses it. Changing the glyph, numGlyphs() or the palette discards the
// button's rendered pictures.
//
// Input is that of an ordinary push button: clicked() on release of the left button over
// it (a double click counts as a second press, so two fast clicks give two clicks), plus
// mousePressed() and mouseReleased() for every mouse button.
//
// GUI thread only.

#include <QImage>
#include <QPushButton>
#include <memory>

class GlyphPictureList;

class TKMVButton : public QPushButton {
    Q_OBJECT
public:
    enum ButtonLayout { blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom };
    Q_ENUM(ButtonLayout)
    enum ButtonStyle { bsAutoDetect, bsWin31, bsNew };
    Q_ENUM(ButtonStyle)
    enum ButtonKind { bkCustom };
    Q_ENUM(ButtonKind)
    // Index of a picture within glyph().
    enum PictureState { Normal = 0, Pressed = 1, Disabled = 2 };

    explicit TKMVButton(QWidget* parent = nullptr);
    ~TKMVButton() override;

    // ---- The pressed look ---------------------------------------------------------------
    // Named apart from QAbstractButton::isDown(), which is the mouse's own state and is
    // not shown.
    bool IsDown() const { return isDownLook_; }
    void setIsDown(bool down);

    // ---- Pictures -----------------------------------------------------------------------
    const QImage& glyph() const { return glyph_; }
    // A glyph whose width is a whole multiple of its height sets numGlyphs() to the
    // quotient when that is 4 or less, else to 1; any other glyph keeps numGlyphs().
    void setGlyph(const QImage& glyph);
    int numGlyphs() const { return numGlyphs_; }
    // Clamped to 1 to 4.
    void setNumGlyphs(int count);
    // The picture this button draws in `state`, as rendered with its current palette.
    QImage picture(PictureState state);

    // ---- Layout of picture and caption (the caption is text()) --------------------------
    ButtonLayout glyphLayout() const { return layout_; }
    void setGlyphLayout(ButtonLayout layout);
    // Pixels between picture and caption; -1 spreads them evenly.
    int spacing() const { return spacing_; }
    void setSpacing(int spacing);
    // Pixels between the edge and the picture; -1 centres both; below -1 is ignored.
    int margin() const { return margin_; }
    void setMargin(int margin);

    // ---- Stored only --------------------------------------------------------------------
    ButtonStyle buttonStyle() const { return style_; }
    void setButtonStyle(ButtonStyle style);
    ButtonKind kind() const { return kind_; }
    void setKind(ButtonKind kind);
    bool cancel() const { return cancel_; }
    void setCancel(bool cancel) { cancel_ = cancel; }
    int modalResult() const { return modalResult_; }
    void setModalResult(int result) { modalResult_ = result; }

    // Picture lists alive (one per picture size in use).
    static int pictureListCount();

    QSize sizeHint() const override;

signals:
    void mousePressed(Qt::MouseButton button);
    void mouseReleased(Qt::MouseButton button);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    QSize pictureSize() const;
    QImage renderPicture(PictureState state) const;
    const QImage& cachedPicture(PictureState state);
    void discardPictures();
    void drawPressedFrame(QPainter& painter) const;
    QRect drawRaisedFrame(QPainter& painter) const;
    void drawContents(QPainter& painter, const QRect& area, PictureState state);

    bool isDownLook_ = false;
    QImage glyph_;
    int numGlyphs_ = 1;
    ButtonLayout layout_ = blGlyphLeft;
    int spacing_ = 4;
    int margin_ = -1;
    ButtonStyle style_ = bsAutoDetect;
    ButtonKind kind_ = bkCustom;
    bool cancel_ = false;
    int modalResult_ = 0;

    std::shared_ptr<GlyphPictureList> pictures_;
    int slots_[3] = {-1, -1, -1};
};
