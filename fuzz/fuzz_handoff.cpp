// The hand-off messages as the running player receives them: everything one connection
// sent, split into frames and messages; each message taken encodes and decodes to itself,
// and a list hand-off's names give the same names again.

#include <cstddef>
#include <cstdint>

#include "FuzzCheck.h"
#include "core/InstanceFrame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(data, static_cast<qsizetype>(size));
    bool complete = false;
    const QList<InstanceMessage> messages = InstanceFrame::decodeStream(bytes, &complete);

    QByteArray again;
    for (const InstanceMessage& message : messages) {
        const QByteArray frame = InstanceFrame::encode(message);
        FUZZ_CHECK(!frame.isEmpty() && frame.size() <= bytes.size());
        again += frame;
        if (message.name == InstanceFrame::kPlaylistName ||
            message.name == InstanceFrame::kSelectionName) {
            const std::optional<QStringList> names = InstanceFrame::parseEncoderList(message.text);
            if (names) {
                FUZZ_CHECK(!names->contains(QString()));
                FUZZ_CHECK(InstanceFrame::parseEncoderList(
                               InstanceFrame::encoderListText(*names)) == names);
            }
        }
    }
    bool wholeAgain = false;
    FUZZ_CHECK(InstanceFrame::decodeStream(again, &wholeAgain) == messages && wholeAgain);
    return 0;
}
