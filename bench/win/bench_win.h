// Helpers shared by the benchmarks that run under Windows (or Wine): timing,
// medians, the message pump, and the log directory of the stand-in browsers
// a benchmark starts.
#pragma once

#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <vector>

namespace vuv::bench {

using Clock = std::chrono::steady_clock;

// The median of the samples (the upper middle one of an even count); 0 for none.
inline double medianOf(std::vector<double> samples) {
    if (samples.empty()) return 0.0;
    std::sort(samples.begin(), samples.end());
    return samples[samples.size() / 2];
}

inline double timeMs(const std::function<void()>& work) {
    const auto start = Clock::now();
    work();
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Handles every message waiting for this thread.
inline void pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Paints the window now, as the screen would show it.
inline void paint(HWND window) {
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    pump();
}

// The directory of this program, with a trailing backslash.
inline std::wstring ownDirectory() {
    std::wstring path(MAX_PATH, L'\0');
    const DWORD n = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
    path.resize(n);
    return path.substr(0, path.find_last_of(L"\\/") + 1);
}

// A fresh directory under the temporary directory where the stand-in
// browsers this process starts from now on write their logs.
inline std::wstring makeStandinLogDirectory(const wchar_t* prefix) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring directory = std::wstring(temp) + prefix + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(directory.c_str(), nullptr);
    SetEnvironmentVariableW(L"VUV_STANDIN_LOG", directory.c_str());
    return directory;
}

// Removes the directory with the logs left in it (only a browser that still
// holds its file leaves one).
inline void removeStandinLogDirectory(const std::wstring& directory) {
    WIN32_FIND_DATAW found{};
    const HANDLE search = FindFirstFileW((directory + L"\\*.log").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            DeleteFileW((directory + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(directory.c_str());
}

}  // namespace vuv::bench
