// The ID3v1 writer on arbitrary texts: what is read back is each text as the writer stores
// it, in Windows-1252 ("?" for a character it lacks), cut at the field's width and ended
// at the first byte 0; the genre is the named one or none.
//
// Input: six fields, each one length byte (in UTF-16 units) and that many units, little
// endian, so any character, lone surrogates included, can reach the writer.

#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "core/Cp1252.h"
#include "core/Id3v1Tag.h"

namespace {

QString takeText(const std::uint8_t*& data, std::size_t& size) {
    if (size == 0) {
        return {};
    }
    const std::size_t units = std::min<std::size_t>(data[0], (size - 1) / 2);
    QString text(static_cast<qsizetype>(units), Qt::Uninitialized);
    for (std::size_t i = 0; i < units; ++i) {
        text[static_cast<qsizetype>(i)] =
            QChar(static_cast<char16_t>(data[1 + 2 * i] | data[2 + 2 * i] << 8));
    }
    data += 1 + 2 * units;
    size -= 1 + 2 * units;
    return text;
}

QString stored(const QString& text, qsizetype width) {
    QByteArray bytes = Cp1252::encode(text).left(width);
    const qsizetype zero = bytes.indexOf('\0');
    if (zero >= 0) {
        bytes.truncate(zero);
    }
    return Cp1252::decode(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    TagFields fields;
    fields.artist = takeText(data, size);
    fields.title = takeText(data, size);
    fields.year = takeText(data, size);
    fields.comment = takeText(data, size);
    fields.album = takeText(data, size);
    fields.genreName = takeText(data, size);

    const Id3v1Block block = encodeTag(fields);
    FUZZ_CHECK(block.hasMarker());
    const Id3v1Tag tag = decodeTag(block);
    FUZZ_CHECK(tag.artist == stored(fields.artist, Id3v1Block::kTextWidth));
    FUZZ_CHECK(tag.title == stored(fields.title, Id3v1Block::kTextWidth));
    FUZZ_CHECK(tag.year == stored(fields.year, Id3v1Block::kYearWidth));
    FUZZ_CHECK(tag.comment == stored(fields.comment, Id3v1Block::kTextWidth));
    FUZZ_CHECK(tag.album == stored(fields.album, Id3v1Block::kTextWidth));
    const int genre = GenreTable::indexOf(fields.genreName);
    FUZZ_CHECK(tag.genre == (fields.genreName.isEmpty() ? GenreTable::kNone : genre));
    FUZZ_CHECK(tag.genre == GenreTable::kNone || GenreTable::name(tag.genre) == fields.genreName);
    return 0;
}
