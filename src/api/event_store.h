// The run log as the automation interface serves it: every row the panel
// appends gets the next id (1, 2, 3...), with its time as local RFC 3339 and
// its kind as an English word. The interface thread appends; the server
// thread reads. The store keeps the newest rows up to its capacity; a reader
// whose place is older than that learns which ids are gone (a gap).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace vuv::api {

inline constexpr std::size_t kEventStoreCapacity = 20000;

struct StoredEvent {
    std::uint64_t id = 0;
    std::string time;  // RFC 3339, local with the offset
    std::uint32_t pid = 0;
    std::string_view kind;  // notice, link, page, ... (static text)
    std::string content;    // GBK
};

// The English word for a run-log kind (a text of common/texts.h); "other"
// for one this version does not know.
[[nodiscard]] std::string_view eventKindOf(std::string_view logKind) noexcept;

class EventStore {
public:
    explicit EventStore(std::size_t capacity = kEventStoreCapacity) : capacity_(capacity > 0 ? capacity : 1) {}

    // Any thread. Gives the row the next id and returns it.
    std::uint64_t append(std::string time, std::uint32_t pid, std::string_view logKind, std::string_view content);

    [[nodiscard]] std::uint64_t lastId() const;

    struct Page {
        // Ids after the reader's place that are no longer held: from..to
        // (both 0 when none is missing).
        std::uint64_t gapFrom = 0;
        std::uint64_t gapTo = 0;
        std::vector<StoredEvent> rows;  // consecutive ids
        std::uint64_t lastId = 0;       // the newest id at the moment of reading
    };
    // The rows after id `after`, at most limit of them. A place beyond the
    // newest id (a reader of an earlier run of the panel, whose ids started
    // again from 1) reads from the start.
    [[nodiscard]] Page after(std::uint64_t after, std::size_t limit) const;

    // Told after every append, on the appending thread, outside the lock;
    // it must not block. One listener; empty to remove it.
    void setListener(std::function<void()> listener);

private:
    const std::size_t capacity_;
    mutable std::mutex mutex_;
    std::deque<StoredEvent> rows_;
    std::uint64_t lastId_ = 0;
    std::function<void()> listener_;
};

// "YYYY-MM-DDTHH:MM:SS+hh:mm" of the given moment in local time.
[[nodiscard]] std::string localTimeText(std::int64_t unixSeconds);
// The same for the local day of `unixSeconds` at a time of that day given in
// seconds since local midnight (what the run log keeps); the moment itself
// when secondsOfDay is outside 0..86399.
[[nodiscard]] std::string localTimeTextAt(std::int64_t unixSeconds, std::int32_t secondsOfDay);
// The local day of a moment, for many times of that day: what the local-time
// functions give is looked up once.
class LocalDay {
public:
    explicit LocalDay(std::int64_t unixSeconds);
    [[nodiscard]] std::int64_t moment() const noexcept { return moment_; }
    // As localTimeTextAt(moment(), secondsOfDay).
    [[nodiscard]] std::string at(std::int32_t secondsOfDay) const;

private:
    std::int64_t moment_;
    int year_ = 1970, month_ = 1, day_ = 1, hour_ = 0, minute_ = 0, second_ = 0, offset_ = 0;
};

// The text for a time and the offset of local time from UTC in seconds.
[[nodiscard]] std::string timeText(int year, int month, int day, int hour, int minute, int second, int offsetSeconds);

}  // namespace vuv::api
