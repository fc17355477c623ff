// Starting browsers: one process per launch entry, one after another, with a
// pause that keeps the interface usable after each start. Answers the
// buttons "全部批量启动" and "启动鹭行" and the launch menu's two start items.
//
// The copies it starts are watched (timer kLaunchWatchTimer, waits that never
// block): a walk waits before a start while "最多同时运行" of them still run,
// the pause after a start varies by "随机间隔", and with "自动重启退出的浏览器"
// a copy that went away without being closed from the panel is started again
// with the same command line after 启动间隔, within the restart budget of
// its row (or of its press of "启动鹭行"). Restarts start one per timer tick
// at most, never wait with the window blocked, and keep the same spacing as
// the walks (StartPacing): a walk and the restarts together start one copy
// at a time, each the pause after the one before.
#pragma once

#include "common/event_sink.h"
#include "common/kernel_handle_win.h"
#include "common/routes_win.h"
#include "common/process_watcher_win.h"
#include "common/settings.h"
#include "launch/launch_entry.h"
#include "launch/launch_list.h"
#include "launch/launch_policy.h"
#include "launch/started_copies.h"

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <utility>

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
    StartedProcess(KernelHandle process, std::uint32_t processId) noexcept
        : process_(std::move(process)), processId_(processId), started_(true) {}

    [[nodiscard]] explicit operator bool() const noexcept { return started_; }
    [[nodiscard]] std::uint32_t processId() const noexcept { return processId_; }
    [[nodiscard]] HANDLE handle() const noexcept { return process_.get(); }
    // Hands the handle over to the caller.
    [[nodiscard]] KernelHandle release() noexcept { return std::move(process_); }

private:
    KernelHandle process_;
    std::uint32_t processId_ = 0;
    bool started_ = false;
};

// Creates a process for the GBK command line, shown normally, and with
// waitReady waits at most 1000 ms for it to become ready for input. Not
// started when it could not be created; the program never waits for the
// process to end.
StartedProcess startProcess(std::string_view gbkCommand, bool waitReady = true);

// What the scheduler calls to start each browser: startProcess, or a wrapper
// that watches the walk (tests, benchmarks). A restart asks for no wait.
using ProcessStarter = std::function<StartedProcess(std::string_view gbkCommand, bool waitReady)>;

// The browser's last-open time from its "yxsj.ini", or " 0000 ".
[[nodiscard]] std::string lastOpenTime(std::string_view browserPath);

// How often the started copies are looked at.
inline constexpr UINT kLaunchWatchTickMs = 200;

class LaunchScheduler final {
public:
    LaunchScheduler(LaunchPage& page, const Settings& settings, EventSink& events, ProcessStarter start = startProcess);

    // "全部批量启动", "启动鹭行", the launch items of 批量启动菜单 and the
    // watch's timer.
    void registerIds(Routes& routes);

    // "全部批量启动": every entry, then the notice "批量启动完成".
    void launchAll();
    // "启动选中的连接" and "启动选中的连接(指定浏览器)": the selected entries;
    // with alwaysDesignated the designated browser whatever the check box says.
    void launchSelected(bool alwaysDesignated);
    // "启动鹭行": the browser alone, no pause.
    void startBareBrowser();

    // A walk as the automation interface sees it: whether one runs, and of
    // its rows how many started, failed to start and are still to come.
    struct WalkFigures {
        bool walking = false;
        std::size_t started = 0;
        std::size_t failed = 0;
        std::size_t remaining = 0;
    };
    [[nodiscard]] const WalkFigures& walkFigures() const noexcept { return walk_; }
    // A walk of these rows, as "全部批量启动" walks, but without the notice at
    // its end: a script started it, and nobody may be there to close a box.
    void walkQuietly(std::vector<LaunchList::Id> ids);
    // "启动鹭行" count times, each followed by a walk's pause; quiet as above.
    void startBareBrowsers(std::size_t count);
    // Ends the walk that runs: its rows not started yet are left out.
    void endWalk() noexcept { walkEnding_ = walk_.walking; }

    // The command line for one entry with the current settings.
    [[nodiscard]] std::string entryCommand(const LaunchEntry& entry, bool designated, bool flag) const;

    // The panel closed this copy: if this panel started it, it is never
    // started again.
    void closedByPanel(std::uint32_t processId);
    // Looks at the started copies: the ended ones are forgotten, restarted
    // later or refused; with mayRestart the next restart starts when it is
    // due and the spacing and the limit allow it (one at most).
    void watchCopies(bool mayRestart = true);

private:
    // Starts the entry with this id if it is still in the list (with
    // onlySelected, if it is selected too) and pauses for the interval.
    void launchRow(LaunchList::Id id, bool alwaysDesignated, bool onlySelected);
    // A walk's pause after a start, cut short when the walk is ended.
    void walkPause(int ms);
    // Walks the rows with these ids in turn, keeping the walk's figures.
    // A copy of the ids: the list changes while the walk pumps messages.
    void walkRows(std::vector<LaunchList::Id> ids, bool alwaysDesignated, bool onlySelected);
    // Starts one command line for origin, tells the run log how it went (a
    // restart as one, under the new copy's id) and watches the process. A
    // restart does not wait for the copy to be ready. The id of the watched
    // copy; 0 when none started (or its starter kept no handle).
    std::uint32_t start(const std::string& command, const std::string& origin, bool restart);
    // Before a walk's start of the row with this id: waits, with the
    // interface usable, for a slot under "最多同时运行" and for the pause
    // after a restart that came last; no longer once the row is gone.
    void waitForTurn(LaunchList::Id id);
    // Tells the spacing when the last restart's copy is ready (or gone).
    void seeRestartReady(std::int64_t now);
    // While "最多同时运行" started copies run, waits with the interface
    // usable until one of them ends or the row with this id is gone.
    void waitForSlot(LaunchList::Id id);
    // The pause after a start: 启动间隔 varied by up to "随机间隔".
    [[nodiscard]] int nextPause();

    LaunchPage& page_;
    const Settings& settings_;
    EventSink& events_;
    ProcessStarter start_;
    StartedCopies copies_;
    // The copies it started, through the handles their creation gave; one
    // whose handle cannot be waited on counts as ended, or it would hold a
    // place under "最多同时运行" for ever.
    ProcessWatcher processes_{ProcessWatcher::Unwaitable::MeansEnded};
    StartPacing pacing_;
    std::uint32_t lastRestartId_ = 0;  // the copy the last restart started, awaited until ready
    std::uint64_t bareStarts_ = 0;     // presses of "启动鹭行" so far
    std::mt19937 random_;
    bool watching_ = false;  // watchCopies() is running (a start inside it must not run it again)
    WalkFigures walk_;
    bool walkEnding_ = false;  // endWalk() was asked: the rest of the walk is left out
    bool lastStarted_ = false;  // the last start() created its process
};

}  // namespace vuv::win
