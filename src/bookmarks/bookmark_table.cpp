#include "bookmarks/bookmark_table.h"

#include "common/texts.h"

namespace vuv {

std::string_view BookmarkTable::stateText(std::size_t row) const noexcept {
    return opened(row) ? text::kStateOpened : text::kStateUnused;
}

void BookmarkTable::clear() noexcept {
    addresses_.clear();
    firstUnused_ = 0;
}

BookmarkTable::Handout BookmarkTable::next(bool loopOpening) {
    if (firstUnused_ < addresses_.size()) {
        const std::size_t row = firstUnused_++;
        return {Handout::Kind::Open, addresses_[row], row};
    }
    if (!loopOpening) return {Handout::Kind::Exhausted, {}, 0};
    resetStates();
    return {Handout::Kind::Reset, {}, 0};
}

}  // namespace vuv
