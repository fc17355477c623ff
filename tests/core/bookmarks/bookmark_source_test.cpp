#include "bookmarks/bookmark_source.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace {

using namespace vuv;
using Kind = BookmarkSource::Handout::Kind;
using Rows = std::vector<std::size_t>;

// A table of addresses a0, a1, ... and the source over it, used only through
// the interface, as the hand-out code uses it.
struct Local {
    explicit Local(int count) {
        for (int i = 0; i < count; ++i) table.append("a" + std::to_string(i));
    }
    BookmarkTable table;
    LocalBookmarkSource local{table};
    BookmarkSource& source = local;

    // The address handed out, "reset" or "-".
    std::string ask(BookmarkHolder copy, bool loop = false, std::int32_t at = 100) {
        const BookmarkSource::Handout h = source.next(BookmarkRequest{copy, at, loop});
        switch (h.kind) {
            case Kind::Open:
                EXPECT_TRUE(table.opened(h.row));
                EXPECT_EQ(table.at(h.row).address, h.address);
                return h.address;
            case Kind::Reset: return "reset";
            case Kind::Exhausted: return "-";
        }
        return "?";
    }
    std::set<std::uint32_t> holderIds() const {
        std::set<std::uint32_t> ids;
        for (const BookmarkHolder& h : source.holders()) ids.insert(h.processId);
        return ids;
    }
};

const BookmarkHolder kA{11, 1000};
const BookmarkHolder kB{22, 2000};

bool endedIs(const BookmarkHolder& gone, const BookmarkHolder& h) { return h == gone; }

TEST(LocalBookmarkSource, HandsOutInTableOrderWhoeverAsksAndRecordsTheCopy) {
    Local l(3);
    EXPECT_EQ(l.ask(kA, false, 3661), "a0");
    EXPECT_EQ(l.ask(kB), "a1");
    EXPECT_EQ(l.ask(BookmarkHolder{}), "a2");
    EXPECT_EQ(l.table.holder(0), kA.processId);
    EXPECT_EQ(l.table.holderStarted(0), kA.started);
    EXPECT_EQ(l.table.handedAt(0), 3661);
    EXPECT_EQ(l.table.holder(2), BookmarkTable::kNoHolder);
    // An unknown asker holds nothing the watch could follow.
    EXPECT_EQ(l.holderIds(), (std::set<std::uint32_t>{kA.processId, kB.processId}));
}

TEST(LocalBookmarkSource, UsedUpWithoutLoopAndStartsAgainWithIt) {
    Local off(2);
    EXPECT_EQ(off.ask(kA), "a0");
    EXPECT_EQ(off.ask(kA), "a1");
    EXPECT_EQ(off.ask(kA), "-");
    EXPECT_EQ(off.ask(kA), "-");
    EXPECT_TRUE(off.table.opened(0) && off.table.opened(1));

    Local on(2);
    EXPECT_EQ(on.ask(kA, true), "a0");
    EXPECT_EQ(on.ask(kB, true), "a1");
    EXPECT_EQ(on.ask(kA, true), "reset");
    EXPECT_FALSE(on.table.opened(0) || on.table.opened(1));
    EXPECT_TRUE(on.source.holders().empty());
    EXPECT_EQ(on.ask(kB, true), "a0");

    Local empty(0);
    EXPECT_EQ(empty.ask(kA), "-");
    EXPECT_EQ(empty.ask(kA, true), "reset");
}

// Asking again leaves the earlier entry behind: only the latest comes back
// when the copy ends, and only for that very process.
TEST(LocalBookmarkSource, AnEndedCopyGivesBackOnlyItsLatestEntry) {
    Local l(4);
    EXPECT_EQ(l.ask(kA), "a0");
    EXPECT_EQ(l.ask(kB), "a1");
    EXPECT_EQ(l.ask(kA), "a2");

    // The same id with another creation time is another process.
    EXPECT_TRUE(l.source.ended([](const BookmarkHolder& h) { return endedIs({kA.processId, 1}, h); }).empty());
    EXPECT_EQ(l.source.ended([](const BookmarkHolder& h) { return endedIs(kA, h); }), Rows{2});
    EXPECT_TRUE(l.table.opened(0));
    EXPECT_FALSE(l.table.opened(2));
    EXPECT_EQ(l.holderIds(), std::set<std::uint32_t>{kB.processId});
    // Told again, it has nothing left to give.
    EXPECT_TRUE(l.source.ended([](const BookmarkHolder& h) { return endedIs(kA, h); }).empty());

    // What came back is handed out before any row after it.
    EXPECT_EQ(l.ask(kB), "a2");
    EXPECT_EQ(l.ask(kB), "a3");
    EXPECT_EQ(l.ask(kB), "-");
}

TEST(LocalBookmarkSource, AskingAgainWhenUsedUpKeepsTheLatestEntry) {
    Local l(1);
    EXPECT_EQ(l.ask(kA), "a0");
    EXPECT_EQ(l.ask(kA), "-");
    EXPECT_EQ(l.source.ended([](const BookmarkHolder& h) { return endedIs(kA, h); }), Rows{0});
}

TEST(LocalBookmarkSource, GivingBackRowsFreesThemAndForgetsTheirHolders) {
    Local l(4);
    for (int i = 0; i < 3; ++i) l.ask(i == 1 ? kB : kA);
    // Unused, repeated and unknown rows are ignored.
    EXPECT_EQ(l.source.giveBack({1, 3, 1, 99}), 1u);
    EXPECT_FALSE(l.table.opened(1));
    EXPECT_EQ(l.table.holder(1), BookmarkTable::kNoHolder);
    EXPECT_EQ(l.holderIds(), std::set<std::uint32_t>{kA.processId});
    // kA's latest is row 2; giving back row 0 (left behind) leaves it held.
    EXPECT_EQ(l.source.giveBack({0}), 1u);
    EXPECT_EQ(l.holderIds(), std::set<std::uint32_t>{kA.processId});
    EXPECT_EQ(l.ask(kB), "a0");
    EXPECT_EQ(l.ask(kB), "a1");
    EXPECT_EQ(l.ask(kB), "a3");
    // B's end gives back only its latest, row 3.
    EXPECT_EQ(l.source.ended([](const BookmarkHolder& h) { return endedIs(kB, h); }), Rows{3});
}

}  // namespace
