// Identifiers of the main window's controls, menu commands, timers and
// private messages, named for what they do; the name each control has in the
// panel's layout stands beside it. The end-to-end tests drive the panel
// through the same numbers.
#pragma once

namespace vuv::id {

enum Control : int {
    kStatusBar = 999,  // 状态条1
    kTabs = 1000,      // 选择夹1

    // Page 独立控制: the instance table.
    kInstanceTable = 1001,      // 独立控制
    kStartBrowser = 1002,       // 按钮17 "启动鹭行"
    kScanBrowsers = 1003,       // 检测鹭行 "检测鹭行"
    kDownloadPage = 1004,       // 检测鹭行3 "下载鹭行"
    kBrowserPathButton = 1005,  // 检测鹭行2 "鹭行路径"
    kSuggestionPage = 1006,     // 检测鹭行1 "提 交 建 议"

    // Page 批量启动: the launch list.
    kLaunchClear = 1101,       // 按钮3 "清空"
    kLaunchTextImport = 1102,  // 按钮4 "文本导入"
    kLaunchFileImport = 1103,  // 按钮1 "导入"
    kLaunchExport = 1104,      // 按钮2 "导出"
    kLaunchAll = 1105,         // 按钮7 "全部批量启动"
    kIntervalLabel = 1106,     // 透明标签1 "启动间隔(毫秒)："
    kInterval = 1107,          // 启动间隔
    kLaunchList = 1108,        // 超级列表框1
    kDesignatedBox = 1109,     // 选择框1 "批量启动指定浏览器"
    kWapBox = 1110,            // 选择框2 "WAP浏览模式"

    // Page 通知处理: the notification rules.
    kRuleList = 1201,        // 超级列表框3
    kConditionLabel = 1202,  // 透明标签3 "通知内容(处理条件)："
    kConditionEdit = 1203,   // 编辑框4
    kActionCombo = 1204,     // 组合框1
    kLinkLabel = 1205,       // 透明标签2 "附加内容："
    kLinkEdit = 1206,        // 编辑框1
    kRuleAdd = 1207,         // 按钮5 "加 入"
    kRuleModify = 1208,      // 按钮8 "修 改"

    // Page 书签管理: the bookmark table.
    kBookmarkClear = 1301,       // 按钮6 "清空"
    kBookmarkTextImport = 1302,  // 按钮9 "文本导入"
    kBookmarkFileImport = 1303,  // 按钮10 "导入"
    kLoopBox = 1304,             // 选择框3 "是否循环打开书签"
    kResetStates = 1305,         // 按钮12 "清空书签状态"
    kBookmarkList = 1306,        // 超级列表框2

    // Pages 链接记录 and 网页记录.
    kLinkRecord = 1401,  // 编辑框2
    kLinkSave = 1402,    // 按钮13 "保 存"
    kLinkClear = 1403,   // 按钮14 "清 空"
    kPageRecord = 1501,  // 编辑框3
    kPageSave = 1502,    // 按钮15 "保 存"
    kPageClear = 1503,   // 按钮16 "清 空"

    // Page 运行日志: the run log.
    kLogList = 1601,
    kLogExport = 1602,  // "导出"
    kLogClear = 1603,   // "清空"
};

enum Command : int {
    // Menu 设置.
    kAlwaysOnTop = 2001,        // 窗口总最前
    kSetDefaultConfig = 2002,   // 设置默认配置
    kSetBrowserPath = 2003,     // 鹭行的路径
    kSetDesignatedPath = 2004,  // 设置批量启动指定浏览器
    kSetBossKey = 2005,         // 超级老板键
    kExit = 2006,               // 退出

    // Pop-up 批量启动菜单.
    kEditAddress = 2101,           // 修改选中的连接
    kEditConfig = 2102,            // 修改选中的配置
    kEditName = 2103,              // 修改选中的书签名
    kLaunchSelected = 2104,        // 启动选中的连接
    kLaunchSelectedDesignated = 2105,  // 启动选中的连接(指定浏览器)
    kDeleteEntries = 2106,         // 删除选中的链接

    // Pop-up 独立右键.
    kReadConfig = 2201,  // 读取配置
    kSetProxy = 2202,    // 设置代理IP
    kOpenLink = 2203,    // 打开指定连接
    kRename = 2204,      // 给鹭行取名
    kFlash = 2205,       // 窗口闪烁
    kRefresh = 2206,     // 刷新
    kStart = 2207,       // 开始
    kStop = 2208,        // 停止
    kClose = 2209,       // 关闭鹭行
    kSelectAll = 2210,     // 全选
    kSelectHung = 2211,    // 选中无响应的
    kSelectExited = 2212,  // 选中已退出的
    kRemoveExited = 2213,  // 移除已退出的行
    kProxyList = 2214,     // 按列表设置代理IP

    // Pop-up of the bookmark list.
    kReturnSelected = 2301,   // 退回选中的书签
    kReturnExited = 2302,     // 退回已退出浏览器的书签
    kDeleteBookmarks = 2303,  // 删除选中的书签
    kExportBookmarks = 2304,  // 导出书签…

    // Pop-up of the rule list.
    kRuleUp = 2311,       // 上移
    kRuleDown = 2312,     // 下移
    kDeleteRules = 2313,  // 删除选中的规则
    kExportRules = 2314,  // 导出规则…
    kImportRules = 2315,  // 导入规则…

    // Menu 工具.
    kAutoReturnBookmarks = 2401,  // 自动退回已退出浏览器的书签
    kSaveWorkspace = 2402,        // 保存工作区…
    kOpenWorkspace = 2403,        // 打开工作区…
    kAutoSaveWorkspace = 2404,    // 自动保存工作区
    kLaunchSettings = 2405,       // 启动设置…
    kAutoRestart = 2406,          // 自动重启退出的浏览器
    kAutomation = 2407,           // 自动化接口…
};

// Controls of the small dialogs (each dialog numbers its own controls).
namespace dialog {
enum : int {
    kPathLabel = 101, kPathField = 102, kPathBrowse = 103, kPathConfirm = 104,  // path dialog
    kInputLabel = 101, kInputField = 102, kInputButton = 103,                   // input dialog
    kPromptText = 101, kPromptField = 102,                                       // proxy prompt (IDOK, IDCANCEL)
    kRenameLabel = 101, kRenameField = 102, kRenameConfirm = 103,               // rename dialog
    kBossKeyLabel = 101, kBossKeyField = 102, kBossKeyConfirm = 103,            // boss-key dialog
    kAddressText = 100, kAddressClear = 101,                                     // address list (confirm: IDOK)
    kProxyListLabel = 101, kProxyListText = 102,                                 // proxy list (IDOK, IDCANCEL)
    kMaxRunningLabel = 101, kMaxRunningField = 102, kJitterLabel = 103,          // launch settings (IDOK, IDCANCEL)
    kJitterField = 104, kLaunchSettingsNote = 105,
    kApiEnabled = 101, kApiAddressLabel = 102, kApiAddress = 103, kApiPortLabel = 104,  // automation (IDOK, IDCANCEL)
    kApiPort = 105, kApiTokenLabel = 106, kApiToken = 107, kApiCopy = 108, kApiRenew = 109, kApiNote = 110,
};
}  // namespace dialog

// The main window's pages, in tab order. The first is current at start-up.
enum Page : int {
    kInstancesPage = 0,  // 独立控制
    kLaunchPage,         // 批量启动
    kRulesPage,          // 通知处理
    kBookmarksPage,      // 书签管理
    kLinkRecordPage,     // 链接记录
    kPageRecordPage,     // 网页记录
    kLogPage,            // 运行日志
    kPageCount,
};

// Timers of the main window: the boss key's poll (老板键时钟), and the
// writing of queued records.
inline constexpr int kBossKeyTimer = 1;
inline constexpr int kRecordsTimer = 2;
inline constexpr int kFleetTimer = 3;  // the browsers' states, every 2 s
inline constexpr int kLogTimer = 4;    // the run log's rows shown
inline constexpr int kWorkspaceTimer = 5;  // the workspace written at most once a second
inline constexpr int kLaunchWatchTimer = 6;  // copies the panel started: ended ones restarted

// Private messages of the main window (WM_APP based).
inline constexpr unsigned kWmApp = 0x8000;
inline constexpr unsigned kMsgBookmarksExhausted = kWmApp + 1;  // shows the notice after a handler returned
inline constexpr unsigned kMsgFirstActivated = kWmApp + 2;      // the main window became active the first time

}  // namespace vuv::id
