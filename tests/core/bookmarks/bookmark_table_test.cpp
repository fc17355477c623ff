#include "bookmarks/bookmark_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "common/texts.h"

namespace {

using namespace vuv;
using Seq = std::vector<std::string>;
using Rows = std::vector<std::size_t>;
using Kind = BookmarkTable::Handout::Kind;

constexpr std::uint32_t kPid = 42;

// The outcome of each of count requests: the opened address, "reset" or "-".
Seq requests(BookmarkTable& table, bool loop, int count) {
    Seq out;
    for (int i = 0; i < count; ++i) {
        const BookmarkTable::Handout h = table.next(loop, kPid, 0);
        out.push_back(h.kind == Kind::Open ? h.address : h.kind == Kind::Reset ? "reset" : "-");
    }
    return out;
}

std::size_t openedCount(const BookmarkTable& table) {
    std::size_t n = 0;
    for (std::size_t row = 0; row < table.size(); ++row) n += table.opened(row) ? 1 : 0;
    return n;
}

// The rows handed out, in turn, until none is left. Each hand-out must open
// one more row: a row already opened is never handed out a second time.
Rows drain(BookmarkTable& table) {
    Rows out;
    for (std::size_t before = openedCount(table);; ++before) {
        const BookmarkTable::Handout h = table.next(false, kPid, 0);
        if (h.kind != Kind::Open) break;
        EXPECT_EQ(openedCount(table), before + 1) << "row " << h.row;
        out.push_back(h.row);
    }
    return out;
}

// Each row's holder ("0" for an opened row without one) or "-" for an unused row.
std::string holders(const BookmarkTable& table) {
    std::string out;
    for (std::size_t row = 0; row < table.size(); ++row) {
        if (!out.empty()) out += ' ';
        out += table.opened(row) ? std::to_string(table.holder(row)) : "-";
    }
    return out;
}

std::string addresses(const BookmarkTable& table) {
    std::string out;
    for (std::size_t row = 0; row < table.size(); ++row) out += table.at(row).address;
    return out;
}

BookmarkTable tableOf(std::size_t rows) {
    BookmarkTable t;
    for (std::size_t i = 0; i < rows; ++i) t.append(std::string(1, static_cast<char>('a' + i)));
    return t;
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
    EXPECT_EQ(holders(t), "- - -");
    EXPECT_EQ(t.lastHandoutOf(kPid), std::nullopt);
    EXPECT_EQ(requests(t, false, 1), (Seq{"A"}));
    t.clear();
    EXPECT_EQ(requests(t, false, 1), (Seq{"-"}));
    EXPECT_EQ(requests(t, true, 2), (Seq{"reset", "reset"}));
    t.appendAll({"x", "y"});
    EXPECT_EQ(requests(t, false, 3), (Seq{"x", "y", "-"}));
}

TEST(BookmarkTable, AppendsDuringACycleComeNext) {
    constexpr std::size_t kRows = 100000;
    BookmarkTable t;
    std::vector<std::string> all;
    for (std::size_t i = 0; i < kRows; ++i) all.push_back(std::to_string(i));
    t.appendAll(all);
    for (std::size_t i = 0; i < kRows / 2; ++i) ASSERT_EQ(t.next(false, kPid, 0).row, i);
    t.append("late");
    for (std::size_t i = kRows / 2; i < kRows; ++i) ASSERT_EQ(t.next(false, kPid, 0).address, std::to_string(i));
    EXPECT_EQ(requests(t, false, 2), (Seq{"late", "-"}));
    t.appendAll({"after", ""});
    EXPECT_EQ(t.next(false, kPid, 0).row, kRows + 1);
    EXPECT_EQ(t.at(kRows + 2).address, "");
}

TEST(BookmarkTable, ReturnedRowsAreHandedOutBeforeLaterUnusedOnes) {
    struct Case {
        const char* name;
        std::size_t handedOut;  // of six rows, from the top
        Rows returned;
        std::size_t changed;
        Rows then;  // rows handed out afterwards, until none is left
    };
    const Case cases[] = {
        {"one in the middle", 4, {2}, 1, {2, 4, 5}},
        {"out of order", 4, {3, 0}, 2, {0, 3, 4, 5}},
        {"repeats, past the end, unused", 4, {1, 1, 9, 4}, 1, {1, 4, 5}},
        {"nothing", 4, {}, 0, {4, 5}},
        {"all handed out", 6, {5, 0}, 2, {0, 5}},
        {"every opened row", 4, {0, 1, 2, 3}, 4, {0, 1, 2, 3, 4, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BookmarkTable t = tableOf(6);
        for (std::size_t i = 0; i < c.handedOut; ++i) ASSERT_EQ(t.next(false, kPid, 0).row, i);
        EXPECT_EQ(t.returnRows(c.returned), c.changed);
        EXPECT_EQ(drain(t), c.then);
    }
}

TEST(BookmarkTable, RecordsWhoGotARowAndWhenUntilItIsGivenBack) {
    // (time given, time kept): a time outside a day is kept as none.
    const std::pair<std::int32_t, std::int32_t> times[] = {{0, 0}, {86399, 86399}, {86400, -1}, {-5, -1}};
    for (const auto& [given, kept] : times) {
        BookmarkTable t = tableOf(2);
        ASSERT_EQ(t.next(false, 7, given).row, 0u);
        const Bookmark b = t.at(0);
        EXPECT_EQ(std::tuple(b.opened, b.holder, b.handedAt), std::tuple(true, 7u, kept)) << given;
        EXPECT_EQ(t.lastHandoutOf(7), 0u);
        ASSERT_EQ(t.returnRows({0}), 1u);
        EXPECT_EQ(std::tuple(t.stateText(0), t.holder(0), t.handedAt(0)), std::tuple(text::kStateUnused, 0u, -1));
        EXPECT_EQ(t.lastHandoutOf(7), std::nullopt);
    }
}

TEST(BookmarkTable, ExitedCopiesGiveBackOnlyTheLastRowTheyStillHold) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> askers;  // processes asking in turn, on five rows
        Rows returned;                      // then given back by the operator
        std::vector<std::uint32_t> later;   // then asking
        std::set<std::uint32_t> exited;
        Rows changed;
        const char* holdersAfter;
    };
    const Case cases[] = {
        {"only the newest of two", {7, 8, 7}, {}, {}, {7}, {2}, "7 8 - - -"},
        {"several at once", {7, 8, 9}, {}, {}, {7, 9}, {0, 2}, "- 8 - - -"},
        {"none exited", {7, 8}, {}, {}, {9}, {}, "7 8 - - -"},
        {"given back, now held by another", {7}, {0}, {8}, {7}, {}, "8 - - - -"},
        {"given back and left unused", {7, 8, 9}, {1}, {}, {8}, {}, "7 - 9 - -"},
        {"given back, same copy got it again", {7}, {0}, {7}, {7}, {0}, "- - - - -"},
        {"given back, then a newer one", {7, 8}, {0}, {8, 7}, {7}, {2}, "8 8 - - -"},
        {"handed out without a process id", {0, 0}, {}, {}, {0}, {}, "0 0 - - -"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BookmarkTable t = tableOf(5);
        for (const std::uint32_t pid : c.askers) ASSERT_EQ(t.next(false, pid, 1).kind, Kind::Open);
        t.returnRows(c.returned);
        for (const std::uint32_t pid : c.later) ASSERT_EQ(t.next(false, pid, 1).kind, Kind::Open);
        EXPECT_EQ(t.returnLastHandoutsOf([&c](std::uint32_t pid) { return c.exited.count(pid) != 0; }), c.changed);
        EXPECT_EQ(holders(t), c.holdersAfter);
        // An exited process is forgotten: a later process with its id is another copy.
        t.returnLastHandoutsOf([&c](std::uint32_t pid) {
            EXPECT_EQ(c.exited.count(pid), 0u) << pid;
            return false;
        });
        for (const std::uint32_t pid : c.exited) EXPECT_EQ(t.lastHandoutOf(pid), std::nullopt) << pid;
    }
}

TEST(BookmarkTable, RemovingRowsKeepsOrderHandOutsAndLastHandouts) {
    // Six rows a..f; a..d go to processes 10..13, then b is given back. After
    // the removal process 13 exits, then requests take what is left.
    struct Case {
        Rows removed;
        std::size_t count;
        const char* left;
        const char* holdersAfter;
        std::optional<std::size_t> lastOf13;
        const char* then;  // addresses handed out after the exit, until none is left
    };
    const Case cases[] = {
        {{0}, 1, "bcdef", "- 12 13 - -", 2, "bdef"},
        {{4, 2, 2, 99}, 2, "abdf", "10 - 13 -", 2, "bdf"},
        {{3}, 1, "abcef", "10 - 12 - -", std::nullopt, "bef"},
        {{}, 0, "abcdef", "10 - 12 13 - -", 3, "bdef"},
        {{1}, 1, "acdef", "10 12 13 - -", 2, "def"},
        {{5, 4}, 2, "abcd", "10 - 12 13", 3, "bd"},
        {{0, 1, 2, 3, 4, 5}, 6, "", "", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.left);
        BookmarkTable t = tableOf(6);
        for (std::uint32_t pid = 10; pid < 14; ++pid) ASSERT_EQ(t.next(false, pid, 0).kind, Kind::Open);
        ASSERT_EQ(t.returnRows({1}), 1u);

        EXPECT_EQ(t.removeRows(c.removed), c.count);
        EXPECT_EQ(addresses(t), c.left);
        EXPECT_EQ(holders(t), c.holdersAfter);
        EXPECT_EQ(t.lastHandoutOf(13), c.lastOf13);
        EXPECT_EQ(t.returnLastHandoutsOf([](std::uint32_t pid) { return pid == 13; }),
                  c.lastOf13 ? Rows{*c.lastOf13} : Rows{});
        std::string then;
        for (const std::string& a : requests(t, false, 6)) then += a == "-" ? "" : a;
        EXPECT_EQ(then, c.then);
    }
}

TEST(BookmarkTable, RestoredRowsKeepTheirStateAndProvenance) {
    BookmarkTable t;
    t.append("x");
    t.appendRestored("a", true, 7, 100);
    t.appendRestored("b", false, 8, 200);
    t.appendRestored("c", true, 0, 86400);
    t.append("d");
    EXPECT_EQ(holders(t), "- 7 - 0 -");
    EXPECT_EQ(t.handedAt(1), 100);
    EXPECT_EQ(t.handedAt(2), BookmarkTable::kNoTime);
    EXPECT_EQ(t.handedAt(3), BookmarkTable::kNoTime);
    // Restored holders are shown but never given back for an exit.
    EXPECT_EQ(t.lastHandoutOf(7), std::nullopt);
    EXPECT_EQ(t.returnLastHandoutsOf([](std::uint32_t) { return true; }), Rows{});

    EXPECT_EQ(requests(t, false, 4), (Seq{"x", "b", "d", "-"}));
    ASSERT_EQ(t.returnRows({3, 1}), 2u);
    EXPECT_EQ(requests(t, false, 3), (Seq{"a", "c", "-"}));
}

TEST(BookmarkTable, RequestsNeverScanALargeTable) {
    // Each round gives back one row and then asks twice: the second request
    // finds nothing left. Scanning the table for it would make this quadratic.
    constexpr std::size_t kRows = 100000;
    BookmarkTable t;
    t.appendAll(std::vector<std::string>(kRows, "u"));
    for (std::size_t i = 0; i < kRows; ++i) ASSERT_EQ(t.next(false, static_cast<std::uint32_t>(i + 1), 0).row, i);
    for (std::size_t i = 0; i < kRows; ++i) {
        const std::size_t row = (i * 7919) % kRows;
        ASSERT_EQ(t.returnRows({row}), 1u);
        ASSERT_EQ(t.next(false, 1, 0).row, row);
        ASSERT_EQ(t.next(false, 1, 0).kind, Kind::Exhausted);
    }
}

}  // namespace
