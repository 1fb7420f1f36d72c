#include <QPainter>
#include <QSignalSpy>
#include <QtTest>
#include <memory>

#include "controls/Glyphs.h"
#include "controls/TKMVButton.h"

namespace {

constexpr QRgb kFace = 0xff646464;
constexpr QRgb kLight = 0xffc8c8c8;
constexpr QRgb kMidlight = 0xff969696;
constexpr QRgb kDark = 0xff323232;
constexpr QRgb kDarkest = 0xff0a0a0a;
constexpr QRgb kBlack = 0xff000000;
constexpr QRgb kNormalInk = 0xff0000ff;
constexpr QRgb kPressedInk = 0xffffff00;

QPalette testPalette() {
    QPalette palette;
    palette.setColor(QPalette::Button, QColor::fromRgb(kFace));
    palette.setColor(QPalette::Light, QColor::fromRgb(kLight));
    palette.setColor(QPalette::Midlight, QColor::fromRgb(kMidlight));
    palette.setColor(QPalette::Dark, QColor::fromRgb(kDark));
    palette.setColor(QPalette::Shadow, QColor::fromRgb(kDarkest));
    return palette;
}

// Two 12 x 12 pictures: a 6 x 6 square in the middle, blue (normal) and yellow (pressed),
// on transparent ground.
QImage twoPictureGlyph() {
    QImage glyph(24, 12, QImage::Format_ARGB32);
    glyph.fill(Qt::transparent);
    QPainter p(&glyph);
    p.fillRect(3, 3, 6, 6, QColor::fromRgb(kNormalInk));
    p.fillRect(15, 3, 6, 6, QColor::fromRgb(kPressedInk));
    return glyph;
}

// A 37 x 24 button centres a 12 x 12 picture at (13, 6), so the square sits at (16, 9).
constexpr QPoint kSquare(16, 9);

QImage look(TKMVButton& button) {
    return button.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

}  // namespace

class TestGlyphButton : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void pressedLookFollowsIsDownAlone();
    void framesAreDrawnAsLines();
    void disabledLookIsEngraved();
    void numGlyphsFollowsTheGlyph();
    void mouseSignals();
    void doubleClickGivesTwoClicks();
    void picturesAreSharedBySize();
    void panelPictures_data();
    void panelPictures();
    void lampsAndModes();
    void picturesDrawnAheadAreTheSame();

private:
    std::unique_ptr<TKMVButton> button_;
};

void TestGlyphButton::init() {
    button_ = std::make_unique<TKMVButton>();
    button_->setPalette(testPalette());
    button_->setFocusPolicy(Qt::NoFocus);
    button_->setFixedSize(37, 24);
    button_->setGlyph(twoPictureGlyph());
    button_->show();
    QVERIFY(QTest::qWaitForWindowExposed(button_.get()));
}

void TestGlyphButton::cleanup() {
    button_.reset();
}

void TestGlyphButton::pressedLookFollowsIsDownAlone() {
    TKMVButton& button = *button_;
    const QImage normal = look(button);
    QCOMPARE(normal.pixel(kSquare), kNormalInk);

    // The mouse alone does not press the button.
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(18, 12));
    QCOMPARE(look(button), normal);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(18, 12));

    button.setIsDown(true);
    const QImage pressed = look(button);
    QCOMPARE(pressed.pixel(kSquare), kPressedInk);
    QCOMPARE(pressed.pixel(kSquare + QPoint(5, 5)), kPressedInk);  // not shifted
    QCOMPARE(pressed.pixel(kSquare - QPoint(1, 1)), kFace);

    // Released by the program, even while the mouse holds it.
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(18, 12));
    button.setIsDown(false);
    QCOMPARE(look(button), normal);
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(18, 12));
}

void TestGlyphButton::framesAreDrawnAsLines() {
    TKMVButton& button = *button_;
    const QImage raised = look(button);
    QCOMPARE(raised.pixel(0, 0), kBlack);  // outer rim, left and top
    QCOMPARE(raised.pixel(0, 22), kBlack);
    QCOMPARE(raised.pixel(36, 23), kDarkest);  // outer rim, right and bottom
    QCOMPARE(raised.pixel(1, 1), kLight);      // inner rim
    QCOMPARE(raised.pixel(34, 1), kLight);
    QCOMPARE(raised.pixel(35, 1), kFace);  // the two face pixels
    QCOMPARE(raised.pixel(1, 22), kFace);
    QCOMPARE(raised.pixel(4, 4), kDark);  // recessed plate: dark top left ...
    QCOMPARE(raised.pixel(4, 18), kDark);
    QCOMPARE(raised.pixel(32, 18), kLight);  // ... light bottom right
    QCOMPARE(raised.pixel(5, 19), kLight);
    QCOMPARE(raised.pixel(4, 19), kFace);  // lines end before their last point

    button.setIsDown(true);
    const QImage pressed = look(button);
    QCOMPARE(pressed.pixel(0, 0), kDark);  // outline
    QCOMPARE(pressed.pixel(36, 23), kDark);
    QCOMPARE(pressed.pixel(1, 1), kDark);  // sunken rim
    QCOMPARE(pressed.pixel(35, 22), kLight);
    QCOMPARE(pressed.pixel(35, 2), kLight);
    QCOMPARE(pressed.pixel(4, 4), kLight);  // raised plate
    QCOMPARE(pressed.pixel(32, 19), kDark);
    QCOMPARE(pressed.pixel(32, 5), kDark);
    QCOMPARE(pressed.pixel(3, 3), kFace);
}

void TestGlyphButton::disabledLookIsEngraved() {
    TKMVButton& button = *button_;
    const QImage enabled = look(button);
    button.setEnabled(false);
    const QImage disabled = look(button);
    QVERIFY(disabled != enabled);
    // The square in the dark colour, its light copy showing one pixel right and down.
    QCOMPARE(disabled.pixel(kSquare), kDark);
    QCOMPARE(disabled.pixel(kSquare + QPoint(5, 5)), kDark);
    QCOMPARE(disabled.pixel(kSquare + QPoint(6, 6)), kLight);
    QCOMPARE(disabled.pixel(kSquare + QPoint(6, 0)), kFace);
    for (int y = 0; y < disabled.height(); ++y)
        for (int x = 0; x < disabled.width(); ++x)
            QVERIFY(disabled.pixel(x, y) != kNormalInk && disabled.pixel(x, y) != kPressedInk);

    // A third picture is the disabled look itself: white as light, grey as dark.
    QImage three(36, 12, QImage::Format_RGB32);
    three.fill(QColor(128, 128, 0));  // olive, the key colour by its bottom-left pixel
    three.setPixel(24 + 4, 4, 0xffffffff);
    three.setPixel(24 + 5, 4, 0xff808080);
    button.setGlyph(three);
    QCOMPARE(button.numGlyphs(), 3);
    const QImage own = look(button);
    QCOMPARE(own.pixel(13 + 4, 6 + 4), kLight);
    QCOMPARE(own.pixel(13 + 5, 6 + 4), kDark);
    QCOMPARE(own.pixel(13 + 6, 6 + 4), kFace);
}

void TestGlyphButton::numGlyphsFollowsTheGlyph() {
    TKMVButton button;
    auto strip = [](int width) {
        QImage image(width, 12, QImage::Format_ARGB32);
        image.fill(Qt::transparent);
        return image;
    };
    button.setGlyph(strip(24));
    QCOMPARE(button.numGlyphs(), 2);
    button.setGlyph(strip(50));  // not a multiple of the height: kept
    QCOMPARE(button.numGlyphs(), 2);
    button.setGlyph(strip(48));
    QCOMPARE(button.numGlyphs(), 4);
    button.setGlyph(strip(60));  // five pictures are too many
    QCOMPARE(button.numGlyphs(), 1);
    button.setNumGlyphs(7);
    QCOMPARE(button.numGlyphs(), 4);
    button.setNumGlyphs(0);
    QCOMPARE(button.numGlyphs(), 1);
}

void TestGlyphButton::mouseSignals() {
    TKMVButton& button = *button_;
    QStringList events;
    connect(&button, &TKMVButton::mousePressed, this,
            [&](Qt::MouseButton b) { events << QString("press %1").arg(b); });
    connect(&button, &TKMVButton::mouseReleased, this,
            [&](Qt::MouseButton b) { events << QString("release %1").arg(b); });
    connect(&button, &QAbstractButton::clicked, this, [&] { events << "click"; });

    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(events, QStringList{"press 1"});
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(12, 10));
    QCOMPARE(events, (QStringList{"press 1", "click", "release 1"}));

    // Released away from the button: no click.
    events.clear();
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseMove(&button, QPoint(60, 40));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(60, 40));
    QCOMPARE(events, (QStringList{"press 1", "release 1"}));

    // Other buttons are reported but do not click.
    events.clear();
    QTest::mouseClick(&button, Qt::RightButton, {}, QPoint(10, 10));
    QCOMPARE(events, (QStringList{"press 2", "release 2"}));
    QVERIFY(!button.IsDown());
}

void TestGlyphButton::doubleClickGivesTwoClicks() {
    QSignalSpy clicks(button_.get(), &QAbstractButton::clicked);
    QSignalSpy presses(button_.get(), &TKMVButton::mousePressed);
    // What the platform delivers for two fast clicks.
    QTest::mouseClick(button_.get(), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseDClick(button_.get(), Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(button_.get(), Qt::LeftButton, {}, QPoint(10, 10));
    QCOMPARE(clicks.count(), 2);
    QCOMPARE(presses.count(), 2);
}

void TestGlyphButton::picturesAreSharedBySize() {
    const int before = TKMVButton::pictureListCount();
    auto first = std::make_unique<TKMVButton>();
    auto second = std::make_unique<TKMVButton>();
    auto other = std::make_unique<TKMVButton>();
    QImage wide(40, 10, QImage::Format_ARGB32);
    wide.fill(Qt::red);
    first->setGlyph(wide);
    second->setGlyph(wide);
    other->setGlyph(twoPictureGlyph().scaled(24, 13));
    other->setNumGlyphs(2);
    const QImage picture = first->picture(TKMVButton::Normal);
    QCOMPARE(picture.size(), QSize(10, 10));
    QCOMPARE(second->picture(TKMVButton::Pressed), picture);
    QCOMPARE(TKMVButton::pictureListCount(), before + 1);
    QCOMPARE(other->picture(TKMVButton::Normal).size(), QSize(12, 13));
    QCOMPARE(TKMVButton::pictureListCount(), before + 2);

    first.reset();
    QCOMPARE(second->picture(TKMVButton::Normal), picture);  // still there for the other
    second.reset();
    QCOMPARE(TKMVButton::pictureListCount(), before + 1);
    other->setGlyph(QImage());
    QCOMPARE(TKMVButton::pictureListCount(), before);
}

void TestGlyphButton::panelPictures_data() {
    QTest::addColumn<int>("which");
    for (Glyphs::PanelButton b : Glyphs::kPanelButtons)
        QTest::addRow("%s", qPrintable(Glyphs::hint(b))) << int(b);
}

namespace {
int inkOf(const QImage& image) {
    int ink = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            ink += qAlpha(image.pixel(x, y)) > 64 ? 1 : 0;
    return ink;
}
}  // namespace

// Every symbol shows, pressed or not, fits inside its button's bevel, and no two buttons
// look alike.
void TestGlyphButton::panelPictures() {
    QFETCH(int, which);
    const auto b = Glyphs::PanelButton(which);
    TKMVButton button;
    Glyphs::setUpButton(button, b);
    QCOMPARE(button.numGlyphs(), 2);
    const QImage normal = button.picture(TKMVButton::Normal).convertToFormat(QImage::Format_ARGB32);
    const QImage pressed =
        button.picture(TKMVButton::Pressed).convertToFormat(QImage::Format_ARGB32);
    QVERIFY(inkOf(normal) * 20 >= normal.width() * normal.height());
    QVERIFY(normal.width() <= button.width() - 4 && normal.height() <= button.height() - 4);
    QVERIFY(inkOf(pressed) * 20 >= pressed.width() * pressed.height());
    QVERIFY(pressed != normal);
    for (Glyphs::PanelButton other : Glyphs::kPanelButtons) {
        if (other != b) {
            QVERIFY2(Glyphs::buttonGlyph(other) != Glyphs::buttonGlyph(b),
                     qPrintable(Glyphs::hint(other)));
        }
    }
}

// The lamp's centre is lit when on, brighter still in the flash, and dark when off; the two
// mode pictures both draw something, and not the same.
void TestGlyphButton::lampsAndModes() {
    auto centre = [](Glyphs::Lamp which) {
        const QImage image = Glyphs::lamp(which).convertToFormat(QImage::Format_ARGB32);
        const QRgb pixel = image.pixel(image.width() / 2, image.height() / 2);
        return qAlpha(pixel) == 255 ? qGray(pixel) : -1;
    };
    const int on = centre(Glyphs::Lamp::LampeOnPL1);
    const int flash = centre(Glyphs::Lamp::LampeFlashPL1);
    const int off = centre(Glyphs::Lamp::LampeOffPL1);
    QVERIFY2(off >= 0 && off < 80, qPrintable(QString::number(off)));
    QVERIFY2(on > off + 40, qPrintable(QString::number(on)));
    QVERIFY2(flash > on, qPrintable(QString::number(flash)));

    const QImage single =
        Glyphs::mode(Glyphs::Mode::ModeAutoPause).convertToFormat(QImage::Format_ARGB32);
    const QImage continuous =
        Glyphs::mode(Glyphs::Mode::ModePlaylist).convertToFormat(QImage::Format_ARGB32);
    QCOMPARE(single.size(), continuous.size());
    QVERIFY(inkOf(single) > 0 && inkOf(continuous) > 0);
    QVERIFY(single != continuous);
}

// Drawn ahead on a thread, each picture is the one drawn on the spot for the same name.
void TestGlyphButton::picturesDrawnAheadAreTheSame() {
    const auto all = [] {
        QList<QImage> pictures;
        for (const Glyphs::PanelButton button : Glyphs::kPanelButtons) {
            pictures << Glyphs::buttonGlyph(button);
        }
        for (const auto which :
             {Glyphs::Lamp::LampeOnPL1, Glyphs::Lamp::LampeFlashPL1, Glyphs::Lamp::LampeOffPL1}) {
            pictures << Glyphs::lamp(which);
        }
        return pictures << Glyphs::mode(Glyphs::Mode::ModeAutoPause)
                        << Glyphs::mode(Glyphs::Mode::ModePlaylist);
    };
    const QList<QImage> onTheSpot = all();
    Glyphs::drawInBackground();
    QCOMPARE(all(), onTheSpot);
}

QTEST_MAIN(TestGlyphButton)
#include "tst_glyphbutton.moc"
