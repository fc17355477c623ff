#include "launch/launch_list.h"

#include <gtest/gtest.h>

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
