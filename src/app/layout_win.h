// The main window's layout: its pages, their controls, the menu bar and the
// two pop-up menus, as tables.
#pragma once

#include "app/control_ids.h"
#include "common/ui_win.h"

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <vector>

namespace vuv::win::layout {

inline constexpr int kMainWidth = 589;
inline constexpr int kMainHeight = 436;

// The tab control 选择夹1, in the main window's client area.
inline constexpr ControlRow kTab{id::选择夹1, Kind::Tab, L"", 0, -4, -1, 584, 365};

// The status bar 状态条1 and its three fields.
inline constexpr int kStatusField0 = 60;
inline constexpr int kStatusField1 = 210;
inline constexpr int kStatusField2 = 90;
inline constexpr int kStatusField1Margin = 160;  // field 1 = window width - 160 after a size change

struct Page {
    const wchar_t* title;
    std::vector<ControlRow> controls;  // positions relative to the tab control's top-left corner
};

// Pages in tab order. The first is current at start-up.
enum PageIndex : int { kInstances = 0, kLaunch, kRules, kBookmarks, kLinkRecord, kPageRecord, kPageCount };

inline const std::array<Page, kPageCount>& pages() {
    static const std::array<Page, kPageCount> table{{
        {L"独立控制",
         {
             {id::独立控制, Kind::ListView, L"", 0, 8, 32, 474, 321},
             {id::按钮17, Kind::Button, L"启动鹭行", 0, 496, 40, 80, 32},
             {id::检测鹭行, Kind::Button, L"检测鹭行", 0, 496, 89, 80, 32},
             {id::检测鹭行3, Kind::Button, L"下载鹭行", 0, 496, 136, 80, 32},
             {id::检测鹭行2, Kind::Button, L"鹭行路径", 0, 496, 272, 80, 32},
             {id::检测鹭行1, Kind::Button, L"提 交 建 议", 0, 496, 320, 80, 32},
         }},
        {L"批量启动",
         {
             {id::按钮3, Kind::Button, L"清空", 0, 8, 24, 64, 32},
             {id::按钮4, Kind::Button, L"文本导入", 0, 82, 24, 64, 32},
             {id::按钮1, Kind::Button, L"导入", 0, 156, 24, 64, 32},
             {id::按钮2, Kind::Button, L"导出", 0, 231, 24, 64, 32},
             {id::按钮7, Kind::Button, L"全部批量启动", 0, 324, 24, 80, 32},
             {id::透明标签1, Kind::TransparentLabel, L"启动间隔(毫秒)：", 0, 408, 29, 96, 24},
             {id::启动间隔, Kind::Edit, L"800", 0, 503, 31, 64, 20},
             {id::超级列表框1, Kind::ListView, L"", 0, 8, 58, 552, 278},
             {id::选择框1, Kind::CheckBox, L"批量启动指定浏览器", 0, 10, 336, 136, 24},
             {id::选择框2, Kind::CheckBox, L"WAP浏览模式", 0, 226, 336, 104, 24},
             {id::标签1, Kind::Label, L"", 0, 498, -40, 8, 24},
         }},
        {L"通知处理",
         {
             {id::超级列表框3, Kind::ListView, L"", 0, 8, 32, 354, 317},
             {id::透明标签3, Kind::TransparentLabel, L"通知内容(处理条件)：", 0, 384, 37, 170, 16},
             {id::编辑框4, Kind::MultiLineEdit, L"", 0, 384, 60, 184, 96},
             {id::组合框1, Kind::ComboList, L"", 0, 384, 169, 184, 20},
             {id::透明标签2, Kind::TransparentLabel, L"附加内容：", 0, 384, 199, 64, 16},
             {id::编辑框1, Kind::MultiLineEdit, L"", WS_DISABLED, 384, 221, 184, 96},
             {id::按钮5, Kind::Button, L"加 入", 0, 386, 324, 80, 32},
             {id::按钮8, Kind::Button, L"修 改", 0, 480, 324, 80, 32},
         }},
        {L"书签管理",
         {
             {id::按钮6, Kind::Button, L"清空", 0, 8, 32, 64, 32},
             {id::按钮9, Kind::Button, L"文本导入", 0, 84, 32, 64, 32},
             {id::按钮10, Kind::Button, L"导入", 0, 160, 32, 64, 32},
             {id::选择框3, Kind::CheckBox, L"是否循环打开书签", 0, 322, 36, 120, 24},
             {id::按钮12, Kind::Button, L"清空书签状态", 0, 474, 30, 94, 32},
             {id::超级列表框2, Kind::ListView, L"", 0, 8, 66, 562, 286},
         }},
        {L"链接记录",
         {
             {id::编辑框2, Kind::MultiLineEdit, L"", 0, 8, 28, 506, 332},
             {id::按钮13, Kind::Button, L"保 存", 0, 522, 32, 56, 48},
             {id::按钮14, Kind::Button, L"清 空", 0, 522, 95, 56, 48},
         }},
        {L"网页记录",
         {
             {id::编辑框3, Kind::MultiLineEdit, L"", 0, 9, 27, 498, 332},
             {id::按钮15, Kind::Button, L"保 存", 0, 520, 32, 56, 48},
             {id::按钮16, Kind::Button, L"清 空", 0, 520, 95, 56, 48},
         }},
    }};
    return table;
}

// Menus: a caption and a command; a null caption is a separator.
struct MenuRow {
    const wchar_t* caption;
    int command;
};

inline constexpr const wchar_t* kMenuBarTitle = L"设置";

inline constexpr std::array<MenuRow, 8> kSettingsMenu{{
    {L"窗口总最前", id::窗口总最前},
    {L"设置默认配置", id::设置默认配置},
    {L"鹭行的路径", id::鹭行的路径},
    {L"设置批量启动指定浏览器", id::设置批量启动指定浏览器},
    {nullptr, 0},
    {L"超级老板键", id::超级老板键},
    {nullptr, 0},
    {L"退出", id::退出},
}};

inline constexpr std::array<MenuRow, 7> kLaunchMenu{{
    {L"修改选中的连接", id::修改选中的连接},
    {L"修改选中的配置", id::修改选中的配置},
    {L"修改选中的书签名", id::修改选中的书签名},
    {nullptr, 0},
    {L"启动选中的连接", id::启动选中的连接},
    {L"启动选中的连接(指定浏览器)", id::启动选中的连接指定浏览器},
    {L"删除选中的链接", id::删除选中的链接},
}};

inline constexpr std::array<MenuRow, 12> kInstanceMenu{{
    {L"读取配置", id::读取配置},
    {L"设置代理IP", id::设置代理IP},
    {L"打开指定连接", id::打开指定连接},
    {nullptr, 0},
    {L"给鹭行取名", id::给鹭行取名},
    {L"窗口闪烁", id::窗口闪烁},
    {L"刷新", id::刷新},
    {nullptr, 0},
    {L"开始", id::开始},
    {L"停止", id::停止},
    {nullptr, 0},
    {L"关闭鹭行", id::关闭鹭行},
}};

}  // namespace vuv::win::layout
