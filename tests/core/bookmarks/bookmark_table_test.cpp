#include "bookmarks/bookmark_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/texts.h"

namespace {

using namespace vuv;
using Seq = std::vector<std::string>;

// The outcome of each of count requests: the opened address, "reset" or "-".
Seq requests(BookmarkTable& table, bool loop, int count) {
    Seq out;
    for (int i = 0; i < count; ++i) {
        const BookmarkTable::Handout h = table.next(loop);
        using Kind = BookmarkTable::Handout::Kind;
        out.push_back(h.kind == Kind::Open ? h.address : h.kind == Kind::Reset ? "reset" : "-");
    }
    return out;
}

TEST(BookmarkTable, HandsOutInTableOrderThenLoopsOrStops) {
    BookmarkTable t;
    for (const char* a : {"A", "B", "A"}) t.append(a);
    EXPECT_EQ(requests(t, true, 6), (Seq{"A", "B", "A", "reset", "A", "B"}));
    EXPECT_EQ(t.stateText(1), text::kStateOpened);
    EXPECT_EQ(t.stateText(2), text::kStateUnused);
    EXPECT_EQ(requests(t, false, 2), (Seq{"A", "-"}));
    EXPECT_TRUE(t.at(2).opened && t.at(2).name.empty());
    t.resetStates();
    EXPECT_EQ(requests(t, false, 1), (Seq{"A"}));
    t.clear();
    EXPECT_EQ(requests(t, false, 1), (Seq{"-"}));
    EXPECT_EQ(requests(t, true, 2), (Seq{"reset", "reset"}));
}

TEST(BookmarkTable, AppendsDuringACycleComeNext) {
    constexpr std::size_t kRows = 100000;
    BookmarkTable t;
    for (std::size_t i = 0; i < kRows; ++i) t.append(std::to_string(i));
    for (std::size_t i = 0; i < kRows / 2; ++i) ASSERT_EQ(t.next(false).row, i);
    t.append("late");
    for (std::size_t i = kRows / 2; i < kRows; ++i) ASSERT_EQ(t.next(false).address, std::to_string(i));
    EXPECT_EQ(requests(t, false, 2), (Seq{"late", "-"}));
    t.append("after");
    EXPECT_EQ(t.next(false).row, kRows + 1);
}

}  // namespace
