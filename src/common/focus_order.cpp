#include "common/focus_order.h"

namespace vuv {

std::optional<std::size_t> nextFocus(std::size_t count, std::optional<std::size_t> current, bool backwards,
                                     const std::function<bool(std::size_t)>& takesFocus) {
    if (current && *current >= count) current.reset();
    for (std::size_t step = 1; step <= count; ++step) {
        std::size_t slot = 0;
        if (!current) {
            slot = backwards ? count - step : step - 1;
        } else {
            slot = backwards ? (*current + count - step) % count : (*current + step) % count;
        }
        if (takesFocus(slot)) return slot;
    }
    return std::nullopt;
}

}  // namespace vuv
