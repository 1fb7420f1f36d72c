#include "Glyphs.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <array>
#include <future>
#include <iterator>
#include <system_error>

#include "TKMVButton.h"

namespace Glyphs {
namespace {

// ---- Colours ------------------------------------------------------------------------------

// A symbol's fill from its top to its bottom edge, and the halo of a lit symbol.
struct Tint {
    QColor top, bottom, glow;
};

const Tint kSilver{QColor(0xf4, 0xf7, 0xfa), QColor(0x9c, 0xa6, 0xb1), QColor()};
const Tint kGreen{QColor(0xd8, 0xff, 0xdd), QColor(0x1f, 0xc8, 0x45), QColor(0x3d, 0xff, 0x6a)};
const Tint kAmber{QColor(0xff, 0xee, 0xc0), QColor(0xff, 0x9a, 0x0e), QColor(0xff, 0xb0, 0x20)};
const Tint kRed{QColor(0xff, 0xcc, 0xc2), QColor(0xea, 0x35, 0x1e), QColor(0xff, 0x4c, 0x2c)};
const Tint kBlue{QColor(0xdc, 0xf6, 0xff), QColor(0x22, 0xa4, 0xe6), QColor(0x45, 0xc8, 0xff)};
const QColor kRim(6, 8, 10, 235);

Tint litTint(PanelButton button) {
    switch (button) {
        case PanelButton::PlayUp:
            return kGreen;
        case PanelButton::PauseUp:
            return kAmber;
        case PanelButton::PrevUp:
            return kRed;
        default:
            return kBlue;
    }
}

QImage transparentImage(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// Draws `shape` as a panel symbol: a soft halo when lit, a dark rim one pixel wide
// around it, then the fill. `strokes` are drawn as lines with the same treatment.
void paintSymbol(QPainter& p, const QPainterPath& shape, const Tint& tint, qreal top, qreal bottom,
                 const QPainterPath& strokes = QPainterPath(), qreal strokeWidth = 1.2) {
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    if (tint.glow.isValid()) {
        QColor glow = tint.glow;
        glow.setAlpha(90);
        p.setPen(QPen(glow, 3.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(Qt::NoBrush);
        p.drawPath(shape);
        p.drawPath(strokes);
    }
    p.setPen(QPen(kRim, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::MiterJoin));
    p.drawPath(shape);
    p.setPen(QPen(kRim, strokeWidth + 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(strokes);

    QLinearGradient fill(0, top, 0, bottom);
    fill.setColorAt(0, tint.top);
    fill.setColorAt(1, tint.bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(shape);
    p.setPen(QPen(QBrush(fill), strokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(strokes);
    p.restore();
}

// ---- Symbols ------------------------------------------------------------------------------

// A triangle with its base at x = `base` and its tip at x = `tip`, rows y0 to y1.
void addTriangle(QPainterPath& path, qreal base, qreal tip, qreal y0, qreal y1) {
    QPolygonF triangle;
    triangle << QPointF(base, y0) << QPointF(tip, (y0 + y1) / 2) << QPointF(base, y1);
    path.addPolygon(triangle);
    path.closeSubpath();
}

// Each symbol is drawn into a picture of the button's picture size.
void drawSymbol(QPainter& p, PanelButton button, const Tint& tint) {
    QPainterPath shape;
    QPainterPath strokes;
    shape.setFillRule(Qt::WindingFill);
    qreal top = 1, bottom = 11;
    switch (button) {
        case PanelButton::AnfangUp:  // |<
            shape.addRect(QRectF(1, 1, 2, 10));
            addTriangle(shape, 11, 3.5, 1, 11);
            break;
        case PanelButton::NextUp:  // >|
            addTriangle(shape, 1, 8.5, 1, 11);
            shape.addRect(QRectF(9, 1, 2, 10));
            break;
        case PanelButton::BackwardUp:  // <<
            addTriangle(shape, 12.5, 4, 1.5, 10.5);
            addTriangle(shape, 21, 12.5, 1.5, 10.5);
            break;
        case PanelButton::ForwardUp:  // >>
            addTriangle(shape, 4, 12.5, 1.5, 10.5);
            addTriangle(shape, 12.5, 21, 1.5, 10.5);
            break;
        case PanelButton::PrevUp:  // stop square
            shape.addRect(QRectF(3, 2, 8, 8));
            top = 2;
            bottom = 10;
            break;
        case PanelButton::PauseUp:  // ||
            shape.addRect(QRectF(5, 1.5, 3, 9));
            shape.addRect(QRectF(10, 1.5, 3, 9));
            break;
        case PanelButton::PlayUp:  // >
            addTriangle(shape, 8.5, 17.5, 1, 11);
            break;
        case PanelButton::MonitorPL1: {  // speaker with two sound waves
            QPolygonF speaker;
            speaker << QPointF(1, 4) << QPointF(3, 4) << QPointF(6, 1.5) << QPointF(6, 10.5)
                    << QPointF(3, 8) << QPointF(1, 8);
            shape.addPolygon(speaker);
            shape.closeSubpath();
            strokes.arcMoveTo(QRectF(4.5, 3.5, 5, 5), 50);
            strokes.arcTo(QRectF(4.5, 3.5, 5, 5), 50, -100);
            strokes.arcMoveTo(QRectF(2.5, 1, 9, 10), 52);
            strokes.arcTo(QRectF(2.5, 1, 9, 10), 52, -104);
            break;
        }
        case PanelButton::InfoUp: {  // a disc with the letter i cut out
            shape.addEllipse(QPointF(14.5, 6), 5.5, 5.5);
            QPainterPath letter;
            letter.addEllipse(QPointF(14.5, 3.4), 1.05, 1.05);
            letter.addRect(QRectF(13.5, 5.2, 2, 4.6));
            shape = shape.subtracted(letter);
            top = 0.5;
            bottom = 11.5;
            break;
        }
    }
    paintSymbol(p, shape, tint, top, bottom, strokes);
}

}  // namespace

// ---- Buttons ------------------------------------------------------------------------------

QSize pictureSize(PanelButton button) {
    switch (button) {
        case PanelButton::PrevUp:
            return {14, 12};
        case PanelButton::BackwardUp:
        case PanelButton::ForwardUp:
        case PanelButton::PlayUp:
            return {25, 12};
        case PanelButton::InfoUp:
            return {29, 12};
        case PanelButton::PauseUp:
            return {18, 12};
        case PanelButton::AnfangUp:
        case PanelButton::NextUp:
        case PanelButton::MonitorPL1:
            return {12, 12};
    }
    return {};
}

QSize buttonSize(PanelButton button) {
    switch (button) {
        case PanelButton::AnfangUp:
        case PanelButton::NextUp:
        case PanelButton::MonitorPL1:
            return {24, 24};
        case PanelButton::InfoUp:
            return {40, 24};
        case PanelButton::PlayUp:
            return {64, 24};
        default:
            return {37, 24};
    }
}

QString hint(PanelButton button) {
    switch (button) {
        case PanelButton::AnfangUp:
            return QStringLiteral("Titelanfang");
        case PanelButton::BackwardUp:
            return QStringLiteral("Schneller Rücklauf");
        case PanelButton::PrevUp:
            return QStringLiteral("Stop");
        case PanelButton::PauseUp:
            return QStringLiteral("Pause");
        case PanelButton::PlayUp:
            return QStringLiteral("Wiedergabe");
        case PanelButton::MonitorPL1:
            return QStringLiteral("Lautstärke");
        case PanelButton::ForwardUp:
            return QStringLiteral("Schneller Vorlauf");
        case PanelButton::NextUp:
            return QStringLiteral("Nächster Titel");
        case PanelButton::InfoUp:
            return QStringLiteral("Titelinformationen");
    }
    return {};
}

namespace {
QImage drawButtonGlyph(PanelButton button) {
    const QSize picture = pictureSize(button);
    QImage strip = transparentImage(QSize(2 * picture.width(), picture.height()));
    QPainter p(&strip);
    drawSymbol(p, button, kSilver);
    p.translate(picture.width(), 0);
    p.setClipRect(QRect(QPoint(0, 0), picture));
    drawSymbol(p, button, litTint(button));
    return strip;
}
}  // namespace

void setUpButton(TKMVButton& target, PanelButton button) {
    target.setFixedSize(buttonSize(button));
    // The glyph first: a strip that happens to be a multiple of its height (PauseUp's
    // 36 x 12) would otherwise set a wrong picture count.
    target.setGlyph(buttonGlyph(button));
    target.setNumGlyphs(2);
    target.setButtonStyle(TKMVButton::bsNew);
    target.setToolTip(hint(button));
}

// ---- Lamps --------------------------------------------------------------------------------

namespace {
QImage drawLamp(Lamp which) {
    QImage image = transparentImage(kLampSize);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre(8, 8);

    // The metal bezel.
    QLinearGradient bezel(0, 1, 0, 15);
    bezel.setColorAt(0, QColor(0x0a, 0x0b, 0x0d));
    bezel.setColorAt(1, QColor(0x6a, 0x71, 0x7a));
    p.setPen(QPen(QColor(0, 0, 0, 200), 1));
    p.setBrush(bezel);
    p.drawEllipse(centre, 7.3, 7.3);

    // The lens.
    const qreal lens = 5.3;
    QRadialGradient glass(centre + QPointF(-1, -1), lens + 1.5);
    switch (which) {
        case Lamp::LampeOffPL1:
            glass.setColorAt(0, QColor(0x2c, 0x5a, 0x33));
            glass.setColorAt(0.6, QColor(0x12, 0x2c, 0x17));
            glass.setColorAt(1, QColor(0x05, 0x0e, 0x07));
            break;
        case Lamp::LampeOnPL1:
            glass.setColorAt(0, QColor(0xd8, 0xff, 0xd8));
            glass.setColorAt(0.35, QColor(0x4c, 0xf0, 0x62));
            glass.setColorAt(1, QColor(0x0f, 0x84, 0x27));
            break;
        case Lamp::LampeFlashPL1:
            glass.setColorAt(0, QColor(0xff, 0xff, 0xf4));
            glass.setColorAt(0.45, QColor(0xe4, 0xff, 0x7a));
            glass.setColorAt(1, QColor(0x5c, 0xe6, 0x1a));
            break;
    }
    p.setPen(QPen(QColor(0, 0, 0, 220), 0.8));
    p.setBrush(glass);
    p.drawEllipse(centre, lens, lens);

    // Light spilling onto the bezel when lit.
    if (which != Lamp::LampeOffPL1) {
        const bool flash = which == Lamp::LampeFlashPL1;
        QRadialGradient halo(centre, 8);
        const QColor colour = flash ? QColor(0xe8, 0xff, 0x90) : QColor(0x50, 0xff, 0x70);
        QColor inner = colour, outer = colour;
        inner.setAlpha(flash ? 170 : 110);
        outer.setAlpha(0);
        halo.setColorAt(lens / 8 - 0.05, inner);
        halo.setColorAt(1, outer);
        p.setPen(Qt::NoPen);
        p.setBrush(halo);
        p.setCompositionMode(QPainter::CompositionMode_Plus);
        p.drawEllipse(centre, 8, 8);
        p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    }

    // The specular highlight of the glass.
    QRadialGradient spot(QPointF(6.3, 5.9), 2.4);
    spot.setColorAt(0, QColor(255, 255, 255, which == Lamp::LampeOffPL1 ? 130 : 230));
    spot.setColorAt(1, QColor(255, 255, 255, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(spot);
    p.drawEllipse(QPointF(6.3, 5.9), 2.4, 2.0);
    return image;
}
}  // namespace

// ---- Play modes ---------------------------------------------------------------------------

namespace {
QImage drawMode(Mode which) {
    QImage image = transparentImage(kModeSize);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);

    // A small dark window in the panel, lit from within.
    const QRectF window(0.5, 0.5, kModeSize.width() - 1, kModeSize.height() - 1);
    QLinearGradient ground(0, 0, 0, kModeSize.height());
    ground.setColorAt(0, QColor(0x05, 0x06, 0x07));
    ground.setColorAt(1, QColor(0x14, 0x17, 0x1a));
    p.setPen(QPen(QColor(0x4a, 0x50, 0x58), 1));
    p.setBrush(ground);
    p.drawRoundedRect(window, 3, 3);

    QPainterPath shape;
    shape.setFillRule(Qt::WindingFill);
    QPainterPath strokes;
    Tint tint;
    if (which == Mode::ModeAutoPause) {
        // One track, then a pause: "> ||".
        addTriangle(shape, 7, 15, 4, 12);
        shape.addRect(QRectF(20, 4, 3, 8));
        shape.addRect(QRectF(25, 4, 3, 8));
        tint = {QColor(0xff, 0xe6, 0xa8), QColor(0xff, 0x9a, 0x0e), QColor()};
    } else {
        // A list played through: "> =" with a turning arrow.
        addTriangle(shape, 5, 12, 4, 12);
        shape.addRect(QRectF(15, 4, 9, 1.6));
        shape.addRect(QRectF(15, 7.2, 9, 1.6));
        shape.addRect(QRectF(15, 10.4, 9, 1.6));
        strokes.arcMoveTo(QRectF(26, 4, 6, 8), 90);
        strokes.arcTo(QRectF(26, 4, 6, 8), 90, -250);
        QPolygonF head;
        head << QPointF(26.8, 2.6) << QPointF(29.6, 4) << QPointF(26.8, 5.6);
        shape.addPolygon(head);
        shape.closeSubpath();
        tint = {QColor(0xd8, 0xff, 0xdd), QColor(0x1f, 0xc8, 0x45), QColor()};
    }
    paintSymbol(p, shape, tint, 4, 12, strokes, 1.1);
    return image;
}
}  // namespace

// ---- Drawing ahead ------------------------------------------------------------------------

namespace {

struct Pictures {
    std::array<QImage, std::size(kPanelButtons)> buttons;
    std::array<QImage, 3> lamps;
    std::array<QImage, 2> modes;
};

// Where a picture is kept in Pictures: its name's value.
template <typename Name>
std::size_t slot(Name name) {
    return static_cast<std::size_t>(name);
}

Pictures drawAll() {
    Pictures all;
    for (const PanelButton button : kPanelButtons) {
        all.buttons[slot(button)] = drawButtonGlyph(button);
    }
    for (const Lamp which : {Lamp::LampeOnPL1, Lamp::LampeFlashPL1, Lamp::LampeOffPL1}) {
        all.lamps[slot(which)] = drawLamp(which);
    }
    for (const Mode which : {Mode::ModeAutoPause, Mode::ModePlaylist}) {
        all.modes[slot(which)] = drawMode(which);
    }
    return all;
}

// Set once, by drawInBackground(), before the GUI thread asks for any picture.
std::shared_future<Pictures>& drawn() {
    static std::shared_future<Pictures> pictures;
    return pictures;
}

const Pictures* drawnPictures() {
    return drawn().valid() ? &drawn().get() : nullptr;
}

}  // namespace

void drawInBackground() {
    if (drawn().valid()) {
        return;
    }
    try {
        drawn() = std::async(std::launch::async, drawAll).share();
    } catch (const std::system_error&) {
        // No thread to be had: each picture is drawn when it is asked for.
    }
}

QImage buttonGlyph(PanelButton button) {
    const Pictures* all = drawnPictures();
    return all ? all->buttons[slot(button)] : drawButtonGlyph(button);
}

QImage lamp(Lamp which) {
    const Pictures* all = drawnPictures();
    return all ? all->lamps[slot(which)] : drawLamp(which);
}

QImage mode(Mode which) {
    const Pictures* all = drawnPictures();
    return all ? all->modes[slot(which)] : drawMode(which);
}

// ---- Palette ------------------------------------------------------------------------------

QPalette panelPalette() {
    QPalette palette;
    palette.setColor(QPalette::Button, QColor(0x2c, 0x30, 0x36));
    palette.setColor(QPalette::Light, QColor(0x5e, 0x65, 0x6f));
    palette.setColor(QPalette::Midlight, QColor(0x42, 0x48, 0x50));
    palette.setColor(QPalette::Mid, QColor(0x24, 0x27, 0x2c));
    palette.setColor(QPalette::Dark, QColor(0x15, 0x17, 0x1a));
    palette.setColor(QPalette::Shadow, QColor(0, 0, 0));
    palette.setColor(QPalette::ButtonText, QColor(0xd4, 0xda, 0xe0));
    palette.setColor(QPalette::Window, QColor(0x1e, 0x21, 0x25));
    palette.setColor(QPalette::WindowText, QColor(0xd4, 0xda, 0xe0));
    return palette;
}

}  // namespace Glyphs
