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

// Rules in the order the operator arranged them, each with a hit count: how
// many notifications it decided (the caller counts them with recordHit).
//
// Methods taking rows accept them as a list view reports a selection, in
// any order; indices past the end and repeated ones are ignored.
class RuleTable {
public:
    [[nodiscard]] std::size_t size() const noexcept { return entries_.size(); }
    [[nodiscard]] bool empty() const noexcept { return entries_.empty(); }
    // Precondition for the row accessors: row < size().
    [[nodiscard]] const Rule& at(std::size_t row) const noexcept { return entries_[row].rule; }
    [[nodiscard]] std::uint64_t hits(std::size_t row) const noexcept { return entries_[row].hits; }

    // Counts one more hit for the rule at row; a row past the end is ignored.
    void recordHit(std::size_t row) noexcept;

    // Adds a rule at the end with no hits.
    void append(Rule rule) { entries_.push_back({std::move(rule), 0}); }
    // Adds a rule at the end with the hit count saved in a workspace.
    void appendRestored(Rule rule, std::uint64_t hits) { entries_.push_back({std::move(rule), hits}); }
    // Replaces the rule at row, keeping its position. Its hit count starts
    // again at 0: the hits were earned by the old condition and action, which
    // may have nothing in common with the new ones. false (and nothing
    // changed) for a row past the end.
    bool replace(std::size_t row, Rule rule);

    // Move each given row one place up (down), past its unselected
    // neighbour; adjacent selected rows move as a block, and selected rows
    // already gathered at the top (bottom) stay. Hit counts move with their
    // rules. Return the new positions of all the given rows that exist,
    // ascending, so the view can select them again.
    std::vector<std::size_t> moveUp(std::vector<std::size_t> rows);
    std::vector<std::size_t> moveDown(std::vector<std::size_t> rows);

    // Deletes the given rows in one pass; the others keep their order.
    // Returns how many rows were deleted.
    std::size_t removeRows(std::vector<std::size_t> rows);

private:
    struct Entry {
        Rule rule;
        std::uint64_t hits = 0;
    };
    std::vector<Entry> entries_;
};

// A rule from the entry controls: none for an empty condition; the link text
// is kept only for the action "打开指定连接".
[[nodiscard]] std::optional<Rule> makeRule(std::string_view condition, std::string_view selectedAction,
                                           std::string_view linkText);

struct RuleDecision {
    enum class Kind { None, NextBookmark, OpenLink };
    Kind kind = Kind::None;
    std::string link;     // for OpenLink; may be empty and is sent as it is
    std::size_t row = 0;  // the rule that decided, for its hit count; meaningful unless kind is None
};

// The first rule, in table order, whose condition equals content byte for
// byte and whose action is one of the two known actions decides; rules with
// any other action are passed over. The table is not changed: the caller
// counts the hit with recordHit(decision.row).
[[nodiscard]] RuleDecision applyRules(const RuleTable& rules, std::string_view content);

// Carries a decision out for the browser whose command window is given: the
// next bookmark, or the rule's link under "跳转" (an empty link included).
void carryOutRule(const RuleDecision& decision, std::uint32_t commandWindow, PanelActions& actions);

}  // namespace vuv
