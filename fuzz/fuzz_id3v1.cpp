// The ID3v1 readers on a file's bytes: the three readers agree with one another, keep to
// the field widths, and a tag read, written and read again is the same tag.

#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "core/Id3v1Tag.h"

namespace {

bool isTrimmed(const QString& text) {
    return text.isEmpty() || (text.front() > QLatin1Char(' ') && text.back() > QLatin1Char(' '));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Id3v1Block block;
    if (!tagBlockAt(QByteArrayView(data, static_cast<qsizetype>(size)), block)) {
        return 0;
    }
    const Id3v1Tag tag = decodeTag(block);
    const InfoTag info = decodeInfoTag(block);
    bool named = false;
    const auto [artist, title] = decodeDialogTitles(block, &named);

    const QString texts[] = {tag.title, tag.artist, tag.album, tag.comment};
    for (const QString& text : texts) {
        FUZZ_CHECK(text.size() <= Id3v1Block::kTextWidth && !text.contains(QChar(0)));
    }
    FUZZ_CHECK(tag.year.size() <= Id3v1Block::kYearWidth);
    FUZZ_CHECK(tag.genre == GenreTable::kNone ||
               (tag.genre >= 0 && tag.genre < GenreTable::kCount));

    const std::pair<QString, QString> shown[] = {{tag.title, info.title},
                                                 {tag.artist, info.artist},
                                                 {tag.album, info.album},
                                                 {tag.year, info.year},
                                                 {tag.comment, info.comment}};
    for (const auto& [whole, trimmed] : shown) {
        FUZZ_CHECK(isTrimmed(trimmed) && whole.contains(trimmed));
    }
    FUZZ_CHECK(info.genre == tag.genre && !info.fallback);
    FUZZ_CHECK(artist == info.artist && title == info.title);
    FUZZ_CHECK(named == (!tag.artist.isEmpty() || !tag.title.isEmpty()));

    const TagFields fields{tag.artist,  tag.title, tag.year,
                           tag.comment, tag.album, GenreTable::name(tag.genre)};
    const Id3v1Tag again = decodeTag(encodeTag(fields));
    FUZZ_CHECK(again.title == tag.title && again.artist == tag.artist && again.album == tag.album &&
               again.year == tag.year && again.comment == tag.comment && again.genre == tag.genre);
    return 0;
}
