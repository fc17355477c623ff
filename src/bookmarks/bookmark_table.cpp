#include "bookmarks/bookmark_table.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "common/row_selection.h"
#include "common/texts.h"

namespace vuv {

namespace {

// freeBelow_ is kept as a min-heap: its front is the lowest unused row.
constexpr std::greater<std::size_t> kMinHeap{};

constexpr std::int32_t timeOfDayOrNone(std::int32_t seconds) noexcept {
    return seconds >= 0 && seconds < BookmarkTable::kSecondsPerDay ? seconds : BookmarkTable::kNoTime;
}

}  // namespace

Bookmark BookmarkTable::at(std::size_t row) const noexcept {
    const Row& r = rows_[row];
    return {{}, r.address, r.opened, r.holder, r.handedAt, r.started};
}

std::string_view BookmarkTable::stateText(std::size_t row) const noexcept {
    return opened(row) ? text::kStateOpened : text::kStateUnused;
}

void BookmarkTable::append(std::string address) {
    rows_.push_back(Row{std::move(address), false, kNoHolder, kNoTime});
}

void BookmarkTable::appendAll(std::vector<std::string> addresses) {
    // Grow geometrically: reserving exactly what each call needs would copy
    // the whole table on every call when many small batches arrive.
    const std::size_t needed = rows_.size() + addresses.size();
    if (needed > rows_.capacity()) rows_.reserve(std::max(needed, 2 * rows_.capacity()));
    for (std::string& address : addresses) rows_.push_back(Row{std::move(address), false, kNoHolder, kNoTime});
}

void BookmarkTable::appendRestored(std::string address, bool opened, std::uint32_t holder, std::int32_t handedAt,
                                   std::uint64_t holderStarted) {
    if (!opened) {
        append(std::move(address));
        return;
    }
    // An opened row may not lie after the frontier: the unused rows between
    // the frontier and the end join the heap (ascending, so each push is
    // O(1)) and the frontier moves past the new row.
    for (std::size_t row = frontier_; row < rows_.size(); ++row) {
        freeBelow_.push_back(row);
        std::push_heap(freeBelow_.begin(), freeBelow_.end(), kMinHeap);
    }
    const std::uint64_t started = holder != kNoHolder ? holderStarted : 0;
    rows_.push_back(Row{std::move(address), true, holder, timeOfDayOrNone(handedAt), started});
    frontier_ = rows_.size();
    if (holder == kNoHolder) return;
    // A holder's latest restored hand-out is its last one: the one with the
    // latest time, and of equal times the one further down (rows go out in table
    // order, so a later row with the same time was handed out later).
    const std::size_t row = rows_.size() - 1;
    const auto [it, added] = lastHandout_.try_emplace(BookmarkHolder{holder, rows_[row].started}, row);
    if (!added && rows_[row].handedAt >= rows_[it->second].handedAt) it->second = row;
}

void BookmarkTable::clear() noexcept {
    rows_.clear();
    frontier_ = 0;
    freeBelow_.clear();
    lastHandout_.clear();
}

void BookmarkTable::resetStates() noexcept {
    for (Row& row : rows_) {
        row.opened = false;
        row.holder = kNoHolder;
        row.started = 0;
        row.handedAt = kNoTime;
    }
    frontier_ = 0;
    freeBelow_.clear();
    lastHandout_.clear();
}

BookmarkTable::Handout BookmarkTable::next(bool loopOpening, BookmarkHolder holder, std::int32_t handedAt) {
    std::size_t row = 0;
    if (!freeBelow_.empty()) {
        std::pop_heap(freeBelow_.begin(), freeBelow_.end(), kMinHeap);
        row = freeBelow_.back();
        freeBelow_.pop_back();
    } else if (frontier_ < rows_.size()) {
        row = frontier_++;
    } else if (loopOpening) {
        resetStates();
        return {Handout::Kind::Reset, {}, 0};
    } else {
        return {Handout::Kind::Exhausted, {}, 0};
    }

    Row& r = rows_[row];
    r.opened = true;
    r.holder = holder.processId;
    r.started = holder.processId != kNoHolder ? holder.started : 0;
    r.handedAt = timeOfDayOrNone(handedAt);
    if (holder.processId != kNoHolder) lastHandout_[BookmarkHolder{r.holder, r.started}] = row;
    return {Handout::Kind::Open, r.address, row};
}

void BookmarkTable::makeUnused(std::size_t row) {
    Row& r = rows_[row];
    const auto last = lastHandout_.find(BookmarkHolder{r.holder, r.started});
    if (last != lastHandout_.end() && last->second == row) lastHandout_.erase(last);
    r.opened = false;
    r.holder = kNoHolder;
    r.started = 0;
    r.handedAt = kNoTime;
    // Every opened row lies before the frontier, so this one now belongs in the heap.
    freeBelow_.push_back(row);
    std::push_heap(freeBelow_.begin(), freeBelow_.end(), kMinHeap);
}

std::size_t BookmarkTable::returnRows(const std::vector<std::size_t>& rows) {
    std::size_t changed = 0;
    for (const std::size_t row : rows) {
        if (row >= rows_.size() || !rows_[row].opened) continue;
        makeUnused(row);
        ++changed;
    }
    return changed;
}

std::vector<std::size_t> BookmarkTable::returnLastHandoutsOf(
    const std::function<bool(const BookmarkHolder&)>& exited) {
    // Asked first, changed after: making a row unused erases its entry.
    std::vector<std::size_t> changed;
    for (const auto& [holder, row] : lastHandout_) {
        if (exited(holder)) changed.push_back(row);
    }
    std::sort(changed.begin(), changed.end());
    for (const std::size_t row : changed) makeUnused(row);
    return changed;
}

std::optional<std::size_t> BookmarkTable::lastHandoutOf(const BookmarkHolder& holder) const {
    const auto it = lastHandout_.find(holder);
    if (it == lastHandout_.end()) return std::nullopt;
    return it->second;
}

std::vector<BookmarkHolder> BookmarkTable::holders() const {
    std::vector<BookmarkHolder> out;
    out.reserve(lastHandout_.size());
    for (const auto& entry : lastHandout_) out.push_back(entry.first);
    return out;
}

std::size_t BookmarkTable::removeRows(std::vector<std::size_t> rows) {
    const std::vector<std::size_t> doomed = existingRows(std::move(rows), rows_.size());
    if (doomed.empty()) return 0;

    eraseRows(rows_, doomed);

    // A kept row moves up by the number of deleted rows before it.
    const auto deletedBefore = [&doomed](std::size_t row) {
        return static_cast<std::size_t>(
            std::distance(doomed.begin(), std::lower_bound(doomed.begin(), doomed.end(), row)));
    };
    for (auto it = lastHandout_.begin(); it != lastHandout_.end();) {
        if (std::binary_search(doomed.begin(), doomed.end(), it->second)) {
            it = lastHandout_.erase(it);
        } else {
            it->second -= deletedBefore(it->second);
            ++it;
        }
    }
    frontier_ -= deletedBefore(frontier_);
    rebuildFreeRows();
    return doomed.size();
}

void BookmarkTable::rebuildFreeRows() {
    // Unused rows just before the frontier can be left behind it, which keeps
    // the heap small.
    while (frontier_ > 0 && !rows_[frontier_ - 1].opened) --frontier_;
    freeBelow_.clear();
    for (std::size_t row = 0; row < frontier_; ++row) {
        if (!rows_[row].opened) freeBelow_.push_back(row);
    }
    // Ascending order is already a min-heap.
}

}  // namespace vuv
