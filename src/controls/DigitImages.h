#pragma once
// The thirteen pictures every seven-segment display draws from: the digits 0 to 9, the
// blank figure, the colon and the end piece. One set exists per display size (1 to 5) and
// all displays of the program share them, so a recolouring shows in every display at once.
//
// Figure. At size 3 a digit cell is 15 x 27 pixels; each segment is a bevelled bar three
// pixels thick, laid out exactly as the table in DigitImages.cpp gives. Lit segments are
// solid in the line colour. An unlit segment is dotted: its pixels with an even x + y are
// in the shadow colour, the others in the ground colour (a checkerboard). The colon is two
// 3 x 3 squares in a 6 x 27 picture, the end piece 3 x 27 pixels of ground.
//
// Other sizes show the same figure scaled: a pixel (x, y) of a size-s cell takes the role
// (ground, segment, colon square) of the size-3 pixel under its centre, that is
// (floor((x + 0.5) * 3 / s), floor((y + 0.5) * 3 / s)). The dotting is then applied in the
// size-s pixels, so unlit segments stay dotted every other pixel at every size.
//
// Colours. The pictures hold exactly three colours at any time. recolour() replaces every
// pixel of one colour by another in all pictures of all sizes; a colour chosen that another
// role already has merges the two roles for good, as the pixels cannot be told apart.
//
// GUI thread only. The set is made on first use and lives to the end of the process.

#include <QImage>
#include <QRgb>

class DigitImages {
public:
    // Picture indices: 0 to 9 are the digits themselves.
    static constexpr int kBlank = 10;     // all seven segments unlit
    static constexpr int kColon = 11;     // two lit squares
    static constexpr int kEndPiece = 12;  // ground only
    static constexpr int kCount = 13;

    static constexpr int kMinSize = 1;
    static constexpr int kMaxSize = 5;

    // The default colours a display starts with (red segments on black).
    static constexpr QRgb kDefaultLine = 0xffff0000;
    static constexpr QRgb kDefaultShadow = 0xff800000;
    static constexpr QRgb kDefaultGround = 0xff000000;

    static DigitImages& shared();

    // Picture `index` (0 to kCount - 1) of the set for `size` (kMinSize to kMaxSize).
    const QImage& image(int size, int index) const;

    // Replaces every pixel of colour `from` by `to` in all pictures of all sizes.
    void recolour(QRgb from, QRgb to);

    // Width of picture `index` at `size`: 5 * size for digits and blank, 2 * size for the
    // colon, size for the end piece; every picture is 9 * size high.
    static int imageWidth(int size, int index);

private:
    DigitImages();
    static QImage drawFigure(int size, int index);

    QImage images_[kMaxSize][kCount];
};
