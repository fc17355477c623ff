// Scale of the launch list and accuracy of the launch walk, measured on the
// panel's own page code inside this process (the main window and the launch
// page are built as at start-up, without the channel):
//   - appending 100,000 entries and painting the list, against building the
//     same entries in a bare vector;
//   - deleting 10,000 selected rows spread over 100,000, against the model's
//     own removal of the same rows;
//   - exporting 100,000 entries (the text and the file, as the page writes
//     them once the save dialog has answered), against writing as many bytes;
//   - the spacing of 20 stand-in launches (lxbr.exe beside this program) at an
//     interval of 100 ms: the time from the end of one start (the browser is
//     idle, or 1000 ms have passed) to the next start, less the interval,
//     against the same walk at interval 0, which leaves a step's own cost.
//
//   launch_bench [rows=100000] [rounds=5] [launches=20]
#include "app/panel_win.h"
#include "common/control_ids.h"
#include "common/files_win.h"
#include "common/encoding_win.h"
#include "common/ui_win.h"
#include "launch/export.h"
#include "launch/launch_list.h"
#include "launch/launch_page_win.h"
#include "launch/launch_scheduler_win.h"

#include "../bench_line.h"
#include "bench_win.h"

#include <windows.h>
#include <commctrl.h>
#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace {

using namespace vuv;
using namespace vuv::win;
using namespace vuv::bench;

double worstOf(const std::vector<double>& samples) {
    double worst = 0.0;
    for (double s : samples) worst = std::max(worst, std::fabs(s));
    return worst;
}

std::vector<LaunchEntry> makeEntries(std::size_t count) {
    std::vector<LaunchEntry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string n = std::to_string(i);
        entries.push_back(LaunchEntry{"\xD5\xBE" + n, "http://example.com/page/" + n, "C:\\cfg\\" + n + ".zni"});
    }
    return entries;
}

// Every 10th row, as the list view reports a selection.
std::vector<std::size_t> spreadRows(std::size_t count) {
    std::vector<std::size_t> rows;
    for (std::size_t i = 5; i < count; i += 10) rows.push_back(i);
    return rows;
}

// The stand-ins this process started, by creation time (100 ns units).
struct Child {
    DWORD pid;
    ULONGLONG created;
};

std::vector<Child> childrenFrom(const std::wstring& exe) {
    std::vector<Child> found;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) return found;
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (entry.th32ParentProcessID != GetCurrentProcessId()) continue;
        HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (process == nullptr) continue;
        wchar_t image[MAX_PATH] = {};
        DWORD size = MAX_PATH;
        FILETIME created{}, exited{}, kernel{}, user{};
        if (QueryFullProcessImageNameW(process, 0, image, &size) && lstrcmpiW(image, exe.c_str()) == 0 &&
            GetProcessTimes(process, &created, &exited, &kernel, &user)) {
            found.push_back({entry.th32ProcessID, (ULONGLONG{created.dwHighDateTime} << 32) | created.dwLowDateTime});
        }
        CloseHandle(process);
    }
    CloseHandle(snapshot);
    std::sort(found.begin(), found.end(), [](const Child& a, const Child& b) { return a.created < b.created; });
    return found;
}

void endChildren(const std::vector<Child>& children) {
    for (const Child& child : children) {
        HANDLE process = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child.pid);
        if (process == nullptr) continue;
        TerminateProcess(process, 0);
        WaitForSingleObject(process, 5000);
        CloseHandle(process);
    }
}

// One walk of "全部批量启动" over the page, watched through its process
// starter; the closing notice is answered from a helper thread.
struct Walk {
    std::vector<double> gaps;    // from one start to the next, as the browsers see it
    std::vector<double> pauses;  // from the end of one start (idle or 1000 ms) to the next start
};

Walk watchWalk(Panel& panel, const std::wstring& exe) {
    LaunchPage& page = panel.launch();
    std::vector<Clock::time_point> begins, ends;
    const ProcessStarter watched = [&](std::string_view command, bool waitReady) {
        begins.push_back(Clock::now());
        StartedProcess started = startProcess(command, waitReady);
        ends.push_back(Clock::now());
        return started;
    };
    std::atomic<bool> done{false};
    std::thread answer([&] {
        while (!done) {
            if (HWND box = FindWindowW(L"#32770", L"完成")) {
                DWORD pid = 0;
                GetWindowThreadProcessId(box, &pid);
                if (pid == GetCurrentProcessId()) PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
            Sleep(20);
        }
    });
    LaunchScheduler scheduler(page, panel.settings().settings(), panel.log(), watched);
    scheduler.launchAll();
    done = true;
    answer.join();

    const std::vector<Child> children = childrenFrom(exe);
    if (children.size() != page.size()) {
        std::fprintf(stderr, "found %zu started browsers for %zu entries\n", children.size(), page.size());
    }
    endChildren(children);

    Walk walk;
    for (std::size_t i = 1; i < begins.size(); ++i) {
        walk.gaps.push_back(std::chrono::duration<double, std::milli>(begins[i] - begins[i - 1]).count());
        walk.pauses.push_back(std::chrono::duration<double, std::milli>(begins[i] - ends[i - 1]).count());
    }
    return walk;
}

}  // namespace

int main(int argc, char** argv) {
    const std::size_t rows = argc > 1 ? static_cast<std::size_t>(std::max(1, std::atoi(argv[1]))) : 100000;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const std::size_t launches = argc > 3 ? static_cast<std::size_t>(std::max(2, std::atoi(argv[3]))) : 20;

    // The whole panel, in this process, without its start-up sequence.
    static Panel panel;
    if (!panel.build(GetModuleHandleW(nullptr))) return 1;
    const HWND main = panel.window().hwnd();
    LaunchPage& page = panel.launch();
    panel.window().showPage(id::kLaunchPage);
    ShowWindow(main, SW_SHOWNORMAL);
    UpdateWindow(main);
    pump();
    HWND list = GetDlgItem(main, id::kLaunchList);

    // Appending and showing.
    std::vector<double> append, build;
    for (int r = 0; r < rounds; ++r) {
        page.clear();
        paint(list);
        std::vector<LaunchEntry> entries;
        build.push_back(timeMs([&] { entries = makeEntries(rows); }));
        append.push_back(timeMs([&] {
            page.appendEntries(std::move(entries));
            paint(list);
        }));
    }
    std::printf("rows: %zu, rounds: %d (median of each)\n", rows, rounds);
    std::printf("append %zu entries and show:   %8.2f ms\n", rows, medianOf(append));
    std::printf("  baseline building them:       %8.2f ms\n", medianOf(build));
    vuv::bench::figure("launch.append_and_show", medianOf(append), "ms", medianOf(build));

    // Deleting a spread selection.
    const std::vector<std::size_t> spread = spreadRows(rows);
    std::vector<double> remove, removeModel;
    for (int r = 0; r < rounds; ++r) {
        page.clear();
        page.appendEntries(makeEntries(rows));
        for (std::size_t row : spread) ListView_SetItemState(list, static_cast<int>(row), LVIS_SELECTED, LVIS_SELECTED);
        paint(list);
        remove.push_back(timeMs([&] {
            page.deleteSelected();
            paint(list);
        }));
        if (page.size() != rows - spread.size()) std::fprintf(stderr, "delete left %zu rows\n", page.size());
        LaunchList model;
        for (LaunchEntry& e : makeEntries(rows)) model.append(std::move(e));
        removeModel.push_back(timeMs([&] { model.removeRows(spread); }));
    }
    std::printf("delete %zu selected rows:       %8.2f ms\n", spread.size(), medianOf(remove));
    std::printf("  baseline model removal alone: %8.2f ms\n", medianOf(removeModel));
    vuv::bench::figure("launch.delete_selected", medianOf(remove), "ms", medianOf(removeModel));

    // Exporting.
    page.clear();
    page.appendEntries(makeEntries(rows));
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring exportPath = std::wstring(temp) + L"vuv-bench-export.txt";
    std::vector<double> exported, rawWrite;
    std::size_t bytes = 0;
    for (int r = 0; r < rounds; ++r) {
        exported.push_back(timeMs([&] {
            const std::string text = exportLaunchEntries(page.list().entries());
            bytes = text.size();
            if (!writeFileBytes(exportPath, text)) std::fprintf(stderr, "export write failed\n");
        }));
        const std::string same(bytes, 'x');
        rawWrite.push_back(timeMs([&] {
            if (!writeFileBytes(exportPath, same)) std::fprintf(stderr, "raw write failed\n");
        }));
    }
    DeleteFileW(exportPath.c_str());
    std::printf("export %zu entries (%zu bytes): %8.2f ms\n", rows, bytes, medianOf(exported));
    std::printf("  baseline writing the bytes:    %8.2f ms\n", medianOf(rawWrite));
    vuv::bench::figure("launch.export", medianOf(exported), "ms", medianOf(rawWrite));

    // Launch spacing.
    const std::wstring exe = ownDirectory() + L"lxbr.exe";
    const std::wstring logDirectory = makeStandinLogDirectory(L"vuv-launch-bench-");
    panel.settings().settings().browserPath = narrow(exe);
    page.clear();
    std::vector<LaunchEntry> walk;
    for (std::size_t i = 0; i < launches; ++i) walk.push_back(LaunchEntry{{}, "http://example.com/" + std::to_string(i), {}});
    page.appendEntries(walk);
    HWND interval = GetDlgItem(main, id::kInterval);

    SetWindowTextW(interval, L"0");
    const Walk bare = watchWalk(panel, exe);
    SetWindowTextW(interval, L"100");
    const Walk spaced = watchWalk(panel, exe);
    if (spaced.gaps.empty() || bare.gaps.empty()) {
        std::fprintf(stderr, "the launch walks started nothing\n");
        ExitProcess(1);
    }
    std::vector<double> errors;
    for (double pause : spaced.pauses) errors.push_back(pause - 100.0);
    std::vector<double> pauseErrors;
    for (std::size_t i = 0; i < launches; ++i) pauseErrors.push_back(timeMs([] { pumpingPause(100); }) - 100.0);

    std::printf("launch spacing, %zu stand-in launches at 100 ms:\n", launches);
    std::printf("  spacing error (after a start until the next):  median %6.2f ms, worst %6.2f ms\n",
                medianOf(errors), worstOf(errors));
    std::printf("    baseline at interval 0 (a step's own cost):  median %6.2f ms, worst %6.2f ms\n",
                medianOf(bare.pauses), worstOf(bare.pauses));
    std::printf("    the pause alone, 100 ms:                     median %6.2f ms, worst %6.2f ms\n",
                medianOf(pauseErrors), worstOf(pauseErrors));
    std::printf("  gap between starts (start-up wait included):   median %6.2f ms, worst %6.2f ms\n",
                medianOf(spaced.gaps), worstOf(spaced.gaps));
    std::printf("    baseline at interval 0:                      median %6.2f ms, worst %6.2f ms\n",
                medianOf(bare.gaps), worstOf(bare.gaps));
    vuv::bench::figure("launch.spacing_error", medianOf(errors), "ms", medianOf(bare.pauses));
    vuv::bench::figure("launch.gap_at_100ms", medianOf(spaced.gaps), "ms", medianOf(bare.gaps));

    removeStandinLogDirectory(logDirectory);
    // Leave without the exit sequence: nothing of the panel's settings is saved.
    ExitProcess(0);
}
