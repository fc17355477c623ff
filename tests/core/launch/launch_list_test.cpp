#include "launch/launch_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace vuv;
using Names = std::vector<std::string>;

Names edited(void (*edit)(LaunchList&)) {
    LaunchList list;
    for (const char* n : {"n0", "n1", "n2", "n3", "n4", "n5", "n6"}) list.append({n, "a", ""});
    edit(list);
    Names out;
    for (const LaunchEntry& e : list.entries()) out.push_back(e.name + "," + e.address + "," + e.config);
    return out;
}

TEST(LaunchList, EditsApplyToExactlyTheSelectedRows) {
    EXPECT_EQ(edited([](LaunchList& l) { l.removeRows({2, 3, 5, 5, 99}); }),
              (Names{"n0,a,", "n1,a,", "n4,a,", "n6,a,"}));
    EXPECT_EQ(edited([](LaunchList& l) { l.removeRows({0, 1, 2, 3, 4, 5, 6}); }), Names{});
    EXPECT_EQ(edited([](LaunchList& l) {
                  l.renameRows({0, 2, 2, 6}, "\xD5\xBE");  // 站
                  l.setAddress({1, 6}, "u");
                  l.setConfig({6, 9}, "c");
                  l.renameRows({3}, "solo");
              }),
              (Names{"\xD5\xBE,a,", "n1,u,", "\xD5\xBE" "1,a,", "solo,a,", "n4,a,", "n5,a,", "\xD5\xBE" "2,u,c"}));
}

TEST(LaunchList, AppendAllKeepsOrderIntoEmptyAndFilledLists) {
    LaunchList list;
    list.appendAll({{"a", "1", ""}, {"b", "2", ""}});
    list.appendAll({});
    list.append({"c", "3", ""});
    list.appendAll({{"d", "4", "x"}});
    Names names;
    for (const LaunchEntry& e : list.entries()) names.push_back(e.name + e.address + e.config);
    EXPECT_EQ(names, (Names{"a1", "b2", "c3", "d4x"}));
}

}  // namespace

namespace {

using namespace vuv;
using Ids = std::vector<LaunchList::Id>;

LaunchList sixRows() {
    LaunchList list;
    for (const char* n : {"r0", "r1", "r2"}) list.append({n, "", ""});
    list.appendAll({{"r3", "", ""}, {"r4", "", ""}, {"r5", "", ""}});
    return list;
}

// What a walk given the ids at its start finds at each turn: the names of
// the rows still there.
Names walk(const LaunchList& list, const Ids& given) {
    Names found;
    for (const LaunchList::Id id : given) {
        if (const auto row = list.rowOf(id)) found.push_back(list.at(*row).name);
    }
    return found;
}

TEST(LaunchList, AnIdFollowsItsRowThroughDeletionsAndIsNeverGivenAgain) {
    LaunchList list = sixRows();
    const Ids given = list.ids();
    ASSERT_EQ(given.size(), 6u);
    for (std::size_t i = 0; i < given.size(); ++i) {
        EXPECT_EQ(list.idAt(i), given[i]);
        EXPECT_EQ(list.rowOf(given[i]), std::optional<std::size_t>(i));
    }
    // Rows 0 and 3 deleted during the walk: the others are found where they moved.
    list.removeRows({0, 3});
    EXPECT_EQ(list.rowOf(given[0]), std::nullopt);
    EXPECT_EQ(list.rowOf(given[1]), std::optional<std::size_t>(0));
    EXPECT_EQ(list.rowOf(given[5]), std::optional<std::size_t>(3));
    EXPECT_EQ(walk(list, given), (Names{"r1", "r2", "r4", "r5"}));
    // Rows added meanwhile are not the walk's.
    list.append({"new", "", ""});
    list.appendAll({{"new2", "", ""}});
    EXPECT_EQ(walk(list, given), (Names{"r1", "r2", "r4", "r5"}));
    EXPECT_EQ(list.ids().size(), list.size());
    EXPECT_TRUE(std::is_sorted(list.ids().begin(), list.ids().end()));

    // A replaced list (an opened workspace), even with equal entries, and a
    // cleared one refilled hold none of the walk's rows.
    std::vector<LaunchEntry> same(sixRows().entries());
    list.replace(same);
    EXPECT_EQ(list.entries(), same);
    EXPECT_TRUE(walk(list, given).empty());
    const Ids replaced = list.ids();
    list.clear();
    EXPECT_TRUE(list.ids().empty());
    list.appendAll(std::move(same));
    EXPECT_TRUE(walk(list, given).empty());
    EXPECT_TRUE(walk(list, replaced).empty());
    EXPECT_EQ(walk(list, list.ids()).size(), 6u);
}

}  // namespace
