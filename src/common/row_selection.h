// Rows chosen in a list view, as the tables that back the views take them.
//
// A view reports its selection as row indices; by the time a table acts on
// them they may repeat or lie past the end (a list changed in between), so
// each table first keeps the existing ones, ascending, each once.
#pragma once

#include <cstddef>
#include <utility>
#include <vector>

namespace vuv {

// The rows below size, ascending, each once.
[[nodiscard]] std::vector<std::size_t> existingRows(std::vector<std::size_t> rows, std::size_t size);

// Erases items[row] for every row in rows (ascending, each once, all below
// items.size()) in one pass; the other items keep their order.
template <class T>
void eraseRows(std::vector<T>& items, const std::vector<std::size_t>& rows) {
    if (rows.empty()) return;
    std::size_t write = rows.front();
    auto doomed = rows.begin();
    for (std::size_t read = rows.front(); read < items.size(); ++read) {
        if (doomed != rows.end() && *doomed == read) {
            ++doomed;
            continue;
        }
        items[write++] = std::move(items[read]);
    }
    items.resize(write);
}

}  // namespace vuv
