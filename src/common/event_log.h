// The run log: the rows behind the run-log page, one per event of the panel
// (a notification received, a browser started, a command sent...).
//
// A row holds the time as seconds since local midnight, the browser's
// process id (0 when the event concerns no browser), the kind of event (one
// of the texts of texts.h, section "Run log events") and a content text, all
// text GBK bytes. A received text is kept only up to its first
// kEventContentChars characters, so a page source cannot swell the log.
//
// The log holds at most its capacity of rows and drops the oldest first. It
// is a ring: appending costs constant time (amortized while the log fills),
// and once the log is full no append allocates row storage again (a row's text buffers are reused too
// when the new texts fit them).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vuv {

inline constexpr std::size_t kEventLogCapacity = 100000;
inline constexpr std::size_t kEventContentChars = 200;

struct EventRow {
    std::int32_t seconds = -1;  // since local midnight; -1 when unknown
    std::uint32_t pid = 0;      // 0: no browser
    std::string kind;
    std::string content;
};

// The first maxChars characters of a GBK text. A double-byte character
// counts as one and is never split; a lead byte at the very end of the text
// counts as a character of its own.
[[nodiscard]] std::string_view firstGbkChars(std::string_view text, std::size_t maxChars) noexcept;

// "HH:MM:SS" of a time of day given in seconds since midnight; empty for -1
// (unknown) and for every other value outside 0..86399.
[[nodiscard]] std::string clockText(std::int32_t secondsSinceMidnight);

class EventLog {
public:
    // A capacity below 1 counts as 1.
    explicit EventLog(std::size_t capacity = kEventLogCapacity) noexcept : capacity_(capacity > 0 ? capacity : 1) {}

    // Appends a row, content cut to kEventContentChars characters; when the
    // log is full the oldest row makes room.
    void append(std::int32_t seconds, std::uint32_t pid, std::string_view kind, std::string_view content);

    [[nodiscard]] std::size_t size() const noexcept { return rows_.size(); }
    [[nodiscard]] std::size_t capacity() const noexcept { return capacity_; }
    // Row i, oldest first. Precondition: i < size().
    [[nodiscard]] const EventRow& at(std::size_t i) const noexcept;
    // Drops every row and gives their memory back.
    void clear() noexcept;

    // The rows, oldest first, as GBK text: one row a line ended by CR LF,
    // fields separated by TAB in the order time (clockText), browser (the
    // process id, empty for 0), event, content; no header line. Inside a
    // field every TAB, CR and LF becomes a blank, and so does a lead byte
    // left without its trail byte at the end of a field, which a GBK reader
    // would otherwise pair with the TAB or CR that follows.
    [[nodiscard]] std::string exportText() const;

private:
    std::vector<EventRow> rows_;
    std::size_t oldest_ = 0;  // index in rows_ of row 0 once the log is full
    std::size_t capacity_;
};

}  // namespace vuv
