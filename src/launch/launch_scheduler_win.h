// Starting browsers: one process per launch entry, one after another, with a
// pause that keeps the interface usable after each start. Answers the
// buttons "全部批量启动" and "启动鹭行" and the launch menu's two start items.
//
// The copies it starts are watched (timer kLaunchWatchTimer, waits that never
// block): a walk waits before a start while "最多同时运行" of them still run,
// the pause after a start varies by "随机间隔", and with "自动重启退出的浏览器"
// a copy that went away without being closed from the panel is started again
// with the same command line after 启动间隔, within the restart budget.
#pragma once

#include "common/event_sink.h"
#include "common/page_win.h"
#include "common/settings.h"
#include "launch/launch_entry.h"
#include "launch/process_watch_win.h"
#include "launch/started_copies.h"

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>

namespace vuv::win {

class LaunchPage;

// What starting a process gave: whether it started and, when the starter
// tells, the process's id and a handle to it (owned here). A starter that
// tells only whether it started gives a bool, which converts; such a process
// is not watched.
class StartedProcess {
public:
    StartedProcess() noexcept = default;
    StartedProcess(bool started) noexcept : started_(started) {}  // NOLINT(google-explicit-constructor)
    StartedProcess(HANDLE process, std::uint32_t processId) noexcept
        : process_(process), processId_(processId), started_(true) {}
    ~StartedProcess();
    StartedProcess(StartedProcess&& other) noexcept;
    StartedProcess& operator=(StartedProcess&& other) noexcept;
    StartedProcess(const StartedProcess&) = delete;
    StartedProcess& operator=(const StartedProcess&) = delete;

    [[nodiscard]] explicit operator bool() const noexcept { return started_; }
    [[nodiscard]] std::uint32_t processId() const noexcept { return processId_; }
    [[nodiscard]] HANDLE handle() const noexcept { return process_; }
    // Hands the handle over to the caller.
    [[nodiscard]] HANDLE release() noexcept;

private:
    HANDLE process_ = nullptr;
    std::uint32_t processId_ = 0;
    bool started_ = false;
};

// Creates a process for the GBK command line, shown normally, and waits at
// most 1000 ms for it to become ready for input. Not started when it could
// not be created; the program never waits for the process to end.
StartedProcess startProcess(std::string_view gbkCommand);

// What a walk calls to start each browser: startProcess, or a wrapper that
// watches the walk (tests, benchmarks).
using ProcessStarter = std::function<StartedProcess(std::string_view gbkCommand)>;

// The browser's last-open time from its "yxsj.ini", or " 0000 ".
[[nodiscard]] std::string lastOpenTime(std::string_view browserPath);

// How often the started copies are looked at.
inline constexpr UINT kLaunchWatchTickMs = 200;

class LaunchScheduler final : public Page {
public:
    LaunchScheduler(LaunchPage& page, const Settings& settings, EventSink& events, ProcessStarter start = startProcess);

    bool onCommand(int id, int notifyCode) override;
    bool onMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

    // "全部批量启动": every entry, then the notice "批量启动完成".
    void launchAll();
    // "启动选中的连接" and "启动选中的连接(指定浏览器)": the selected entries;
    // with alwaysDesignated the designated browser whatever the check box says.
    void launchSelected(bool alwaysDesignated);
    // "启动鹭行": the browser alone, no pause.
    void startBareBrowser();

    // The command line for one entry with the current settings.
    [[nodiscard]] std::string entryCommand(const LaunchEntry& entry, bool designated, bool flag) const;

    // The panel closed this copy: if this panel started it, it is never
    // started again.
    void closedByPanel(std::uint32_t processId);
    // Looks at the started copies: the ended ones are forgotten, restarted
    // later or refused, and the restarts that are due start.
    void watchCopies();
    // Copies this panel started that still run, as last looked at.
    [[nodiscard]] std::size_t runningCopies() const noexcept { return copies_.running(); }

private:
    void launchRow(std::size_t row, bool alwaysDesignated);
    // Starts one command line, tells the run log how it went (a restart as
    // one, under the new copy's id) and watches the process.
    bool start(const std::string& command, bool restart);
    // Before a start: while "最多同时运行" started copies run, waits with the
    // interface usable until one of them ends.
    void waitForSlot();
    // The pause after a start: 启动间隔 varied by up to "随机间隔".
    [[nodiscard]] int nextPause();

    LaunchPage& page_;
    const Settings& settings_;
    EventSink& events_;
    ProcessStarter start_;
    StartedCopies copies_;
    ProcessWatch processes_;
    std::mt19937 random_;
    bool watching_ = false;  // watchCopies() is running (a start inside it must not run it again)
};

}  // namespace vuv::win
