// Where Tab and Shift+Tab move the keyboard focus among a window's controls.
//
// The controls are slots 0..count-1 in Tab order. From the slot that has the
// focus, the focus goes to the next slot that takes it (the previous one
// going backwards), wrapping around past either end; when no other slot takes
// it, the focus stays where it is. When no slot has the focus, it goes to the
// first slot that takes it (the last one going backwards).
#pragma once

#include <cstddef>
#include <functional>
#include <optional>

namespace vuv {

// The slot to focus next, or nullopt when no slot takes the focus. A current
// slot of count or more counts as none. takesFocus is asked about each slot
// at most once, in the order of the walk.
[[nodiscard]] std::optional<std::size_t> nextFocus(std::size_t count, std::optional<std::size_t> current,
                                                   bool backwards,
                                                   const std::function<bool(std::size_t)>& takesFocus);

}  // namespace vuv
