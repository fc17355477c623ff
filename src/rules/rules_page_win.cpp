#include "rules/rules_page_win.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/texts.h"
#include "common/ui_win.h"

namespace vuv::win {

RulesPage::RulesPage(HWND main) : main_(main) {
    view_.attach(GetDlgItem(main, id::kRuleList), {{L"通知内容", 80}, {L"对应的操作", 120}, {L"项目表", 150}},
                 [this](std::size_t row, int column) -> std::string_view {
                     if (row >= rules_.size()) return {};
                     const Rule& rule = rules_.at(row);
                     switch (column) {
                         case 0: return rule.condition;
                         case 1: return rule.action;
                         default: return rule.link;
                     }
                 });
    HWND actions = GetDlgItem(main, id::kActionCombo);
    for (std::string_view action : {text::kActionBookmark, text::kActionOpenLink}) {
        SendMessageW(actions, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(action).c_str()));
    }
    // "从书签管理打开连接" is selected at start: a rule typed and added
    // straight away then acts, and it needs no link, so the link box starts
    // disabled, matching the selection.
    SendMessageW(actions, CB_SETCURSEL, 0, 0);
    onActionChanged();
}

std::optional<Rule> RulesPage::ruleFromEntry() const {
    return makeRule(controlText(GetDlgItem(main_, id::kConditionEdit)), controlText(GetDlgItem(main_, id::kActionCombo)),
                    controlText(GetDlgItem(main_, id::kLinkEdit)));
}

void RulesPage::addRule() {
    std::optional<Rule> rule = ruleFromEntry();
    if (!rule) return;
    rules_.append(std::move(*rule));
    view_.setRowCount(rules_.size());
}

void RulesPage::modifySelectedRules() {
    const std::vector<std::size_t> rows = view_.selectedRows();
    if (rows.empty()) return;
    const std::optional<Rule> rule = ruleFromEntry();
    if (!rule) return;
    for (std::size_t row : rows) rules_.replace(row, *rule);
    view_.refresh();
}

void RulesPage::onActionChanged() {
    const std::string action = controlText(GetDlgItem(main_, id::kActionCombo));
    EnableWindow(GetDlgItem(main_, id::kLinkEdit), action == text::kActionOpenLink ? TRUE : FALSE);
}

bool RulesPage::onCommand(int id, int notifyCode) {
    switch (id) {
        case id::kRuleAdd: addRule(); return true;
        case id::kRuleModify: modifySelectedRules(); return true;
        case id::kActionCombo:
            if (notifyCode == CBN_SELCHANGE) onActionChanged();
            return true;
        default: return false;
    }
}

bool RulesPage::onNotify(const NMHDR& header, LRESULT&) { return view_.onNotify(header); }

}  // namespace vuv::win
