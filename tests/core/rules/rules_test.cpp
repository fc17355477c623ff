#include "rules/rules.h"

#include "core/recording_actions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/texts.h"

namespace {

using namespace vuv;
using Kind = RuleDecision::Kind;

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

}  // namespace
