// The watch on bookmark holders, against real processes: a holder is its
// process id and creation time, so the same id with another time, or an id
// no process has, counts as ended; one whose time is not known is taken for
// whatever process runs under its id.
#include "bookmarks/holder_watch_win.h"

#include "win/process_handles.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

namespace vuv::win {
namespace {

// A copy of this test program, started suspended (it runs no code) and
// killed when the test ends.
class Child {
public:
    Child() {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --gtest_list_tests";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                           &startup, &info_)) {
            CloseHandle(info_.hThread);
        }
    }
    ~Child() {
        if (info_.hProcess == nullptr) return;
        end();
        CloseHandle(info_.hProcess);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    [[nodiscard]] bool started() const { return info_.hProcess != nullptr; }
    [[nodiscard]] std::uint32_t id() const { return info_.dwProcessId; }
    [[nodiscard]] std::uint64_t createdAt() const {
        FILETIME created{}, exited{}, kernel{}, user{};
        if (!GetProcessTimes(info_.hProcess, &created, &exited, &kernel, &user)) return 0;
        return (static_cast<std::uint64_t>(created.dwHighDateTime) << 32) | created.dwLowDateTime;
    }
    void end() {
        TerminateProcess(info_.hProcess, 0);
        WaitForSingleObject(info_.hProcess, 10000);
    }

private:
    PROCESS_INFORMATION info_{};
};

TEST(HolderWatch, KnowsAHolderByItsIdAndCreationTime) {
    Child child;
    ASSERT_TRUE(child.started());
    ASSERT_NE(child.createdAt(), 0u);

    // The test's own handle to the child, and those the watch holds.
    const auto watchHandles = [&] { return test::handlesNaming(child.id()) - 1; };
    ASSERT_EQ(watchHandles(), 0u);

    HolderWatch watch;
    const BookmarkHolder holder = watch.identify(child.id());
    EXPECT_EQ(holder, (BookmarkHolder{child.id(), child.createdAt()}));
    EXPECT_EQ(watch.identify(child.id()), holder) << "asked again: the same holder";
    EXPECT_TRUE(watch.watching(holder));
    EXPECT_FALSE(watch.ended(holder));

    // The same id, saved with another creation time, belongs to another
    // process by now; the time not known is taken for the running one.
    const BookmarkHolder earlier{child.id(), child.createdAt() - 1};
    const BookmarkHolder unknown{child.id(), 0};
    watch.keepOnly({holder, earlier, unknown});
    EXPECT_TRUE(watch.ended(earlier));
    EXPECT_FALSE(watch.ended(unknown));
    EXPECT_TRUE(watch.watching(unknown));
    EXPECT_FALSE(watch.ended(holder));
    EXPECT_EQ(watchHandles(), 1u) << "one handle for the process, whichever holders it is";

    child.end();
    watch.poll();
    EXPECT_TRUE(watch.ended(holder));
    EXPECT_TRUE(watch.ended(unknown));
    EXPECT_TRUE(watch.watching(holder)) << "its end is remembered";
    EXPECT_EQ(watchHandles(), 0u) << "no handle for a holder that has ended";

    // Once no bookmark names it, the watch knows nothing of it.
    watch.keepOnly({unknown});
    EXPECT_FALSE(watch.watching(holder));
    EXPECT_FALSE(watch.ended(holder));
    EXPECT_TRUE(watch.ended(unknown));
}

TEST(HolderWatch, ALiveHolderNoBookmarkNamesKeepsNoHandle) {
    Child child;
    ASSERT_TRUE(child.started());
    const auto watchHandles = [&] { return test::handlesNaming(child.id()) - 1; };
    HolderWatch watch;
    const BookmarkHolder holder = watch.identify(child.id());
    EXPECT_EQ(watchHandles(), 1u);
    watch.keepOnly({holder});
    EXPECT_EQ(watchHandles(), 1u);
    watch.keepOnly({});
    EXPECT_EQ(watchHandles(), 0u);
    EXPECT_FALSE(watch.watching(holder));
    // Named again: looked at afresh, running.
    watch.keepOnly({BookmarkHolder{child.id(), 0}, BookmarkHolder{child.id(), child.createdAt() + 1}});
    EXPECT_EQ(watchHandles(), 1u);
    EXPECT_FALSE(watch.ended(BookmarkHolder{child.id(), 0}));
    EXPECT_TRUE(watch.ended(BookmarkHolder{child.id(), child.createdAt() + 1}));
    // Only the holder of another creation time is named: the running
    // process is none of its business.
    watch.keepOnly({BookmarkHolder{child.id(), child.createdAt() + 1}});
    EXPECT_EQ(watchHandles(), 0u);
}

TEST(HolderWatch, AHolderWhoseProcessIsGoneHasEnded) {
    std::uint32_t goneId = 0;
    std::uint64_t goneStart = 0;
    {
        Child child;
        ASSERT_TRUE(child.started());
        goneId = child.id();
        goneStart = child.createdAt();
    }
    HolderWatch watch;
    watch.keepOnly({BookmarkHolder{goneId, goneStart}, BookmarkHolder{goneId, 0}});
    // Asked for by a process that is gone already: ended at once.
    const BookmarkHolder asked = watch.identify(goneId);
    EXPECT_TRUE(watch.ended(BookmarkHolder{goneId, goneStart}));
    // Without a creation time only an id that no process has tells: valid
    // as long as no other process got the id meanwhile.
    const HANDLE reused = OpenProcess(SYNCHRONIZE, FALSE, goneId);
    if (reused != nullptr) {
        CloseHandle(reused);
        return;
    }
    EXPECT_TRUE(watch.ended(BookmarkHolder{goneId, 0}));
    EXPECT_TRUE(watch.ended(asked));
}

}  // namespace
}  // namespace vuv::win
