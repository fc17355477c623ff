// The bookmark table: addresses handed out one at a time to browser copies
// that ask for one, the store behind the virtual list view of the bookmark
// tab.
//
// Every row is either unused or opened. An opened row records which copy it
// was handed to (its holder: a process id and that process's creation time,
// since an id alone may name another process once the first has ended) and
// when (seconds since local midnight). Rows go back to unused all at once
// (resetStates), one by one at the operator's request (returnRows), or when
// the copy holding them has exited (returnLastHandoutsOf). Requests are always served with the first
// unused row in table order, so a row given back is handed out again before
// any unused row after it.
//
// Row indices are positions in the table as shown; appending keeps them,
// removeRows shifts the rows after each removed one up.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace vuv {

// The process a bookmark was handed to. The creation time tells a process
// from a later one that got the same id; 0 when it is not known (a row saved
// before it was recorded, or a process whose times could not be read).
struct BookmarkHolder {
    std::uint32_t processId = 0;
    std::uint64_t started = 0;  // creation time in 100 ns units since 1601 (UTC)

    friend bool operator==(const BookmarkHolder& a, const BookmarkHolder& b) noexcept {
        return a.processId == b.processId && a.started == b.started;
    }
    friend bool operator!=(const BookmarkHolder& a, const BookmarkHolder& b) noexcept { return !(a == b); }
};

struct BookmarkHolderHash {
    std::size_t operator()(const BookmarkHolder& h) const noexcept {
        return std::hash<std::uint64_t>{}(h.started * 0x9E3779B97F4A7C15ull ^ h.processId);
    }
};

// One row as shown. The views point into the table and stay valid until the
// table is next changed.
struct Bookmark {
    std::string_view name;  // always empty: nothing fills it
    std::string_view address;
    bool opened = false;
    std::uint32_t holder = 0;  // process id the row was handed to; 0 when none
    std::int32_t handedAt = -1;  // seconds since local midnight; -1 when none
    std::uint64_t holderStarted = 0;  // the holder's creation time; 0 when none or unknown
};

class BookmarkTable {
public:
    static constexpr std::uint32_t kNoHolder = 0;
    static constexpr std::int32_t kNoTime = -1;
    static constexpr std::int32_t kSecondsPerDay = 24 * 60 * 60;

    struct Handout {
        enum class Kind {
            Open,       // send address to the asking browser; row is now opened
            Reset,      // none was left and loop opening is on: all rows are unused again, nothing opened
            Exhausted,  // none was left and loop opening is off: nothing changed
        };
        Kind kind = Kind::Exhausted;
        std::string address;
        std::size_t row = 0;  // meaningful for Open only
    };

    [[nodiscard]] std::size_t size() const noexcept { return rows_.size(); }
    [[nodiscard]] bool empty() const noexcept { return rows_.empty(); }

    // Precondition for the row accessors: row < size().
    [[nodiscard]] Bookmark at(std::size_t row) const noexcept;
    [[nodiscard]] bool opened(std::size_t row) const noexcept { return rows_[row].opened; }
    // kNoHolder for an unused row, and for an opened one handed out without a process id.
    [[nodiscard]] std::uint32_t holder(std::size_t row) const noexcept { return rows_[row].holder; }
    // The holder's creation time; 0 for an unused row and when not known.
    [[nodiscard]] std::uint64_t holderStarted(std::size_t row) const noexcept { return rows_[row].started; }
    // kNoTime for an unused row, and for an opened one handed out without a time.
    [[nodiscard]] std::int32_t handedAt(std::size_t row) const noexcept { return rows_[row].handedAt; }
    // "已打开" or "未使用".
    [[nodiscard]] std::string_view stateText(std::size_t row) const noexcept;

    // Adds an unused bookmark at the end; the address is kept exactly as given.
    void append(std::string address);
    // Adds unused bookmarks at the end, in the given order.
    void appendAll(std::vector<std::string> addresses);
    // Adds a row as it was saved in a workspace. An unused row never keeps a
    // holder or a time; a time outside a day is kept as kNoTime. An opened
    // row with a holder counts as that holder's last hand-out when it is its
    // latest restored one (by time, then by position), so it comes back like
    // any other once returnLastHandoutsOf finds the holder gone. Whoever
    // decides that must check the creation time: the id may belong to
    // another process by now.
    void appendRestored(std::string address, bool opened, std::uint32_t holder, std::int32_t handedAt,
                        std::uint64_t holderStarted = 0);

    // Removes every row.
    void clear() noexcept;
    // Makes every row unused and forgets all holders, times and last hand-outs.
    void resetStates() noexcept;

    // Serves a request from process pid at time handedAt (seconds since local
    // midnight). Hands out the first unused row in table order: it becomes
    // opened with that holder and time and is remembered as pid's last
    // hand-out (unless pid is kNoHolder). With no unused row left, loop
    // opening resets all states (Kind::Reset, nothing handed out); otherwise
    // nothing changes (Kind::Exhausted). A time outside a day is kept as
    // kNoTime. Never scans the table: O(1) while no row has been given back,
    // O(log k) with k rows given back and not yet handed out again.
    [[nodiscard]] Handout next(bool loopOpening, BookmarkHolder holder, std::int32_t handedAt);
    // The same for a holder whose creation time is not known.
    [[nodiscard]] Handout next(bool loopOpening, std::uint32_t pid, std::int32_t handedAt) {
        return next(loopOpening, BookmarkHolder{pid, 0}, handedAt);
    }

    // Gives the given rows back: each opened one becomes unused, without
    // holder or time. Rows may come in any order; indices past the end and
    // repeated ones are ignored. Returns how many rows changed.
    std::size_t returnRows(const std::vector<std::size_t>& rows);

    // For every holder exited(holder) reports as gone: the last row handed to
    // it goes back to unused. Only the last hand-out is given back: the rows
    // a copy received before it were left behind when it asked for another.
    // exited is called once per holder that still holds its last hand-out
    // (one whose last row was given back, handed on, reset or deleted is
    // forgotten at once). Returns the rows that changed, ascending.
    std::vector<std::size_t> returnLastHandoutsOf(const std::function<bool(const BookmarkHolder&)>& exited);

    // The row most recently handed to the holder, while it still holds it.
    [[nodiscard]] std::optional<std::size_t> lastHandoutOf(const BookmarkHolder& holder) const;
    [[nodiscard]] std::optional<std::size_t> lastHandoutOf(std::uint32_t pid) const {
        return lastHandoutOf(BookmarkHolder{pid, 0});
    }
    // Every holder that still holds its last hand-out, in no order: the
    // processes whose end can still give a row back.
    [[nodiscard]] std::vector<BookmarkHolder> holders() const;

    // Deletes the given rows in one pass; the others keep their order and
    // move up. Any order; indices past the end and repeated ones are ignored.
    // Returns how many rows were deleted.
    std::size_t removeRows(std::vector<std::size_t> rows);

private:
    struct Row {
        std::string address;
        bool opened = false;
        std::uint32_t holder = kNoHolder;
        std::int32_t handedAt = kNoTime;
        std::uint64_t started = 0;
    };

    void makeUnused(std::size_t row);
    void rebuildFreeRows();

    // Where the unused rows are, so a request never scans the table:
    // - every row at or after frontier_ is unused;
    // - freeBelow_ is a min-heap of exactly the unused rows before frontier_.
    // The first unused row is therefore the heap's top, or frontier_ when the
    // heap is empty. Hand-outs from the frontier move it on; rows given back
    // (all before the frontier, as every opened row is) join the heap.
    std::vector<Row> rows_;
    std::size_t frontier_ = 0;
    std::vector<std::size_t> freeBelow_;
    // Each holder's most recent hand-out, while the holder still holds it:
    // a row made unused takes its entry with it.
    std::unordered_map<BookmarkHolder, std::size_t, BookmarkHolderHash> lastHandout_;
};

}  // namespace vuv
