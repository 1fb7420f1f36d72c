// The list-file readers on arbitrary bytes: the row format, M3U and PLS, chosen by the
// input's length, with every entry counted as an existing file so that nothing is looked
// up on disk.

#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "core/ListFile.h"

namespace {

// Text read from a list is one line: no line end survives into a cell or a path.
bool isOneLine(const QString& text) {
    return !text.contains(u'\r') && !text.contains(u'\n');
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    static const QString kNames[] = {QStringLiteral("/lists/fuzz.ply"),
                                     QStringLiteral("/lists/fuzz.m3u"),
                                     QStringLiteral("/lists/fuzz.pls")};
    const QString& name = kNames[size % 3];
    ListFileContent content;
    try {
        content = parseListFile(bytes, name, [](const QString&) { return true; });
    } catch (const SonvoxError&) {
        return 0;  // refused as a whole (a limit): allowed
    }
    if (content.kind == ListFileContent::Kind::Rows) {
        FUZZ_CHECK(size % 3 == 0 && content.paths.isEmpty());
        FUZZ_CHECK(content.groups.size() <= kMaxListEntries);
        for (const TrackRow& row : content.groups) {
            for (const QString& cell : row) {
                FUZZ_CHECK(isOneLine(cell) && cell.size() <= kMaxListLineBytes);
            }
            const QString& file = row[TrackColumn::Filename];
            FUZZ_CHECK(file.isEmpty() || file.startsWith(u'/'));
        }
        const QList<TrackRow> kept = rowsToKeep(content.groups, false);
        FUZZ_CHECK(kept.size() < content.groups.size() || content.groups.isEmpty());
    } else {
        FUZZ_CHECK(size % 3 != 0 && content.groups.isEmpty());
        FUZZ_CHECK(content.paths.size() <= kMaxListEntries);
        // A file URL may name a file with a line break (percent-encoded); a path never
        // comes back relative or empty.
        for (const QString& path : content.paths) {
            FUZZ_CHECK(!path.isEmpty() && path.startsWith(u'/'));
        }
    }
    return 0;
}
