#pragma once
// A receiver for decoder notifications that keeps each one with the time it arrived, for
// the decoder tests.

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <optional>

#include "core/DecoderEvent.h"

class NotificationLog : public QObject {
public:
    struct Entry {
        decoder::Notification what;
        DecoderEvent::Record record;
        qint64 atMs;  // since the log was made or last cleared
        std::uint32_t load;
    };

    NotificationLog() { clock_.start(); }

    const QList<Entry>& entries() const { return entries_; }
    void clear() {
        entries_.clear();
        clock_.restart();
    }
    qint64 elapsedMs() const { return clock_.elapsed(); }

    int count(decoder::Notification what) const {
        int n = 0;
        for (const Entry& e : entries_) {
            n += e.what == what ? 1 : 0;
        }
        return n;
    }
    std::optional<Entry> last(decoder::Notification what) const {
        for (auto it = entries_.crbegin(); it != entries_.crend(); ++it) {
            if (it->what == what) {
                return *it;
            }
        }
        return std::nullopt;
    }
    // The int32 payload at `offset` of every notification of one kind, in arrival order.
    QList<int> values(decoder::Notification what, int offset = 4) const {
        QList<int> result;
        for (const Entry& e : entries_) {
            if (e.what == what) {
                result.append(int32At(e, offset));
            }
        }
        return result;
    }
    QList<int> states() const { return values(decoder::Notification::State); }
    // Time codes as seconds (hours, minutes and seconds added up).
    QList<int> timeCodes() const {
        QList<int> result;
        for (const Entry& e : entries_) {
            if (e.what == decoder::Notification::TimeCode) {
                result.append(int32At(e, 4) * 3600 + int32At(e, 8) * 60 + int32At(e, 12));
            }
        }
        return result;
    }
    // When the first time code of `seconds` arrived, or -1.
    qint64 timeCodeAt(int seconds) const {
        for (const Entry& e : entries_) {
            if (e.what == decoder::Notification::TimeCode &&
                int32At(e, 4) * 3600 + int32At(e, 8) * 60 + int32At(e, 12) == seconds) {
                return e.atMs;
            }
        }
        return -1;
    }
    static int int32At(const Entry& e, int offset) {
        std::int32_t value = 0;
        std::memcpy(&value, e.record.data() + offset, sizeof value);
        return value;
    }

protected:
    bool event(QEvent* event) override {
        if (DecoderEvent::isNotification(event->type())) {
            const auto* n = static_cast<DecoderEvent*>(event);
            entries_.append({n->notification(), n->record(), clock_.elapsed(), n->load()});
            return true;
        }
        return QObject::event(event);
    }

private:
    QList<Entry> entries_;
    QElapsedTimer clock_;
};
