#include "common/owner_table.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace {

using namespace vuv;
using Commands = OwnerTable<std::function<void(int)>>;

TEST(OwnerTable, EachIdReachesTheOneOwnerThatClaimedIt) {
    Commands table;
    std::vector<std::string> heard;
    ASSERT_TRUE(table.claim(2301, "bookmark page", [&](int code) { heard.push_back("bookmark " + std::to_string(code)); }));
    ASSERT_TRUE(table.claim(1102, "importer", [&](int code) { heard.push_back("importer " + std::to_string(code)); }));

    const auto* bookmark = table.find(2301);
    const auto* importer = table.find(1102);
    ASSERT_NE(bookmark, nullptr);
    ASSERT_NE(importer, nullptr);
    (*importer)(0);
    (*bookmark)(5);
    EXPECT_EQ(heard, (std::vector<std::string>{"importer 0", "bookmark 5"}));
    EXPECT_EQ(table.ownerOf(1102), "importer");
    EXPECT_EQ(table.size(), 2u);
    EXPECT_TRUE(table.clashes().empty());

    // An id nobody claimed has no handler and no owner.
    EXPECT_EQ(table.find(9999), nullptr);
    EXPECT_EQ(table.ownerOf(9999), "");
}

TEST(OwnerTable, ASecondClaimIsRefusedKeepsTheFirstOwnerAndIsRecorded) {
    Commands table;
    std::string ran;
    ASSERT_TRUE(table.claim(2301, "bookmark page", [&](int) { ran = "first"; }));
    EXPECT_FALSE(table.claim(2301, "rules page", [&](int) { ran = "second"; }));
    EXPECT_FALSE(table.claim(2301, "bookmark page", [&](int) { ran = "third"; }));
    ASSERT_TRUE(table.claim(2302, "bookmark page", [](int) {}));

    (*table.find(2301))(0);
    EXPECT_EQ(ran, "first");
    EXPECT_EQ(table.ownerOf(2301), "bookmark page");
    EXPECT_EQ(table.size(), 2u);

    ASSERT_EQ(table.clashes().size(), 2u);
    EXPECT_EQ(table.clashes()[0].id, 2301);
    EXPECT_EQ(table.clashes()[0].owner, "bookmark page");
    EXPECT_EQ(table.clashes()[0].claimant, "rules page");
    // An owner claiming its own id twice is a clash as well.
    EXPECT_EQ(table.clashes()[1].claimant, "bookmark page");
    EXPECT_EQ(table.clashes()[0].describe("command"),
              "command 2301 claimed by rules page, already owned by bookmark page");
}

}  // namespace
