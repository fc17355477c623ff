#include "rules/rules_page_win.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/texts.h"
#include "common/ui_win.h"

#include <utility>

namespace vuv::win {

const std::vector<ControlRow>& RulesPage::controls() {
    // Positions relative to the tab control's top-left corner, in tab order.
    static const std::vector<ControlRow> rows{
        {id::kRuleList, Kind::ListView, L"", 0, 8, 32, 354, 317, Anchor::Grow},
        {id::kConditionLabel, Kind::Label, L"通知内容(处理条件)：", 0, 384, 37, 170, 16, Anchor::Right},
        {id::kConditionEdit, Kind::MultiLineEdit, L"", 0, 384, 60, 184, 96, Anchor::Right},
        {id::kActionCombo, Kind::ComboList, L"", 0, 384, 169, 184, 20, Anchor::Right},
        {id::kLinkLabel, Kind::Label, L"附加内容：", 0, 384, 199, 64, 16, Anchor::Right},
        {id::kLinkEdit, Kind::MultiLineEdit, L"", WS_DISABLED, 384, 221, 184, 96, Anchor::Right},
        {id::kRuleAdd, Kind::Button, L"加 入", 0, 386, 324, 80, 32, Anchor::Right},
        {id::kRuleModify, Kind::Button, L"修 改", 0, 480, 324, 80, 32, Anchor::Right},
    };
    return rows;
}

const std::vector<MenuRow>& RulesPage::menu() {
    static const std::vector<MenuRow> rows{
        {L"上移", id::kRuleUp},
        {L"下移", id::kRuleDown},
        {L"删除选中的规则", id::kDeleteRules},
        {L"导出规则…", id::kExportRules},
        {L"导入规则…", id::kImportRules},
    };
    return rows;
}

RulesPage::RulesPage(HWND main) : main_(main) {
    view_.attach(GetDlgItem(main, id::kRuleList),
                 {{L"通知内容", 80}, {L"对应的操作", 120}, {L"项目表", 150}, {L"命中", 50}},
                 [this](std::size_t row, int column) -> std::string_view {
                     if (row >= rules_.size()) return {};
                     const Rule& rule = rules_.at(row);
                     switch (column) {
                         case 0: return rule.condition;
                         case 1: return rule.action;
                         case 2: return rule.link;
                         default: hits_ = std::to_string(rules_.hits(row)); return hits_;
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

void RulesPage::recordHit(std::size_t row) {
    if (row >= rules_.size()) return;
    rules_.recordHit(row);
    ListView_RedrawItems(view_.hwnd(), static_cast<int>(row), static_cast<int>(row));
}

void RulesPage::moveSelected(bool up) {
    std::vector<std::size_t> rows = view_.selectedRows();
    if (rows.empty()) return;
    rows = up ? rules_.moveUp(std::move(rows)) : rules_.moveDown(std::move(rows));
    view_.select(rows);
    view_.refresh();
}

std::size_t RulesPage::deleteSelected() {
    const std::size_t removed = rules_.removeRows(view_.selectedRows());
    if (removed == 0) return 0;
    view_.clearSelection();
    view_.setRowCount(rules_.size());
    return removed;
}

void RulesPage::appendRules(const std::vector<std::pair<Rule, std::uint64_t>>& rules) {
    for (const auto& [rule, hits] : rules) rules_.appendRestored(rule, hits);
    view_.setRowCount(rules_.size());
}

void RulesPage::replaceTable(RuleTable table) {
    rules_ = std::move(table);
    view_.clearSelection();
    view_.setRowCount(rules_.size());  // redraws every row
}

void RulesPage::onActionChanged() {
    const std::string action = controlText(GetDlgItem(main_, id::kActionCombo));
    EnableWindow(GetDlgItem(main_, id::kLinkEdit), action == text::kActionOpenLink ? TRUE : FALSE);
}

void RulesPage::registerIds(Routes& routes) {
    constexpr char kOwner[] = "rules page";
    routes.commands.claim(id::kRuleAdd, kOwner, [this](int) { addRule(); });
    routes.commands.claim(id::kRuleModify, kOwner, [this](int) { modifySelectedRules(); });
    routes.commands.claim(id::kRuleUp, kOwner, [this](int) { moveSelected(true); });
    routes.commands.claim(id::kRuleDown, kOwner, [this](int) { moveSelected(false); });
    routes.commands.claim(id::kDeleteRules, kOwner, [this](int) { deleteSelected(); });
    routes.commands.claim(id::kActionCombo, kOwner, [this](int notifyCode) {
        if (notifyCode == CBN_SELCHANGE) onActionChanged();
    });
    routes.notifications.claim(id::kRuleList, kOwner,
                               [this](const NMHDR& header) { return view_.onNotify(header, main_, menu()); });
}

}  // namespace vuv::win
