// The main window as the operator must see it: the window's size, the tab
// control, the status bar's fields, each page's title and controls with
// their captions, and the place and size at 96 DPI of every control whose
// place is fixed. Tests compare the running panel with these values rather
// than with the tables the panel is built from, so that a changed table
// shows as a failure. A control given without a place (the run log's) is
// checked only for what holds of every control: it lies inside its page,
// overlaps no other control and is reached by Tab in the order of the rows;
// moving it is a change of the program's table alone.
#pragma once

#include "common/control_ids.h"

#include <optional>
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
    std::optional<Box> box;  // relative to the tab control's top-left corner; none: not fixed
    const wchar_t* caption;  // nullptr: the text is not fixed
    bool dropDown = false;   // a combo box: its height is the list's
};

struct Page {
    const wchar_t* title;
    std::vector<Control> controls;  // in Tab order
};

inline const std::vector<Page>& pages() {
    static const std::vector<Page> table{
        {L"独立控制",
         {
             {id::kInstanceTable, Box{8, 32, 474, 321}, nullptr},
             {id::kStartBrowser, Box{496, 40, 80, 32}, L"启动鹭行"},
             {id::kScanBrowsers, Box{496, 89, 80, 32}, L"检测鹭行"},
             {id::kDownloadPage, Box{496, 136, 80, 32}, L"下载鹭行"},
             {id::kBrowserPathButton, Box{496, 272, 80, 32}, L"鹭行路径"},
             {id::kSuggestionPage, Box{496, 320, 80, 32}, L"提 交 建 议"},
         }},
        {L"批量启动",
         {
             {id::kLaunchClear, Box{8, 24, 64, 32}, L"清空"},
             {id::kLaunchTextImport, Box{82, 24, 64, 32}, L"文本导入"},
             {id::kLaunchFileImport, Box{156, 24, 64, 32}, L"导入"},
             {id::kLaunchExport, Box{231, 24, 64, 32}, L"导出"},
             {id::kLaunchAll, Box{324, 24, 80, 32}, L"全部批量启动"},
             {id::kIntervalLabel, Box{408, 29, 96, 24}, L"启动间隔(毫秒)："},
             {id::kInterval, Box{503, 31, 64, 20}, nullptr},
             {id::kLaunchList, Box{8, 58, 552, 278}, nullptr},
             {id::kDesignatedBox, Box{10, 336, 136, 24}, L"批量启动指定浏览器"},
             {id::kWapBox, Box{226, 336, 104, 24}, L"WAP浏览模式"},
         }},
        {L"通知处理",
         {
             {id::kRuleList, Box{8, 32, 354, 317}, nullptr},
             {id::kConditionLabel, Box{384, 37, 170, 16}, L"通知内容(处理条件)："},
             {id::kConditionEdit, Box{384, 60, 184, 96}, nullptr},
             {id::kActionCombo, Box{384, 169, 184, 20}, nullptr, true},
             {id::kLinkLabel, Box{384, 199, 64, 16}, L"附加内容："},
             {id::kLinkEdit, Box{384, 221, 184, 96}, nullptr},
             {id::kRuleAdd, Box{386, 324, 80, 32}, L"加 入"},
             {id::kRuleModify, Box{480, 324, 80, 32}, L"修 改"},
         }},
        {L"书签管理",
         {
             {id::kBookmarkClear, Box{8, 32, 64, 32}, L"清空"},
             {id::kBookmarkTextImport, Box{84, 32, 64, 32}, L"文本导入"},
             {id::kBookmarkFileImport, Box{160, 32, 64, 32}, L"导入"},
             {id::kLoopBox, Box{322, 36, 120, 24}, L"是否循环打开书签"},
             {id::kResetStates, Box{474, 30, 94, 32}, L"清空书签状态"},
             {id::kBookmarkList, Box{8, 66, 562, 286}, nullptr},
         }},
        {L"链接记录",
         {
             {id::kLinkRecord, Box{8, 28, 506, 332}, nullptr},
             {id::kLinkSave, Box{522, 32, 56, 48}, L"保 存"},
             {id::kLinkClear, Box{522, 95, 56, 48}, L"清 空"},
         }},
        {L"网页记录",
         {
             {id::kPageRecord, Box{9, 27, 498, 332}, nullptr},
             {id::kPageSave, Box{520, 32, 56, 48}, L"保 存"},
             {id::kPageClear, Box{520, 95, 56, 48}, L"清 空"},
         }},
        // The run log: its controls may stand anywhere on the page.
        {L"运行日志",
         {
             {id::kLogList, std::nullopt, nullptr},
             {id::kLogExport, std::nullopt, L"导出"},
             {id::kLogClear, std::nullopt, L"清空"},
         }},
        {L"集群",
         {
             {id::kClusterState, Box{8, 30, 562, 18}, nullptr},
             {id::kClusterQueue, Box{8, 52, 562, 18}, nullptr},
             {id::kClusterList, Box{8, 76, 562, 278}, nullptr},
         }},
    };
    return table;
}

}  // namespace vuv::e2e::expected
