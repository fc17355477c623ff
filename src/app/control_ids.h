// Identifiers of the main window's controls, menu commands and private
// messages. The names are the controls' names in the panel's layout; the
// end-to-end tests drive the panel through the same numbers.
#pragma once

namespace vuv::id {

enum Control : int {
    状态条1 = 999,
    选择夹1 = 1000,

    // Page 独立控制: the instance table.
    独立控制 = 1001,
    按钮17 = 1002,     // 启动鹭行
    检测鹭行 = 1003,
    检测鹭行3 = 1004,  // 下载鹭行
    检测鹭行2 = 1005,  // 鹭行路径
    检测鹭行1 = 1006,  // 提 交 建 议

    // Page 批量启动: the launch list.
    按钮3 = 1101,  // 清空
    按钮4 = 1102,  // 文本导入
    按钮1 = 1103,  // 导入
    按钮2 = 1104,  // 导出
    按钮7 = 1105,  // 全部批量启动
    透明标签1 = 1106,
    启动间隔 = 1107,
    超级列表框1 = 1108,
    选择框1 = 1109,  // 批量启动指定浏览器
    选择框2 = 1110,  // WAP浏览模式
    标签1 = 1111,    // hidden helper window for posted notices

    // Page 通知处理: the notification rules.
    超级列表框3 = 1201,
    透明标签3 = 1202,
    编辑框4 = 1203,
    组合框1 = 1204,
    透明标签2 = 1205,
    编辑框1 = 1206,
    按钮5 = 1207,  // 加 入
    按钮8 = 1208,  // 修 改

    // Page 书签管理: the bookmark table.
    按钮6 = 1301,   // 清空
    按钮9 = 1302,   // 文本导入
    按钮10 = 1303,  // 导入
    选择框3 = 1304,  // 是否循环打开书签
    按钮12 = 1305,  // 清空书签状态
    超级列表框2 = 1306,

    // Pages 链接记录 and 网页记录.
    编辑框2 = 1401,
    按钮13 = 1402,  // 保 存
    按钮14 = 1403,  // 清 空
    编辑框3 = 1501,
    按钮15 = 1502,  // 保 存
    按钮16 = 1503,  // 清 空
};

enum Command : int {
    // Menu 设置.
    窗口总最前 = 2001,
    设置默认配置 = 2002,
    鹭行的路径 = 2003,
    设置批量启动指定浏览器 = 2004,
    超级老板键 = 2005,
    退出 = 2006,

    // Pop-up 批量启动菜单.
    修改选中的连接 = 2101,
    修改选中的配置 = 2102,
    修改选中的书签名 = 2103,
    启动选中的连接 = 2104,
    启动选中的连接指定浏览器 = 2105,
    删除选中的链接 = 2106,

    // Pop-up 独立右键.
    读取配置 = 2201,
    设置代理IP = 2202,
    打开指定连接 = 2203,
    给鹭行取名 = 2204,
    窗口闪烁 = 2205,
    刷新 = 2206,
    开始 = 2207,
    停止 = 2208,
    关闭鹭行 = 2209,
};

// Timers of the main window: the boss key's poll, and the writing of queued
// records.
inline constexpr int 老板键时钟 = 1;
inline constexpr int kRecordsTimer = 2;

// Private messages of the main window (WM_APP based).
inline constexpr unsigned kWmApp = 0x8000;
inline constexpr unsigned kMsgBookmarksExhausted = kWmApp + 1;  // shows the notice after a handler returned
inline constexpr unsigned kMsgFirstActivated = kWmApp + 2;      // the main window became active the first time

}  // namespace vuv::id
