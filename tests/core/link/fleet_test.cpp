#include "link/fleet.h"

#include "common/texts.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace vuv;

// Facts belong to a copy for as long as it is listed: a rescan keeps those of
// the copies found again, starts new ones afresh and forgets the rest; nothing
// is kept for a copy that is not listed.
TEST(Fleet, FactsLastAsLongAsTheCopyIsListed) {
    FleetFacts fleet;
    EXPECT_FALSE(fleet.heardFrom(7, 10));
    fleet.listed({7, 8});
    EXPECT_TRUE(fleet.heardFrom(7, 3600));
    EXPECT_TRUE(fleet.heardFrom(7, 3661));
    EXPECT_TRUE(fleet.handedBookmark(7, "http://a/"));
    EXPECT_TRUE(fleet.postedProxy(8, proxyText(127, 0, 0, 1, 80)));
    EXPECT_TRUE(fleet.setState(8, CopyState::Hung));
    EXPECT_FALSE(fleet.setState(8, CopyState::Hung)) << "no change";

    fleet.listed({8, 9, 7});
    ASSERT_NE(fleet.facts(7), nullptr);
    EXPECT_EQ(fleet.facts(7)->heard, 2u);
    EXPECT_EQ(fleet.facts(7)->lastHeard, 3661);
    EXPECT_EQ(fleet.facts(7)->bookmark, "http://a/");
    EXPECT_EQ(fleet.facts(8)->proxy, "127.0.0.1:80");
    EXPECT_EQ(fleet.facts(8)->state, CopyState::Hung);
    EXPECT_EQ(fleet.facts(9)->heard, 0u);
    EXPECT_EQ(fleet.facts(9)->lastHeard, -1);

    fleet.listed({9});
    EXPECT_EQ(fleet.facts(7), nullptr);
    fleet.listed({7});
    EXPECT_EQ(fleet.facts(7)->heard, 0u) << "a copy listed again starts afresh";
}

TEST(Fleet, StatesAreSelectedAndNamed) {
    FleetFacts fleet;
    fleet.listed({1, 2, 3, 4});
    fleet.setState(2, CopyState::Exited);
    fleet.setState(4, CopyState::Exited);
    fleet.setState(3, CopyState::Hung);
    std::vector<std::uint32_t> exited = fleet.inState(CopyState::Exited);
    std::sort(exited.begin(), exited.end());
    EXPECT_EQ(exited, (std::vector<std::uint32_t>{2, 4}));
    EXPECT_EQ(fleet.inState(CopyState::Hung), std::vector<std::uint32_t>{3});
    EXPECT_EQ(stateText(CopyState::Running), text::kStateRunning);
    EXPECT_EQ(stateText(CopyState::Hung), text::kStateHung);
    EXPECT_EQ(stateText(CopyState::Exited), text::kStateExited);
}

}  // namespace
