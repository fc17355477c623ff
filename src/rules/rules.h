// Notification rules: an exact notification text mapped to an action that
// opens a link in the browser that sent it.
#pragma once

#include "link/notification.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vuv {

struct Rule {
    std::string condition;  // never empty; may hold CR LF
    std::string action;     // "从书签管理打开连接", "打开指定连接" or whatever was selected (may be empty)
    std::string link;       // only with "打开指定连接"
};

// Rules in the order they were added. They are never removed; "修 改"
// replaces a rule in place, keeping its position in the table.
class RuleTable {
public:
    [[nodiscard]] std::size_t size() const noexcept { return rules_.size(); }
    [[nodiscard]] bool empty() const noexcept { return rules_.empty(); }
    // Precondition: row < size().
    [[nodiscard]] const Rule& at(std::size_t row) const noexcept { return rules_[row]; }
    void append(Rule rule) { rules_.push_back(std::move(rule)); }
    // Replaces the rule at row; false (and nothing changed) for a row past the end.
    bool replace(std::size_t row, Rule rule) {
        if (row >= rules_.size()) return false;
        rules_[row] = std::move(rule);
        return true;
    }

private:
    std::vector<Rule> rules_;
};

// A rule from the entry controls: none for an empty condition; the link text
// is kept only for the action "打开指定连接".
[[nodiscard]] std::optional<Rule> makeRule(std::string_view condition, std::string_view selectedAction,
                                           std::string_view linkText);

struct RuleDecision {
    enum class Kind { None, NextBookmark, OpenLink };
    Kind kind = Kind::None;
    std::string link;  // for OpenLink; may be empty and is sent as it is
};

// The first rule, in table order, whose condition equals content byte for
// byte and whose action is one of the two known actions decides; rules with
// any other action are passed over.
[[nodiscard]] RuleDecision applyRules(const RuleTable& rules, std::string_view content);

// Carries a decision out for the browser whose command window is given: the
// next bookmark, or the rule's link under "跳转" (an empty link included).
void carryOutRule(const RuleDecision& decision, std::uint32_t commandWindow, PanelActions& actions);

}  // namespace vuv
