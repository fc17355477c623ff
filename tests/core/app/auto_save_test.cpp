// The automatic workspace's start-up decision and the back-off of a save
// that keeps failing.
#include "app/auto_save.h"

#include <gtest/gtest.h>

#include <vector>

namespace vuv {
namespace {

using Ms = SaveRetry::Ms;

AutoSaveFacts facts(WorkspaceLock lock, bool exists, bool read, bool parsed, bool aside) {
    return AutoSaveFacts{lock, exists, read, parsed, aside};
}

// Every combination of what a start can find: only a file this run read,
// one it kept a copy of, or none at all may be written over.
TEST(AutoSaveStartTest, OnlyAFileThisRunReadOrSetAsideOrNoneAtAllMayBeReplaced) {
    const auto held = WorkspaceLock::Held;
    const auto none = WorkspaceLock::Unavailable;
    EXPECT_EQ(decideAutoSaveStart(facts(held, false, false, false, false)), AutoSaveStart::Fresh);
    EXPECT_EQ(decideAutoSaveStart(facts(held, true, true, true, false)), AutoSaveStart::Loaded);
    EXPECT_EQ(decideAutoSaveStart(facts(held, true, false, false, false)), AutoSaveStart::Unreadable);
    EXPECT_EQ(decideAutoSaveStart(facts(held, true, true, false, true)), AutoSaveStart::DamagedSetAside);
    EXPECT_EQ(decideAutoSaveStart(facts(held, true, true, false, false)), AutoSaveStart::DamagedNotSetAside);
    // Without a lock file (a folder that takes none) the file decides alone.
    EXPECT_EQ(decideAutoSaveStart(facts(none, true, false, false, false)), AutoSaveStart::Unreadable);
    EXPECT_EQ(decideAutoSaveStart(facts(none, true, true, true, false)), AutoSaveStart::Loaded);
    // Another panel's workspace is never opened or written, whatever it holds.
    for (bool exists : {false, true}) {
        for (bool read : {false, true}) {
            for (bool parsed : {false, true}) {
                const AutoSaveStart start =
                    decideAutoSaveStart(facts(WorkspaceLock::HeldByOther, exists, read, parsed, true));
                EXPECT_EQ(start, AutoSaveStart::LockedByOtherPanel);
            }
        }
    }

    for (AutoSaveStart start : {AutoSaveStart::Fresh, AutoSaveStart::Loaded, AutoSaveStart::DamagedSetAside}) {
        EXPECT_TRUE(autoSaveMayWrite(start)) << static_cast<int>(start);
    }
    for (AutoSaveStart start :
         {AutoSaveStart::Unreadable, AutoSaveStart::DamagedNotSetAside, AutoSaveStart::LockedByOtherPanel}) {
        EXPECT_FALSE(autoSaveMayWrite(start)) << static_cast<int>(start);
        EXPECT_FALSE(autoSaveOpens(start)) << static_cast<int>(start);
    }
    EXPECT_TRUE(autoSaveOpens(AutoSaveStart::Loaded));
    EXPECT_FALSE(autoSaveOpens(AutoSaveStart::Fresh));
    EXPECT_FALSE(autoSaveOpens(AutoSaveStart::DamagedSetAside));
}

// A disk that stays full: the waits double from a second up to a minute,
// one notice begins the streak, nothing is due before its time, and a
// success ends the streak so the next failure is told again.
TEST(SaveRetryTest, FailuresBackOffToTheCapTellOncePerStreakAndASuccessEndsTheStreak) {
    SaveRetry retry;
    EXPECT_TRUE(retry.due(Ms{0}));
    EXPECT_FALSE(retry.succeeded()) << "no streak to end";

    Ms now{5000};
    std::vector<long long> delays;
    int notices = 0;
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(retry.due(now)) << i;
        notices += retry.failed(now) ? 1 : 0;
        delays.push_back(retry.delay().count());
        EXPECT_FALSE(retry.due(now + retry.delay() - Ms{1})) << i;
        now += retry.delay();
    }
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(delays, (std::vector<long long>{1000, 2000, 4000, 8000, 16000, 32000, 60000, 60000, 60000, 60000}));
    EXPECT_EQ(retry.failures(), 10u);

    EXPECT_TRUE(retry.succeeded());
    EXPECT_EQ(retry.failures(), 0u);
    EXPECT_TRUE(retry.due(now)) << "a change after a success is saved at the next tick";
    EXPECT_TRUE(retry.failed(now)) << "a new streak is told again";
    EXPECT_EQ(retry.delay(), SaveRetry::kFirstDelay);
}

}  // namespace
}  // namespace vuv
