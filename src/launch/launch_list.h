// The launch list: the store behind the virtual list view of the batch-launch
// tab. The list view keeps only the selection; row i of the view is entry i.
#pragma once

#include <cstddef>
#include <string_view>
#include <utility>
#include <vector>

#include "launch/launch_entry.h"

namespace vuv {

// Row lists passed to the editing operations are the selected rows in
// ascending order, as the list view reports them. Indices past the end and
// repeated indices are ignored, so a stale selection cannot do harm.
class LaunchList {
public:
    [[nodiscard]] std::size_t size() const noexcept { return entries_.size(); }
    [[nodiscard]] bool empty() const noexcept { return entries_.empty(); }
    // Precondition: row < size().
    [[nodiscard]] const LaunchEntry& at(std::size_t row) const noexcept { return entries_[row]; }
    [[nodiscard]] const std::vector<LaunchEntry>& entries() const noexcept { return entries_; }

    void append(LaunchEntry entry) { entries_.push_back(std::move(entry)); }
    // Appends entries in their order. An empty list takes the vector over
    // whole: a large import then costs no copy and no fresh memory.
    void appendAll(std::vector<LaunchEntry> entries);
    void clear() noexcept { entries_.clear(); }

    // Deletes the given rows in one pass; the others keep their order.
    void removeRows(const std::vector<std::size_t>& sortedSelected);
    void setAddress(const std::vector<std::size_t>& sortedSelected, std::string_view address);
    void setConfig(const std::vector<std::size_t>& sortedSelected, std::string_view config);
    // The first given row gets name, the next name + "1", then name + "2"...
    void renameRows(const std::vector<std::size_t>& sortedSelected, std::string_view name);

private:
    std::vector<LaunchEntry> entries_;
};

}  // namespace vuv
