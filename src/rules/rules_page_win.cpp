#include "rules/rules_page_win.h"

#include "app/app_win.h"
#include "app/control_ids.h"
#include "bookmarks/bookmark_page_win.h"
#include "common/encoding_win.h"
#include "common/texts.h"
#include "common/ui_win.h"
#include "link/channel_win.h"

namespace vuv::win {

void RulesPage::attach(HWND main) {
    main_ = main;
    view_.attach(GetDlgItem(main, id::超级列表框3), {{L"通知内容", 80}, {L"对应的操作", 120}, {L"项目表", 150}},
                 [this](std::size_t row, int column) -> std::string_view {
                     if (row >= rules_.size()) return {};
                     const Rule& rule = rules_.at(row);
                     switch (column) {
                         case 0: return rule.condition;
                         case 1: return rule.action;
                         default: return rule.link;
                     }
                 });
    HWND actions = GetDlgItem(main, id::组合框1);
    for (std::string_view action : {text::kActionBookmark, text::kActionOpenLink}) {
        SendMessageW(actions, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(widen(action).c_str()));
    }
    // "从书签管理打开连接" is selected at start: a rule typed and added
    // straight away then acts, and it needs no link, so the link box starts
    // disabled, matching the selection.
    SendMessageW(actions, CB_SETCURSEL, 0, 0);
    onActionChanged();
}

void RulesPage::applyNotificationRules(HWND commandWindow, std::string_view content) {
    const RuleDecision decision = applyRules(rules_, content);
    switch (decision.kind) {
        case RuleDecision::Kind::NextBookmark:
            if (app().bookmarks != nullptr) app().bookmarks->openNextBookmark(commandWindow);
            break;
        case RuleDecision::Kind::OpenLink: sendOpenLink(commandWindow, decision.link); break;
        case RuleDecision::Kind::None: break;
    }
}

std::optional<Rule> RulesPage::ruleFromEntry() const {
    return makeRule(controlText(GetDlgItem(main_, id::编辑框4)), controlText(GetDlgItem(main_, id::组合框1)),
                    controlText(GetDlgItem(main_, id::编辑框1)));
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
    const std::string action = controlText(GetDlgItem(main_, id::组合框1));
    EnableWindow(GetDlgItem(main_, id::编辑框1), action == text::kActionOpenLink ? TRUE : FALSE);
}

bool RulesPage::onCommand(int id, int notifyCode) {
    switch (id) {
        case id::按钮5: addRule(); return true;
        case id::按钮8: modifySelectedRules(); return true;
        case id::组合框1:
            if (notifyCode == CBN_SELCHANGE) onActionChanged();
            return true;
        default: return false;
    }
}

bool RulesPage::onNotify(const NMHDR& header, LRESULT&) { return view_.onNotify(header); }

}  // namespace vuv::win
