// The main window's layout: its tabs in order, the tab control and the menu
// bar, as tables. Each tab's controls, like its pop-up menu, stand with the
// page that shows them.
#pragma once

#include "bookmarks/bookmark_page_win.h"
#include "common/control_ids.h"
#include "common/menu_win.h"
#include "common/ui_win.h"
#include "extras/log_page_win.h"
#include "extras/records_page_win.h"
#include "launch/launch_page_win.h"
#include "link/instance_page_win.h"
#include "rules/rules_page_win.h"

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <vector>

namespace vuv::win::layout {

inline constexpr int kMainWidth = 589;
inline constexpr int kMainHeight = 436;

// The tab control 选择夹1, in the main window's client area.
inline constexpr ControlRow kTab{id::kTabs, Kind::Tab, L"", 0, -4, -1, 584, 365, Anchor::Grow};

// The status bar 状态条1 and its three fields; field 1 takes the window's
// width less the margin, from the start and after every size change.
inline constexpr int kStatusField0 = 60;
inline constexpr int kStatusField2 = 90;
inline constexpr int kStatusField1Margin = 160;

struct Page {
    const wchar_t* title;
    std::vector<ControlRow> controls;  // positions relative to the tab control's top-left corner
};

// Pages in tab order (id::Page). The first is current at start-up.
inline const std::array<Page, id::kPageCount>& pages() {
    static const std::array<Page, id::kPageCount> table{{
        {L"独立控制", InstancePage::controls()},
        {L"批量启动", LaunchPage::controls()},
        {L"通知处理", RulesPage::controls()},
        {L"书签管理", BookmarkPage::controls()},
        {L"链接记录", RecordsPage::linkRecordControls()},
        {L"网页记录", RecordsPage::pageRecordControls()},
        {L"运行日志", LogPage::controls()},
    }};
    return table;
}

inline constexpr const wchar_t* kMenuBarTitle = L"设置";

inline const std::vector<MenuRow>& settingsMenu() {
    static const std::vector<MenuRow> rows{
        {L"窗口总最前", id::kAlwaysOnTop},
        {L"设置默认配置", id::kSetDefaultConfig},
        {L"鹭行的路径", id::kSetBrowserPath},
        {L"设置批量启动指定浏览器", id::kSetDesignatedPath},
        {nullptr, 0},
        {L"超级老板键", id::kSetBossKey},
        {nullptr, 0},
        {L"退出", id::kExit},
    };
    return rows;
}

// A second menu, after 设置: what the panel adds for many copies.
inline constexpr const wchar_t* kToolsMenuTitle = L"工具";

inline const std::vector<MenuRow>& toolsMenu() {
    static const std::vector<MenuRow> rows{
        {L"自动退回已退出浏览器的书签", id::kAutoReturnBookmarks},
        {nullptr, 0},
        {L"保存工作区…", id::kSaveWorkspace},
        {L"打开工作区…", id::kOpenWorkspace},
        {L"自动保存工作区", id::kAutoSaveWorkspace},
        {nullptr, 0},
        {L"启动设置…", id::kLaunchSettings},
        {L"自动重启退出的浏览器", id::kAutoRestart},
        {nullptr, 0},
        {L"自动化接口…", id::kAutomation},
    };
    return rows;
}

}  // namespace vuv::win::layout
