#include "Cp1252.h"

#include <array>

namespace Cp1252 {
namespace {

// Characters of the bytes 0x80 to 0x9F; the undefined bytes keep their own number.
constexpr std::array<char16_t, 32> kHighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 0x80
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 0x88
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 0x90
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 0x98
};

constexpr std::array<char16_t, 256> makeDecodeTable() {
    std::array<char16_t, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        table[byte] = static_cast<char16_t>(byte);
    }
    for (int i = 0; i < 32; ++i) {
        table[0x80 + i] = kHighControls[i];
    }
    return table;
}

constexpr std::array<char16_t, 256> kDecode = makeDecodeTable();

// Bytes of U+0000 to U+00FF; 0 marks a character without a byte (U+0000 itself is
// handled before the lookup).
constexpr std::array<unsigned char, 256> makeLatinEncodeTable() {
    std::array<unsigned char, 256> table{};
    for (int byte = 0; byte < 256; ++byte) {
        if (kDecode[byte] < 256) {
            table[kDecode[byte]] = static_cast<unsigned char>(byte);
        }
    }
    return table;
}

constexpr std::array<unsigned char, 256> kLatinEncode = makeLatinEncodeTable();

bool isHighSurrogate(char16_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
bool isLowSurrogate(char16_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

}  // namespace

char16_t toUnicode(unsigned char byte) {
    return kDecode[byte];
}

char fromUnicode(char16_t unit) {
    if (unit == 0) {
        return 0;
    }
    if (unit < 256) {
        const unsigned char byte = kLatinEncode[unit];
        return byte != 0 ? static_cast<char>(byte) : kReplacementByte;
    }
    // The 27 characters above U+00FF that the code page holds, all in 0x80 to 0x9F.
    for (int i = 0; i < 32; ++i) {
        if (kHighControls[i] == unit) {
            return static_cast<char>(0x80 + i);
        }
    }
    return kReplacementByte;
}

QString decode(const char* bytes, qsizetype size) {
    QString text(size, Qt::Uninitialized);
    char16_t* out = reinterpret_cast<char16_t*>(text.data());
    for (qsizetype i = 0; i < size; ++i) {
        out[i] = kDecode[static_cast<unsigned char>(bytes[i])];
    }
    return text;
}

qsizetype encodeInto(QStringView text, char* out, qsizetype capacity) {
    const char16_t* units = text.utf16();
    const qsizetype count = text.size();
    qsizetype written = 0;
    for (qsizetype i = 0; i < count && written < capacity; ++i) {
        const char16_t unit = units[i];
        if (isHighSurrogate(unit) && i + 1 < count && isLowSurrogate(units[i + 1])) {
            ++i;  // the pair is one character, and it has no byte
            out[written++] = kReplacementByte;
            continue;
        }
        out[written++] = fromUnicode(unit);
    }
    return written;
}

QByteArray encode(QStringView text) {
    QByteArray bytes(text.size(), Qt::Uninitialized);
    bytes.truncate(encodeInto(text, bytes.data(), bytes.size()));
    return bytes;
}

}  // namespace Cp1252
