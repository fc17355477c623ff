// Scale of the instance table's work under many browsers: starts stand-in
// browsers (lxbr.exe beside this program), then times
//   - a scan (discovery and titles, the panel's own code over the desktop)
//     against one bare EnumWindows pass over the same desktop (and, as
//     before, against a pass that reads each window's class name);
//   - the same scan with some of the browsers hung (they stopped reading
//     messages): the scan must not wait on them;
//   - 刷新 to every browser (one transfer each, acknowledged) against one
//     bare cross-process SendMessageTimeout(WM_NULL) to each command window;
//   - the refresh of every row's state that runs every 2 s, on the panel's
//     own instance page built in this process, against asking the system
//     once per row whether the window hangs.
// Each figure is the median of several rounds, measured in the same run.
//
//   instances_bench [browsers=50] [rounds=15] [hung=0]
//
// Without arguments it measures twice: 50 browsers, then 200 of which 10 hang.
#include "app/panel_win.h"
#include "common/encoding_win.h"
#include "common/texts.h"
#include "link/payloads.h"
#include "link/channel_win.h"
#include "link/instances.h"
#include "link/window_source_win.h"

#include "standin/protocol.h"

#include "../bench_line.h"
#include "bench_win.h"

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

using namespace vuv;
using namespace vuv::bench;

struct Browser {
    PROCESS_INFORMATION info{};
};

// Starts count stand-ins logging into logDirectory; they are ended by stopAll.
std::vector<Browser> startBrowsers(const std::wstring& exe, int count) {
    std::vector<Browser> started;
    for (int i = 0; i < count; ++i) {
        std::wstring commandLine = L"\"" + exe + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        Browser browser;
        if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &browser.info)) {
            std::fprintf(stderr, "cannot start %ls (error %lu)\n", exe.c_str(), GetLastError());
            break;
        }
        WaitForInputIdle(browser.info.hProcess, 10000);
        started.push_back(browser);
    }
    return started;
}

void stopAll(std::vector<Browser>& browsers, const InstanceRecords& records) {
    for (const InstanceRecord& record : records.records()) {
        if (record.frameWindow != 0) PostMessageW(win::toHwnd(record.frameWindow), WM_CLOSE, 0, 0);
    }
    for (Browser& browser : browsers) {
        if (WaitForSingleObject(browser.info.hProcess, 5000) != WAIT_OBJECT_0) TerminateProcess(browser.info.hProcess, 1);
        CloseHandle(browser.info.hThread);
        CloseHandle(browser.info.hProcess);
    }
    browsers.clear();
}

bool isOurs(const std::vector<Browser>& browsers, std::uint32_t pid) {
    return std::any_of(browsers.begin(), browsers.end(),
                       [pid](const Browser& b) { return b.info.dwProcessId == pid; });
}

// Every started browser has a record with a command window.
bool allListed(const std::vector<Browser>& browsers, const InstanceRecords& records) {
    std::size_t found = 0;
    for (const InstanceRecord& record : records.records()) {
        if (record.commandWindow != 0 && isOurs(browsers, record.processId)) ++found;
    }
    return found == browsers.size();
}

struct EnumState {
    std::size_t windows = 0;
    std::size_t matching = 0;
    std::wstring classes[3];
};

BOOL CALLBACK justCount(HWND, LPARAM lParam) {
    ++*reinterpret_cast<std::size_t*>(lParam);
    return TRUE;
}

// Has a stand-in stop reading messages for ms milliseconds.
bool stall(HWND control, unsigned ms) {
    std::string bytes(4, '\0');
    for (int i = 0; i < 4; ++i) bytes[static_cast<std::size_t>(i)] = static_cast<char>((ms >> (8 * i)) & 0xFF);
    COPYDATASTRUCT data{};
    data.dwData = standin::kControlStall;
    data.cbData = static_cast<DWORD>(bytes.size());
    data.lpData = bytes.data();
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(control, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, 5000,
                               &result) != 0 &&
           result == 1;
}

BOOL CALLBACK countWindow(HWND hwnd, LPARAM lParam) {
    auto* state = reinterpret_cast<EnumState*>(lParam);
    wchar_t name[257] = {};
    GetClassNameW(hwnd, name, 257);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    ++state->windows;
    for (const std::wstring& wanted : state->classes) {
        if (wanted == name) ++state->matching;
    }
    return TRUE;
}

int measure(int count, int rounds, int hungCount);

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        return measure(std::max(1, std::atoi(argv[1])), argc > 2 ? std::max(1, std::atoi(argv[2])) : 15,
                       argc > 3 ? std::max(0, std::atoi(argv[3])) : 0);
    }
    const int first = measure(50, 15, 0);
    const int second = measure(200, 7, 10);
    return first != 0 ? first : second;
}

namespace {

int measure(int count, int rounds, int hungCount) {
    const std::string size = "_" + std::to_string(count);

    const std::wstring directory = ownDirectory();
    const std::wstring exe = directory + L"lxbr.exe";
    // The stand-ins' logs go to a directory of their own.
    const std::wstring logDirectory = makeStandinLogDirectory(L"vuv-bench-");

    std::vector<Browser> browsers = startBrowsers(exe, count);
    win::DesktopWindows desktop;
    InstanceRecords records;
    const auto deadline = Clock::now() + std::chrono::seconds(60);
    for (records.scan(desktop); !allListed(browsers, records) && Clock::now() < deadline; records.scan(desktop)) {
        Sleep(50);
    }
    if (browsers.size() != static_cast<std::size_t>(count) || !allListed(browsers, records)) {
        std::fprintf(stderr, "only %zu of %d browsers came up\n", browsers.size(), count);
        stopAll(browsers, records);
        return 1;
    }

    std::vector<HWND> commandWindows;
    for (const InstanceRecord& record : records.records()) {
        if (isOurs(browsers, record.processId)) commandWindows.push_back(win::toHwnd(record.commandWindow));
    }

    // A warm-up round that also checks every browser acknowledges a transfer.
    const std::string refreshText = toolbarPayload(text::kToolbarRefresh);
    std::size_t acknowledged = 0;
    for (HWND target : commandWindows) acknowledged += win::sendTransfer(target, text::kMsgAdjust, refreshText) ? 1 : 0;
    if (acknowledged != commandWindows.size()) {
        std::fprintf(stderr, "only %zu of %zu browsers acknowledged\n", acknowledged, commandWindows.size());
    }

    std::vector<double> scan, enumerate, bareEnumerate, refresh, bare;
    std::size_t rows = 0;
    EnumState state;
    InstanceTable table;
    for (int r = 0; r < rounds; ++r) {
        scan.push_back(timeMs([&] {
            table.scan(desktop);
            rows = table.rows().size();
        }));
        std::size_t windows = 0;
        bareEnumerate.push_back(timeMs([&] { EnumWindows(&justCount, reinterpret_cast<LPARAM>(&windows)); }));
        state = EnumState{};
        state.classes[0] = win::widen(text::kClassFrame);
        state.classes[1] = win::widen(text::kClassCommand);
        state.classes[2] = win::widen(text::kClassThird);
        enumerate.push_back(timeMs([&] { EnumWindows(&countWindow, reinterpret_cast<LPARAM>(&state)); }));
        refresh.push_back(timeMs([&] {
            for (HWND target : commandWindows) win::sendBasic(target, text::kKeyToolbar, text::kToolbarRefresh);
        }));
        bare.push_back(timeMs([&] {
            for (HWND target : commandWindows) {
                DWORD_PTR ignored = 0;
                SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, win::kTransferTimeoutMs, &ignored);
            }
        }));
    }

    std::printf("browsers: %zu, rounds: %d (median of each)\n", commandWindows.size(), rounds);
    std::printf("scanInstances:            %8.2f ms  (%zu rows)\n", medianOf(scan), rows);
    std::printf("  baseline EnumWindows, counting: %8.2f ms\n", medianOf(bareEnumerate));
    std::printf("  baseline EnumWindows reading class names: %8.2f ms  (%zu top-level windows, %zu of the three classes)\n",
                medianOf(enumerate), state.windows, state.matching);
    std::printf("refresh to all (sendBasic): %6.2f ms  (%.3f ms per browser)\n", medianOf(refresh),
                medianOf(refresh) / static_cast<double>(commandWindows.size()));
    std::printf("  baseline WM_NULL round trips: %6.2f ms  (%.3f ms per browser)\n", medianOf(bare),
                medianOf(bare) / static_cast<double>(commandWindows.size()));
    vuv::bench::figure("instances.scan" + size, medianOf(scan), "ms", medianOf(bareEnumerate));
    vuv::bench::figure("instances.refresh_all" + size, medianOf(refresh), "ms", medianOf(bare));

    // The state refresh of every row, on the panel's own page.
    static win::Panel panel;
    static const bool built = panel.build(GetModuleHandleW(nullptr));
    if (built) {
        win::Fleet& fleet = panel.fleet();
        fleet.scan();
        std::vector<HWND> frames;
        for (const InstanceRecord& record : table.records().records()) {
            if (isOurs(browsers, record.processId)) frames.push_back(win::toHwnd(record.frameWindow));
        }
        std::vector<double> tick, naive;
        for (int r = 0; r < rounds; ++r) {
            tick.push_back(timeMs([&] { fleet.refreshStates(); }));
            naive.push_back(timeMs([&] {
                for (HWND frame : frames) static_cast<void>(IsHungAppWindow(frame));
            }));
        }
        std::printf("state refresh of %zu rows (one %u ms tick): %6.3f ms (target under 2 ms)\n", frames.size(),
                    win::kFleetTickMs, medianOf(tick));
        std::printf("  baseline one IsHungAppWindow per row: %6.3f ms\n", medianOf(naive));
        vuv::bench::figure("instances.state_tick" + size, medianOf(tick), "ms", medianOf(naive));
    }

    // Some browsers hung: the scan still waits on none.
    if (hungCount > 0) {
        int stalled = 0;
        for (std::size_t i = 0; i < commandWindows.size() && stalled < hungCount; ++i) {
            if (stall(commandWindows[i], 60000)) ++stalled;
        }
        // Past the system's 5 s before it takes them for hung, and once right away.
        std::vector<double> hungScan;
        hungScan.push_back(timeMs([&] { table.scan(desktop); }));
        Sleep(6000);
        for (int r = 0; r < rounds; ++r) hungScan.push_back(timeMs([&] { table.scan(desktop); }));
        std::printf("scan with %d of %zu browsers hung: %8.2f ms median, %8.2f ms worst (target under 1 s)\n", stalled,
                    commandWindows.size(), medianOf(hungScan), *std::max_element(hungScan.begin(), hungScan.end()));
        vuv::bench::figure("instances.scan" + size + "_with_" + std::to_string(stalled) + "_hung",
                           *std::max_element(hungScan.begin(), hungScan.end()), "ms", medianOf(bareEnumerate));
    }

    stopAll(browsers, records);
    removeStandinLogDirectory(logDirectory);
    return 0;
}

}  // namespace
