#include "common/texts.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace {

// Converts UTF-8 to code page 936 with the C library, independently of the
// escapes in texts.h.
std::string toGbk(const char* utf8) {
    iconv_t cd = iconv_open("CP936", "UTF-8");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    std::string in(utf8);
    std::string out(in.size() * 2 + 4, '\0');
    char* src = in.data();
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const std::size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    EXPECT_NE(rc, static_cast<std::size_t>(-1)) << utf8;
    iconv_close(cd);
    out.resize(out.size() - dstLeft);
    return out;
}

struct Row {
    const char* name;
    std::string_view bytes;
    const char* utf8;
};

using namespace vuv;

const Row kRows[] = {
    {"kMsgAdjust", text::kMsgAdjust, "调整"},
    {"kMsgJump", text::kMsgJump, "跳转"},
    {"kMsgNotify", text::kMsgNotify, "通知"},
    {"kClassFrame", text::kClassFrame, "鹭行x"},
    {"kClassCommand", text::kClassCommand, "鹭行a"},
    {"kClassThird", text::kClassThird, "鹭行s"},
    {"kMainCaption", text::kMainCaption, "鹭行vuv测试版"},
    {"kTagVuv", text::kTagVuv, "vuv|||"},
    {"kTagLinkCode", text::kTagLinkCode, "连接码|||"},
    {"kTagPageSource", text::kTagPageSource, "源代码|||"},
    {"kTagBasic", text::kTagBasic, "基本通讯|||"},
    {"kBars", text::kBars, "|||"},
    {"kSeparator", text::kSeparator, "■"},
    {"kReadConfigPrefix", text::kReadConfigPrefix, "读配置■"},
    {"kCommandFlash", text::kCommandFlash, "闪烁"},
    {"kKeyToolbar", text::kKeyToolbar, "工具条"},
    {"kKeyTitle", text::kKeyTitle, "不发送标题"},
    {"kToolbarRefresh", text::kToolbarRefresh, "6"},
    {"kToolbarStop", text::kToolbarStop, "4"},
    {"kToolbarHide", text::kToolbarHide, "71"},
    {"kToolbarShow", text::kToolbarShow, "72"},
    {"kToolbarPageTitle", text::kToolbarPageTitle, "98"},
    {"kKeywordRefresh", text::kKeywordRefresh, "#刷新"},
    {"kKeywordClose", text::kKeywordClose, "#关闭"},
    {"kKeywordStop", text::kKeywordStop, "#停止"},
    {"kKeywordBookmark", text::kKeywordBookmark, "#书签管理"},
    {"kStateUnused", text::kStateUnused, "未使用"},
    {"kStateOpened", text::kStateOpened, "已打开"},
    {"kActionBookmark", text::kActionBookmark, "从书签管理打开连接"},
    {"kActionOpenLink", text::kActionOpenLink, "打开指定连接"},
    {"kStateRunning", text::kStateRunning, "运行中"},
    {"kStateHung", text::kStateHung, "无响应"},
    {"kStateExited", text::kStateExited, "已退出"},
    {"kTabModeTitle", text::kTabModeTitle, "标签模式窗口"},
    {"kTrue", text::kTrue, "真"},
    {"kFalse", text::kFalse, "假"},
    {"kBrowserExe", text::kBrowserExe, "lxbr.exe"},
    {"kBrowserIni", text::kBrowserIni, "yxsj.ini"},
    {"kIniSectionTime", text::kIniSectionTime, "时间"},
    {"kIniKeyLastOpen", text::kIniKeyLastOpen, "最近打开时间"},
    {"kDefaultLastOpen", text::kDefaultLastOpen, " 0000 "},
    {"kSettingsFile", text::kSettingsFile, "设置.ini"},
    {"kSettingsSection", text::kSettingsSection, "基本设置"},
    {"kKeyBrowserPath", text::kKeyBrowserPath, "鹭行路径"},
    {"kKeyDesignated", text::kKeyDesignated, "指定浏览器"},
    {"kKeyDefaultConfig", text::kKeyDefaultConfig, "默认配置"},
    {"kKeyWapMode", text::kKeyWapMode, "WAP模式"},
    {"kKeyApiEnabled", text::kKeyApiEnabled, "接口启用"},
    {"kKeyApiAddress", text::kKeyApiAddress, "接口地址"},
    {"kKeyApiPort", text::kKeyApiPort, "接口端口"},
    {"kKeyApiToken", text::kKeyApiToken, "接口令牌"},
    {"kKeyDesignatedMode", text::kKeyDesignatedMode, "指定浏览器模式"},
    {"kKeyAutoReturn", text::kKeyAutoReturn, "自动退回书签"},
    {"kKeyAutoSave", text::kKeyAutoSave, "自动保存工作区"},
    {"kKeyAutoRestart", text::kKeyAutoRestart, "自动重启浏览器"},
    {"kKeyMaxRunning", text::kKeyMaxRunning, "最多同时运行"},
    {"kKeyJitter", text::kKeyJitter, "随机间隔"},
    {"kWorkspaceFile", text::kWorkspaceFile, "工作区.txt"},
    {"kExportSeparator", text::kExportSeparator, "|#|"},
    {"kUrlSuffix", text::kUrlSuffix, ".url"},
    {"kFullWidthBlank", text::kFullWidthBlank, "　"},
    {"kEventNotification", text::kEventNotification, "通知"},
    {"kEventLinkCode", text::kEventLinkCode, "连接码"},
    {"kEventPageSource", text::kEventPageSource, "源代码"},
    {"kEventRule", text::kEventRule, "规则"},
    {"kEventBookmark", text::kEventBookmark, "书签"},
    {"kEventNoBookmark", text::kEventNoBookmark, "书签用尽"},
    {"kEventStart", text::kEventStart, "启动"},
    {"kEventStartFailed", text::kEventStartFailed, "启动失败"},
    {"kEventRestart", text::kEventRestart, "重启"},
    {"kEventRestartRefused", text::kEventRestartRefused, "重启被拒"},
    {"kEventCommand", text::kEventCommand, "命令"},
    {"kEventState", text::kEventState, "状态"},
    {"kEventWorkspace", text::kEventWorkspace, "工作区"},
    {"kEventFailure", text::kEventFailure, "失败"},
    {"kOutcomeAcknowledged", text::kOutcomeAcknowledged, "已确认"},
    {"kOutcomeRefused", text::kOutcomeRefused, "被拒绝"},
    {"kOutcomeTimedOut", text::kOutcomeTimedOut, "超时"},
    {"kOutcomePosted", text::kOutcomePosted, "已发出"},
    {"kOutcomeNoSuchCopy", text::kOutcomeNoSuchCopy, "无此鹭行"},
    {"kWorkspaceFormat", text::kWorkspaceFormat, "VUV-WORKSPACE"},
    {"kRuleFileFormat", text::kRuleFileFormat, "VUV-RULES"},
    {"kSectionSettings", text::kSectionSettings, "设置"},
    {"kSectionLaunch", text::kSectionLaunch, "批量启动"},
    {"kSectionBookmarks", text::kSectionBookmarks, "书签"},
    {"kSectionRules", text::kSectionRules, "规则"},
    {"kSectionLinkRecord", text::kSectionLinkRecord, "链接记录"},
    {"kSectionPageRecord", text::kSectionPageRecord, "网页记录"},
    {"kSettingInterval", text::kSettingInterval, "启动间隔"},
    {"kSettingDesignated", text::kSettingDesignated, "批量启动指定浏览器"},
    {"kSettingWapMode", text::kSettingWapMode, "WAP浏览模式"},
    {"kSettingLoopBookmarks", text::kSettingLoopBookmarks, "是否循环打开书签"},
};

TEST(Texts, EveryConstantIsTheGbkFormOfItsText) {
    for (const Row& row : kRows) {
        EXPECT_EQ(std::string(row.bytes), toGbk(row.utf8)) << row.name;
    }
}

TEST(Texts, SeparatorIsA1F6) {
    EXPECT_EQ(text::kSeparator, "\xA1\xF6");
    EXPECT_EQ(text::kFullWidthBlank, "\xA1\xA1");
}

}  // namespace
