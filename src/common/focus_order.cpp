#include "common/focus_order.h"

namespace vuv {

std::optional<std::size_t> nextFocus(std::size_t count, std::optional<std::size_t> at, bool backwards,
                                     const std::function<bool(std::size_t)>& takesFocus) {
    const bool from = at.has_value() && *at < count;
    const std::size_t origin = from ? *at : 0;
    for (std::size_t step = 1; step <= count; ++step) {
        std::size_t next = 0;
        if (!from) {
            next = backwards ? count - step : step - 1;
        } else {
            next = backwards ? (origin + count - step) % count : (origin + step) % count;
        }
        if (takesFocus(next)) return next;
    }
    return std::nullopt;
}

}  // namespace vuv
