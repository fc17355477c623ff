// The page 通知处理: rules that map an exact notification text to an action.
#pragma once

#include "app/app_win.h"
#include "common/listview_win.h"
#include "rules/rules.h"

#include <string_view>

namespace vuv::win {

class RulesPage final : public Page {
public:
    void attach(HWND main) override;
    bool onCommand(int id, int notifyCode) override;
    bool onNotify(const NMHDR& header, LRESULT& result) override;

    // Carries out the first matching rule for a notification's content.
    void applyNotificationRules(HWND commandWindow, std::string_view content);

    // Appends a rule from the entry controls.
    void addRule();

private:
    void onActionChanged();

    HWND main_ = nullptr;
    VirtualListView view_;
    RuleTable rules_;
};

}  // namespace vuv::win
