#pragma once
// Windows-1252, the single-byte code page in which tag texts are stored.
//
// Decoding never fails: every byte has a character. The bytes 0x80 to 0x9F that carry
// typographic characters map to them (0x80 is U+20AC), and the five bytes the code page
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the control characters of the
// same number, so that they survive a round trip. Encoding gives every character its
// byte and writes "?" for a character that has none (one "?" per code point, also for a
// character outside the Basic Multilingual Plane). Both directions are table driven and
// allocate nothing beyond the result.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace Cp1252 {

// The character that stands for a character without a byte.
inline constexpr char kReplacementByte = '?';

// The character of one byte.
char16_t toUnicode(unsigned char byte);

// The byte of one UTF-16 unit, or kReplacementByte when the code page has none.
char fromUnicode(char16_t unit);

// Decodes size bytes into a string of size characters.
QString decode(const char* bytes, qsizetype size);
inline QString decode(QByteArrayView bytes) {
    return decode(bytes.data(), bytes.size());
}

// Encodes text into at most capacity bytes at out and returns how many were written;
// characters beyond the capacity are dropped.
qsizetype encodeInto(QStringView text, char* out, qsizetype capacity);

// Encodes the whole text.
QByteArray encode(QStringView text);

}  // namespace Cp1252
