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

bool isAscii(QByteArrayView bytes) {
    for (const char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            return false;
        }
    }
    return true;
}

// A unit in one to three bytes, as UTF-8 would write a code point of that value (a lone
// surrogate included), so that byte order is unit order.
void appendUnit(std::string& out, char16_t unit) {
    if (unit < 0x80) {
        out.push_back(char(unit));
    } else if (unit < 0x800) {
        out.push_back(char(0xC0 | (unit >> 6)));
        out.push_back(char(0x80 | (unit & 0x3F)));
    } else {
        out.push_back(char(0xE0 | (unit >> 12)));
        out.push_back(char(0x80 | ((unit >> 6) & 0x3F)));
        out.push_back(char(0x80 | (unit & 0x3F)));
    }
}

// Appends the cell's normalized units; returns how many.
qsizetype appendCell(std::string& out, QByteArrayView utf8, bool asciiFast, const QLocale& locale) {
    if (asciiFast && isAscii(utf8)) {
        const size_t at = out.size();
        out.resize(at + size_t(utf8.size()));
        char* unit = out.data() + at;
        for (const char c : utf8) {
            *unit++ = c >= 'a' && c <= 'z' ? char(c - ('a' - 'A')) : c;
        }
        return utf8.size();
    }
    const QString units = SortKey::normalized(QString::fromUtf8(utf8), locale);
    for (const QChar c : units) {
        appendUnit(out, c.unicode());
    }
    return units.size();
}

}  // namespace

namespace SortKey {

void appendKeyBytes(std::string& out, QByteArrayView primaryUtf8, QByteArrayView secondaryUtf8,
                    const QLocale& locale) {
    const bool asciiFast =
        locale.language() != QLocale::Turkish && locale.language() != QLocale::Azerbaijani;
    const qsizetype length = appendCell(out, primaryUtf8, asciiFast, locale);
    if (length < kPadBelowLength) {
        out.append(size_t(kPaddedLength - length), ' ');
    }
    appendCell(out, secondaryUtf8, asciiFast, locale);
}

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
