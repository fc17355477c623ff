// The process watcher against real processes: an end is told by one poll
// only, whether the process ends while watched or was gone when added; an
// adopted handle is watched like an opened one; a removed process's handle
// is closed; a handle that cannot be waited on tells as the watcher was
// told to take it.
#include "common/process_watcher_win.h"

#include "win/process_handles.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

namespace {

using vuv::win::KernelHandle;
using vuv::test::handlesNaming;
using vuv::win::ProcessWatcher;

// A process that waits, suspended, until it is ended; ended with the test.
class Child {
public:
    Child() {
        wchar_t system[MAX_PATH] = {};
        GetSystemDirectoryW(system, MAX_PATH);
        std::wstring commandLine = L"\"" + std::wstring(system) + L"\\cmd.exe\" /c exit";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info{};
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED | CREATE_NO_WINDOW,
                           nullptr, nullptr, &startup, &info)) {
            process_ = KernelHandle(info.hProcess);
            KernelHandle thread(info.hThread);
            id_ = info.dwProcessId;
        }
    }
    ~Child() { end(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    [[nodiscard]] bool valid() const { return static_cast<bool>(process_); }
    [[nodiscard]] std::uint32_t pid() const { return id_; }
    [[nodiscard]] HANDLE handle() const { return process_.get(); }
    bool end() {
        if (!process_) return false;
        TerminateProcess(process_.get(), 1);
        return WaitForSingleObject(process_.get(), 10000) == WAIT_OBJECT_0;
    }
    // Another handle to the process: with these rights, or (0) all of them.
    [[nodiscard]] KernelHandle duplicate(DWORD rights = 0) const {
        HANDLE copy = nullptr;
        if (!DuplicateHandle(GetCurrentProcess(), process_.get(), GetCurrentProcess(), &copy, rights, FALSE,
                             rights == 0 ? DUPLICATE_SAME_ACCESS : 0)) {
            return KernelHandle();
        }
        return KernelHandle(copy);
    }
    [[nodiscard]] std::uint64_t createdAt() const {
        FILETIME created{}, exited{}, kernel{}, user{};
        if (!GetProcessTimes(process_.get(), &created, &exited, &kernel, &user)) return 0;
        return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    }

private:
    KernelHandle process_;
    std::uint32_t id_ = 0;
};

// Process ids are multiples of four far below this one.
constexpr std::uint32_t kGone = 0x7FFFFFF0u;

bool noProcessHas(std::uint32_t id) {
    const KernelHandle probe(OpenProcess(SYNCHRONIZE, FALSE, id));
    return !probe && GetLastError() == ERROR_INVALID_PARAMETER;
}

// Polls until a poll returns something or the deadline passes; what it returned.
std::vector<std::uint32_t> pollUntilAny(ProcessWatcher& watcher) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    for (;;) {
        std::vector<std::uint32_t> ended = watcher.poll();
        if (!ended.empty() || std::chrono::steady_clock::now() > deadline) return ended;
        Sleep(10);
    }
}

std::vector<std::uint32_t> sorted(std::vector<std::uint32_t> ids) {
    std::sort(ids.begin(), ids.end());
    return ids;
}

TEST(ProcessWatcher, AProcessThatEndsWhileWatchedIsToldOnce) {
    Child child;
    ASSERT_TRUE(child.valid());
    ProcessWatcher watcher;
    watcher.add(child.pid());
    EXPECT_TRUE(watcher.poll().empty());
    EXPECT_FALSE(watcher.ended(child.pid()));
    EXPECT_TRUE(watcher.watching(child.pid()));
    EXPECT_EQ(watcher.creationTime(child.pid()), child.createdAt());
    EXPECT_EQ(watcher.handles(10).size(), 1u);
    ASSERT_TRUE(child.end());
    EXPECT_EQ(pollUntilAny(watcher), std::vector<std::uint32_t>{child.pid()});
    EXPECT_TRUE(watcher.ended(child.pid()));
    EXPECT_TRUE(watcher.poll().empty());
    EXPECT_TRUE(watcher.handles(10).empty()) << "nothing to wait for in an ended process";
    // Kept, ended, until removed: its handle still holds the id.
    EXPECT_NE(watcher.handle(child.pid()), nullptr);
}

// Its windows may outlive a process for a moment: a scan can list a copy
// whose process is gone, and the next poll must say so, once.
TEST(ProcessWatcher, AProcessGoneWhenFirstWatchedIsToldEndedByTheNextPoll) {
    ASSERT_TRUE(noProcessHas(kGone)) << "a process has the id " << kGone;
    Child running;
    ASSERT_TRUE(running.valid());

    ProcessWatcher watched;
    watched.watchExactly({kGone, running.pid()});
    EXPECT_TRUE(watched.ended(kGone)) << "known at once";
    EXPECT_EQ(watched.poll(), std::vector<std::uint32_t>{kGone});
    EXPECT_TRUE(watched.ended(kGone));
    EXPECT_FALSE(watched.ended(running.pid()));
    EXPECT_TRUE(watched.poll().empty());
    // Kept across a watch of the same list, and across another add: not told again.
    watched.watchExactly({kGone, running.pid(), kGone});
    watched.add(kGone);
    EXPECT_TRUE(watched.poll().empty());
    EXPECT_EQ(watched.size(), 2u);
}

TEST(ProcessWatcher, WatchingExactlyAListDropsTheOthersAndForgetsTheirEnds) {
    Child first;
    Child second;
    ASSERT_TRUE(first.valid() && second.valid());
    ProcessWatcher watcher;
    watcher.watchExactly({first.pid(), second.pid()});
    ASSERT_TRUE(first.end());
    EXPECT_EQ(pollUntilAny(watcher), std::vector<std::uint32_t>{first.pid()});

    watcher.watchExactly({second.pid()});
    EXPECT_FALSE(watcher.contains(first.pid()));
    EXPECT_FALSE(watcher.ended(first.pid()));
    EXPECT_EQ(watcher.handle(first.pid()), nullptr);
    // Listed again, it is looked at afresh: ended, and told once more.
    watcher.watchExactly({second.pid(), first.pid()});
    EXPECT_EQ(pollUntilAny(watcher), std::vector<std::uint32_t>{first.pid()});
    EXPECT_TRUE(watcher.poll().empty());
    EXPECT_FALSE(watcher.ended(second.pid()));
}

TEST(ProcessWatcher, AnAdoptedHandleIsWatchedAndClosedWithItsProcess) {
    Child child;
    ASSERT_TRUE(child.valid());
    const auto handlesOfChild = [&] { return handlesNaming(child.pid()); };
    const DWORD before = handlesOfChild();
    ASSERT_EQ(before, 1u) << "the child's own handle is seen";
    {
        ProcessWatcher watcher;
        KernelHandle adopted = child.duplicate();
        ASSERT_TRUE(adopted);
        const HANDLE raw = adopted.get();
        ASSERT_EQ(handlesOfChild(), before + 1);
        watcher.add(child.pid(), std::move(adopted));
        EXPECT_EQ(watcher.handle(child.pid()), raw) << "adopted, not opened again";
        EXPECT_EQ(handlesOfChild(), before + 1);
        EXPECT_EQ(watcher.creationTime(child.pid()), child.createdAt());
        watcher.add(child.pid());
        EXPECT_EQ(watcher.handle(child.pid()), raw) << "watched already: nothing opened";
        EXPECT_EQ(handlesOfChild(), before + 1);

        // Adopting another handle under the same id replaces the first.
        watcher.add(child.pid(), child.duplicate());
        EXPECT_EQ(handlesOfChild(), before + 1);
        ASSERT_TRUE(child.end());
        EXPECT_EQ(pollUntilAny(watcher), std::vector<std::uint32_t>{child.pid()});
        watcher.remove(child.pid());
        EXPECT_EQ(handlesOfChild(), before) << "removing closes the handle";
        EXPECT_FALSE(watcher.contains(child.pid()));

        watcher.add(child.pid(), child.duplicate());
        watcher.watchExactly({});
        EXPECT_EQ(handlesOfChild(), before) << "dropped from the list: closed";
        watcher.add(child.pid(), child.duplicate());
        watcher.add(kGone);
        EXPECT_EQ(handlesOfChild(), before + 1);
    }
    EXPECT_EQ(handlesOfChild(), before) << "the watcher closes what it holds when it goes";
}

// One wait answers for at most 64 handles: more are looked at in batches,
// and every end among them is told.
TEST(ProcessWatcher, EndsAmongMoreHandlesThanOneWaitTakesAreAllTold) {
    Child running;
    Child ending;
    ASSERT_TRUE(running.valid() && ending.valid());
    ProcessWatcher watcher;
    std::vector<std::uint32_t> endingIds;
    for (std::uint32_t i = 1; i <= 150; ++i) {
        // Made-up ids: the watcher goes by the handles it was given.
        const bool ends = i % 7 == 0;
        watcher.add(i * 4, (ends ? ending : running).duplicate());
        if (ends) endingIds.push_back(i * 4);
    }
    EXPECT_EQ(watcher.handles(MAXIMUM_WAIT_OBJECTS - 1).size(), static_cast<std::size_t>(MAXIMUM_WAIT_OBJECTS - 1));
    EXPECT_TRUE(watcher.poll().empty());
    ASSERT_TRUE(ending.end());
    EXPECT_EQ(sorted(watcher.poll()), endingIds);
    EXPECT_TRUE(watcher.poll().empty());
    EXPECT_EQ(watcher.handles(1000).size(), 150u - endingIds.size());
}

// A handle without the right to wait on it: the instance list must not take
// such a copy for ended, while the launcher counts it ended so that it does
// not hold a place for ever.
TEST(ProcessWatcher, AHandleThatCannotBeWaitedOnTellsAsTheWatcherWasToldToTakeIt) {
    Child child;
    ASSERT_TRUE(child.valid());
    ProcessWatcher patient;
    ProcessWatcher strict(ProcessWatcher::Unwaitable::MeansEnded);
    patient.add(child.pid(), child.duplicate(PROCESS_QUERY_LIMITED_INFORMATION));
    strict.add(child.pid(), child.duplicate(PROCESS_QUERY_LIMITED_INFORMATION));
    ASSERT_NE(strict.handle(child.pid()), nullptr);
    EXPECT_TRUE(patient.poll().empty());
    EXPECT_FALSE(patient.ended(child.pid()));
    EXPECT_EQ(strict.poll(), std::vector<std::uint32_t>{child.pid()});
    EXPECT_TRUE(strict.ended(child.pid()));
    EXPECT_TRUE(strict.poll().empty());
}

}  // namespace
