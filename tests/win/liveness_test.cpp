// Which watched processes have ended: told by a poll once each, whether the
// process ends while watched or was gone already when it was first watched.
#include "link/liveness_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

using vuv::win::Liveness;

// A process that waits, suspended, until it is ended; ended with the test.
class Child {
public:
    Child() {
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        std::wstring commandLine = L"\"" + std::wstring(system) + L"\\cmd.exe\" /c exit";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW,
                           nullptr, nullptr, &startup, &info_)) {
            CloseHandle(info_.hThread);
            info_.hThread = nullptr;
        }
    }
    ~Child() {
        end();
        release();
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    [[nodiscard]] bool valid() const { return info_.hProcess != nullptr; }
    [[nodiscard]] std::uint32_t pid() const { return info_.dwProcessId; }
    bool end() {
        if (info_.hProcess == nullptr) return false;
        TerminateProcess(info_.hProcess, 1);
        return WaitForSingleObject(info_.hProcess, 10000) == WAIT_OBJECT_0;
    }
    // Closes the last handle: once ended, the id names no process any more.
    void release() {
        if (info_.hProcess != nullptr) CloseHandle(info_.hProcess);
        info_.hProcess = nullptr;
    }

private:
    PROCESS_INFORMATION info_{};
};

// Polls until a poll returns something or the deadline passes; what it returned.
std::vector<std::uint32_t> pollUntilAny(Liveness& liveness) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        std::vector<std::uint32_t> ended = liveness.poll();
        if (!ended.empty() || std::chrono::steady_clock::now() > deadline) return ended;
        Sleep(10);
    }
}

TEST(Liveness, AProcessThatEndsWhileWatchedIsToldOnce) {
    Child child;
    ASSERT_TRUE(child.valid());
    Liveness liveness;
    liveness.watch({child.pid()});
    EXPECT_TRUE(liveness.poll().empty());
    EXPECT_FALSE(liveness.ended(child.pid()));
    ASSERT_TRUE(child.end());
    EXPECT_EQ(pollUntilAny(liveness), std::vector<std::uint32_t>{child.pid()});
    EXPECT_TRUE(liveness.ended(child.pid()));
    EXPECT_TRUE(liveness.poll().empty());
}

// Its windows may outlive a process for a moment: a scan can list a copy
// whose process is gone, and the next poll must say so, once.
TEST(Liveness, AProcessGoneWhenFirstWatchedIsToldEndedByTheNextPoll) {
    // Process ids are multiples of four far below this one.
    constexpr std::uint32_t kGone = 0x7FFFFFF0u;
    const HANDLE probe = OpenProcess(SYNCHRONIZE, FALSE, kGone);
    const DWORD error = GetLastError();
    ASSERT_EQ(probe, nullptr) << "a process has the id " << kGone;
    ASSERT_EQ(error, static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    Child running;
    ASSERT_TRUE(running.valid());

    Liveness watched;
    watched.watch({kGone, running.pid()});
    EXPECT_EQ(watched.poll(), std::vector<std::uint32_t>{kGone});
    EXPECT_TRUE(watched.ended(kGone));
    EXPECT_FALSE(watched.ended(running.pid()));
    EXPECT_TRUE(watched.poll().empty());
    // Kept across a watch of the same list: not told again.
    watched.watch({kGone, running.pid()});
    EXPECT_TRUE(watched.poll().empty());
}

}  // namespace
