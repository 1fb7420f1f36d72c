#pragma once
// The names of the genre numbers that a tag's genre byte holds.
//
// Indexes 0 to 79 are the genres of the ID3v1 standard, 80 to 115 the first entries of
// its common extension. The names are the exact texts shown, matched and written back,
// old spellings included (67 is "Psychadelic", 93 "Psychedelic Rock"). The table is
// built on first use and never changes; every call is cheap and may come from any thread.

#include <QString>
#include <QStringList>
#include <QStringView>

class GenreTable {
public:
    // Number of named genres; a genre index is 0 to kCount - 1.
    static constexpr int kCount = 116;
    // The index that stands for "no genre".
    static constexpr int kNone = -1;
    // The tag byte that stands for "no genre".
    static constexpr unsigned char kNoGenreByte = 255;

    // The name of a genre, or an empty string for any index outside 0 to kCount - 1.
    static const QString& name(int index);

    // The first index, counting from 0, whose name equals name exactly (case matters),
    // or kNone.
    static int indexOf(QStringView name);

    // All names in index order, for filling a choice box.
    static const QStringList& names();

    // The genre index a tag byte stands for: the byte itself below kCount, else kNone.
    static int fromByte(unsigned char byte) { return byte < kCount ? byte : kNone; }

    // The tag byte for a genre index: the index for a named genre, else kNoGenreByte.
    static unsigned char toByte(int index) {
        return index >= 0 && index < kCount ? static_cast<unsigned char>(index) : kNoGenreByte;
    }
};
