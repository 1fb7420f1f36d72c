#include "PlayerPanel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QFrame>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

#include <QSlider>

#include "controls/ControlAccessibility.h"
#include "controls/Glyphs.h"
#include "controls/TDigit.h"
#include "controls/TKMVButton.h"
#include "controls/TKmvTrackBar.h"

// Layout of the panel (315 x 201), top to bottom:
//
//   y   3..108  the display: a black window with the tag lines, the stream line and the
//               time row (elapsed mm:ss and third field | lamp, length, mode | remaining)
//   y 111..132  the position bar
//   y 136..160  the transport buttons
//   y 164..197  the load buttons at the left, volume and info at the right
//
// Every control has a fixed place; the panel never resizes.

namespace {

constexpr QRect kDisplay(3, 3, 309, 106);
constexpr int kLineHeight = 15;
constexpr int kTimeRowTop = 75;
constexpr int kSeparatorY = 71;
constexpr int kTransportTop = 136;
constexpr int kUtilityTop = 164;

const QColor kDisplayGround(0, 0, 0);
const QColor kCaptionColour(0x4c, 0x93, 0xac);
// The pause look's text colour, which the labels also start with.
const QColor kIdleTextColour(0x80, 0x80, 0x80);

QFont captionFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(10);
    return font;
}

QFont valueFont() {
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(11);
    font.setBold(true);
    return font;
}

void setTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

QFrame* makeStrip(QWidget* parent, const QRect& geometry, const QString& hint) {
    auto* strip = new QFrame(parent);
    strip->setFrameShape(QFrame::NoFrame);
    strip->setGeometry(geometry);
    strip->setToolTip(hint);
    return strip;
}

QLabel* makeCaption(QFrame* strip, const QString& text) {
    auto* caption = new QLabel(text, strip);
    caption->setFont(captionFont());
    setTextColour(caption, kCaptionColour);
    caption->setToolTip(strip->toolTip());
    return caption;
}

QLabel* makeValue(QWidget* parent, Qt::Alignment alignment) {
    auto* label = new QLabel(parent);
    label->setFont(valueFont());
    label->setAlignment(alignment | Qt::AlignVCenter);
    label->setTextFormat(Qt::PlainText);
    setTextColour(label, kIdleTextColour);
    label->setToolTip(parent->toolTip());
    return label;
}

// A strip with its caption at the left and the value filling the rest.
QLabel* captionThenValue(QFrame* strip, const QString& caption) {
    QLabel* captionLabel = makeCaption(strip, caption);
    const int captionWidth = QFontMetrics(captionLabel->font()).horizontalAdvance(caption) + 3;
    captionLabel->setGeometry(0, 0, captionWidth, strip->height());
    QLabel* value = makeValue(strip, Qt::AlignLeft);
    value->setGeometry(captionWidth, 0, strip->width() - captionWidth, strip->height());
    return value;
}

// A strip with the value at the left, right-aligned against its caption ("128 kbps ").
QLabel* valueThenCaption(QFrame* strip, const QString& caption) {
    QLabel* captionLabel = makeCaption(strip, caption);
    const int captionWidth = QFontMetrics(captionLabel->font()).horizontalAdvance(caption) + 1;
    const int valueWidth = strip->width() - captionWidth;
    captionLabel->setGeometry(valueWidth, 0, captionWidth, strip->height());
    QLabel* value = makeValue(strip, Qt::AlignRight);
    value->setGeometry(0, 0, valueWidth - 3, strip->height());
    return value;
}

QLabel* makeImage(QWidget* parent, const QImage& image, const QPoint& at) {
    auto* label = new QLabel(parent);
    label->setPixmap(QPixmap::fromImage(image));
    label->setGeometry(QRect(at, image.size()));
    return label;
}

TDigit* makeDigits(QWidget* parent, int x, bool colon) {
    auto* digits = new TDigit(parent);
    digits->setDigitSize(3);
    digits->setDigits(2);
    digits->setSeperator(colon);
    digits->move(x, 0);
    digits->setToolTip(parent->toolTip());
    return digits;
}

// The glyph of a load button: a page of list lines with an arrow into it, silver when
// up and lit blue when pressed, side by side. `selection` draws the pool (a stack of
// pages) rather than the queue (one page).
QImage loadGlyph(QSize picture, bool selection) {
    QImage image(picture.width() * 2, picture.height(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int state = 0; state < 2; ++state) {
        p.save();
        p.translate(picture.width() * state, 0);
        const QColor ink = state == 0 ? QColor(0xd8, 0xde, 0xe4) : QColor(0x6c, 0xd4, 0xff);
        const QColor rim(6, 8, 10, 235);
        const qreal h = picture.height();
        const QRectF page(7.5, selection ? 4.5 : 1.5, 12, h - (selection ? 6 : 3));
        if (selection) {
            p.setPen(QPen(rim, 2));
            p.setBrush(Qt::NoBrush);
            p.drawRect(page.translated(-2, -3));
            p.setPen(QPen(ink.darker(140), 1));
            p.drawRect(page.translated(-2, -3));
        }
        p.setPen(QPen(rim, 2));
        p.setBrush(QColor(0x20, 0x24, 0x29));
        p.drawRect(page);
        p.setPen(QPen(ink, 1));
        p.drawRect(page);
        for (qreal y = page.top() + 3; y < page.bottom() - 1; y += 3) {
            p.drawLine(QPointF(page.left() + 3, y), QPointF(page.right() - 2, y));
        }
        // The arrow pointing into the page.
        QPainterPath arrow;
        const qreal mid = h / 2;
        arrow.moveTo(0.5, mid - 1.5);
        arrow.lineTo(4.5, mid - 1.5);
        arrow.lineTo(4.5, mid - 4.5);
        arrow.lineTo(9.5, mid);
        arrow.lineTo(4.5, mid + 4.5);
        arrow.lineTo(4.5, mid + 1.5);
        arrow.lineTo(0.5, mid + 1.5);
        arrow.closeSubpath();
        p.setPen(QPen(rim, 2));
        p.setBrush(ink);
        p.drawPath(arrow);
        p.setPen(Qt::NoPen);
        p.drawPath(arrow);
        p.restore();
    }
    return image;
}

TKMVButton* makeLoadButton(QWidget* parent, bool selection, const QString& hint) {
    auto* button = new TKMVButton(parent);
    button->setFixedSize(41, 33);
    button->setGlyph(loadGlyph(selection ? QSize(21, 20) : QSize(21, 17), selection));
    button->setNumGlyphs(2);
    button->setToolTip(hint);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

}  // namespace

PlayerPanel::PlayerPanel(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("PL1"));
    setFixedSize(kWidth, kHeight);
    setPalette(Glyphs::panelPalette());
    setFocusPolicy(Qt::StrongFocus);
    installControlAccessibility();
    buildDisplay();
    buildTransport();
    nameForAssistiveTools();
}

// Screen readers read what a control is called; the labels read their own text.
void PlayerPanel::nameForAssistiveTools() {
    const std::pair<QWidget*, const char*> names[] = {
        {SegmentTimePl1Min, "Abgelaufene Minuten"}, {SegmentTimePl1Sec, "Abgelaufene Sekunden"},
        {SegmentTimePl1Frame, "Laufende Anzeige"},  {SegmentRestPl1Min, "Restminuten"},
        {SegmentRestPl1Sec, "Restsekunden"},        {TTLabel, "Titellänge"},
    };
    for (const auto& [widget, name] : names) {
        widget->setAccessibleName(QString::fromUtf8(name));
    }
    for (QLabel* mode : {ModeAutoPause, ModePlaylist}) {
        mode->setAccessibleName(mode->toolTip());
    }
    for (QLabel* value :
         {IntLabelpl1, TitLabelPl1, LabelStylePL1, JahrLabel, MPEG, Layer, kbps, kHz, StereoLab}) {
        value->setAccessibleDescription(value->parentWidget()->toolTip());
    }
    if (auto* slider = TrackBar1->findChild<QSlider*>()) {
        slider->setAccessibleName(PL1PanelPosition->toolTip());
    }
}

PlayerPanel::~PlayerPanel() = default;

bool PlayerPanel::takesDropAt(QPoint globalPos) const {
    const QPoint local = mapFromGlobal(globalPos);
    if (!isVisible() || !rect().contains(local)) {
        return false;
    }
    // Another window above the panel hides it. Platforms that know no global positions
    // find no window at all; the panel's own geometry decides there.
    const QWidget* hit = QApplication::widgetAt(globalPos);
    if (hit && hit->window() != window()) {
        return false;
    }
    if (!hit || !isAncestorOf(hit)) {
        const QWidget* child = childAt(local);
        hit = child ? child : this;
    }
    const QWidget* const refusing[] = {
        SegmentTimePl1Min, SegmentTimePl1Sec, SegmentTimePl1Frame,
        SegmentRestPl1Min, SegmentRestPl1Sec, InfoUp,
        OpenButton,        Button1,           PL1PanelKhz,
    };
    // A lit lamp refuses drops; the dark one takes them.
    if (hit == LampPL1 && shownLamp_ != Glyphs::Lamp::LampeOffPL1) {
        return false;
    }
    // The innermost part that decides: the sampling-rate value takes drops although its
    // strip does not.
    for (const QWidget* w = hit; w && w != this; w = w->parentWidget()) {
        if (w == kHz) {
            return true;
        }
        if (std::find(std::begin(refusing), std::end(refusing), w) != std::end(refusing)) {
            return false;
        }
    }
    return true;
}

void PlayerPanel::buildDisplay() {
    const int left = kDisplay.left() + 4;
    const int width = kDisplay.width() - 8;

    // Tag lines.
    PL1PanelInt = makeStrip(this, {left, 6, width, kLineHeight}, QStringLiteral("Interpret"));
    IntLabelpl1 = captionThenValue(PL1PanelInt, QStringLiteral(" Artist:"));
    PL1PanelTitel = makeStrip(this, {left, 21, width, kLineHeight}, QStringLiteral("Titel"));
    TitLabelPl1 = captionThenValue(PL1PanelTitel, QStringLiteral(" Title:"));
    PL1PanelStyle = makeStrip(this, {left, 36, 206, kLineHeight}, QStringLiteral("Musikrichtung"));
    LabelStylePL1 = captionThenValue(PL1PanelStyle, QStringLiteral(" Genre:"));
    PL1PanelCharts =
        makeStrip(this, {left + 214, 36, width - 214, kLineHeight}, QStringLiteral("Jahrgang"));
    JahrLabel = captionThenValue(PL1PanelCharts, QStringLiteral(" Year:"));

    // Stream line.
    const int streamTop = 53;
    Panel4 = makeStrip(this, {left, streamTop, 60, kLineHeight}, QString());
    MPEG = captionThenValue(Panel4, QStringLiteral(" MPEG"));
    Panel5 = makeStrip(this, {left + 62, streamTop, 54, kLineHeight}, QString());
    Layer = captionThenValue(Panel5, QStringLiteral(" Layer"));
    Panel6 =
        makeStrip(this, {left + 118, streamTop, 62, kLineHeight}, QStringLiteral("Abtastrate"));
    kbps = valueThenCaption(Panel6, QStringLiteral("kbps "));
    PL1PanelKhz =
        makeStrip(this, {left + 182, streamTop, 50, kLineHeight}, QStringLiteral("Abtastfrequenz"));
    kHz = valueThenCaption(PL1PanelKhz, QStringLiteral("kHz "));
    StereoLab = makeValue(this, Qt::AlignRight);
    StereoLab->setGeometry(left + 234, streamTop, width - 236, kLineHeight);

    // Time row: elapsed at the left, remaining at the right, between them the lamp, the
    // track length and the play mode.
    PL1PanelTime =
        makeStrip(this, {left + 2, kTimeRowTop, 108, 27}, QStringLiteral("Abgelaufene Titelzeit"));
    SegmentTimePl1Min = makeDigits(PL1PanelTime, 0, true);
    SegmentTimePl1Sec = makeDigits(PL1PanelTime, 36, false);
    SegmentTimePl1Frame = makeDigits(PL1PanelTime, 75, false);

    PL1PanelRest = makeStrip(this, {kDisplay.right() - 4 - 69, kTimeRowTop, 69, 27},
                             QStringLiteral("Restzeit des laufenden Titels"));
    SegmentRestPl1Min = makeDigits(PL1PanelRest, 0, true);
    SegmentRestPl1Sec = makeDigits(PL1PanelRest, 36, false);

    // Between them: the lamp over the play-mode image, and the track length.
    const int middle = left + 118;
    PL1PanelMode = makeStrip(this, {middle, kTimeRowTop - 2, 36, 34}, QString());
    for (Glyphs::Lamp lamp :
         {Glyphs::Lamp::LampeOnPL1, Glyphs::Lamp::LampeFlashPL1, Glyphs::Lamp::LampeOffPL1}) {
        lampPictures_[int(lamp)] = QPixmap::fromImage(Glyphs::lamp(lamp));
    }
    LampPL1 = makeImage(PL1PanelMode, Glyphs::lamp(Glyphs::Lamp::LampeOffPL1), {10, 0});
    // The lamp changes ten times a second while blinking: drawn opaque on the display's
    // ground, so a change repaints only the lamp, not the panel behind it.
    QPalette palette = LampPL1->palette();
    palette.setColor(QPalette::Window, kDisplayGround);
    LampPL1->setPalette(palette);
    LampPL1->setAutoFillBackground(true);
    LampPL1->setAttribute(Qt::WA_OpaquePaintEvent);
    showLamp(Glyphs::Lamp::LampeOffPL1);
    ModeAutoPause = makeImage(PL1PanelMode, Glyphs::mode(Glyphs::Mode::ModeAutoPause), {0, 18});
    ModeAutoPause->setToolTip(
        QStringLiteral("Modus: Auto Pause (Rechte Maustaste für Modus wählen)"));
    ModePlaylist = makeImage(PL1PanelMode, Glyphs::mode(Glyphs::Mode::ModePlaylist), {0, 18});
    ModePlaylist->setToolTip(
        QStringLiteral("Modus: Playlist spielen (Rechte Maustaste für Modus wählen)"));

    PL1PanelZeit =
        makeStrip(this, {middle + 40, kTimeRowTop, 58, 27}, QStringLiteral("Titellänge"));
    TTLabel = makeValue(PL1PanelZeit, Qt::AlignHCenter);
    QFont lengthFont = TTLabel->font();
    lengthFont.setPixelSize(13);
    TTLabel->setFont(lengthFont);
    TTLabel->setGeometry(0, 0, 58, 27);
    ModeAutoPause->hide();
    ModeAutoPause->installEventFilter(this);
    ModePlaylist->installEventFilter(this);
}

void PlayerPanel::showLamp(Glyphs::Lamp lamp) {
    shownLamp_ = lamp;
    LampPL1->setPixmap(lampPictures_[int(lamp)]);
    LampPL1->setAccessibleName(lamp == Glyphs::Lamp::LampeOnPL1 ? QStringLiteral("Lampe an")
                               : lamp == Glyphs::Lamp::LampeFlashPL1
                                   ? QStringLiteral("Lampe blinkt")
                                   : QStringLiteral("Lampe aus"));
}

void PlayerPanel::buildTransport() {
    PL1PanelPosition = makeStrip(this, {7, 111, 301, 22}, QStringLiteral("Titelpositionierung"));
    TrackBar1 = new TKmvTrackBar(PL1PanelPosition);
    TrackBar1->setGeometry(0, 0, 301, 22);
    TrackBar1->setToolTip(PL1PanelPosition->toolTip());

    PL1PanelPlayer = makeStrip(
        this, {kDisplay.left(), kTransportTop, kDisplay.width(), kHeight - kTransportTop - 3},
        QString());
    auto make = [this](Glyphs::PanelButton which) {
        auto* button = new TKMVButton(PL1PanelPlayer);
        Glyphs::setUpButton(*button, which);
        button->setFocusPolicy(Qt::NoFocus);
        return button;
    };
    using Glyphs::PanelButton;
    AnfangUp = make(PanelButton::AnfangUp);
    BackwardUp = make(PanelButton::BackwardUp);
    PrevUp = make(PanelButton::PrevUp);
    PauseUp = make(PanelButton::PauseUp);
    PlayUp = make(PanelButton::PlayUp);
    ForwardUp = make(PanelButton::ForwardUp);
    NextUp = make(PanelButton::NextUp);
    MonitorPL1 = make(PanelButton::MonitorPL1);
    InfoUp = make(PanelButton::InfoUp);

    // The transport row, centred.
    constexpr int kGap = 3;
    TKMVButton* const row[] = {AnfangUp, BackwardUp, PrevUp, PauseUp, PlayUp, ForwardUp, NextUp};
    int rowWidth = -kGap;
    for (TKMVButton* button : row) {
        rowWidth += button->width() + kGap;
    }
    int x = (PL1PanelPlayer->width() - rowWidth) / 2;
    for (TKMVButton* button : row) {
        button->move(x, 0);
        x += button->width() + kGap;
    }

    // The utility row: loading at the left, volume and information at the right.
    const int utilityTop = kUtilityTop - kTransportTop;
    const int rowLeft = (PL1PanelPlayer->width() - rowWidth) / 2;
    OpenButton = makeLoadButton(PL1PanelPlayer, false, QStringLiteral("Titel in Playlist laden"));
    Button1 = makeLoadButton(PL1PanelPlayer, true, QStringLiteral("Titel in Auswahl laden"));
    OpenButton->move(rowLeft, utilityTop);
    Button1->move(rowLeft + OpenButton->width() + kGap, utilityTop);
    const int rowRight = rowLeft + rowWidth;
    InfoUp->move(rowRight - InfoUp->width(), utilityTop + 4);
    MonitorPL1->move(rowRight - InfoUp->width() - kGap - MonitorPL1->width(), utilityTop + 4);

    for (TKMVButton* button : {AnfangUp, PrevUp, NextUp, MonitorPL1, OpenButton, Button1}) {
        holdPressedLook(button);
    }
}

void PlayerPanel::holdPressedLook(TKMVButton* button) {
    connect(button, &TKMVButton::mousePressed, button, [button] { button->setIsDown(true); });
    connect(button, &TKMVButton::mouseReleased, button, [button] { button->setIsDown(false); });
}

bool PlayerPanel::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == ModeAutoPause || watched == ModePlaylist) &&
        event->type() == QEvent::MouseButtonPress) {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::RightButton) {
            emit modeMenuRequested(mouse->globalPosition().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PlayerPanel::paintEvent(QPaintEvent*) {
    // The face never changes; it is drawn once and then copied, since every repaint of a
    // time field or of the bar repaints the face behind it.
    const qreal ratio = devicePixelRatioF();
    if (face_.isNull() || face_.devicePixelRatio() != ratio) {
        face_ = QPixmap(size() * ratio);
        face_.setDevicePixelRatio(ratio);
        QPainter facePainter(&face_);
        paintFace(facePainter);
    }
    QPainter(this).drawPixmap(0, 0, face_);
}

void PlayerPanel::paintFace(QPainter& p) {
    // Brushed dark metal.
    QLinearGradient face(0, 0, 0, height());
    face.setColorAt(0, QColor(0x2b, 0x2f, 0x35));
    face.setColorAt(1, QColor(0x17, 0x19, 0x1c));
    p.fillRect(rect(), face);

    // The display window, sunk into the face.
    p.setPen(QColor(0x0b, 0x0c, 0x0e));
    p.drawLine(kDisplay.topLeft() - QPoint(1, 1), kDisplay.topRight() + QPoint(1, -1));
    p.drawLine(kDisplay.topLeft() - QPoint(1, 1), kDisplay.bottomLeft() + QPoint(-1, 1));
    p.setPen(QColor(0x4a, 0x50, 0x58));
    p.drawLine(kDisplay.bottomLeft() + QPoint(-1, 1), kDisplay.bottomRight() + QPoint(1, 1));
    p.drawLine(kDisplay.topRight() + QPoint(1, -1), kDisplay.bottomRight() + QPoint(1, 1));
    p.fillRect(kDisplay, kDisplayGround);

    // A hairline between the text lines and the time row.
    p.setPen(QColor(0x1d, 0x2a, 0x30));
    p.drawLine(kDisplay.left() + 6, kSeparatorY, kDisplay.right() - 6, kSeparatorY);

    // The minus sign before the remaining time.
    const QRect rest = PL1PanelRest->geometry();
    p.fillRect(QRect(rest.left() - 9, rest.center().y() - 1, 6, 3), QColor(0x80, 0, 0));

    // The name plate between the load buttons and the volume button.
    const int plateLeft = PL1PanelPlayer->x() + Button1->geometry().right() + 1;
    const int plateRight = PL1PanelPlayer->x() + MonitorPL1->x();
    const QRect plate(plateLeft, kUtilityTop, plateRight - plateLeft, 33);
    QFont brand(QStringLiteral("DejaVu Sans"));
    brand.setPixelSize(13);
    brand.setBold(true);
    brand.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    p.setFont(brand);
    p.setPen(QColor(0x0c, 0x0d, 0x0f));
    p.drawText(plate.translated(0, -1), Qt::AlignCenter, QStringLiteral("SONVOX"));
    p.setPen(QColor(0x5a, 0x61, 0x6a));
    p.drawText(plate, Qt::AlignCenter, QStringLiteral("SONVOX"));
}
