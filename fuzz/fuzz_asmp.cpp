// The header titles ("asmp" at offset 36) on a file's first bytes.

#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "core/Cp1252.h"
#include "core/Id3v1Tag.h"

namespace {

// A header title is a prefix of the 30 bytes from offset at, without two spaces in a row.
bool isHeaderText(const QString& text, QByteArrayView file, qsizetype at) {
    const QByteArrayView field = file.size() > at
                                     ? file.sliced(at).first(qMin<qsizetype>(30, file.size() - at))
                                     : QByteArrayView();
    return text.size() <= 30 && Cp1252::decode(field).startsWith(text) &&
           !text.contains(QLatin1String("  "));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView file(data, static_cast<qsizetype>(size));
    QString artist = QStringLiteral("unchanged");
    QString title = QStringLiteral("unchanged");
    const bool found = decodeHeaderTitles(file, artist, title);
    FUZZ_CHECK(found == (file.size() >= 40 && file.sliced(36, 4) == "asmp"));
    if (!found) {
        FUZZ_CHECK(artist == QLatin1String("unchanged") && title == QLatin1String("unchanged"));
        return 0;
    }
    FUZZ_CHECK(isHeaderText(title, file, 40));
    FUZZ_CHECK(isHeaderText(artist, file, 72));
    return 0;
}
