// Starting browsers: one process per launch entry, one after another, with a
// pause that keeps the interface usable after each start. Answers the
// buttons "全部批量启动" and "启动鹭行" and the launch menu's two start items.
#pragma once

#include "common/event_sink.h"
#include "common/page_win.h"
#include "common/settings.h"
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

class LaunchScheduler final : public Page {
public:
    LaunchScheduler(LaunchPage& page, const Settings& settings, EventSink& events, ProcessStarter start = startProcess);

    bool onCommand(int id, int notifyCode) override;

    // "全部批量启动": every entry, then the notice "批量启动完成".
    void launchAll();
    // "启动选中的连接" and "启动选中的连接(指定浏览器)": the selected entries;
    // with alwaysDesignated the designated browser whatever the check box says.
    void launchSelected(bool alwaysDesignated);
    // "启动鹭行": the browser alone, no pause.
    void startBareBrowser();

    // The command line for one entry with the current settings.
    [[nodiscard]] std::string entryCommand(const LaunchEntry& entry, bool designated, bool flag) const;

private:
    void launchRow(std::size_t row, bool alwaysDesignated);
    // Starts one command line and tells the run log how it went.
    bool start(const std::string& command);

    LaunchPage& page_;
    const Settings& settings_;
    EventSink& events_;
    ProcessStarter start_;
};

}  // namespace vuv::win
