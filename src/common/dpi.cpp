#include "common/dpi.h"

#include <algorithm>
#include <cstdint>

namespace vuv::dpi {

int scale(int value, int dpi) noexcept {
    if (dpi <= 0) dpi = kBase;
    const std::int64_t product = static_cast<std::int64_t>(value) * dpi;
    const std::int64_t half = kBase / 2;
    const std::int64_t rounded = product >= 0 ? (product + half) / kBase : -((-product + half) / kBase);
    return static_cast<int>(std::clamp<std::int64_t>(rounded, INT32_MIN, INT32_MAX));
}

Box scaleBox(int x, int y, int w, int h, int dpi) noexcept {
    return Box{scale(x, dpi), scale(y, dpi), scale(x + w, dpi), scale(y + h, dpi)};
}

Box intersection(const Box& a, const Box& b) noexcept {
    Box common{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (common.empty()) return Box{};
    return common;
}

bool overlap(const Box& a, const Box& b) noexcept { return !intersection(a, b).empty(); }

bool contains(const Box& outer, const Box& inner) noexcept {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

}  // namespace vuv::dpi
