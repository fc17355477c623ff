#include "bookmarks/bookmark_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "common/texts.h"

namespace {

using namespace vuv;
using Seq = std::vector<std::string>;
using Rows = std::vector<std::size_t>;
using Kind = BookmarkTable::Handout::Kind;

constexpr std::uint32_t kPid = 42;

// The outcome of each of count requests: the opened address, "reset" or "-".
// Every hand-out must be the first unused row, so never a row already opened.
Seq requests(BookmarkTable& table, bool loop, int count, std::uint32_t pid = kPid) {
    Seq out;
    for (int i = 0; i < count; ++i) {
        std::size_t firstUnused = 0;
        while (firstUnused < table.size() && table.opened(firstUnused)) ++firstUnused;
        const BookmarkTable::Handout h = table.next(loop, pid, 0);
        EXPECT_EQ(h.kind == Kind::Open, firstUnused < table.size());
        if (h.kind == Kind::Open) {
            EXPECT_EQ(h.row, firstUnused);
        }
        out.push_back(h.kind == Kind::Open ? h.address : h.kind == Kind::Reset ? "reset" : "-");
    }
    return out;
}

// The addresses handed out, joined, until none is left.
std::string drain(BookmarkTable& table) {
    std::string out;
    for (std::string a = requests(table, false, 1)[0]; a != "-"; a = requests(table, false, 1)[0]) out += a;
    return out;
}

// Each row as its address and its holder, "-" when unused: "a7 b- c0".
std::string show(const BookmarkTable& table) {
    std::string out;
    for (std::size_t row = 0; row < table.size(); ++row) {
        out += (row == 0 ? "" : " ") + std::string(table.at(row).address);
        out += table.opened(row) ? std::to_string(table.holder(row)) : "-";
    }
    return out;
}

// Rows a, b, c, ...
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
    EXPECT_EQ(show(t), "A- B- A-");
    EXPECT_EQ(t.lastHandoutOf(kPid), std::nullopt);
    EXPECT_EQ(requests(t, false, 1), (Seq{"A"}));
    t.clear();
    EXPECT_EQ(requests(t, false, 1), (Seq{"-"}));
    EXPECT_EQ(requests(t, true, 2), (Seq{"reset", "reset"}));
    t.appendAll({"x", "y"});
    EXPECT_EQ(requests(t, false, 3), (Seq{"x", "y", "-"}));
}

// 清空 empties the table whatever state it was in: bookmarks added afterwards
// are all unused and go out from the first, none skipped.
TEST(BookmarkTable, AfterClearingNewRowsAreHandedOutFromTheFirst) {
    struct Case {
        const char* history;
        std::size_t handedOut;  // of rows a..f, from the top
        Rows returned;          // then given back
        bool restoredOpened;    // then a row restored as opened
    };
    const Case cases[] = {
        {"all handed out", 6, {}, false},
        {"some handed out", 2, {}, false},
        {"rows given back", 5, {3, 1}, false},
        {"a restored opened row", 1, {}, true},
        {"given back and restored", 4, {0}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.history);
        BookmarkTable t = tableOf(6);
        (void)requests(t, false, static_cast<int>(c.handedOut));
        t.returnRows(c.returned);
        if (c.restoredOpened) t.appendRestored("r", true, 9, 10);
        t.clear();
        EXPECT_EQ(t.size(), 0u);
        t.appendAll({"x", "y"});
        t.append("z");
        EXPECT_EQ(show(t), "x- y- z-");
        EXPECT_EQ(requests(t, false, 4, 77), (Seq{"x", "y", "z", "-"}));
        EXPECT_EQ(t.lastHandoutOf(77), std::optional<std::size_t>(2));
        EXPECT_EQ(t.lastHandoutOf(kPid), std::nullopt);
    }
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
    EXPECT_EQ(requests(t, false, 3), (Seq{"after", "", "-"}));
}

TEST(BookmarkTable, ReturnedRowsAreHandedOutBeforeLaterUnusedOnes) {
    struct Case {
        std::size_t handedOut;  // of rows a..f, from the top
        Rows returned;
        std::size_t changed;
        const char* then;  // handed out afterwards
    };
    const Case cases[] = {
        {4, {2}, 1, "cef"}, {4, {3, 0}, 2, "adef"}, {4, {1, 1, 9, 4}, 1, "bef"},
        {4, {}, 0, "ef"},   {6, {5, 0}, 2, "af"},   {4, {0, 1, 2, 3}, 4, "abcdef"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.then);
        BookmarkTable t = tableOf(6);
        (void)requests(t, false, static_cast<int>(c.handedOut));
        EXPECT_EQ(t.returnRows(c.returned), c.changed);
        EXPECT_EQ(drain(t), c.then);
    }
}

TEST(BookmarkTable, RecordsWhoGotARowAndWhenUntilItIsGivenBack) {
    BookmarkTable t = tableOf(3);
    ASSERT_EQ(t.next(false, 7, 86399).row, 0u);
    ASSERT_EQ(t.next(false, 8, 86400).row, 1u);  // a time outside a day is kept as none
    EXPECT_EQ(std::tuple(t.at(0).opened, t.at(0).holder, t.at(0).handedAt), std::tuple(true, 7u, 86399));
    EXPECT_EQ(std::tuple(t.holder(1), t.handedAt(1)), std::tuple(8u, -1));
    ASSERT_EQ(t.returnRows({0}), 1u);
    EXPECT_EQ(std::tuple(t.stateText(0), t.holder(0), t.handedAt(0)), std::tuple(text::kStateUnused, 0u, -1));
}

TEST(BookmarkTable, ExitedCopiesGiveBackOnlyTheLastRowTheyStillHold) {
    struct Case {
        std::vector<std::uint32_t> askers;  // processes asking in turn, on rows a..e
        Rows returned;                      // then given back by the operator
        std::vector<std::uint32_t> later;   // then asking
        std::set<std::uint32_t> exited;
        Rows changed;
        const char* after;
    };
    const Case cases[] = {
        {{7, 8, 7}, {}, {}, {7}, {2}, "a7 b8 c- d- e-"},       // only the newest of two
        {{7, 8, 9}, {}, {}, {7, 9}, {0, 2}, "a- b8 c- d- e-"},  // several at once
        {{7}, {0}, {8}, {7}, {}, "a8 b- c- d- e-"},            // given back, now held by another
        {{7, 8, 9}, {1}, {}, {8}, {}, "a7 b- c9 d- e-"},       // given back and left unused
        {{7}, {0}, {7}, {7}, {0}, "a- b- c- d- e-"},           // given back, the same copy got it again
        {{7, 8}, {0}, {8, 7}, {7}, {2}, "a8 b8 c- d- e-"},     // given back, then a newer one
        {{0, 0}, {}, {}, {0}, {}, "a0 b0 c- d- e-"},           // handed out without a process id
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.after);
        BookmarkTable t = tableOf(5);
        for (const std::uint32_t pid : c.askers) (void)requests(t, false, 1, pid);
        t.returnRows(c.returned);
        for (const std::uint32_t pid : c.later) (void)requests(t, false, 1, pid);
        EXPECT_EQ(t.returnLastHandoutsOf([&c](const BookmarkHolder& h) { return c.exited.count(h.processId) != 0; }),
                  c.changed);
        EXPECT_EQ(show(t), c.after);
        // An exited process is forgotten: a later one with its id is another copy.
        t.returnLastHandoutsOf([&c](const BookmarkHolder& h) {
            EXPECT_EQ(c.exited.count(h.processId), 0u) << h.processId;
            return false;
        });
        for (const std::uint32_t pid : c.exited) EXPECT_EQ(t.lastHandoutOf(pid), std::nullopt) << pid;
    }
}

TEST(BookmarkTable, RemovingRowsKeepsOrderHandOutsAndLastHandouts) {
    // Rows a..f; a..d go to processes 10..13 and b is given back. After the
    // removal process 13 exits, then requests take what is left.
    struct Case {
        Rows removed;
        std::size_t count;
        const char* after;
        std::optional<std::size_t> lastOf13;
        const char* then;
    };
    const Case cases[] = {
        {{0}, 1, "b- c12 d13 e- f-", 2, "bdef"},
        {{4, 2, 2, 99}, 2, "a10 b- d13 f-", 2, "bdf"},
        {{3}, 1, "a10 b- c12 e- f-", std::nullopt, "bef"},
        {{1}, 1, "a10 c12 d13 e- f-", 2, "def"},
        {{5, 4}, 2, "a10 b- c12 d13", 3, "bd"},
        {{0, 1, 2, 3, 4, 5}, 6, "", std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.after);
        BookmarkTable t = tableOf(6);
        for (std::uint32_t pid = 10; pid < 14; ++pid) (void)requests(t, false, 1, pid);
        ASSERT_EQ(t.returnRows({1}), 1u);
        EXPECT_EQ(t.removeRows(c.removed), c.count);
        EXPECT_EQ(show(t), c.after);
        EXPECT_EQ(t.lastHandoutOf(13), c.lastOf13);
        EXPECT_EQ(t.returnLastHandoutsOf([](const BookmarkHolder& h) { return h.processId == 13; }),
                  c.lastOf13 ? Rows{*c.lastOf13} : Rows{});
        EXPECT_EQ(drain(t), c.then);
    }
}

TEST(BookmarkTable, RestoredRowsKeepTheirStateAndProvenance) {
    BookmarkTable t;
    t.append("x");
    t.appendRestored("a", true, 7, 100, 555);
    t.appendRestored("b", false, 8, 200, 666);
    t.appendRestored("c", true, 0, 86400, 777);
    t.append("d");
    EXPECT_EQ(show(t), "x- a7 b- c0 d-");
    EXPECT_EQ(std::tuple(t.handedAt(1), t.handedAt(2), t.handedAt(3)), std::tuple(100, -1, -1));
    // A start time is kept only with a holder.
    EXPECT_EQ(std::tuple(t.holderStarted(1), t.holderStarted(2), t.holderStarted(3)), std::tuple(555u, 0u, 0u));
    EXPECT_EQ(t.at(1).holderStarted, 555u);
    EXPECT_EQ(drain(t), "xbd");
    ASSERT_EQ(t.returnRows({3, 1}), 2u);
    EXPECT_EQ(drain(t), "ac");
}

// A restored hand-out comes back like any other once its holder, known by
// id and start time, is found gone: of several rows restored for one holder
// only the latest (by time, then by position), and a process that got the
// same id later is another holder.
TEST(BookmarkTable, RestoredHandOutsComeBackWhenTheirHolderIsGone) {
    BookmarkTable t;
    t.appendRestored("a", true, 7, 100, 50);
    t.appendRestored("b", true, 7, 300, 50);  // 7's latest
    t.appendRestored("c", true, 7, 200, 50);
    t.appendRestored("d", true, 7, 400, 60);  // another process with id 7
    t.appendRestored("e", true, 9, -1, 0);    // start and time unknown
    t.appendRestored("f", true, 9, -1, 0);    // the same: the one further down
    t.appendRestored("g", false, 0, -1, 0);
    EXPECT_EQ(t.lastHandoutOf(BookmarkHolder{7, 50}), std::optional<std::size_t>(1));
    EXPECT_EQ(t.lastHandoutOf(BookmarkHolder{7, 60}), std::optional<std::size_t>(3));
    EXPECT_EQ(t.lastHandoutOf(9), std::optional<std::size_t>(5));
    EXPECT_EQ(t.holders().size(), 3u);

    std::vector<BookmarkHolder> asked;
    EXPECT_EQ(t.returnLastHandoutsOf([&](const BookmarkHolder& h) {
        asked.push_back(h);
        return h == BookmarkHolder{7, 50} || h == BookmarkHolder{9, 0};
    }),
              (Rows{1, 5}));
    EXPECT_EQ(asked.size(), 3u);
    EXPECT_EQ(show(t), "a7 b- c7 d7 e9 f- g-");
    ASSERT_EQ(t.holders().size(), 1u);
    EXPECT_EQ(t.holders()[0], (BookmarkHolder{7, 60}));
    // Given back, they go out again first.
    EXPECT_EQ(requests(t, false, 3), (Seq{"b", "f", "g"}));
}

// The same process id with two start times is two holders: each keeps its
// own last hand-out, and only the one found gone gives it back.
TEST(BookmarkTable, HoldersAreTheirIdAndStartTimeTogether) {
    BookmarkTable t = tableOf(4);
    ASSERT_EQ(t.next(false, BookmarkHolder{7, 100}, 10).row, 0u);
    ASSERT_EQ(t.next(false, BookmarkHolder{7, 200}, 11).row, 1u);
    EXPECT_EQ(std::tuple(t.holder(1), t.holderStarted(1)), std::tuple(7u, 200u));
    EXPECT_EQ(t.lastHandoutOf(BookmarkHolder{7, 100}), std::optional<std::size_t>(0));
    EXPECT_EQ(t.lastHandoutOf(7), std::nullopt) << "no holder 7 of unknown start";
    EXPECT_EQ(t.returnLastHandoutsOf([](const BookmarkHolder& h) { return h.started == 100; }), Rows{0});
    EXPECT_EQ(show(t), "a- b7 c- d-");
    ASSERT_EQ(t.returnRows({1}), 1u);
    EXPECT_EQ(t.holderStarted(1), 0u);
}

// The holders are exactly those that can still give a row back: none once
// their last row is given back, handed on, reset, deleted or cleared.
TEST(BookmarkTable, HoldersAreForgottenOnceNoLastHandOutNamesThem) {
    const auto holderIds = [](const BookmarkTable& t) {
        std::set<std::uint32_t> ids;
        for (const BookmarkHolder& h : t.holders()) ids.insert(h.processId);
        return ids;
    };
    using Ids = std::set<std::uint32_t>;
    BookmarkTable t = tableOf(6);
    for (std::uint32_t pid : {1u, 2u, 3u, 1u}) (void)requests(t, false, 1, pid);  // a1 b2 c3 d1
    EXPECT_EQ(holderIds(t), (Ids{1, 2, 3}));
    t.returnRows({0});  // an earlier row of 1: 1 still holds d
    EXPECT_EQ(holderIds(t), (Ids{1, 2, 3}));
    t.returnRows({1});
    EXPECT_EQ(holderIds(t), (Ids{1, 3}));
    (void)requests(t, false, 1, 4);  // a, given back, goes to 4
    EXPECT_EQ(holderIds(t), (Ids{1, 3, 4}));
    t.removeRows({2});
    EXPECT_EQ(holderIds(t), (Ids{1, 4}));
    t.resetStates();
    EXPECT_EQ(holderIds(t), Ids{});
    (void)requests(t, false, 1, 5);
    t.clear();
    EXPECT_EQ(holderIds(t), Ids{});

    // A loop wrap starts every row over and forgets every holder too.
    t.appendAll({"x"});
    EXPECT_EQ(requests(t, true, 2, 6), (Seq{"x", "reset"}));
    EXPECT_EQ(holderIds(t), Ids{});
    // A request without a process id names no holder.
    (void)requests(t, false, 1, BookmarkTable::kNoHolder);
    EXPECT_EQ(holderIds(t), Ids{});
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
