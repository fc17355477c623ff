// The page 通知处理: rules that map an exact notification text to an action,
// how often each has run, and the pop-up menu that reorders and deletes them
// (its export and import items are the workspace's: the rule file is a
// workspace holding only rules).
#pragma once

#include "common/listview_win.h"
#include "common/menu_win.h"
#include "common/routes_win.h"
#include "common/ui_win.h"
#include "rules/rules.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace vuv::win {

class RulesPage final {
public:
    explicit RulesPage(HWND main);
    // "加 入", "修 改", the action box, the reordering and deleting items
    // of the list's pop-up menu and the list's notifications.
    void registerIds(Routes& routes);

    // What the rules say to a notification's content.
    [[nodiscard]] RuleDecision decide(std::string_view content) const { return applyRules(rules_, content); }

    // "加 入": appends a rule from the entry controls.
    void addRule();
    // "修 改": replaces every selected rule, first to last, with the rule the
    // entry controls describe; nothing happens without a selection or with an
    // empty condition.
    void modifySelectedRules();

    // Counts a hit of the rule that decided a notification.
    void recordHit(std::size_t row);
    // "上移" and "下移": the selected rules one place up or down, still selected.
    void moveSelected(bool up);
    // "删除选中的规则".
    std::size_t deleteSelected();
    // Rules read from a rule file, after the others, with their hit counts.
    void appendRules(const std::vector<std::pair<Rule, std::uint64_t>>& rules);
    // Replaces every rule (a workspace opened).
    void replaceTable(RuleTable table);

    [[nodiscard]] const RuleTable& table() const noexcept { return rules_; }

    // The pop-up menu of the rule list, in its order.
    [[nodiscard]] static const std::vector<MenuRow>& menu();

    // The controls of the tab 通知处理, in tab order.
    [[nodiscard]] static const std::vector<ControlRow>& controls();

private:
    [[nodiscard]] std::optional<Rule> ruleFromEntry() const;
    void onActionChanged();

    HWND main_;
    VirtualListView view_;
    RuleTable rules_;
    std::string hits_;  // the text of the hit count cell last asked for
};

}  // namespace vuv::win
