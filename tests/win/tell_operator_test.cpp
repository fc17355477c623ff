// Failures told to the operator: a run-log row each time, and a box that
// never opens a second time over itself.
#include "common/tell_operator_win.h"

#include "common/encoding_win.h"
#include "common/texts.h"
#include "win/event_recorder.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace vuv::win {
namespace {

using Clock = std::chrono::steady_clock;

using Recorder = EventRecorder;

BOOL CALLBACK addBox(HWND window, LPARAM found) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (std::wstring(name) == L"#32770" && IsWindowVisible(window)) {
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    }
    return TRUE;
}

// The dialog boxes this thread has open.
std::vector<HWND> boxesOf(DWORD thread) {
    std::vector<HWND> boxes;
    EnumThreadWindows(thread, addBox, reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

constexpr UINT kAgain = WM_APP + 7;

// Where the box's own message loop delivers kAgain: the same failure again,
// while its box is open.
struct Again {
    Recorder* log = nullptr;
    DWORD thread = 0;
    std::atomic<int> boxesWhileNested{-1};
    std::atomic<bool> nestedReturned{false};
};
Again* again = nullptr;

LRESULT CALLBACK againProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != kAgain) return DefWindowProcW(window, message, wParam, lParam);
    tellOperator(*again->log, L"书签导出失败", L"C:\\x.txt");
    again->nestedReturned = true;
    again->boxesWhileNested = static_cast<int>(boxesOf(again->thread).size());
    for (HWND box : boxesOf(again->thread)) PostMessageW(box, WM_COMMAND, IDOK, 0);
    return 0;
}

// Once a box of thread is open, has target fail again; counts the most
// boxes open at once. After 10 s, or when done, presses OK on every box.
void watch(DWORD thread, HWND target, const std::atomic<bool>& done, std::atomic<int>& most) {
    const auto deadline = Clock::now() + std::chrono::seconds(10);
    bool asked = false;
    while (!done && Clock::now() < deadline) {
        const int open = static_cast<int>(boxesOf(thread).size());
        if (open > most) most = open;
        if (open > 0 && !asked) {
            PostMessageW(target, kAgain, 0, 0);
            asked = true;
        }
        Sleep(10);
    }
    // Whatever happened, no box outlives the test.
    while (!done) {
        for (HWND box : boxesOf(thread)) PostMessageW(box, WM_COMMAND, IDOK, 0);
        Sleep(10);
    }
}

TEST(TellOperator, LogsEveryFailureAndNeverStacksABoxOnItsOwnText) {
    Recorder log;
    Again state;
    state.log = &log;
    state.thread = GetCurrentThreadId();
    again = &state;
    WNDCLASSW type{};
    type.lpfnWndProc = againProc;
    type.hInstance = GetModuleHandleW(nullptr);
    type.lpszClassName = L"vuv tell again";
    RegisterClassW(&type);
    const HWND target = CreateWindowW(type.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, type.hInstance,
                                      nullptr);
    ASSERT_NE(target, nullptr);

    std::atomic<bool> done{false};
    std::atomic<int> most{0};
    std::thread watcher([&] { watch(state.thread, target, done, most); });
    tellOperator(log, L"书签导出失败", L"C:\\x.txt");
    done = true;
    watcher.join();

    EXPECT_TRUE(state.nestedReturned) << "the same failure was not told again while its box was open";
    EXPECT_EQ(state.boxesWhileNested, 1) << "a second box opened over the first";
    EXPECT_EQ(most, 1) << "a second box opened over the first";
    ASSERT_EQ(log.rows.size(), 2u);
    for (const RecordedEvent& row : log.rows) {
        EXPECT_EQ(row.pid, 0u);
        EXPECT_EQ(row.kind, text::kEventFailure);
        EXPECT_EQ(row.content, narrow(L"书签导出失败：C:\\x.txt"));
    }

    // Closed, the same failure opens its box again.
    std::atomic<bool> doneAgain{false};
    std::atomic<bool> seen{false};
    std::thread closer([&] {
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (!doneAgain) {
            const std::vector<HWND> boxes = boxesOf(state.thread);
            if (!boxes.empty()) seen = true;
            if (seen || Clock::now() > deadline) {
                for (HWND box : boxes) PostMessageW(box, WM_COMMAND, IDOK, 0);
            }
            Sleep(10);
        }
    });
    tellOperator(log, L"书签导出失败");
    doneAgain = true;
    closer.join();
    EXPECT_TRUE(seen);
    ASSERT_EQ(log.rows.size(), 3u);
    EXPECT_EQ(log.rows.back().content, narrow(L"书签导出失败"));

    DestroyWindow(target);
    UnregisterClassW(type.lpszClassName, type.hInstance);
    again = nullptr;
}

TEST(TellOperator, LoggingAloneShowsNothingAndKeepsOneLine) {
    Recorder log;
    logFailure(log, L"无法导入规则：第 3 行。\r\n规则没有改动。", L"C:\\规则.txt");
    ASSERT_EQ(log.rows.size(), 1u);
    EXPECT_EQ(log.rows[0].kind, text::kEventFailure);
    EXPECT_EQ(log.rows[0].content, narrow(L"无法导入规则：第 3 行。  规则没有改动。：C:\\规则.txt"));
    EXPECT_TRUE(boxesOf(GetCurrentThreadId()).empty());
}

}  // namespace
}  // namespace vuv::win
