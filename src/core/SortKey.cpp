#include "SortKey.h"

#include <string_view>

namespace {

// The characters Windows-1252 keeps at 0x80 to 0x9F, in byte order; 0 marks the five
// bytes the code page leaves undefined.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The unit a character ranks as: its Windows-1252 byte for the characters above, else
// itself (which for ASCII and Latin-1 is the byte as well).
char16_t rank(char16_t unit) {
    if (unit < 0x100) {
        return unit;
    }
    for (int i = 0; i < 32; ++i) {
        if (kCp1252High[i] == unit) {
            return char16_t(0x80 + i);
        }
    }
    return unit;
}

}  // namespace

namespace SortKey {

QString normalized(QStringView cell, const QLocale& locale) {
    QString upper = locale.toUpper(cell.toString());
    for (QChar& c : upper) {
        c = QChar(rank(c.unicode()));
    }
    return upper;
}

QString make(QStringView primary, QStringView secondary, const QLocale& locale) {
    QString key = normalized(primary, locale);
    if (key.size() < kPadBelowLength) {
        key.append(QString(kPaddedLength - key.size(), QLatin1Char(' ')));
    }
    key.append(normalized(secondary, locale));
    return key;
}

int compare(QStringView a, QStringView b) {
    const std::u16string_view left(a.utf16(), size_t(a.size()));
    const std::u16string_view right(b.utf16(), size_t(b.size()));
    return left.compare(right);
}

}  // namespace SortKey
