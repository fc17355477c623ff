#include "common/row_selection.h"

#include <algorithm>

namespace vuv {

std::vector<std::size_t> existingRows(std::vector<std::size_t> rows, std::size_t size) {
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    rows.erase(std::lower_bound(rows.begin(), rows.end(), size), rows.end());
    return rows;
}

}  // namespace vuv
