#include "TKMVButton.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <map>
#include <utility>
#include <vector>

// ---- Shared picture lists -------------------------------------------------------------------

// Rendered pictures of one size, shared by all buttons whose pictures have that size. A
// button owns the slots it added and gives them back when its pictures are discarded.
class GlyphPictureList {
public:
    int add(QImage image) {
        if (!free_.empty()) {
            const int slot = free_.back();
            free_.pop_back();
            images_[slot] = std::move(image);
            return slot;
        }
        images_.push_back(std::move(image));
        return int(images_.size()) - 1;
    }
    void remove(int slot) {
        images_[slot] = QImage();
        free_.push_back(slot);
    }
    const QImage& at(int slot) const { return images_[slot]; }

private:
    std::vector<QImage> images_;
    std::vector<int> free_;
};

namespace {

using SizeKey = std::pair<int, int>;

std::map<SizeKey, std::weak_ptr<GlyphPictureList>>& pictureLists() {
    static std::map<SizeKey, std::weak_ptr<GlyphPictureList>> lists;
    return lists;
}

std::shared_ptr<GlyphPictureList> acquirePictureList(QSize size) {
    const SizeKey key{size.width(), size.height()};
    std::weak_ptr<GlyphPictureList>& entry = pictureLists()[key];
    if (auto list = entry.lock())
        return list;
    std::shared_ptr<GlyphPictureList> list(new GlyphPictureList, [key](GlyphPictureList* p) {
        pictureLists().erase(key);
        delete p;
    });
    entry = list;
    return list;
}

// ---- Pixel helpers --------------------------------------------------------------------------

// A line from (x1, y1) up to, not including, (x2, y2); only horizontal and vertical lines.
void line(QPainter& p, int x1, int y1, int x2, int y2, const QColor& color) {
    if (x1 == x2 && y1 != y2)
        p.fillRect(x1, y2 > y1 ? y1 : y2 + 1, 1, y2 > y1 ? y2 - y1 : y1 - y2, color);
    else if (y1 == y2 && x1 != x2)
        p.fillRect(x2 > x1 ? x1 : x2 + 1, y1, x2 > x1 ? x2 - x1 : x1 - x2, 1, color);
}

void pixel(QPainter& p, int x, int y, const QColor& color) {
    p.fillRect(x, y, 1, 1, color);
}

// `picture` with its transparency applied: alpha when it has one, else `key` transparent.
QImage withTransparency(const QImage& picture, QRgb key) {
    if (picture.hasAlphaChannel())
        return picture.convertToFormat(QImage::Format_ARGB32);
    QImage image = picture.convertToFormat(QImage::Format_ARGB32);
    key |= 0xff000000;
    for (int y = 0; y < image.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x)
            if ((row[x] | 0xff000000) == key)
                row[x] = 0;
    }
    return image;
}

bool isWhite(QRgb c) {
    return qRed(c) == 255 && qGreen(c) == 255 && qBlue(c) == 255;
}

// How much ink a pixel leaves in the monochrome version of a picture: none where it is
// transparent, white or light (grey level kLightGrey and above), else its alpha. Light
// parts stay open, so a light symbol inside a dark rim engraves as its outline, and an
// antialiased edge keeps its softness.
constexpr int kLightGrey = 160;

int inkOf(QRgb c) {
    return isWhite(c) || qGray(c) >= kLightGrey ? 0 : qAlpha(c);
}

// The engraved disabled look: the picture's ink in `light` one pixel right and down, then
// in `dark` in place.
QImage engrave(const QImage& picture, const QColor& light, const QColor& dark) {
    QImage lightInk(picture.size(), QImage::Format_ARGB32);
    QImage darkInk(picture.size(), QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        auto* l = reinterpret_cast<QRgb*>(lightInk.scanLine(y));
        auto* d = reinterpret_cast<QRgb*>(darkInk.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int ink = inkOf(src[x]);
            l[x] = qRgba(light.red(), light.green(), light.blue(), ink * light.alpha() / 255);
            d[x] = qRgba(dark.red(), dark.green(), dark.blue(), ink * dark.alpha() / 255);
        }
    }
    QImage result(picture.size(), QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::transparent);
    QPainter p(&result);
    p.drawImage(QPoint(1, 1), lightInk);
    p.drawImage(QPoint(0, 0), darkInk);
    return result;
}

// A disabled picture of its own: white shows as `light`, grey (128, 128, 128) as `dark`.
QImage mapDisabledColours(QImage picture, const QColor& light, const QColor& dark) {
    for (int y = 0; y < picture.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < picture.width(); ++x) {
            const int a = qAlpha(row[x]);
            if (a == 0)
                continue;
            if (isWhite(row[x]))
                row[x] = qRgba(light.red(), light.green(), light.blue(), a);
            else if (qRed(row[x]) == 128 && qGreen(row[x]) == 128 && qBlue(row[x]) == 128)
                row[x] = qRgba(dark.red(), dark.green(), dark.blue(), a);
        }
    }
    return picture;
}

// Where picture and caption stand inside `client`, as an ordinary bitmap button places
// them: along the layout's axis by margin and spacing, centred across it.
struct Placement {
    QPoint glyph;
    QRect text;
};

Placement placeContents(const QRect& client, QSize glyph, QSize text,
                        TKMVButton::ButtonLayout layout, int margin, int spacing) {
    const bool horizontal = layout == TKMVButton::blGlyphLeft || layout == TKMVButton::blGlyphRight;
    const int clientAlong = horizontal ? client.width() : client.height();
    const int clientAcross = horizontal ? client.height() : client.width();
    const int glyphAlong = horizontal ? glyph.width() : glyph.height();
    const int glyphAcross = horizontal ? glyph.height() : glyph.width();
    const int textAlong = horizontal ? text.width() : text.height();
    const int textAcross = horizontal ? text.height() : text.width();

    if (textAlong == 0 || glyphAlong == 0)
        spacing = 0;
    if (margin == -1) {
        if (spacing == -1) {
            margin = (clientAlong - glyphAlong - textAlong) / 3;
            spacing = margin;
        } else {
            margin = (clientAlong - (glyphAlong + spacing + textAlong) + 1) / 2;
        }
    } else if (spacing == -1) {
        spacing = (clientAlong - (margin + glyphAlong) - textAlong) / 2;
    }

    int glyphPos = margin;
    int textPos = glyphPos + glyphAlong + spacing;
    if (layout == TKMVButton::blGlyphRight || layout == TKMVButton::blGlyphBottom) {
        glyphPos = clientAlong - margin - glyphAlong;
        textPos = glyphPos - spacing - textAlong;
    }
    const int glyphCross = (clientAcross - glyphAcross + 1) / 2;
    const int textCross = (clientAcross - textAcross + 1) / 2;

    Placement placement;
    if (horizontal) {
        placement.glyph = client.topLeft() + QPoint(glyphPos, glyphCross);
        placement.text = QRect(client.topLeft() + QPoint(textPos, textCross), text);
    } else {
        placement.glyph = client.topLeft() + QPoint(glyphCross, glyphPos);
        placement.text = QRect(client.topLeft() + QPoint(textCross, textPos), text);
    }
    return placement;
}

}  // namespace

// ---- Construction and properties --------------------------------------------------------------

TKMVButton::TKMVButton(QWidget* parent) : QPushButton(parent) {}

TKMVButton::~TKMVButton() {
    discardPictures();
}

int TKMVButton::pictureListCount() {
    return int(pictureLists().size());
}

void TKMVButton::setIsDown(bool down) {
    if (down == isDownLook_)
        return;
    isDownLook_ = down;
    update();
}

void TKMVButton::setGlyph(const QImage& glyph) {
    glyph_ = glyph;
    discardPictures();
    if (!glyph.isNull() && glyph.width() % glyph.height() == 0) {
        const int count = glyph.width() / glyph.height();
        setNumGlyphs(count <= 4 ? count : 1);
    }
    update();
}

void TKMVButton::setNumGlyphs(int count) {
    count = qBound(1, count, 4);
    if (count == numGlyphs_)
        return;
    numGlyphs_ = count;
    discardPictures();
    update();
}

void TKMVButton::setGlyphLayout(ButtonLayout layout) {
    layout_ = layout;
    update();
}

void TKMVButton::setSpacing(int spacing) {
    spacing_ = spacing;
    update();
}

void TKMVButton::setMargin(int margin) {
    if (margin < -1)
        return;
    margin_ = margin;
    update();
}

void TKMVButton::setButtonStyle(ButtonStyle style) {
    style_ = style;
    update();
}

void TKMVButton::setKind(ButtonKind kind) {
    kind_ = kind;
    update();
}

QSize TKMVButton::sizeHint() const {
    const QSize picture = pictureSize();
    const int textWidth = text().isEmpty() ? 0 : fontMetrics().horizontalAdvance(text());
    const int gap = picture.isEmpty() || textWidth == 0 ? 0 : qMax(spacing_, 0);
    return QSize(qMax(picture.width() + gap + textWidth + 12, 24),
                 qMax(picture.height(), fontMetrics().height()) + 12);
}

// ---- Pictures ---------------------------------------------------------------------------------

QSize TKMVButton::pictureSize() const {
    if (glyph_.isNull())
        return QSize();
    return QSize(glyph_.width() / numGlyphs_, glyph_.height());
}

QImage TKMVButton::renderPicture(PictureState state) const {
    const QSize size = pictureSize();
    const QRgb key = glyph_.pixel(0, glyph_.height() - 1);
    auto pictureAt = [&](int index) {
        return withTransparency(glyph_.copy(index * size.width(), 0, size.width(), size.height()),
                                key);
    };
    const QColor light = palette().color(QPalette::Light);
    const QColor dark = palette().color(QPalette::Dark);
    switch (state) {
        case Normal:
            return pictureAt(0);
        case Pressed:
            // A single picture has no pressed form; it shows as it is.
            return pictureAt(numGlyphs_ >= 2 ? 1 : 0);
        case Disabled:
            if (numGlyphs_ >= 3)
                return mapDisabledColours(pictureAt(2), light, dark);
            return engrave(pictureAt(0), light, dark);
    }
    return QImage();
}

const QImage& TKMVButton::cachedPicture(PictureState state) {
    if (!pictures_)
        pictures_ = acquirePictureList(pictureSize());
    if (slots_[state] < 0)
        slots_[state] = pictures_->add(renderPicture(state));
    return pictures_->at(slots_[state]);
}

QImage TKMVButton::picture(PictureState state) {
    if (glyph_.isNull())
        return QImage();
    return cachedPicture(state);
}

void TKMVButton::discardPictures() {
    if (!pictures_)
        return;
    for (int& slot : slots_) {
        if (slot >= 0)
            pictures_->remove(slot);
        slot = -1;
    }
    pictures_.reset();
}

// ---- Drawing ----------------------------------------------------------------------------------

void TKMVButton::drawPressedFrame(QPainter& p) const {
    const QColor face = palette().color(QPalette::Button);
    const QColor shadow = palette().color(QPalette::Dark);
    const QColor highlight = palette().color(QPalette::Light);
    const int L = 0, T = 0, Rt = width(), B = height();

    p.fillRect(rect(), face);
    p.setPen(shadow);
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRect(L, T, Rt - L - 1, B - T - 1));
    line(p, L + 1, T + 1, L + 1, B - 2, shadow);
    line(p, L + 1, T + 1, Rt - 2, T + 1, shadow);
    line(p, Rt - 5, T + 5, Rt - 5, B - 5, shadow);
    line(p, Rt - 5, B - 5, L + 4, B - 5, shadow);
    line(p, L + 4, T + 4, L + 4, B - 5, highlight);
    line(p, L + 4, T + 4, Rt - 5, T + 4, highlight);
    line(p, Rt - 2, T + 2, Rt - 2, B - 2, highlight);
    line(p, Rt - 2, B - 2, L + 1, B - 2, highlight);
}

// The standard raised push-button frame with its inner recessed bevel; returns the
// frame's inside.
QRect TKMVButton::drawRaisedFrame(QPainter& p) const {
    const QPalette& pal = palette();
    const QColor face = pal.color(QPalette::Button);
    const QColor shadow = pal.color(QPalette::Dark);
    const QColor highlight = pal.color(QPalette::Light);
    const int w = width(), h = height();

    // The platform frame: outer ring light / darkest, inner ring midlight / shadow.
    p.fillRect(rect(), face);
    line(p, 0, 0, w - 1, 0, highlight);
    line(p, 0, 0, 0, h - 1, highlight);
    line(p, 0, h - 1, w, h - 1, pal.color(QPalette::Shadow));
    line(p, w - 1, 0, w - 1, h - 1, pal.color(QPalette::Shadow));
    line(p, 1, 1, w - 2, 1, pal.color(QPalette::Midlight));
    line(p, 1, 1, 1, h - 2, pal.color(QPalette::Midlight));
    line(p, 1, h - 2, w - 1, h - 2, shadow);
    line(p, w - 2, 1, w - 2, h - 2, shadow);

    const int L = 2, T = 2, Rt = w - 2, B = h - 2;
    line(p, L - 2, T - 2, L - 2, B + 1, Qt::black);
    line(p, L - 2, T - 2, Rt + 1, T - 2, Qt::black);
    line(p, L + 2, T + 2, L + 2, B - 3, shadow);
    line(p, L + 2, T + 2, Rt - 3, T + 2, shadow);
    line(p, L - 1, T - 1, L - 1, B, highlight);
    line(p, L - 1, T - 1, Rt, T - 1, highlight);
    line(p, Rt - 3, T + 3, Rt - 3, B - 3, highlight);
    line(p, Rt - 3, B - 3, L + 2, B - 3, highlight);
    pixel(p, Rt, T - 1, face);
    pixel(p, L - 1, B, face);
    return QRect(L, T, Rt - L, B - T);
}

void TKMVButton::drawContents(QPainter& p, const QRect& area, PictureState state) {
    const QString caption = text();
    const QSize textSize =
        caption.isEmpty() ? QSize(0, 0)
                          : QSize(fontMetrics().horizontalAdvance(caption), fontMetrics().height());
    const Placement place =
        placeContents(area, pictureSize(), textSize, layout_, margin_, spacing_);
    if (!glyph_.isNull())
        p.drawImage(place.glyph, cachedPicture(state));
    if (caption.isEmpty())
        return;
    const int flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
    p.setFont(font());
    if (state == Disabled) {
        p.setPen(palette().color(QPalette::Light));
        p.drawText(place.text.translated(1, 1), flags, caption);
        p.setPen(palette().color(QPalette::Dark));
    } else {
        p.setPen(palette().color(QPalette::ButtonText));
    }
    p.drawText(place.text, flags, caption);
}

void TKMVButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const PictureState state = !isEnabled() ? Disabled : isDownLook_ ? Pressed : Normal;
    QRect area = rect();
    if (isDownLook_)
        drawPressedFrame(p);
    else
        area = drawRaisedFrame(p);
    area.adjust(1, 1, -1, -1);
    // With the default-button emphasis the contents use the whole face.
    const bool otherButtonFocused =
        qobject_cast<QAbstractButton*>(QApplication::focusWidget()) != nullptr;
    if (hasFocus() || (isDefault() && !otherButtonFocused))
        area = rect().adjusted(1, 1, -1, -1);
    drawContents(p, area, state);
}

// ---- Input and state changes ------------------------------------------------------------------

void TKMVButton::mousePressEvent(QMouseEvent* event) {
    QPushButton::mousePressEvent(event);
    emit mousePressed(event->button());
}

void TKMVButton::mouseReleaseEvent(QMouseEvent* event) {
    QPushButton::mouseReleaseEvent(event);  // emits clicked() when released over the button
    emit mouseReleased(event->button());
}

void TKMVButton::changeEvent(QEvent* event) {
    if (event->type() == QEvent::PaletteChange)
        discardPictures();
    QPushButton::changeEvent(event);
    update();
}
