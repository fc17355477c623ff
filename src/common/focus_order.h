// Where Tab moves the focus: through slots in order, wrapping around,
// skipping those that do not take the focus now.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>

namespace vuv {

// The slot after (or, backwards, before) at among count slots that takes the
// focus; from no slot, the first (last) that takes it; nullopt when none does.
[[nodiscard]] std::optional<std::size_t> nextFocus(std::size_t count, std::optional<std::size_t> at, bool backwards,
                                                   const std::function<bool(std::size_t)>& takesFocus);

}  // namespace vuv
