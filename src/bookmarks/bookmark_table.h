// The bookmark table: addresses handed out one at a time to browsers that
// ask for one, the store behind the virtual list view of the bookmark tab.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vuv {

// One row as shown. The views point into the table and stay valid until the
// table is next changed.
struct Bookmark {
    std::string_view name;  // always empty: nothing fills it
    std::string_view address;
    bool opened = false;
};

class BookmarkTable {
public:
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

    [[nodiscard]] std::size_t size() const noexcept { return addresses_.size(); }
    [[nodiscard]] bool empty() const noexcept { return addresses_.empty(); }
    // Precondition for the row accessors: row < size().
    [[nodiscard]] Bookmark at(std::size_t row) const noexcept { return {{}, addresses_[row], opened(row)}; }
    [[nodiscard]] bool opened(std::size_t row) const noexcept { return row < firstUnused_; }
    // "已打开" or "未使用".
    [[nodiscard]] std::string_view stateText(std::size_t row) const noexcept;

    // Adds an unused bookmark at the end; the address is kept exactly as given.
    void append(std::string address) { addresses_.push_back(std::move(address)); }
    void clear() noexcept;
    void resetStates() noexcept { firstUnused_ = 0; }

    // Hands out the first unused bookmark in table order, or, when none is
    // left, starts the cycle again (loopOpening) or reports exhaustion.
    [[nodiscard]] Handout next(bool loopOpening);

private:
    // Bookmarks are handed out in table order and reset all at once, and new
    // ones are appended unused, so the opened ones are always a prefix of the
    // table: rows before firstUnused_ are opened, the rest unused. Every
    // operation is O(1) apart from the appended text itself.
    std::vector<std::string> addresses_;
    std::size_t firstUnused_ = 0;
};

}  // namespace vuv
