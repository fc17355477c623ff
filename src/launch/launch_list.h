// The launch list: the store behind the virtual list view of the batch-launch
// tab. The list view keeps only the selection; row i of the view is entry i.
//
// Each entry also has an id, given when it enters the list and kept while it
// stays, whatever rows are deleted before it: a launch walk names the rows it
// was given by their ids, and a started copy remembers the id of its row.
// Ids live in memory only and are never given twice in one list's life.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
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
    using Id = std::uint64_t;

    [[nodiscard]] std::size_t size() const noexcept { return entries_.size(); }
    [[nodiscard]] bool empty() const noexcept { return entries_.empty(); }
    // Precondition: row < size().
    [[nodiscard]] const LaunchEntry& at(std::size_t row) const noexcept { return entries_[row]; }
    [[nodiscard]] const std::vector<LaunchEntry>& entries() const noexcept { return entries_; }

    // Precondition: row < size().
    [[nodiscard]] Id idAt(std::size_t row) const noexcept { return ids_[row]; }
    // The ids of every entry, in row order (ascending: a later entry always
    // has a larger id).
    [[nodiscard]] const std::vector<Id>& ids() const noexcept { return ids_; }
    // The row the entry with this id stands in now; nullopt once it is gone.
    [[nodiscard]] std::optional<std::size_t> rowOf(Id id) const noexcept;

    void append(LaunchEntry entry);
    // Appends entries in their order. An empty list takes the vector over
    // whole: a large import then costs no copy and no fresh memory.
    void appendAll(std::vector<LaunchEntry> entries);
    // Drops every entry; their ids are not given again.
    void clear() noexcept;
    // Every entry replaced by these, with new ids.
    void replace(std::vector<LaunchEntry> entries);

    // Deletes the given rows in one pass; the others keep their order.
    void removeRows(const std::vector<std::size_t>& sortedSelected);
    void setAddress(const std::vector<std::size_t>& sortedSelected, std::string_view address);
    void setConfig(const std::vector<std::size_t>& sortedSelected, std::string_view config);
    // The first given row gets name, the next name + "1", then name + "2"...
    void renameRows(const std::vector<std::size_t>& sortedSelected, std::string_view name);

private:
    void giveIds(std::size_t count);

    std::vector<LaunchEntry> entries_;
    std::vector<Id> ids_;  // ids_[row] belongs to entries_[row]
    Id nextId_ = 1;
};

}  // namespace vuv
