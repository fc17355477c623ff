#include "launch/launch_scheduler_win.h"

#include "app/app_win.h"
#include "app/settings_win.h"
#include "common/encoding_win.h"
#include "common/ini.h"
#include "common/texts.h"
#include "common/ui_win.h"
#include "launch/command_line.h"
#include "launch/launch_page_win.h"

#include <windows.h>

#include <vector>

namespace vuv::win {

namespace {

constexpr DWORD kReadyWaitMs = 1000;

// Starts entry `row` if it still exists and pauses for the interval. The
// list may have shrunk during an earlier pause; a vanished entry is skipped.
void launchRow(LaunchPage& page, std::size_t row, bool alwaysDesignated, const ProcessStarter& start) {
    if (row >= page.size()) return;
    const LaunchEntry entry = page.list().at(row);  // a copy: the pause may change the list
    // The truth value after the last-open time carries the "WAP浏览模式" box:
    // it is the one state of the page meant for the browser, so a browser
    // started in WAP mode learns it from its command line.
    start(entryCommand(entry, alwaysDesignated || page.designatedMode(), page.wapMode()));
    pumpingPause(page.launchInterval());
}

}  // namespace

bool startProcess(std::string_view gbkCommand) {
    const std::wstring wide = widen(gbkCommand);
    std::vector<wchar_t> line(wide.begin(), wide.end());
    line.push_back(L'\0');  // CreateProcessW may write into the command line
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return false;
    }
    WaitForInputIdle(process.hProcess, kReadyWaitMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

std::string lastOpenTime(std::string_view browserPath) {
    std::string bytes;
    if (!readFileBytes(browserIniPath(browserPath), bytes)) return std::string(text::kDefaultLastOpen);
    return ini::get(bytes, text::kIniSectionTime, text::kIniKeyLastOpen).value_or(std::string(text::kDefaultLastOpen));
}

std::string entryCommand(const LaunchEntry& entry, bool designated, bool flag) {
    const Settings& settings = app().settings;
    if (designated) return designatedCommand(settings.designatedPath, entry.address);
    if (entry.address.empty()) return browserCommand(settings.browserPath, {}, {}, flag, {});
    return browserCommand(settings.browserPath, entry.address, lastOpenTime(settings.browserPath), flag,
                          entry.config);
}

void launchAll(LaunchPage& page, const ProcessStarter& start) {
    // The count is fixed when the walk begins; the entries, the check boxes
    // and the interval are read afresh at every step.
    const std::size_t count = page.size();
    for (std::size_t row = 0; row < count; ++row) launchRow(page, row, false, start);
    messageBox(L"批量启动完成", L"完成", MB_OK);
}

void launchSelected(LaunchPage& page, bool alwaysDesignated, const ProcessStarter& start) {
    if (!page.anySelected()) return;
    const std::size_t count = page.size();
    for (std::size_t row = 0; row < count; ++row) {
        if (page.isSelected(row)) launchRow(page, row, alwaysDesignated, start);
    }
}

void startBareBrowser() { startProcess(browserCommand(app().settings.browserPath, {}, {}, false, {})); }

}  // namespace vuv::win
