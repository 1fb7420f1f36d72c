// The settings file: every section and key the enumeration finds reads back through the
// key lookup; written back over the file, and written into an empty file, the values
// parse again to the same sections, keys and values.

#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "core/Profile.h"

namespace {

// Each key checked costs a pass over the file; beyond this many the rest are only parsed.
constexpr int kMaxCheckedEntries = 3;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QList<Profile::Section> first = Profile::sections(bytes);

    // A lone surrogate never comes out of the UTF-8 decoder, so it cannot be a value.
    const QString absent(QChar(0xD800));
    QByteArray rewritten = bytes;
    QByteArray fresh;
    QList<Profile::Section> writable;  // a value holding a line break cannot be written
    int checked = 0;
    for (const Profile::Section& section : first) {
        Profile::Section kept{section.name, {}};
        for (const Profile::Entry& entry : section.entries) {
            if (++checked > kMaxCheckedEntries) {
                break;
            }
            FUZZ_CHECK(Profile::valueIn(bytes, section.name, entry.key, absent) == entry.value);
            if (Profile::writeValue(rewritten, section.name, entry.key, entry.value)) {
                FUZZ_CHECK(Profile::writeValue(fresh, section.name, entry.key, entry.value));
                kept.entries.append(entry);
            }
        }
        if (!kept.entries.isEmpty()) {
            writable.append(kept);
        }
    }
    FUZZ_CHECK(Profile::sections(rewritten) == first);
    FUZZ_CHECK(Profile::sections(fresh) == writable);
    return 0;
}
