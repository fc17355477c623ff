#include "common/focus_order.h"

namespace vuv {

std::optional<std::size_t> nextFocus(std::size_t count, std::optional<std::size_t> current, bool backwards,
                                     const std::function<bool(std::size_t)>& takesFocus) {
    // As plain values: GCC 12 takes the optional's payload for uninitialised.
    const std::size_t from = current.value_or(count);
    const bool none = from >= count;
    for (std::size_t step = 1; step <= count; ++step) {
        std::size_t slot = 0;
        if (none) {
            slot = backwards ? count - step : step - 1;
        } else {
            slot = backwards ? (from + count - step) % count : (from + step) % count;
        }
        if (takesFocus(slot)) return slot;
    }
    return std::nullopt;
}

}  // namespace vuv
