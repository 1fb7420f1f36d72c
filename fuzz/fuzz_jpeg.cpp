// The cover decoder on arbitrary bytes, at full size and scaled down for display: an error
// text and a null picture, or a picture within the size bound; never a crash or an exit.

#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "core/JpegCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    for (const int shown : {0, 60}) {
        const JpegCodec::Decoded decoded = JpegCodec::decode(bytes, shown, shown);
        if (!decoded.ok()) {
            FUZZ_CHECK(!decoded.error.isEmpty() || decoded.picture.isNull());
            continue;
        }
        const Picture& p = decoded.picture;
        FUZZ_CHECK(p.width <= JpegCodec::kMaxSide && p.height <= JpegCodec::kMaxSide);
        FUZZ_CHECK(p.pixels.size() == qsizetype(p.width) * p.height * Picture::kBytesPerPixel);
        FUZZ_CHECK(p.width <= decoded.fullWidth && p.height <= decoded.fullHeight);
    }
    return 0;
}
