// Pixel geometry at any DPI. Layouts are written in pixels at 96 DPI; a
// window at another DPI scales them here. Boxes are scaled by their edges,
// not by position and size, so that boxes which touch or stand apart at
// 96 DPI still touch or stand apart at every DPI (rounding a width on its own
// could make two neighbours overlap by a pixel).
#pragma once

#include <cstddef>
#include <vector>

namespace vuv::dpi {

inline constexpr int kBase = 96;

// value pixels at 96 DPI, at dpi; rounded to the nearest pixel, halves away
// from zero, so that -x scales to the negative of x. A dpi of 0 or less is
// taken as 96.
[[nodiscard]] int scale(int value, int dpi) noexcept;

// A box by its edges: left and top inside, right and bottom just outside.
struct Box {
    int left = 0, top = 0, right = 0, bottom = 0;
    [[nodiscard]] int width() const noexcept { return right - left; }
    [[nodiscard]] int height() const noexcept { return bottom - top; }
    [[nodiscard]] bool empty() const noexcept { return right <= left || bottom <= top; }
    friend bool operator==(const Box& a, const Box& b) noexcept {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

// The box at (x, y) of size w x h at 96 DPI, at dpi.
[[nodiscard]] Box scaleBox(int x, int y, int w, int h, int dpi) noexcept;

// The common part of two boxes; empty when they only touch or stand apart.
[[nodiscard]] Box intersection(const Box& a, const Box& b) noexcept;
[[nodiscard]] bool overlap(const Box& a, const Box& b) noexcept;
// inner lies wholly within outer (touching its edges counts as within).
[[nodiscard]] bool contains(const Box& outer, const Box& inner) noexcept;

}  // namespace vuv::dpi
