// GBK (code page 936) byte strings of every text that crosses the program's
// boundary: window messages, window classes, files. Sources are UTF-8; these
// constants are spelled as escapes so every compiler yields the same bytes.
// texts_test.cpp converts each readable form with iconv and compares.
#pragma once

#include <string_view>

namespace vuv::text {

using namespace std::string_view_literals;

// Message names registered for transfers
inline constexpr std::string_view kMsgAdjust = "\xB5\xF7\xD5\xFB"sv;  // 调整
inline constexpr std::string_view kMsgJump = "\xCC\xF8\xD7\xAA"sv;  // 跳转
inline constexpr std::string_view kMsgNotify = "\xCD\xA8\xD6\xAA"sv;  // 通知
// Browser window classes
inline constexpr std::string_view kClassFrame = "\xF0\xD8\xD0\xD0x"sv;  // 鹭行x
inline constexpr std::string_view kClassCommand = "\xF0\xD8\xD0\xD0""a"sv;  // 鹭行a
inline constexpr std::string_view kClassThird = "\xF0\xD8\xD0\xD0s"sv;  // 鹭行s
// Caption of the panel's main window (browsers find it by this title)
inline constexpr std::string_view kMainCaption = "\xF0\xD8\xD0\xD0vuv\xB2\xE2\xCA\xD4\xB0\xE6"sv;  // 鹭行vuv测试版
// Tags and separators of the transfer texts
inline constexpr std::string_view kTagVuv = "vuv|||"sv;  // vuv|||
inline constexpr std::string_view kTagLinkCode = "\xC1\xAC\xBD\xD3\xC2\xEB|||"sv;  // 连接码|||
inline constexpr std::string_view kTagPageSource = "\xD4\xB4\xB4\xFA\xC2\xEB|||"sv;  // 源代码|||
inline constexpr std::string_view kTagBasic = "\xBB\xF9\xB1\xBE\xCD\xA8\xD1\xB6|||"sv;  // 基本通讯|||
inline constexpr std::string_view kBars = "|||"sv;  // |||
inline constexpr std::string_view kSeparator = "\xA1\xF6"sv;  // ■
inline constexpr std::string_view kReadConfigPrefix = "\xB6\xC1\xC5\xE4\xD6\xC3\xA1\xF6"sv;  // 读配置■
// Commands sent to browsers
inline constexpr std::string_view kCommandFlash = "\xC9\xC1\xCB\xB8"sv;  // 闪烁
inline constexpr std::string_view kKeyToolbar = "\xB9\xA4\xBE\xDF\xCC\xF5"sv;  // 工具条
inline constexpr std::string_view kKeyTitle = "\xB2\xBB\xB7\xA2\xCB\xCD\xB1\xEA\xCC\xE2"sv;  // 不发送标题
inline constexpr std::string_view kToolbarRefresh = "6"sv;  // 6
inline constexpr std::string_view kToolbarStop = "4"sv;  // 4
inline constexpr std::string_view kToolbarHide = "71"sv;  // 71
inline constexpr std::string_view kToolbarShow = "72"sv;  // 72
inline constexpr std::string_view kToolbarPageTitle = "98"sv;  // 98
// Notification keywords
inline constexpr std::string_view kKeywordRefresh = "#\xCB\xA2\xD0\xC2"sv;  // #刷新
inline constexpr std::string_view kKeywordClose = "#\xB9\xD8\xB1\xD5"sv;  // #关闭
inline constexpr std::string_view kKeywordStop = "#\xCD\xA3\xD6\xB9"sv;  // #停止
inline constexpr std::string_view kKeywordBookmark = "#\xCA\xE9\xC7\xA9\xB9\xDC\xC0\xED"sv;  // #书签管理
// Bookmark states and rule actions
inline constexpr std::string_view kStateUnused = "\xCE\xB4\xCA\xB9\xD3\xC3"sv;  // 未使用
inline constexpr std::string_view kStateOpened = "\xD2\xD1\xB4\xF2\xBF\xAA"sv;  // 已打开
inline constexpr std::string_view kActionBookmark = "\xB4\xD3\xCA\xE9\xC7\xA9\xB9\xDC\xC0\xED\xB4\xF2\xBF\xAA\xC1\xAC\xBD\xD3"sv;  // 从书签管理打开连接
inline constexpr std::string_view kActionOpenLink = "\xB4\xF2\xBF\xAA\xD6\xB8\xB6\xA8\xC1\xAC\xBD\xD3"sv;  // 打开指定连接
// Instance table
inline constexpr std::string_view kStateRunning = "\xD4\xCB\xD0\xD0\xD6\xD0"sv;  // 运行中
inline constexpr std::string_view kStateHung = "\xCE\xDE\xCF\xEC\xD3\xA6"sv;  // 无响应
inline constexpr std::string_view kStateExited = "\xD2\xD1\xCD\xCB\xB3\xF6"sv;  // 已退出
inline constexpr std::string_view kTabModeTitle = "\xB1\xEA\xC7\xA9\xC4\xA3\xCA\xBD\xB4\xB0\xBF\xDA"sv;  // 标签模式窗口
// Truth values written as text
inline constexpr std::string_view kTrue = "\xD5\xE6"sv;  // 真
inline constexpr std::string_view kFalse = "\xBC\xD9"sv;  // 假
// Browser executable and the value the launcher reads from its own settings
inline constexpr std::string_view kBrowserExe = "lxbr.exe"sv;  // lxbr.exe
inline constexpr std::string_view kBrowserIni = "yxsj.ini"sv;  // yxsj.ini
inline constexpr std::string_view kIniSectionTime = "\xCA\xB1\xBC\xE4"sv;  // 时间
inline constexpr std::string_view kIniKeyLastOpen = "\xD7\xEE\xBD\xFC\xB4\xF2\xBF\xAA\xCA\xB1\xBC\xE4"sv;  // 最近打开时间
inline constexpr std::string_view kDefaultLastOpen = " 0000 "sv;  //  0000 
// Settings file
inline constexpr std::string_view kSettingsFile = "\xC9\xE8\xD6\xC3.ini"sv;  // 设置.ini
inline constexpr std::string_view kSettingsSection = "\xBB\xF9\xB1\xBE\xC9\xE8\xD6\xC3"sv;  // 基本设置
inline constexpr std::string_view kKeyBrowserPath = "\xF0\xD8\xD0\xD0\xC2\xB7\xBE\xB6"sv;  // 鹭行路径
inline constexpr std::string_view kKeyDesignated = "\xD6\xB8\xB6\xA8\xE4\xAF\xC0\xC0\xC6\xF7"sv;  // 指定浏览器
inline constexpr std::string_view kKeyDefaultConfig = "\xC4\xAC\xC8\xCF\xC5\xE4\xD6\xC3"sv;  // 默认配置
inline constexpr std::string_view kKeyWapMode = "WAP\xC4\xA3\xCA\xBD"sv;  // WAP模式
inline constexpr std::string_view kKeyDesignatedMode = "\xD6\xB8\xB6\xA8\xE4\xAF\xC0\xC0\xC6\xF7\xC4\xA3\xCA\xBD"sv;  // 指定浏览器模式
// Keys of the options of the menu 工具; a missing key means off (0)
inline constexpr std::string_view kKeyAutoReturn = "\xD7\xD4\xB6\xAF\xCD\xCB\xBB\xD8\xCA\xE9\xC7\xA9"sv;  // 自动退回书签
inline constexpr std::string_view kKeyAutoSave = "\xD7\xD4\xB6\xAF\xB1\xA3\xB4\xE6\xB9\xA4\xD7\xF7\xC7\xF8"sv;  // 自动保存工作区
inline constexpr std::string_view kKeyAutoRestart = "\xD7\xD4\xB6\xAF\xD6\xD8\xC6\xF4\xE4\xAF\xC0\xC0\xC6\xF7"sv;  // 自动重启浏览器
inline constexpr std::string_view kKeyMaxRunning = "\xD7\xEE\xB6\xE0\xCD\xAC\xCA\xB1\xD4\xCB\xD0\xD0"sv;  // 最多同时运行
inline constexpr std::string_view kKeyJitter = "\xCB\xE6\xBB\xFA\xBC\xE4\xB8\xF4"sv;  // 随机间隔
// Keys of the automation interface
inline constexpr std::string_view kKeyApiEnabled = "\xBD\xD3\xBF\xDA\xC6\xF4\xD3\xC3"sv;  // 接口启用
inline constexpr std::string_view kKeyApiAddress = "\xBD\xD3\xBF\xDA\xB5\xD8\xD6\xB7"sv;  // 接口地址
inline constexpr std::string_view kKeyApiPort = "\xBD\xD3\xBF\xDA\xB6\xCB\xBF\xDA"sv;  // 接口端口
inline constexpr std::string_view kKeyApiToken = "\xBD\xD3\xBF\xDA\xC1\xEE\xC5\xC6"sv;  // 接口令牌
// The workspace kept beside the program when it is saved automatically
inline constexpr std::string_view kWorkspaceFile = "\xB9\xA4\xD7\xF7\xC7\xF8.txt"sv;  // 工作区.txt
// Export lines of the launch list and the bookmark table
inline constexpr std::string_view kExportSeparator = "|#|"sv;  // |#|
inline constexpr std::string_view kUrlSuffix = ".url"sv;  // .url
// Blanks removed from typed proxy addresses
inline constexpr std::string_view kFullWidthBlank = "\xA1\xA1"sv;  // (full-width blank)
// Run log events
inline constexpr std::string_view kEventNotification = "\xCD\xA8\xD6\xAA"sv;  // 通知 (notification received)
inline constexpr std::string_view kEventLinkCode = "\xC1\xAC\xBD\xD3\xC2\xEB"sv;  // 连接码 (link code received)
inline constexpr std::string_view kEventPageSource = "\xD4\xB4\xB4\xFA\xC2\xEB"sv;  // 源代码 (page source received)
inline constexpr std::string_view kEventRule = "\xB9\xE6\xD4\xF2"sv;  // 规则 (a rule ran)
inline constexpr std::string_view kEventBookmark = "\xCA\xE9\xC7\xA9"sv;  // 书签 (a bookmark handed out)
inline constexpr std::string_view kEventNoBookmark = "\xCA\xE9\xC7\xA9\xD3\xC3\xBE\xA1"sv;  // 书签用尽 (no bookmark left)
inline constexpr std::string_view kEventStart = "\xC6\xF4\xB6\xAF"sv;  // 启动 (browser started)
inline constexpr std::string_view kEventStartFailed = "\xC6\xF4\xB6\xAF\xCA\xA7\xB0\xDC"sv;  // 启动失败 (start failed)
inline constexpr std::string_view kEventRestart = "\xD6\xD8\xC6\xF4"sv;  // 重启 (browser restarted)
inline constexpr std::string_view kEventRestartRefused = "\xD6\xD8\xC6\xF4\xB1\xBB\xBE\xDC"sv;  // 重启被拒 (restart refused: budget used up)
inline constexpr std::string_view kEventCommand = "\xC3\xFC\xC1\xEE"sv;  // 命令 (command sent)
inline constexpr std::string_view kEventState = "\xD7\xB4\xCC\xAC"sv;  // 状态 (state of a copy changed)
inline constexpr std::string_view kEventWorkspace = "\xB9\xA4\xD7\xF7\xC7\xF8"sv;  // 工作区 (the automatic workspace paused, not saved, saved again)
inline constexpr std::string_view kEventFailure = "\xCA\xA7\xB0\xDC"sv;  // 失败 (something the operator asked for failed)
// Outcomes of commands sent to browsers
inline constexpr std::string_view kOutcomeAcknowledged = "\xD2\xD1\xC8\xB7\xC8\xCF"sv;  // 已确认 (acknowledged)
inline constexpr std::string_view kOutcomeRefused = "\xB1\xBB\xBE\xDC\xBE\xF8"sv;  // 被拒绝 (refused)
inline constexpr std::string_view kOutcomeTimedOut = "\xB3\xAC\xCA\xB1"sv;  // 超时 (timed out)
inline constexpr std::string_view kOutcomePosted = "\xD2\xD1\xB7\xA2\xB3\xF6"sv;  // 已发出 (posted; no answer is awaited)
inline constexpr std::string_view kOutcomeNoSuchCopy = "\xCE\xDE\xB4\xCB\xF0\xD8\xD0\xD0"sv;  // 无此鹭行 (no such copy listed: nothing sent)

// Workspace and rule files: format names, section names and setting names
inline constexpr std::string_view kWorkspaceFormat = "VUV-WORKSPACE"sv;  // VUV-WORKSPACE
inline constexpr std::string_view kRuleFileFormat = "VUV-RULES"sv;  // VUV-RULES
inline constexpr std::string_view kSectionSettings = "\xC9\xE8\xD6\xC3"sv;  // 设置
inline constexpr std::string_view kSectionLaunch = "\xC5\xFA\xC1\xBF\xC6\xF4\xB6\xAF"sv;  // 批量启动
inline constexpr std::string_view kSectionBookmarks = "\xCA\xE9\xC7\xA9"sv;  // 书签
inline constexpr std::string_view kSectionRules = "\xB9\xE6\xD4\xF2"sv;  // 规则
inline constexpr std::string_view kSectionLinkRecord = "\xC1\xB4\xBD\xD3\xBC\xC7\xC2\xBC"sv;  // 链接记录
inline constexpr std::string_view kSectionPageRecord = "\xCD\xF8\xD2\xB3\xBC\xC7\xC2\xBC"sv;  // 网页记录
inline constexpr std::string_view kSettingInterval = "\xC6\xF4\xB6\xAF\xBC\xE4\xB8\xF4"sv;  // 启动间隔
inline constexpr std::string_view kSettingDesignated = "\xC5\xFA\xC1\xBF\xC6\xF4\xB6\xAF\xD6\xB8\xB6\xA8\xE4\xAF\xC0\xC0\xC6\xF7"sv;  // 批量启动指定浏览器
inline constexpr std::string_view kSettingWapMode = "WAP\xE4\xAF\xC0\xC0\xC4\xA3\xCA\xBD"sv;  // WAP浏览模式
inline constexpr std::string_view kSettingLoopBookmarks = "\xCA\xC7\xB7\xF1\xD1\xAD\xBB\xB7\xB4\xF2\xBF\xAA\xCA\xE9\xC7\xA9"sv;  // 是否循环打开书签

}  // namespace vuv::text
