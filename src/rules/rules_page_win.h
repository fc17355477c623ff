// The page 通知处理: rules that map an exact notification text to an action.
#pragma once

#include "common/listview_win.h"
#include "common/page_win.h"
#include "rules/rules.h"

#include <optional>
#include <string_view>

namespace vuv::win {

class RulesPage final : public Page {
public:
    explicit RulesPage(HWND main);
    bool onCommand(int id, int notifyCode) override;
    bool onNotify(const NMHDR& header, LRESULT& result) override;

    // What the rules say to a notification's content.
    [[nodiscard]] RuleDecision decide(std::string_view content) const { return applyRules(rules_, content); }

    // "加 入": appends a rule from the entry controls.
    void addRule();
    // "修 改": replaces every selected rule, first to last, with the rule the
    // entry controls describe; nothing happens without a selection or with an
    // empty condition.
    void modifySelectedRules();

    [[nodiscard]] const RuleTable& table() const noexcept { return rules_; }

private:
    [[nodiscard]] std::optional<Rule> ruleFromEntry() const;
    void onActionChanged();

    HWND main_;
    VirtualListView view_;
    RuleTable rules_;
};

}  // namespace vuv::win
