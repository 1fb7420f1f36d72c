#include "DigitImages.h"

#include <array>

namespace {

// ---- The size-3 figure -------------------------------------------------------------------

constexpr int kCellWidth3 = 15;
constexpr int kCellHeight3 = 27;
constexpr int kNoSegment = -1;

// One horizontal run of a segment: row y, columns x0 to x1 inclusive.
struct Run {
    int y, x0, x1;
};

// Segments a to g of a 15 x 27 cell, as runs of pixels.
constexpr Run kSegmentA[] = {{3, 4, 13}, {4, 5, 12}, {5, 6, 11}};
constexpr Run kSegmentB[] = {{4, 14, 14}, {5, 13, 14},  {6, 12, 14},  {7, 12, 14}, {8, 12, 14},
                             {9, 12, 14}, {10, 12, 14}, {11, 12, 14}, {12, 13, 13}};
constexpr Run kSegmentC[] = {{14, 13, 13}, {15, 12, 14}, {16, 12, 14}, {17, 12, 14}, {18, 12, 14},
                             {19, 12, 14}, {20, 12, 14}, {21, 13, 14}, {22, 14, 14}};
constexpr Run kSegmentD[] = {{21, 6, 11}, {22, 5, 12}, {23, 4, 13}};
constexpr Run kSegmentE[] = {{14, 4, 4}, {15, 3, 5}, {16, 3, 5}, {17, 3, 5}, {18, 3, 5},
                             {19, 3, 5}, {20, 3, 5}, {21, 3, 4}, {22, 3, 3}};
constexpr Run kSegmentF[] = {{4, 3, 3}, {5, 3, 4},  {6, 3, 5},  {7, 3, 5}, {8, 3, 5},
                             {9, 3, 5}, {10, 3, 5}, {11, 3, 5}, {12, 4, 4}};
constexpr Run kSegmentG[] = {{12, 6, 11}, {13, 5, 12}, {14, 6, 11}};

// Lit segments per digit, bit 0 = a ... bit 6 = g.
constexpr unsigned char kLitSegments[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                            0x6D, 0x7D, 0x07, 0x7F, 0x6F};

using CellRoles = std::array<std::array<signed char, kCellWidth3>, kCellHeight3>;

// Which segment each pixel of the size-3 cell belongs to, or kNoSegment for ground.
const CellRoles& cellRoles() {
    static const CellRoles roles = [] {
        CellRoles r{};
        for (auto& row : r)
            row.fill(kNoSegment);
        auto mark = [&r](const auto& runs, int segment) {
            for (const Run& run : runs)
                for (int x = run.x0; x <= run.x1; ++x)
                    r[run.y][x] = static_cast<signed char>(segment);
        };
        mark(kSegmentA, 0);
        mark(kSegmentB, 1);
        mark(kSegmentC, 2);
        mark(kSegmentD, 3);
        mark(kSegmentE, 4);
        mark(kSegmentF, 5);
        mark(kSegmentG, 6);
        return r;
    }();
    return roles;
}

// The colon's lit squares in its 6 x 27 size-3 picture.
bool colonLit3(int x, int y) {
    return x >= 3 && x <= 5 && ((y >= 7 && y <= 9) || (y >= 17 && y <= 19));
}

// The size-3 coordinate under the centre of pixel `p` of a size-`size` picture.
int toSize3(int p, int size) {
    return (2 * p + 1) * 3 / (2 * size);
}

}  // namespace

DigitImages& DigitImages::shared() {
    static DigitImages images;
    return images;
}

DigitImages::DigitImages() {
    for (int size = kMinSize; size <= kMaxSize; ++size)
        for (int index = 0; index < kCount; ++index)
            images_[size - 1][index] = drawFigure(size, index);
}

int DigitImages::imageWidth(int size, int index) {
    if (index == kColon)
        return 2 * size;
    if (index == kEndPiece)
        return size;
    return 5 * size;
}

const QImage& DigitImages::image(int size, int index) const {
    Q_ASSERT(size >= kMinSize && size <= kMaxSize && index >= 0 && index < kCount);
    return images_[size - 1][index];
}

QImage DigitImages::drawFigure(int size, int index) {
    QImage image(imageWidth(size, index), 9 * size, QImage::Format_RGB32);
    image.fill(kDefaultGround);
    if (index == kEndPiece)
        return image;

    const CellRoles& roles = cellRoles();
    const unsigned lit = index < 10 ? kLitSegments[index] : 0u;
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        const int y3 = toSize3(y, size);
        for (int x = 0; x < image.width(); ++x) {
            const int x3 = toSize3(x, size);
            if (index == kColon) {
                if (colonLit3(x3, y3))
                    line[x] = kDefaultLine;
                continue;
            }
            const int segment = roles[y3][x3];
            if (segment == kNoSegment)
                continue;
            if (lit & (1u << segment))
                line[x] = kDefaultLine;
            else if ((x + y) % 2 == 0)
                line[x] = kDefaultShadow;
        }
    }
    return image;
}

void DigitImages::recolour(QRgb from, QRgb to) {
    from |= 0xff000000;
    to |= 0xff000000;
    if (from == to)
        return;
    for (auto& set : images_) {
        for (QImage& image : set) {
            for (int y = 0; y < image.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    if (line[x] == from)
                        line[x] = to;
            }
        }
    }
}
