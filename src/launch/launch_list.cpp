#include "launch/launch_list.h"

#include <algorithm>
#include <string>

namespace vuv {

namespace {

// Calls f(entry, k) for every distinct in-range row, k counting from 0.
template <typename F>
void forEachRow(std::vector<LaunchEntry>& entries, const std::vector<std::size_t>& rows, F f) {
    std::size_t k = 0;
    std::size_t previous = entries.size();  // no row yet
    for (const std::size_t row : rows) {
        if (row >= entries.size() || row == previous) continue;
        previous = row;
        f(entries[row], k++);
    }
}

}  // namespace

std::optional<std::size_t> LaunchList::rowOf(Id id) const noexcept {
    // Ids grow with every entry added and deleting keeps the order, so the
    // ids stand in ascending order.
    const auto it = std::lower_bound(ids_.begin(), ids_.end(), id);
    if (it == ids_.end() || *it != id) return std::nullopt;
    return static_cast<std::size_t>(it - ids_.begin());
}

void LaunchList::giveIds(std::size_t count) {
    ids_.reserve(ids_.size() + count);
    for (std::size_t i = 0; i < count; ++i) ids_.push_back(nextId_++);
}

void LaunchList::append(LaunchEntry entry) {
    entries_.push_back(std::move(entry));
    giveIds(1);
}

void LaunchList::appendAll(std::vector<LaunchEntry> entries) {
    const std::size_t added = entries.size();
    if (entries_.empty()) {
        entries_ = std::move(entries);
    } else {
        entries_.reserve(entries_.size() + entries.size());
        for (LaunchEntry& entry : entries) entries_.push_back(std::move(entry));
    }
    giveIds(added);
}

void LaunchList::clear() noexcept {
    entries_.clear();
    ids_.clear();
}

void LaunchList::replace(std::vector<LaunchEntry> entries) {
    clear();
    appendAll(std::move(entries));
}

void LaunchList::removeRows(const std::vector<std::size_t>& sortedSelected) {
    auto next = sortedSelected.begin();
    const auto end = sortedSelected.end();
    std::size_t kept = 0;
    for (std::size_t row = 0; row < entries_.size(); ++row) {
        while (next != end && *next < row) ++next;
        if (next != end && *next == row) continue;
        if (kept != row) {
            entries_[kept] = std::move(entries_[row]);
            ids_[kept] = ids_[row];
        }
        ++kept;
    }
    entries_.resize(kept);
    ids_.resize(kept);
}

void LaunchList::setAddress(const std::vector<std::size_t>& sortedSelected, std::string_view address) {
    forEachRow(entries_, sortedSelected, [address](LaunchEntry& e, std::size_t) { e.address.assign(address); });
}

void LaunchList::setConfig(const std::vector<std::size_t>& sortedSelected, std::string_view config) {
    forEachRow(entries_, sortedSelected, [config](LaunchEntry& e, std::size_t) { e.config.assign(config); });
}

void LaunchList::renameRows(const std::vector<std::size_t>& sortedSelected, std::string_view name) {
    forEachRow(entries_, sortedSelected, [name](LaunchEntry& e, std::size_t k) {
        e.name.assign(name);
        if (k != 0) e.name += std::to_string(k);
    });
}

}  // namespace vuv
