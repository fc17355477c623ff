// Scale of the instance table's work under many browsers: starts stand-in
// browsers (lxbr.exe beside this program), then times
//   - a scan (discovery and titles, the panel's own code over the desktop)
//     against EnumWindows over the same desktop reading each class name;
//   - 刷新 to every browser (one transfer each, acknowledged) against one
//     bare cross-process SendMessageTimeout(WM_NULL) to each command window.
// Each figure is the median of several rounds, measured in the same run.
//
//   instances_bench [browsers=50] [rounds=15]
#include "common/encoding_win.h"
#include "common/texts.h"
#include "link/payloads.h"
#include "link/channel_win.h"
#include "link/instances.h"
#include "link/window_source_win.h"

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

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 15;

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

    std::vector<double> scan, enumerate, refresh, bare;
    std::size_t rows = 0;
    EnumState state;
    for (int r = 0; r < rounds; ++r) {
        scan.push_back(timeMs([&] {
            records.scan(desktop);
            rows = instanceRows(records, desktop).size();
        }));
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
    std::printf("  baseline EnumWindows:   %8.2f ms  (%zu top-level windows, %zu of the three classes)\n",
                medianOf(enumerate), state.windows, state.matching);
    std::printf("refresh to all (sendBasic): %6.2f ms  (%.3f ms per browser)\n", medianOf(refresh),
                medianOf(refresh) / static_cast<double>(commandWindows.size()));
    std::printf("  baseline WM_NULL round trips: %6.2f ms  (%.3f ms per browser)\n", medianOf(bare),
                medianOf(bare) / static_cast<double>(commandWindows.size()));
    vuv::bench::figure("instances.scan", medianOf(scan), "ms", medianOf(enumerate));
    vuv::bench::figure("instances.refresh_all", medianOf(refresh), "ms", medianOf(bare));

    stopAll(browsers, records);
    removeStandinLogDirectory(logDirectory);
    return 0;
}
