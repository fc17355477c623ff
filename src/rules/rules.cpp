#include "rules/rules.h"

#include "common/texts.h"

namespace vuv {

std::optional<Rule> makeRule(std::string_view condition, std::string_view selectedAction, std::string_view linkText) {
    if (condition.empty()) return std::nullopt;
    const bool opensLink = selectedAction == text::kActionOpenLink;
    return Rule{std::string(condition), std::string(selectedAction), opensLink ? std::string(linkText) : std::string()};
}

RuleDecision applyRules(const RuleTable& rules, std::string_view content) {
    for (std::size_t i = 0; i < rules.size(); ++i) {
        const Rule& rule = rules.at(i);
        if (rule.condition != content) continue;
        if (rule.action == text::kActionBookmark) return {RuleDecision::Kind::NextBookmark, {}};
        if (rule.action == text::kActionOpenLink) return {RuleDecision::Kind::OpenLink, rule.link};
    }
    return {};
}

void carryOutRule(const RuleDecision& decision, std::uint32_t commandWindow, PanelActions& actions) {
    switch (decision.kind) {
        case RuleDecision::Kind::None: return;
        case RuleDecision::Kind::NextBookmark: actions.handOutBookmark(commandWindow); return;
        case RuleDecision::Kind::OpenLink: actions.send(commandWindow, text::kMsgJump, decision.link); return;
    }
}

}  // namespace vuv
