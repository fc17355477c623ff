// Starting browsers: one process per launch entry, one after another, with a
// pause that keeps the interface usable after each start.
#pragma once

#include "launch/launch_entry.h"

#include <functional>
#include <string>
#include <string_view>

namespace vuv::win {

class LaunchPage;

// Creates a process for the GBK command line, shown normally, and waits at
// most 1000 ms for it to become ready for input. False when it could not be
// created; the program never waits for the process to end.
bool startProcess(std::string_view gbkCommand);

// What a walk calls to start each browser: startProcess, or a wrapper that
// watches the walk (tests, benchmarks).
using ProcessStarter = std::function<bool(std::string_view gbkCommand)>;

// The browser's last-open time from its "yxsj.ini", or " 0000 ".
[[nodiscard]] std::string lastOpenTime(std::string_view browserPath);

// The command line for one entry with the current settings.
[[nodiscard]] std::string entryCommand(const LaunchEntry& entry, bool designated, bool flag);

// "全部批量启动": every entry, then the notice "批量启动完成".
void launchAll(LaunchPage& page, const ProcessStarter& start = startProcess);

// "启动选中的连接" and "启动选中的连接(指定浏览器)": the selected entries; with
// alwaysDesignated the designated browser whatever the check box says.
void launchSelected(LaunchPage& page, bool alwaysDesignated, const ProcessStarter& start = startProcess);

// "启动鹭行": the browser alone, no pause.
void startBareBrowser();

}  // namespace vuv::win
