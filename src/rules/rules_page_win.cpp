#include "rules/rules_page_win.h"

#include "app/app_win.h"
#include "app/control_ids.h"
#include "bookmarks/bookmark_page_win.h"
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
    SendMessageW(actions, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"从书签管理打开连接"));
    SendMessageW(actions, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L"打开指定连接"));
    // The first action is selected at start, so a new rule acts unless the
    // operator picks otherwise; the link box stays disabled for it.
    SendMessageW(actions, CB_SETCURSEL, 0, 0);
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

void RulesPage::addRule() {
    std::optional<Rule> rule = makeRule(controlText(GetDlgItem(main_, id::编辑框4)),
                                        controlText(GetDlgItem(main_, id::组合框1)),
                                        controlText(GetDlgItem(main_, id::编辑框1)));
    if (!rule) return;
    rules_.append(std::move(*rule));
    view_.setRowCount(rules_.size());
}

void RulesPage::onActionChanged() {
    const std::string action = controlText(GetDlgItem(main_, id::组合框1));
    EnableWindow(GetDlgItem(main_, id::编辑框1), action == text::kActionOpenLink ? TRUE : FALSE);
}

bool RulesPage::onCommand(int id, int notifyCode) {
    switch (id) {
        case id::按钮5: addRule(); return true;
        case id::组合框1:
            if (notifyCode == CBN_SELCHANGE) onActionChanged();
            return true;
        default: return false;
    }
}

bool RulesPage::onNotify(const NMHDR& header, LRESULT&) { return view_.onNotify(header); }

}  // namespace vuv::win
