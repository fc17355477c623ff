// The main window's layout: its pages, their controls and the menu bar, as
// tables. (The pop-up menus stand with the pages that pop them up.)
#pragma once

#include "common/control_ids.h"
#include "common/menu_win.h"
#include "common/ui_win.h"

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
        {L"独立控制",
         {
             {id::kInstanceTable, Kind::ItemListView, L"", 0, 8, 32, 474, 321, Anchor::Grow},
             {id::kStartBrowser, Kind::Button, L"启动鹭行", 0, 496, 40, 80, 32, Anchor::Right},
             {id::kScanBrowsers, Kind::Button, L"检测鹭行", 0, 496, 89, 80, 32, Anchor::Right},
             {id::kDownloadPage, Kind::Button, L"下载鹭行", 0, 496, 136, 80, 32, Anchor::Right},
             {id::kBrowserPathButton, Kind::Button, L"鹭行路径", 0, 496, 272, 80, 32, Anchor::Right},
             {id::kSuggestionPage, Kind::Button, L"提 交 建 议", 0, 496, 320, 80, 32, Anchor::Right},
         }},
        {L"批量启动",
         {
             {id::kLaunchClear, Kind::Button, L"清空", 0, 8, 24, 64, 32},
             {id::kLaunchTextImport, Kind::Button, L"文本导入", 0, 82, 24, 64, 32},
             {id::kLaunchFileImport, Kind::Button, L"导入", 0, 156, 24, 64, 32},
             {id::kLaunchExport, Kind::Button, L"导出", 0, 231, 24, 64, 32},
             {id::kLaunchAll, Kind::Button, L"全部批量启动", 0, 324, 24, 80, 32},
             {id::kIntervalLabel, Kind::Label, L"启动间隔(毫秒)：", 0, 408, 29, 96, 24},
             {id::kInterval, Kind::Edit, L"800", 0, 503, 31, 64, 20},
             {id::kLaunchList, Kind::ListView, L"", 0, 8, 58, 552, 278, Anchor::Grow},
             {id::kDesignatedBox, Kind::CheckBox, L"批量启动指定浏览器", 0, 10, 336, 136, 24, Anchor::Bottom},
             {id::kWapBox, Kind::CheckBox, L"WAP浏览模式", 0, 226, 336, 104, 24, Anchor::Bottom},
         }},
        {L"通知处理",
         {
             {id::kRuleList, Kind::ListView, L"", 0, 8, 32, 354, 317, Anchor::Grow},
             {id::kConditionLabel, Kind::Label, L"通知内容(处理条件)：", 0, 384, 37, 170, 16, Anchor::Right},
             {id::kConditionEdit, Kind::MultiLineEdit, L"", 0, 384, 60, 184, 96, Anchor::Right},
             {id::kActionCombo, Kind::ComboList, L"", 0, 384, 169, 184, 20, Anchor::Right},
             {id::kLinkLabel, Kind::Label, L"附加内容：", 0, 384, 199, 64, 16, Anchor::Right},
             {id::kLinkEdit, Kind::MultiLineEdit, L"", WS_DISABLED, 384, 221, 184, 96, Anchor::Right},
             {id::kRuleAdd, Kind::Button, L"加 入", 0, 386, 324, 80, 32, Anchor::Right},
             {id::kRuleModify, Kind::Button, L"修 改", 0, 480, 324, 80, 32, Anchor::Right},
         }},
        {L"书签管理",
         {
             {id::kBookmarkClear, Kind::Button, L"清空", 0, 8, 32, 64, 32},
             {id::kBookmarkTextImport, Kind::Button, L"文本导入", 0, 84, 32, 64, 32},
             {id::kBookmarkFileImport, Kind::Button, L"导入", 0, 160, 32, 64, 32},
             {id::kLoopBox, Kind::CheckBox, L"是否循环打开书签", 0, 322, 36, 120, 24},
             {id::kResetStates, Kind::Button, L"清空书签状态", 0, 474, 30, 94, 32},
             {id::kBookmarkList, Kind::ListView, L"", 0, 8, 66, 562, 286, Anchor::Grow},
         }},
        {L"链接记录",
         {
             {id::kLinkRecord, Kind::MultiLineEdit, L"", 0, 8, 28, 506, 332, Anchor::Grow},
             {id::kLinkSave, Kind::Button, L"保 存", 0, 522, 32, 56, 48, Anchor::Right},
             {id::kLinkClear, Kind::Button, L"清 空", 0, 522, 95, 56, 48, Anchor::Right},
         }},
        {L"网页记录",
         {
             {id::kPageRecord, Kind::MultiLineEdit, L"", 0, 9, 27, 498, 332, Anchor::Grow},
             {id::kPageSave, Kind::Button, L"保 存", 0, 520, 32, 56, 48, Anchor::Right},
             {id::kPageClear, Kind::Button, L"清 空", 0, 520, 95, 56, 48, Anchor::Right},
         }},
        {L"运行日志",
         {
             {id::kLogList, Kind::ListView, L"", 0, 8, 28, 506, 332, Anchor::Grow},
             {id::kLogExport, Kind::Button, L"导出", 0, 522, 32, 56, 48, Anchor::Right},
             {id::kLogClear, Kind::Button, L"清空", 0, 522, 95, 56, 48, Anchor::Right},
         }},
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
