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
#include "launch/launch_policy.h"

#include <windows.h>

#include <algorithm>
#include <optional>
#include <utility>
#include <vector>

namespace vuv::win {

namespace {

constexpr DWORD kReadyWaitMs = static_cast<DWORD>(StartPacing::kReadyWaitMs);
// While a walk waits for a slot it looks again at least this often, so that
// a copy it cannot wait on (beyond the most handles one wait takes) or a
// limit changed meanwhile counts soon.
constexpr DWORD kSlotRecheckMs = 250;

std::int64_t nowMs() noexcept { return static_cast<std::int64_t>(GetTickCount64()); }

// The quit message is waiting: a wait must not begin again.
bool quitPending() {
    MSG msg;
    return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
}

std::mt19937 seededEngine() {
    LARGE_INTEGER counter{};
    QueryPerformanceCounter(&counter);
    std::random_device device;
    std::seed_seq seed{device(), static_cast<unsigned>(counter.LowPart), static_cast<unsigned>(counter.HighPart),
                       static_cast<unsigned>(GetCurrentProcessId())};
    return std::mt19937(seed);
}

}  // namespace

StartedProcess startProcess(std::string_view gbkCommand, bool waitReady) {
    const std::wstring wide = widen(gbkCommand);
    std::vector<wchar_t> line(wide.begin(), wide.end());
    line.push_back(L'\0');  // CreateProcessW may write into the command line
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return {};
    }
    const KernelHandle thread(process.hThread);
    KernelHandle handle(process.hProcess);
    if (waitReady) WaitForInputIdle(handle.get(), kReadyWaitMs);
    // The process handle is kept: the scheduler watches the copies it started.
    return StartedProcess(std::move(handle), process.dwProcessId);
}

std::string lastOpenTime(std::string_view browserPath) {
    std::string bytes;
    if (!readFileBytes(widen(browserIniPath(browserPath)), bytes)) return std::string(text::kDefaultLastOpen);
    return ini::get(bytes, text::kIniSectionTime, text::kIniKeyLastOpen).value_or(std::string(text::kDefaultLastOpen));
}

LaunchScheduler::LaunchScheduler(LaunchPage& page, const Settings& settings, EventSink& events, ProcessStarter start)
    : page_(page), settings_(settings), events_(events), start_(std::move(start)), random_(seededEngine()) {
    if (page_.window() != nullptr) SetTimer(page_.window(), id::kLaunchWatchTimer, kLaunchWatchTickMs, nullptr);
}

std::uint32_t LaunchScheduler::start(const std::string& command, const std::string& origin, bool restart) {
    StartedProcess process = start_(command, !restart);
    const bool started = static_cast<bool>(process);
    lastStarted_ = started;
    if (restart) {
        // A restart is the new copy's own event.
        events_.record(process.processId(), started ? text::kEventRestart : text::kEventStartFailed, command);
    } else {
        events_.record(0, started ? text::kEventStart : text::kEventStartFailed, command);
    }
    if (started && process.handle() != nullptr) {
        const std::uint32_t id = process.processId();
        processes_.add(id, process.release());
        copies_.started(id, command, origin);
        return id;
    }
    return 0;
}

void LaunchScheduler::registerIds(Routes& routes) {
    constexpr char kOwner[] = "launcher";
    routes.commands.claim(id::kLaunchAll, kOwner, [this](int) { launchAll(); });
    routes.commands.claim(id::kStartBrowser, kOwner, [this](int) { startBareBrowser(); });
    routes.commands.claim(id::kLaunchSelected, kOwner, [this](int) { launchSelected(false); });
    routes.commands.claim(id::kLaunchSelectedDesignated, kOwner, [this](int) { launchSelected(true); });
    routes.timers.claim(id::kLaunchWatchTimer, kOwner, [this] { watchCopies(); });
}

std::string LaunchScheduler::entryCommand(const LaunchEntry& entry, bool designated, bool flag) const {
    return launchCommand(entry, settings_, designated, flag, [this] { return lastOpenTime(settings_.browserPath); });
}

void LaunchScheduler::closedByPanel(std::uint32_t processId) { copies_.closedByPanel(processId); }

void LaunchScheduler::watchCopies(bool mayRestart) {
    if (watching_) return;
    watching_ = true;
    const std::int64_t now = nowMs();
    for (const std::uint32_t id : processes_.poll()) {
        // Its handle goes at once: nothing waits on an ended copy.
        processes_.remove(id);
        // The delay is 启动间隔 as the box says when the end is seen.
        const EndedCopy ended = copies_.ended(id, settings_.autoRestart, page_.launchInterval(), now);
        if (ended.end == CopyEnd::Refused) events_.record(id, text::kEventRestartRefused, ended.command);
    }
    seeRestartReady(now);
    // One restart at most, and only once the copy started before it is
    // ready and its pause has passed. Each restart counts as running once
    // started, so the limit holds for restarts as for the walks.
    if (mayRestart && pacing_.restartMayStart(now)) {
        if (std::optional<Restart> restart = copies_.nextRestart(now, settings_.maxRunning, settings_.autoRestart)) {
            const std::int64_t startedAt = nowMs();
            lastRestartId_ = start(restart->command, restart->origin, true);
            pacing_.restarted(startedAt, nextPause());
        }
    }
    watching_ = false;
}

void LaunchScheduler::seeRestartReady(std::int64_t now) {
    if (!pacing_.awaitingReady(now)) return;
    // Gone (its end was taken) counts as ready: there is nothing to wait for.
    const HANDLE last = processes_.handle(lastRestartId_);
    if (last == nullptr || WaitForInputIdle(last, 0) != WAIT_TIMEOUT) pacing_.ready(now);
}

void LaunchScheduler::waitForTurn(LaunchList::Id id) {
    for (;;) {
        waitForSlot(id);
        if (!page_.list().rowOf(id)) return;
        // Without starting a restart: the walk's start comes first once the
        // spacing allows it.
        seeRestartReady(nowMs());
        const std::int64_t wait = pacing_.walkWaitMs(nowMs());
        if (wait <= 0 || quitPending()) return;
        pumpingPause(static_cast<int>(std::min<std::int64_t>(wait, kSlotRecheckMs)));
    }
}

void LaunchScheduler::waitForSlot(LaunchList::Id id) {
    if (settings_.maxRunning <= 0) return;  // no limit: the walk goes as it always did
    // A row deleted meanwhile (or a list emptied or replaced) has nothing
    // left to wait for.
    while (page_.list().rowOf(id)) {
        watchCopies(false);
        if (!mustWaitForSlot(copies_.running(), settings_.maxRunning)) return;
        const std::vector<HANDLE> handles = processes_.handles(MAXIMUM_WAIT_OBJECTS - 1);
        // The handles may be closed while the wait pumps (a timer tick sees
        // the copy ended first): the wait then fails or times out and the
        // copies are looked at again.
        if (waitPumping(handles.data(), static_cast<DWORD>(handles.size()), kSlotRecheckMs) < 0 && quitPending()) {
            return;
        }
    }
}

int LaunchScheduler::nextPause() {
    const int interval = page_.launchInterval();
    if (settings_.jitterMs <= 0) return interval;  // as it always was: no draw
    return jitteredPause(interval, settings_.jitterMs, std::uniform_real_distribution<double>(0.0, 1.0)(random_));
}

void LaunchScheduler::launchRow(LaunchList::Id id, bool alwaysDesignated, bool onlySelected) {
    std::optional<std::size_t> row = page_.list().rowOf(id);
    if (!row || (onlySelected && !page_.isSelected(*row))) return;
    waitForTurn(id);
    // The waits pump messages: the row may have moved or gone meanwhile,
    // or the walk been ended.
    row = page_.list().rowOf(id);
    if (!row || walkEnding_) return;
    const LaunchEntry entry = page_.list().at(*row);  // a copy: the pause may change the list
    // The truth value after the last-open time carries the "WAP浏览模式" box:
    // it is the one state of the page meant for the browser, so a browser
    // started in WAP mode learns it from its command line.
    start(entryCommand(entry, alwaysDesignated || page_.designatedMode(), page_.wapMode()), rowOrigin(id), false);
    ++(lastStarted_ ? walk_.started : walk_.failed);
    --walk_.remaining;
    const int pause = nextPause();
    pacing_.walkStarted(nowMs(), pause);
    walkPause(pause);
}

void LaunchScheduler::walkPause(int ms) {
    // In slices, so that an ended walk does not sit out its pause; even a
    // pause of 0 handles the messages waiting, as pumpingPause does.
    const std::int64_t end = nowMs() + ms;
    std::int64_t left = ms;
    do {
        pumpingPause(static_cast<int>(std::min<std::int64_t>(left, kSlotRecheckMs)));
        left = end - nowMs();
    } while (left > 0 && !walkEnding_ && !quitPending());
}

void LaunchScheduler::launchAll() {
    // The walk starts the rows that stand in the list as it begins, each
    // found again by its id at its turn: a row deleted meanwhile is skipped,
    // one added is not started, and after 清空 or a replaced list none is
    // left. Entries, check boxes and the interval are read at every step.
    walkRows(page_.list().ids(), false, false);
    messageBox(L"批量启动完成", L"完成", MB_OK);
}

void LaunchScheduler::walkRows(std::vector<LaunchList::Id> ids, bool alwaysDesignated, bool onlySelected) {
    // A walk inside another's pause (a second press) counts in the same figures.
    const bool outer = !walk_.walking;
    if (outer) walk_ = WalkFigures{true, 0, 0, 0};
    walk_.remaining += ids.size();
    for (const LaunchList::Id id : ids) {
        // A row started counts itself out of the remaining ones at its start.
        const std::size_t before = walk_.started + walk_.failed;
        if (!walkEnding_) launchRow(id, alwaysDesignated, onlySelected);
        if (walk_.started + walk_.failed == before) --walk_.remaining;
    }
    if (outer) {
        walk_.walking = false;
        walkEnding_ = false;
    }
}

void LaunchScheduler::walkQuietly(std::vector<LaunchList::Id> ids) { walkRows(std::move(ids), false, false); }

void LaunchScheduler::startBareBrowsers(std::size_t count) {
    const bool outer = !walk_.walking;
    if (outer) walk_ = WalkFigures{true, 0, 0, 0};
    walk_.remaining += count;
    for (std::size_t i = 0; i < count; ++i) {
        --walk_.remaining;
        if (walkEnding_) continue;
        startBareBrowser();
        ++(lastStarted_ ? walk_.started : walk_.failed);
        const int pause = nextPause();
        pacing_.walkStarted(nowMs(), pause);
        if (i + 1 < count) walkPause(pause);
    }
    if (outer) {
        walk_.walking = false;
        walkEnding_ = false;
    }
}

void LaunchScheduler::launchSelected(bool alwaysDesignated) {
    if (!page_.anySelected()) return;
    // As launchAll(); a row is started if it is selected when its turn comes.
    walkRows(page_.list().ids(), alwaysDesignated, true);
}

void LaunchScheduler::startBareBrowser() {
    // Each press is an origin of its own: its copy's restarts have their own budget.
    start(browserCommand(settings_.browserPath, {}, {}, false, {}), bareStartOrigin(++bareStarts_), false);
}

}  // namespace vuv::win
