#pragma once
// A decoder notification as it reaches the GUI thread: a QEvent whose type is the
// notification number, carrying the fixed 16-byte payload record. The record starts with
// the notification number as int32; the fields each notification fills are listed in
// DecoderCodes.h. Besides the record, an event carries the load number of the OpenInput it
// belongs to (set by the decoder when it posts). Events are created on the decoder thread and
// handed to QCoreApplication::postEvent, which takes ownership.

#include <QEvent>
#include <array>
#include <cstdint>
#include <cstring>

#include "DecoderCodes.h"

class DecoderEvent : public QEvent {
public:
    using Record = std::array<std::uint8_t, 16>;

    DecoderEvent(decoder::Notification n, const Record& record)
        : QEvent(static_cast<QEvent::Type>(static_cast<int>(n))), record_(record) {}

    decoder::Notification notification() const {
        return static_cast<decoder::Notification>(static_cast<int>(type()));
    }
    const Record& record() const { return record_; }
    // The number of the OpenInput this notification belongs to.
    std::uint32_t load() const { return load_; }
    DecoderEvent* setLoad(std::uint32_t load) {
        load_ = load;
        return this;
    }

    std::int32_t int32At(std::size_t offset) const { return read<std::int32_t>(offset); }
    std::uint16_t uint16At(std::size_t offset) const { return read<std::uint16_t>(offset); }
    std::uint8_t uint8At(std::size_t offset) const { return record_.at(offset); }

    // True for the event types that carry decoder notifications.
    static bool isNotification(int type) { return type >= 0x9015 && type <= 0x901F; }

    // --- Builders, one per notification -------------------------------------------
    static DecoderEvent* end() { return make(decoder::Notification::End); }
    static DecoderEvent* state(int state) {
        return make(decoder::Notification::State)->put<std::int32_t>(4, state);
    }
    static DecoderEvent* duration(int seconds) {
        return make(decoder::Notification::Duration)->put<std::int32_t>(4, seconds);
    }
    static DecoderEvent* position() { return make(decoder::Notification::Position); }
    static DecoderEvent* timeCode(int hours, int minutes, int seconds) {
        return make(decoder::Notification::TimeCode)
            ->put<std::int32_t>(4, hours)
            ->put<std::int32_t>(8, minutes)
            ->put<std::int32_t>(12, seconds);
    }
    static DecoderEvent* streamInfo(int version, int layer, int kbps, int hz, int mode) {
        return make(decoder::Notification::StreamInfo)
            ->put<std::uint8_t>(4, static_cast<std::uint8_t>(version))
            ->put<std::uint8_t>(5, static_cast<std::uint8_t>(layer))
            ->put<std::uint16_t>(6, static_cast<std::uint16_t>(kbps))
            ->put<std::uint16_t>(8, static_cast<std::uint16_t>(hz))
            ->put<std::uint8_t>(10, static_cast<std::uint8_t>(mode));
    }
    static DecoderEvent* trackFailed(decoder::FailReason reason) {
        return make(decoder::Notification::TrackFailed)
            ->put<std::int32_t>(4, static_cast<int>(reason));
    }
    static DecoderEvent* balance(int balance) {
        return make(decoder::Notification::Balance)->put<std::int32_t>(4, balance);
    }
    static DecoderEvent* volume(int volume) {
        return make(decoder::Notification::Volume)->put<std::int32_t>(8, volume);
    }

private:
    template <typename T>
    T read(std::size_t offset) const {
        T value{};
        if (offset + sizeof(T) <= record_.size()) {
            std::memcpy(&value, record_.data() + offset, sizeof(T));
        }
        return value;
    }
    template <typename T>
    DecoderEvent* put(std::size_t offset, T value) {
        std::memcpy(record_.data() + offset, &value, sizeof(T));
        return this;
    }
    static DecoderEvent* make(decoder::Notification n) {
        Record record{};
        const std::int32_t code = static_cast<int>(n);
        std::memcpy(record.data(), &code, sizeof code);
        return new DecoderEvent(n, record);
    }

    Record record_;
    std::uint32_t load_ = 0;
};
