#include "common/dpi.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

namespace {

using vuv::dpi::Box;
using vuv::dpi::contains;
using vuv::dpi::overlap;
using vuv::dpi::scale;
using vuv::dpi::scaleBox;

constexpr int kDpis[] = {96, 120, 144, 168, 192, 240, 288};

TEST(Dpi, ScaleRoundsToTheNearestPixelWithHalvesAwayFromZero) {
    struct Case {
        int value, dpi, expected;
    };
    const Case cases[] = {
        {589, 96, 589}, {589, 144, 884}, {436, 144, 654}, {589, 192, 1178},  // the main window
        {-4, 144, -6},  {-1, 144, -2},   {1, 144, 2},     {-40, 120, -50},   // halves and negatives
        {7, 120, 9},    {5, 120, 6},     {3, 120, 4},     {2, 120, 3},       // 8.75, 6.25, 3.75, 2.5
        {0, 288, 0},    {80, 0, 80},     {80, -144, 80},                     // no DPI is 96 DPI
        {0x7FFFFFFF, 192, 0x7FFFFFFF},   {-0x7FFFFFFF, 192, -0x7FFFFFFF - 1},  // clamped, not wrapped
    };
    for (const Case& c : cases) EXPECT_EQ(scale(c.value, c.dpi), c.expected) << c.value << " at " << c.dpi;
    for (int dpi : kDpis) {
        for (int v = 0; v < 1000; ++v) ASSERT_EQ(scale(-v, dpi), -scale(v, dpi)) << v << " at " << dpi;
    }
}

// What the layouts rely on: boxes apart or touching at 96 DPI stay apart or
// touching, boxes inside others stay inside, at every DPI.
TEST(Dpi, ScaledBoxesKeepTheirNeighboursAndContainersAtEveryDpi) {
    std::mt19937 random(8);
    std::uniform_int_distribution<int> at(-60, 700);
    std::uniform_int_distribution<int> size(0, 120);
    for (int round = 0; round < 20000; ++round) {
        const int x = at(random), y = at(random), w = size(random), h = size(random);
        const int gap = size(random) % 3;  // 0: touching
        const int x2 = x + w + gap, w2 = size(random);
        const int inset = size(random) % 4;
        for (int dpi : kDpis) {
            const Box a = scaleBox(x, y, w, h, dpi);
            const Box right = scaleBox(x2, y, w2, h, dpi);
            const Box below = scaleBox(x, y + h + gap, w, h, dpi);
            ASSERT_FALSE(overlap(a, right)) << x << "," << y << " " << w << "x" << h << " at " << dpi;
            ASSERT_FALSE(overlap(a, below)) << x << "," << y << " " << w << "x" << h << " at " << dpi;
            const Box inner = scaleBox(x + inset, y + inset, w - 2 * inset, h - 2 * inset, dpi);
            if (w - 2 * inset >= 0 && h - 2 * inset >= 0) {
                ASSERT_TRUE(contains(a, inner));
            }
            // The size stays within a pixel of the scaled size.
            ASSERT_LE(std::abs(a.width() - scale(w, dpi)), 1);
        }
    }
}

TEST(Dpi, OverlapNeedsACommonPixelAndContainsAllowsSharedEdges) {
    const Box a{0, 0, 10, 10};
    EXPECT_FALSE(overlap(a, Box{10, 0, 20, 10}));  // touching on the right
    EXPECT_FALSE(overlap(a, Box{0, 10, 10, 20}));  // touching below
    EXPECT_TRUE(overlap(a, Box{9, 9, 20, 20}));    // one pixel in common
    EXPECT_TRUE(overlap(a, Box{2, 2, 3, 3}));      // inside
    EXPECT_FALSE(overlap(a, Box{5, 5, 5, 8}));     // an empty box covers nothing
    EXPECT_EQ(vuv::dpi::intersection(a, Box{9, -5, 30, 2}), (Box{9, 0, 10, 2}));
    EXPECT_TRUE(vuv::dpi::intersection(a, Box{20, 20, 30, 30}).empty());

    EXPECT_TRUE(contains(a, a));
    EXPECT_TRUE(contains(a, Box{0, 5, 10, 10}));
    EXPECT_FALSE(contains(a, Box{-1, 0, 5, 5}));
    EXPECT_FALSE(contains(a, Box{0, 0, 10, 11}));
}

}  // namespace
