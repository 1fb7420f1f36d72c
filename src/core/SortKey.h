#pragma once
// Sort keys of the list grid's two-column sort. Windowless: no widget header here.
//
// A row's key is P + S. P is the primary cell upper-cased with the locale's rules and, when
// it is shorter than 50 characters, padded with blanks to 51; from 50 characters on it is
// left as it is. S is the secondary cell upper-cased, not padded. Keys compare unit by unit
// as unsigned values, a proper prefix being the smaller. Because the blank sorts below
// every letter and digit, this gives:
//   - empty cells first ("" before "1975"),
//   - a prefix before its extensions ("AB" before "ABC" before "ABD"),
//   - case ignored ("abc" and "ABC" are equal, also "ärzte" and "ÄRZTE"),
//   - years as text ("1975" before "1998", and "999" after both),
//   - rows with equal primary cells ordered by the secondary cell.
//
// Non-ASCII text. Upper-casing is QLocale::toUpper, so umlauts and accents fold with their
// capitals and "ß" becomes "SS" (so "Straße" equals "STRASSE"). The compared units are
// ordered as the Windows-1252 bytes of the same text would be: Latin-1 letters keep their
// code (Ä 0xC4, Ö 0xD6, Ü 0xDC, so umlauts follow Z), and the typographic characters the
// code page keeps at 0x80 to 0x9F (€, Š, Œ, Ž, Ÿ, dashes, quotes) are ranked there. Any
// other character ranks by its UTF-16 code unit, above all of those.

#include <QLocale>
#include <QString>
#include <QStringView>
#include <string>

namespace SortKey {

// Primary cells shorter than this are padded; from this length on they are not.
inline constexpr int kPadBelowLength = 50;
// The length a padded primary cell has.
inline constexpr int kPaddedLength = 51;

// The cell upper-cased and ranked as described above.
QString normalized(QStringView cell, const QLocale& locale = QLocale());

// The key of a row with the given primary and secondary cells.
QString make(QStringView primary, QStringView secondary, const QLocale& locale = QLocale());

// Negative, zero or positive as a sorts before, with or after b.
int compare(QStringView a, QStringView b);

// The key make() gives for two cells held as UTF-8, appended to out as bytes that compare
// as the key does under memcmp (each unit written as UTF-8 writes a code point of that
// value, which keeps the order; a proper prefix is the smaller). For sorting many rows: cells of
// plain ASCII are upper-cased without a trip through the locale, except in locales whose
// upper-casing of ASCII differs (Turkish, Azerbaijani), and nothing is allocated for them.
void appendKeyBytes(std::string& out, QByteArrayView primaryUtf8, QByteArrayView secondaryUtf8,
                    const QLocale& locale = QLocale());

}  // namespace SortKey
