// Texts a browser sends the panel under "通知", and ways to fill and read the
// pages that react to them (bookmarks, rules, records) from outside. Shared
// by the end-to-end tests and the notification benchmark; nothing here
// depends on GoogleTest.
#pragma once

#include "e2e/harness.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/texts.h"
#include "link/payloads.h"

#include <commctrl.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vuv::e2e {

// A window handle as a browser writes it into a notification.
inline std::string handleText(HWND hwnd) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(hwnd) & 0xFFFFFFFFu);
}

// "vuv|||" handle "■" content, from the browser whose command window is given.
inline std::string notification(HWND commandWindow, std::string_view content) {
    return notificationPayload(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(commandWindow)), content);
}
inline std::string linkCode(std::string_view link) { return recordPayload(text::kTagLinkCode, "0", link); }
inline std::string pageSource(std::string_view page) { return recordPayload(text::kTagPageSource, "0", page); }

// The panel opens its channel only after its window has shown: true once a
// text the panel ignores (it has no known tag) is acknowledged.
inline bool waitUntilListening(const StandinProcess& sender, Ms timeout = Ms{20000}) {
    return waitUntil([&] { return sender.notify("listening?", Ms{5000}) == std::optional<bool>(true); }, timeout, Ms{50});
}

// Rows of a list view of another process, without reading their texts.
inline std::size_t listRowCount(HWND listView) {
    const std::optional<LRESULT> count = sendWithTimeout(listView, LVM_GETITEMCOUNT, 0, 0);
    return count && *count > 0 ? static_cast<std::size_t>(*count) : 0;
}

// Appends bookmarks the way the operator does: a file of addresses, one per
// line, written into directory and read with the bookmark page's "导入".
// True once the bookmark table shows them all.
inline bool importBookmarks(const PanelProcess& panel, const std::wstring& directory, const std::vector<std::string>& addresses,
                            Ms timeout = Ms{60000}) {
    static int files = 0;
    const std::wstring path = directory + L"书签导入-" + std::to_wstring(++files) + L".txt";
    std::string bytes;
    for (const std::string& address : addresses) bytes += address + "\r\n";
    if (!writeFileBytes(path, bytes)) return false;
    const HWND list = panel.control(id::kBookmarkList);
    const std::size_t before = listRowCount(list);
    if (!panel.command(id::kBookmarkFileImport) || !answerFileDialog(panel.pid(), path)) return false;
    return waitUntil([&] { return listRowCount(list) == before + addresses.size(); }, timeout, Ms{20});
}
// Length in characters of an edit box's text; nullopt when it did not answer.
inline std::optional<LRESULT> textLength(HWND control, Ms timeout = Ms{30000}) {
    return sendWithTimeout(control, WM_GETTEXTLENGTH, 0, 0, timeout);
}

// The settings the panel needs to start without asking for the browser path.
inline bool writePanelSettings(const Sandbox& sandbox) {
    const std::string settings = join({"[", text::kSettingsSection, "]\r\n", text::kKeyBrowserPath, "=",
                                         win::narrow(sandbox.standinExe()), "\r\n"});
    return writeFileBytes(sandbox.path(win::widen(text::kSettingsFile)), settings);
}


// Adds a rule the way the operator does: condition typed into 编辑框4, the
// action picked in 组合框1 (-1: none), the link typed into 编辑框1, then
// "加 入". Returns whether every step was taken.
inline bool addRuleThroughControls(HWND mainWindow, const std::string& condition, int action, const std::string& link) {
    const HWND conditionBox = controlById(mainWindow, id::kConditionEdit);
    const HWND actions = controlById(mainWindow, id::kActionCombo);
    const HWND linkBox = controlById(mainWindow, id::kLinkEdit);
    const HWND add = controlById(mainWindow, id::kRuleAdd);
    if (conditionBox == nullptr || actions == nullptr || linkBox == nullptr || add == nullptr) return false;
    const std::wstring wideCondition = win::widen(condition);
    const std::wstring wideLink = win::widen(link);
    return sendWithTimeout(conditionBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wideCondition.c_str())) &&
           sendWithTimeout(linkBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wideLink.c_str())) &&
           sendWithTimeout(actions, CB_SETCURSEL, static_cast<WPARAM>(action), 0) &&
           sendWithTimeout(mainWindow, WM_COMMAND, MAKEWPARAM(id::kActionCombo, CBN_SELCHANGE),
                           reinterpret_cast<LPARAM>(actions)) &&
           sendWithTimeout(add, BM_CLICK, 0, 0);
}

// Lines of a record's text (each ended by CR LF; a last unended piece too).
inline std::vector<std::string> recordLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

}  // namespace vuv::e2e
