#include "rules/rules.h"

#include "core/recording_actions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/texts.h"

namespace {

using namespace vuv;
using Kind = RuleDecision::Kind;
using Rows = std::vector<std::size_t>;

const std::string kBookmark(text::kActionBookmark), kOpenLink(text::kActionOpenLink);

// "none", "bookmark" or "open:<link>" for content against the given rules.
std::string decide(const std::vector<Rule>& rules, const std::string& content) {
    RuleTable table;
    for (const Rule& r : rules) table.append(r);
    const RuleDecision d = applyRules(table, content);
    return d.kind == Kind::None ? "none" : d.kind == Kind::NextBookmark ? "bookmark" : "open:" + d.link;
}

TEST(Rules, MakeRuleRefusesEmptyConditionsAndKeepsTheLinkOnlyForOpenLink) {
    EXPECT_FALSE(makeRule("", kOpenLink, "L"));
    EXPECT_EQ(makeRule("c\r\n d", kOpenLink, "L")->link, "L");
    EXPECT_EQ(makeRule("c", kBookmark, "typed before switching")->link, "");
}

TEST(Rules, FirstExactMatchWithAKnownActionDecides) {
    EXPECT_EQ(decide({{"abc ", kOpenLink, "1"}, {"ABC", kOpenLink, "2"}}, "abc"), "none");
    EXPECT_EQ(decide({{"c", kOpenLink, "L1"}, {"c", kBookmark, ""}}, "c"), "open:L1");
    EXPECT_EQ(decide({{"c", kBookmark, ""}, {"c", kOpenLink, "L1"}}, "c"), "bookmark");
    EXPECT_EQ(decide({{"c", "", ""}, {"c", "x", "L0"}, {"c", kOpenLink, ""}}, "c"), "open:");
    EXPECT_EQ(decide({{"a\r\nb", kBookmark, ""}}, "a\nb"), "none");
    EXPECT_EQ(decide({{"a\r\nb", kBookmark, ""}}, "a\r\nb"), "bookmark");
}

TEST(Rules, AReplacedRuleDecidesFromItsOldPlace) {
    RuleTable table;
    table.append({"c", kOpenLink, "L1"});
    table.append({"c", kBookmark, ""});
    table.append({"d", kOpenLink, "L2"});

    // A rule emptied of its action lets the next one with the same condition act.
    ASSERT_TRUE(table.replace(0, *makeRule("c", "", "L1")));
    EXPECT_EQ(applyRules(table, "c").kind, Kind::NextBookmark);
    // Changing the condition moves the rule's match, not its position.
    ASSERT_TRUE(table.replace(2, *makeRule("c", kOpenLink, "L3")));
    EXPECT_EQ(applyRules(table, "d").kind, Kind::None);
    ASSERT_TRUE(table.replace(1, *makeRule("x", kBookmark, "")));
    EXPECT_EQ(applyRules(table, "c").link, "L3");

    EXPECT_FALSE(table.replace(3, *makeRule("c", kBookmark, "")));
    EXPECT_EQ(table.size(), 3u);
}

// A decision becomes the bookmark hand-out or the link sent under "跳转" to
// the browser that asked, an empty link included.
TEST(Rules, DecisionsAreCarriedOutForTheAskingBrowser) {
    const std::pair<RuleDecision, std::vector<std::string>> cases[] = {
        {{RuleDecision::Kind::NextBookmark, {}}, {"bookmark 42"}},
        {{RuleDecision::Kind::OpenLink, "http://x"}, {"send 42 jump http://x"}},
        {{RuleDecision::Kind::OpenLink, ""}, {"send 42 jump "}},
        {{RuleDecision::Kind::None, "ignored"}, {}},
    };
    for (const auto& [decision, expected] : cases) {
        doubles::RecordingActions actions;
        carryOutRule(decision, 42, actions);
        EXPECT_EQ(actions.calls, expected);
    }
}


// Rules a, b, c, ... with hit counts 1, 2, 3, ...
RuleTable lettered(std::size_t n) {
    RuleTable table;
    for (std::size_t i = 0; i < n; ++i) {
        table.appendRestored({std::string(1, static_cast<char>('a' + i)), kBookmark, ""}, i + 1);
    }
    return table;
}

// Each rule's condition followed by its hit count: "a1 b2".
std::string layout(const RuleTable& table) {
    std::string out;
    for (std::size_t row = 0; row < table.size(); ++row) {
        out += (row == 0 ? "" : " ") + table.at(row).condition + std::to_string(table.hits(row));
    }
    return out;
}

TEST(Rules, MovingShiftsSelectedRulesWithTheirHitsAndReportsWhereTheyAre) {
    struct Case {
        bool up;
        Rows rows;
        const char* after;
        Rows selected;
    };
    const Case cases[] = {
        {true, {2}, "a1 c3 b2 d4 e5", {1}},
        {true, {2, 3}, "a1 c3 d4 b2 e5", {1, 2}},
        {true, {0}, "a1 b2 c3 d4 e5", {0}},
        {true, {0, 1, 3}, "a1 b2 d4 c3 e5", {0, 1, 2}},
        {true, {4, 4, 9, 2}, "a1 c3 b2 e5 d4", {1, 3}},
        {true, {0, 1, 2, 3, 4}, "a1 b2 c3 d4 e5", {0, 1, 2, 3, 4}},
        {true, {}, "a1 b2 c3 d4 e5", {}},
        {false, {2}, "a1 b2 d4 c3 e5", {3}},
        {false, {1, 2}, "a1 d4 b2 c3 e5", {2, 3}},
        {false, {4, 3, 1}, "a1 c3 b2 d4 e5", {2, 3, 4}},
        {false, {0, 4, 7}, "b2 a1 c3 d4 e5", {1, 4}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.after);
        RuleTable table = lettered(5);
        EXPECT_EQ(c.up ? table.moveUp(c.rows) : table.moveDown(c.rows), c.selected);
        EXPECT_EQ(layout(table), c.after);
    }
}

TEST(Rules, RemovingRowsKeepsTheOthersInOrder) {
    struct Case {
        Rows rows;
        std::size_t count;
        const char* after;
    };
    const Case cases[] = {{{1}, 1, "a1 c3 d4 e5"}, {{4, 0, 0, 7}, 2, "b2 c3 d4"}, {{3, 2, 1, 0, 4}, 5, ""}};
    for (const Case& c : cases) {
        RuleTable table = lettered(5);
        EXPECT_EQ(table.removeRows(c.rows), c.count);
        EXPECT_EQ(layout(table), c.after);
    }
}

TEST(Rules, TheDecidingRowIsReportedForTheCallerToCountItsHit) {
    RuleTable table;
    table.append({"c", "", ""});
    table.append({"c", kBookmark, ""});
    table.append({"d", kOpenLink, "L"});
    EXPECT_EQ(applyRules(table, "c").row, 1u);
    EXPECT_EQ(applyRules(table, "d").row, 2u);
    for (const std::size_t row : {1, 1, 2, 3}) table.recordHit(row);  // 3 is past the end: ignored
    EXPECT_EQ(layout(table), "c0 c2 d1");
    // A replaced rule is a new rule: its count starts again.
    ASSERT_TRUE(table.replace(1, *makeRule("c", kBookmark, "")));
    EXPECT_EQ(layout(table), "c0 c0 d1");
}

}  // namespace
