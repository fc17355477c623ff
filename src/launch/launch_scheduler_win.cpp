#include "launch/launch_scheduler_win.h"

#include "common/control_ids.h"
#include "common/encoding_win.h"
#include "common/files_win.h"
#include "common/ini.h"
#include "common/message_loop_win.h"
#include "common/texts.h"
#include "common/ui_win.h"
#include "launch/command_line.h"
#include "launch/launch_page_win.h"

#include <windows.h>

#include <vector>

namespace vuv::win {

namespace {

constexpr DWORD kReadyWaitMs = 1000;

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
    if (!readFileBytes(widen(browserIniPath(browserPath)), bytes)) return std::string(text::kDefaultLastOpen);
    return ini::get(bytes, text::kIniSectionTime, text::kIniKeyLastOpen).value_or(std::string(text::kDefaultLastOpen));
}

LaunchScheduler::LaunchScheduler(LaunchPage& page, const Settings& settings, EventSink& events, ProcessStarter start)
    : page_(page), settings_(settings), events_(events), start_(std::move(start)) {}

bool LaunchScheduler::start(const std::string& command) {
    const bool started = start_(command);
    events_.record(0, started ? text::kEventStart : text::kEventStartFailed, command);
    return started;
}

bool LaunchScheduler::onCommand(int id, int) {
    switch (id) {
        case id::kLaunchAll: launchAll(); return true;
        case id::kStartBrowser: startBareBrowser(); return true;
        case id::kLaunchSelected: launchSelected(false); return true;
        case id::kLaunchSelectedDesignated: launchSelected(true); return true;
        default: return false;
    }
}

std::string LaunchScheduler::entryCommand(const LaunchEntry& entry, bool designated, bool flag) const {
    return launchCommand(entry, settings_, designated, flag, [this] { return lastOpenTime(settings_.browserPath); });
}

// Starts entry `row` if it still exists and pauses for the interval. The
// list may have shrunk during an earlier pause; a vanished entry is skipped.
void LaunchScheduler::launchRow(std::size_t row, bool alwaysDesignated) {
    if (row >= page_.size()) return;
    const LaunchEntry entry = page_.list().at(row);  // a copy: the pause may change the list
    // The truth value after the last-open time carries the "WAP浏览模式" box:
    // it is the one state of the page meant for the browser, so a browser
    // started in WAP mode learns it from its command line.
    start(entryCommand(entry, alwaysDesignated || page_.designatedMode(), page_.wapMode()));
    pumpingPause(page_.launchInterval());
}

void LaunchScheduler::launchAll() {
    // The count is fixed when the walk begins; the entries, the check boxes
    // and the interval are read afresh at every step.
    const std::size_t count = page_.size();
    for (std::size_t row = 0; row < count; ++row) launchRow(row, false);
    messageBox(L"批量启动完成", L"完成", MB_OK);
}

void LaunchScheduler::launchSelected(bool alwaysDesignated) {
    if (!page_.anySelected()) return;
    const std::size_t count = page_.size();
    for (std::size_t row = 0; row < count; ++row) {
        if (page_.isSelected(row)) launchRow(row, alwaysDesignated);
    }
}

void LaunchScheduler::startBareBrowser() { start(browserCommand(settings_.browserPath, {}, {}, false, {})); }

}  // namespace vuv::win
