#include "rules/rules.h"

#include "common/row_selection.h"
#include "common/texts.h"

namespace vuv {

void RuleTable::recordHit(std::size_t row) noexcept {
    if (row < entries_.size()) ++entries_[row].hits;
}

bool RuleTable::replace(std::size_t row, Rule rule) {
    if (row >= entries_.size()) return false;
    entries_[row] = {std::move(rule), 0};
    return true;
}

std::vector<std::size_t> RuleTable::moveUp(std::vector<std::size_t> rows) {
    rows = existingRows(std::move(rows), entries_.size());
    // Rows before `top` are selected rows gathered at the top; they stay.
    // Going down the selection, the row above each other one is unselected
    // (or was just moved down by the swap before), so the swap is safe.
    std::size_t top = 0;
    for (std::size_t& row : rows) {
        if (row == top) {
            ++top;
            continue;
        }
        std::swap(entries_[row - 1], entries_[row]);
        --row;
    }
    return rows;
}

std::vector<std::size_t> RuleTable::moveDown(std::vector<std::size_t> rows) {
    rows = existingRows(std::move(rows), entries_.size());
    // Rows from `bottom` on are selected rows gathered at the bottom; they stay.
    std::size_t bottom = entries_.size();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (*it + 1 == bottom) {
            --bottom;
            continue;
        }
        std::swap(entries_[*it], entries_[*it + 1]);
        ++*it;
    }
    return rows;
}

std::size_t RuleTable::removeRows(std::vector<std::size_t> rows) {
    rows = existingRows(std::move(rows), entries_.size());
    eraseRows(entries_, rows);
    return rows.size();
}

std::optional<Rule> makeRule(std::string_view condition, std::string_view selectedAction, std::string_view linkText) {
    if (condition.empty()) return std::nullopt;
    const bool opensLink = selectedAction == text::kActionOpenLink;
    return Rule{std::string(condition), std::string(selectedAction), opensLink ? std::string(linkText) : std::string()};
}

RuleDecision applyRules(const RuleTable& rules, std::string_view content) {
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const Rule& rule = rules.at(i);
        if (rule.condition != content) continue;
        if (rule.action == text::kActionBookmark) return {RuleDecision::Kind::NextBookmark, {}, i};
        if (rule.action == text::kActionOpenLink) return {RuleDecision::Kind::OpenLink, rule.link, i};
    }
    return {};
}

void carryOutRule(const RuleDecision& decision, std::uint32_t commandWindow, PanelActions& actions) {
    switch (decision.kind) {
        case RuleDecision::Kind::None: return;
        case RuleDecision::Kind::NextBookmark: actions.handOutBookmark(commandWindow); return;
        case RuleDecision::Kind::OpenLink: actions.send(commandWindow, Command::of(Command::Kind::OpenLink, decision.link)); return;
    }
}

}  // namespace vuv
