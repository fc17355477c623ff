// Where the addresses handed to browser copies come from. The page that
// answers a copy's request asks a source, never a particular store: today
// the local bookmark table, tomorrow possibly a queue shared with other
// panels. A source is told four things:
//
// - next: a copy asks for an address. A copy that asks again is done with
//   the entry it got before; the source settles that entry itself (the
//   local table leaves its row opened; a shared queue would acknowledge it),
//   so the caller never needs to know whether the copy asked before.
// - ended: copies have ended; what each still holds from its latest request
//   goes back, to be handed out again.
// - giveBack: the operator gives entries back, by their row as shown.
// - holders: the copies whose end can still give something back, so the
//   caller knows which processes to watch.
//
// A copy is named by its process id and that process's creation time, so a
// later process that gets the same id is another holder. Everything runs on
// the GUI thread.
#pragma once

#include "bookmarks/bookmark_table.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vuv {

struct BookmarkRequest {
    BookmarkHolder copy;  // processId 0: the asker is not known and holds nothing afterwards
    std::int32_t at = BookmarkTable::kNoTime;  // seconds since local midnight
    bool loopOpening = false;  // with none left, start again instead of running out
};

class BookmarkSource {
public:
    using Handout = BookmarkTable::Handout;
    using Ended = std::function<bool(const BookmarkHolder&)>;

    virtual ~BookmarkSource() = default;

    // Answers a request: Open with the address (and the row it is shown in),
    // Reset when none was left and all start again (nothing handed out), or
    // Exhausted when none is left.
    [[nodiscard]] virtual Handout next(const BookmarkRequest& request) = 0;
    // Asks ended once for each holder and gives back what every one it
    // names as gone still holds. Returns the rows that changed, ascending.
    virtual std::vector<std::size_t> ended(const Ended& gone) = 0;
    // Gives the given rows back; others, repeated and unknown rows are
    // ignored. Returns how many changed.
    virtual std::size_t giveBack(const std::vector<std::size_t>& rows) = 0;
    [[nodiscard]] virtual std::vector<BookmarkHolder> holders() const = 0;
    // Addresses imported on the bookmark page: true when the source took
    // them itself (a shared queue adds them there); false leaves them to
    // the local table.
    virtual bool add(std::vector<std::string>& /*addresses*/) { return false; }
    // Whether running out is told to the operator with a notice; a shared
    // queue only logs and counts it, as it runs out often and comes back.
    [[nodiscard]] virtual bool tellsExhaustion() const { return true; }
};

// The local bookmark table as a source: the first unused row in table order,
// all rows unused again when none is left and loop opening is on. Only the
// last row handed to a copy goes back when it ends: the rows it received
// before were left behind, opened, when it asked again.
class LocalBookmarkSource final : public BookmarkSource {
public:
    explicit LocalBookmarkSource(BookmarkTable& table) noexcept : table_(table) {}

    [[nodiscard]] Handout next(const BookmarkRequest& request) override {
        return table_.next(request.loopOpening, request.copy, request.at);
    }
    std::vector<std::size_t> ended(const Ended& gone) override { return table_.returnLastHandoutsOf(gone); }
    std::size_t giveBack(const std::vector<std::size_t>& rows) override { return table_.returnRows(rows); }
    [[nodiscard]] std::vector<BookmarkHolder> holders() const override { return table_.holders(); }

private:
    BookmarkTable& table_;
};

}  // namespace vuv
