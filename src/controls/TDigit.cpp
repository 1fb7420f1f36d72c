#include "TDigit.h"

#include <QBackingStore>
#include <QList>
#include <QPaintEvent>
#include <QPainter>
#include <QWindow>
#include <bit>
#include <cstdint>
#include <cstring>

#include "DigitImages.h"

namespace {

// Every display alive, so that a recolouring of the shared pictures repaints them all.
QList<TDigit*>& liveDisplays() {
    static QList<TDigit*> displays;
    return displays;
}

// The absolute value as exactly 10 decimal digits with leading zeros. The lowest 32-bit
// number has no positive counterpart in int; its magnitude 2147483648 fits unsigned.
void formatValue(int value, char (&text)[10]) {
    std::uint32_t magnitude =
        value < 0 ? 0u - static_cast<std::uint32_t>(value) : static_cast<std::uint32_t>(value);
    for (int i = 9; i >= 0; --i) {
        text[i] = static_cast<char>('0' + magnitude % 10);
        magnitude /= 10;
    }
}

int imageIndex(char c) {
    return c == ' ' ? DigitImages::kBlank : c - '0';
}

}  // namespace

TDigit::TDigit(QWidget* parent)
    : QWidget(parent),
      line_(DigitImages::kDefaultLine),
      shadow_(DigitImages::kDefaultShadow),
      ground_(DigitImages::kDefaultGround) {
    std::memset(shown_, ' ', sizeof shown_);
    setAttribute(Qt::WA_OpaquePaintEvent);
    DigitImages::shared();  // the pictures exist before the first paint
    liveDisplays().append(this);
    applyGeometry();
}

TDigit::~TDigit() {
    liveDisplays().removeOne(this);
}

// ---- Geometry -----------------------------------------------------------------------------

int TDigit::widthFor() const {
    return size_ * (5 * digits_ + (seperator_ ? 2 : 1));
}

QRect TDigit::cellRect(int cell) const {
    return QRect(5 * size_ * cell, 0, 5 * size_, 9 * size_);
}

QRect TDigit::endRect() const {
    const int index = seperator_ ? DigitImages::kColon : DigitImages::kEndPiece;
    return QRect(5 * size_ * digits_, 0, DigitImages::imageWidth(size_, index), 9 * size_);
}

void TDigit::applyGeometry() {
    setFixedSize(widthFor(), 9 * size_);
}

QSize TDigit::sizeHint() const {
    return QSize(widthFor(), 9 * size_);
}

// ---- Properties ---------------------------------------------------------------------------

void TDigit::setDigitSize(int size) {
    if (size < DigitImages::kMinSize || size > DigitImages::kMaxSize)
        return;
    size_ = size;
    applyGeometry();
    line_ = DigitImages::kDefaultLine;
    shadow_ = DigitImages::kDefaultShadow;
    ground_ = DigitImages::kDefaultGround;
    update();
}

void TDigit::setSeperator(bool on) {
    seperator_ = on;
    applyGeometry();
    update();
}

void TDigit::setDigits(int digits) {
    if (digits < 1 || digits > kTextLength || digits == digits_)
        return;
    digits_ = digits;
    applyGeometry();
    update();
}

void TDigit::setDisplayOn(bool on) {
    if (on == displayOn_)
        return;
    displayOn_ = on;
    if (on)
        formatValue(value_, shown_);
    else
        std::memset(shown_, ' ', sizeof shown_);
    update();
}

quint16 TDigit::takeValue(int value) {
    value_ = value;
    lastChangedCells_ = 0;
    if (!displayOn_)
        return 0;
    char text[kTextLength];
    formatValue(value, text);
    for (int cell = 0; cell < digits_; ++cell) {
        const int pos = kTextLength - digits_ + cell;
        if (text[pos] != shown_[pos])
            lastChangedCells_ |= quint16(1u << cell);
    }
    std::memcpy(shown_, text, sizeof shown_);
    return lastChangedCells_;
}

void TDigit::setValue(int value) {
    const quint16 changed = takeValue(value);
    for (int cell = 0; cell < digits_; ++cell)
        if (changed & (1u << cell))
            update(cellRect(cell));
}

void TDigit::setValueNow(int value) {
    const quint16 changed = takeValue(value);
    if (changed == 0 || paintIntoBackingStore(changed))
        return;
    // The changed cells' span: one paint and one flush, whatever lies between is redrawn.
    const int first = std::countr_zero(unsigned(changed));
    const int last = 15 - std::countl_zero(changed);
    repaint(cellRect(first).united(cellRect(last)));
}

bool TDigit::paintIntoBackingStore(quint16 cells) {
    if (!isVisible() || !updatesEnabled())
        return false;
    QWidget* const top = window();
    QBackingStore* const store = top->backingStore();
    QWindow* const handle = top->windowHandle();
    if (!store || !handle || !handle->isExposed() || handle->devicePixelRatio() != 1.0)
        return false;
    const QPoint offset = mapTo(top, QPoint(0, 0));
    QRegion region;
    for (int cell = 0; cell < digits_; ++cell)
        if (cells & (1u << cell))
            region += cellRect(cell);
    // Whatever covers the display (a sibling raised above it) must not be drawn over.
    if (!region.subtracted(visibleRegion()).isEmpty())
        return false;
    region.translate(offset);
    store->beginPaint(region);
    QPaintDevice* const device = store->paintDevice();
    auto* const image =
        device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
    const bool copied = image && image->devicePixelRatio() == 1.0 &&
                        (image->format() == QImage::Format_RGB32 ||
                         image->format() == QImage::Format_ARGB32_Premultiplied);
    if (copied) {
        for (int cell = 0; cell < digits_; ++cell) {
            if (!(cells & (1u << cell)))
                continue;
            const QImage& picture = cellImage(cell);
            const QPoint at = cellRect(cell).topLeft() + offset;
            const qsizetype rowBytes = qsizetype(picture.width()) * 4;
            for (int y = 0; y < picture.height(); ++y)
                std::memcpy(image->scanLine(at.y() + y) + qsizetype(at.x()) * 4,
                            picture.constScanLine(y), size_t(rowBytes));
        }
    }
    store->endPaint();
    if (!copied)
        return false;  // nothing was drawn; the caller repaints
    store->flush(region, handle);
    lastPaintedCells_ = cells;
    return true;
}

void TDigit::recolour(QRgb& property, const QColor& color) {
    const QRgb to = color.rgb() | 0xff000000;
    DigitImages::shared().recolour(property, to);
    property = to;
    for (TDigit* display : liveDisplays())
        display->update();
}

void TDigit::setLineColor(const QColor& color) {
    recolour(line_, color);
}
void TDigit::setShadowColor(const QColor& color) {
    recolour(shadow_, color);
}
void TDigit::setColor(const QColor& color) {
    recolour(ground_, color);
}

// ---- Painting -----------------------------------------------------------------------------

const QImage& TDigit::cellImage(int cell) const {
    return DigitImages::shared().image(size_, imageIndex(shown_[kTextLength - digits_ + cell]));
}

void TDigit::paintCells(QPainter& painter, quint16 cells) const {
    const DigitImages& images = DigitImages::shared();
    for (int cell = 0; cell < digits_; ++cell) {
        if (cells & (1u << cell)) {
            painter.drawImage(cellRect(cell).topLeft(), cellImage(cell));
        }
    }
    if (cells & (1u << kEndBit)) {
        const int index = seperator_ ? DigitImages::kColon : DigitImages::kEndPiece;
        painter.drawImage(endRect().topLeft(), images.image(size_, index));
    }
}

void TDigit::paintEvent(QPaintEvent* event) {
    quint16 cells = 0;
    for (int cell = 0; cell < digits_; ++cell)
        if (event->region().intersects(cellRect(cell)))
            cells |= quint16(1u << cell);
    if (event->region().intersects(endRect()))
        cells |= quint16(1u << kEndBit);
    QPainter painter(this);
    paintCells(painter, cells);
    lastPaintedCells_ = cells;
}

QImage TDigit::render() const {
    QImage image(widthFor(), 9 * size_, QImage::Format_RGB32);
    image.fill(ground_);
    QPainter painter(&image);
    paintCells(painter, quint16((1u << (kEndBit + 1)) - 1));
    return image;
}
