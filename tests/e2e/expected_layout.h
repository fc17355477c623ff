// The main window as the operator must see it, written out: the window's
// size, the tab control, every control of each page with its place and size
// at 96 DPI and its caption, and the status bar's fields. Tests compare the
// running panel with these values rather than with the tables the panel is
// built from, so that a changed table shows as a failure.
#pragma once

#include "common/control_ids.h"

#include <vector>

namespace vuv::e2e::expected {

inline constexpr int kMainWidth = 589;
inline constexpr int kMainHeight = 436;

struct Box {
    int x, y, w, h;
};

// The tab control, in the main window's client area.
inline constexpr Box kTab{-4, -1, 584, 365};

// Status bar field widths for the window as it opens; field 1 takes the
// window's width less 160 pixels whatever the width.
inline constexpr int kStatusField0 = 60;
inline constexpr int kStatusField1 = 429;
inline constexpr int kStatusField2 = 90;
inline constexpr int kStatusField1Margin = 160;

struct Control {
    int id;
    Box box;                // relative to the tab control's top-left corner
    const wchar_t* caption;  // nullptr: the text is not fixed
    bool dropDown = false;  // a combo box: its height is the list's
};

struct Page {
    const wchar_t* title;
    std::vector<Control> controls;  // in layout order
};

inline const std::vector<Page>& pages() {
    static const std::vector<Page> table{
        {L"独立控制",
         {
             {id::kInstanceTable, {8, 32, 474, 321}, nullptr},
             {id::kStartBrowser, {496, 40, 80, 32}, L"启动鹭行"},
             {id::kScanBrowsers, {496, 89, 80, 32}, L"检测鹭行"},
             {id::kDownloadPage, {496, 136, 80, 32}, L"下载鹭行"},
             {id::kBrowserPathButton, {496, 272, 80, 32}, L"鹭行路径"},
             {id::kSuggestionPage, {496, 320, 80, 32}, L"提 交 建 议"},
         }},
        {L"批量启动",
         {
             {id::kLaunchClear, {8, 24, 64, 32}, L"清空"},
             {id::kLaunchTextImport, {82, 24, 64, 32}, L"文本导入"},
             {id::kLaunchFileImport, {156, 24, 64, 32}, L"导入"},
             {id::kLaunchExport, {231, 24, 64, 32}, L"导出"},
             {id::kLaunchAll, {324, 24, 80, 32}, L"全部批量启动"},
             {id::kIntervalLabel, {408, 29, 96, 24}, L"启动间隔(毫秒)："},
             {id::kInterval, {503, 31, 64, 20}, nullptr},
             {id::kLaunchList, {8, 58, 552, 278}, nullptr},
             {id::kDesignatedBox, {10, 336, 136, 24}, L"批量启动指定浏览器"},
             {id::kWapBox, {226, 336, 104, 24}, L"WAP浏览模式"},
         }},
        {L"通知处理",
         {
             {id::kRuleList, {8, 32, 354, 317}, nullptr},
             {id::kConditionLabel, {384, 37, 170, 16}, L"通知内容(处理条件)："},
             {id::kConditionEdit, {384, 60, 184, 96}, nullptr},
             {id::kActionCombo, {384, 169, 184, 20}, nullptr, true},
             {id::kLinkLabel, {384, 199, 64, 16}, L"附加内容："},
             {id::kLinkEdit, {384, 221, 184, 96}, nullptr},
             {id::kRuleAdd, {386, 324, 80, 32}, L"加 入"},
             {id::kRuleModify, {480, 324, 80, 32}, L"修 改"},
         }},
        {L"书签管理",
         {
             {id::kBookmarkClear, {8, 32, 64, 32}, L"清空"},
             {id::kBookmarkTextImport, {84, 32, 64, 32}, L"文本导入"},
             {id::kBookmarkFileImport, {160, 32, 64, 32}, L"导入"},
             {id::kLoopBox, {322, 36, 120, 24}, L"是否循环打开书签"},
             {id::kResetStates, {474, 30, 94, 32}, L"清空书签状态"},
             {id::kBookmarkList, {8, 66, 562, 286}, nullptr},
         }},
        {L"链接记录",
         {
             {id::kLinkRecord, {8, 28, 506, 332}, nullptr},
             {id::kLinkSave, {522, 32, 56, 48}, L"保 存"},
             {id::kLinkClear, {522, 95, 56, 48}, L"清 空"},
         }},
        {L"网页记录",
         {
             {id::kPageRecord, {9, 27, 498, 332}, nullptr},
             {id::kPageSave, {520, 32, 56, 48}, L"保 存"},
             {id::kPageClear, {520, 95, 56, 48}, L"清 空"},
         }},
        // Added after the six: the run log.
        {L"运行日志",
         {
             {id::kLogList, {8, 28, 506, 332}, nullptr},
             {id::kLogExport, {522, 32, 56, 48}, L"导出"},
             {id::kLogClear, {522, 95, 56, 48}, L"清空"},
         }},
    };
    return table;
}

}  // namespace vuv::e2e::expected
