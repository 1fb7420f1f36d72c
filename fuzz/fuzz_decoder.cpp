// Arbitrary bytes opened as a track: opening either fails or gives sound facts, and
// decoding, seeking and decoding on stay within the stream.

#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "core/Mpg123Source.h"

namespace {

// Enough frames to cross several frame boundaries without decoding long inputs whole.
constexpr int kMaxFramesDecoded = 64;

void decodeSome(Mpg123Source& source) {
    for (int i = 0; i < kMaxFramesDecoded; ++i) {
        const std::int64_t before = source.position();
        const std::span<const std::int16_t> samples = source.decodeFrame();
        if (samples.empty()) {
            return;
        }
        FUZZ_CHECK(samples.size() % 2 == 0);
        FUZZ_CHECK(source.position() == before + static_cast<std::int64_t>(samples.size() / 2));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Mpg123Source source;
    FUZZ_CHECK(source.valid());
    if (!source.openMemory({data, size})) {
        FUZZ_CHECK(!source.isOpen());
        return 0;
    }
    const StreamFacts& facts = source.facts();
    FUZZ_CHECK(facts.version == 1 || facts.version == 2 || facts.version == 25);
    FUZZ_CHECK(facts.layer >= 1 && facts.layer <= 3);
    FUZZ_CHECK(facts.rateHz > 0 && facts.lengthFrames > 0 && facts.kbps >= 0);
    FUZZ_CHECK(facts.channelMode >= 0 && facts.channelMode <= 3);

    decodeSome(source);
    const std::int64_t middle = source.seek(facts.lengthFrames / 2);
    FUZZ_CHECK(middle >= 0 && middle <= facts.lengthFrames);
    decodeSome(source);
    FUZZ_CHECK(source.seek(facts.lengthFrames * 2) <= facts.lengthFrames);
    decodeSome(source);
    source.close();
    FUZZ_CHECK(!source.isOpen());
    return 0;
}
