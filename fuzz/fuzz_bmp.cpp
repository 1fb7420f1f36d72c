// The bitmap reader of the cover import on arbitrary bytes: an error text and a null
// picture, or a picture within the size bound.

#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "core/BmpReader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QString error;
    const Picture p = BmpReader::read(QByteArrayView(data, static_cast<qsizetype>(size)), &error);
    if (p.isNull()) {
        FUZZ_CHECK(!error.isEmpty());
        return 0;
    }
    FUZZ_CHECK(p.width <= BmpReader::kMaxSide && p.height <= BmpReader::kMaxSide);
    FUZZ_CHECK(p.pixels.size() == qsizetype(p.width) * p.height * Picture::kBytesPerPixel);
    return 0;
}
