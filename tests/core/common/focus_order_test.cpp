#include "common/focus_order.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using namespace vuv;

constexpr std::optional<std::size_t> kNone = std::nullopt;

TEST(FocusOrder, MovesToTheNextSlotThatTakesTheFocusWrappingAround) {
    // 'x' takes the focus, '.' does not.
    const struct {
        const char* slots;
        std::optional<std::size_t> current;
        bool backwards;
        std::optional<std::size_t> expected;
    } cases[] = {
        {"xxx", 0, false, 1},     {"xxx", 2, false, 0},    {"xxx", 0, true, 2},     {"xxx", 2, true, 1},
        {"x..x.", 0, false, 3},   {"x..x.", 3, false, 0},  {"x..x.", 0, true, 3},   {"x..x.", 3, true, 0},
        {".x..", 1, false, 1},    {".x..", 1, true, 1},    // the only one keeps it
        {".x.x", 0, false, 1},    {".x.x", 0, true, 3},    // from a slot that does not take it
        {".x.x.", kNone, false, 1}, {".x.x.", kNone, true, 3},
        {".x.x.", 9, false, 1},   {".x.x.", 5, true, 3},   // out of range: none
        {"...", kNone, false, kNone}, {"...", 1, true, kNone}, {"", kNone, false, kNone}, {"", 0, true, kNone},
    };
    for (const auto& c : cases) {
        const std::string slots = c.slots;
        std::vector<std::size_t> asked;
        const auto next = nextFocus(slots.size(), c.current, c.backwards, [&](std::size_t i) {
            asked.push_back(i);
            return slots.at(i) == 'x';
        });
        EXPECT_EQ(next, c.expected) << slots << " from " << (c.current ? std::to_string(*c.current) : "none")
                                    << (c.backwards ? " backwards" : "");
        EXPECT_LE(asked.size(), slots.size());
    }
}

}  // namespace
